// The coloration operation: tints every photo with one colour, written as
// three decimal channel values; an accepted colour applies at once.
#ifndef COLORATION_H
#define COLORATION_H

#include "operation.h"

#include <QColor>

namespace Ui
{
class OptColoration;
}

class COperation_coloration : public CParamOperation
{
public:
    COperation_coloration();

    // The tint; it lives here, the widget edits it.
    QColor color() const
    {
        return m_color;
    }
    void setColor(const QColor &color)
    {
        m_color = color;
    }

protected:
    QWidget *createWidget(QWidget *parent) override;

private:
    QColor m_color;
};

class COperationWidget_coloration : public COperationWidget
{
    Q_OBJECT

public:
    COperationWidget_coloration(COperation_coloration *operation, QWidget *parent = nullptr);
    ~COperationWidget_coloration() override;

    void updateParams() override;
    // Sets the colour from a profile's pairs, then applies.
    bool loadParams(const OperationParamList &params) override;

private slots:
    void on_btnColorClicked();

private:
    Ui::OptColoration *m_ui;
    COperation_coloration *m_operation;
};

#endif
