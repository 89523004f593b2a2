// The image watermark: one picture from a file, scaled, tiled over every
// photo with spaces between the tiles, turned by the filter and blended with
// a transparency.
#ifndef WATERMARK_IMAGE_H
#define WATERMARK_IMAGE_H

#include "pictureoperation.h"

namespace Ui
{
class OptWatermarkImage;
}

class COperation_watermark_image : public CImageOperation
{
public:
    COperation_watermark_image();

protected:
    QWidget *createWidget(QWidget *parent) override;
};

class COperationWidget_watermark_image : public CImageOperationWidget
{
    Q_OBJECT

public:
    COperationWidget_watermark_image(COperation_watermark_image *operation,
                                     QWidget *parent = nullptr);
    ~COperationWidget_watermark_image() override;

    void updateParams() override;
    bool loadParams(const OperationParamList &params) override;
    void listParams(OperationParamList &params) const override;

protected:
    void changeEvent(QEvent *event) override;

private:
    Ui::OptWatermarkImage *m_ui;
    COperation_watermark_image *m_operation;
};

#endif
