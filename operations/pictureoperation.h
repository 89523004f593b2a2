// CPictureOperation: the base of the stamp and watermark kinds, whose filters
// are lent a picture. Every filter it hands out holds the picture it was
// configured with, so a picture outlives every filter that may still run with
// it, however often the settings replace it.
// CImageOperation and CImageOperationWidget: what the image stamp and the
// image watermark share (the image path, the loaded picture and the recipe
// of its working copy, the image button, the edit slots, the shared keys).
#ifndef PICTUREOPERATION_H
#define PICTUREOPERATION_H

#include "operation.h"
#include "picturefilter.h"

class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;

class CPictureOperation : public CParamOperation
{
public:
    // The settings texts shared by the four kinds' widgets.

    // The anchor words of a position, by the index of its combo.
    static const char *const k_xWords[3];
    static const char *const k_yWords[3];

    // The unit combo sets the offset's range and suffix: Percent -100..100
    // "%", Pixel -65536..65536 " px". Narrowing limits the value.
    static void applyUnit(const QComboBox *unit, QSpinBox *offset);
    // "left-10px", "bottom-5%", "left--5px": the anchor word by the position
    // combo, then the offset with its own sign, then the unit.
    static std::string positionText(const char *const words[3], const QComboBox *anchor,
                                    const QComboBox *unit, const QSpinBox *offset);
    // Sets the three controls from a position text: the anchor by the first
    // word it contains (case matters; none found keeps it), Percent when it
    // holds '%', and the number after its first '-'.
    static void readPosition(const QString &text, const char *const words[3], QComboBox *anchor,
                             QComboBox *unit, QSpinBox *offset);
    // Keeps the transparency slider and its spin box on one value.
    static void linkTransparency(QSlider *slider, QSpinBox *box);

    imagefilter_t *getFilter(const QString &sourcePath, int index = 0) override;
    imagefilter_t *createFilter(const QString &sourcePath, int index = 0) override;
    imagefilter_t *keptFilter() override;

protected:
    CPictureOperation(const char *kindName, const char *filterKind,
                      std::initializer_list<const char *> keys);
    // Configures filter from one published set: its picture's recipe, whose
    // copy the filter asks for (and its address puts as the first key's
    // value) when it first runs.
    int configure(imagefilter_t *filter, const OperationParams &params, const QString &sourcePath,
                  int index) override;
};

class CImageOperation : public CPictureOperation
{
public:
    // The pairs come from and go to the widget; false without one, or when
    // the image file does not load.
    bool getParams(OperationParamList &params) override;

    const QString &imagePath() const
    {
        return m_imagePath;
    }
    void setImagePath(const QString &path)
    {
        m_imagePath = path;
    }

protected:
    using CPictureOperation::CPictureOperation;

private:
    QString m_imagePath;
};

class CImageOperationWidget : public COperationWidget
{
    Q_OBJECT

public:
    // False when the image file does not load.
    bool loadParams(const OperationParamList &params) override = 0;
    virtual void listParams(OperationParamList &params) const = 0;
    // Reads a picture file and makes it the kind's picture; false when it
    // does not load (nothing changes then).
    bool loadImage(const QString &path);

    const PicturePtr &loadedPicture() const
    {
        return m_loadedImage;
    }
    // The published picture's recipe; its picture is made by the first
    // filter that runs (or by whoever calls picture()).
    const PictureRecipePtr &working() const
    {
        return m_working;
    }

protected:
    // failure: the message shown when the picked file does not load.
    CImageOperationWidget(CImageOperation *operation, const char *failure, QWidget *parent);

    // Connects the shared controls; the kind calls it right after setupUi.
    void setupImage(QLineEdit *edtImage, QPushButton *btnImage, QSpinBox *sbScale,
                    QDoubleSpinBox *sbRotation, QSpinBox *sbTransparency);
    // Applies "imagefile" (clearing *loaded when it does not load), "scale",
    // "rotation" or "transparency"; false for another key.
    bool applyImageParam(const QString &key, const QString &value, bool *loaded);
    // Makes the recipe of the working picture from the loaded one, judging
    // its sizes only: the copy is made where a filter runs. One scaled or
    // turned too large is refused: no picture, and a message says so once
    // for that picture, scale and turn.
    void prepareWorking(int scale, double rotation);

    // The picture as read from the file, never lent to a filter.
    PicturePtr m_loadedImage;
    // What the filters are configured with; each filter holds a reference
    // of its own to it and to the copy made from it.
    PictureRecipePtr m_working;

protected slots:
    void on_btnImageClicked();
    void on_lineEditTextChanged(const QString &text);
    void on_spinBoxValueChanged(int i);
    void on_dspinBoxValueChanged(double d);

private:
    CImageOperation *m_imageOperation;
    const char *m_failure;
    // The loaded picture and scale last refused, so that other edits made
    // meanwhile do not bring the message back.
    const sn_image_t *m_refusedPicture = nullptr;
    int m_refusedScale = 0;
    double m_refusedRotation = 0;
    QLineEdit *m_edtImage = nullptr;
    QSpinBox *m_sbScale = nullptr;
    QDoubleSpinBox *m_sbRotation = nullptr;
    QSpinBox *m_sbTransparency = nullptr;
};

#endif
