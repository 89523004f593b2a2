// CTextOperation: the base of the text stamp and the text watermark. The
// widget publishes an immutable snapshot of everything the text depends on
// (values, text, rotation, font, colour); a worker asking for a filter renders
// a picture of its own from that snapshot for its source file, never reading
// a widget or a shared QFont/QString that the interface thread may change.
// CTextOperationWidget: what the two text widgets share (the keyword menu,
// the text, font and colour buttons, the colour swatch, the edit slots).
#ifndef TEXTOPERATION_H
#define TEXTOPERATION_H

#include "pictureoperation.h"

#include <QColor>
#include <QFont>

struct TextSnapshot : OperationParams {
    QString text;
    double rotation = 0.0;
    QFont font; // antialiasing preferred, set on the interface thread
    QColor color;
};
typedef std::shared_ptr<const TextSnapshot> TextSnapshotPtr;

class QAction;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

class CTextOperation : public CPictureOperation
{
public:
    // The pairs come from and go to the widget; false without one.
    bool getParams(OperationParamList &params) override;

    // Interface thread: the font and colour the widget edits.
    const QFont &font() const
    {
        return m_font;
    }
    void setFont(const QFont &font)
    {
        m_font = font;
    }
    const QColor &color() const
    {
        return m_color;
    }
    void setColor(const QColor &color)
    {
        m_color = color;
    }

    // Replaces the snapshot: values in the kind's key order (the first, the
    // picture's, is filled per filter), with the text, the rotation and the
    // current font and colour (interface thread).
    void publishText(const std::vector<std::string> &values, const QString &text, double rotation);
    // The current snapshot; null until the widget first applies.
    TextSnapshotPtr snapshot() const;

    // Renders the text for sourcePath, the index-th file of the list, from
    // the current snapshot (any thread): the picture a filter gets for that
    // file. Null without a snapshot or for a text that expands to nothing.
    PicturePtr renderText(const QString &sourcePath, int index = 0);
    // The picture of the last renderText, which the operation keeps; only
    // the tests ask (each filter holds its own picture).
    PicturePtr lastPicture() const;

protected:
    CTextOperation(const char *kindName, const char *filterKind,
                   std::initializer_list<const char *> keys);
    // Renders first, then hands the snapshot's values with that picture's
    // address; a filter of an operation without a widget stays unconfigured.
    int configure(imagefilter_t *filter, const OperationParams &params, const QString &sourcePath,
                  int index) override;

private:
    // The one drawing of a snapshot's text, shared by renderText and the
    // filters; keeps the picture as the last one.
    PicturePtr render(const TextSnapshot &set, const QString &sourcePath, int index,
                      bool *tooLarge = nullptr);

    QColor m_color;
    QFont m_font;
    TextSnapshotPtr m_snapshot;
    PicturePtr m_textImage;
};

class CTextOperationWidget : public COperationWidget
{
    Q_OBJECT

public:
    bool loadParams(const OperationParamList &params) override = 0;
    virtual void listParams(OperationParamList &params) const = 0;

protected:
    CTextOperationWidget(CTextOperation *operation, QWidget *parent);

    // Connects the shared controls and builds the keyword menu; the kind
    // calls it right after setupUi.
    void setupText(QLineEdit *edtText, QPushButton *btnText, QPushButton *btnFont,
                   QPushButton *btnColor, QDoubleSpinBox *sbRotation, QLabel *lbColor);
    // Applies "color", "font", "rotation" or "text"; false for another key.
    bool applyTextParam(const QString &key, const QString &value);
    void insertKeyword(const QString &keyword);
    void styleSwatch();
    void retranslateMenu();

protected slots:
    void on_btnTextClicked();
    void on_btnFontClicked();
    void on_btnColorClicked();
    void on_lineEditTextChanged(const QString &text);
    void on_spinBoxValueChanged(int i);
    void on_dspinBoxValueChanged(double d);
    void onFilename();
    void onFilefolder();
    void onFileext();
    void onFilepath();
    void onCounter();
    void onDatetime();
    void onCopyrightSign();

private:
    CTextOperation *m_textOperation;
    QLineEdit *m_edtText = nullptr;
    QPushButton *m_btnText = nullptr;
    QDoubleSpinBox *m_sbRotation = nullptr;
    QLabel *m_lbColor = nullptr;
    QMenu *m_keywordMenu = nullptr;
    QAction *m_actFilename = nullptr;
    QAction *m_actFilefolder = nullptr;
    QAction *m_actFileext = nullptr;
    QAction *m_actFilepath = nullptr;
    QAction *m_actCounter = nullptr;
    QAction *m_actDatetime = nullptr;
    QAction *m_actCopyright = nullptr;
};

#endif
