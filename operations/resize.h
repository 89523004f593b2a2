// The resize operation: scales every photo to a width and height in pixels
// or percent, exactly or keeping the aspect ratio in one of four ways.
// Unit and mode changes apply at once, typed numbers after a pause, an
// accepted padding colour at the next tick.
#ifndef RESIZE_H
#define RESIZE_H

#include "operation.h"

#include <QColor>

namespace Ui
{
class OptResize;
}

class COperation_resize : public CParamOperation
{
public:
    COperation_resize();

    // The padding colour; the widget edits it.
    QColor paddingColor() const
    {
        return m_paddingColor;
    }
    void setPaddingColor(const QColor &color)
    {
        m_paddingColor = color;
    }

protected:
    QWidget *createWidget(QWidget *parent) override;

private:
    QColor m_paddingColor;
};

class COperationWidget_resize : public COperationWidget
{
    Q_OBJECT

public:
    COperationWidget_resize(COperation_resize *operation, QWidget *parent = nullptr);
    ~COperationWidget_resize() override;

    void updateParams() override;
    // Sets the controls from a profile's pairs, then applies.
    bool loadParams(const OperationParamList &params) override;

private slots:
    void on_ratioButtonToggled(bool checked);
    void on_spinBoxValueChanged(int i);
    void on_btnColorClicked();

private:
    void applyUnit();

    Ui::OptResize *m_ui;
    COperation_resize *m_operation;
};

#endif
