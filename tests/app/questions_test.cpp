// Every question of the application answered without a Yes: by Esc, by the
// title bar's close button of the real box, and by No, each time with
// "Never show this again!" ticked. A dismissed box is a No: nothing is
// created, run, deleted or overwritten, and the question stays on; only an
// answer that goes on may switch it off.
#include "appsettings.h"
#include "dialogs.h"
#include "fileman.h"
#include "fmain.h"
#include "fmainfile.h"
#include "fmainprocess.h"
#include "msganswer.h"
#include "outputconfig.h"
#include "pages_fixture.h"
#include "photobatch.h"
#include "styletitle.h"
#include "zv_test.h"

#include "image/sn_image.h"

#include <string.h>

#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

namespace
{

enum Reach {
    StartMissingFolder,
    StartWithoutFilter,
    SaveListOverExisting,
    CloseModifiedList,
    LoadOverModifiedList
};
enum Way { Esc, CloseButton, No };

std::string text(const std::string &path)
{
    std::vector<uint8_t> data = zvtest::read_file(path);
    return std::string(data.begin(), data.end());
}

using pages::child;

} // namespace

class QuestionsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        sn_image_init();
    }
    void cleanupTestCase()
    {
        sn_image_uninit();
    }
    void cleanup()
    {
        Dialogs::reset();
        MsgAnswer::clear();
    }

    void withoutYesNothingHappens_data()
    {
        QTest::addColumn<int>("reach");
        QTest::addColumn<int>("way");
        QTest::addColumn<QString>("question");
        // What holds afterwards, as state() words it.
        QTest::addColumn<QString>("after");

        const QString folder = "Output folder does not exist, do you want to create it?";
        const QString filter = "No filter selected, is this your want?";
        const QString overwrite = "File already exists, do you want to overwrite?";
        const QString modified = "File list has been modified, do you want to save it?";
        // Nothing created, nothing run, the source kept, the question on.
        const QString notStarted = "folder:0 idle:1 source:1 outputs:0 ask:1 saved:0";
        const QString notOverwritten = "list:old ask:1 saved:0";
        const struct {
            const char *name;
            Reach reach;
            QString question, esc, close, no;
        } rows[] = {
            {"Start, missing output folder", StartMissingFolder, folder, notStarted, notStarted,
             notStarted},
            {"Start, no filter, delete source on", StartWithoutFilter, filter, notStarted,
             notStarted, notStarted},
            {"Save List over an existing list", SaveListOverExisting, overwrite, notOverwritten,
             notOverwritten, notOverwritten},
            // Yes, No and Cancel: a dismissed box cancels the close; No closes
            // without saving, and that answer goes on.
            {"close with a modified list", CloseModifiedList, modified,
             "open:1 asked-name:0 ask:1 saved:0", "open:1 asked-name:0 ask:1 saved:0",
             "open:0 asked-name:0 ask:0 saved:1"},
            {"Load List over a modified list", LoadOverModifiedList, modified,
             "files:1 asked-name:0 ask:1 saved:0", "files:1 asked-name:0 ask:1 saved:0",
             "files:1 asked-name:1 ask:0 saved:1"},
        };
        for (const auto &row : rows) {
            QTest::addRow("%s, Esc", row.name)
                << int(row.reach) << int(Esc) << row.question << row.esc;
            QTest::addRow("%s, close button", row.name)
                << int(row.reach) << int(CloseButton) << row.question << row.close;
            QTest::addRow("%s, No", row.name)
                << int(row.reach) << int(No) << row.question << row.no;
        }
    }

    void withoutYesNothingHappens()
    {
        QFETCH(int, reach);
        QFETCH(int, way);
        QFETCH(QString, question);
        QFETCH(QString, after);

        zvtest::TempDir dir;
        const std::string conf = dir.file("Zandrevik.conf");
        appsettings_init(conf.c_str());
        const std::string source = dir.file("photo.jpg");
        QVERIFY(zvtest::write_small_jpeg(source));
        const std::string missing = dir.file("new");
        const std::string out = dir.file("out");
        QVERIFY(QDir().mkpath(QString::fromStdString(out)));
        const std::string list = dir.file("list.zvl");
        QVERIFY(zvtest::write_file(list, "old\r\n"));

        FMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        photobatch_t *batch = photobatch_get_instance();
        outputconfig_t *config = photobatch_get_outputconfig(batch);
        outputconfig_lock(config);
        snprintf(config->output_folder, sizeof config->output_folder, "%s",
                 (reach == StartMissingFolder ? missing + "/out" : out).c_str());
        config->use_source_folder = 0;
        config->delete_source = 1;
        outputconfig_unlock(config);

        // The list gets its photo through Add Files, so that it counts as
        // modified.
        int namesAsked = 0;
        Dialogs::hooks().openFileNames = [&source](QWidget *, const QString &, const QString &,
                                                   const QString &) {
            return QStringList{QString::fromStdString(source)};
        };
        Dialogs::hooks().saveFileName = [&](QWidget *, const QString &, const QString &,
                                            const QString &, QFileDialog::Options) {
            namesAsked++;
            return reach == SaveListOverExisting ? QString::fromStdString(list) : QString();
        };
        Dialogs::hooks().openFileName = [&](QWidget *, const QString &, const QString &,
                                            const QString &) {
            namesAsked++;
            return QString();
        };
        QTest::mouseClick(child<QPushButton>(window.filePage(), "btnAddPic"), Qt::LeftButton);
        QCOMPARE(fileman_count(photobatch_get_fileman(batch)), 1);

        if (way == No)
            MsgAnswer::next(QDialogButtonBox::No, true);
        else
            MsgAnswer::dismiss(way == Esc ? MsgAnswer::Escape : MsgAnswer::CloseButton, true);
        switch (reach) {
        case StartMissingFolder:
        case StartWithoutFilter:
            window.tabWidget()->setCurrentIndex(3);
            QTest::mouseClick(child<QPushButton>(window.processPage(), "btnStart"), Qt::LeftButton);
            break;
        case SaveListOverExisting:
            QTest::mouseClick(child<QPushButton>(window.filePage(), "btnSave"), Qt::LeftButton);
            break;
        case CloseModifiedList:
            QTest::mouseClick(child<QPushButton>(window.titleBar(), "btnTBClose"), Qt::LeftButton);
            break;
        case LoadOverModifiedList:
            QTest::mouseClick(child<QPushButton>(window.filePage(), "btnLoad"), Qt::LeftButton);
            break;
        }
        QCOMPARE(MsgAnswer::seen(), QStringList{QStringLiteral("Zandrevik|") + question});
        QCOMPARE(MsgAnswer::unexpected(), 0);
        QCOMPARE(MsgAnswer::pending(), 0);

        // A run that did start would now delete the source: let it end first.
        QTRY_COMPARE_WITH_TIMEOUT(photobatch_get_status(batch), int(PHOTOBATCH_STATUS_IDLE), 10000);
        QStringList state;
        switch (reach) {
        case StartMissingFolder:
        case StartWithoutFilter:
            state << QStringLiteral("folder:%1").arg(zvtest::file_exists(missing))
                  << QStringLiteral("idle:%1").arg(
                         window.processPage()
                             ->findChild<QPushButton *>(QStringLiteral("btnStart"))
                             ->text() == QStringLiteral("Start Process"))
                  << QStringLiteral("source:%1").arg(zvtest::file_exists(source))
                  << QStringLiteral("outputs:%1")
                         .arg(QDir(QString::fromStdString(out)).entryList(QDir::Files).size());
            break;
        case SaveListOverExisting:
            state << QStringLiteral("list:%1").arg(QString::fromStdString(text(list)).trimmed());
            break;
        case CloseModifiedList:
            state << QStringLiteral("open:%1").arg(window.isVisible())
                  << QStringLiteral("asked-name:%1").arg(namesAsked);
            break;
        case LoadOverModifiedList:
            state << QStringLiteral("files:%1").arg(fileman_count(photobatch_get_fileman(batch)))
                  << QStringLiteral("asked-name:%1").arg(namesAsked);
            break;
        }
        const int32_t flags[] = {0,
                                 g_appsettings.ask_create_output_folder,
                                 g_appsettings.ask_empty_filterlist,
                                 g_appsettings.ask_save_filelist_overwrite,
                                 g_appsettings.ask_save_filelist,
                                 g_appsettings.ask_save_filelist};
        state << QStringLiteral("ask:%1").arg(flags[reach + 1])
              << QStringLiteral("saved:%1").arg(zvtest::file_exists(conf));
        QCOMPARE(state.join(QLatin1Char(' ')), after);
        window.stopWorkers();
    }
};

QTEST_MAIN(QuestionsTest)
#include "questions_test.moc"
