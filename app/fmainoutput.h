// FMainOutput: the Step 3 page, the output settings.
#ifndef FMAINOUTPUT_H
#define FMAINOUTPUT_H

#include <QWidget>

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
};

#endif
