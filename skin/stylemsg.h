// StyleMsg: the skinned message box. An icon by kind, the text, standard
// buttons and, for confirmations, a "Never show this again!" check box that
// writes the caller's bool.
#ifndef STYLEMSG_H
#define STYLEMSG_H

#include "styledialog.h"

#include <QDialogButtonBox>

class QAbstractButton;
class QCheckBox;
class QLabel;

namespace Ui
{
class StyleMsg;
}

class StyleMsg : public StyleDialog
{
    Q_OBJECT

public:
    // Kinds; each names the icon label so that the skin draws its image.
    enum { Information = 1, Warning = 2, Critical = 3, Question = 4 };

    StyleMsg(int kind, const QString &title, const QString &text, bool *neverAgain,
             QDialogButtonBox::StandardButtons buttons, QWidget *parent = nullptr);
    ~StyleMsg() override;

    QDialogButtonBox::StandardButton result() const
    {
        return m_result;
    }

    static QDialogButtonBox::StandardButton
    showMessage(QWidget *parent, int kind, const QString &title, const QString &text,
                bool *neverAgain, QDialogButtonBox::StandardButtons buttons,
                QDialogButtonBox::StandardButton defaultButton);

    static QDialogButtonBox::StandardButton
    critical(QWidget *parent, const QString &title, const QString &text,
             QDialogButtonBox::StandardButtons buttons = QDialogButtonBox::Ok,
             QDialogButtonBox::StandardButton defaultButton = QDialogButtonBox::NoButton);
    static QDialogButtonBox::StandardButton
    warning(QWidget *parent, const QString &title, const QString &text,
            QDialogButtonBox::StandardButtons buttons = QDialogButtonBox::Ok,
            QDialogButtonBox::StandardButton defaultButton = QDialogButtonBox::NoButton);
    static QDialogButtonBox::StandardButton question(
        QWidget *parent, const QString &title, const QString &text, bool *neverAgain,
        QDialogButtonBox::StandardButtons buttons = QDialogButtonBox::Yes | QDialogButtonBox::No,
        QDialogButtonBox::StandardButton defaultButton = QDialogButtonBox::NoButton);
    static QDialogButtonBox::StandardButton question(
        QWidget *parent, const QString &title, const QString &text,
        QDialogButtonBox::StandardButtons buttons = QDialogButtonBox::Yes | QDialogButtonBox::No,
        QDialogButtonBox::StandardButton defaultButton = QDialogButtonBox::NoButton);
    // A Yes/No question that goes on only on Yes: No, Esc and the title
    // bar's close button all say no. *neverAgain (may be null) is true only
    // when the box was ticked and the answer was Yes, so that a dismissed box
    // never switches its question off.
    static bool confirm(QWidget *parent, const QString &title, const QString &text,
                        bool *neverAgain);
    static QDialogButtonBox::StandardButton
    information(QWidget *parent, const QString &title, const QString &text,
                QDialogButtonBox::StandardButtons buttons = QDialogButtonBox::Ok,
                QDialogButtonBox::StandardButton defaultButton = QDialogButtonBox::NoButton);

private slots:
    void buttonClicked(QAbstractButton *button);
    void on_chkNeverAgainStateChanged(int state);

private:
    Ui::StyleMsg *m_ui = nullptr;
    QLabel *m_label = nullptr;
    QLabel *m_iconLabel = nullptr;
    QDialogButtonBox *m_buttonBox = nullptr;
    QCheckBox *m_checkBox = nullptr;
    bool *m_neverAgain = nullptr;
    QDialogButtonBox::StandardButton m_result = QDialogButtonBox::Cancel;
};

#endif
