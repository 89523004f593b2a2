/*
 * Tests of the preview worker: a real worker over the batch engine's file
 * list, real filters on small BMP files, and waits on its notifications with
 * time-outs. A notification can hold the worker at a chosen stage so that a
 * test can act while a run is in progress.
 */
#include <gtest/gtest.h>

#include <math.h>
#include <string.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "filter/imagefilter.h"
#include "preview.h"
#include "stagebound.h"
#include "zv_test.h"

namespace
{

using namespace std::chrono_literals;

const auto k_timeout = 10s;

struct Op {
    std::string kind;
    std::vector<std::string> keys, values;
};

imagefilter_t *make_filter(const Op &op)
{
    imagefilter_t *filter = imagefilter_create(op.kind.c_str());
    if (!filter || op.keys.empty())
        return filter;
    std::vector<const char *> keys, values;
    for (size_t i = 0; i < op.keys.size(); i++) {
        keys.push_back(op.keys[i].c_str());
        values.push_back(op.values[i].c_str());
    }
    keys.push_back(nullptr);
    values.push_back(nullptr);
    imagefilter_set_settings(filter, keys.data(), values.data());
    return filter;
}

Op coloration(int r, int g, int b)
{
    return {
        "coloration", {"r", "g", "b"}, {std::to_string(r), std::to_string(g), std::to_string(b)}};
}

/* Five operations whose stages all differ from one another. */
std::vector<Op> mixed_ops()
{
    return {{"negative", {}, {}},
            {"flip", {"horizontal"}, {"1"}},
            coloration(10, 200, 30),
            {"roll", {"x", "y"}, {"1px", "1px"}},
            {"negative", {}, {}}};
}

struct Event {
    Event(int e, intptr_t v1, intptr_t v2, std::string p = std::string())
        : event(e), value1(v1), value2(v2), path(std::move(p))
    {
    }
    int event;
    intptr_t value1, value2;
    std::string path; /* event 1 */
    bool operator==(const Event &o) const
    {
        return event == o.event && value1 == o.value1 && value2 == o.value2;
    }
};

std::ostream &operator<<(std::ostream &out, const Event &e)
{
    return out << "(" << e.event << "," << (e.event == 1 ? e.path : std::to_string(e.value1)) << ","
               << e.value2 << ")";
}

/* The owner: records notifications, answers the filter list from its own
 * pipeline under its own mutex, and can hold the worker when a stage begins. */
class Owner
{
public:
    std::vector<Op> ops;
    std::mutex pipeline_mutex;
    /* Run on the worker inside a notification, before it is recorded. */
    std::function<void(const Event &)> hook;

    static void notify(void *owner, int event, intptr_t value1, intptr_t value2)
    {
        static_cast<Owner *>(owner)->on_notify(event, value1, value2);
    }
    static void filters(void *owner, const QString &, int, QList<imagefilter_t *> &list)
    {
        Owner *self = static_cast<Owner *>(owner);
        std::lock_guard<std::mutex> lock(self->pipeline_mutex);
        list.clear();
        for (const Op &op : self->ops) {
            imagefilter_t *filter = make_filter(op);
            if (!filter)
                break;
            list.append(filter);
        }
    }

    void set_op(size_t index, const Op &op)
    {
        std::lock_guard<std::mutex> lock(pipeline_mutex);
        ops[index] = op;
    }

    /* Waits for an event equal to want at or after index from; returns the
     * index after it, or 0 on time-out. */
    size_t wait_for(const Event &want, size_t from = 0)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        size_t found = 0;
        bool ok = cv_.wait_for(lock, k_timeout, [&] {
            for (size_t i = from; i < events_.size(); i++)
                if (events_[i] == want) {
                    found = i + 1;
                    return true;
                }
            return false;
        });
        EXPECT_TRUE(ok) << "timed out waiting for " << want << " after " << from;
        return found;
    }
    /* True when no event arrives past count within the time given. Only used
     * to show that something does not happen. */
    bool quiet_for(size_t count, std::chrono::milliseconds span)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        return !cv_.wait_for(lock, span, [&] { return events_.size() > count; });
    }
    std::vector<Event> events(size_t from = 0)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return std::vector<Event>(events_.begin() + (long)std::min(from, events_.size()),
                                  events_.end());
    }
    size_t count()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_.size();
    }
    /* The event at index, or a blank one (event 0) when fewer have come, so
     * that a short record fails the comparison instead of reading past it. */
    Event at(size_t index)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return index < events_.size() ? events_[index] : Event{0, 0, 0};
    }

    /* The next begin of stage `stage` waits until release(). */
    void hold_at(int stage)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        hold_stage_ = stage;
        held_ = false;
    }
    void wait_held()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        EXPECT_TRUE(cv_.wait_for(lock, k_timeout, [&] { return held_; }));
    }
    void release()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        hold_stage_ = -1;
        cv_.notify_all();
    }

private:
    void on_notify(int event, intptr_t value1, intptr_t value2)
    {
        Event e{event, value1, value2, event == 1 ? std::string((const char *)value1) : ""};
        if (event == 1)
            e.value1 = 0; /* compared by path */
        if (hook)
            hook(e);
        std::unique_lock<std::mutex> lock(mutex_);
        events_.push_back(e);
        cv_.notify_all();
        if (event == 3 && value1 == hold_stage_) {
            held_ = true;
            cv_.notify_all();
            cv_.wait_for(lock, k_timeout, [&] { return hold_stage_ != value1; });
        }
    }

    std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<Event> events_;
    int hold_stage_ = -1;
    bool held_ = false;
};

/* A width x height BMP whose pixels all differ. */
std::string write_bmp(const zvtest::TempDir &dir, const std::string &name, int width, int height)
{
    sn_image_t *image = sn_image_create(width, height, 1);
    EXPECT_NE(nullptr, image);
    EXPECT_EQ(0, sn_image_allocate_frame(image, 0));
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            image->frames[0].rows[y][x] = SN_PIXEL(255, (x * 37 + y * 11) & 0xFF,
                                                   (x * 5 + y * 71) & 0xFF, (x * y + 13) & 0xFF);
    std::string path = dir.file(name);
    sn_image_write_params_t params = {90, 24, 0, 0};
    EXPECT_EQ(0, sn_image_save(image, path.c_str(), SN_IMAGE_FORMAT_BMP, &params));
    sn_image_destroy(image);
    return path;
}

/* Stage k computed independently: the source through fresh filters 0..k-1. */
sn_image_t *expected_stage(const std::string &path, const std::vector<Op> &ops, int stage)
{
    sn_image_t *image = sn_image_create_from_file(path.c_str(), -1);
    for (int i = 0; image && i < stage; i++) {
        imagefilter_t *filter = make_filter(ops[(size_t)i]);
        imagefilter_execute(filter, image);
        imagefilter_destroy(filter);
    }
    return image;
}

bool same_pixels(const sn_image_t *a, const sn_image_t *b)
{
    return a && b && a->width == b->width && a->height == b->height &&
           memcmp(a->frames[0].pixels, b->frames[0].pixels,
                  (size_t)a->width * (size_t)a->height * 4) == 0;
}

void expect_stage(preview_t *preview, const std::string &path, const std::vector<Op> &ops,
                  int stage)
{
    SCOPED_TRACE("stage " + std::to_string(stage));
    sn_image_t *want = expected_stage(path, ops, stage);
    sn_image_t *got = preview_lock_image(preview, stage);
    ASSERT_NE(nullptr, got);
    EXPECT_TRUE(same_pixels(want, got));
    preview_unlock_image(preview);
    sn_image_destroy(want);
}

void expect_no_stage(preview_t *preview, int stage)
{
    sn_image_t *got = preview_lock_image(preview, stage);
    EXPECT_EQ(nullptr, got) << "stage " << stage;
    if (got)
        preview_unlock_image(preview);
}

Event begin(const std::string &path, int count)
{
    return Event{1, 0, count, path};
}

class PreviewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        list = photobatch_get_fileman(photobatch_get_instance());
        fileman_clear(list);
    }
    void TearDown() override
    {
        owner.release();
        preview_destroy(preview);
        fileman_clear(list);
    }
    std::string add_file(const std::string &path)
    {
        fileman_add(list, path.c_str(), 0, 0);
        return path;
    }
    void select(int index)
    {
        fileman_set_current(list, index);
    }
    void start(int wanted = 65)
    {
        preview = preview_create(&Owner::notify, &Owner::filters, &owner);
        ASSERT_NE(nullptr, preview);
        ASSERT_EQ(0, preview_enable(preview));
        preview_set_stage(preview, wanted);
    }

    zvtest::TempDir dir;
    fileman_t *list = nullptr;
    Owner owner;
    preview_t *preview = nullptr;
};

TEST_F(PreviewTest, StagesAreTheSourceThroughTheFirstKFilters)
{
    owner.ops = mixed_ops();
    std::string path = add_file(write_bmp(dir, "a.bmp", 7, 5));
    select(0);
    start();
    ASSERT_NE(0u, owner.wait_for({2, 0, 6}));
    std::vector<Event> want = {begin(path, 5), {3, 1, 0}, {4, 0, 1}, {3, 2, 0},
                               {4, 0, 2},      {3, 3, 0}, {4, 0, 3}, {3, 4, 0},
                               {4, 0, 4},      {3, 5, 0}, {4, 0, 5}, {2, 0, 6}};
    std::vector<Event> got = owner.events();
    EXPECT_EQ(want, got);
    EXPECT_EQ(path, got[0].path);
    for (int stage = 0; stage <= 5; stage++)
        expect_stage(preview, path, owner.ops, stage);
    for (int stage : {6, 64, 65, -1, 1000})
        expect_no_stage(preview, stage);
}

TEST_F(PreviewTest, SeventyOperationsGiveSixtyFourStages)
{
    owner.ops.assign(70, Op{"negative", {}, {}});
    std::string path = add_file(write_bmp(dir, "a.bmp", 3, 2));
    select(0);
    start();
    size_t end = owner.wait_for({2, 0, 65});
    ASSERT_NE(0u, end);
    EXPECT_EQ(begin(path, 70), owner.at(0));
    EXPECT_EQ((Event{4, 0, 64}), owner.at(end - 2));
    expect_stage(preview, path, owner.ops, 64);
    expect_stage(preview, path, owner.ops, 63);
    expect_no_stage(preview, 65);
}

/* The "Original" tab loads only the source; "Result" then computes the
 * stages from 1 without loading again (the file is gone by then). */
TEST_F(PreviewTest, WantedStageLimitsTheRunAndExtendingItKeepsTheSource)
{
    owner.ops = mixed_ops();
    std::string path = add_file(write_bmp(dir, "a.bmp", 6, 4));
    select(0);
    sn_image_t *source = expected_stage(path, owner.ops, 0);
    start(0);
    size_t end = owner.wait_for({2, 0, 1});
    ASSERT_NE(0u, end);
    EXPECT_EQ((std::vector<Event>{begin(path, 5), {2, 0, 1}}), owner.events());
    expect_no_stage(preview, 1);
    ASSERT_EQ(0, remove(path.c_str()));

    preview_set_stage(preview, 3);
    size_t end3 = owner.wait_for({2, 0, 4}, end);
    ASSERT_NE(0u, end3);
    EXPECT_EQ((std::vector<Event>{begin(path, 5),
                                  {3, 1, 0},
                                  {4, 0, 1},
                                  {3, 2, 0},
                                  {4, 0, 2},
                                  {3, 3, 0},
                                  {4, 0, 3},
                                  {2, 0, 4}}),
              owner.events(end));
    sn_image_t *got = preview_lock_image(preview, 0);
    EXPECT_TRUE(same_pixels(source, got));
    preview_unlock_image(preview);
    expect_no_stage(preview, 4);

    /* A stage already computed schedules nothing. */
    preview_set_stage(preview, 2);
    preview_set_stage(preview, 5);
    size_t end5 = owner.wait_for({2, 0, 6}, end3);
    ASSERT_NE(0u, end5);
    EXPECT_EQ((Event{3, 4, 0}), owner.at(end3 + 1));
    sn_image_destroy(source);
}

/* Re-checking the selected file keeps its stages: the next run starts at the
 * changed stage, not at the source. A new file releases every stage first. */
TEST_F(PreviewTest, RecheckKeepsTheFileAndANewFileStartsOver)
{
    owner.ops = mixed_ops();
    std::string a = add_file(write_bmp(dir, "a.bmp", 6, 4));
    std::string b = add_file(write_bmp(dir, "b.bmp", 9, 3));
    select(0);
    start();
    size_t end = owner.wait_for({2, 0, 6});
    ASSERT_NE(0u, end);

    preview_update_file(preview);
    ASSERT_EQ(0, preview_enable(preview)); /* taken after the re-check */
    preview_invalidate(preview, 3, 0);
    size_t end2 = owner.wait_for({2, 0, 6}, end);
    ASSERT_NE(0u, end2);
    std::vector<Event> second = owner.events(end);
    ASSERT_GE(second.size(), 2u);
    EXPECT_EQ(begin(a, 5), second[0]);
    EXPECT_EQ((Event{3, 3, 0}), second[1]);

    std::vector<int> left_at_begin;
    owner.hook = [&](const Event &e) {
        if (e.event == 1)
            for (int stage = 0; stage <= 64; stage++) {
                sn_image_t *image = preview_lock_image(preview, stage);
                if (image) {
                    left_at_begin.push_back(stage);
                    preview_unlock_image(preview);
                }
            }
    };
    select(1);
    preview_update_file(preview);
    size_t end3 = owner.wait_for({2, 0, 6}, end2);
    ASSERT_NE(0u, end3);
    owner.hook = nullptr;
    EXPECT_EQ(begin(b, 5), owner.at(end2));
    EXPECT_TRUE(left_at_begin.empty()) << "stage " << left_at_begin[0] << " of a.bmp was left";
    for (int stage = 0; stage <= 5; stage++)
        expect_stage(preview, b, owner.ops, stage);
}

/* A file made current without a re-check is loaded afresh by the next run,
 * and none of the old file's stages counts as computed for it. */
TEST_F(PreviewTest, NewFileWithoutARecheckStartsOver)
{
    owner.ops = mixed_ops();
    add_file(write_bmp(dir, "a.bmp", 6, 4));
    std::string b = add_file(write_bmp(dir, "b.bmp", 9, 3));
    select(0);
    start();
    size_t end = owner.wait_for({2, 0, 6});
    ASSERT_NE(0u, end);

    select(1);
    preview_set_stage(preview, 2);
    preview_invalidate(preview, 4, 0);
    size_t end2 = owner.wait_for({2, 0, 3}, end);
    ASSERT_NE(0u, end2);
    EXPECT_EQ(
        (std::vector<Event>{begin(b, 5), {3, 1, 0}, {4, 0, 1}, {3, 2, 0}, {4, 0, 2}, {2, 0, 3}}),
        owner.events(end));
    preview_set_stage(preview, 3);
    size_t end3 = owner.wait_for({2, 0, 4}, end2);
    ASSERT_NE(0u, end3);
    EXPECT_EQ((Event{3, 3, 0}), owner.at(end2 + 1));
    for (int stage = 0; stage <= 3; stage++)
        expect_stage(preview, b, owner.ops, stage);
}

/* An interrupt that finds the worker idle is cleared and the schedule it came
 * with runs in that cycle; during a run it ends the run before the next stage
 * and the schedule follows. */
TEST_F(PreviewTest, InterruptIdleAndDuringARun)
{
    owner.ops = mixed_ops();
    std::string path = add_file(write_bmp(dir, "a.bmp", 6, 4));
    select(0);
    start();
    size_t end = owner.wait_for({2, 0, 6});
    ASSERT_NE(0u, end);

    EXPECT_EQ(0, preview_invalidate(preview, 4, 1));
    size_t end2 = owner.wait_for({2, 0, 6}, end);
    ASSERT_NE(0u, end2);
    EXPECT_EQ(
        (std::vector<Event>{begin(path, 5), {3, 4, 0}, {4, 0, 4}, {3, 5, 0}, {4, 0, 5}, {2, 0, 6}}),
        owner.events(end));

    /* The worker wakes at the schedule; the interrupt that comes with it must
     * never cut the run that computes it, however the two threads interleave. */
    for (int i = 0; i < 40; i++) {
        preview_invalidate(preview, 5, 1);
        end2 = owner.wait_for({2, 0, 6}, end2);
        ASSERT_NE(0u, end2) << "round " << i;
        EXPECT_EQ((Event{4, 0, 5}), owner.at(end2 - 2)) << "round " << i;
    }

    owner.hold_at(2);
    preview_invalidate(preview, 1, 0);
    owner.wait_held();
    owner.set_op(0, coloration(1, 2, 3));
    std::thread poster([&] { EXPECT_EQ(0, preview_invalidate(preview, 1, 1)); });
    while (!(preview->command.load() & (1 << PREVIEW_COMMAND_INTERRUPT)))
        std::this_thread::yield();
    owner.release();
    poster.join();
    size_t cut = owner.wait_for({2, 2, 3}, end2);
    ASSERT_NE(0u, cut);
    /* The run's closing report comes after the worker has taken the
     * interrupt and woken the poster: on a busy machine the cut report can
     * be all there is when this thread looks. */
    ASSERT_NE(0u, owner.wait_for({2, 0, 3}, cut));
    EXPECT_EQ((Event{2, 0, 3}), owner.at(cut));
    size_t end3 = owner.wait_for({2, 0, 6}, cut + 1);
    ASSERT_NE(0u, end3);
    EXPECT_EQ((Event{3, 1, 0}), owner.at(cut + 2));
    for (int stage = 1; stage <= 5; stage++)
        expect_stage(preview, path, owner.ops, stage);
}

/* A change that arrives while a run is going is computed with the new
 * settings, wherever the run stands. */
TEST_F(PreviewTest, ChangeDuringARunIsRecomputed)
{
    struct Case {
        int hold;   /* the stage the run is at */
        int edited; /* the stage whose operation changes */
        int first;  /* the first stage of the follow-up run */
    } cases[] = {{2, 9, 9}, {7, 3, 3}};
    for (const Case &c : cases) {
        SCOPED_TRACE("run at " + std::to_string(c.hold) + ", edit at " + std::to_string(c.edited));
        owner.ops.clear();
        for (int i = 0; i < 10; i++)
            owner.ops.push_back(coloration(10 * i, 255 - 10 * i, 128));
        fileman_clear(list);
        std::string path = add_file(write_bmp(dir, "c" + std::to_string(c.hold) + ".bmp", 5, 5));
        select(0);
        owner.hold_at(c.hold);
        start();
        owner.wait_held();
        owner.set_op((size_t)c.edited - 1, coloration(250, 3, 7));
        preview_invalidate(preview, c.edited, 0);
        size_t mark = owner.count();
        owner.release();
        size_t end = owner.wait_for({2, 0, 11}, mark);
        ASSERT_NE(0u, end);
        size_t end2 = owner.wait_for({2, 0, 11}, end);
        ASSERT_NE(0u, end2);
        std::vector<Event> follow = owner.events(end);
        EXPECT_EQ(begin(path, 10), follow[0]);
        EXPECT_EQ((Event{3, c.first, 0}), follow[1]);
        for (int stage = 0; stage <= 10; stage++)
            expect_stage(preview, path, owner.ops, stage);
        preview_destroy(preview);
        preview = nullptr;
    }
}

/* An interrupt posted after a re-check does not wipe the re-check out. */
TEST_F(PreviewTest, InterruptKeepsAPendingRecheck)
{
    owner.ops = mixed_ops();
    std::string a = add_file(write_bmp(dir, "a.bmp", 6, 4));
    std::string b = add_file(write_bmp(dir, "b.bmp", 4, 6));
    select(0);
    owner.hold_at(2);
    start();
    owner.wait_held();
    select(1);
    preview_update_file(preview);
    std::thread poster([&] { preview_invalidate(preview, 1, 1); });
    while (!(preview->command.load() & (1 << PREVIEW_COMMAND_INTERRUPT)))
        std::this_thread::yield();
    /* Both stay pending: the worker, held, has taken neither. */
    EXPECT_TRUE(preview->command.load() & (1 << PREVIEW_COMMAND_UPDATE_FILE));
    owner.release();
    poster.join();
    size_t cut = owner.wait_for({2, 2, 3});
    ASSERT_NE(0u, cut);
    size_t end = owner.wait_for({2, 0, 6}, cut + 1);
    ASSERT_NE(0u, end);
    EXPECT_EQ(begin(b, 5), owner.at(cut + 1));
    for (int stage = 0; stage <= 5; stage++)
        expect_stage(preview, b, owner.ops, stage);
}

TEST_F(PreviewTest, DisabledWorkerWaitsUntilEnabled)
{
    owner.ops = mixed_ops();
    std::string path = add_file(write_bmp(dir, "a.bmp", 6, 4));
    select(0);
    preview = preview_create(&Owner::notify, &Owner::filters, &owner);
    ASSERT_NE(nullptr, preview);
    preview_set_stage(preview, 65); /* created disabled */
    EXPECT_TRUE(owner.quiet_for(0, 300ms));
    ASSERT_EQ(0, preview_enable(preview));
    ASSERT_NE(0u, owner.wait_for({2, 0, 6}));

    ASSERT_EQ(0, preview_disable(preview));
    size_t count = owner.count();
    preview_invalidate(preview, 2, 0);
    EXPECT_TRUE(owner.quiet_for(count, 300ms));
    ASSERT_EQ(0, preview_enable(preview));
    size_t end = owner.wait_for({2, 0, 6}, count);
    ASSERT_NE(0u, end);
    EXPECT_EQ((Event{3, 2, 0}), owner.at(count + 1));
}

/* With no current file the schedule waits; it runs once a file is current. */
TEST_F(PreviewTest, NoCurrentFileWaits)
{
    owner.ops = mixed_ops();
    start();
    ASSERT_EQ(0, preview_enable(preview));
    ASSERT_EQ(0, preview_enable(preview)); /* two cycles have passed */
    EXPECT_EQ(0u, owner.count());
    std::string path = add_file(write_bmp(dir, "a.bmp", 6, 4));
    select(0);
    ASSERT_NE(0u, owner.wait_for({2, 0, 6}));
    EXPECT_EQ(begin(path, 5), owner.at(0));
}

/* A file that does not load is tried again only when it changes on disk, the
 * selection changes or the pipeline changes. Its failure leaves no path that
 * would hide the stages of the file selected before. */
TEST_F(PreviewTest, UnloadableFileWaitsForAChange)
{
    owner.ops = mixed_ops();
    std::string good = add_file(write_bmp(dir, "a.bmp", 6, 4));
    std::string bad = dir.file("b.bmp");
    ASSERT_TRUE(zvtest::write_file(bad, std::string("BM not an image")));
    add_file(bad);
    select(1);
    start();
    size_t failed = owner.wait_for({2, 1, 0});
    ASSERT_NE(0u, failed);
    EXPECT_EQ(begin(bad, 5), owner.at(0));
    for (int i = 0; i < 3; i++)
        ASSERT_EQ(0, preview_enable(preview)); /* each waits for a whole cycle */
    EXPECT_EQ(failed, owner.count());

    preview_invalidate(preview, 2, 0); /* the pipeline changed */
    size_t failed2 = owner.wait_for({2, 1, 0}, failed);
    ASSERT_NE(0u, failed2);
    EXPECT_EQ(failed + 2, failed2);

    select(0);
    preview_update_file(preview);
    size_t end = owner.wait_for({2, 0, 6}, failed2);
    ASSERT_NE(0u, end);
    select(1);
    preview_update_file(preview);
    size_t failed3 = owner.wait_for({2, 1, 0}, end);
    ASSERT_NE(0u, failed3);
    expect_no_stage(preview, 0);
    select(0);
    preview_update_file(preview);
    size_t end2 = owner.wait_for({2, 0, 6}, failed3);
    ASSERT_NE(0u, end2);
    EXPECT_EQ(begin(good, 5), owner.at(failed3));
    for (int stage = 0; stage <= 5; stage++)
        expect_stage(preview, good, owner.ops, stage);

    /* Mended on disk: loaded at once, without any other change. */
    select(1);
    preview_update_file(preview);
    size_t failed4 = owner.wait_for({2, 1, 0}, end2);
    ASSERT_NE(0u, failed4);
    std::string mended = write_bmp(dir, "mended.bmp", 5, 3);
    ASSERT_EQ(0, rename(mended.c_str(), bad.c_str()));
    ASSERT_NE(0u, owner.wait_for({2, 0, 6}, failed4));
    expect_stage(preview, bad, owner.ops, 5);
}

/* Stages that would exceed the byte budget are not kept; the run ends as for
 * a failed copy and the stages before stay. */
TEST_F(PreviewTest, MemoryBudgetEndsTheRun)
{
    owner.ops = mixed_ops();
    std::string path = add_file(write_bmp(dir, "a.bmp", 16, 16)); /* 1024 bytes a stage */
    select(0);
    preview = preview_create(&Owner::notify, &Owner::filters, &owner);
    ASSERT_NE(nullptr, preview);
    preview->memory_budget = 3 * 1024;
    ASSERT_EQ(0, preview_enable(preview));
    preview_set_stage(preview, 65);
    size_t end = owner.wait_for({2, 0, 3});
    ASSERT_NE(0u, end);
    std::vector<Event> got = owner.events();
    EXPECT_EQ((Event{2, 1, 3}), got[end - 2]);
    EXPECT_EQ((Event{3, 3, 0}), got[end - 3]);
    for (int stage = 0; stage <= 2; stage++)
        expect_stage(preview, path, owner.ops, stage);
    expect_no_stage(preview, 3);
}

/* A chain that would outgrow the photo's bound (128 megapixels for a small
 * one, sixteen times a large one) by the stage the display needs is refused
 * from the settings before any stage of it is made: the run's failed end
 * names the first stage past the bound, and no stage after the source is
 * computed. The stages before it still come when the display asks for them
 * alone. One side past the bound's square is enough; eight free turns of a
 * 12 megapixel photo pass it at the fifth (each turn within it costs a
 * second or more, so none is asked for here). */
TEST_F(PreviewTest, ChainsPastThePhotosBoundAreRefusedBeforeTheWork)
{
    const std::string past = std::to_string((int)sqrt((double)STAGE_MIN_BOUND_PIXELS) + 1) + "px";
    const Op turn{"rotate", {"angle"}, {"33.3"}};
    const struct {
        const char *name;
        int width, height;
        std::vector<Op> ops;
        int over;   // the first stage past the bound
        int within; // a stage before it, computed when asked for alone (0: none asked)
        int width_within;
    } cases[] = {
        {"resize",
         64,
         48,
         {Op{"resize", {"width", "height"}, {"200%", "200%"}},
          Op{"resize", {"width", "height"}, {past, past}}, Op{"negative", {}, {}}},
         2,
         1,
         128},
        {"turns", 4000, 3000, {turn, turn, turn, turn, turn, turn, turn, turn}, 5, 0, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const size_t begin = owner.events().size();
        owner.ops = c.ops;
        fileman_clear(list);
        add_file(write_bmp(dir, std::string(c.name) + ".bmp", c.width, c.height));
        select(0);
        zvtest::LogCapture log;
        preview = preview_create(&Owner::notify, &Owner::filters, &owner);
        ASSERT_NE(nullptr, preview);
        ASSERT_EQ(0, preview_enable(preview));
        preview_set_stage(preview, (int)c.ops.size());
        const size_t end = owner.wait_for({2, 0, 1}, begin);
        ASSERT_NE(0u, end);
        EXPECT_EQ((Event{2, 1, c.over}), owner.events()[end - 2]);
        EXPECT_TRUE(log.contains("stage " + std::to_string(c.over) + " over its bound FAILED!"));
        EXPECT_FALSE(log.contains("picture over its bound FAILED!"));
        for (int stage = 1; stage <= (int)c.ops.size(); stage++)
            expect_no_stage(preview, stage);
        // The stages within the bound are made when the display needs no more.
        if (!c.within) {
            preview_destroy(preview);
            preview = nullptr;
            continue;
        }
        preview_set_stage(preview, c.within);
        ASSERT_NE(0u, owner.wait_for({2, 0, c.within + 1}, end));
        sn_image_t *kept = preview_lock_image(preview, c.within);
        ASSERT_NE(nullptr, kept);
        if (c.width_within) {
            EXPECT_EQ(kept->width, c.width_within);
        }
        preview_unlock_image(preview);
        preview_destroy(preview);
        preview = nullptr;
    }
}

/* The display's copy holds the mutex: the worker cannot replace that stage
 * until it is released. */
TEST_F(PreviewTest, LockedStageIsNotReplaced)
{
    owner.ops = mixed_ops();
    std::string path = add_file(write_bmp(dir, "a.bmp", 6, 4));
    select(0);
    start();
    size_t end = owner.wait_for({2, 0, 6});
    ASSERT_NE(0u, end);
    sn_image_t *before = expected_stage(path, owner.ops, 1);
    owner.hold_at(1);
    owner.set_op(0, coloration(9, 9, 9));
    preview_invalidate(preview, 1, 0);
    owner.wait_held();
    sn_image_t *locked = preview_lock_image(preview, 1);
    ASSERT_NE(nullptr, locked);
    size_t begun = owner.count();
    owner.release();
    EXPECT_TRUE(owner.quiet_for(begun, 200ms));
    EXPECT_TRUE(same_pixels(before, locked));
    preview_unlock_image(preview);
    ASSERT_NE(0u, owner.wait_for({2, 0, 6}, begun));
    expect_stage(preview, path, owner.ops, 1);
    sn_image_destroy(before);
}

/* Exit during a run leaves the stage loop as an interrupt does. */
TEST_F(PreviewTest, ExitLeavesTheStageLoop)
{
    owner.ops = mixed_ops();
    add_file(write_bmp(dir, "a.bmp", 6, 4));
    select(0);
    owner.hold_at(2);
    start();
    owner.wait_held();
    preview_t *record = preview;
    preview = nullptr;
    std::thread destroyer([&] { preview_destroy(record); });
    while (!(record->command.load() & (1 << PREVIEW_COMMAND_EXIT)))
        std::this_thread::yield();
    owner.release();
    destroyer.join();
    std::vector<Event> got = owner.events();
    ASSERT_GE(got.size(), 3u);
    EXPECT_EQ((Event{4, 0, 2}), got[got.size() - 3]);
    EXPECT_EQ((Event{2, 2, 3}), got[got.size() - 2]);
    EXPECT_EQ((Event{2, 0, 3}), got[got.size() - 1]);
}

/* The wait outlasts the run that holds filters: it cuts that run before its
 * next stage, returns only after the run's end, and the stages the run had
 * still to compute follow. An idle worker is not interrupted at all. */
TEST_F(PreviewTest, WaitIdleOutlastsTheRunInProgress)
{
    owner.ops = mixed_ops();
    std::string path = add_file(write_bmp(dir, "a.bmp", 6, 4));
    select(0);
    start();
    size_t end = owner.wait_for({2, 0, 6});
    ASSERT_NE(0u, end);
    ASSERT_EQ(0, preview_enable(preview)); /* the run's counts are settled */
    EXPECT_EQ(0, preview_wait_idle(preview, 0));
    EXPECT_EQ(0, preview_wait_idle(preview, 1000));
    EXPECT_FALSE(preview->command.load() & (1 << PREVIEW_COMMAND_INTERRUPT));

    owner.hold_at(2);
    owner.set_op(0, coloration(4, 5, 6));
    preview_invalidate(preview, 1, 0);
    owner.wait_held();
    EXPECT_EQ(-1, preview_wait_idle(preview, 0)); /* only looks */
    EXPECT_FALSE(preview->command.load() & (1 << PREVIEW_COMMAND_INTERRUPT));

    std::atomic<int> returned{0};
    size_t events_at_return = 0;
    std::thread waiter([&] {
        EXPECT_EQ(0, preview_wait_idle(preview, 5000));
        events_at_return = owner.count();
        returned.store(1);
    });
    while (!(preview->command.load() & (1 << PREVIEW_COMMAND_INTERRUPT)))
        std::this_thread::yield();
    EXPECT_EQ(0, returned.load()); /* the run is still held */
    owner.release();
    waiter.join();
    size_t cut = owner.wait_for({2, 2, 3}, end);
    ASSERT_NE(0u, cut);
    EXPECT_GE(events_at_return, cut + 1) << "returned before the run had ended";
    size_t end2 = owner.wait_for({2, 0, 6}, cut);
    ASSERT_NE(0u, end2);
    EXPECT_EQ((Event{3, 3, 0}), owner.at(cut + 2));
    for (int stage = 0; stage <= 5; stage++)
        expect_stage(preview, path, owner.ops, stage);
}

/* A worker that does not end within the close's time-out is reported, and
 * its record stays usable for it; once it has ended a second destroy frees
 * the record. */
TEST_F(PreviewTest, DestroyReportsAWorkerLeftRunning)
{
    owner.ops = mixed_ops();
    add_file(write_bmp(dir, "a.bmp", 6, 4));
    select(0);
    start();
    ASSERT_NE(0u, owner.wait_for({2, 0, 6}));
    owner.hold_at(1);
    preview_invalidate(preview, 1, 0);
    owner.wait_held();
    EXPECT_EQ(-1, preview_destroy(preview, 100));
    owner.release();
    EXPECT_TRUE(zvtest::wait_for([&] { return preview->exited.load() != 0; }));
    EXPECT_EQ(0, preview_destroy(preview));
    preview = nullptr;

    start();
    EXPECT_EQ(0, preview_destroy(preview));
    preview = nullptr;
}

} // namespace

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    sn_image_init();
    if (photobatch_create_instance() != 0)
        return 1;
    int result = RUN_ALL_TESTS();
    photobatch_destroy_instance();
    sn_image_uninit();
    return result;
}
