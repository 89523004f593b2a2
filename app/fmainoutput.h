// FMainOutput: the Step 3 page. Its controls are the user's view of the
// engine's output settings: folder, file-name template with its keyword menu,
// format, quality and what happens to the sources. Every change is written
// into the settings at once and an example output name is shown.
#ifndef FMAINOUTPUT_H
#define FMAINOUTPUT_H

#include "fileman.h"
#include "outputconfig.h"

#include <QWidget>

class QAction;
class QMenu;

namespace Ui
{
class UFMainOutput;
}

class FMainOutput : public QWidget
{
    Q_OBJECT

public:
    explicit FMainOutput(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~FMainOutput() override;

    // Copies the controls into the output settings and shows an example name.
    void updateConfig();
    // Shows the output settings in the controls (after a profile load).
    void loadConfig();

public slots:
    void setBusy(bool busy);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private slots:
    void on_btnFolderClicked();
    void on_edtFolderTextChanged(const QString &text);
    void on_chkUseSourceToggled(bool checked);
    void on_chkRenameFileToggled(bool checked);
    void on_edtFileNameMaskTextChanged(const QString &text);
    void on_btnFileNameMaskClicked();
    void on_btnFileNameMaskRemoveClicked();
    void on_cmbFormatCurrentIndexChanged(int index);
    void on_sbQualityValueChanged(int value);
    void on_chkTransparentToggled(bool checked);
    void on_chkKeepFormatToggled(bool checked);
    void on_chkMultiPageToggled(bool checked);
    void on_chkKeepAttrToggled(bool checked);
    void on_chkDelSourceToggled(bool checked);
    void onFilename();
    void onFilefolder();
    void onFileext();
    void onCounter();
    void onDatetime();

private:
    void createMenu();
    void retranslateMenu();

    Ui::UFMainOutput *m_ui = nullptr;
    QMenu *m_menu = nullptr;
    QAction *m_actFilename = nullptr;
    QAction *m_actFilefolder = nullptr;
    QAction *m_actFileext = nullptr;
    QAction *m_actCounter = nullptr;
    QAction *m_actDatetime = nullptr;
    outputconfig_t *m_config = nullptr;
    fileman_t *m_list = nullptr;
    bool m_loading = false;
    // The example name is built here, never in a buffer the batch worker
    // may be using for a real output path.
    char m_example[OUTPUTCONFIG_TEXT_SIZE];
};

#endif
