// Where the main window's file dialogs start: profiles and file lists in the
// folder last used for their kind, else home; the photo dialogs in the last
// folder, else the pictures folder where it exists, else home. Never the
// working folder. The home folder is the test's own.
#include "appsettings.h"
#include "dialogs.h"
#include "fmain.h"
#include "fmainfile.h"
#include "msganswer.h"
#include "startfolder.h"
#include "zv_test.h"

#include "image/sn_image.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QtTest>

namespace
{

// Every file dialog records the folder it was given and answers the next
// name of its queue (nothing, as cancelled, once the queue is empty).
struct Seen {
    QStringList dirs;
    QStringList answers;

    QString answer(const QString &dir)
    {
        dirs << dir;
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
};

void hookDialogs(Seen *seen)
{
    Dialogs::Hooks &hooks = Dialogs::hooks();
    hooks.openFileName = [seen](QWidget *, const QString &, const QString &dir, const QString &) {
        return seen->answer(dir);
    };
    hooks.saveFileName = [seen](QWidget *, const QString &, const QString &dir, const QString &,
                                QFileDialog::Options) { return seen->answer(dir); };
    hooks.openFileNames = [seen](QWidget *, const QString &, const QString &dir, const QString &) {
        const QString name = seen->answer(dir);
        return name.isEmpty() ? QStringList() : QStringList{name};
    };
    hooks.existingDirectory = [seen](QWidget *, const QString &, const QString &dir,
                                     QFileDialog::Options) { return seen->answer(dir); };
}

void trigger(FMain &window, const QString &text)
{
    for (QAction *menu : window.menuBar()->actions())
        for (QAction *action : menu->menu()->actions())
            if (action->text() == text) {
                action->trigger();
                return;
            }
    QFAIL(qPrintable(text));
}

void click(FMain &window, const char *button)
{
    QPushButton *target = window.filePage()->findChild<QPushButton *>(QLatin1String(button));
    QVERIFY(target);
    QTest::mouseClick(target, Qt::LeftButton);
}

} // namespace

class StartFolderTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void profilesAndListsKeepTheirOwnFolders();
    void photosStartInTheLastFolderThenPicturesThenHome();

private:
    QString path(const QString &name) const
    {
        return QString::fromStdString(m_dir.file(name.toStdString()));
    }

    zvtest::TempDir m_dir;
    QString m_home;
};

void StartFolderTest::initTestCase()
{
    sn_image_init();
    m_home = path(QStringLiteral("home"));
    QVERIFY(QDir().mkpath(m_home));
    qputenv("HOME", QFile::encodeName(m_home));
    // No user-dirs file: the pictures folder is home's "Pictures".
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(path(QStringLiteral("config"))));
    QCOMPARE(QDir::homePath(), m_home);
    // The working folder is somewhere else entirely.
    QVERIFY(QDir::setCurrent(QDir::tempPath()));
    appsettings_init(QFile::encodeName(path(QStringLiteral("Zandrevik.conf"))).constData());
}

void StartFolderTest::init()
{
    appsettings_set_defaults(&g_appsettings);
    g_appsettings.ask_save_filelist = 0;
    StartFolder::reset();
    Dialogs::reset();
    MsgAnswer::clear();
}

void StartFolderTest::cleanup()
{
    Dialogs::reset();
    QCOMPARE(MsgAnswer::unexpected(), 0);
}

void StartFolderTest::profilesAndListsKeepTheirOwnFolders()
{
    const QString profiles = path(QStringLiteral("profiles"));
    const QString other = path(QStringLiteral("other profiles"));
    const QString lists = path(QStringLiteral("lists"));
    for (const QString &folder : {profiles, other, lists})
        QVERIFY(QDir().mkpath(folder));
    FMain window;
    QVERIFY(window.engineStarted());
    Seen seen;
    hookDialogs(&seen);

    // First use: home, the proposed names in it; a cancelled dialog leaves
    // the kind's folder as it was.
    trigger(window, QStringLiteral("&Save Profile..."));
    trigger(window, QStringLiteral("&Load Profile..."));
    seen.answers << profiles + QStringLiteral("/mine.zvp");
    trigger(window, QStringLiteral("&Save Profile..."));
    QCOMPARE(seen.dirs, (QStringList{m_home + QStringLiteral("/Zandrevik.zvp"), m_home,
                                     m_home + QStringLiteral("/Zandrevik.zvp")}));
    QVERIFY(QFile::exists(profiles + QStringLiteral("/mine.zvp")));

    // Saving and loading share the folder; the list dialogs keep their own.
    seen.dirs.clear();
    QVERIFY(
        QFile::copy(profiles + QStringLiteral("/mine.zvp"), other + QStringLiteral("/copy.zvp")));
    seen.answers << other + QStringLiteral("/copy.zvp");
    trigger(window, QStringLiteral("&Load Profile..."));
    trigger(window, QStringLiteral("&Save Profile..."));
    click(window, "btnSave");
    click(window, "btnLoad");
    QCOMPARE(seen.dirs, (QStringList{profiles, other + QStringLiteral("/Zandrevik.zvp"),
                                     m_home + QStringLiteral("/Zandrevik.zvl"), m_home}));

    seen.dirs.clear();
    seen.answers << lists + QStringLiteral("/photos.zvl");
    click(window, "btnSave");
    click(window, "btnLoad");
    click(window, "btnSave");
    QCOMPARE(seen.dirs, (QStringList{m_home + QStringLiteral("/Zandrevik.zvl"), lists,
                                     lists + QStringLiteral("/Zandrevik.zvl")}));

    // A folder that went away gives home again.
    seen.dirs.clear();
    QVERIFY(QDir(other).removeRecursively());
    trigger(window, QStringLiteral("&Load Profile..."));
    QCOMPARE(seen.dirs, QStringList{m_home});
    window.stopWorkers();
}

void StartFolderTest::photosStartInTheLastFolderThenPicturesThenHome()
{
    const QString pictures = m_home + QStringLiteral("/Pictures");
    const QString photos = path(QStringLiteral("photos"));
    QVERIFY(QDir().mkpath(photos));
    QVERIFY(QDir(pictures).removeRecursively());
    FMain window;
    QVERIFY(window.engineStarted());
    Seen seen;
    hookDialogs(&seen);

    // The desktop names a pictures folder that does not exist: home.
    click(window, "btnAddPic");
    click(window, "btnAddFolder");
    QVERIFY(QDir().mkpath(pictures));
    click(window, "btnAddPic");
    QCOMPARE(seen.dirs, (QStringList{m_home, m_home, pictures}));

    // A folder chosen is where both start next, while it exists.
    seen.dirs.clear();
    seen.answers << photos;
    click(window, "btnAddFolder");
    click(window, "btnAddPic");
    QVERIFY(QDir(photos).removeRecursively());
    click(window, "btnAddFolder");
    QCOMPARE(seen.dirs, (QStringList{pictures, photos, pictures}));
    for (const QString &dir : qAsConst(seen.dirs))
        QVERIFY2(QDir::isAbsolutePath(dir), qPrintable(dir));
    QVERIFY(QDir(pictures).removeRecursively());
    window.stopWorkers();
}

QTEST_MAIN(StartFolderTest)
#include "startfolder_test.moc"
