// The roll operation: shifts every photo cyclically by a distance in pixels
// or percent; the unit applies at once, typed distances after a pause.
#ifndef ROLL_H
#define ROLL_H

#include "operation.h"

namespace Ui
{
class OptRoll;
}

class COperation_roll : public CParamOperation
{
public:
    COperation_roll();

protected:
    QWidget *createWidget(QWidget *parent) override;
};

class COperationWidget_roll : public COperationWidget
{
    Q_OBJECT

public:
    COperationWidget_roll(COperation_roll *operation, QWidget *parent = nullptr);
    ~COperationWidget_roll() override;

    void updateParams() override;
    // Sets the controls from a profile's pairs, then applies.
    bool loadParams(const OperationParamList &params) override;

private slots:
    void on_ratioButtonToggled(bool checked);
    void on_spinBoxValueChanged(int i);

private:
    void applyUnit();

    Ui::OptRoll *m_ui;
    COperation_roll *m_operation;
};

#endif
