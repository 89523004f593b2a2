// Tests of the Step 2 page on its real form: building and editing the
// pipeline through the buttons, the chooser and the strip; the filter lists
// of the two workers; the profile's operation sessions; the busy state; the
// stages each tab asks for and shows; and deleting operations only when no
// preview run can hold their filters.
#include "cwidgetworkflow.h"
#include "filter/imagefilter.h"
#include "fmainworkflow.h"
#include "foperationselect.h"
#include "msganswer.h"
#include "operation.h"
#include "picturefilter.h"
#include "textoperation.h"
#include "photobatch.h"
#include "preview.h"
#include "qwidgetpreview.h"
#include "pages_fixture.h"
#include "zv_test.h"

#include <QLineEdit>
#include <QSpinBox>
#include <QThread>
#include <QTranslator>

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <sys/stat.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace
{

using pages::kinds;

std::string writeBmp(const zvtest::TempDir &dir, const std::string &name, int width, int height)
{
    sn_image_t *image = sn_image_create(width, height, 1);
    sn_image_allocate_frame(image, 0);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            image->frames[0].rows[y][x] = SN_PIXEL(255, (x * 3) & 0xFF, (y * 5) & 0xFF, 90);
    std::string path = dir.file(name);
    sn_image_write_params_t params = {90, 24, 0, 0};
    sn_image_save(image, path.c_str(), SN_IMAGE_FORMAT_BMP, &params);
    sn_image_destroy(image);
    return path;
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

// The source through fresh filters of every operation, as the label would
// hold it.
QImage expectedResult(FMainWorkflow *page, const std::string &path, int index = 0)
{
    sn_image_t *image = sn_image_create_from_file(path.c_str(), -1);
    for (CAbstractOperation *operation : page->operations()) {
        imagefilter_t *filter = operation->createFilter(QString::fromStdString(path), index);
        imagefilter_execute(filter, image);
        imagefilter_destroy(filter);
    }
    QImage result(image->width, image->height, QImage::Format_ARGB32);
    for (int y = 0; y < image->height; y++)
        for (int x = 0; x < image->width; x++) {
            const uint32_t p = image->frames[0].rows[y][x];
            result.setPixel(x, y,
                            qRgba(SN_PIXEL_R(p), SN_PIXEL_G(p), SN_PIXEL_B(p),
                                  image->has_alpha ? SN_PIXEL_A(p) : 255));
        }
    sn_image_destroy(image);
    return QPixmap::fromImage(result).toImage().convertToFormat(QImage::Format_ARGB32);
}

QImage shownImage(QLabel *label)
{
    return label->pixmap(Qt::ReturnByValue).toImage().convertToFormat(QImage::Format_ARGB32);
}

QByteArray readAll(const std::string &path)
{
    QFile file(QString::fromStdString(path));
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

// An operation of kind gray whose preview filter can be held on the worker,
// inside the page's filter list, and which records when it is deleted.
class HeldOperation : public CAbstractOperation
{
public:
    HeldOperation() : CAbstractOperation("gray") {}
    ~HeldOperation() override
    {
        if (onDelete)
            onDelete();
    }
    imagefilter_t *getFilter(const QString &, int) override
    {
        return giveNone ? nullptr : imagefilter_create("gray");
    }
    imagefilter_t *createFilter(const QString &, int) override
    {
        std::unique_lock<std::mutex> lock(mutex);
        if (hold) {
            entered = true;
            cv.notify_all();
            cv.wait_for(lock, std::chrono::seconds(10), [&] { return !hold; });
        }
        return giveNone ? nullptr : imagefilter_create("gray");
    }
    void release()
    {
        std::lock_guard<std::mutex> lock(mutex);
        hold = false;
        cv.notify_all();
    }
    bool waitEntered()
    {
        std::unique_lock<std::mutex> lock(mutex);
        return cv.wait_for(lock, std::chrono::seconds(10), [&] { return entered; });
    }

    std::function<void()> onDelete;
    bool giveNone = false;
    bool hold = false;
    bool entered = false;
    std::mutex mutex;
    std::condition_variable cv;
};

// An operation whose preview filter stays inside its run until released (or
// 8 s have passed), and which records when it is deleted.
class StallingOperation : public CAbstractOperation
{
public:
    struct Filter {
        imagefilter_t head;
        StallingOperation *owner;
    };

    StallingOperation() : CAbstractOperation("gray") {}
    ~StallingOperation() override
    {
        if (onDelete)
            onDelete();
    }
    imagefilter_t *getFilter(const QString &, int) override
    {
        return nullptr;
    }
    imagefilter_t *createFilter(const QString &, int) override
    {
        Filter *filter = new Filter{{"gray", destroy, execute, nullptr, nullptr}, this};
        return &filter->head;
    }
    bool waitInside()
    {
        std::unique_lock<std::mutex> lock(mutex);
        return cv.wait_for(lock, std::chrono::seconds(10), [&] { return inside; });
    }
    bool stillInside()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return inside;
    }
    void release()
    {
        std::lock_guard<std::mutex> lock(mutex);
        released = true;
        cv.notify_all();
    }

    std::function<void()> onDelete;

private:
    static void destroy(imagefilter_t *filter)
    {
        delete (Filter *)filter;
    }
    static int execute(imagefilter_t *filter, sn_image_t *)
    {
        StallingOperation *self = ((Filter *)filter)->owner;
        std::unique_lock<std::mutex> lock(self->mutex);
        self->inside = true;
        self->cv.notify_all();
        self->cv.wait_for(lock, std::chrono::seconds(8), [&] { return self->released; });
        self->inside = false;
        return 0;
    }

    std::mutex mutex;
    std::condition_variable cv;
    bool inside = false;
    bool released = false;
};

// Records an operation's deletion and whether it came before the preview
// runs begun by then had ended. A failed check leaves the operation to the
// page's cleanup, which must not call back into the finished scope: the
// watch unhooks itself unless the deletion came.
struct DeleteWatch {
    DeleteWatch(std::function<void()> &onDelete, preview_t *preview) : hook(onDelete)
    {
        hook = [this, preview] {
            deletedTooEarly = (int)(begun.load() - preview->runs_ended.load()) > 0;
            deleted = true;
        };
    }
    ~DeleteWatch()
    {
        if (!deleted)
            hook = nullptr;
    }
    DeleteWatch(const DeleteWatch &) = delete;
    DeleteWatch &operator=(const DeleteWatch &) = delete;

    std::function<void()> &hook;
    // Set where the operation is deleted, read by the test.
    std::atomic<unsigned> begun{0}; // the preview's runs begun when the deletion was asked for
    std::atomic<bool> deleted{false};
    std::atomic<bool> deletedTooEarly{false};
};

// A profile of one gray operation, to replace the pipeline with.
const char k_grayProfile[] = "operation_count = 1\r\n[operation_1]\r\nname = \"gray\"\r\n";

} // namespace

class FMainWorkflowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void startsEmptyWithTheGuide();
    void guideWrapsInsideItsPane();
    void addInsertsAfterTheSelectionAndSelectsIt();
    void removeAndMoveKeepASelection();
    void stripDragMovesTheOperation();
    void unknownKindShowsTheBoxAndChangesNothing();
    void filterListsEndAtTheFirstOperationWithoutAFilter();
    void pipelineChangesWaitForTheFilterList();
    void removedOperationOutlivesTheRunThatHoldsItsFilters();
    void removeAndLoadProfileNeverWaitForTheWorker();
    void workersReadThePipelineWithoutWritingIt();
    void busyDisablesTheStructureButNotTheSelection();
    void profileSessionsAreWrittenExactly();
    void loadProfileReplacesThePipeline();
    void loadProfileTrustsOnlyTheSessionsItHolds();
    void tabsAskForTheirStageAndShowIt();
    void previousAndNextStayInTheList();
    void resizeReLaysTheSettingsOnce();
    void resizeAndGraySaveTheirKeys();
    void settingsEditsApplyWhileBusy();
    void journeyTheResultFollowsTheStampText();
    void germanTextsAfterALanguageChange();

private:
    void insert(CAbstractOperation *operation, int index)
    {
        m_page->insertCreated(operation, index, nullptr);
    }
    void waitIdle()
    {
        if (m_page->previewEngine())
            QVERIFY(preview_wait_idle(m_page->previewEngine(), 5000) == 0);
    }
    template <class T> T *child(const char *name)
    {
        return m_page->findChild<T *>(QLatin1String(name));
    }
    QTabWidget *tabs()
    {
        return child<QTabWidget>("twPreview");
    }

    zvtest::TempDir *m_dir = nullptr;
    FMainWorkflow *m_page = nullptr;
    fileman_t *m_list = nullptr;
};

void FMainWorkflowTest::initTestCase()
{
    sn_image_init();
    QVERIFY(photobatch_create_instance() == 0);
    m_list = photobatch_get_fileman(photobatch_get_instance());
}

void FMainWorkflowTest::init()
{
    m_dir = new zvtest::TempDir;
    fileman_clear(m_list);
    MsgAnswer::clear();
    m_page = new FMainWorkflow;
    m_page->resize(790, 558);
    m_page->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_page));
}

void FMainWorkflowTest::cleanup()
{
    CWidgetWorkflow::setDragHook(CWidgetWorkflow::DragHook());
    delete m_page;
    m_page = nullptr;
    fileman_clear(m_list);
    QCOMPARE(MsgAnswer::unexpected(), 0);
    delete m_dir;
    m_dir = nullptr;
}

void FMainWorkflowTest::guideWrapsInsideItsPane()
{
    QWidget *guide = m_page->findChild<QWidget *>(QStringLiteral("OptGuide"));
    QWidget *pane = child<QWidget>("widgetConfigContent");
    m_page->resize(780, 500);
    m_page->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_page));
    // After the re-layout the guide is as wide as its pane, so that its long
    // lines wrap instead of running past the pane's right edge.
    QTRY_COMPARE(guide->width(), pane->width());
    QVERIFY(pane->width() > 100);
    QLabel *text = guide->findChild<QLabel *>(QStringLiteral("label"));
    QVERIFY(text->geometry().right() < pane->width());
}

void FMainWorkflowTest::startsEmptyWithTheGuide()
{
    QCOMPARE(m_page->windowTitle(), QStringLiteral("FMainWorkflow"));
    QVERIFY(m_page->operations().isEmpty());
    QCOMPARE(m_page->selectedIndex(), -1);
    QCOMPARE(child<QLabel>("lbConfigDesc")->text(), QStringLiteral("Guide"));
    QWidget *guide = m_page->findChild<QWidget *>(QStringLiteral("OptGuide"));
    QVERIFY(guide && guide->isVisible());
    QLabel *text = guide->findChild<QLabel *>(QStringLiteral("label"));
    QCOMPARE(text->text(),
             QStringLiteral(
                 "Operations are organized as a pipeline.\n\nBy configuring needed operations and "
                 "adjust their sequence, you can resize, rotate, crop photos, add watermark and "
                 "timestamp to photos.\n\nAs \"pipeline\" hint, Zandrevik will apply operations "
                 "sequentially to each photos, so the order of operations is important.\n\nClick "
                 "the button (Add) to add new operations."));
    QCOMPARE(text->textFormat(), Qt::PlainText);
    QVERIFY(text->wordWrap());
    QCOMPARE(text->alignment(), Qt::AlignLeft | Qt::AlignTop);
    QCOMPARE(guide->parentWidget(), child<QWidget>("widgetConfigContent"));

    QVERIFY(child<QFrame>("frmLine1")->property("IsLine").toBool());
    QVERIFY(child<QFrame>("frmLine2")->property("IsLine").toBool());
    QScrollArea *area = child<QScrollArea>("saWorkflow");
    // The strip's 112 pixels inside the area's frame.
    QCOMPARE(area->height(), 112 + 2 * area->frameWidth());
    QCOMPARE(area->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QVERIFY(area->widgetResizable());
    QCOMPARE(area->styleSheet(), QStringLiteral("background-color: transparent;"));
    QVERIFY(qobject_cast<CWidgetWorkflow *>(area->widget()));

    struct Button {
        const char *name, *text, *icon;
    } buttons[] = {{"btnAdd", "Add", ":/zandrevik/add.png"},
                   {"btnRemove", "Remove", ":/zandrevik/delete.png"},
                   {"btnMoveLeft", "Move Left", ":/zandrevik/move-left.png"},
                   {"btnMoveRight", "Move Right", ":/zandrevik/move-right.png"}};
    for (const Button &b : buttons) {
        QPushButton *button = child<QPushButton>(b.name);
        QCOMPARE(button->text(), QLatin1String(b.text));
        QCOMPARE(button->iconSize(), QSize(20, 20));
        QVERIFY(button->isVisible());
    }
    for (const char *name : {"btnPreviewPrevious", "btnPreviewNext"}) {
        QToolButton *button = child<QToolButton>(name);
        QVERIFY(button->isVisible());
        QCOMPARE(button->toolTip(), button->text());
    }
    QCOMPARE(child<QToolButton>("btnPreviewNext")->text(), QStringLiteral("Next"));
    QCOMPARE(child<QToolButton>("btnPreviewPrevious")->text(), QStringLiteral("Previous"));
    for (const char *name : {"chkStopRefresh", "btnPreviewRefresh", "btnPreviewFitWindow",
                             "btnPreviewFullSize", "btnPreviewZoomIn", "btnPreviewZoomOut"})
        QVERIFY2(!child<QWidget>(name)->isVisible(), name);
    QCOMPARE(tabs()->currentIndex(), 2);
    // "Result" of an empty pipeline is the source.
    QCOMPARE(m_page->previewEngine()->wanted.load(), 0);
}

void FMainWorkflowTest::addInsertsAfterTheSelectionAndSelectsIt()
{
    QPushButton *add = child<QPushButton>("btnAdd");
    pages::answerChooser(2, 3); // Color: Gray
    add->click();
    QCOMPARE(kinds(m_page), QStringList{"gray"});
    QCOMPARE(m_page->selectedIndex(), 0);
    QCOMPARE(child<QLabel>("lbConfigDesc")->text(),
             QStringLiteral("Gray: Transforms photos colors form true colors to grayscale colors"));
    QVERIFY(!m_page->findChild<QWidget *>(QStringLiteral("OptGuide"))->isVisible());
    QWidget *settings = m_page->operations()[0]->widget();
    QVERIFY(settings->isVisible());
    QCOMPARE(settings->parentWidget(), child<QWidget>("widgetConfigContent"));
    QCOMPARE(settings->size(), child<QWidget>("widgetConfigContent")->size());

    pages::answerChooser(2, 4); // Negative, at the end
    add->click();
    m_page->findChild<CWidgetWorkflow *>()->setCurrentIndex(0);
    QMetaObject::invokeMethod(m_page, "on_CurrentIndexChanged", Q_ARG(int, 0));
    pages::answerChooser(0, 7); // All: Equalize, after the selected first one
    add->click();
    QCOMPARE(kinds(m_page), (QStringList{"gray", "equalize", "negative"}));
    QCOMPARE(m_page->selectedIndex(), 1);
    QVERIFY(!m_page->operations()[0]->widget()->isVisible());
    QVERIFY(m_page->operations()[1]->widget()->isVisible());

    pages::answerChooser(2, -1); // Cancel
    add->click();
    QCOMPARE(m_page->operations().count(), 3);
    QCOMPARE(m_page->findChild<CWidgetWorkflow *>()->currentIndex(), 1);
}

void FMainWorkflowTest::removeAndMoveKeepASelection()
{
    for (const char *kind : {"gray", "negative", "equalize"})
        m_page->insertOperation(kind, (int)m_page->operations().count(), nullptr);
    QCOMPARE(m_page->selectedIndex(), 2);
    QPushButton *left = child<QPushButton>("btnMoveLeft");
    QPushButton *right = child<QPushButton>("btnMoveRight");

    right->click(); // the last one stays
    QCOMPARE(kinds(m_page), (QStringList{"gray", "negative", "equalize"}));
    left->click();
    QCOMPARE(kinds(m_page), (QStringList{"gray", "equalize", "negative"}));
    QCOMPARE(m_page->selectedIndex(), 1);
    left->click();
    left->click(); // the first one stays
    QCOMPARE(kinds(m_page), (QStringList{"equalize", "gray", "negative"}));
    QCOMPARE(m_page->selectedIndex(), 0);
    for (QPair<int, int> move : QList<QPair<int, int>>{{1, 1}, {-1, 0}, {0, 3}, {3, 0}, {2, -1}})
        QMetaObject::invokeMethod(m_page, "on_MoveRequested", Q_ARG(int, move.first),
                                  Q_ARG(int, move.second));
    QCOMPARE(kinds(m_page), (QStringList{"equalize", "gray", "negative"}));
    QCOMPARE(m_page->selectedIndex(), 0);

    QPushButton *remove = child<QPushButton>("btnRemove");
    QMetaObject::invokeMethod(m_page, "on_CurrentIndexChanged", Q_ARG(int, 2));
    remove->click(); // the last: the new last is selected
    QCOMPARE(kinds(m_page), (QStringList{"equalize", "gray"}));
    QCOMPARE(m_page->selectedIndex(), 1);
    QCOMPARE(m_page->findChild<CWidgetWorkflow *>()->currentIndex(), 1);
    QMetaObject::invokeMethod(m_page, "on_CurrentIndexChanged", Q_ARG(int, 0));
    remove->click();
    QCOMPARE(kinds(m_page), QStringList{"gray"});
    QCOMPARE(m_page->selectedIndex(), 0);
    remove->click(); // the only one: no selection, the guide
    QVERIFY(m_page->operations().isEmpty());
    QCOMPARE(m_page->selectedIndex(), -1);
    QCOMPARE(child<QLabel>("lbConfigDesc")->text(), QStringLiteral("Guide"));
    QVERIFY(m_page->findChild<QWidget *>(QStringLiteral("OptGuide"))->isVisible());
    remove->click(); // nothing to remove
    QVERIFY(m_page->operations().isEmpty());
}

void FMainWorkflowTest::stripDragMovesTheOperation()
{
    for (const char *kind : {"gray", "negative", "equalize"})
        m_page->insertOperation(kind, (int)m_page->operations().count(), nullptr);
    CWidgetWorkflow *strip = m_page->findChild<CWidgetWorkflow *>();
    pages::pressStrip(strip, 0, strip->pieceX(2) + 10);
    QCOMPARE(kinds(m_page), (QStringList{"negative", "equalize", "gray"}));
    QCOMPARE(m_page->selectedIndex(), 2);
    QCOMPARE(child<QLabel>("lbConfigDesc")->text().left(6), QStringLiteral("Gray: "));

    // A drop past the last piece selects the count: no operation is shown.
    pages::pressStrip(strip, 1, strip->pieceX(2) + 76 + 38 + 5);
    QCOMPARE(kinds(m_page), (QStringList{"negative", "equalize", "gray"}));
    QCOMPARE(m_page->selectedIndex(), 3);
    QCOMPARE(child<QLabel>("lbConfigDesc")->text(), QStringLiteral("Guide"));
    child<QPushButton>("btnRemove")->click();
    QCOMPARE(m_page->operations().count(), 3);
}

void FMainWorkflowTest::unknownKindShowsTheBoxAndChangesNothing()
{
    m_page->insertOperation("gray", 0, nullptr);
    for (const char *name : {"Gray", "gray ", "", "resize_x"}) {
        MsgAnswer::next(QDialogButtonBox::Ok);
        m_page->insertOperation(name, 1, nullptr);
    }
    MsgAnswer::next(QDialogButtonBox::Ok);
    m_page->insertOperation(nullptr, 1, nullptr);
    QCOMPARE(kinds(m_page), QStringList{"gray"});
    QCOMPARE(MsgAnswer::seen().count(), 5);
    for (const QString &seen : MsgAnswer::seen())
        QCOMPARE(seen, QStringLiteral("Zandrevik|internal ERROR! filter is NULL!"));
}

void FMainWorkflowTest::filterListsEndAtTheFirstOperationWithoutAFilter()
{
    HeldOperation *none = new HeldOperation;
    none->giveNone = true;
    m_page->insertOperation("gray", 0, nullptr);
    m_page->insertOperation("negative", 1, nullptr);
    insert(none, 2);
    m_page->insertOperation("equalize", 3, nullptr);

    QList<imagefilter_t *> kept;
    kept << nullptr; // emptied first
    m_page->buildFilters(QString(), kept);
    QCOMPARE(kept.count(), 2);
    QList<imagefilter_t *> again;
    m_page->buildFilters(QStringLiteral("/x.jpg"), again);
    QCOMPARE(again, kept); // the operations keep their filters

    QList<imagefilter_t *> fresh;
    m_page->buildPreviewFilters(QString(), fresh);
    QCOMPARE(fresh.count(), 2);
    for (imagefilter_t *filter : fresh) {
        QVERIFY(!kept.contains(filter));
        imagefilter_destroy(filter);
    }

    // The batch engine reaches the same list through its callback.
    photobatch_t *batch = photobatch_get_instance();
    QCOMPARE(batch->filter_owner, (void *)m_page);
    QList<imagefilter_t *> viaBatch;
    batch->filter_callback(batch->filter_owner, QString(), -1, viaBatch);
    QCOMPARE(viaBatch, kept);
}

void FMainWorkflowTest::pipelineChangesWaitForTheFilterList()
{
    std::string path = writeBmp(*m_dir, "a.bmp", 8, 8);
    fileman_add(m_list, path.c_str(), 0, 0);
    fileman_set_current(m_list, 0);
    m_page->insertOperation("negative", 0, nullptr);
    waitIdle();

    HeldOperation *held = new HeldOperation;
    insert(held, 1);
    waitIdle();
    {
        std::lock_guard<std::mutex> lock(held->mutex);
        held->hold = true;
        held->entered = false;
    }
    m_page->insertOperation("gray", 2, nullptr); // the worker asks for the filters again
    QVERIFY(held->waitEntered());

    // The worker holds the pipeline mutex inside the filter list: a removal
    // must wait for it.
    std::atomic<bool> removed{false};
    std::atomic<bool> removedWhileHeld{false};
    std::thread helper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        removedWhileHeld = removed.load();
        held->release();
    });
    QMetaObject::invokeMethod(m_page, "on_CurrentIndexChanged", Q_ARG(int, 0));
    child<QPushButton>("btnRemove")->click();
    removed = true;
    helper.join();
    QVERIFY(!removedWhileHeld);
    QCOMPARE(kinds(m_page), (QStringList{"gray", "gray"}));
}

void FMainWorkflowTest::removedOperationOutlivesTheRunThatHoldsItsFilters()
{
    std::string path = writeBmp(*m_dir, "big.bmp", 1600, 1200);
    fileman_add(m_list, path.c_str(), 0, 0);
    fileman_set_current(m_list, 0);
    preview_t *preview = m_page->previewEngine();
    // The worker announces each stage from its own thread, where a signal spy
    // would be filled while the test reads it: the stages are counted there.
    auto stages = std::make_shared<std::atomic<int>>(0);
    QObject counter;
    connect(
        m_page, &FMainWorkflow::previewStageDone, &counter,
        [stages](int) { stages->fetch_add(1, std::memory_order_acq_rel); }, Qt::DirectConnection);
    for (int i = 0; i < 12; i++)
        m_page->insertOperation(i % 2 ? "negative" : "gray", i, nullptr);
    waitIdle();

    for (int round = 0; round < 3; round++) {
        HeldOperation *tracked = new HeldOperation;
        DeleteWatch watch(tracked->onDelete, preview);
        // The worker records stages as it computes them: clear before the
        // insert, so that a run which is quick to finish still counts.
        stages->store(0, std::memory_order_release);
        insert(tracked, 0);
        // The time-out only guards against a run that never starts: under
        // ThreadSanitizer on a busy machine the first stage takes seconds.
        QTRY_VERIFY_WITH_TIMEOUT(stages->load(std::memory_order_acquire) > 0,
                                 60000); // a run is computing the stages
        QMetaObject::invokeMethod(m_page, "on_CurrentIndexChanged", Q_ARG(int, 0));
        watch.begun = preview->runs_begun.load();
        child<QPushButton>("btnRemove")->click();
        // The deletion waits for the run that holds the filters: the rest of
        // twelve stages of a 1600 x 1200 photo, many seconds under
        // ThreadSanitizer on a busy machine.
        QTRY_VERIFY_WITH_TIMEOUT(watch.deleted, 60000);
        QVERIFY(!watch.deletedTooEarly);
    }
    // The profile load replaces every operation the same way.
    HeldOperation *tracked = new HeldOperation;
    DeleteWatch watch(tracked->onDelete, preview);
    std::string profile = m_dir->file("p.conf");
    QVERIFY(zvtest::write_file(profile, std::string(k_grayProfile)));
    stages->store(0, std::memory_order_release);
    insert(tracked, 0);
    QTRY_VERIFY_WITH_TIMEOUT(stages->load(std::memory_order_acquire) > 0, 60000);
    watch.begun = preview->runs_begun.load();
    QVERIFY(m_page->loadProfile(QString::fromStdString(profile)));
    QCOMPARE(kinds(m_page), QStringList{"gray"});
    QTRY_VERIFY_WITH_TIMEOUT(watch.deleted, 60000);
    QVERIFY(!watch.deletedTooEarly);
}

void FMainWorkflowTest::removeAndLoadProfileNeverWaitForTheWorker()
{
    std::string path = writeBmp(*m_dir, "a.bmp", 16, 16);
    fileman_add(m_list, path.c_str(), 0, 0);
    fileman_set_current(m_list, 0);
    m_page->insertOperation("negative", 0, nullptr);
    waitIdle();
    tabs()->setCurrentIndex(2); // the Result tab needs every stage
    std::string profile = m_dir->file("p.conf");
    QVERIFY(zvtest::write_file(profile, std::string(k_grayProfile)));
    preview_t *preview = m_page->previewEngine();
    for (bool byProfile : {false, true}) {
        StallingOperation *stalling = new StallingOperation;
        DeleteWatch watch(stalling->onDelete, preview);
        insert(stalling, 1);
        QVERIFY(stalling->waitInside());
        watch.begun = preview->runs_begun.load();
        if (byProfile) {
            QVERIFY(m_page->loadProfile(QString::fromStdString(profile)));
            QCOMPARE(kinds(m_page), QStringList{"gray"});
        } else {
            // A click on the piece is a drag that ends on it: it selects.
            CWidgetWorkflow *strip = m_page->findChild<CWidgetWorkflow *>();
            pages::pressStrip(strip, 1, strip->pieceX(1) + 10);
            QCOMPARE(m_page->selectedIndex(), 1);
            QTest::mouseClick(child<QPushButton>("btnRemove"), Qt::LeftButton);
            QCOMPARE(kinds(m_page), QStringList{"negative"});
        }
        // Back from the change while the worker is still inside the filter:
        // nothing waited for it, and the operation is kept until it is done.
        QVERIFY(stalling->stillInside());
        QVERIFY(!watch.deleted);
        stalling->release();
        QTRY_VERIFY(watch.deleted);
        QVERIFY(!watch.deletedTooEarly);
    }
    waitIdle();
}

// The batch and preview workers walked the pipeline list non-const: on an
// empty or shared list that detaches it, a write from the worker while the
// interface reads it without the mutex. A copy that the interface holds
// stays shared with the list through whole runs of both workers.
void FMainWorkflowTest::workersReadThePipelineWithoutWritingIt()
{
    for (int i = 0; i < 3; i++) {
        std::string path = writeBmp(*m_dir, "w" + std::to_string(i) + ".bmp", 8, 8);
        fileman_add(m_list, path.c_str(), 0, 0);
    }
    fileman_set_current(m_list, 0);
    const std::string out = m_dir->file("out");
    QCOMPARE(mkdir(out.c_str(), 0755), 0);
    photobatch_t *batch = photobatch_get_instance();
    outputconfig_t *c = photobatch_get_outputconfig(batch);
    snprintf(c->output_folder, sizeof c->output_folder, "%s", out.c_str());
    c->format = SN_IMAGE_FORMAT_BMP;
    for (int round = 0; round < 2; round++) {
        if (round == 1)
            m_page->insertOperation("negative", 0, nullptr);
        waitIdle();
        const QList<CAbstractOperation *> held = m_page->operations();
        QVERIFY(held.isSharedWith(m_page->operations()));
        QCOMPARE(photobatch_start(batch), 0);
        m_page->updatePreviewFile();
        // Meanwhile the interface reads the list, as its views do.
        QTRY_VERIFY_WITH_TIMEOUT(m_page->operations().count() == round &&
                                     photobatch_get_status(batch) == PHOTOBATCH_STATUS_IDLE,
                                 10000);
        waitIdle();
        QVERIFY(held.isSharedWith(m_page->operations()));
    }
    c->output_folder[0] = '\0';
}

void FMainWorkflowTest::busyDisablesTheStructureButNotTheSelection()
{
    for (const char *kind : {"gray", "negative"})
        m_page->insertOperation(kind, (int)m_page->operations().count(), nullptr);
    m_page->setBusy(true);
    for (const char *name : {"btnAdd", "btnRemove", "btnMoveLeft", "btnMoveRight"})
        QVERIFY2(!child<QPushButton>(name)->isEnabled(), name);
    CWidgetWorkflow *strip = m_page->findChild<CWidgetWorkflow *>();
    int drags = 0;
    CWidgetWorkflow::setDragHook([&](QDrag *, Qt::DropActions) { drags++; });
    QTest::mousePress(strip, Qt::LeftButton, Qt::NoModifier, QPoint(strip->pieceX(0) + 10, 40));
    QCOMPARE(m_page->selectedIndex(), 0); // the settings can still be edited
    QVERIFY(m_page->operations()[0]->widget()->isVisible());
    QCOMPARE(drags, 0);
    // Moves asked for by other means are refused too.
    QMetaObject::invokeMethod(m_page, "on_MoveRequested", Q_ARG(int, 0), Q_ARG(int, 1));
    QMetaObject::invokeMethod(m_page, "on_btnRemoveClicked");
    QCOMPARE(kinds(m_page), (QStringList{"gray", "negative"}));

    m_page->setBusy(false);
    for (const char *name : {"btnAdd", "btnRemove", "btnMoveLeft", "btnMoveRight"})
        QVERIFY2(child<QPushButton>(name)->isEnabled(), name);
    QTest::mousePress(strip, Qt::LeftButton, Qt::NoModifier, QPoint(strip->pieceX(1) + 10, 40));
    QCOMPARE(drags, 1);
}

void FMainWorkflowTest::profileSessionsAreWrittenExactly()
{
    m_page->insertOperation("gray", 0, nullptr);
    m_page->insertOperation("negative", 1, nullptr);
    std::string path = m_dir->file("profile.conf");
    QVERIFY(m_page->saveProfile(QString::fromStdString(path)));
    QCOMPARE(readAll(path), QByteArray("operation_count = 2\r\n"
                                       "\r\n[operation_1]\r\nname = \"gray\"\r\n"
                                       "\r\n[operation_2]\r\nname = \"negative\"\r\n"));

    // A shorter pipeline saved over it leaves the older sessions; loading
    // reads only as many as the count says.
    child<QPushButton>("btnRemove")->click();
    m_page->insertOperation("equalize", 0, nullptr);
    child<QPushButton>("btnRemove")->click();
    QCOMPARE(kinds(m_page), QStringList{"gray"});
    QVERIFY(m_page->saveProfile(QString::fromStdString(path)));
    QByteArray merged = readAll(path);
    QVERIFY2(merged.contains("operation_count = 1\r\n"), merged.constData());
    QVERIFY2(merged.contains("[operation_2]\r\nname = \"negative\"\r\n"), merged.constData());
    m_page->insertOperation("equalize", 0, nullptr);
    QVERIFY(m_page->loadProfile(QString::fromStdString(path)));
    QCOMPARE(kinds(m_page), QStringList{"gray"});
}

void FMainWorkflowTest::loadProfileReplacesThePipeline()
{
    m_page->insertOperation("negative", 0, nullptr);
    struct Case {
        const char *name;
        const char *text;
        bool result;
        QStringList pipeline;
        int boxes;
    } cases[] = {
        {"no count", "[operation_1]\nname = \"gray\"\n", false, {"negative"}, 0},
        {"missing file", nullptr, true, {"negative"}, 0},
        {"unreadable", "operation_count = 2\nthis line has no value\n", true, {"negative"}, 0},
        {"two",
         "operation_count = 2\n[operation_1]\nname = \"gray\"\n[operation_2]\nname = "
         "\"equalize\"\n",
         true,
         {"gray", "equalize"},
         0},
        {"zero", "operation_count = 0\n[operation_1]\nname = \"gray\"\n", true, {}, 0},
        {"second unknown",
         "operation_count = 3\n[operation_1]\nname = \"gray\"\n[operation_2]\nname = "
         "\"blur\"\n[operation_3]\nname = \"negative\"\n",
         true,
         {"gray", "negative"},
         1},
        {"no name",
         "operation_count = 2\n[operation_1]\nkind = \"gray\"\n[operation_2]\nname = "
         "\"gray\"\n",
         true,
         {"gray"},
         1},
    };
    for (const Case &c : cases) {
        MsgAnswer::clear();
        for (int i = 0; i < c.boxes; i++)
            MsgAnswer::next(QDialogButtonBox::Ok);
        std::string path = m_dir->file(std::string(c.name) + ".conf");
        if (c.text)
            QVERIFY(zvtest::write_file(path, std::string(c.text)));
        QCOMPARE(m_page->loadProfile(QString::fromStdString(path)), c.result);
        QCOMPARE(kinds(m_page), c.pipeline);
        QCOMPARE(MsgAnswer::seen().count(), c.boxes);
        if (c.pipeline != QStringList{"negative"}) {
            QCOMPARE(m_page->selectedIndex(), -1);
            QCOMPARE(child<QLabel>("lbConfigDesc")->text(), QStringLiteral("Guide"));
            // Back to the one operation the unchanged cases expect.
            QVERIFY(zvtest::write_file(path, std::string("operation_count = 1\n[operation_1]\n"
                                                         "name = \"negative\"\n")));
            m_page->loadProfile(QString::fromStdString(path));
        }
    }
}

void FMainWorkflowTest::loadProfileTrustsOnlyTheSessionsItHolds()
{
    // Two good sessions, two unknown kinds, and sessions that are not
    // operation sessions of the count's range: the huge count reads the four
    // sessions the file holds and shows the box once.
    struct Case {
        const char *count;
        QStringList kinds;
        int boxes;
    } cases[] = {{"2147483647", {"gray", "equalize"}, 1}, {"7", {"gray", "equalize"}, 0}};
    for (const Case &c : cases) {
        MsgAnswer::clear();
        std::string path = m_dir->file(std::string("count") + c.count + ".conf");
        QVERIFY(zvtest::write_file(
            path, std::string("operation_count = ") + c.count +
                      "\n[operation_1]\nname = \"gray\"\n[operation_7]\nname = \"equalize\"\n"
                      "[operation_9]\nname = \"nothing\"\n[operation_12]\nname = \"nothing\"\n"
                      "[operation_012]\nname = \"negative\"\n[operation_x]\nname = "
                      "\"negative\"\n"));
        for (int i = 0; i < c.boxes; i++)
            MsgAnswer::next(QDialogButtonBox::Ok);
        QVERIFY(m_page->loadProfile(QString::fromStdString(path)));
        QCOMPARE(kinds(m_page), c.kinds);
        QCOMPARE(MsgAnswer::seen().count(), c.boxes);
    }
}

void FMainWorkflowTest::tabsAskForTheirStageAndShowIt()
{
    std::string path = writeBmp(*m_dir, "a.bmp", 30, 20); // pixel (3, 3) is 9, 15, 90
    fileman_add(m_list, path.c_str(), 0, 0);
    fileman_set_current(m_list, 0);
    QSignalSpy changed(m_page, &FMainWorkflow::previewChanged);
    // The worker's report reaches the page queued; the stage is emitted here.
    int offThread = 0;
    connect(
        m_page, &FMainWorkflow::previewChanged, this,
        [&offThread](int) {
            if (QThread::currentThread() != qApp->thread())
                offThread++;
        },
        Qt::DirectConnection);
    preview_t *preview = m_page->previewEngine();
    m_page->updatePreviewFile();
    QLabel *final = child<QLabel>("lbFinal");
    auto shown = [](QLabel *label) {
        return label->pixmap(Qt::ReturnByValue).toImage().pixel(3, 3) & 0xFFFFFF;
    };
    QTRY_COMPARE(shown(final), 0x090F5Au);

    for (const char *kind : {"negative", "gray", "negative"})
        m_page->insertOperation(kind, (int)m_page->operations().count(), nullptr);
    QCOMPARE(preview->wanted.load(), 3);
    // The end of each run shows the stage of the visible tab, chosen on the
    // interface thread: the negative of a gray is gray.
    QTRY_VERIFY(changed.last()[0].toInt() == 3 && qRed(shown(final)) != 9 &&
                qRed(shown(final)) == qBlue(shown(final)));

    struct Case {
        int tab, selection, stage;
    } cases[] = {{0, 1, 0}, {1, 1, 2}, {1, -1, 0}, {1, 0, 1}, {2, 0, 3}, {0, -1, 0}};
    for (const Case &c : cases) {
        QMetaObject::invokeMethod(m_page, "on_CurrentIndexChanged", Q_ARG(int, c.selection));
        changed.clear();
        if (tabs()->currentIndex() == c.tab)
            QMetaObject::invokeMethod(m_page, "on_twPreviewCurrentChanged", Q_ARG(int, c.tab));
        else
            tabs()->setCurrentIndex(c.tab);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed[0][0].toInt(), c.stage);
        QCOMPARE(preview->wanted.load(), c.stage);
    }
    // With "Current" visible a new selection asks for its own stage, which
    // lands in that tab's label.
    tabs()->setCurrentIndex(1);
    changed.clear();
    QMetaObject::invokeMethod(m_page, "on_CurrentIndexChanged", Q_ARG(int, 0));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed[0][0].toInt(), 1);
    QLabel *current = child<QLabel>("lbCurrent");
    QTRY_COMPARE(shown(current), 0xF6F0A5u);
    QCOMPARE(current->size(), QSize(30, 20));
    QCOMPARE(shown(child<QLabel>("lbOriginal")), 0x090F5Au);
    QCOMPARE(offThread, 0);
}

// The preview follows: each file has a width of its own.
void FMainWorkflowTest::previousAndNextStayInTheList()
{
    const int widths[] = {4, 6, 8};
    for (int i = 0; i < 3; i++) {
        std::string path = writeBmp(*m_dir, std::string(1, char('a' + i)) + ".bmp", widths[i], 4);
        fileman_add(m_list, path.c_str(), 0, 0);
    }
    fileman_set_current(m_list, 0);
    QLabel *shown = child<QLabel>("lbFinal");
    auto width = [shown]() { return shown->pixmap(Qt::ReturnByValue).width(); };
    QTRY_COMPARE(width(), 4);
    QToolButton *next = child<QToolButton>("btnPreviewNext");
    QToolButton *previous = child<QToolButton>("btnPreviewPrevious");
    QTest::mouseClick(previous, Qt::LeftButton);
    QCOMPARE(fileman_get_current(m_list), 0);
    QTest::mouseClick(next, Qt::LeftButton);
    QTRY_COMPARE(width(), 6);
    QTest::mouseClick(next, Qt::LeftButton);
    QCOMPARE(fileman_get_current(m_list), 2);
    QTRY_COMPARE(width(), 8);
    QTest::mouseClick(next, Qt::LeftButton);
    QCOMPARE(fileman_get_current(m_list), 2);
    QTest::mouseClick(previous, Qt::LeftButton);
    QCOMPARE(fileman_get_current(m_list), 1);
    QTRY_COMPARE(width(), 6);
}

void FMainWorkflowTest::resizeReLaysTheSettingsOnce()
{
    m_page->insertOperation("gray", 0, nullptr);
    QWidget *settings = m_page->operations()[0]->widget();
    QWidget *area = child<QWidget>("widgetConfigContent");
    int resizes = 0;
    struct Counter : QObject {
        int *count;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Resize)
                ++*count;
            return false;
        }
    } counter;
    counter.count = &resizes;
    settings->installEventFilter(&counter);
    // Several resizes without a return to the event loop: one re-layout.
    for (int width : {700, 760, 820, 900})
        m_page->resize(width, 600);
    QCOMPARE(resizes, 0);
    QTRY_COMPARE(settings->size(), area->size());
    QCOMPARE(resizes, 1);
}

void FMainWorkflowTest::resizeAndGraySaveTheirKeys()
{
    const OperationParamList half = {{"width", "50%"}, {"height", "40%"}, {"keep_aspect", "none"}};
    m_page->insertOperation("resize", 0, &half);
    m_page->insertOperation("gray", 1, nullptr);
    std::string path = m_dir->file("resize.conf");
    QVERIFY(m_page->saveProfile(QString::fromStdString(path)));
    // A fresh store writes a session's keys newest first.
    QCOMPARE(readAll(path), QByteArray("operation_count = 2\r\n"
                                       "\r\n[operation_1]\r\n"
                                       "padding_color = \"\"\r\n"
                                       "keep_aspect = \"none\"\r\n"
                                       "height = \"40%\"\r\n"
                                       "width = \"50%\"\r\n"
                                       "name = \"resize\"\r\n"
                                       "\r\n[operation_2]\r\n"
                                       "name = \"gray\"\r\n"));
    // Loaded back, the keys come in the walk's order and set the same values.
    QVERIFY(m_page->loadProfile(QString::fromStdString(path)));
    QCOMPARE(kinds(m_page), (QStringList{"resize", "gray"}));
    OperationParamList pairs;
    m_page->operations()[0]->getParams(pairs);
    QCOMPARE(
        pairs,
        (OperationParamList{
            {"width", "50%"}, {"height", "40%"}, {"keep_aspect", "none"}, {"padding_color", ""}}));
}

void FMainWorkflowTest::settingsEditsApplyWhileBusy()
{
    operation_set_clock(shiftedClock);
    m_page->insertOperation("resize", 0, nullptr);
    m_page->setBusy(true);
    CAbstractOperation *resize = m_page->operations()[0];
    QSpinBox *width = resize->widget()->findChild<QSpinBox *>(QStringLiteral("sbWidth"));
    QVERIFY(width && width->isEnabled());
    width->setValue(37);
    applyTyped(resize);
    // The batch's next file takes the kept filter, configured anew.
    QList<imagefilter_t *> filters;
    m_page->buildFilters(QString(), filters);
    QCOMPARE(filters.count(), 1);
    OperationParamList pairs;
    resize->getParams(pairs);
    QCOMPARE(pairs[0], qMakePair(QStringLiteral("width"), QStringLiteral("37%")));
    m_page->setBusy(false);
    operation_set_clock(nullptr);
}

// Three photos; resize 50 % and a text stamp added through the chooser; the
// stage tabs switched; the stamp's text changed. The Result shows the new
// text, and only the stamp's stage is computed again.
void FMainWorkflowTest::journeyTheResultFollowsTheStampText()
{
    operation_set_clock(shiftedClock);
    std::vector<std::string> photos;
    for (const char *name : {"one.bmp", "two.bmp", "three.bmp"}) {
        photos.push_back(writeBmp(*m_dir, name, 320, 240));
        fileman_add(m_list, photos.back().c_str(), 0, 0);
    }
    fileman_set_current(m_list, 1);
    m_page->updatePreviewFile();
    preview_t *preview = m_page->previewEngine();
    QLabel *final = child<QLabel>("lbFinal");
    QTRY_COMPARE(final->size(), QSize(320, 240));

    pages::answerChooser(1, 2); // Image: Resize
    child<QPushButton>("btnAdd")->click();
    CAbstractOperation *resize = m_page->operations().value(0);
    QVERIFY(resize && QLatin1String(resize->info()->name) == QLatin1String("resize"));
    for (const char *box : {"sbWidth", "sbHeight"})
        resize->widget()->findChild<QSpinBox *>(QLatin1String(box))->setValue(50);
    applyTyped(resize);
    pages::answerChooser(3, 0); // Stamp: Stamp Text, after the selected resize
    child<QPushButton>("btnAdd")->click();
    QCOMPARE(kinds(m_page), (QStringList{"resize", "stamp_text"}));
    QCOMPARE(m_page->selectedIndex(), 1);
    CAbstractOperation *stamp = m_page->operations()[1];
    QLineEdit *text = stamp->widget()->findChild<QLineEdit *>(QStringLiteral("edtText"));
    QVERIFY(text);
    text->setText(QStringLiteral("Zandrevik"));
    applyTyped(stamp);
    QTRY_VERIFY(final->size() == QSize(160, 120) &&
                shownImage(final) == expectedResult(m_page, photos[1]));
    QVERIFY(preview_wait_idle(preview, 5000) == 0);
    const QImage before = shownImage(final);

    // Switching tabs shows stages already computed: nothing is scheduled.
    QSignalSpy stages(m_page, &FMainWorkflow::previewStageDone);
    const unsigned runs = preview->runs_begun.load();
    struct Tab {
        int tab;
        const char *label;
        QSize size;
    } tabs_[] = {
        {0, "lbOriginal", {320, 240}}, {1, "lbCurrent", {160, 120}}, {2, "lbFinal", {160, 120}}};
    for (const Tab &t : tabs_) {
        tabs()->setCurrentIndex(t.tab);
        QCOMPARE(child<QLabel>(t.label)->size(), t.size);
        QCOMPARE(preview->next, -1);
    }
    QCOMPARE(shownImage(child<QLabel>("lbCurrent")), before); // the stamp is selected
    QCoreApplication::processEvents();
    QCOMPARE(preview->runs_begun.load(), runs);
    QVERIFY(stages.isEmpty());

    text->setText(QStringLiteral("Journey 2"));
    applyTyped(stamp);
    QTRY_VERIFY(shownImage(final) != before &&
                shownImage(final) == expectedResult(m_page, photos[1]));
    QVERIFY(preview_wait_idle(preview, 5000) == 0);
    QCoreApplication::processEvents();
    QCOMPARE(stages.count(), 1); // the resize's stage stood
    QCOMPARE(stages[0][0].toInt(), 2);

    // A counter counts with the file's row: the preview's selected row, and
    // the index each file of a run has.
    pages::typeOver(text, QStringLiteral("<Counter 7:2:3>"));
    applyTyped(stamp);
    QTRY_VERIFY(shownImage(final) == expectedResult(m_page, photos[1], 1));
    QVERIFY(expectedResult(m_page, photos[1], 1) != expectedResult(m_page, photos[1], 0));
    QVERIFY(preview_wait_idle(preview, 5000) == 0);
    photobatch_t *batch = photobatch_get_instance();
    TextSnapshotPtr set = static_cast<CTextOperation *>(stamp)->snapshot();
    for (int index = 0; index < 3; index++) {
        QList<imagefilter_t *> filters;
        batch->filter_callback(batch->filter_owner, QString::fromStdString(photos[index]), index,
                               filters);
        QCOMPARE(filters.size(), 2);
        PicturePtr expected = picture_render_text(QString::asprintf("%03d", 7 + 2 * index),
                                                  QString(), 0, set->font, set->color, 0);
        QVERIFY(zvtest::same_pixels(picturefilter_picture(filters[1]).get(), expected.get()));
    }
    operation_set_clock(nullptr);
}

void FMainWorkflowTest::germanTextsAfterALanguageChange()
{
    m_page->insertOperation("gray", 0, nullptr);
    QTranslator translator;
    QVERIFY(translator.load(QCoreApplication::applicationDirPath() +
                            QStringLiteral("/../app/language/de_DE.qm")));
    QCoreApplication::installTranslator(&translator);
    QTRY_COMPARE(child<QPushButton>("btnAdd")->text(), QStringLiteral("Hinzufügen"));
    QCOMPARE(child<QPushButton>("btnMoveRight")->text(), QStringLiteral("Nach rechts"));
    QCOMPARE(tabs()->tabText(2), QStringLiteral("Ergebnis"));
    QCOMPARE(child<QToolButton>("btnPreviewNext")->toolTip(), QStringLiteral("Weiter"));
    // The caption follows at once.
    const operation_info_t *gray = m_page->operations()[0]->info();
    QCOMPARE(child<QLabel>("lbConfigDesc")->text(),
             gray->title() + QStringLiteral(": ") + gray->description());
    QMetaObject::invokeMethod(m_page, "on_CurrentIndexChanged", Q_ARG(int, -1));
    QCOMPARE(child<QLabel>("lbConfigDesc")->text(), QStringLiteral("Anleitung"));
    QLabel *guide = m_page->findChild<QWidget *>(QStringLiteral("OptGuide"))
                        ->findChild<QLabel *>(QStringLiteral("label"));
    QVERIFY(guide->text().startsWith(QStringLiteral("Operationen sind als Pipeline organisiert.")));
    QCoreApplication::removeTranslator(&translator);
    QTRY_COMPARE(child<QPushButton>("btnAdd")->text(), QStringLiteral("Add"));
}

QTEST_MAIN(FMainWorkflowTest)
#include "fmainworkflow_test.moc"
