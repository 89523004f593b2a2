// A look at the window framework: a main window with a dialog over it and a
// question over the dialog. With "--ready <file>" it writes the file once all
// three windows are on screen, so that a script can take the picture then.
#include "skinresources.h"
#include "styledialog.h"
#include "stylemsg.h"
#include "styletitle.h"
#include "stylewin.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QString readyFile;
    const QStringList args = app.arguments();
    const int at = args.indexOf(QStringLiteral("--ready"));
    if (at >= 0 && at + 1 < args.size())
        readyFile = args.at(at + 1);

    app.setStyleSheet(skinStyleSheet());

    StyleWin win(StyleTitle::CloseButton | StyleTitle::MinimizeButton | StyleTitle::MaximizeButton,
                 true);
    win.titleBar()->setTitle(QStringLiteral("Zandrevik"));
    QMenuBar *menu = win.menuBar();
    menu->addMenu(QStringLiteral("&File"));
    menu->addMenu(QStringLiteral("&Tool"));
    menu->addMenu(QStringLiteral("&Help"));
    QVBoxLayout *page = new QVBoxLayout(win.contentWidget());
    page->addWidget(new QLabel(QStringLiteral("Step1: Select Files"), win.contentWidget()));
    page->addStretch();
    win.statusBar()->showMessage(QStringLiteral("Ready"));
    win.setGeometry(30, 30, 700, 480);
    win.show();

    StyleDialog dialog(StyleTitle::CloseButton, true, &win);
    dialog.titleBar()->setTitle(QStringLiteral("Settings - Zandrevik"));
    QVBoxLayout *form = new QVBoxLayout(dialog.contentWidget());
    QGroupBox *group = new QGroupBox(QStringLiteral("Confirmations"), dialog.contentWidget());
    QFormLayout *fields = new QFormLayout(group);
    fields->addRow(QStringLiteral("Log file:"), new QLineEdit(QStringLiteral("process.log")));
    fields->addRow(QStringLiteral("Log lines:"), new QSpinBox);
    fields->addRow(new QCheckBox(QStringLiteral("Ask before removing files")));
    form->addWidget(group);
    QHBoxLayout *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(new QPushButton(QStringLiteral("OK")));
    buttons->addWidget(new QPushButton(QStringLiteral("Cancel")));
    form->addLayout(buttons);
    dialog.setGeometry(250, 95, 440, 235);
    dialog.show();

    bool neverAgain = false;
    StyleMsg question(StyleMsg::Question, QStringLiteral("Zandrevik"),
                      QStringLiteral("Output folder does not exist, do you want to create it?"),
                      &neverAgain, QDialogButtonBox::Yes | QDialogButtonBox::No, &dialog);
    question.show();
    // Offset, so that the picture shows some of the dialog beneath.
    question.move(50, 300);

    QTimer poll;
    if (!readyFile.isEmpty()) {
        QObject::connect(&poll, &QTimer::timeout, &app, [&] {
            const QWidget *windows[] = {&win, &dialog, &question};
            for (const QWidget *w : windows) {
                if (!w->windowHandle() || !w->windowHandle()->isExposed())
                    return;
            }
            poll.stop();
            QFile ready(readyFile);
            if (ready.open(QIODevice::WriteOnly))
                ready.write("ready\n");
        });
        poll.start(50);
    }
    return app.exec();
}
