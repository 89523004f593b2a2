// FOptions: the settings dialog. Language, the line limit of the Step 4 log
// view, the log file and the confirmations; OK stores them into the
// application settings and saves the file.
#ifndef FOPTIONS_H
#define FOPTIONS_H

#include "styledialog.h"

namespace Ui
{
class UOptions;
}

class FOptions : public StyleDialog
{
    Q_OBJECT

public:
    explicit FOptions(QWidget *parent = nullptr);
    ~FOptions() override;

    // Corrects the controls in place: the line limit into 100..15000, and
    // "Save Log to File:" off when no file is named. Always true.
    bool validate();

private slots:
    void on_buttonBox_accepted();
    void on_chkSaveLog_toggled(bool checked);
    void on_btnChooseLogFile_clicked();
    void on_resetAllConfirms();

private:
    Ui::UOptions *m_ui;
};

#endif
