// The image stamp: one picture from a file, scaled and turned, laid once over
// every photo at an anchored position with a transparency.
#ifndef STAMP_IMAGE_H
#define STAMP_IMAGE_H

#include "pictureoperation.h"

namespace Ui
{
class OptStampImage;
}

class COperation_stamp_image : public CImageOperation
{
public:
    COperation_stamp_image();

protected:
    QWidget *createWidget(QWidget *parent) override;
};

class COperationWidget_stamp_image : public CImageOperationWidget
{
    Q_OBJECT

public:
    COperationWidget_stamp_image(COperation_stamp_image *operation, QWidget *parent = nullptr);
    ~COperationWidget_stamp_image() override;

    void updateParams() override;
    bool loadParams(const OperationParamList &params) override;
    void listParams(OperationParamList &params) const override;

private slots:
    void on_comboBoxCurrentIndexChanged(int index);

protected:
    void changeEvent(QEvent *event) override;

private:
    Ui::OptStampImage *m_ui;
    COperation_stamp_image *m_operation;
};

#endif
