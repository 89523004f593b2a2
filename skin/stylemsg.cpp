// The message box: building it by kind, writing the never-again flag, and
// running one box modally for the static helpers.
#include "stylemsg.h"

#include "styletitle.h"
#include "ui_stylemsg.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

StyleMsg::StyleMsg(int kind, const QString &title, const QString &text, bool *neverAgain,
                   QDialogButtonBox::StandardButtons buttons, QWidget *parent)
    : StyleDialog(StyleTitle::CloseButton, false, parent)
{
    QWidget *content = contentWidget();
    m_ui = new Ui::StyleMsg;
    m_ui->setupUi(content);
    m_label = m_ui->qt_msgbox_label;
    m_iconLabel = m_ui->qt_msgboxex_icon_label;
    m_buttonBox = m_ui->qt_msgbox_buttonbox;

    m_label->setTextInteractionFlags(Qt::TextInteractionFlags(
        style()->styleHint(QStyle::SH_MessageBox_TextInteractionFlags, nullptr, content)));
    m_buttonBox->setCenterButtons(
        style()->styleHint(QStyle::SH_MessageBox_CenterButtons, nullptr, content) != 0);
    m_buttonBox->setStandardButtons(buttons);
    connect(m_buttonBox, &QDialogButtonBox::clicked, this, &StyleMsg::buttonClicked);

    if (neverAgain) {
        m_neverAgain = neverAgain;
        *m_neverAgain = false;
        m_checkBox = m_ui->qt_msgbox_checkbox;
        m_checkBox->setChecked(false);
        connect(m_checkBox, &QCheckBox::stateChanged, this,
                &StyleMsg::on_chkNeverAgainStateChanged);
        m_buttonBox->setContentsMargins(0, 4, 0, 0);
    } else {
        // Without a flag to write there is no check box, and the buttons
        // move up into its row.
        delete m_ui->qt_msgbox_checkbox;
        m_ui->qt_msgbox_checkbox = nullptr;
        m_ui->grid->removeWidget(m_buttonBox);
        m_ui->grid->addWidget(m_buttonBox, 1, 0, 1, 2);
    }

    if (!title.isEmpty() || !text.isEmpty()) {
        titleBar()->setTitle(title);
        m_label->setText(text);
    }

    setModal(true);
    switch (kind) {
    case Information:
        m_iconLabel->setObjectName(QStringLiteral("lbMsgIconInfo"));
        break;
    case Warning:
        m_iconLabel->setObjectName(QStringLiteral("lbMsgIconWarning"));
        break;
    case Critical:
        m_iconLabel->setObjectName(QStringLiteral("lbMsgIconCritical"));
        break;
    case Question:
        m_iconLabel->setObjectName(QStringLiteral("lbMsgIconQuestion"));
        break;
    default:
        break;
    }
    m_result = QDialogButtonBox::Cancel;
}

StyleMsg::~StyleMsg()
{
    delete m_ui;
}

void StyleMsg::buttonClicked(QAbstractButton *button)
{
    m_result = m_buttonBox->standardButton(button);
    accept();
}

void StyleMsg::on_chkNeverAgainStateChanged(int state)
{
    if (!m_neverAgain)
        return;
    if (state == Qt::Unchecked)
        *m_neverAgain = false;
    else if (state == Qt::Checked)
        *m_neverAgain = true;
}

QDialogButtonBox::StandardButton
StyleMsg::showMessage(QWidget *parent, int kind, const QString &title, const QString &text,
                      bool *neverAgain, QDialogButtonBox::StandardButtons buttons,
                      QDialogButtonBox::StandardButton defaultButton)
{
    StyleMsg box(kind, title, text, neverAgain, buttons, parent);
    QDialogButtonBox *buttonBox =
        box.findChild<QDialogButtonBox *>(QStringLiteral("qt_msgbox_buttonbox"));
    if (!buttonBox)
        return QDialogButtonBox::Cancel;
    if (QPushButton *button = buttonBox->button(defaultButton)) {
        button->setDefault(true);
        button->setFocus();
    }
    if (box.exec() == -1)
        return QDialogButtonBox::Cancel;
    return box.result();
}

QDialogButtonBox::StandardButton StyleMsg::critical(QWidget *parent, const QString &title,
                                                    const QString &text,
                                                    QDialogButtonBox::StandardButtons buttons,
                                                    QDialogButtonBox::StandardButton defaultButton)
{
    return showMessage(parent, Critical, title, text, nullptr, buttons, defaultButton);
}

QDialogButtonBox::StandardButton StyleMsg::warning(QWidget *parent, const QString &title,
                                                   const QString &text,
                                                   QDialogButtonBox::StandardButtons buttons,
                                                   QDialogButtonBox::StandardButton defaultButton)
{
    return showMessage(parent, Warning, title, text, nullptr, buttons, defaultButton);
}

QDialogButtonBox::StandardButton StyleMsg::question(QWidget *parent, const QString &title,
                                                    const QString &text, bool *neverAgain,
                                                    QDialogButtonBox::StandardButtons buttons,
                                                    QDialogButtonBox::StandardButton defaultButton)
{
    return showMessage(parent, Question, title, text, neverAgain, buttons, defaultButton);
}

QDialogButtonBox::StandardButton StyleMsg::question(QWidget *parent, const QString &title,
                                                    const QString &text,
                                                    QDialogButtonBox::StandardButtons buttons,
                                                    QDialogButtonBox::StandardButton defaultButton)
{
    return showMessage(parent, Question, title, text, nullptr, buttons, defaultButton);
}

bool StyleMsg::confirm(QWidget *parent, const QString &title, const QString &text, bool *neverAgain)
{
    bool ticked = false;
    const bool yes = showMessage(parent, Question, title, text, neverAgain ? &ticked : nullptr,
                                 QDialogButtonBox::Yes | QDialogButtonBox::No,
                                 QDialogButtonBox::NoButton) == QDialogButtonBox::Yes;
    if (neverAgain)
        *neverAgain = yes && ticked;
    return yes;
}

QDialogButtonBox::StandardButton
StyleMsg::information(QWidget *parent, const QString &title, const QString &text,
                      QDialogButtonBox::StandardButtons buttons,
                      QDialogButtonBox::StandardButton defaultButton)
{
    return showMessage(parent, Information, title, text, nullptr, buttons, defaultButton);
}
