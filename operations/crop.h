// The crop operation: cuts a rectangle given by margins, by a corner and a
// size, or by a size and a centre, each pair of numbers in its own unit.
// Mode and unit changes apply at once, typed numbers after a pause.
#ifndef CROP_H
#define CROP_H

#include "operation.h"

class QComboBox;
class QSpinBox;

namespace Ui
{
class OptCrop;
}

class COperation_crop : public CParamOperation
{
public:
    COperation_crop();

protected:
    QWidget *createWidget(QWidget *parent) override;
};

class COperationWidget_crop : public COperationWidget
{
    Q_OBJECT

public:
    COperationWidget_crop(COperation_crop *operation, QWidget *parent = nullptr);
    ~COperationWidget_crop() override;

    void updateParams() override;
    // Sets the controls from a profile's pairs, then applies.
    bool loadParams(const OperationParamList &params) override;

private slots:
    void on_ratioButtonToggled(bool checked);
    void on_spinBoxValueChanged(int i);
    void on_comboBoxCurrentIndexChanged(int index);

private:
    // One unit combo with the two spin boxes it governs and their keys'
    // positions in the value list.
    struct Pair {
        QComboBox *unit;
        QSpinBox *first, *second;
        int firstKey, secondKey;
    };

    Ui::OptCrop *m_ui;
    COperation_crop *m_operation;
    Pair m_pairs[4];
};

#endif
