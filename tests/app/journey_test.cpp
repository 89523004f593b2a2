// The whole application as a photographer uses it, through the real main
// window: a folder of photos in five formats with one broken file, a resize
// and a text stamp chosen and set on Step 2, an output folder, name template
// and format on Step 3, a run with pause and resume on Step 4; the outputs,
// the log and the untouched sources checked afterwards; a run that deletes
// its sources while its output folder goes away half-way; a profile saved and
// loaded by a second window; the window closed in the middle of a run (in a
// child process running the real start-up); and hostile profiles and file
// lists through the real loaders.
#include "appsettings.h"
#include "dialogs.h"
#include "filter/imagefilter.h"
#include "finputcounter.h"
#include "finputdatetime.h"
#include "fmain.h"
#include "fmainfile.h"
#include "fmainoutput.h"
#include "fmainprocess.h"
#include "fmainworkflow.h"
#include "hostile_files.h"
#include "image/sn_image.h"
#include "msganswer.h"
#include "operation.h"
#include "outputconfig.h"
#include "pages_fixture.h"
#include "photobatch.h"
#include "startup.h"
#include "step1_fixture.h"
#include "tsan_qt.h"
#include "zv_test.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
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

template <typename T> T *child(QWidget *parent, const char *name)
{
    T *w = parent->findChild<T *>(QLatin1String(name));
    if (!w)
        qFatal("no child %s", name);
    return w;
}

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

// The child process of closeDuringRun: the real start-up with a job set up
// once the window shows, closed as soon as the first photo is in hand.
int childMain(int argc, char **argv)
{
    StartupHooks hooks;
    hooks.shown = [](FMain &window) {
        const QString sources = qEnvironmentVariable("ZV_JOURNEY_SOURCES");
        const QString output = qEnvironmentVariable("ZV_JOURNEY_OUTPUT");
        // Not the default, so that the saved file shows this session's block.
        g_appsettings.ask_save_filelist = 0;
        Dialogs::hooks().existingDirectory = [sources](QWidget *, const QString &, const QString &,
                                                       QFileDialog::Options) { return sources; };
        window.filePage()->findChild<QPushButton *>(QStringLiteral("btnAddFolder"))->click();
        const OperationParamList params = {{QStringLiteral("width"), QStringLiteral("50%")},
                                           {QStringLiteral("height"), QStringLiteral("50%")},
                                           {QStringLiteral("keep_aspect"), QStringLiteral("none")}};
        window.workflowPage()->insertOperation("resize", 0, &params);
        outputconfig_t *c = photobatch_get_outputconfig(photobatch_get_instance());
        outputconfig_lock(c);
        snprintf(c->output_folder, sizeof c->output_folder, "%s", output.toUtf8().constData());
        snprintf(c->filename_template, sizeof c->filename_template, "<Filename>");
        c->use_source_folder = 0;
        c->format = SN_IMAGE_FORMAT_PNG;
        c->keep_source_format = 0;
        outputconfig_unlock(c);
        window.outputPage()->loadConfig();
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
        QCOMPARE(bar->value(), bar->maximum());
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

    // Deleting sources while the output folder is replaced by a plain file
    // after the second photo: the first outputs exist, every later write
    // fails, and no source is gone without its output. (Root writes through
    // a read-only folder, so the folder is taken away instead.)
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
        QVERIFY(logLines(window).filter(QStringLiteral("Write file FAILED!")).size() >= 1);

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
        QVERIFY(deleted >= 1);
        QVERIFY(kept >= 2); // the broken one and at least one after the switch
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
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ZV_JOURNEY_CHILD"), QStringLiteral("1"));
        env.insert(QStringLiteral("ZV_JOURNEY_SOURCES"), photos);
        env.insert(QStringLiteral("ZV_JOURNEY_OUTPUT"), output);
        env.insert(QStringLiteral("HOME"), path("home"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), path("home/data"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), path("home/config"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        QProcess process;
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(QCoreApplication::applicationFilePath(), QStringList());
        QVERIFY(process.waitForStarted(10000));
        // Start-up, one photo in hand and the engine's 2 s wait, with room to
        // spare for a slow (sanitized) build.
        QVERIFY2(process.waitForFinished(60000), "the closed application did not end");
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);

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
};

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsSet("ZV_JOURNEY_CHILD"))
        return childMain(argc, argv);
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    JourneyTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "journey_test.moc"
