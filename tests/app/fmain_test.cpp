// The main window: its face (title, size, tabs, menus, icons, mnemonics),
// the Help addresses, Settings and About, profiles through the file dialog
// seams, the busy state, closing, a batch engine that does not start, and
// the German texts of the compiled translation.
#include "fmain.h"

#include "appinfo.h"
#include "appsettings.h"
#include "cfilemodel.h"
#include "dialogs.h"
#include "fabout.h"
#include "fileman.h"
#include "fmainfile.h"
#include "fmainoutput.h"
#include "fmainprocess.h"
#include "fmainworkflow.h"
#include "foptions.h"
#include "msganswer.h"
#include "outputconfig.h"
#include "pages_fixture.h"
#include "photobatch.h"
#include "preview.h"
#include "skintest.h"
#include "startfolder.h"
#include "startup.h"
#include "styletitle.h"
#include "windowsystem.h"
#include "zv_test.h"

#include "base/sn_setting.h"
#include "image/sn_image.h"

#include <string.h>

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTextEdit>
#include <QTabWidget>
#include <QTranslator>
#include <QWindow>
#include <QtTest>

namespace
{

struct DialogCall {
    QWidget *parent = nullptr;
    QString caption;
    QString dir;
    QString filter;
    int count = 0;
};

// Every file dialog of the window answers with answer and records its call.
void hookFileDialogs(DialogCall *open, DialogCall *save, const QString &answer)
{
    Dialogs::hooks().openFileName = [open, answer](QWidget *parent, const QString &caption,
                                                   const QString &dir, const QString &filter) {
        *open = DialogCall{parent, caption, dir, filter, open->count + 1};
        return answer;
    };
    Dialogs::hooks().saveFileName = [save, answer](QWidget *parent, const QString &caption,
                                                   const QString &dir, const QString &filter,
                                                   QFileDialog::Options) {
        *save = DialogCall{parent, caption, dir, filter, save->count + 1};
        return answer;
    };
}

QAction *findAction(FMain &window, const QString &text)
{
    for (QAction *menu : window.menuBar()->actions())
        for (QAction *action : menu->menu()->actions())
            if (action->text() == text)
                return action;
    return nullptr;
}

// The next modal dialog that opens is answered: accepted or rejected, its
// class name and parent recorded.
struct ModalAnswer {
    QString className;
    QWidget *parent = nullptr;
    QWidget *dialog = nullptr;
    bool modal = false;
};

void answerNextModal(ModalAnswer *seen, bool accept)
{
    QTimer *timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, [timer, seen, accept]() {
        QDialog *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        seen->className = QString::fromLatin1(dialog->metaObject()->className());
        seen->parent = dialog->parentWidget();
        seen->dialog = dialog;
        seen->modal = dialog->isModal();
        timer->deleteLater();
        timer->stop();
        if (accept)
            dialog->accept();
        else
            dialog->reject();
    });
    timer->start(5);
}

outputconfig_t *outputConfig()
{
    return photobatch_get_outputconfig(photobatch_get_instance());
}

QString describe(const outputconfig_t *c)
{
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

void setOutput(outputconfig_t *c, const char *folder, const char *tmpl, int format, int quality)
{
    outputconfig_lock(c);
    strcpy(c->output_folder, folder);
    strcpy(c->filename_template, tmpl);
    c->format = format;
    c->quality = quality;
    c->use_source_folder = 0;
    c->transparent = 0;
    c->keep_source_format = 1;
    c->keep_attribute = 0;
    c->delete_source = 0;
    outputconfig_unlock(c);
}

std::string bytes(const QString &path)
{
    std::vector<uint8_t> data = zvtest::read_file(path.toStdString());
    return std::string(data.begin(), data.end());
}

// The output part of a profile as the settings store writes it: most
// recently set key first.
const char k_output_part[] = "output_delete_source = false\r\n"
                             "output_keep_attribute = false\r\n"
                             "output_keep_source_format = true\r\n"
                             "output_transparent = 0\r\n"
                             "output_quality_factor = 77\r\n"
                             "output_format = \"PNG\"\r\n"
                             "output_filename_template = \"<Filename>_small\"\r\n"
                             "output_use_source_folder = false\r\n"
                             "output_folder = \"/tmp/zv out\"\r\n";

// Calls its function at every Show event of the object it watches.
class ShowWatcher : public QObject
{
public:
    explicit ShowWatcher(std::function<void()> onShow) : m_onShow(std::move(onShow)) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            m_onShow();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_onShow;
};

} // namespace

class FMainTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        sn_image_init();
    }

    void init()
    {
        appsettings_set_defaults(&g_appsettings);
        Dialogs::reset();
        MsgAnswer::clear();
        StartFolder::reset();
    }

    void cleanup()
    {
        WindowSystem::setInstance(nullptr);
        Dialogs::reset();
        FMain::setEngineStarter(nullptr);
        QCOMPARE(MsgAnswer::unexpected(), 0);
    }

    // At the window's first Show event the four pages sit in their tabs and
    // the batch, thumbnail and preview workers all run: nothing is left to
    // be made once the window is on the screen.
    void pagesAndWorkersExistAtTheFirstShow()
    {
        zvtest::TempDir dir;
        const std::string photo = dir.file("shown.png");
        QImage(40, 30, QImage::Format_RGB32).save(QString::fromStdString(photo));

        FMain window;
        QTabWidget *tabs = window.tabWidget();
        QSignalSpy changes(tabs, &QTabWidget::currentChanged);
        struct Seen {
            int shows = 0;
            QStringList titles;
            QList<QWidget *> tabPages, pages;
            bool batchWorker = false, previewWorker = false;
            quint64 infoTicket = 0;
        } seen;
        CFileModel *model = window.filePage()->findChild<CFileModel *>();
        QVERIFY(model);
        QSignalSpy infos(model, &CFileModel::fileInfoReady);
        ShowWatcher watcher([&]() {
            if (seen.shows++)
                return;
            for (int i = 0; i < tabs->count(); i++) {
                seen.titles << tabs->tabText(i);
                seen.tabPages << tabs->widget(i);
            }
            seen.pages = {window.filePage(), window.workflowPage(), window.outputPage(),
                          window.processPage()};
            photobatch_t *batch = photobatch_get_instance();
            seen.batchWorker = batch && batch->thread;
            preview_t *preview =
                window.workflowPage() ? window.workflowPage()->previewEngine() : nullptr;
            seen.previewWorker = preview && preview->thread;
            // The thumbnail worker takes a request now and answers it later.
            seen.infoTicket = model->requestFileInfo(photo.c_str());
        });
        window.installEventFilter(&watcher);
        window.show();
        QCOMPARE(seen.shows, 1);
        QCOMPARE(seen.titles, (QStringList{"Step1: Select Files", "Step2: Add Operations",
                                           "Step3: Configure Output", "Step4: Start Process"}));
        QCOMPARE(seen.tabPages, seen.pages);
        QVERIFY(!seen.pages.contains(nullptr));
        QVERIFY(seen.batchWorker);
        QVERIFY(seen.previewWorker);
        QVERIFY(seen.infoTicket != 0);
        QTRY_VERIFY_WITH_TIMEOUT(!infos.isEmpty(), 10000);
        QCOMPARE(infos.first().at(0).value<quint64>(), seen.infoTicket);
        QCOMPARE(infos.first().at(2).toInt(), 40);
        QCOMPARE(tabs->currentIndex(), 0);
        QCOMPARE(changes.count(), 0);
        window.stopWorkers();
    }

    // Closed by its close button, the window stops its workers; its pages
    // stay, and a tab chosen afterwards touches no stopped worker.
    void closedByItsCloseButton()
    {
        FMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::mouseClick(window.titleBar()->findChild<QPushButton *>(QStringLiteral("btnTBClose")),
                          Qt::LeftButton);
        QVERIFY(!window.isVisible());
        window.stopWorkers();
        QVERIFY(!photobatch_get_instance());
        QCoreApplication::processEvents();
        QVERIFY(window.workflowPage());
        QVERIFY(!window.workflowPage()->previewEngine());
        QVERIFY(window.processPage());
        window.tabWidget()->setCurrentIndex(1);
        QCOMPARE(window.tabWidget()->currentIndex(), 1);
    }

    // A tab clicked shows its page at once, and the tab's own action runs on
    // it.
    void tabClickShowsItsPage()
    {
        FMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTabBar *bar = window.tabWidget()->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(2).center());
        FMainOutput *output = window.outputPage();
        QVERIFY(output);
        QCOMPARE(window.tabWidget()->currentIndex(), 2);
        QCOMPARE(window.tabWidget()->currentWidget(), output);
        QVERIFY(output->isVisible());
        // Step 3's tab action wrote the page's controls into the record.
        outputconfig_t record;
        QCOMPARE(outputconfig_copy(photobatch_get_outputconfig(photobatch_get_instance()), &record),
                 0);
        QCOMPARE(record.quality, 95);
        QCOMPARE(record.format, int(SN_IMAGE_FORMAT_JPEG));
        window.stopWorkers();
    }

    void windowFace()
    {
        FMain window;
        QVERIFY(window.engineStarted());
        QCOMPARE(window.titleBar()->title(), QStringLiteral("Zandrevik"));
        QCOMPARE(window.size(), QSize(800, 600));
        QTabWidget *tabs = window.tabWidget();
        QCOMPARE(tabs->count(), 4);
        const QStringList texts = {"Step1: Select Files", "Step2: Add Operations",
                                   "Step3: Configure Output", "Step4: Start Process"};
        const QList<QWidget *> pages = {window.filePage(), window.workflowPage(),
                                        window.outputPage(), window.processPage()};
        for (int i = 0; i < 4; i++) {
            QCOMPARE(tabs->tabText(i), texts[i]);
            QCOMPARE(tabs->widget(i), pages[i]);
        }
        QCOMPARE(tabs->currentIndex(), 0);
        // The pages live in the content widget, under the title and menu bars.
        QVERIFY(window.contentWidget()->isAncestorOf(tabs));
    }

    // Menus, their entries in order (separators as "-"), icons and the
    // Alt shortcuts that the mnemonics give.
    void menus()
    {
        FMain window;
        struct Entry {
            const char *text;
            const char *icon;
            const char *mnemonic;
        };
        struct Menu {
            const char *title;
            const char *mnemonic;
            QVector<Entry> entries;
        };
        const QVector<Menu> menus = {
            {"&File",
             "Alt+F",
             {{"&Load Profile...", "open", "Alt+L"},
              {"&Save Profile...", "save", "Alt+S"},
              {"-", nullptr, nullptr},
              {"E&xit", "exit", "Alt+X"}}},
            {"&Tool", "Alt+T", {{"&Settings...", "options", "Alt+S"}}},
            {"&Help",
             "Alt+H",
             {{"&Help File", "help", "Alt+H"},
              {"Home &Page", "homepage", "Alt+P"},
              {"-", nullptr, nullptr},
              {"&About...", "about", "Alt+A"}}},
        };
        const QList<QAction *> bar = window.menuBar()->actions();
        QCOMPARE(bar.size(), menus.size());
        for (int m = 0; m < menus.size(); m++) {
            QCOMPARE(bar[m]->text(), QString::fromLatin1(menus[m].title));
            QCOMPARE(QKeySequence::mnemonic(bar[m]->text()),
                     QKeySequence(QString::fromLatin1(menus[m].mnemonic)));
            const QList<QAction *> actions = bar[m]->menu()->actions();
            QCOMPARE(actions.size(), menus[m].entries.size());
            for (int i = 0; i < actions.size(); i++) {
                const Entry &e = menus[m].entries[i];
                QAction *a = actions[i];
                if (!e.icon) {
                    QVERIFY(a->isSeparator());
                    continue;
                }
                QCOMPARE(a->text(), QString::fromLatin1(e.text));
                QCOMPARE(QKeySequence::mnemonic(a->text()),
                         QKeySequence(QString::fromLatin1(e.mnemonic)));
                // The icon is one of the application's own pictures.
                const QString path = QStringLiteral(":/zandrevik/%1.png").arg(e.icon);
                QVERIFY2(QFile::exists(path), qPrintable(path));
                QVERIFY(!a->icon().isNull());
                QCOMPARE(a->icon().pixmap(16).toImage(), QIcon(path).pixmap(16).toImage());
            }
        }
        QVERIFY(QFile::exists(QStringLiteral(":/app/app_icon.png")));
    }

    // Each tab change reaches its page: Step 1 recounts the list, Step 3
    // writes its controls into the output settings, Step 4 does nothing.
    void tabChangesReachThePages()
    {
        FMain window;
        QTabWidget *tabs = window.tabWidget();
        QLabel *total = window.filePage()->findChild<QLabel *>(QStringLiteral("lbTotal"));
        QLineEdit *folder =
            window.outputPage()->findChild<QLineEdit *>(QStringLiteral("edtFolder"));
        QVERIFY(total && folder);
        outputconfig_t *config = outputConfig();
        auto stale = [config]() {
            outputconfig_lock(config);
            strcpy(config->output_folder, "/stale");
            outputconfig_unlock(config);
        };

        stale();
        tabs->setCurrentIndex(3);
        QCOMPARE(QString::fromUtf8(config->output_folder), QStringLiteral("/stale"));
        tabs->setCurrentIndex(2);
        QCOMPARE(QString::fromUtf8(config->output_folder), folder->text());
        QVERIFY(folder->text() != QLatin1String("/stale"));

        fileman_add(photobatch_get_fileman(photobatch_get_instance()), "/tmp/zv-none.jpg", 1, 0);
        QVERIFY(!total->text().contains(QLatin1String("1")));
        stale();
        tabs->setCurrentIndex(1);
        tabs->setCurrentIndex(0);
        QCOMPARE(total->text(), QStringLiteral("Total: 1 files"));
        QCOMPARE(QString::fromUtf8(config->output_folder), QStringLiteral("/stale"));
    }

    void helpAddresses()
    {
        FMain window;
        QList<QUrl> opened;
        Dialogs::hooks().openUrl = [&opened](const QUrl &url) {
            opened << url;
            return true;
        };
        findAction(window, "&Help File")->trigger();
        findAction(window, "Home &Page")->trigger();
        QCOMPARE(opened, (QList<QUrl>{QUrl(ZV_HELP_URL), QUrl(ZV_HOME_PAGE_URL)}));
        QVERIFY(QUrl(ZV_HELP_URL).isValid() && QUrl(ZV_HOME_PAGE_URL).isValid());
        QVERIFY(MsgAnswer::seen().isEmpty());
        // A desktop that opens nothing: each says so.
        Dialogs::hooks().openUrl = [](const QUrl &) { return false; };
        MsgAnswer::next(QDialogButtonBox::Ok);
        MsgAnswer::next(QDialogButtonBox::Ok);
        findAction(window, "&Help File")->trigger();
        findAction(window, "Home &Page")->trigger();
        QCOMPARE(MsgAnswer::seen(),
                 (QStringList{"Zandrevik|The help file could not be opened:\n" ZV_HELP_URL,
                              "Zandrevik|The home page could not be opened:\n" ZV_HOME_PAGE_URL}));
        Dialogs::reset();
    }

    void settingsAndAboutRunModally()
    {
        zvtest::TempDir dir;
        FMain window;
        window.show();
        QTextEdit *log = window.processPage()->findChild<QTextEdit *>(QStringLiteral("edtLog"));
        QVERIFY(log);
        // Only an accepted dialog makes the Step 4 page take up the log
        // settings again.
        for (bool accept : {false, true}) {
            const std::string file = dir.file(accept ? "accepted.log" : "rejected.log");
            strcpy(g_appsettings.log_filename, file.c_str());
            g_appsettings.max_log_lines = accept ? 37 : 12;
            ModalAnswer seen;
            answerNextModal(&seen, accept);
            findAction(window, "&Settings...")->trigger();
            QCOMPARE(seen.className, QStringLiteral("FOptions"));
            QCOMPARE(seen.parent, static_cast<QWidget *>(&window));
            QVERIFY(seen.modal);
            QCOMPARE(zvtest::file_exists(file), accept);
            QCOMPARE(log->document()->maximumBlockCount(), accept ? 37 : 800);
        }
        g_appsettings.log_filename[0] = '\0';
        // The about box is made once and shown again.
        QWidget *first = nullptr;
        for (int run = 0; run < 2; run++) {
            ModalAnswer seen;
            answerNextModal(&seen, false);
            findAction(window, "&About...")->trigger();
            QCOMPARE(seen.className, QStringLiteral("FAbout"));
            QCOMPARE(seen.parent, static_cast<QWidget *>(&window));
            if (!first)
                first = seen.dialog;
            QCOMPARE(seen.dialog, first);
        }
        QCOMPARE(window.findChildren<FAbout *>().size(), 1);
    }

    // A known pipeline and output settings give these bytes: the pipeline's
    // count and sessions, with the output keys merged into the default
    // session after the count (the merge turns each session's keys back into
    // the order they were set in).
    void saveProfileWritesBothParts()
    {
        zvtest::TempDir dir;
        const QString path = QString::fromStdString(dir.file("mine.zvp"));
        FMain window;
        const OperationParamList flip = {{"horizontal", "1"}, {"vertical", "0"}};
        window.workflowPage()->insertOperation("flip", 0, &flip);
        window.workflowPage()->insertOperation("gray", 1, nullptr);
        setOutput(outputConfig(), "/tmp/zv out", "<Filename>_small", SN_IMAGE_FORMAT_PNG, 77);
        DialogCall open, save;
        hookFileDialogs(&open, &save, path);

        findAction(window, "&Save Profile...")->trigger();
        QCOMPARE(save.count, 1);
        QCOMPARE(open.count, 0);
        QCOMPARE(save.parent, static_cast<QWidget *>(&window));
        QCOMPARE(save.caption, QStringLiteral("Save Profile - Zandrevik"));
        QCOMPARE(save.dir, QDir::homePath() + QStringLiteral("/Zandrevik.zvp"));
        QCOMPARE(save.filter, QStringLiteral("Zandrevik Profile File (*.zvp);;All Files (*)"));
        QCOMPARE(MsgAnswer::seen(), QStringList());
        const QString expected = QStringLiteral("operation_count = 2\r\n") +
                                 QString::fromLatin1(k_output_part) +
                                 QStringLiteral("\r\n[operation_1]\r\n"
                                                "name = \"flip\"\r\n"
                                                "horizontal = \"1\"\r\n"
                                                "vertical = \"0\"\r\n"
                                                "\r\n[operation_2]\r\n"
                                                "name = \"gray\"\r\n");
        QCOMPARE(QString::fromStdString(bytes(path)), expected);

        // Loaded into a fresh pipeline it gives the same two operations and
        // output settings, which save again to the same bytes.
        window.stopWorkers();
        FMain other;
        setOutput(outputConfig(), "/elsewhere", "x", SN_IMAGE_FORMAT_BMP, 5);
        other.loadProfile(path);
        QList<imagefilter_t *> filters;
        other.workflowPage()->buildFilters(QString(), filters);
        QCOMPARE(filters.size(), 2);
        const QString again = QString::fromStdString(dir.file("again.zvp"));
        QVERIFY(other.saveProfile(again));
        QCOMPARE(QString::fromStdString(bytes(again)), expected);
    }

    // An edit still waiting for its deferred apply counts: a profile saved
    // or the program ended right after typing has the new value.
    void pendingEditsAreApplied()
    {
        zvtest::TempDir dir;
        const QString path = QString::fromStdString(dir.file("p.zvp"));
        FMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.tabWidget()->setCurrentIndex(1);
        const OperationParamList params = {{"width", "640px"}, {"height", "480px"}};
        window.workflowPage()->insertOperation("resize", 0, &params);
        QSpinBox *width = window.workflowPage()->findChild<QSpinBox *>(QStringLiteral("sbWidth"));
        QVERIFY(width && width->isVisible());
        auto widthParam = [&window]() {
            OperationParamList pairs;
            window.workflowPage()->operations().at(0)->getParams(pairs);
            return pairs.value(0).second;
        };
        auto type = [width](const char *keys) {
            width->selectAll();
            QTest::keyClicks(width, QString::fromLatin1(keys));
        };

        type("321");
        QCOMPARE(width->value(), 321);
        QCOMPARE(widthParam(), QStringLiteral("640px")); // still waiting
        DialogCall open, save;
        hookFileDialogs(&open, &save, path);
        findAction(window, "&Save Profile...")->trigger();
        QVERIFY2(bytes(path).find("width = \"321px\"") != std::string::npos, bytes(path).c_str());
        QCOMPARE(widthParam(), QStringLiteral("321px"));

        // Left alone, the real timer applies an edit as before.
        type("1234");
        QTRY_COMPARE_WITH_TIMEOUT(widthParam(), QStringLiteral("1234px"), 5000);

        // A text stamp's text and rotation are read from its controls, its
        // transparency from the applied set: saved together, they are one state.
        window.workflowPage()->insertOperation("stamp_text", 1, nullptr);
        QWidget *stamp = window.workflowPage()->operations().at(1)->widget();
        QSpinBox *transparency = stamp->findChild<QSpinBox *>(QStringLiteral("sbTransparency"));
        QLineEdit *text = stamp->findChild<QLineEdit *>(QStringLiteral("edtText"));
        QVERIFY(transparency && text && transparency->isVisible());
        pages::typeOver(transparency, QStringLiteral("42"));
        pages::typeOver(text, QStringLiteral("Oslo"));
        findAction(window, "&Save Profile...")->trigger();
        QVERIFY2(bytes(path).find("text = \"Oslo\"\r\ntransparency = \"42\"") != std::string::npos,
                 bytes(path).c_str());

        // At the end of the program.
        transparency->selectAll();
        QTest::keyClicks(transparency, QStringLiteral("7"));
        auto transparencyParam = [&window]() {
            OperationParamList pairs;
            window.workflowPage()->operations().at(1)->getParams(pairs);
            for (const auto &pair : pairs)
                if (pair.first == QLatin1String("transparency"))
                    return pair.second;
            return QString();
        };
        QCOMPARE(transparencyParam(), QStringLiteral("42"));
        window.stopWorkers();
        QCOMPARE(transparencyParam(), QStringLiteral("7"));
        QVERIFY(MsgAnswer::seen().isEmpty());
    }

    void cancelledDialogsDoNothing()
    {
        FMain window;
        DialogCall open, save;
        hookFileDialogs(&open, &save, QString());
        const QString before = describe(outputConfig());
        findAction(window, "&Save Profile...")->trigger();
        findAction(window, "&Load Profile...")->trigger();
        QCOMPARE(save.count, 1);
        QCOMPARE(open.count, 1);
        QCOMPARE(describe(outputConfig()), before);
        QVERIFY(MsgAnswer::seen().isEmpty());
    }

    // A profile that cannot be written says so and reports failure.
    void unwritableProfileFails()
    {
        zvtest::TempDir dir;
        const QString path = QString::fromStdString(dir.file("no/such/folder/p.zvp"));
        FMain window;
        MsgAnswer::next(QDialogButtonBox::Ok);
        QVERIFY(!window.saveProfile(path));
        QCOMPARE(MsgAnswer::seen(),
                 QStringList{QStringLiteral("Zandrevik|Save profile FAILED!\n") + path});
        QVERIFY(!QFile::exists(path));
    }

    void loadProfile()
    {
        zvtest::TempDir dir;
        const QString path = QString::fromStdString(dir.file("p.pbp"));
        QVERIFY(zvtest::write_file(path.toStdString(),
                                   "output_folder = \"/srv/photos\"\r\n"
                                   "output_filename_template = \"<Filename>-web\"\r\n"
                                   "output_format = \"GIF\"\r\n"
                                   "output_use_source_folder = true\r\n"
                                   "output_keep_source_format = false\r\n"
                                   "output_keep_attribute = true\r\n"
                                   "output_delete_source = false\r\n"
                                   "output_quality_factor = 64\r\n"
                                   "output_transparent = 1\r\n"));
        FMain window;
        setOutput(outputConfig(), "/tmp/a", "x", SN_IMAGE_FORMAT_PNG, 10);
        DialogCall open, save;
        hookFileDialogs(&open, &save, path);
        findAction(window, "&Load Profile...")->trigger();
        QCOMPARE(open.count, 1);
        QCOMPARE(save.count, 0);
        QCOMPARE(open.parent, static_cast<QWidget *>(&window));
        QCOMPARE(open.caption, QStringLiteral("Load Profile"));
        QCOMPARE(open.dir, QDir::homePath());
        QCOMPARE(open.filter, QStringLiteral("All Files (*);;Profile File (*.pbp)"));
        QCOMPARE(
            describe(outputConfig()),
            QStringLiteral("/srv/photos|1|<Filename>-web|%1|64|1|0|1|0").arg(SN_IMAGE_FORMAT_GIF));
        QVERIFY(MsgAnswer::seen().isEmpty());
    }

    // A file that does not load, or loads but is no profile (no
    // "operation_count", no output key), changes neither part and says so.
    void brokenProfileChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("line that does not parse")
            << QByteArray("output_folder = \"/srv/x\"\r\noutput_quality_factor = lots\r\n");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("missing") << QByteArray("-");
        QTest::newRow("photo list") << QByteArray("/srv/photos/a.jpg\r\n/srv/photos/b.jpg\r\n");
        QTest::newRow("text file") << QByteArray("Holiday notes\nday one\n");
        QTest::newRow("settings, no profile keys")
            << QByteArray("max_log_lines = 50\r\nlog_filename = \"\"\r\n");
    }

    void brokenProfileChangesNothing()
    {
        QFETCH(QByteArray, content);
        zvtest::TempDir dir;
        const QString path = QString::fromStdString(dir.file("p.zvp"));
        if (content != "-")
            QVERIFY(zvtest::write_file(path.toStdString(), content.toStdString()));
        FMain window;
        window.workflowPage()->insertOperation("gray", 0, nullptr);
        setOutput(outputConfig(), "/tmp/keep", "<Filename>", SN_IMAGE_FORMAT_JPEG, 95);
        const QString before = describe(outputConfig());
        DialogCall open, save;
        hookFileDialogs(&open, &save, path);
        MsgAnswer::next(QDialogButtonBox::Ok);
        findAction(window, "&Load Profile...")->trigger();
        QCOMPARE(open.count, 1);
        QCOMPARE(describe(outputConfig()), before);
        QCOMPARE(window.workflowPage()->operations().size(), 1);
        QCOMPARE(MsgAnswer::seen(),
                 QStringList{QStringLiteral("Zandrevik|Load profile FAILED!\n") + path});
    }

    // A pipeline longer than the profile's sessions can hold fails alone: the
    // output part is written, and the save still says it failed.
    void pipelinePartFailingFailsTheSave()
    {
        zvtest::TempDir dir;
        const QString path = QString::fromStdString(dir.file("long.zvp"));
        FMain window;
        for (int i = 0; i < SN_SETTING_MAX_SESSIONS + 1; i++)
            window.workflowPage()->insertOperation("gray", i, nullptr);
        setOutput(outputConfig(), "/tmp/zv out", "<Filename>_small", SN_IMAGE_FORMAT_PNG, 77);
        QVERIFY(window.workflowPage()->saveProfile(QString::fromStdString(dir.file("alone.zvp"))) ==
                false);
        MsgAnswer::next(QDialogButtonBox::Ok);
        QVERIFY(!window.saveProfile(path));
        QCOMPARE(MsgAnswer::seen(),
                 QStringList{QStringLiteral("Zandrevik|Save profile FAILED!\n") + path});
        // Only the output part: no count that would load a shorter pipeline.
        QCOMPARE(QString::fromStdString(bytes(path)), QString::fromLatin1(k_output_part));
    }

    // The Step 4 page's busy signal reaches the window and, through it, every
    // page; Load Profile is off while the batch is not idle.
    void busyState()
    {
        FMain window;
        QSignalSpy spy(&window, &FMain::busyChanged);
        QAction *load = findAction(window, "&Load Profile...");
        QAction *save = findAction(window, "&Save Profile...");
        emit window.processPage()->busyChanged(true);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toBool(), true);
        QVERIFY(window.isBusy());
        QVERIFY(!load->isEnabled());
        QVERIFY(save->isEnabled());
        emit window.processPage()->busyChanged(true);
        QCOMPARE(spy.count(), 1);
        emit window.processPage()->busyChanged(false);
        QCOMPARE(spy.count(), 2);
        QVERIFY(load->isEnabled());
        QVERIFY(!window.isBusy());
    }

    // Closing asks about a modified file list only when both settings allow
    // it; Cancel, or Yes whose save does not complete, keeps the window open.
    // Closing never stops the workers: main does that afterwards.
    void closeWithAModifiedList_data()
    {
        QTest::addColumn<int>("disableAll");
        QTest::addColumn<int>("askSave");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("closes");
        const int cancel = QDialogButtonBox::Cancel, no = QDialogButtonBox::No,
                  yes = QDialogButtonBox::Yes;
        QTest::newRow("Cancel keeps it open") << 0 << 1 << cancel << true << false;
        QTest::newRow("No closes") << 0 << 1 << no << true << true;
        QTest::newRow("Yes, save cancelled, keeps it open") << 0 << 1 << yes << true << false;
        QTest::newRow("all confirmations off") << 1 << 1 << 0 << false << true;
        QTest::newRow("file-list question off") << 0 << 0 << 0 << false << true;
    }

    void closeWithAModifiedList()
    {
        QFETCH(int, disableAll);
        QFETCH(int, askSave);
        QFETCH(int, answer);
        QFETCH(bool, asked);
        QFETCH(bool, closes);
        zvtest::TempDir dir;
        const std::string photo = dir.file("photo.png");
        if (!zvtest::have_tool("convert"))
            QSKIP("ImageMagick convert is needed to make the photo");
        QVERIFY(zvtest::run("convert -size 8x6 xc:#437596 " + zvtest::quote(photo)) == 0);
        FMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        Dialogs::hooks().openFileNames = [&photo](QWidget *, const QString &, const QString &,
                                                  const QString &) {
            return QStringList{QString::fromStdString(photo)};
        };
        Dialogs::hooks().saveFileName = [](QWidget *, const QString &, const QString &,
                                           const QString &,
                                           QFileDialog::Options) { return QString(); };
        QPushButton *add = window.filePage()->findChild<QPushButton *>(QStringLiteral("btnAddPic"));
        QVERIFY(add);
        add->click();
        QCOMPARE(fileman_count(photobatch_get_fileman(photobatch_get_instance())), 1);

        g_appsettings.disable_all_confirms = disableAll;
        g_appsettings.ask_save_filelist = askSave;
        if (asked)
            MsgAnswer::next(QDialogButtonBox::StandardButton(answer));
        QCOMPARE(window.close(), closes);
        QCOMPARE(window.isVisible(), !closes);
        QCOMPARE(MsgAnswer::seen().size(), asked ? 1 : 0);
        if (asked)
            QCOMPARE(
                MsgAnswer::seen().first(),
                QStringLiteral("Zandrevik|File list has been modified, do you want to save it?"));
        QVERIFY(photobatch_get_instance());
        window.stopWorkers();
        QVERIFY(!photobatch_get_instance());
    }

    void engineThatDoesNotStart()
    {
        FMain::setEngineStarter([]() { return -1; });
        FMain window;
        QVERIFY(!window.engineStarted());
        QVERIFY(!photobatch_get_instance());
        QCOMPARE(window.tabWidget()->count(), 0);
        QVERIFY(!window.filePage() && !window.workflowPage() && !window.outputPage() &&
                !window.processPage());
        QVERIFY(!window.saveProfile(QStringLiteral("/tmp/never.zvp")));
        window.stopWorkers();
    }

    // The real window, pressed and dragged 20 and 30 pixels through the
    // platform's input path: the top edge, over the title bar, resizes like the other
    // edges and the corners; below the band the bar moves the window. A
    // negative coordinate counts from the right or bottom edge.
    void edgesAndCornersResize_data()
    {
        QTest::addColumn<QPoint>("pos");
        QTest::addColumn<QString>("request");
        QTest::addColumn<int>("edges");
        const int top = Qt::TopEdge, bottom = Qt::BottomEdge, left = Qt::LeftEdge;
        const int right = Qt::RightEdge;
        QTest::newRow("top, over the title bar") << QPoint(400, 1) << "resize top" << top;
        QTest::newRow("top, the window's border") << QPoint(400, 0) << "resize top" << top;
        QTest::newRow("bottom") << QPoint(400, -2) << "resize bottom" << bottom;
        QTest::newRow("left") << QPoint(1, 300) << "resize left" << left;
        QTest::newRow("right") << QPoint(-2, 300) << "resize right" << right;
        QTest::newRow("top-left") << QPoint(2, 2) << "resize topleft" << (top | left);
        QTest::newRow("top-right") << QPoint(-3, 2) << "resize topright" << (top | right);
        QTest::newRow("bottom-left") << QPoint(2, -3) << "resize bottomleft" << (bottom | left);
        QTest::newRow("bottom-right") << QPoint(-3, -3) << "resize bottomright" << (bottom | right);
        QTest::newRow("title, below the band") << QPoint(400, 12) << "move" << 0;
    }

    void edgesAndCornersResize()
    {
        QFETCH(QPoint, pos);
        QFETCH(QString, request);
        QFETCH(int, edges);
        RecordingWindowSystem ws;
        WindowSystem::setInstance(&ws);
        for (bool native : {true, false}) {
            ws.nativeMove = native;
            ws.nativeResize = native;
            ws.calls.clear();
            FMain window;
            window.move(60, 70);
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            const QRect start = window.geometry();

            const QPoint at(pos.x() < 0 ? start.width() + pos.x() : pos.x(),
                            pos.y() < 0 ? start.height() + pos.y() : pos.y());
            // Outwards, so that the window's minimum size never stops it.
            const QPoint delta(edges & Qt::LeftEdge ? -20 : 20, edges & Qt::TopEdge ? -30 : 30);
            QRect dragged = start.translated(delta);
            if (edges != 0)
                dragged = start.adjusted(
                    edges & Qt::LeftEdge ? delta.x() : 0, edges & Qt::TopEdge ? delta.y() : 0,
                    edges & Qt::RightEdge ? delta.x() : 0, edges & Qt::BottomEdge ? delta.y() : 0);
            // Each event at its screen position, wherever the window is by then.
            QWindow *handle = window.windowHandle();
            const QPoint origin = start.topLeft();
            auto local = [&window, origin](const QPoint &p) {
                return origin + p - window.geometry().topLeft();
            };
            QTest::mouseMove(handle, QPoint(400, 300));
            QTest::mouseMove(handle, at);
            QTest::mousePress(handle, Qt::LeftButton, Qt::NoModifier, at);
            QTest::mouseMove(handle, local(at + delta / 2));
            QTest::mouseMove(handle, local(at + delta));
            QTest::mouseRelease(handle, Qt::LeftButton, Qt::NoModifier, local(at + delta));
            QCOMPARE(ws.calls.filter(QRegularExpression(QStringLiteral("^(move|resize)"))),
                     QStringList{request});
            // The platform took the drag, or the window followed the mouse.
            QTRY_COMPARE(window.geometry(), native ? start : dragged);
            window.stopWorkers();
        }
    }

    // The compiled German translation covers the window's own texts.
    void germanTexts()
    {
        const QString qm =
            QCoreApplication::applicationDirPath() + QStringLiteral("/../app/language/de_DE.qm");
        QTranslator translator;
        QVERIFY2(translator.load(qm), qPrintable(qm));
        QCoreApplication::installTranslator(&translator);
        const QFont font = QApplication::font();
        startupSetFont();
        {
            FMain window;
            QStringList tabs;
            for (int i = 0; i < window.tabWidget()->count(); i++)
                tabs << window.tabWidget()->tabText(i);
            QCOMPARE(tabs, (QStringList{"Schritt 1: Dateien wählen", "Schritt 2: Operationen",
                                        "Schritt 3: Ausgabe", "Schritt 4: Verarbeitung"}));
            // The longer words still fit the 800-pixel window: no scroll arrows.
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            const int needed = window.tabWidget()->tabBar()->sizeHint().width();
            QVERIFY2(needed <= window.tabWidget()->width(), qPrintable(QString::number(needed)));
            QStringList menus;
            QSet<QString> barKeys;
            for (QAction *menu : window.menuBar()->actions()) {
                QStringList entries{menu->text()};
                barKeys << QKeySequence::mnemonic(menu->text()).toString();
                // Within one menu every entry has its own key.
                QSet<QString> keys;
                for (QAction *a : menu->menu()->actions()) {
                    entries << (a->isSeparator() ? QStringLiteral("-") : a->text());
                    if (!a->isSeparator())
                        keys << QKeySequence::mnemonic(a->text()).toString();
                }
                QCOMPARE(keys.size(), entries.size() - 1 - entries.count(QStringLiteral("-")));
                menus << entries.join(QLatin1Char(','));
            }
            QCOMPARE(barKeys.size(), 3);
            QCOMPARE(QCoreApplication::translate("FMain", "The help file could not be opened:\n%1"),
                     QStringLiteral("Die Hilfedatei konnte nicht geöffnet werden:\n%1"));
            QCOMPARE(QCoreApplication::translate("FMainProcess",
                                                 "The output folder could not be opened:\n%1"),
                     QStringLiteral("Der Ausgabeordner konnte nicht geöffnet werden:\n%1"));
            QCOMPARE(menus, (QStringList{"&Datei,Profil &laden...,Profil &speichern...,-,&Beenden",
                                         "E&xtras,&Einstellungen...",
                                         "&Hilfe,&Hilfeseite,Home&page,-,&Über..."}));
            QCOMPARE(FMain::tr("Save Profile - Zandrevik"),
                     QStringLiteral("Profil speichern - Zandrevik"));
            QCOMPARE(FMain::tr("Start batch engine FAILED!"),
                     QStringLiteral("Start der Stapelverarbeitung FEHLGESCHLAGEN!"));
        }
        QCoreApplication::removeTranslator(&translator);
        QApplication::setFont(font);
    }
};

QTEST_MAIN(FMainTest)
#include "fmain_test.moc"
