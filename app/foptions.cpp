// FOptions: the settings dialog. It reads the settings block once when built
// and writes it on OK (the reset of the questions writes at once, in memory).
#include "foptions.h"

#include "appsettings.h"
#include "appstyle.h"
#include "clinelimitvalidator.h"
#include "dialogs.h"
#include "startfolder.h"
#include "stylemsg.h"
#include "styletitle.h"
#include "ui_uoptions.h"

#include <QDir>
#include <QRegularExpression>

FOptions::FOptions(QWidget *parent) : StyleDialog(1, true, parent), m_ui(new Ui::UOptions)
{
    m_ui->setupUi(contentWidget());
    titleBar()->setTitle(tr("Settings - Zandrevik"));

    connect(m_ui->btnChooseLogFile, &QPushButton::clicked, this,
            &FOptions::on_btnChooseLogFile_clicked);
    connect(m_ui->chkSaveLog, &QCheckBox::toggled, this, &FOptions::on_chkSaveLog_toggled);
    connect(m_ui->btnResetAllConfirms, &QPushButton::clicked, this, &FOptions::on_resetAllConfirms);
    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &FOptions::on_buttonBox_accepted);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &FOptions::reject);

    m_ui->edtMaxLogline->setValidator(new CLineLimitValidator(100, 10000, this));
    m_ui->edtMaxLogline->setText(QString::number(g_appsettings.max_log_lines));

    if (g_appsettings.log_filename[0]) {
        m_ui->chkSaveLog->setChecked(true);
        m_ui->edtLogFile->setText(QString::fromUtf8(g_appsettings.log_filename));
    } else {
        m_ui->chkSaveLog->setChecked(false);
        m_ui->edtLogFile->setEnabled(false);
        m_ui->btnChooseLogFile->setEnabled(false);
    }
    m_ui->chkDisableAllConfirms->setChecked(g_appsettings.disable_all_confirms != 0);

    m_ui->cmbLang->addItem(tr("Default"));
    const QStringList files =
        QDir(languageFolder())
            .entryList(QStringList(QStringLiteral("*.qm")), QDir::Files, QDir::Unsorted);
    static const QRegularExpression suffix(QStringLiteral(".qm$"));
    for (QString name : files)
        m_ui->cmbLang->addItem(name.remove(suffix), name);
    const int current = m_ui->cmbLang->findText(QString::fromUtf8(g_appsettings.lang_filename),
                                                Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (current >= 0)
        m_ui->cmbLang->setCurrentIndex(current);
}

FOptions::~FOptions()
{
    delete m_ui;
}

bool FOptions::validate()
{
    QLineEdit *limit = m_ui->edtMaxLogline;
    if (limit->text().toInt() < 100)
        limit->setText(QStringLiteral("100"));
    if (limit->text().toInt() > 15000)
        limit->setText(QStringLiteral("15000"));
    if (m_ui->chkSaveLog->isChecked() && m_ui->edtLogFile->text().isEmpty())
        m_ui->chkSaveLog->setChecked(false);
    return true;
}

void FOptions::on_buttonBox_accepted()
{
    validate();
    g_appsettings.disable_all_confirms = m_ui->chkDisableAllConfirms->isChecked() ? 1 : 0;
    g_appsettings.max_log_lines = m_ui->edtMaxLogline->text().toInt();
    const QByteArray log =
        m_ui->chkSaveLog->isChecked() ? m_ui->edtLogFile->text().toUtf8() : QByteArray();
    copy_utf8_text(g_appsettings.log_filename, sizeof g_appsettings.log_filename, log.constData());
    // "Default" is a translated label: its item carries no language name.
    const QByteArray lang =
        m_ui->cmbLang->currentIndex() > 0 ? m_ui->cmbLang->currentText().toUtf8() : QByteArray();
    copy_utf8_text(g_appsettings.lang_filename, sizeof g_appsettings.lang_filename,
                   lang.constData());
    if (appsettings_save_default() != 0) {
        StyleMsg::critical(this, tr("Zandrevik"), QStringLiteral("Save settings FAILED!"),
                           QDialogButtonBox::Ok);
        return;
    }
    accept();
}

void FOptions::on_chkSaveLog_toggled(bool checked)
{
    m_ui->edtLogFile->setEnabled(checked);
    m_ui->btnChooseLogFile->setEnabled(checked);
}

void FOptions::on_btnChooseLogFile_clicked()
{
    // Beside the log file already set, else at home: a bare name would open
    // the dialog in whatever the working folder happens to be.
    const QString name =
        Dialogs::getSaveFileName(this, tr("Choose Log File - Zandrevik"),
                                 StartFolder::besideFile(m_ui->edtLogFile->text().trimmed(),
                                                         QStringLiteral("Zandrevik.txt")),
                                 tr("Text Files (*.txt);;Log Files (*.log);;All Files (*)"));
    if (!name.isEmpty())
        m_ui->edtLogFile->setText(name);
}

// The questions come back on at once, in memory only; the next save of the
// settings writes them.
void FOptions::on_resetAllConfirms()
{
    g_appsettings.ask_save_filelist = 1;
    g_appsettings.ask_save_filelist_overwrite = 1;
    g_appsettings.ask_create_output_folder = 1;
    g_appsettings.ask_empty_filterlist = 1;
}
