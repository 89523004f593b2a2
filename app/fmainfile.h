// FMainFile: the Step 1 page, the source files.
#ifndef FMAINFILE_H
#define FMAINFILE_H

#include <QWidget>

class FMainFile : public QWidget
{
    Q_OBJECT

public:
    explicit FMainFile(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~FMainFile() override;

    // Refreshes the file count and the current file's details.
    void updateFileInfo();
    // Stops the thumbnail worker; once, at shutdown, before the list goes.
    void stopThumbnails();
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
};

#endif
