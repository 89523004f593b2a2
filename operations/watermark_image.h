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

class COperation_watermark_image : public CPictureOperation
{
public:
    COperation_watermark_image();

    bool getParams(OperationParamList &params) override;
    bool setParams(const OperationParamList &params) override;

    const QString &imagePath() const
    {
        return m_imagePath;
    }
    void setImagePath(const QString &path)
    {
        m_imagePath = path;
    }

protected:
    QWidget *createWidget(QWidget *parent) override;

private:
    QString m_imagePath;
};

class COperationWidget_watermark_image : public COperationWidget
{
    Q_OBJECT

public:
    COperationWidget_watermark_image(COperation_watermark_image *operation,
                                     QWidget *parent = nullptr);
    ~COperationWidget_watermark_image() override;

    void updateParams() override;
    // Reads a picture file and makes it the stamp; false when it does not
    // load (nothing changes then).
    bool loadImage(const QString &path);
    // Sets the controls from a profile's pairs; false when the image file
    // does not load.
    bool applyParams(const OperationParamList &params);
    void listParams(OperationParamList &params) const;

    const PicturePtr &loadedPicture() const
    {
        return m_loadedImage;
    }
    const PicturePtr &workingPicture() const
    {
        return m_workingImage;
    }

private slots:
    void on_btnImageClicked();
    void on_lineEditTextChanged(const QString &text);
    void on_spinBoxValueChanged(int i);
    void on_dspinBoxValueChanged(double d);

protected:
    void changeEvent(QEvent *event) override;

private:
    Ui::OptWatermarkImage *m_ui;
    COperation_watermark_image *m_operation;
    // The picture as read from the file, never lent to a filter.
    PicturePtr m_loadedImage;
    // The scaled copy whose address the filters get; each filter
    // configured with it holds a reference of its own.
    PicturePtr m_workingImage;
};

#endif
