// The whole application as a photographer uses it, through the real main
// window: a folder of photos in five formats with one broken file, a resize
// and a text stamp chosen and set on Step 2, an output folder, name template
// and format on Step 3, a run with pause and resume on Step 4; the outputs,
// the log and the untouched sources checked afterwards; a run that deletes
// its sources while its output folder goes away half-way; a profile saved and
// loaded by a second window; the window closed in the middle of a run (in a
// child process running the real start-up); hostile profiles and file
// lists through the real loaders; and a day at the real window as a person
// spends it, with the keyboard and the mouse only, ended by File > Exit in a
// restarted program that speaks German.
#include "appsettings.h"
#include "appstyle.h"
#include "cwidgetworkflow.h"
#include "dialogs.h"
#include "fabout.h"
#include "filter/imagefilter.h"
#include "finputcounter.h"
#include "finputdatetime.h"
#include "fmain.h"
#include "fmainfile.h"
#include "fmainoutput.h"
#include "fmainprocess.h"
#include "fmainworkflow.h"
#include "foptions.h"
#include "hostile_files.h"
#include "image/sn_image.h"
#include "msganswer.h"
#include "operation.h"
#include "outputconfig.h"
#include "pages_fixture.h"
#include "photobatch.h"
#include "startup.h"
#include "step1_fixture.h"
#include "stylemsg.h"
#include "styletitle.h"
#include "zv_test.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QDrag>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QtTest>

#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace
{

const time_t k_mtime = 1340000000; // the photos' date, for <Datetime Photo ...>

struct Photo {
    const char *name;
    int format;
    int width;
    int height;
};
const Photo k_photos[] = {
    {"alpha.jpg", SN_IMAGE_FORMAT_JPEG, 120, 90}, {"bravo.png", SN_IMAGE_FORMAT_PNG, 100, 60},
    {"charlie.bmp", SN_IMAGE_FORMAT_BMP, 64, 48}, {"delta.gif", SN_IMAGE_FORMAT_GIF, 80, 40},
    {"echo.tif", SN_IMAGE_FORMAT_TIFF, 50, 50},
};
// Between the others in the list, so that the last file of a run is a good
// one and the bar ends full.
const char k_broken[] = "cobalt.jpg";

using pages::child;
using pages::typeOver;

QAction *menuAction(QWidget *owner, const QString &text)
{
    for (QAction *action : owner->findChildren<QAction *>())
        if (action->text() == text)
            return action;
    qFatal("no action %s", qPrintable(text));
    return nullptr;
}

std::atomic<int64_t> s_clockOffset{0};
int64_t shiftedClock(void)
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (int64_t)now.tv_sec * 1000 + now.tv_nsec / 1000000 + s_clockOffset.load();
}

// A typed edit falls due: the next tick of the settings widget applies it.
void applyTyped(CAbstractOperation *operation)
{
    s_clockOffset.store(s_clockOffset.load() + 700);
    static_cast<COperationWidget *>(operation->widget())->tick();
}

QByteArray hashOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

QString readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
}

// Wraps the Step 2 page's filter answer: the first real file of a run waits
// in its filter step until a command is posted (so that pause lands between
// two files), and the n-th file may run a hook first.
struct Hook {
    filter_list_callback_t inner = nullptr;
    void *innerOwner = nullptr;
    photobatch_t *batch = nullptr;
    std::atomic<bool> holdFirst{false};
    std::atomic<int> files{0};
    int hookAt = -1;
    std::function<void()> hook;
};

void hookedFilters(void *owner, const QString &path, int index, QList<imagefilter_t *> &filters)
{
    Hook *h = static_cast<Hook *>(owner);
    if (!path.isEmpty()) {
        const int n = h->files.fetch_add(1) + 1;
        if (n == h->hookAt && h->hook)
            h->hook();
        if (n == 1 && h->holdFirst.exchange(false)) {
            auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (h->batch->command.load() == 0 && std::chrono::steady_clock::now() < end)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    h->inner(h->innerOwner, path, index, filters);
}

void installHook(Hook *h)
{
    h->batch = photobatch_get_instance();
    h->inner = h->batch->filter_callback;
    h->innerOwner = h->batch->filter_owner;
    h->files = 0;
    photobatch_set_filter_callback(h->batch, hookedFilters, h);
}

QString describeOutput()
{
    const outputconfig_t *c = photobatch_get_outputconfig(photobatch_get_instance());
    return QStringLiteral("%1|%2|%3|%4|%5|%6|%7|%8|%9")
        .arg(QString::fromUtf8(c->output_folder))
        .arg(c->use_source_folder)
        .arg(QString::fromUtf8(c->filename_template))
        .arg(c->format)
        .arg(c->quality)
        .arg(c->transparent)
        .arg(c->keep_source_format)
        .arg(c->keep_attribute)
        .arg(c->delete_source);
}

QString describePipeline(FMainWorkflow *page)
{
    QStringList out;
    for (CAbstractOperation *operation : page->operations()) {
        OperationParamList params;
        operation->getParams(params);
        QStringList values;
        for (const auto &p : params)
            values << p.first + QLatin1Char('=') + p.second;
        out << QString::fromUtf8(operation->info()->name) + QLatin1Char('{') +
                   values.join(QLatin1Char(',')) + QLatin1Char('}');
    }
    return out.join(QLatin1Char(';'));
}

QString describeList()
{
    return step1::paths(photobatch_get_fileman(photobatch_get_instance())).join(QLatin1Char('\n'));
}

// The state that a failed load must leave as it was.
QString describeAll(FMain &window)
{
    return describePipeline(window.workflowPage()) + QLatin1Char('#') + describeOutput() +
           QLatin1Char('#') + describeList();
}

// The run of both child processes: the photos of ZV_JOURNEY_SOURCES added
// with Add Folder, halved by a resize and written as PNG into
// ZV_JOURNEY_OUTPUT, named by nameTemplate (or the saved template if null).
void setUpHalvingRun(FMain &window, const char *nameTemplate)
{
    const QString sources = qEnvironmentVariable("ZV_JOURNEY_SOURCES");
    const QString output = qEnvironmentVariable("ZV_JOURNEY_OUTPUT");
    Dialogs::hooks().existingDirectory = [sources](QWidget *, const QString &, const QString &,
                                                   QFileDialog::Options) { return sources; };
    QTest::mouseClick(child<QPushButton>(window.filePage(), "btnAddFolder"), Qt::LeftButton);
    const OperationParamList params = {{QStringLiteral("width"), QStringLiteral("50%")},
                                       {QStringLiteral("height"), QStringLiteral("50%")},
                                       {QStringLiteral("keep_aspect"), QStringLiteral("none")}};
    window.workflowPage()->insertOperation("resize", 0, &params);
    outputconfig_t *c = photobatch_get_outputconfig(photobatch_get_instance());
    outputconfig_lock(c);
    snprintf(c->output_folder, sizeof c->output_folder, "%s", output.toUtf8().constData());
    if (nameTemplate)
        snprintf(c->filename_template, sizeof c->filename_template, "%s", nameTemplate);
    c->use_source_folder = 0;
    c->format = SN_IMAGE_FORMAT_PNG;
    c->keep_source_format = 0;
    outputconfig_unlock(c);
    window.outputPage()->loadConfig();
}

// The child process of closeDuringRun: the real start-up with a job set up
// once the window shows, closed as soon as the first photo is in hand.
int childMain(int argc, char **argv)
{
    StartupHooks hooks;
    hooks.shown = [](FMain &window) {
        // Not the default, so that the saved file shows this session's block.
        g_appsettings.ask_save_filelist = 0;
        setUpHalvingRun(window, "<Filename>");
        QObject::connect(window.processPage(), &FMainProcess::logUpdate, &window,
                         [&window](const QString &line) {
                             if (line.startsWith(QStringLiteral("Start Processing file:")) &&
                                 window.isVisible())
                                 window.close();
                         });
        window.processPage()->findChild<QPushButton *>(QStringLiteral("btnStart"))->click();
    };
    return runApplication(argc, argv, hooks);
}

// The popup menu that is open now, if any.
QMenu *openPopup()
{
    return qobject_cast<QMenu *>(QApplication::activePopupWidget());
}

// Alt and a menu's mnemonic, as a person opens it with the keyboard.
QMenu *openMenuByKey(QWidget *window, Qt::Key mnemonic)
{
    QTest::keyClick(window, mnemonic, Qt::AltModifier);
    return QTest::qWaitFor([] { return openPopup() != nullptr; }, 5000) ? openPopup() : nullptr;
}

// A click on a menu's title in the menu bar.
QMenu *openMenuByMouse(QMenuBar *bar, const QString &title)
{
    for (QAction *action : bar->actions())
        if (action->text() == title) {
            QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier,
                              bar->actionGeometry(action).center());
            return QTest::qWaitFor([] { return openPopup() != nullptr; }, 5000) ? openPopup()
                                                                                : nullptr;
        }
    return nullptr;
}

QAction *actionOf(QMenu *menu, const QString &text)
{
    for (QAction *action : menu->actions())
        if (action->text() == text)
            return action;
    return nullptr;
}

// A click on a check box's own box: its middle may lie past its text.
void clickCheck(QAbstractButton *box)
{
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(8, box->height() / 2));
}

void clickTab(QTabWidget *tabs, int index)
{
    QTabBar *bar = tabs->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(index).center());
}

QSize shownSize(QLabel *label)
{
    return label->pixmap(Qt::ReturnByValue).size();
}

// The colour of the middle of a label's picture.
QRgb shownMiddle(QLabel *label)
{
    const QImage image = label->pixmap(Qt::ReturnByValue).toImage();
    return image.isNull() ? 0 : image.pixel(image.width() / 2, image.height() / 2);
}

bool isGray(QRgb pixel)
{
    return qRed(pixel) == qGreen(pixel) && qGreen(pixel) == qBlue(pixel);
}

// The child process of aDayAtTheWindow: the program started again on the
// settings the day left behind. It writes what the window says, runs a batch
// of large photos and leaves by File > Exit with the keyboard once the first
// photo is in hand.
int restartMain(int argc, char **argv)
{
    setLanguageFolder(QFileInfo(QString::fromLocal8Bit(argv[0])).absolutePath() +
                      QStringLiteral("/../app/language"));
    StartupHooks hooks;
    hooks.shown = [](FMain &window) {
        QStringList texts;
        for (int i = 0; i < window.tabWidget()->count(); i++)
            texts << window.tabWidget()->tabText(i);
        for (QAction *action : window.menuBar()->actions())
            texts << action->text();
        zvtest::write_file(qEnvironmentVariable("ZV_JOURNEY_TEXTS").toStdString(),
                           texts.join(QLatin1Char('\n')).toStdString());

        setUpHalvingRun(window, nullptr);
        window.activateWindow();
        if (!QTest::qWaitForWindowActive(&window))
            qWarning("the restarted window is not active: its menus take no keys");
        auto exiting = std::make_shared<bool>(false);
        QObject::connect(window.processPage(), &FMainProcess::logUpdate, &window,
                         [&window, exiting](const QString &line) {
                             if (*exiting || !line.startsWith(QStringLiteral("Start Processing")))
                                 return;
                             *exiting = true;
                             // "&Datei", then up to its last entry "&Beenden".
                             QMenu *file = openMenuByKey(&window, Qt::Key_D);
                             if (!file)
                                 return;
                             QTest::keyClick(file, Qt::Key_Up);
                             QTest::keyClick(file, Qt::Key_Return);
                         });
        QTest::mouseClick(
            window.processPage()->findChild<QPushButton *>(QStringLiteral("btnStart")),
            Qt::LeftButton);
    };
    return runApplication(argc, argv, hooks);
}

} // namespace

class JourneyTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<zvtest::TempDir> dir;
    QString sources;
    QMap<QString, QByteArray> hashes;

    QString path(const char *name)
    {
        return QString::fromStdString(dir->file(name));
    }

    // The environment of a child run of this program: its home and data
    // inside the test folder, offscreen.
    QProcessEnvironment childEnvironment(const QString &dataHome)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), path("home"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), path("home/config"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        return env;
    }

    // Runs this program again in env; empty when it ended by itself within a
    // minute (start-up, a photo in hand and the engine's wait, with room for
    // a sanitized build) with exit code 0, else what went wrong.
    QString runChild(const QProcessEnvironment &env)
    {
        QProcess child;
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), QStringList());
        if (!child.waitForStarted(10000))
            return QStringLiteral("did not start");
        if (!child.waitForFinished(60000))
            return QStringLiteral("did not end");
        if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
            return QStringLiteral("ended with %1").arg(child.exitCode());
        return QString();
    }

    void makePhotos()
    {
        QDir().mkpath(sources);
        for (const Photo &p : k_photos)
            QVERIFY(step1::writePicture(sources + QLatin1Char('/') + QLatin1String(p.name), p.width,
                                        p.height, p.format, k_mtime));
        // A JPEG that ends after its header.
        QByteArray broken("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00", 20);
        QVERIFY(
            zvtest::write_file((sources + QLatin1Char('/') + QLatin1String(k_broken)).toStdString(),
                               broken.toStdString()));
        hashes.clear();
        for (const QString &name : filesIn(sources))
            hashes[name] = hashOf(sources + QLatin1Char('/') + name);
    }

    // Step 1 to 3 as a person does them; the counter and the date keywords
    // come from their dialogs.
    void buildJob(FMain &window, const QString &output)
    {
        QTabWidget *tabs = window.tabWidget();

        FMainFile *files = window.filePage();
        Dialogs::hooks().existingDirectory = [this](QWidget *, const QString &, const QString &,
                                                    QFileDialog::Options) { return sources; };
        child<QPushButton>(files, "btnAddFolder")->click();
        QCOMPARE(fileman_count(photobatch_get_fileman(photobatch_get_instance())), 6);

        tabs->setCurrentIndex(1);
        FMainWorkflow *flow = window.workflowPage();
        pages::answerChooser(1, 2); // Image: Resize
        child<QPushButton>(flow, "btnAdd")->click();
        pages::answerChooser(3, 0); // Stamp: Stamp Text
        child<QPushButton>(flow, "btnAdd")->click();
        QCOMPARE(flow->operations().size(), 2);
        CAbstractOperation *resize = flow->operations()[0];
        CAbstractOperation *stamp = flow->operations()[1];
        QCOMPARE(QByteArray(resize->info()->name), QByteArray("resize"));
        QCOMPARE(QByteArray(stamp->info()->name), QByteArray("stamp_text"));

        QWidget *resizeWidget = resize->widget();
        child<QRadioButton>(resizeWidget, "rbPercents")->click();
        child<QSpinBox>(resizeWidget, "sbWidth")->setValue(50);
        child<QSpinBox>(resizeWidget, "sbHeight")->setValue(50);
        applyTyped(resize);

        QWidget *stampWidget = stamp->widget();
        QLineEdit *text = child<QLineEdit>(stampWidget, "edtText");
        text->clear();
        menuAction(stampWidget, QStringLiteral("Source File Name"))->trigger();
        text->end(false);
        QTest::keyClicks(text, QStringLiteral(" #"));
        pages::answerModal<FInputCounter>([](FInputCounter *dialog) {
            child<QSpinBox>(dialog, "sbStart")->setValue(7);
            child<QSpinBox>(dialog, "sbStep")->setValue(1);
            child<QSpinBox>(dialog, "sbDigits")->setValue(2);
            child<QPushButton>(dialog, "btnOK")->click();
        });
        menuAction(stampWidget, QStringLiteral("Counter"))->trigger();
        applyTyped(stamp);
        QCOMPARE(text->text(), QStringLiteral("<Filename> #<Counter 7:1:2>"));

        tabs->setCurrentIndex(2);
        FMainOutput *out = window.outputPage();
        Dialogs::hooks().existingDirectory = [output](QWidget *, const QString &, const QString &,
                                                      QFileDialog::Options) { return output; };
        child<QPushButton>(out, "btnFolder")->click();
        QCOMPARE(child<QLineEdit>(out, "edtFolder")->text(), output);
        QCheckBox *rename = child<QCheckBox>(out, "chkRenameFile");
        if (!rename->isChecked())
            rename->click();
        QLineEdit *mask = child<QLineEdit>(out, "edtFileNameMask");
        mask->clear();
        menuAction(out, QStringLiteral("Source File Name"))->trigger();
        mask->end(false);
        QTest::keyClicks(mask, QStringLiteral("_"));
        pages::answerModal<FInputCounter>([](FInputCounter *dialog) {
            child<QSpinBox>(dialog, "sbStart")->setValue(1);
            child<QSpinBox>(dialog, "sbStep")->setValue(1);
            child<QSpinBox>(dialog, "sbDigits")->setValue(3);
            child<QPushButton>(dialog, "btnOK")->click();
        });
        menuAction(out, QStringLiteral("Counter"))->trigger();
        mask->end(false);
        QTest::keyClicks(mask, QStringLiteral("_"));
        pages::answerModal<FInputDatetime>(
            [](FInputDatetime *dialog) { child<QPushButton>(dialog, "btnOK")->click(); });
        menuAction(out, QStringLiteral("Data / Time"))->trigger();
        QVERIFY2(mask->text().startsWith(QStringLiteral("<Filename>_<Counter 1:1:3>_<Datetime ")),
                 qPrintable(mask->text()));
        QComboBox *format = child<QComboBox>(out, "cmbFormat");
        format->setCurrentIndex(format->findText(QStringLiteral("PNG"), Qt::MatchStartsWith));
        QCheckBox *keep = child<QCheckBox>(out, "chkKeepFormat");
        if (keep->isChecked())
            keep->click();
        tabs->setCurrentIndex(3);
        const outputconfig_t *c = photobatch_get_outputconfig(photobatch_get_instance());
        QCOMPARE(QString::fromUtf8(c->filename_template), mask->text());
        QCOMPARE(c->format, (int)SN_IMAGE_FORMAT_PNG);
        QCOMPARE(c->keep_source_format, 0);
    }

    QStringList logLines(FMain &window)
    {
        const QString text = child<QTextEdit>(window.processPage(), "edtLog")->toPlainText();
        return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
    }

    // The output name that the template asks for: counter by view index,
    // date of the photo.
    QString expectedName(const QString &source, int index, const QString &tmpl)
    {
        const int at = tmpl.indexOf(QStringLiteral("<Datetime"));
        char date[256];
        const QByteArray keyword = tmpl.mid(at).toUtf8();
        outputconfig_expand_datetime(keyword.constData(), QFile::encodeName(source).constData(),
                                     date, sizeof date);
        return QFileInfo(source).completeBaseName() +
               QStringLiteral("_%1_").arg(index + 1, 3, 10, QLatin1Char('0')) +
               QString::fromUtf8(date) + QStringLiteral(".png");
    }

    // The source through the core's own resize at 50 % and the stamp's
    // filter for that file.
    zvtest::ImagePtr directResult(FMain &window, const QString &source)
    {
        zvtest::ImagePtr image(
            sn_image_create_from_file(QFile::encodeName(source).constData(), -1));
        if (!image)
            return nullptr;
        imagefilter_t *resize = imagefilter_create("resize");
        const char *keys[] = {"width", "height", "keep_aspect", nullptr};
        const char *values[] = {"50%", "50%", "none", nullptr};
        imagefilter_set_settings(resize, keys, values);
        imagefilter_execute(resize, image.get());
        imagefilter_destroy(resize);
        imagefilter_t *stamp = window.workflowPage()->operations()[1]->createFilter(source);
        imagefilter_execute(stamp, image.get());
        imagefilter_destroy(stamp);
        return image;
    }

private slots:
    void initTestCase()
    {
        sn_image_init();
        operation_set_clock(shiftedClock);
    }
    void cleanupTestCase()
    {
        operation_set_clock(nullptr);
        sn_image_uninit();
    }
    void init()
    {
        dir.reset(new zvtest::TempDir);
        sources = path("photos");
        appsettings_init(dir->file("Zandrevik.conf").c_str());
        snprintf(g_appsettings.log_filename, sizeof g_appsettings.log_filename, "%s",
                 dir->file("run.log").c_str());
        g_appsettings.ask_save_filelist = 0;
        MsgAnswer::clear();
        Dialogs::reset();
    }
    void cleanup()
    {
        Dialogs::reset();
        QCOMPARE(MsgAnswer::unexpected(), 0);
        dir.reset();
    }

    void fullRunWithPauseAndResume()
    {
        makePhotos();
        const QString output = path("out");
        FMain window;
        window.show();
        buildJob(window, output);

        Hook hook;
        installHook(&hook);
        hook.holdFirst = true;
        // The folder does not exist yet: the page asks before making it.
        MsgAnswer::next(QDialogButtonBox::Yes);
        QPushButton *start = child<QPushButton>(window.processPage(), "btnStart");
        start->click();
        QTRY_COMPARE_WITH_TIMEOUT(start->text(), QStringLiteral("Pause Process"), 10000);
        start->click();
        QTRY_COMPARE_WITH_TIMEOUT(start->text(), QStringLiteral("Resume Process"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(
            logLines(window).filter(QStringLiteral("Pause processing")).size() == 1, 10000);
        QVERIFY(window.isBusy());
        start->click();
        QTRY_VERIFY_WITH_TIMEOUT(
            logLines(window).filter(QStringLiteral("Processing completed")).size() == 1, 30000);
        QTRY_COMPARE_WITH_TIMEOUT(start->text(), QStringLiteral("Start Process"), 10000);
        QVERIFY(!window.isBusy());
        QProgressBar *bar = child<QProgressBar>(window.processPage(), "progressBar");
        // The page shows waiting log lines as soon as any notice of them
        // arrives, so the last line can be on screen a moment before the
        // bar's own report of the last file.
        QTRY_COMPARE_WITH_TIMEOUT(bar->value(), bar->maximum(), 10000);
        QCOMPARE(MsgAnswer::seen(),
                 QStringList{QStringLiteral(
                     "Zandrevik|Output folder does not exist, do you want to create it?")});

        // Every good photo became one PNG of half its size under its name.
        const QString tmpl = QString::fromUtf8(
            photobatch_get_outputconfig(photobatch_get_instance())->filename_template);
        fileman_t *list = photobatch_get_fileman(photobatch_get_instance());
        QStringList expected;
        QString checkedSource, checkedOutput;
        for (int i = 0; i < fileman_count(list); i++) {
            const QString source = QString::fromUtf8(fileman_get(list, i)->path);
            if (source.endsWith(QLatin1String(k_broken)))
                continue;
            const QString name = expectedName(source, i, tmpl);
            expected << name;
            const QString out = output + QLatin1Char('/') + name;
            QVERIFY2(QFileInfo::exists(out), qPrintable(out));
            QCOMPARE(sn_image_guess_format(QFile::encodeName(out).constData()),
                     (int)SN_IMAGE_FORMAT_PNG);
            zvtest::ImagePtr written(
                sn_image_create_from_file(QFile::encodeName(out).constData(), -1));
            QVERIFY(written);
            for (const Photo &p : k_photos)
                if (source.endsWith(QLatin1String(p.name))) {
                    QCOMPARE(written->width, p.width / 2);
                    QCOMPARE(written->height, p.height / 2);
                }
            if (source.endsWith(QLatin1String("bravo.png"))) {
                checkedSource = source;
                checkedOutput = out;
            }
            QVERIFY(logLines(window).contains(
                QStringLiteral("Processsing file complete, writed to:") + out));
        }
        expected.sort();
        QCOMPARE(filesIn(output), expected);

        // The pixels of one output are those of the same filters run directly.
        QVERIFY(!checkedSource.isEmpty());
        zvtest::ImagePtr direct = directResult(window, checkedSource);
        zvtest::ImagePtr written(
            sn_image_create_from_file(QFile::encodeName(checkedOutput).constData(), -1));
        QVERIFY(direct && written);
        QCOMPARE(written->width, direct->width);
        QCOMPARE(written->height, direct->height);
        int differ = 0;
        for (int y = 0; y < direct->height; y++)
            for (int x = 0; x < direct->width; x++)
                if ((written->frames[0].rows[y][x] & 0xFFFFFF) !=
                    (direct->frames[0].rows[y][x] & 0xFFFFFF))
                    differ++;
        QCOMPARE(differ, 0);

        // The broken file has its red line, in the view and in the log file.
        const QString brokenPath = sources + QLatin1Char('/') + QLatin1String(k_broken);
        QVERIFY(logLines(window).contains(QStringLiteral("Read file FAILED! ") + brokenPath));
        QTRY_VERIFY_WITH_TIMEOUT(
            readAll(path("run.log")).contains(QStringLiteral("Processing completed")), 10000);
        const QString logFile = readAll(path("run.log"));
        // The file holds the lines without their markup.
        QVERIFY(logFile.contains(QStringLiteral("Read file FAILED! ") + brokenPath +
                                 QStringLiteral("\r\n")));
        QVERIFY(logFile.contains(QStringLiteral("Pause processing")));
        QVERIFY(logFile.contains(QStringLiteral("Resume processing")));

        for (auto it = hashes.constBegin(); it != hashes.constEnd(); ++it)
            QCOMPARE(hashOf(sources + QLatin1Char('/') + it.key()), it.value());
        QCOMPARE(filesIn(sources).size(), hashes.size());
        window.stopWorkers();
    }

    // Deleting sources while the output folder is moved away and a plain
    // file put in its place after the second photo: the run goes on in the
    // folder it opened at its start, the file in its place is never touched,
    // and no source is gone without its output.
    void deleteSourceWhileOutputGoesAway()
    {
        makePhotos();
        const QString output = path("out");
        const QString moved = path("out.moved");
        QVERIFY(QDir().mkpath(output));
        FMain window;
        window.show();
        buildJob(window, output);
        QCheckBox *del = child<QCheckBox>(window.outputPage(), "chkDelSource");
        window.tabWidget()->setCurrentIndex(2);
        if (!del->isChecked())
            del->click();
        window.tabWidget()->setCurrentIndex(3);
        QCOMPARE(photobatch_get_outputconfig(photobatch_get_instance())->delete_source, 1);

        Hook hook;
        installHook(&hook);
        hook.hookAt = 3;
        hook.hook = [output, moved] {
            QDir().rename(output, moved);
            zvtest::write_file(output.toStdString(), std::string("not a folder"));
        };
        child<QPushButton>(window.processPage(), "btnStart")->click();
        QTRY_VERIFY_WITH_TIMEOUT(
            logLines(window).filter(QStringLiteral("Processing completed")).size() == 1, 30000);
        QCOMPARE(readAll(output), QStringLiteral("not a folder"));

        int deleted = 0, kept = 0;
        const QStringList outputs = filesIn(moved);
        for (auto it = hashes.constBegin(); it != hashes.constEnd(); ++it) {
            const QString source = sources + QLatin1Char('/') + it.key();
            if (QFileInfo::exists(source)) {
                QCOMPARE(hashOf(source), it.value());
                kept++;
                continue;
            }
            deleted++;
            // Gone only with a whole output of its own.
            const QString base = QFileInfo(source).completeBaseName() + QLatin1Char('_');
            const QStringList mine = outputs.filter(
                QRegularExpression(QStringLiteral("^") + QRegularExpression::escape(base)));
            QCOMPARE(mine.size(), 1);
            zvtest::ImagePtr image(sn_image_create_from_file(
                QFile::encodeName(moved + QLatin1Char('/') + mine[0]).constData(), -1));
            QVERIFY(image);
        }
        QCOMPARE(deleted, outputs.size());
        // Only the broken one stays: the ones after the switch went too.
        QCOMPARE(kept, 1);
        QCOMPARE(deleted, int(hashes.size()) - 1);
        window.stopWorkers();
    }

    // Save Profile, a new window, Load Profile: all comes back.
    void profileRoundTrip()
    {
        makePhotos();
        const QString profile = path("job.zvp");
        QString before, beforeStampText;
        {
            FMain window;
            window.show();
            buildJob(window, path("out"));
            before = describePipeline(window.workflowPage()) + QLatin1Char('#') + describeOutput();
            beforeStampText =
                child<QLineEdit>(window.workflowPage()->operations()[1]->widget(), "edtText")
                    ->text();
            Dialogs::hooks().saveFileName = [profile](QWidget *, const QString &, const QString &,
                                                      const QString &) { return profile; };
            menuAction(&window, QStringLiteral("&Save Profile..."))->trigger();
            QVERIFY(QFileInfo::exists(profile));
            window.close();
            window.stopWorkers();
        }
        FMain window;
        window.show();
        QVERIFY(window.workflowPage()->operations().isEmpty());
        Dialogs::hooks().openFileName = [profile](QWidget *, const QString &, const QString &,
                                                  const QString &) { return profile; };
        menuAction(&window, QStringLiteral("&Load Profile..."))->trigger();
        QCOMPARE(describePipeline(window.workflowPage()) + QLatin1Char('#') + describeOutput(),
                 before);
        QCOMPARE(
            child<QLineEdit>(window.workflowPage()->operations()[1]->widget(), "edtText")->text(),
            beforeStampText);
        window.tabWidget()->setCurrentIndex(2);
        QCOMPARE(child<QLineEdit>(window.outputPage(), "edtFolder")->text(), path("out"));
        QVERIFY(child<QComboBox>(window.outputPage(), "cmbFormat")
                    ->currentText()
                    .startsWith(QStringLiteral("PNG")));
        QVERIFY(MsgAnswer::seen().isEmpty());
        window.stopWorkers();
    }

    // Closing the window while a photo is in hand: that photo is written
    // whole (or not at all), no partial file stays, the settings are saved
    // and the process ends within the engine's wait.
    void closeDuringRun()
    {
        const QString photos = path("big");
        QDir().mkpath(photos);
        for (const char *name : {"a.jpg", "b.jpg", "c.jpg"})
            QVERIFY(
                step1::writePicture(photos + QLatin1Char('/') + QLatin1String(name), 1600, 1200));
        const QString output = path("bigout");
        QVERIFY(QDir().mkpath(output));
        QVERIFY(QDir().mkpath(path("home")));
        QProcessEnvironment env = childEnvironment(path("home/data"));
        env.insert(QStringLiteral("ZV_JOURNEY_CHILD"), QStringLiteral("1"));
        env.insert(QStringLiteral("ZV_JOURNEY_SOURCES"), photos);
        env.insert(QStringLiteral("ZV_JOURNEY_OUTPUT"), output);
        const QString ended = runChild(env);
        QVERIFY2(ended.isEmpty(), qPrintable(QStringLiteral("the closed application ") + ended));

        const QStringList written = filesIn(output);
        QVERIFY2(written.size() < 3, qPrintable(written.join(QLatin1Char(','))));
        for (const QString &name : written) {
            QVERIFY2(name.endsWith(QLatin1String(".png")), qPrintable(name));
            zvtest::ImagePtr image(sn_image_create_from_file(
                QFile::encodeName(output + QLatin1Char('/') + name).constData(), -1));
            QVERIFY2(image, qPrintable(name));
            QCOMPARE(image->width, 800);
            QCOMPARE(image->height, 600);
        }
        QString settings;
        QDirIterator it(path("home"), {QStringLiteral("Zandrevik.conf")}, QDir::Files,
                        QDirIterator::Subdirectories);
        if (it.hasNext())
            settings = readAll(it.next());
        QVERIFY2(settings.contains(QStringLiteral("ask_save_filelist = 0")) ||
                     settings.contains(QStringLiteral("ask_save_filelist = false")),
                 qPrintable(settings));
    }

    // Profiles and file lists that no loader may take: nothing crashes or
    // hangs, nothing changes, and each refusal says so.
    void hostileFiles()
    {
        makePhotos();
        const QString fifo = path("fifo");
        QVERIFY(mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        FMain window;
        window.show();
        buildJob(window, path("out"));
        const QString profile = path("good.zvp");
        const QString list = path("good.pls");
        QVERIFY(window.saveProfile(profile));
        Dialogs::hooks().saveFileName = [list](QWidget *, const QString &, const QString &,
                                               const QString &) { return list; };
        child<QPushButton>(window.filePage(), "btnSave")->click();
        QVERIFY(QFileInfo::exists(list));

        zvtest::LogCapture log;
        const QString hostileFile = path("hostile");
        QString answer;
        Dialogs::hooks().openFileName = [&answer](QWidget *, const QString &, const QString &,
                                                  const QString &) { return answer; };
        const QByteArray goodProfile = readAll(profile).toUtf8();
        const QByteArray goodList = readAll(list).toUtf8();
        for (int kind = 0; kind < 2; kind++) {
            const bool isProfile = kind == 0;
            const QList<hostile::Case> cases =
                hostile::make(isProfile ? goodProfile : goodList, fifo, path("photos"), isProfile);
            for (const hostile::Case &c : cases) {
                const QString what =
                    QStringLiteral("%1: %2").arg(isProfile ? "profile" : "list", c.name);
                answer = c.path.isEmpty() ? hostileFile : c.path;
                if (c.path.isEmpty())
                    QVERIFY(zvtest::write_file(hostileFile.toStdString(), c.bytes.toStdString()));
                const QString state = describeAll(window);
                MsgAnswer::clear();
                log.clear();
                if (isProfile) {
                    MsgAnswer::next(QDialogButtonBox::Ok);
                    menuAction(&window, QStringLiteral("&Load Profile..."))->trigger();
                } else {
                    MsgAnswer::next(QDialogButtonBox::Ok);
                    child<QPushButton>(window.filePage(), "btnLoad")->click();
                }
                if (c.partial) {
                    // The kinds it knows are loaded; the one it does not is
                    // named in a box.
                    QVERIFY2(MsgAnswer::seen().size() == 1, qPrintable(what));
                    QVERIFY2(!window.workflowPage()->operations().isEmpty(), qPrintable(what));
                    window.loadProfile(profile);
                    MsgAnswer::clear();
                    continue;
                }
                if (!isProfile && c.path.isEmpty() && !c.bytes.contains('\0')) {
                    // Any text without NUL is a list: of its lines only the
                    // photos that exist are taken.
                    for (const QString &entry :
                         step1::paths(photobatch_get_fileman(photobatch_get_instance())))
                        QVERIFY2(entry.startsWith(sources + QLatin1Char('/')), qPrintable(what));
                    answer = list;
                    child<QPushButton>(window.filePage(), "btnLoad")->click();
                    QCOMPARE(describeAll(window), state);
                    MsgAnswer::clear();
                    continue;
                }
                QVERIFY2(describeAll(window) == state, qPrintable(what));
                const bool boxed = MsgAnswer::pending() == 0;
                QVERIFY2(boxed || zvtest::wait_for([&] { return log.contains("FAILED"); }, 2000),
                         qPrintable(what + QStringLiteral(": refused in silence")));
                MsgAnswer::clear();
            }
        }

        // Values far out of range, one key at a time: whatever is taken stays
        // inside what the controls and the output settings allow.
        const outputconfig_t *c = photobatch_get_outputconfig(photobatch_get_instance());
        for (const hostile::Case &c2 : hostile::outOfRange(goodProfile)) {
            QVERIFY(zvtest::write_file(hostileFile.toStdString(), c2.bytes.toStdString()));
            MsgAnswer::clear();
            window.loadProfile(hostileFile);
            QVERIFY2(MsgAnswer::unexpected() == 0, qPrintable(c2.name));
            QVERIFY2(c->quality >= 0 && c->quality <= 100,
                     qPrintable(c2.name + QStringLiteral(": quality %1").arg(c->quality)));
            QVERIFY2(c->format >= SN_IMAGE_FORMAT_BMP && c->format <= SN_IMAGE_FORMAT_TIFF,
                     qPrintable(c2.name));
            QVERIFY2(window.workflowPage()->operations().size() == 2, qPrintable(c2.name));
            window.loadProfile(profile);
        }
        window.stopWorkers();
    }

    // A day at the real window with the keyboard and the mouse only (a seam
    // stands in for the platform's file dialogs and drag loop): the menus,
    // the about box, the settings with German for the next start, Step 1's
    // view, sort, check marks, removal and information, Step 2's stages
    // through a typed resize and the strip's moves, Step 4's buttons and line
    // limit, the close question answered; then the program started again
    // speaks German and leaves by File > Exit with its log written whole.
    void aDayAtTheWindow()
    {
        const QString share = path("share");
        QVERIFY(QDir().mkpath(share + QStringLiteral("/Zandrevik")));
        appsettings_init(QFile::encodeName(share + QStringLiteral("/Zandrevik/Zandrevik.conf")));
        QCOMPARE(g_appsettings.ask_save_filelist, 1); // the close question stays on
        setLanguageFolder(QCoreApplication::applicationDirPath() +
                          QStringLiteral("/../app/language"));
        makePhotos();
        const QString many = path("many");
        QVERIFY(QDir().mkpath(many));
        for (int i = 0; i < 60; i++)
            QVERIFY(step1::writePicture(
                many + QStringLiteral("/tiny%1.bmp").arg(i, 2, 10, QLatin1Char('0')), 8, 6,
                SN_IMAGE_FORMAT_BMP));
        const QString output = path("out");
        QVERIFY(QDir().mkpath(output));
        const QString logFile = path("day.log");

        // The first start: the window lives in this block, so that its log
        // file is closed, as at the end of a program, before it is read.
        {
            FMain window;
            window.show();
            window.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&window));
            QTabWidget *tabs = window.tabWidget();

            // Help > About... by the keyboard: Alt+H, up to the last entry, Enter;
            // the box is closed with its own close button.
            QString aboutTitle;
            pages::answerModal<FAbout>([&aboutTitle](FAbout *about) {
                aboutTitle = about->findChild<StyleTitle *>()->title();
                QTest::mouseClick(about->findChild<QPushButton *>(QStringLiteral("btnTBClose")),
                                  Qt::LeftButton);
            });
            QMenu *help = openMenuByKey(&window, Qt::Key_H);
            QVERIFY(help);
            QCOMPARE(help->title(), QStringLiteral("&Help"));
            QTest::keyClick(help, Qt::Key_Up);
            QCOMPARE(help->activeAction()->text(), QStringLiteral("&About..."));
            QTest::keyClick(help, Qt::Key_Return);
            QCOMPARE(aboutTitle, QStringLiteral("About - Zandrevik"));
            QVERIFY(!openPopup());

            // The keyboard walks from one menu to the next.
            QMenu *file = openMenuByKey(&window, Qt::Key_F);
            QVERIFY(file);
            QCOMPARE(file->title(), QStringLiteral("&File"));
            QTest::keyClick(file, Qt::Key_Right);
            QTRY_VERIFY(openPopup() && openPopup()->title() == QStringLiteral("&Tool"));
            // Esc closes the menu, a second one leaves the menu bar.
            QTest::keyClick(openPopup(), Qt::Key_Escape);
            QTRY_VERIFY(!openPopup());
            QTest::keyClick(window.menuBar(), Qt::Key_Escape);

            // Tool > Settings... by the mouse: German, a log file and the least
            // line limit, typed; OK.
            bool settingsSeen = false;
            pages::answerModal<FOptions>([&](FOptions *options) {
                settingsSeen = true;
                QComboBox *language = options->findChild<QComboBox *>(QStringLiteral("cmbLang"));
                language->setFocus();
                while (language->currentText() != QStringLiteral("de_DE") &&
                       language->currentIndex() < language->count() - 1)
                    QTest::keyClick(language, Qt::Key_Down);
                QCheckBox *save = options->findChild<QCheckBox *>(QStringLiteral("chkSaveLog"));
                if (!save->isChecked())
                    clickCheck(save);
                typeOver(options->findChild<QLineEdit *>(QStringLiteral("edtLogFile")), logFile);
                typeOver(options->findChild<QLineEdit *>(QStringLiteral("edtMaxLogline")),
                         QStringLiteral("100"));
                QDialogButtonBox *box =
                    options->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
                QTest::mouseClick(box->button(QDialogButtonBox::Ok), Qt::LeftButton);
            });
            QMenu *tool = openMenuByMouse(window.menuBar(), QStringLiteral("&Tool"));
            QVERIFY(tool);
            QAction *settings = actionOf(tool, QStringLiteral("&Settings..."));
            QVERIFY(settings);
            QTest::mouseClick(tool, Qt::LeftButton, Qt::NoModifier,
                              tool->actionGeometry(settings).center());
            QVERIFY(settingsSeen);
            QCOMPARE(QString::fromUtf8(g_appsettings.lang_filename), QStringLiteral("de_DE"));
            QCOMPARE(QString::fromUtf8(g_appsettings.log_filename), logFile);
            QCOMPARE(g_appsettings.max_log_lines, 100);
            // The texts stay English until the next start.
            QCOMPARE(tabs->tabText(0), QStringLiteral("Step1: Select Files"));

            // Step 1: the folder, thumbnails, sort, check marks and removal.
            FMainFile *files = window.filePage();
            fileman_t *list = photobatch_get_fileman(photobatch_get_instance());
            Dialogs::hooks().existingDirectory = [this](QWidget *, const QString &, const QString &,
                                                        QFileDialog::Options) { return sources; };
            QTest::mouseClick(child<QPushButton>(files, "btnAddFolder"), Qt::LeftButton);
            QCOMPARE(fileman_count(list), 6);
            QListView *view = child<QListView>(files, "lvFile");
            auto *model = qobject_cast<CFileModel *>(view->model());
            QTest::mouseClick(child<QRadioButton>(files, "rbViewThumbnail"), Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(
                (sn_image_t *)model->data(model->index(0), CFileModel::PictureRole)
                        .value<quintptr>() != model->placeholder(),
                10000);
            QTest::mouseClick(child<QRadioButton>(files, "rbSortSize"), Qt::LeftButton);
            auto sizes = [list]() {
                QList<qint64> out;
                for (int i = 0; i < fileman_count(list); i++)
                    out << QFileInfo(QString::fromUtf8(fileman_get(list, i)->path)).size();
                return out;
            };
            QList<qint64> ascending = sizes();
            std::sort(ascending.begin(), ascending.end());
            QCOMPARE(sizes(), ascending);
            clickCheck(child<QCheckBox>(files, "chbSortDirection"));
            QList<qint64> descending = ascending;
            std::reverse(descending.begin(), descending.end());
            QCOMPARE(sizes(), descending);
            clickCheck(child<QCheckBox>(files, "chbSortDirection"));
            QTest::mouseClick(child<QRadioButton>(files, "rbSortName"), Qt::LeftButton);
            QCOMPARE(QFileInfo(QString::fromUtf8(fileman_get(list, 0)->path)).fileName(),
                     QStringLiteral("alpha.jpg"));
            // Marks by the keyboard on the current row: the broken file and echo.
            auto rowOf = [list](const char *name) {
                for (int i = 0; i < fileman_count(list); i++)
                    if (QString::fromUtf8(fileman_get(list, i)->path).endsWith(QLatin1String(name)))
                        return i;
                return -1;
            };
            for (const char *name : {k_broken, "echo.tif"}) {
                const QModelIndex index = model->index(rowOf(name));
                QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                                  view->visualRect(index).center());
                QTest::keyClick(view, Qt::Key_Space);
                QCOMPARE(model->data(index, Qt::CheckStateRole).toInt(), (int)Qt::Checked);
            }
            QTest::mouseClick(child<QPushButton>(files, "btnRemove"), Qt::LeftButton);
            QCOMPARE(fileman_count(list), 4);
            QCOMPARE(rowOf(k_broken), -1);
            QCOMPARE(rowOf("echo.tif"), -1);
            // The information panel of the row clicked.
            QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                              view->visualRect(model->index(rowOf("alpha.jpg"))).center());
            QTRY_VERIFY_WITH_TIMEOUT(
                child<QLabel>(files, "lbPicInfo")->text().contains(QStringLiteral("120x90")),
                10000);
            QVERIFY(child<QLabel>(files, "lbPicInfo")
                        ->text()
                        .startsWith(QStringLiteral("Name: alpha")));

            // Step 2: its tab shows the photo chosen on Step 1.
            clickTab(tabs, 1);
            FMainWorkflow *flow = window.workflowPage();
            QLabel *original = child<QLabel>(flow, "lbOriginal");
            QLabel *current = child<QLabel>(flow, "lbCurrent");
            QLabel *result = child<QLabel>(flow, "lbFinal");
            // With no operation the result is the photo itself.
            QTRY_COMPARE_WITH_TIMEOUT(shownSize(result), QSize(120, 90), 10000);
            // A resize typed in percent, applied by its own timer.
            pages::answerChooser(0, 2);
            QTest::mouseClick(child<QPushButton>(flow, "btnAdd"), Qt::LeftButton);
            QCOMPARE(pages::kinds(flow), QStringList{"resize"});
            QWidget *resize = flow->operations()[0]->widget();
            QTest::mouseClick(child<QRadioButton>(resize, "rbPercents"), Qt::LeftButton);
            typeOver(child<QSpinBox>(resize, "sbWidth"), QStringLiteral("50"));
            typeOver(child<QSpinBox>(resize, "sbHeight"), QStringLiteral("50"));
            QTRY_COMPARE_WITH_TIMEOUT(shownSize(result), QSize(60, 45), 10000);
            QVERIFY(!isGray(shownMiddle(result)));
            pages::answerChooser(0, 8); // gray
            QTest::mouseClick(child<QPushButton>(flow, "btnAdd"), Qt::LeftButton);
            pages::answerChooser(0, 9); // negative
            QTest::mouseClick(child<QPushButton>(flow, "btnAdd"), Qt::LeftButton);
            QCOMPARE(pages::kinds(flow), (QStringList{"resize", "gray", "negative"}));
            QTRY_VERIFY_WITH_TIMEOUT(
                shownSize(result) == QSize(60, 45) && isGray(shownMiddle(result)), 10000);
            // Stage by stage through the preview's own tabs and the strip.
            QTabWidget *stages = child<QTabWidget>(flow, "twPreview");
            clickTab(stages, 0);
            QTRY_COMPARE_WITH_TIMEOUT(shownSize(original), QSize(120, 90), 10000);
            QVERIFY(!isGray(shownMiddle(original)));
            clickTab(stages, 1);
            CWidgetWorkflow *strip = flow->findChild<CWidgetWorkflow *>();
            pages::pressStrip(strip, 0, strip->pieceX(0) + 10);
            QCOMPARE(flow->selectedIndex(), 0);
            QTRY_VERIFY_WITH_TIMEOUT(
                shownSize(current) == QSize(60, 45) && !isGray(shownMiddle(current)), 10000);
            pages::pressStrip(strip, 1, strip->pieceX(1) + 10);
            QTRY_VERIFY_WITH_TIMEOUT(
                shownSize(current) == QSize(60, 45) && isGray(shownMiddle(current)), 10000);
            // Move Right, Move Left, a drag to the end, Remove.
            QTest::mouseClick(child<QPushButton>(flow, "btnMoveRight"), Qt::LeftButton);
            QCOMPARE(pages::kinds(flow), (QStringList{"resize", "negative", "gray"}));
            QTest::mouseClick(child<QPushButton>(flow, "btnMoveLeft"), Qt::LeftButton);
            QCOMPARE(pages::kinds(flow), (QStringList{"resize", "gray", "negative"}));
            pages::pressStrip(strip, 0, strip->pieceX(2) + 10);
            QCOMPARE(pages::kinds(flow), (QStringList{"gray", "negative", "resize"}));
            pages::pressStrip(strip, 1, strip->pieceX(1) + 10);
            QTest::mouseClick(child<QPushButton>(flow, "btnRemove"), Qt::LeftButton);
            QCOMPARE(pages::kinds(flow), (QStringList{"gray", "resize"}));
            clickTab(stages, 2);
            QTRY_VERIFY_WITH_TIMEOUT(
                shownSize(result) == QSize(60, 45) && isGray(shownMiddle(result)), 10000);

            // Another photo chosen on Step 1 is what Step 2's tab shows next.
            clickTab(tabs, 0);
            QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                              view->visualRect(model->index(rowOf("bravo.png"))).center());
            QTRY_VERIFY_WITH_TIMEOUT(
                child<QLabel>(files, "lbPicInfo")->text().contains(QStringLiteral("100x60")),
                10000);
            clickTab(tabs, 1);
            QTRY_VERIFY_WITH_TIMEOUT(
                shownSize(result) == QSize(50, 30) && isGray(shownMiddle(result)), 10000);

            // Step 3: the output folder.
            clickTab(tabs, 2);
            Dialogs::hooks().existingDirectory = [output](QWidget *, const QString &,
                                                          const QString &,
                                                          QFileDialog::Options) { return output; };
            QTest::mouseClick(child<QPushButton>(window.outputPage(), "btnFolder"), Qt::LeftButton);
            QCOMPARE(child<QLineEdit>(window.outputPage(), "edtFolder")->text(), output);

            // Step 4 with sixty more files: a run cancelled at once.
            clickTab(tabs, 0);
            Dialogs::hooks().existingDirectory = [many](QWidget *, const QString &, const QString &,
                                                        QFileDialog::Options) { return many; };
            QTest::mouseClick(child<QPushButton>(files, "btnAddFolder"), Qt::LeftButton);
            QCOMPARE(fileman_count(list), 64);
            clickTab(tabs, 3);
            FMainProcess *process = window.processPage();
            QPushButton *start = child<QPushButton>(process, "btnStart");
            QTextEdit *log = child<QTextEdit>(process, "edtLog");
            QTest::mouseClick(start, Qt::LeftButton);
            QTest::mouseClick(child<QPushButton>(process, "btnCancel"), Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(
                log->toPlainText().contains(QStringLiteral("Processing canceled")), 10000);
            QTRY_COMPARE_WITH_TIMEOUT(start->text(), QStringLiteral("Start Process"), 10000);
            QVERIFY(filesIn(output).size() < 64);
            // Copy puts the whole view on the clipboard; Clear empties it.
            QTest::mouseClick(child<QPushButton>(process, "btnCopy"), Qt::LeftButton);
            QCOMPARE(QGuiApplication::clipboard()->text(), log->toPlainText());
            QTest::mouseClick(child<QPushButton>(process, "btnClear"), Qt::LeftButton);
            QVERIFY(log->toPlainText().isEmpty());
            // A whole run of 64 files keeps the last 100 of its lines in view.
            for (const QString &name : filesIn(output))
                QVERIFY(QFile::remove(output + QLatin1Char('/') + name));
            QTest::mouseClick(start, Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(
                log->toPlainText().contains(QStringLiteral("Processing completed")), 30000);
            QCOMPARE(filesIn(output).size(), 64);
            QTRY_COMPARE_WITH_TIMEOUT(start->text(), QStringLiteral("Start Process"), 10000);
            QCOMPARE(log->document()->blockCount(), 100);
            QVERIFY(log->toPlainText().endsWith(
                QStringLiteral("Processing completed, file count:64, processed:64")));
            // Disable Log: a run that shows nothing, though the file has it all.
            clickCheck(child<QCheckBox>(process, "chkDisableLog"));
            QCOMPARE(g_appsettings.disable_log_display, 1);
            QTest::mouseClick(child<QPushButton>(process, "btnClear"), Qt::LeftButton);
            for (const QString &name : filesIn(output))
                QVERIFY(QFile::remove(output + QLatin1Char('/') + name));
            QTest::mouseClick(start, Qt::LeftButton);
            QTRY_COMPARE_WITH_TIMEOUT(filesIn(output).size(), 64, 30000);
            QTRY_COMPARE_WITH_TIMEOUT(start->text(), QStringLiteral("Start Process"), 10000);
            QVERIFY(log->toPlainText().isEmpty());
            clickCheck(child<QCheckBox>(process, "chkDisableLog"));
            QCOMPARE(g_appsettings.disable_log_display, 0);

            // The close question, through the title bar's close button: Cancel
            // keeps the window open, No lets it close.
            QPushButton *close =
                window.titleBar()->findChild<QPushButton *>(QStringLiteral("btnTBClose"));
            QVERIFY(close);
            MsgAnswer::clear();
            MsgAnswer::next(QDialogButtonBox::Cancel);
            QTest::mouseClick(close, Qt::LeftButton);
            QVERIFY(window.isVisible());
            MsgAnswer::next(QDialogButtonBox::No);
            QTest::mouseClick(close, Qt::LeftButton);
            QVERIFY(!window.isVisible());
            const QString question =
                QStringLiteral("Zandrevik|File list has been modified, do you want to save it?");
            QCOMPARE(MsgAnswer::seen(), (QStringList{question, question}));
            window.stopWorkers();
            QCOMPARE(g_appsettings.ask_save_filelist, 1);
        }

        // The next start, in a child on the real start-up road.
        const QString photos = path("big");
        QVERIFY(QDir().mkpath(photos));
        for (const char *name : {"a.jpg", "b.jpg", "c.jpg"})
            QVERIFY(
                step1::writePicture(photos + QLatin1Char('/') + QLatin1String(name), 1600, 1200));
        const QString bigOut = path("bigout");
        QVERIFY(QDir().mkpath(bigOut));
        const QString texts = path("texts.txt");
        QProcessEnvironment env = childEnvironment(share);
        env.insert(QStringLiteral("ZV_JOURNEY_RESTART"), QStringLiteral("1"));
        env.insert(QStringLiteral("ZV_JOURNEY_SOURCES"), photos);
        env.insert(QStringLiteral("ZV_JOURNEY_OUTPUT"), bigOut);
        env.insert(QStringLiteral("ZV_JOURNEY_TEXTS"), texts);
        const QString ended = runChild(env);
        QVERIFY2(ended.isEmpty(), qPrintable(QStringLiteral("File > Exit: the program ") + ended));
        const QStringList german = readAll(texts).split(QLatin1Char('\n'));
        QCOMPARE(german.value(0), QString::fromUtf8("Schritt 1: Dateien wählen"));
        QVERIFY2(german.contains(QStringLiteral("&Datei")), qPrintable(german.join(',')));
        QVERIFY2(german.contains(QStringLiteral("E&xtras")), qPrintable(german.join(',')));

        // The log file holds the day whole: the runs of the first start, and
        // of the second every photo that was written, the one in hand at
        // Exit included.
        const QString day = readAll(logFile);
        QCOMPARE(day.count(QStringLiteral("Processing completed, file count:64, processed:64")), 2);
        QVERIFY(day.contains(QStringLiteral("Processing canceled")));
        QStringList unlogged;
        for (const QString &name : filesIn(bigOut))
            if (!day.contains(QStringLiteral("Processsing file complete, writed to:") + bigOut +
                              QLatin1Char('/') + name))
                unlogged << name;
        // The photo in hand at Exit is finished after the event loop has
        // ended: its line must still reach the log.
        QVERIFY2(unlogged.isEmpty(), qPrintable(unlogged.join(QLatin1Char(','))));
    }
};

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsSet("ZV_JOURNEY_CHILD"))
        return childMain(argc, argv);
    if (qEnvironmentVariableIsSet("ZV_JOURNEY_RESTART"))
        return restartMain(argc, argv);
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    JourneyTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "journey_test.moc"
