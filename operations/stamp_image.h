// The image stamp: one picture from a file, scaled and turned, laid once over
// every photo at an anchored position with a transparency.
#ifndef STAMP_IMAGE_H
#define STAMP_IMAGE_H

#include "pictureoperation.h"

namespace Ui
{
class OptStampImage;
}

class COperation_stamp_image : public CPictureOperation
{
public:
    COperation_stamp_image();

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

class COperationWidget_stamp_image : public COperationWidget
{
    Q_OBJECT

public:
    COperationWidget_stamp_image(COperation_stamp_image *operation, QWidget *parent = nullptr);
    ~COperationWidget_stamp_image() override;

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
    void on_comboBoxCurrentIndexChanged(int index);

protected:
    void changeEvent(QEvent *event) override;

private:
    Ui::OptStampImage *m_ui;
    COperation_stamp_image *m_operation;
    // The picture as read from the file, never lent to a filter.
    PicturePtr m_loadedImage;
    // The scaled and turned copy whose address the filters get; each filter
    // configured with it holds a reference of its own.
    PicturePtr m_workingImage;
};

#endif
