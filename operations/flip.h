// The flip operation: mirrors every photo vertically, horizontally or both;
// each tick of its two check boxes applies at once.
#ifndef FLIP_H
#define FLIP_H

#include "operation.h"

namespace Ui
{
class OptFlip;
}

class COperation_flip : public CParamOperation
{
public:
    COperation_flip();

protected:
    QWidget *createWidget(QWidget *parent) override;
};

class COperationWidget_flip : public COperationWidget
{
    Q_OBJECT

public:
    COperationWidget_flip(COperation_flip *operation, QWidget *parent = nullptr);
    ~COperationWidget_flip() override;

    void updateParams() override;
    // Sets the controls from a profile's pairs, then applies.
    bool loadParams(const OperationParamList &params) override;

private slots:
    void on_checkBoxStateChanged(int state);

private:
    Ui::OptFlip *m_ui;
    COperation_flip *m_operation;
};

#endif
