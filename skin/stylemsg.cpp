// The message box: building it by kind, writing the never-again flag, and
// running one box modally for the static helpers.
#include "stylemsg.h"

#include "styletitle.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

StyleMsg::StyleMsg(int kind, const QString &title, const QString &text, bool *neverAgain,
                   QDialogButtonBox::StandardButtons buttons, QWidget *parent)
    : StyleDialog(StyleTitle::CloseButton, false, parent)
{
    QWidget *content = contentWidget();

    m_label = new QLabel(content);
    m_label->setObjectName(QStringLiteral("qt_msgbox_label"));
    m_label->setTextInteractionFlags(Qt::TextInteractionFlags(
        style()->styleHint(QStyle::SH_MessageBox_TextInteractionFlags, nullptr, content)));
    m_label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_label->setOpenExternalLinks(true);

    m_iconLabel = new QLabel(content);
    m_iconLabel->setObjectName(QStringLiteral("qt_msgboxex_icon_label"));
    m_iconLabel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    m_buttonBox = new QDialogButtonBox(content);
    m_buttonBox->setObjectName(QStringLiteral("qt_msgbox_buttonbox"));
    m_buttonBox->setCenterButtons(
        style()->styleHint(QStyle::SH_MessageBox_CenterButtons, nullptr, content) != 0);
    m_buttonBox->setStandardButtons(buttons);
    connect(m_buttonBox, &QDialogButtonBox::clicked, this, &StyleMsg::buttonClicked);

    if (neverAgain) {
        m_neverAgain = neverAgain;
        *m_neverAgain = false;
        m_checkBox = new QCheckBox(content);
        m_checkBox->setObjectName(QStringLiteral("qt_msgbox_checkbox"));
        m_checkBox->setChecked(false);
        m_checkBox->setText(tr("Never show this again!"));
        connect(m_checkBox, &QCheckBox::stateChanged, this,
                &StyleMsg::on_chkNeverAgainStateChanged);
    }

    QGridLayout *grid = new QGridLayout(content);
    grid->addWidget(m_iconLabel, 0, 0, Qt::AlignTop | Qt::AlignVCenter);
    grid->addWidget(m_label, 0, 1);
    if (m_checkBox) {
        grid->addWidget(m_checkBox, 1, 1);
        grid->addWidget(m_buttonBox, 2, 0, 1, 2);
        m_buttonBox->setContentsMargins(0, 4, 0, 0);
    } else {
        grid->addWidget(m_buttonBox, 1, 0, 1, 2);
    }
    grid->setSizeConstraint(QLayout::SetNoConstraint);

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

QDialogButtonBox::StandardButton
StyleMsg::information(QWidget *parent, const QString &title, const QString &text,
                      QDialogButtonBox::StandardButtons buttons,
                      QDialogButtonBox::StandardButton defaultButton)
{
    return showMessage(parent, Information, title, text, nullptr, buttons, defaultButton);
}
