// The swap-colours operation: chooses for each colour channel the source
// channel that feeds it; every choice applies at once.
#ifndef SWAP_COLORS_H
#define SWAP_COLORS_H

#include "operation.h"

namespace Ui
{
class OptSwapColors;
}

class COperation_swap_colors : public CParamOperation
{
public:
    COperation_swap_colors();

protected:
    QWidget *createWidget(QWidget *parent) override;
};

class COperationWidget_swap_colors : public COperationWidget
{
    Q_OBJECT

public:
    COperationWidget_swap_colors(COperation_swap_colors *operation, QWidget *parent = nullptr);
    ~COperationWidget_swap_colors() override;

    void updateParams() override;
    // Sets the combos from a profile's pairs, then applies.
    bool loadParams(const OperationParamList &params) override;

private slots:
    void on_combobBoxCurrentIndexChanged(int index);

private:
    Ui::OptSwapColors *m_ui;
    COperation_swap_colors *m_operation;
};

#endif
