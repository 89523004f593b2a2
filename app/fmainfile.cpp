// FMainFile: Add Pictures, Add Folder, Remove, sorting, the information
// panel, and Save List and Load List (the scan lives in folderscan, the list
// file's rules in photolist).
#include "fmainfile.h"
#include "ui_ufmainfile.h"

#include "appsettings.h"
#include "askedquestion.h"
#include "cfiledelegate.h"
#include "cfilemodel.h"
#include "dialogs.h"
#include "fileman.h"
#include "folderscan.h"
#include "image/sn_image.h"
#include "photolist.h"
#include "stamptext.h"
#include "startfolder.h"
#include "stylemsg.h"

#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QScrollBar>
#include <QStandardPaths>

#include <sys/stat.h>

FMainFile::FMainFile(QWidget *parent, Qt::WindowFlags flags) : QWidget(parent, flags)
{
    m_ui = new Ui::UFMainFile;
    m_ui->setupUi(this);
    m_ui->gpbView->hide();

    m_model = new CFileModel(this);
    m_ui->lvFile->setModel(m_model);
    // Every row has the delegate's one height; with thousands of files the
    // view must not measure each of them.
    m_ui->lvFile->setUniformItemSizes(true);
    m_delegate = new CFileDelegate(this);
    m_ui->lvFile->setItemDelegate(m_delegate);

    connect(m_ui->btnLoad, &QPushButton::clicked, this, &FMainFile::on_btnLoadClicked);
    connect(m_ui->btnSave, &QPushButton::clicked, this, &FMainFile::on_btnSaveClicked);
    connect(m_ui->btnAddPic, &QPushButton::clicked, this, &FMainFile::on_btnAddPicClicked);
    connect(m_ui->btnAddFolder, &QPushButton::clicked, this, &FMainFile::on_btnAddFolderClicked);
    connect(m_ui->btnRemove, &QPushButton::clicked, this, &FMainFile::on_btnRemoveClicked);
    connect(m_ui->btnRemoveAll, &QPushButton::clicked, this, &FMainFile::on_btnRemoveAllClicked);
    connect(m_ui->rbViewThumbnail, &QRadioButton::toggled, this, &FMainFile::on_rbViewToggled);
    connect(m_ui->rbViewList, &QRadioButton::toggled, this, &FMainFile::on_rbViewToggled);
    connect(m_ui->rbSortName, &QRadioButton::toggled, this, &FMainFile::on_rbSortToggled);
    connect(m_ui->rbSortSize, &QRadioButton::toggled, this, &FMainFile::on_rbSortToggled);
    connect(m_ui->rbSortDate, &QRadioButton::toggled, this, &FMainFile::on_rbSortToggled);
    connect(m_ui->chbSortDirection, &QCheckBox::clicked, this,
            &FMainFile::on_chbSortDirectionClicked);
    connect(m_ui->lvFile, &QListView::clicked, this, &FMainFile::on_tvFileClicked);
    connect(m_ui->lvFile, &QListView::activated, this, &FMainFile::on_tvFileClicked);
    connect(m_ui->lvFile->verticalScrollBar(), &QScrollBar::valueChanged, m_model,
            &CFileModel::scrollBarValueChanged);
    connect(m_model, &CFileModel::fileInfoReady, this, &FMainFile::onFileInfoReady);

    on_rbViewToggled(true);
    m_modified = false;
    m_lastFolder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    updateFileInfo();
}

FMainFile::~FMainFile()
{
    delete m_ui;
}

void FMainFile::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        m_ui->retranslateUi(this);
        updateFileInfo();
    }
    QWidget::changeEvent(event);
}

bool FMainFile::stopThumbnails(int timeoutMs)
{
    return m_model->stopThumbnails(timeoutMs);
}

void FMainFile::setBusy(bool busy)
{
    m_ui->btnAddPic->setEnabled(!busy);
    m_ui->btnAddFolder->setEnabled(!busy);
    m_ui->btnRemove->setEnabled(!busy);
    m_ui->btnRemoveAll->setEnabled(!busy);
    m_ui->btnLoad->setEnabled(!busy);
    m_ui->gbpSort->setEnabled(!busy);
    m_ui->gpbView->setEnabled(!busy);
}

void FMainFile::on_btnAddPicClicked()
{
    QStringList names = Dialogs::getOpenFileNames(
        this, tr("Add Files - Zandrevik"), StartFolder::forPictures(m_lastFolder),
        tr("All Files (*);;Windows Bitmap (*.bmp *.dib);;GIF (*.gif);;JPEG (*.jpg "
           "*.jpeg);;TIFF (*.tif *.tiff);;Portable Graphics PNG (*.png)"));
    if (names.isEmpty())
        return;
    m_model->cancelThumbnails();
    for (const QString &name : qAsConst(names)) {
        QByteArray path = QFile::encodeName(name);
        struct stat st;
        if (stat(path.constData(), &st) != 0 || S_ISDIR(st.st_mode) ||
            !isSupportedImageFile(path.constData()))
            continue;
        m_model->addFile(path.constData(), (unsigned)st.st_size, (int)st.st_mtime, false);
        m_modified = true;
    }
    m_model->refresh();
    const QString &first = names.first();
    int cut = first.lastIndexOf(QLatin1Char('/'));
    if (cut < 0)
        cut = first.lastIndexOf(QLatin1Char('\\'));
    m_lastFolder = cut < 0 ? first : first.left(cut);
    updateFileInfo();
}

void FMainFile::on_btnAddFolderClicked()
{
    QString folder = Dialogs::getExistingDirectory(
        this, tr("Add Folder - Zandrevik"), StartFolder::forPictures(m_lastFolder),
        QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    if (folder.isEmpty())
        return;
    m_model->cancelThumbnails();
    m_model->beginBulkAdd();
    if (folderScan(QFile::encodeName(folder).constData(),
                   [this](const char *path, const struct stat &st) {
                       m_model->addFile(path, (unsigned)st.st_size, (int)st.st_mtime, false);
                   }) > 0)
        m_modified = true;
    m_model->endBulkAdd();
    m_model->refresh();
    m_lastFolder = folder;
    updateFileInfo();
}

void FMainFile::on_btnRemoveClicked()
{
    if (m_model->removeChecked()) {
        updateFileInfo();
        m_modified = true;
    }
}

void FMainFile::on_btnRemoveAllClicked()
{
    if (m_model->removeAll()) {
        updateFileInfo();
        m_modified = true;
    }
}

void FMainFile::on_rbViewToggled(bool)
{
    m_model->cancelThumbnails();
    int mode = -1;
    if (m_ui->rbViewThumbnail->isChecked())
        mode = 1;
    else if (m_ui->rbViewList->isChecked())
        mode = 0;
    if (mode >= 0) {
        m_model->setViewMode(mode);
        m_delegate->setViewMode(mode);
    }
    m_model->refresh();
}

void FMainFile::on_rbSortToggled(bool)
{
    updateSort();
}

void FMainFile::on_chbSortDirectionClicked()
{
    updateSort();
}

void FMainFile::updateSort()
{
    bool descending = m_ui->chbSortDirection->isChecked();
    int type = 0;
    if (m_ui->rbSortName->isChecked())
        type = FILEMAN_SORT_NAME;
    else if (m_ui->rbSortDate->isChecked())
        type = FILEMAN_SORT_DATE;
    else if (m_ui->rbSortSize->isChecked())
        type = FILEMAN_SORT_SIZE;
    if (type)
        m_model->sortFiles(type, descending);
}

void FMainFile::on_tvFileClicked(const QModelIndex &index)
{
    fileman_t *list = m_model->list();
    if (!index.isValid() || index.row() == fileman_get_current(list))
        return;
    fileman_set_current(list, index.row());
    updateFileInfo();
}

void FMainFile::clearFileInfo()
{
    m_ui->lbPreview->clear();
    m_ui->lbPicInfo->clear();
}

void FMainFile::updateFileInfo()
{
    fileman_t *list = m_model->list();
    int count = fileman_count(list);
    m_ui->lbTotal->setText(count == 0 ? QString() : QStringLiteral("Total: %1 files").arg(count));

    fileman_item_t *item = fileman_get(list, fileman_get_current(list));
    if (!item) {
        m_infoTicket = 0;
        m_infoPath.clear();
        clearFileInfo();
        return;
    }
    // The picture is made on the worker; a panel still showing another file
    // is emptied meanwhile rather than left describing the wrong one.
    if (m_infoPath != item->path)
        clearFileInfo();
    m_infoPath = item->path;
    m_infoMtime = item->mtime;
    m_infoTicket = m_model->requestFileInfo(item->path);
    if (!m_infoTicket)
        clearFileInfo();
}

void FMainFile::onFileInfoReady(quint64 ticket, const QImage &picture, int width, int height,
                                int format)
{
    if (ticket == 0 || ticket != m_infoTicket)
        return;
    m_infoTicket = 0;
    QString path = QString::fromUtf8(m_infoPath);
    QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    if (picture.isNull()) {
        // The decode failed: say so rather than leave the panel blank.
        clearFileInfo();
        m_ui->lbPicInfo->setText(tr("Name: %1\nThis file cannot be read.").arg(name));
        return;
    }
    QString size = format_file_size(QFileInfo(QFile::decodeName(m_infoPath)).size());
    QString extension = QString::fromUtf8(sn_image_format_ext(format));
    if (extension.startsWith(QLatin1Char('.')))
        extension.remove(0, 1);
    time_t mtime = (time_t)m_infoMtime;
    struct tm local;
    QString date = localtime_r(&mtime, &local) ? format_file_date(&local) : QString();
    QString dimensions = QStringLiteral("%1x%2").arg(width).arg(height);

    m_ui->lbPreview->setPixmap(QPixmap::fromImage(picture));
    m_ui->lbPicInfo->setText(tr("Name: %1\nSize: %2\nFormat: %3\nDate: %4\nDimensions: %5")
                                 .arg(name, size, extension.toUpper(), date, dimensions));
}

bool FMainFile::saveFileList()
{
    // The question about an existing file is asked below, with its
    // never-again box: the dialog does not ask it first.
    QString name = Dialogs::getSaveFileName(
        this, tr("Save Photo List - Zandrevik"),
        StartFolder::proposedName(StartFolder::FileList, QStringLiteral("Zandrevik.zvl")),
        tr("Zandrevik List File (*.zvl);;All Files (*)"), QFileDialog::DontConfirmOverwrite);
    if (name.isEmpty())
        return false;
    StartFolder::remember(StartFolder::FileList, name);
    if (QFileInfo::exists(name) &&
        !askedQuestionGoesOn(this, tr("Zandrevik"),
                             tr("File already exists, do you want to overwrite?"),
                             &g_appsettings.ask_save_filelist_overwrite))
        return false;

    // Written beside the target and renamed over it only when complete, so
    // that a full disk never leaves half a list in place of the old one.
    QSaveFile file(name);
    // Unbuffered, so that a failing write is seen here and not lost in a
    // flush that the commit does not check.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        StyleMsg::critical(this, tr("Zandrevik"), QStringLiteral("Open file FAILED!"));
        return false;
    }
    fileman_t *list = m_model->list();
    int count = fileman_count(list);
    QByteArray bytes;
    QStringList left;
    for (int i = 0; i < count; i++) {
        fileman_item_t *item = fileman_get(list, i);
        if (!item)
            continue;
        const QByteArray path(item->path);
        // A name that would load back as another one, or not at all, is left
        // out and shown, not written to be lost on the way back.
        if (!photoListReadsBack(path)) {
            left << QString::fromUtf8(path);
            continue;
        }
        bytes.append(path);
        bytes.append("\r\n");
    }
    bool written = file.write(bytes) == bytes.size();
    if (!written)
        file.cancelWriting();
    if (!written || !file.commit()) {
        StyleMsg::critical(this, tr("Zandrevik"), QStringLiteral("Write file FAILED!"));
        return false;
    }
    if (!left.isEmpty()) {
        StyleMsg::warning(this, tr("Zandrevik"),
                          tr("These file names cannot be read back from a list file, so the "
                             "list was saved without them:") +
                              QLatin1Char('\n') + left.join(QLatin1Char('\n')));
    }
    m_modified = false;
    return true;
}

void FMainFile::on_btnSaveClicked()
{
    saveFileList();
}

void FMainFile::askSaveFileList(bool *cancel)
{
    if (cancel)
        *cancel = false;
    if (!m_modified)
        return;
    QDialogButtonBox::StandardButtons buttons = QDialogButtonBox::Yes | QDialogButtonBox::No;
    if (cancel)
        buttons |= QDialogButtonBox::Cancel;
    bool never = false;
    QDialogButtonBox::StandardButton answer = StyleMsg::question(
        this, tr("Zandrevik"), tr("File list has been modified, do you want to save it?"), &never,
        buttons);
    // Esc and the close button leave the result at Cancel: the box was
    // dismissed, not answered, so it does not switch itself off.
    const bool answered = answer == QDialogButtonBox::Yes || answer == QDialogButtonBox::No;
    if (never && answered) {
        g_appsettings.ask_save_filelist = 0;
        appsettings_save_default();
    }
    bool saved = true;
    if (answer == QDialogButtonBox::Yes)
        saved = saveFileList();
    if (cancel &&
        (answer == QDialogButtonBox::Cancel || (answer == QDialogButtonBox::Yes && !saved)))
        *cancel = true;
}

void FMainFile::on_btnLoadClicked()
{
    if (appsettings_asks(g_appsettings.ask_save_filelist)) {
        bool cancel = false;
        askSaveFileList(&cancel);
        if (cancel)
            return;
    }
    QString name = Dialogs::getOpenFileName(this, tr("Choose Photo List File - Zandrevik"),
                                            StartFolder::forKind(StartFolder::FileList),
                                            tr("All Files (*);;Photo List Files (*.pls)"));
    if (name.isEmpty())
        return;
    StartFolder::remember(StartFolder::FileList, name);

    // The whole file is read before the list is touched: a file that cannot
    // be read, or is no list of paths (paths hold no NUL byte), changes
    // nothing.
    // Only a regular file: opening a FIFO would block the interface until a
    // writer comes, and a device such as /dev/zero never ends.
    QByteArray bytes;
    if (!photoListRead(name, &bytes)) {
        StyleMsg::critical(this, tr("Zandrevik"), QStringLiteral("Open file FAILED!"));
        updateFileInfo();
        return;
    }

    m_model->removeAll();
    m_model->cancelThumbnails();
    m_model->beginBulkAdd();
    for (const QByteArray &path : photoListPaths(bytes)) {
        struct stat st;
        if (stat(path.constData(), &st) != 0 || S_ISDIR(st.st_mode) ||
            !isSupportedImageFile(path.constData()))
            continue;
        m_model->addFile(path.constData(), (unsigned)st.st_size, (int)st.st_mtime, false);
    }
    m_model->endBulkAdd();
    m_model->refresh();
    updateFileInfo();
    m_modified = false;
}
