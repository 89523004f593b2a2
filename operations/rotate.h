// The rotate operation: turns every photo a quarter turn either way, a half
// turn or by a free angle, with a background colour for the uncovered
// corners. It writes its values only when the angle or the colour changed.
#ifndef ROTATE_H
#define ROTATE_H

#include "operation.h"

#include <QColor>

namespace Ui
{
class OptRotate;
}

class COperation_rotate : public CParamOperation
{
public:
    COperation_rotate();

    // The background colour chosen in the widget.
    QColor color() const
    {
        return m_color;
    }
    void setColor(const QColor &color)
    {
        m_color = color;
    }
    // True when angle and the chosen colour are what the values last received.
    bool isApplied(double angle) const
    {
        return angle == m_angle && m_color == m_appliedColor;
    }
    // The values now hold angle and the chosen colour.
    void setApplied(double angle)
    {
        m_angle = angle;
        m_appliedColor = m_color;
    }

protected:
    QWidget *createWidget(QWidget *parent) override;

private:
    double m_angle = 0;
    QColor m_appliedColor;
    QColor m_color;
};

class COperationWidget_rotate : public COperationWidget
{
    Q_OBJECT

public:
    COperationWidget_rotate(COperation_rotate *operation, QWidget *parent = nullptr);
    ~COperationWidget_rotate() override;

    void updateParams() override;
    // Sets the controls from a profile's pairs, then applies.
    bool loadParams(const OperationParamList &params) override;

private slots:
    void on_ratioButtonToggled(bool checked);
    void on_dspinBoxValueChanged(double d);
    void on_btnColorClicked();

private:
    Ui::OptRotate *m_ui;
    COperation_rotate *m_operation;
};

#endif
