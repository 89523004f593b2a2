// FMainOutput: the Step 3 page. Writes its controls into the engine's output
// settings (holding their lock only while fields are stored), builds the
// example name into its own buffer, and edits the file-name template with the
// keyword menu and the keyword removal.
#include "fmainoutput.h"

#include "appsettings.h"
#include "dialogs.h"
#include "finputcounter.h"
#include "finputdatetime.h"
#include "image/sn_image.h"
#include "photobatch.h"
#include "ui_ufmainoutput.h"

#include <string.h>

#include <QEvent>
#include <QMenu>

namespace
{

// The combo box's items, by position; their texts are translated, so only
// the position says which format an item is.
const int k_format_ids[] = {SN_IMAGE_FORMAT_BMP, SN_IMAGE_FORMAT_GIF, SN_IMAGE_FORMAT_JPEG,
                            SN_IMAGE_FORMAT_PNG, SN_IMAGE_FORMAT_TIFF};
const int k_format_count = sizeof k_format_ids / sizeof k_format_ids[0];
const int k_jpeg_item = 2;

// text in 8 bits, cut to the record's field without splitting a multi-byte
// character.
void copy_text(char *field, const QString &text)
{
    copy_utf8_text(field, OUTPUTCONFIG_TEXT_SIZE, text.toUtf8().constData());
}

} // namespace

FMainOutput::FMainOutput(QWidget *parent, Qt::WindowFlags flags)
    : QWidget(parent, flags), m_ui(new Ui::UFMainOutput)
{
    m_example[0] = '\0';
    m_ui->setupUi(this);
    m_ui->lbOverwriteWarn->setProperty("TextWarning", true);

    connect(m_ui->btnFolder, &QPushButton::clicked, this, &FMainOutput::on_btnFolderClicked);
    connect(m_ui->edtFolder, &QLineEdit::textChanged, this, &FMainOutput::on_edtFolderTextChanged);
    connect(m_ui->chkUseSource, &QCheckBox::toggled, this, &FMainOutput::on_chkUseSourceToggled);
    connect(m_ui->chkRenameFile, &QCheckBox::toggled, this, &FMainOutput::on_chkRenameFileToggled);
    connect(m_ui->edtFileNameMask, &QLineEdit::textChanged, this,
            &FMainOutput::on_edtFileNameMaskTextChanged);
    connect(m_ui->btnFileNameMask, &QPushButton::clicked, this,
            &FMainOutput::on_btnFileNameMaskClicked);
    connect(m_ui->btnFileNameMaskRemove, &QPushButton::clicked, this,
            &FMainOutput::on_btnFileNameMaskRemoveClicked);
    connect(m_ui->cmbFormat, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &FMainOutput::on_cmbFormatCurrentIndexChanged);
    connect(m_ui->sbQuality, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &FMainOutput::on_sbQualityValueChanged);
    connect(m_ui->chkTransparent, &QCheckBox::toggled, this,
            &FMainOutput::on_chkTransparentToggled);
    connect(m_ui->chkKeepFormat, &QCheckBox::toggled, this, &FMainOutput::on_chkKeepFormatToggled);
    connect(m_ui->chkMultiPage, &QCheckBox::toggled, this, &FMainOutput::on_chkMultiPageToggled);
    connect(m_ui->chkKeepAttr, &QCheckBox::toggled, this, &FMainOutput::on_chkKeepAttrToggled);
    connect(m_ui->chkDelSource, &QCheckBox::toggled, this, &FMainOutput::on_chkDelSourceToggled);
    connect(m_ui->sliderQuality, &QSlider::valueChanged, m_ui->sbQuality, &QSpinBox::setValue);
    connect(m_ui->sbQuality, QOverload<int>::of(&QSpinBox::valueChanged), m_ui->sliderQuality,
            &QSlider::setValue);

    m_ui->lbOverwriteWarn->setVisible(m_ui->chkUseSource->isChecked());
    m_ui->edtPreview->setEnabled(false);
    bool rename = m_ui->chkRenameFile->isChecked();
    m_ui->edtFileNameMask->setEnabled(rename);
    m_ui->btnFileNameMask->setEnabled(rename);
    m_ui->btnFileNameMaskRemove->setEnabled(rename);

    photobatch_t *batch = photobatch_get_instance();
    m_config = batch ? photobatch_get_outputconfig(batch) : nullptr;
    m_list = batch ? photobatch_get_fileman(batch) : nullptr;
    m_loading = false;

    m_ui->cmbFormat->setCurrentIndex(k_jpeg_item);
    updateConfig();

    createMenu();

    m_ui->chkMultiPage->hide();
    m_ui->chkKeepFormat->hide();
}

FMainOutput::~FMainOutput()
{
    delete m_ui;
}

void FMainOutput::createMenu()
{
    m_menu = new QMenu(this);
    m_actFilename = m_menu->addAction(QString());
    connect(m_actFilename, &QAction::triggered, this, &FMainOutput::onFilename);
    m_actFilefolder = m_menu->addAction(QString());
    connect(m_actFilefolder, &QAction::triggered, this, &FMainOutput::onFilefolder);
    m_actFileext = m_menu->addAction(QString());
    connect(m_actFileext, &QAction::triggered, this, &FMainOutput::onFileext);
    m_actCounter = m_menu->addAction(QString());
    connect(m_actCounter, &QAction::triggered, this, &FMainOutput::onCounter);
    m_actDatetime = m_menu->addAction(QString());
    connect(m_actDatetime, &QAction::triggered, this, &FMainOutput::onDatetime);
    retranslateMenu();
}

void FMainOutput::retranslateMenu()
{
    m_actFilename->setText(tr("Source File Name"));
    m_actFilefolder->setText(tr("Source Folder Name"));
    m_actFileext->setText(tr("Source Extension"));
    m_actCounter->setText(tr("Counter"));
    m_actDatetime->setText(tr("Data / Time"));
}

void FMainOutput::updateConfig()
{
    if (m_loading || !m_config)
        return;

    int item = m_ui->cmbFormat->currentIndex();
    bool known = item >= 0 && item < k_format_count;
    if (known) {
        int id = k_format_ids[item];
        bool quality = id == SN_IMAGE_FORMAT_JPEG;
        m_ui->sliderQuality->setEnabled(quality);
        m_ui->sbQuality->setEnabled(quality);
        m_ui->chkTransparent->setEnabled(id != SN_IMAGE_FORMAT_BMP && id != SN_IMAGE_FORMAT_JPEG);
    }

    // Everything is read from the controls first, so that the lock covers
    // plain stores and nothing else.
    outputconfig_t fields;
    copy_text(fields.output_folder, m_ui->edtFolder->text());
    copy_text(fields.filename_template,
              m_ui->chkRenameFile->isChecked() ? m_ui->edtFileNameMask->text() : QString());
    fields.use_source_folder = m_ui->chkUseSource->isChecked() ? 1 : 0;
    fields.quality = m_ui->sbQuality->value();
    fields.transparent = m_ui->chkTransparent->isChecked() ? 1 : 0;
    fields.keep_source_format = m_ui->chkKeepFormat->isChecked() ? 1 : 0;
    fields.keep_attribute = m_ui->chkKeepAttr->isChecked() ? 1 : 0;
    fields.delete_source = m_ui->chkDelSource->isChecked() ? 1 : 0;

    outputconfig_lock(m_config);
    if (known)
        m_config->format = k_format_ids[item];
    memcpy(m_config->output_folder, fields.output_folder, sizeof fields.output_folder);
    m_config->use_source_folder = fields.use_source_folder;
    memcpy(m_config->filename_template, fields.filename_template, sizeof fields.filename_template);
    m_config->quality = fields.quality;
    m_config->transparent = fields.transparent;
    m_config->keep_source_format = fields.keep_source_format;
    m_config->keep_attribute = fields.keep_attribute;
    m_config->delete_source = fields.delete_source;
    outputconfig_unlock(m_config);

    QByteArray source;
    if (m_list && fileman_count(m_list) > 0) {
        if (fileman_item_t *first = fileman_get(m_list, 0))
            source = first->path;
    }
    const char *name =
        outputconfig_get_write_name(m_config, source.constData(), 0, m_example, sizeof m_example);
    m_ui->edtPreview->setText(name ? QString::fromUtf8(name) : QString());
}

void FMainOutput::loadConfig()
{
    if (!m_config)
        return;
    outputconfig_t record;
    if (outputconfig_copy(m_config, &record) != 0)
        return;
    record.output_folder[OUTPUTCONFIG_TEXT_SIZE - 1] = '\0';
    record.filename_template[OUTPUTCONFIG_TEXT_SIZE - 1] = '\0';

    m_loading = true;
    m_ui->edtFolder->setText(QString::fromUtf8(record.output_folder));
    m_ui->chkUseSource->setChecked(record.use_source_folder != 0);
    if (record.filename_template[0] != '\0') {
        m_ui->edtFileNameMask->setEnabled(true);
        m_ui->edtFileNameMask->setText(QString::fromUtf8(record.filename_template));
        m_ui->chkRenameFile->setChecked(true);
    } else {
        m_ui->edtFileNameMask->setEnabled(false);
        m_ui->chkRenameFile->setChecked(false);
    }
    m_ui->sliderQuality->setValue(record.quality);
    m_ui->chkTransparent->setChecked(record.transparent != 0);
    m_ui->chkKeepFormat->setChecked(record.keep_source_format != 0);
    m_ui->chkKeepAttr->setChecked(record.keep_attribute != 0);
    m_ui->chkDelSource->setChecked(record.delete_source != 0);
    int item = -1;
    for (int i = 0; i < k_format_count; i++) {
        if (k_format_ids[i] == record.format)
            item = i;
    }
    m_ui->cmbFormat->setCurrentIndex(item);
    m_loading = false;

    updateConfig();
}

void FMainOutput::setBusy(bool busy)
{
    // A run names and writes its files from these settings; they hold still
    // until it ends.
    m_ui->gpbFolder->setEnabled(!busy);
    m_ui->gpbNames->setEnabled(!busy);
    m_ui->gpbFormat->setEnabled(!busy);
    m_ui->gpbMisc->setEnabled(!busy);
}

void FMainOutput::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
}

void FMainOutput::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        m_ui->retranslateUi(this);
        retranslateMenu();
    }
}

void FMainOutput::on_btnFolderClicked()
{
    QString folder =
        Dialogs::getExistingDirectory(this, tr("Choose output folder"), QString(),
                                      QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    if (!folder.isEmpty())
        m_ui->edtFolder->setText(folder);
}

void FMainOutput::on_edtFolderTextChanged(const QString &)
{
    updateConfig();
}

void FMainOutput::on_chkUseSourceToggled(bool checked)
{
    m_ui->lbOverwriteWarn->setVisible(checked);
    updateConfig();
}

void FMainOutput::on_chkRenameFileToggled(bool checked)
{
    m_ui->edtFileNameMask->setEnabled(checked);
    m_ui->btnFileNameMask->setEnabled(checked);
    m_ui->btnFileNameMaskRemove->setEnabled(checked);
    updateConfig();
}

void FMainOutput::on_edtFileNameMaskTextChanged(const QString &)
{
    updateConfig();
}

void FMainOutput::on_btnFileNameMaskClicked()
{
    QPushButton *button = m_ui->btnFileNameMask;
    m_menu->popup(button->mapToGlobal(QPoint(0, button->height())));
}

void FMainOutput::on_btnFileNameMaskRemoveClicked()
{
    QLineEdit *edit = m_ui->edtFileNameMask;
    QString t = edit->text();
    int c = edit->cursorPosition();
    // A cursor just behind a keyword's '>' counts as inside it.
    if (c > 0 && t.at(c - 1) == QLatin1Char('>'))
        c--;
    int a = t.indexOf(QLatin1Char('<'), c);
    int b = t.indexOf(QLatin1Char('>'), c);
    if (a >= 0 && a < b)
        b = -1;
    // lastIndexOf(x, -1) would search the whole text: nothing lies before 0.
    int d = c > 0 ? t.lastIndexOf(QLatin1Char('>'), c - 1) : -1;
    int m = c > 0 ? t.lastIndexOf(QLatin1Char('<'), c - 1) : -1;
    if (m >= 0 && m >= d && b >= 0) {
        t.remove(m, b - m + 1);
        edit->setText(t);
        edit->setCursorPosition(m);
    }
    updateConfig();
}

void FMainOutput::on_cmbFormatCurrentIndexChanged(int)
{
    updateConfig();
}

void FMainOutput::on_sbQualityValueChanged(int)
{
    updateConfig();
}

void FMainOutput::on_chkTransparentToggled(bool)
{
    updateConfig();
}

void FMainOutput::on_chkKeepFormatToggled(bool)
{
    updateConfig();
}

void FMainOutput::on_chkMultiPageToggled(bool)
{
    updateConfig();
}

void FMainOutput::on_chkKeepAttrToggled(bool)
{
    updateConfig();
}

void FMainOutput::on_chkDelSourceToggled(bool)
{
    updateConfig();
}

void FMainOutput::onFilename()
{
    m_ui->edtFileNameMask->insert(QStringLiteral("<Filename>"));
}

void FMainOutput::onFilefolder()
{
    m_ui->edtFileNameMask->insert(QStringLiteral("<Foldername>"));
}

void FMainOutput::onFileext()
{
    m_ui->edtFileNameMask->insert(QStringLiteral("<Extension>"));
}

void FMainOutput::onCounter()
{
    QString keyword;
    FInputCounter dialog(&keyword, this);
    if (dialog.exec() == QDialog::Accepted)
        m_ui->edtFileNameMask->insert(keyword);
}

void FMainOutput::onDatetime()
{
    QString keyword;
    FInputDatetime dialog(&keyword, this);
    if (dialog.exec() == QDialog::Accepted)
        m_ui->edtFileNameMask->insert(keyword);
}
