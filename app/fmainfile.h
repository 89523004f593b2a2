// FMainFile: the Step 1 page, the source files. It fills, sorts and prunes
// the engine's file list through the file model, shows the current file in
// the information panel, and reads and writes file list files.
#ifndef FMAINFILE_H
#define FMAINFILE_H

#include <QImage>
#include <QModelIndex>
#include <QWidget>

namespace Ui
{
class UFMainFile;
}
class CFileModel;
class CFileDelegate;

class FMainFile : public QWidget
{
    Q_OBJECT

public:
    explicit FMainFile(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~FMainFile() override;

    // Refreshes the file count and the current file's details.
    void updateFileInfo();
    // Stops the thumbnail worker within timeoutMs; once, at shutdown, before
    // the list goes. False when a task was still at work.
    bool stopThumbnails(int timeoutMs = 12000);
    // Offers to save a modified list; *cancel comes back set when the window
    // must stay open. Null cancel: no Cancel button.
    void askSaveFileList(bool *cancel);
    // True when the list was written.
    bool saveFileList();

public slots:
    // While the batch is not idle nothing may change the list.
    void setBusy(bool busy);
    void on_btnLoadClicked();
    void on_btnSaveClicked();

protected:
    void changeEvent(QEvent *event) override;

private slots:
    void on_btnAddPicClicked();
    void on_btnAddFolderClicked();
    void on_btnRemoveClicked();
    void on_btnRemoveAllClicked();
    void on_rbViewToggled(bool checked);
    void on_rbSortToggled(bool checked);
    void on_chbSortDirectionClicked();
    void on_tvFileClicked(const QModelIndex &index);
    void updateSort();
    void onFileInfoReady(quint64 ticket, const QImage &picture, int width, int height, int format);

private:
    void clearFileInfo();

    Ui::UFMainFile *m_ui = nullptr;
    CFileModel *m_model = nullptr;
    CFileDelegate *m_delegate = nullptr;
    bool m_modified = false;
    QString m_lastFolder;
    // The file the information panel shows or waits for.
    quint64 m_infoTicket = 0;
    QByteArray m_infoPath;
    qint64 m_infoMtime = 0;
};

#endif
