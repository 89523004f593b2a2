// FAbout: its title and texts (the version in place of the placeholder, our
// own addresses as in appinfo.h), the ways it ends, and that one box serves
// every opening.
#include "appinfo.h"
#include "fabout.h"
#include "styletitle.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTranslator>
#include <QtTest>

class FAboutTest : public QObject
{
    Q_OBJECT

private slots:
    void titleAndTexts();
    void endsByOkCloseAndEsc();
    void oneBoxServesEveryOpening();
    void germanTexts();
};

static QLabel *label(FAbout &about, const char *name)
{
    QLabel *l = about.findChild<QLabel *>(QLatin1String(name));
    if (!l)
        qFatal("no %s", name);
    return l;
}

void FAboutTest::titleAndTexts()
{
    FAbout about;
    QCOMPARE(about.windowTitle(), QStringLiteral("About - Zandrevik"));
    QCOMPARE(about.titleBar()->title(), QStringLiteral("About - Zandrevik"));
    const QString title = label(about, "lbTitle")->text();
    QVERIFY(title.contains(QStringLiteral("version " ZV_VERSION)));
    QVERIFY(title.contains(QStringLiteral(ZV_PRODUCT_NAME)));
    QVERIFY(!title.contains(QStringLiteral("AAAAAA")));
    const QString home = label(about, "lbHomepage")->text();
    QVERIFY(home.contains(QStringLiteral("href=\"" ZV_HOME_PAGE_URL "\"")));
    QVERIFY(home.contains(QStringLiteral("Homepage: ")));
    const QString mail = label(about, "lbEmail")->text();
    QVERIFY(mail.contains(QStringLiteral("href=\"mailto:" ZV_MAIL "\"")));
    QVERIFY(mail.contains(QStringLiteral("Email: ")));
    QVERIFY(label(about, "lbCopyright")->text().contains(QStringLiteral("Zandrevik developers")));
    // Clicking a link does nothing.
    QVERIFY(!label(about, "lbHomepage")->openExternalLinks());
    QVERIFY(!label(about, "lbEmail")->openExternalLinks());
    QVERIFY(label(about, "lbLogo")->hasScaledContents());
    QCOMPARE(label(about, "lbLogo")->maximumSize(), QSize(86, 86));
}

void FAboutTest::endsByOkCloseAndEsc()
{
    FAbout about;
    struct Case {
        const char *what;
        int result;
        std::function<void()> end;
    } cases[] = {
        {"OK", QDialog::Accepted,
         [&] { about.findChild<QPushButton *>(QStringLiteral("btnOK"))->click(); }},
        {"close button", QDialog::Rejected,
         [&] {
             about.titleBar()->findChild<QPushButton *>(QStringLiteral("btnTBClose"))->click();
         }},
        {"Esc", QDialog::Rejected, [&] { QTest::keyClick(&about, Qt::Key_Escape); }},
    };
    for (const Case &c : cases) {
        bool ran = false;
        QTimer::singleShot(0, &about, [&] {
            ran = true;
            c.end();
        });
        // A box that did not end would hang here; the timer fails it instead.
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, &about, &QDialog::reject);
        guard.start(10000);
        const int result = about.exec();
        QVERIFY2(guard.isActive(), c.what);
        QVERIFY2(ran, c.what);
        QVERIFY2(result == c.result, c.what);
        QVERIFY2(!about.isVisible(), c.what);
    }
}

// The main window keeps its one box; opening it again shows the same texts.
void FAboutTest::oneBoxServesEveryOpening()
{
    QWidget main;
    FAbout *about = new FAbout(&main);
    for (int i = 0; i < 2; ++i) {
        about->show();
        QVERIFY(about->isVisible());
        about->findChild<QPushButton *>(QStringLiteral("btnOK"))->click();
        QVERIFY(!about->isVisible());
        QVERIFY(label(*about, "lbTitle")->text().contains(QStringLiteral("version " ZV_VERSION)));
    }
    QCOMPARE(main.findChildren<FAbout *>().size(), 1);
}

void FAboutTest::germanTexts()
{
    const QString qm =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../app/language/de_DE.qm");
    if (!QFile::exists(qm))
        QSKIP("the translations are not built");
    QTranslator german;
    QVERIFY(german.load(qm));
    QCoreApplication::installTranslator(&german);
    {
        FAbout about;
        QCOMPARE(about.windowTitle(), QStringLiteral("Über - Zandrevik"));
        const QString title = label(about, "lbTitle")->text();
        QVERIFY(title.contains(QStringLiteral("Version " ZV_VERSION)));
        QVERIFY(!title.contains(QStringLiteral("AAAAAA")));
        QVERIFY(label(about, "lbEmail")->text().contains(QStringLiteral("E-Mail: " ZV_MAIL)));
    }
    QCoreApplication::removeTranslator(&german);
}

QTEST_MAIN(FAboutTest)
#include "fabout_test.moc"
