// FAbout: the about box. Its texts come from the form; only the version is
// put in here, from appinfo.h.
#include "fabout.h"

#include "appinfo.h"
#include "styletitle.h"
#include "ui_uabout.h"

FAbout::FAbout(QWidget *parent) : StyleDialog(1, true, parent), m_ui(new Ui::UAbout)
{
    m_ui->setupUi(contentWidget());
    titleBar()->setTitle(tr("About - Zandrevik"));
    connect(m_ui->btnOK, &QPushButton::clicked, this, &FAbout::on_btnOK_clicked);
    QString title = m_ui->lbTitle->text();
    title.replace(QStringLiteral("AAAAAA"), QStringLiteral(ZV_VERSION));
    m_ui->lbTitle->setText(title);
}

FAbout::~FAbout()
{
    delete m_ui;
}

void FAbout::on_btnOK_clicked()
{
    done(QDialog::Accepted);
}
