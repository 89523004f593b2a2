// FAbout: the about box: logo, product name with maker and version, the
// copyright notice, the home page and the support address.
#ifndef FABOUT_H
#define FABOUT_H

#include "styledialog.h"

namespace Ui
{
class UAbout;
}

class FAbout : public StyleDialog
{
    Q_OBJECT

public:
    explicit FAbout(QWidget *parent = nullptr);
    ~FAbout() override;

private slots:
    void on_btnOK_clicked();

private:
    Ui::UAbout *m_ui;
};

#endif
