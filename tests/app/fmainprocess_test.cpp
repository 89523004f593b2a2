// The Step 4 page in the main window: the start questions, the log lines of
// real runs (start, files, failures, pause, resume, cancel, completion), the
// buttons and the progress bar, the log view and the log file with its
// flush timing on a test clock, and the busy state.
#include "fmainprocess.h"

#include "appsettings.h"
#include "dialogs.h"
#include "fmain.h"
#include "fmainworkflow.h"
#include "image/sn_image.h"
#include "msganswer.h"
#include "pages_fixture.h"
#include "photobatch.h"
#include "base/sn_thread.h"
#include "picturefilter.h"
#include "zv_test.h"

#include <string.h>
#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextEdit>
#include <QTranslator>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace
{

int64_t g_now = 1000;
int64_t testClock()
{
    return g_now;
}

// Holds the first file of a run in its filter step until a command is
// posted, so that pause and cancel land between two files.
struct Gate {
    std::atomic<bool> armed{false};
    photobatch_t *batch = nullptr;
};

void gateFilters(void *owner, const QString &path, int, QList<imagefilter_t *> &filters)
{
    filters.clear();
    Gate *gate = static_cast<Gate *>(owner);
    if (path.isEmpty() || !gate->armed.exchange(false))
        return;
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    // An exit is posted before the worker is asked to stop: the gate opens
    // once both have come, so that the file in hand is always given up.
    auto held = [gate]() {
        const int command = gate->batch->command.load();
        return command == 0 || (command == PHOTOBATCH_COMMAND_EXIT && !sn_thread_stop_asked());
    };
    while (held() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

QString readAll(const std::string &path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

} // namespace

class FMainProcessTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<zvtest::TempDir> dir;
    std::unique_ptr<FMain> window;
    FMainProcess *page = nullptr;
    Gate gate;

    template <typename T> T *child(const char *name)
    {
        T *w = page->findChild<T *>(QLatin1String(name));
        if (!w)
            qFatal("no child %s", name);
        return w;
    }
    photobatch_t *batch()
    {
        return photobatch_get_instance();
    }
    std::string file(const char *name)
    {
        return dir->file(name);
    }
    QStringList viewLines()
    {
        QString text = child<QTextEdit>("edtLog")->toPlainText();
        return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
    }
    void setOutputFolder(const std::string &folder, int useSource = 0)
    {
        outputconfig_t *c = photobatch_get_outputconfig(batch());
        outputconfig_lock(c);
        snprintf(c->output_folder, sizeof c->output_folder, "%s", folder.c_str());
        c->use_source_folder = useSource;
        outputconfig_unlock(c);
    }
    void addFiles(const QStringList &names)
    {
        for (const QString &name : names)
            fileman_add(photobatch_get_fileman(batch()), file(qPrintable(name)).c_str(), 0, 0);
    }
    // gated: the worker takes its filters from the test's gate instead of
    // the Step 2 page.
    void makeWindow(bool gated = true)
    {
        window.reset(new FMain);
        page = window->processPage();
        gate.batch = batch();
        gate.armed = false;
        if (gated)
            photobatch_set_filter_callback(batch(), gateFilters, &gate);
        window->show();
    }
    void start()
    {
        child<QPushButton>("btnStart")->click();
    }
    // Runs that have ended so far, by their last line in the view.
    int runsEnded()
    {
        return viewLines().filter(QStringLiteral("Processing completed")).size();
    }
    QString settingsFile()
    {
        return readAll(appsettings_path());
    }

private slots:
    void initTestCase()
    {
        sn_image_init();
    }
    void cleanupTestCase()
    {
        sn_image_uninit();
    }
    void init()
    {
        dir.reset(new zvtest::TempDir);
        QVERIFY(!dir->path().empty());
        appsettings_init(file("Zandrevik.conf").c_str());
        snprintf(g_appsettings.log_filename, sizeof g_appsettings.log_filename, "%s",
                 file("run.log").c_str());
        fmainprocess_set_clock(testClock);
        g_now = 1000;
        MsgAnswer::clear();
        makeWindow();
        QFile::remove(appsettings_path());
    }
    void cleanup()
    {
        window.reset();
        page = nullptr;
        Dialogs::reset();
        fmainprocess_set_clock(nullptr);
        QCOMPARE(MsgAnswer::unexpected(), 0);
        QCOMPARE(MsgAnswer::pending(), 0);
        dir.reset();
    }

    void idleTextsAtConstruction()
    {
        QCOMPARE(child<QPushButton>("btnStart")->text(), QStringLiteral("Start Process"));
        QCOMPARE(child<QPushButton>("btnCancel")->text(), QStringLiteral("Cancel Process"));
        QVERIFY(!child<QPushButton>("btnCancel")->isEnabled());
        QVERIFY(child<QTextEdit>("edtLog")->isReadOnly());
        QVERIFY(!child<QCheckBox>("chkDisableLog")->isChecked());
        QCOMPARE(child<QTextEdit>("edtLog")->document()->maximumBlockCount(), 800);
        // Nothing was saved by a construction with the display on.
        QVERIFY(!QFileInfo::exists(appsettings_path()));
    }

    void storedDisabledDisplaySavesOnceAtConstruction()
    {
        window.reset();
        g_appsettings.disable_log_display = 1;
        makeWindow();
        QVERIFY(child<QCheckBox>("chkDisableLog")->isChecked());
        QVERIFY(settingsFile().contains(QStringLiteral("disable_log_display = 1")));
        child<QCheckBox>("chkDisableLog")->click();
        QCOMPARE(g_appsettings.disable_log_display, 0);
        QVERIFY(settingsFile().contains(QStringLiteral("disable_log_display = 0")));
    }

    void questionsComeInOrder()
    {
        // A missing folder and an empty list: the folder question, then the
        // list message and Step 1.
        std::string out = file("new/deep/out");
        setOutputFolder(out);
        window->tabWidget()->setCurrentIndex(3);
        MsgAnswer::next(QDialogButtonBox::Yes);
        MsgAnswer::next(QDialogButtonBox::Ok);
        start();
        QCOMPARE(MsgAnswer::seen(),
                 (QStringList{"Zandrevik|Output folder does not exist, do you want to create it?",
                              "Zandrevik|File list is empty, please select some photo files "
                              "first!"}));
        QVERIFY(QFileInfo(QString::fromStdString(out)).isDir());
        QCOMPARE(window->tabWidget()->currentIndex(), 0);

        // With files and no filter: the pipeline question; No ends it.
        QVERIFY(zvtest::write_small_jpeg(file("a.jpg")));
        addFiles({"a.jpg"});
        MsgAnswer::clear();
        MsgAnswer::next(QDialogButtonBox::No);
        start();
        QCOMPARE(MsgAnswer::seen(),
                 QStringList{"Zandrevik|No filter selected, is this your want?"});
        QCOMPARE(photobatch_get_status(batch()), int(PHOTOBATCH_STATUS_IDLE));
        QVERIFY(viewLines().isEmpty());
    }

    void neverAgainCountsOnlyWithoutNo()
    {
        QVERIFY(zvtest::write_small_jpeg(file("a.jpg")));
        addFiles({"a.jpg"});
        std::string out = file("out");
        setOutputFolder(out);

        // Ticked and No: both flags stay and the question comes again.
        MsgAnswer::next(QDialogButtonBox::No, true);
        start();
        QCOMPARE(g_appsettings.ask_create_output_folder, 1);
        QVERIFY(!QFileInfo::exists(QString::fromStdString(out)));
        MsgAnswer::next(QDialogButtonBox::Yes, true); // folder
        MsgAnswer::next(QDialogButtonBox::No, true);  // pipeline
        start();
        QCOMPARE(g_appsettings.ask_create_output_folder, 0);
        QCOMPARE(g_appsettings.ask_empty_filterlist, 1);
        QVERIFY(settingsFile().contains(QStringLiteral("ask_create_output_folder = 0")));
        QVERIFY(QFileInfo(QString::fromStdString(out)).isDir());

        // Ticked and Yes: the flag goes and the run starts.
        MsgAnswer::next(QDialogButtonBox::Yes, true);
        start();
        QCOMPARE(g_appsettings.ask_empty_filterlist, 0);
        QVERIFY(settingsFile().contains(QStringLiteral("ask_empty_filterlist = 0")));
        QTRY_COMPARE(runsEnded(), 1);
        QCOMPARE(MsgAnswer::seen().size(), 4);

        // Nothing asks any more.
        start();
        QTRY_COMPARE(runsEnded(), 2);
        QCOMPARE(MsgAnswer::seen().size(), 4);

        // disable_all_confirms silences every question.
        g_appsettings.ask_create_output_folder = 1;
        g_appsettings.ask_empty_filterlist = 1;
        g_appsettings.disable_all_confirms = 1;
        setOutputFolder(file("out2"));
        start();
        QTRY_COMPARE(runsEnded(), 3);
        QCOMPARE(MsgAnswer::seen().size(), 4);
        QVERIFY(QFileInfo(QString::fromStdString(file("out2"))).isDir());
    }

    // A width typed just before Start is the run's, though its deferred
    // apply had not come yet.
    void pendingEditBelongsToTheRun()
    {
        window.reset();
        makeWindow(false);
        {
            zvtest::ImagePtr grey(sn_image_create(200, 150, 1));
            QVERIFY(grey && sn_image_allocate_frame(grey.get(), 0) == 0);
            for (int i = 0; i < 200 * 150; i++)
                grey->frames[0].pixels[i] = SN_PIXEL(255, 128, 128, 128);
            QCOMPARE(sn_image_save(grey.get(), file("a.png").c_str(), SN_IMAGE_FORMAT_PNG, nullptr),
                     0);
        }
        addFiles({"a.png"});
        const std::string out = file("out");
        QVERIFY(QDir().mkpath(QString::fromStdString(out)));
        setOutputFolder(out);
        window->tabWidget()->setCurrentIndex(1);
        const OperationParamList params = {{"width", "4px"}, {"height", "3px"}};
        window->workflowPage()->insertOperation("resize", 0, &params);
        QSpinBox *width = window->workflowPage()->findChild<QSpinBox *>(QStringLiteral("sbWidth"));
        QVERIFY(width);
        pages::typeOver(width, QStringLiteral("2"));
        QCOMPARE(width->value(), 2);
        window->tabWidget()->setCurrentIndex(3);
        start();
        QTRY_COMPARE(runsEnded(), 1);
        const QStringList written = QDir(QString::fromStdString(out)).entryList(QDir::Files);
        QCOMPARE(written.size(), 1);
        zvtest::ImagePtr image(
            sn_image_create_from_file((out + "/" + written.first().toStdString()).c_str(), 0));
        QVERIFY(image);
        QCOMPARE(image->width, 2);
        QCOMPARE(image->height, 3);
    }

    // Start counts the pipeline's filters without drawing a text on the
    // interface thread (a long text took seconds there, and the window
    // froze): the worker that runs the filters draws it.
    void startDrawsNoTextOnTheInterfaceThread()
    {
        window.reset();
        makeWindow(false);
        {
            zvtest::ImagePtr grey(sn_image_create(200, 150, 1));
            QVERIFY(grey && sn_image_allocate_frame(grey.get(), 0) == 0);
            for (int i = 0; i < 200 * 150; i++)
                grey->frames[0].pixels[i] = SN_PIXEL(255, 128, 128, 128);
            QCOMPARE(sn_image_save(grey.get(), file("a.png").c_str(), SN_IMAGE_FORMAT_PNG, nullptr),
                     0);
        }
        addFiles({"a.png"});
        const std::string out = file("out");
        QVERIFY(QDir().mkpath(QString::fromStdString(out)));
        setOutputFolder(out);
        outputconfig_t *c = photobatch_get_outputconfig(batch());
        outputconfig_lock(c);
        c->format = SN_IMAGE_FORMAT_PNG;
        c->keep_source_format = 0;
        outputconfig_unlock(c);
        window->tabWidget()->setCurrentIndex(1);
        const OperationParamList params = {{"text", QString(200, QLatin1Char('W'))},
                                           {"font", "DejaVu Sans,96,-1,5,50,0,0,0,0,0"},
                                           {"transparency", "0"},
                                           {"x_space", "0"},
                                           {"y_space", "0"}};
        window->workflowPage()->insertOperation("watermark_text", 0, &params);
        window->tabWidget()->setCurrentIndex(3);
        const unsigned drawnHere = picture_texts_rendered_here();
        start();
        QTRY_COMPARE_WITH_TIMEOUT(runsEnded(), 1, 30000);
        QCOMPARE(picture_texts_rendered_here(), drawnHere);
        QCOMPARE(viewLines().first(),
                 QStringLiteral("Start processing, files count:1, filter count1"));
        // The worker drew it: the output is not the photo as it was.
        const QStringList written = QDir(QString::fromStdString(out)).entryList(QDir::Files);
        QCOMPARE(written.size(), 1);
        zvtest::ImagePtr source(sn_image_create_from_file(file("a.png").c_str(), 0));
        zvtest::ImagePtr output(
            sn_image_create_from_file((out + "/" + written.first().toStdString()).c_str(), 0));
        QVERIFY(source && output);
        QVERIFY(!zvtest::same_pixels(source.get(), output.get()));
    }

    void emptyFolderIsRefusedBeforeTheStart()
    {
        QVERIFY(zvtest::write_small_jpeg(file("a.jpg")));
        addFiles({"a.jpg"});
        setOutputFolder("");
        window->tabWidget()->setCurrentIndex(3);
        // The refusal comes before any question, and nothing is created in
        // the working folder.
        const QStringList before = QDir::current().entryList(QDir::AllEntries | QDir::Hidden);
        MsgAnswer::next(QDialogButtonBox::Ok);
        start();
        QCOMPARE(MsgAnswer::seen(),
                 QStringList{"Zandrevik|No output folder is set, please choose one first!"});
        QCOMPARE(QDir::current().entryList(QDir::AllEntries | QDir::Hidden), before);
        QCOMPARE(window->tabWidget()->currentIndex(), 2);
        QCOMPARE(photobatch_get_status(batch()), int(PHOTOBATCH_STATUS_IDLE));
        QTest::qWait(0);
        QVERIFY(viewLines().isEmpty());

        // With "use source folder" the empty folder is no concern.
        setOutputFolder("", 1);
        MsgAnswer::next(QDialogButtonBox::Yes); // no filter
        start();
        QTRY_COMPARE(runsEnded(), 1);
        QCOMPARE(viewLines().size(), 4);
        QVERIFY(QFileInfo::exists(QString::fromStdString(file("a(1).jpg"))));
    }

    void runWithPauseResumeAndFailures()
    {
        for (const char *name : {"a.jpg", "b.jpg", "c<&>.jpg"})
            QVERIFY(zvtest::write_small_jpeg(file(name)));
        QVERIFY(zvtest::write_file(file("z_bad.jpg"), std::string("not a picture")));
        addFiles({"a.jpg", "b.jpg", "c<&>.jpg", "z_bad.jpg"});
        std::string out = file("out");
        QDir().mkpath(QString::fromStdString(out));
        setOutputFolder(out);
        QSignalSpy busy(window.get(), &FMain::busyChanged);
        QProgressBar *bar = child<QProgressBar>("progressBar");

        gate.armed = true;
        MsgAnswer::next(QDialogButtonBox::Yes);
        start();
        QTRY_COMPARE(child<QPushButton>("btnStart")->text(), QStringLiteral("Pause Process"));
        QVERIFY(child<QPushButton>("btnCancel")->isEnabled());
        QCOMPARE(bar->maximum(), 4);
        QTRY_COMPARE(busy.size(), 1);
        QCOMPARE(busy.at(0).at(0).toBool(), true);
        QVERIFY(window->isBusy());

        start(); // pause
        QTRY_COMPARE(child<QPushButton>("btnStart")->text(), QStringLiteral("Resume Process"));
        QVERIFY(child<QPushButton>("btnCancel")->isEnabled());
        QTRY_COMPARE(viewLines().size(), 4);
        QTRY_COMPARE(bar->value(), 1);

        start(); // resume
        QTRY_COMPARE(busy.size(), 2);
        QCOMPARE(busy.at(1).at(0).toBool(), false);
        QTRY_COMPARE(child<QPushButton>("btnStart")->text(), QStringLiteral("Start Process"));
        QVERIFY(!child<QPushButton>("btnCancel")->isEnabled());
        // The bar shows the position of the last file written. The buttons
        // follow the engine's state when their report is taken, which can be
        // before the last progress report has come.
        QTRY_COMPARE(bar->value(), 3);

        QString a = QString::fromStdString(file("a.jpg"));
        QString b = QString::fromStdString(file("b.jpg"));
        QString c = QString::fromStdString(file("c<&>.jpg"));
        QString bad = QString::fromStdString(file("z_bad.jpg"));
        QString o = QString::fromStdString(out);
        QStringList expected{
            "Start processing, files count:4, filter count0",
            "Start Processing file: " + a,
            "Processsing file complete, writed to:" + o + "/a.jpg",
            "Pause processing, file count:4, processed:1",
            "Resume processing, files count:4, filter count0",
            "Start Processing file: " + b,
            "Processsing file complete, writed to:" + o + "/b.jpg",
            "Start Processing file: " + c,
            "Processsing file complete, writed to:" + o + "/c<&>.jpg",
            "Start Processing file: " + bad,
            "Read file FAILED! " + bad,
            "Processing completed, file count:4, processed:4, failed:1",
        };
        QTRY_COMPARE(viewLines(), expected);

        // Failures in red, the other lines in the view's own colour; the
        // blue status lines.
        QTextDocument *doc = child<QTextEdit>("edtLog")->document();
        auto colour = [&](int line) {
            QTextBlock block = doc->findBlockByNumber(line);
            QTextBlock::iterator it = block.begin();
            return it.fragment().charFormat().foreground().color();
        };
        QCOMPARE(colour(10), QColor(Qt::red));
        QCOMPARE(colour(0), QColor(Qt::blue));
        QCOMPARE(colour(11), QColor(Qt::blue));
        QVERIFY(colour(9) != QColor(Qt::red) && colour(9) != QColor(Qt::blue));

        // The log file holds the same texts, a path's '>' and '&' untouched.
        window.reset();
        QCOMPARE(readAll(file("run.log")), expected.join("\r\n") + "\r\n");
    }

    void pauseThenCancel()
    {
        for (const char *name : {"a.jpg", "b.jpg"})
            QVERIFY(zvtest::write_small_jpeg(file(name)));
        addFiles({"a.jpg", "b.jpg"});
        setOutputFolder(dir->path());
        gate.armed = true;
        MsgAnswer::next(QDialogButtonBox::Yes);
        start();
        QTRY_COMPARE(child<QPushButton>("btnStart")->text(), QStringLiteral("Pause Process"));
        start();
        QTRY_COMPARE(child<QPushButton>("btnStart")->text(), QStringLiteral("Resume Process"));
        child<QPushButton>("btnCancel")->click();
        QTRY_COMPARE(child<QPushButton>("btnStart")->text(), QStringLiteral("Start Process"));
        QVERIFY(!child<QPushButton>("btnCancel")->isEnabled());
        QTRY_COMPARE(viewLines().size(), 5);
        QCOMPARE(viewLines().last(),
                 QStringLiteral("Processing canceled, file count:2, processed:1"));
        QVERIFY(!window->isBusy());
    }

    void everyReportMakesItsLine()
    {
        // The worker's reports, straight into the page: view line (rich
        // text, shown) and log file text.
        struct Case {
            int event;
            intptr_t argument;
            const char *text;
            const char *shown;
            const char *logged; // null: nothing written
        } cases[] = {
            {1, 0, nullptr, "Start processing, files count:0, filter count0",
             "Start processing, files count:0, filter count0"},
            {1, 1, nullptr, "Resume processing, files count:0, filter count0",
             "Resume processing, files count:0, filter count0"},
            {2, 0, nullptr, "Pause processing, file count:0, processed:0",
             "Pause processing, file count:0, processed:0"},
            {3, 1, nullptr, "Processing completed, file count:0, processed:0",
             "Processing completed, file count:0, processed:0"},
            {3, 0, nullptr, "Processing canceled, file count:0, processed:0",
             "Processing canceled, file count:0, processed:0"},
            {4, (intptr_t) "/in/x>y&<b>.jpg", nullptr, "Start Processing file: /in/x>y&<b>.jpg",
             "Start Processing file: /in/x>y&<b>.jpg"},
            {5, (intptr_t) "/in/a.jpg", "/out/a</font>.jpg",
             "Processsing file complete, writed to:/out/a</font>.jpg",
             "Processsing file complete, writed to:/out/a</font>.jpg"},
            {6, 1, "/in/a>b.jpg", "Read file FAILED! /in/a>b.jpg", "Read file FAILED! /in/a>b.jpg"},
            {6, 1, nullptr, "Read file FAILED!", "Read file FAILED!"},
            {6, 2, "/out/\"q\".png", "Write file FAILED! /out/\"q\".png",
             "Write file FAILED! /out/\"q\".png"},
            {6, 3, "resize", "Apply filter [resize] FAILED!", "Apply filter [resize] FAILED!"},
            {6, 4, "rotate",
             "Apply filter [rotate] FAILED! the picture would exceed 128 megapixels and 16 times "
             "the photo",
             "Apply filter [rotate] FAILED! the picture would exceed 128 megapixels and 16 times "
             "the photo"},
            {7, PHOTOBATCH_KEPT_FILTER_FAILED, "/in/<a>.jpg",
             "Source kept: /in/<a>.jpg (a filter failed)",
             "Source kept: /in/<a>.jpg (a filter failed)"},
            {7, PHOTOBATCH_KEPT_NOT_SYNCED, "/in/a.jpg",
             "Source kept: /in/a.jpg (the output folder could not be synced)",
             "Source kept: /in/a.jpg (the output folder could not be synced)"},
            {7, PHOTOBATCH_KEPT_CHANGED, "/in/a.jpg",
             "Source kept: /in/a.jpg (changed since it was loaded)",
             "Source kept: /in/a.jpg (changed since it was loaded)"},
            {7, PHOTOBATCH_KEPT_NOT_DELETED, "/in/a.jpg",
             "Source kept: /in/a.jpg (it could not be deleted)",
             "Source kept: /in/a.jpg (it could not be deleted)"},
        };
        QSignalSpy logged(page, &FMainProcess::logUpdate);
        QSignalSpy progress(page, &FMainProcess::progressChanged);
        QStringList shown, written;
        for (const Case &c : cases) {
            page->onBatchEvent(c.event, c.argument, c.text);
            shown << QString::fromUtf8(c.shown);
            if (c.logged)
                written << QString::fromUtf8(c.logged);
        }
        QCOMPARE(logged.size(), int(sizeof cases / sizeof cases[0]));
        QCOMPARE(progress.size(), 1);
        QCOMPARE(logged.at(0).at(0).toString(),
                 QStringLiteral(
                     "<font color=blue>Start processing, files count:0, filter count0</font>"));
        QCOMPARE(logged.at(7).at(0).toString(),
                 QStringLiteral("<font color=red>Read file FAILED! /in/a&gt;b.jpg</font>"));
        QTRY_COMPARE(viewLines(), shown);
        page->onBatchEvent(9, 0, "unknown");                        // no line for an unknown event
        page->onBatchEvent(PHOTOBATCH_EVENT_KEPT, 99, "/in/a.jpg"); // nor for an unknown reason
        QCOMPARE(logged.size(), int(sizeof cases / sizeof cases[0]));

        // A wrapper around nothing writes nothing.
        emit page->logUpdate(QStringLiteral("<font color=blue></font>"));
        window.reset();
        QCOMPARE(readAll(file("run.log")), written.join("\r\n") + "\r\n");
    }

    // Runs a.jpg and b.jpg with delete source on, a.jpg replaced after its
    // load, to the end of the run.
    void runReplacingTheFirstSource()
    {
        for (const char *name : {"a.jpg", "b.jpg"})
            QVERIFY(zvtest::write_small_jpeg(file(name)));
        addFiles({"a.jpg", "b.jpg"});
        std::string out = file("out");
        QDir().mkpath(QString::fromStdString(out));
        setOutputFolder(out);
        outputconfig_t *c = photobatch_get_outputconfig(batch());
        outputconfig_lock(c);
        c->delete_source = 1;
        outputconfig_unlock(c);
        static std::string replaced;
        replaced = file("a.jpg");
        photobatch_set_filter_callback(
            batch(),
            [](void *, const QString &path, int, QList<imagefilter_t *> &filters) {
                filters.clear();
                if (path.toStdString() != replaced)
                    return;
                std::string next = replaced + ".next";
                if (zvtest::write_small_jpeg(next))
                    rename(next.c_str(), replaced.c_str());
            },
            &gate);

        MsgAnswer::next(QDialogButtonBox::Yes);
        start();
        QTRY_COMPARE_WITH_TIMEOUT(runsEnded(), 1, 20000);
    }

    void aKeptSourceShowsARedLineAndDoesNotCountAsFailed()
    {
        // With delete source on, a photo replaced after its load is kept:
        // its output is written, and the line says why the source stayed.
        runReplacingTheFirstSource();
        QString a = QString::fromStdString(file("a.jpg"));
        QString b = QString::fromStdString(file("b.jpg"));
        QString o = QString::fromStdString(file("out"));
        QStringList expected{
            "Start processing, files count:2, filter count0",
            "Start Processing file: " + a,
            "Processsing file complete, writed to:" + o + "/a.jpg",
            "Source kept: " + a + " (changed since it was loaded)",
            "Start Processing file: " + b,
            "Processsing file complete, writed to:" + o + "/b.jpg",
            "Processing completed, file count:2, processed:2",
        };
        QTRY_COMPARE(viewLines(), expected);
        QTextBlock kept = child<QTextEdit>("edtLog")->document()->findBlockByNumber(3);
        QCOMPARE(kept.begin().fragment().charFormat().foreground().color(), QColor(Qt::red));
        QVERIFY(QFileInfo::exists(a));
        QVERIFY(!QFileInfo::exists(b));
    }

    void aKeptSourceSaysWhyInTheReadersLanguage()
    {
        QTranslator german;
        QString qm = QCoreApplication::applicationDirPath() + "/../app/language/de_DE.qm";
        if (!german.load(qm))
            QSKIP("no compiled German translation");
        QCoreApplication::installTranslator(&german);
        struct Uninstall {
            QTranslator *translator;
            ~Uninstall()
            {
                QCoreApplication::removeTranslator(translator);
            }
        } uninstall{&german};

        runReplacingTheFirstSource();
        QString a = QString::fromStdString(file("a.jpg"));
        QTRY_VERIFY(viewLines().contains(
            QStringLiteral("Quelle behalten: %1 (seit dem Laden ver\u00e4ndert)").arg(a)));

        const struct {
            int reason;
            const char *shown;
        } reasons[] = {
            {PHOTOBATCH_KEPT_FILTER_FAILED, "ein Filter ist fehlgeschlagen"},
            {PHOTOBATCH_KEPT_NOT_SYNCED, "der Ausgabeordner konnte nicht synchronisiert werden"},
            {PHOTOBATCH_KEPT_CHANGED, "seit dem Laden ver\u00e4ndert"},
            {PHOTOBATCH_KEPT_NOT_DELETED, "sie konnte nicht gel\u00f6scht werden"},
        };
        for (const auto &r : reasons) {
            page->onBatchEvent(PHOTOBATCH_EVENT_KEPT, r.reason, "/in/a.jpg");
            QTRY_COMPARE(
                viewLines().last(),
                QStringLiteral("Quelle behalten: /in/a.jpg (%1)").arg(QString::fromUtf8(r.shown)));
        }
    }

    void completionCountsTheFilesThatFailed()
    {
        // A file counts once however many of its steps failed; a read with
        // no path is a file of its own; a new run counts afresh.
        const struct {
            int event;
            intptr_t argument;
            const char *text;
        } run[] = {
            {1, 0, nullptr},
            {4, (intptr_t) "/in/a.jpg", nullptr},
            {6, 1, "/in/a.jpg"},
            {4, (intptr_t) "/in/b.jpg", nullptr},
            {6, 3, "stamp"},
            {6, 3, "resize"},
            {6, 2, "/out/b.jpg"},
            {4, (intptr_t) "/in/c.jpg", nullptr},
            {5, (intptr_t) "/in/c.jpg", "/out/c.jpg"},
            {6, 1, nullptr},
            {1, 1, nullptr},
            {3, 1, nullptr},
        };
        QSignalSpy logged(page, &FMainProcess::logUpdate);
        for (int round = 0; round < 2; round++)
            for (const auto &e : run)
                page->onBatchEvent(e.event, e.argument, e.text);
        page->onBatchEvent(1, 0, nullptr);
        page->onBatchEvent(3, 0, nullptr);
        QStringList ends;
        for (const QList<QVariant> &line : logged)
            if (line.at(0).toString().contains(QStringLiteral("Processing c")))
                ends << line.at(0).toString();
        QCOMPARE(ends, (QStringList{
                           "<font color=blue>Processing completed, file count:0, processed:0, "
                           "failed:3</font>",
                           "<font color=blue>Processing completed, file count:0, processed:0, "
                           "failed:3</font>",
                           "<font color=blue>Processing canceled, file count:0, processed:0</font>",
                       }));
    }

    void logFileIsFlushedByTheTimer()
    {
        QString log = QString::fromStdString(file("run.log"));
        g_now = 5000;
        page->onBatchEvent(4, (intptr_t) "/in/one.jpg", nullptr);
        struct Tick {
            int64_t now;
            bool flushed;
        } ticks[] = {{5001, false}, {5002, false}, {5003, true}};
        for (const Tick &t : ticks) {
            g_now = t.now;
            QMetaObject::invokeMethod(page, "onTimer");
            QCOMPARE(QFileInfo(log).size() > 0, t.flushed);
        }
        // The clock runs from the oldest unflushed write, not the newest.
        g_now = 6000;
        page->onBatchEvent(4, (intptr_t) "/in/two.jpg", nullptr);
        g_now = 6002;
        page->onBatchEvent(4, (intptr_t) "/in/three.jpg", nullptr);
        qint64 before = QFileInfo(log).size();
        QMetaObject::invokeMethod(page, "onTimer");
        QCOMPARE(QFileInfo(log).size(), before);
        g_now = 6003;
        QMetaObject::invokeMethod(page, "onTimer");
        QCOMPARE(readAll(file("run.log")),
                 QStringLiteral("Start Processing file: /in/one.jpg\r\n"
                                "Start Processing file: /in/two.jpg\r\n"
                                "Start Processing file: /in/three.jpg\r\n"));
        // The timer that does it runs every second.
        QTimer *timer = page->findChild<QTimer *>(QStringLiteral("flushTimer"));
        QVERIFY(timer && timer->isActive());
        QCOMPARE(timer->interval(), 1000);
    }

    void viewKeepsItsLineLimit()
    {
        g_appsettings.max_log_lines = 100;
        QVERIFY(page->openLogFile());
        for (int i = 0; i < 300; i++)
            page->onBatchEvent(4, (intptr_t)qPrintable(QStringLiteral("/in/%1.jpg").arg(i)),
                               nullptr);
        QTRY_COMPARE(viewLines().size(), 100);
        QCOMPARE(viewLines().first(), QStringLiteral("Start Processing file: /in/200.jpg"));
        QCOMPARE(viewLines().last(), QStringLiteral("Start Processing file: /in/299.jpg"));
        // 0 means no limit.
        g_appsettings.max_log_lines = 0;
        QVERIFY(page->openLogFile());
        for (int i = 300; i < 450; i++)
            page->onBatchEvent(4, (intptr_t) "/in/more.jpg", nullptr);
        QTRY_COMPARE(viewLines().size(), 250);
        window.reset();
        QCOMPARE(readAll(file("run.log")).count(QStringLiteral("\r\n")), 450);
    }

    void disabledDisplayStillWritesTheFile()
    {
        child<QCheckBox>("chkDisableLog")->click();
        QCOMPARE(g_appsettings.disable_log_display, 1);
        QVERIFY(settingsFile().contains(QStringLiteral("disable_log_display = 1")));
        page->onBatchEvent(4, (intptr_t) "/in/hidden.jpg", nullptr);
        QTest::qWait(0);
        QVERIFY(viewLines().isEmpty());
        child<QCheckBox>("chkDisableLog")->click();
        page->onBatchEvent(4, (intptr_t) "/in/shown.jpg", nullptr);
        QTRY_COMPARE(viewLines(), QStringList{"Start Processing file: /in/shown.jpg"});
        window.reset();
        QCOMPARE(readAll(file("run.log")),
                 QStringLiteral("Start Processing file: /in/hidden.jpg\r\n"
                                "Start Processing file: /in/shown.jpg\r\n"));
    }

    void copyAndClear()
    {
        for (const char *p : {"/in/1.jpg", "/in/2.jpg"})
            page->onBatchEvent(4, (intptr_t)p, nullptr);
        QTextEdit *view = child<QTextEdit>("edtLog");
        QApplication::clipboard()->clear();
        child<QPushButton>("btnCopy")->click();
        QCOMPARE(QApplication::clipboard()->text(),
                 QStringLiteral("Start Processing file: /in/1.jpg\n"
                                "Start Processing file: /in/2.jpg"));
        QVERIFY(!view->textCursor().hasSelection());

        QTextCursor cursor(view->document());
        cursor.setPosition(6);
        cursor.setPosition(16, QTextCursor::KeepAnchor);
        view->setTextCursor(cursor);
        child<QPushButton>("btnCopy")->click();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("Processing"));

        child<QPushButton>("btnClear")->click();
        QVERIFY(viewLines().isEmpty());
        window.reset();
        QCOMPARE(readAll(file("run.log")).count(QStringLiteral("\r\n")), 2);
    }

    void openOutputFolder()
    {
        QList<QUrl> opened;
        Dialogs::hooks().openUrl = [&](const QUrl &url) {
            opened << url;
            return true;
        };
        const char *folder = "/data/out #1/?x";
        setOutputFolder(folder, 1);
        child<QPushButton>("btnOpenOutputFolder")->click();
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened.at(0), QUrl::fromLocalFile(QString::fromUtf8(folder)));
        QCOMPARE(opened.at(0).toLocalFile(), QString::fromUtf8(folder));
        QVERIFY(MsgAnswer::seen().isEmpty());
        // Nothing on the desktop opens folders: a message says so.
        Dialogs::hooks().openUrl = [](const QUrl &) { return false; };
        MsgAnswer::next(QDialogButtonBox::Ok);
        child<QPushButton>("btnOpenOutputFolder")->click();
        QCOMPARE(MsgAnswer::seen(),
                 QStringList{QStringLiteral("Zandrevik|The output folder could not be opened:\n") +
                             QString::fromUtf8(folder)});
    }

    void logFileThatCannotOpen()
    {
        // No regular file: a FIFO would block the open, a device or a
        // folder is no log.
        const std::string fifo = file("log.fifo");
        QCOMPARE(mkfifo(fifo.c_str(), 0600), 0);
        for (const std::string &path :
             {file("missing/dir/run.log"), fifo, std::string("/dev/null"), file("")}) {
            snprintf(g_appsettings.log_filename, sizeof g_appsettings.log_filename, "%s",
                     path.c_str());
            MsgAnswer::clear();
            MsgAnswer::next(QDialogButtonBox::Ok);
            QVERIFY2(!page->openLogFile(), path.c_str());
            QCOMPARE(MsgAnswer::seen(), QStringList{"Zandrevik|Open Log File FAILED!"});
        }
        // The lines still reach the view.
        page->onBatchEvent(4, (intptr_t) "/in/1.jpg", nullptr);
        QTRY_COMPARE(viewLines().size(), 1);
        // No name: no file, no message.
        g_appsettings.log_filename[0] = '\0';
        QVERIFY(page->openLogFile());
    }

    void filtersComeFromTheStep2Page()
    {
        window.reset();
        makeWindow(false);
        QVERIFY(zvtest::write_small_jpeg(file("a.jpg")));
        addFiles({"a.jpg"});
        setOutputFolder(dir->path());
        window->workflowPage()->insertOperation("gray", 0, nullptr);
        window->workflowPage()->insertOperation("negative", 1, nullptr);
        start(); // no question: there are filters
        QTRY_COMPARE(runsEnded(), 1);
        QCOMPARE(viewLines().first(),
                 QStringLiteral("Start processing, files count:1, filter count2"));
        QCOMPARE(MsgAnswer::seen(), QStringList());
        QVERIFY(QFileInfo::exists(QString::fromStdString(file("a(1).jpg"))));
    }

    void translatedTextsFollowTheState()
    {
        QTranslator german;
        QString qm = QCoreApplication::applicationDirPath() + "/../app/language/de_DE.qm";
        if (!german.load(qm))
            QSKIP("no compiled German translation");
        QVERIFY(zvtest::write_small_jpeg(file("a.jpg")));
        addFiles({"a.jpg"});
        setOutputFolder(dir->path());
        gate.armed = true;
        MsgAnswer::next(QDialogButtonBox::Yes);
        start();
        QTRY_COMPARE(child<QPushButton>("btnStart")->text(), QStringLiteral("Pause Process"));
        QCoreApplication::installTranslator(&german);
        QCoreApplication::processEvents();
        // The form's idle text must not replace the running one.
        QCOMPARE(child<QPushButton>("btnStart")->text(), QStringLiteral("Verarbeitung anhalten"));
        QCOMPARE(child<QPushButton>("btnCopy")->text(), QStringLiteral("Kopieren"));
        child<QPushButton>("btnCancel")->click();
        QTRY_COMPARE(child<QPushButton>("btnStart")->text(),
                     QStringLiteral("Verarbeitung starten"));
        // The reason a picture grew too large is said in the reader's words.
        page->onBatchEvent(PHOTOBATCH_EVENT_FAILED, PHOTOBATCH_FAILED_GROWTH, "resize");
        QTRY_COMPARE(viewLines().last(),
                     QStringLiteral("Apply filter [resize] FAILED! das Bild w\u00fcrde 128 "
                                    "Megapixel und das 16-Fache des Fotos \u00fcberschreiten"));
        QCoreApplication::removeTranslator(&german);
    }

    void shutdownDuringARun()
    {
        for (const char *name : {"a.jpg", "b.jpg"})
            QVERIFY(zvtest::write_small_jpeg(file(name)));
        addFiles({"a.jpg", "b.jpg"});
        setOutputFolder(dir->path());
        gate.armed = true;
        MsgAnswer::next(QDialogButtonBox::Yes);
        start();
        QTRY_COMPARE(child<QPushButton>("btnStart")->text(), QStringLiteral("Pause Process"));
        // The engine goes first, as at shutdown; its last report reaches
        // the page, and what is still queued finds no engine to read.
        window->stopWorkers();
        QVERIFY(!photobatch_get_instance());
        QTest::qWait(0);
        window.reset();
        // The file in hand was given up: nothing of it written or reported.
        QString log = readAll(file("run.log"));
        QVERIFY2(log.endsWith(QStringLiteral("Processing canceled, file count:2, processed:0\r\n")),
                 qPrintable(log));
        QVERIFY2(!log.contains(QStringLiteral("complete")), qPrintable(log));
        const QStringList left =
            QDir(QString::fromStdString(dir->path()))
                .entryList({QStringLiteral("a*"), QStringLiteral(".zandrevik-*")},
                           QDir::Files | QDir::Hidden);
        QCOMPARE(left, QStringList{QStringLiteral("a.jpg")});
    }
};

QTEST_MAIN(FMainProcessTest)
#include "fmainprocess_test.moc"
