/*
 * The batch worker over real files in temporary folders: the command protocol
 * and its states, the events of whole runs (good, unreadable and unwritable
 * files), pause, stop, resume and exit between files, unique output names,
 * the source options and the filter list. Every wait is on the worker's own
 * events, with a time-out.
 */
#include "outputfile.h"
#include "photobatch.h"
#include "stagebound.h"

#include "base/sn_thread.h"
#include "filter/imagefilter.h"
#include "image/sn_image.h"
#include "image/sn_image_codec.h"
#include "zv_test.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <math.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <utime.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace
{

const auto k_timeout = std::chrono::seconds(20);

struct Event {
    int event;
    intptr_t argument;  /* the code, or 0 for path events */
    std::string source; /* events 4 and 5 */
    std::string text;
    bool has_text;
    bool operator==(const Event &o) const
    {
        return event == o.event && argument == o.argument && source == o.source && text == o.text &&
               has_text == o.has_text;
    }
};

std::ostream &operator<<(std::ostream &os, const Event &e)
{
    return os << "{" << e.event << ", " << e.argument << ", '" << e.source << "', "
              << (e.has_text ? "'" + e.text + "'" : std::string("none")) << "}";
}

Event ev(int event, intptr_t argument)
{
    return Event{event, argument, "", "", false};
}
Event begins(const std::string &source)
{
    return Event{PHOTOBATCH_EVENT_FILE, 0, source, "", false};
}
Event written(const std::string &source, const std::string &output)
{
    return Event{PHOTOBATCH_EVENT_WRITTEN, 0, source, output, true};
}
Event failed(int code, const std::string &text)
{
    return Event{PHOTOBATCH_EVENT_FAILED, code, "", text, true};
}
Event kept(const std::string &source, int why)
{
    return Event{PHOTOBATCH_EVENT_KEPT, why, source, "", false};
}

/* Collects the events and the filter-list requests of one batch. */
class Recorder
{
public:
    static void on_event(void *target, int event, intptr_t argument, const char *text)
    {
        Recorder *r = (Recorder *)target;
        Event e{event, argument, "", text ? text : "", text != nullptr};
        if (event == PHOTOBATCH_EVENT_FILE || event == PHOTOBATCH_EVENT_WRITTEN) {
            e.source = (const char *)argument;
            e.argument = 0;
        } else if (event == PHOTOBATCH_EVENT_KEPT) {
            /* The reason's code, and the source as its text. */
            e.source = e.text;
            e.text.clear();
            e.has_text = false;
        }
        std::function<void(const Event &)> hook;
        {
            std::lock_guard<std::mutex> lock(r->mutex_);
            r->events_.push_back(e);
            r->cv_.notify_all();
            hook = r->event_hook_;
        }
        if (hook)
            hook(e);
    }

    static void on_filters(void *owner, const QString &path, int, QList<imagefilter_t *> &filters)
    {
        Recorder *r = (Recorder *)owner;
        std::function<void(const std::string &)> hook;
        {
            std::lock_guard<std::mutex> lock(r->mutex_);
            r->filter_paths_.push_back(path.toStdString());
            hook = r->hook_;
            for (imagefilter_t *f : r->filters_)
                filters.append(f);
        }
        if (hook)
            hook(path.toStdString());
    }

    /* Waits until the events end with `last`. */
    bool wait_for(const Event &last, std::chrono::seconds timeout = k_timeout)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        return cv_.wait_for(lock, timeout, [&] {
            for (const Event &e : events_)
                if (e == last)
                    return true;
            return false;
        });
    }

    bool seen(const Event &e)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const Event &x : events_)
            if (x == e)
                return true;
        return false;
    }

    std::vector<Event> events()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }
    std::vector<std::string> filter_paths()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return filter_paths_;
    }
    void clear()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.clear();
        filter_paths_.clear();
    }
    /* Runs on the worker for every filter-list request. */
    void set_hook(std::function<void(const std::string &)> hook)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        hook_ = hook;
    }
    /* Runs on the worker for every event, after it is recorded. */
    void set_event_hook(std::function<void(const Event &)> hook)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        event_hook_ = hook;
    }
    void set_filters(const std::vector<imagefilter_t *> &filters)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        filters_ = filters;
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<Event> events_;
    std::vector<std::string> filter_paths_;
    std::vector<imagefilter_t *> filters_;
    std::function<void(const std::string &)> hook_;
    std::function<void(const Event &)> event_hook_;
};

/* A small photo-like PNG made by ImageMagick, an encoder independent of
 * ours; made once and copied. */
const std::vector<uint8_t> &fixture_png()
{
    static std::vector<uint8_t> bytes;
    if (bytes.empty()) {
        zvtest::TempDir dir;
        std::string path = dir.file("f.png");
        if (zvtest::run("convert -size 9x7 gradient:red-blue -attenuate 0.3 +noise Uniform " +
                        zvtest::quote(path)) == 0)
            bytes = zvtest::read_file(path);
    }
    return bytes;
}

static bool has_affix(const std::string &name, const std::string &prefix, const std::string &suffix)
{
    return name.size() >= prefix.size() + suffix.size() &&
           name.compare(0, prefix.size(), prefix) == 0 &&
           name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

class PhotoBatch : public testing::Test
{
protected:
    void SetUp() override
    {
        if (!zvtest::have_tool("convert") || fixture_png().empty())
            GTEST_SKIP() << "ImageMagick convert is needed for the fixtures";
        sn_image_init();
        out_ = dir_.file("out");
        mkdir(out_.c_str(), 0755);
        mkdir(dir_.file("src").c_str(), 0755);
        make_batch();
    }
    /* A batch reporting to the recorder and writing PNG into out_. */
    void make_batch()
    {
        batch_ = photobatch_create();
        ASSERT_NE(batch_, nullptr);
        photobatch_set_process_callback(batch_, Recorder::on_event, &rec_);
        photobatch_set_filter_callback(batch_, Recorder::on_filters, &rec_);
        outputconfig_t *c = photobatch_get_outputconfig(batch_);
        strcpy(c->output_folder, out_.c_str());
        c->format = SN_IMAGE_FORMAT_PNG;
        c->quality = 90;
    }
    void TearDown() override
    {
        photobatch_destroy(batch_);
    }

    std::string source(const std::string &name)
    {
        std::string path = dir_.file("src/" + name);
        EXPECT_TRUE(zvtest::write_file(path, fixture_png()));
        return path;
    }
    void add(const std::string &path)
    {
        ASSERT_GE(fileman_add(photobatch_get_fileman(batch_), path.c_str(), 0, 0), 0);
    }
    outputconfig_t *config()
    {
        return photobatch_get_outputconfig(batch_);
    }
    /* Starts and waits for the end of the run. */
    std::vector<Event> run_all(std::chrono::seconds timeout = k_timeout)
    {
        EXPECT_EQ(photobatch_start(batch_), 0);
        EXPECT_TRUE(rec_.wait_for(ev(PHOTOBATCH_EVENT_FINISHED, 1), timeout));
        return rec_.events();
    }
    /* Makes the worker hold file `name` until a command has been posted. */
    void hold_in(const std::string &name)
    {
        hold_in(std::vector<std::string>{name});
    }
    void hold_in(const std::vector<std::string> &names)
    {
        photobatch_t *b = batch_;
        rec_.set_hook([b, names](const std::string &path) {
            bool held = false;
            for (const std::string &name : names)
                held = held || has_affix(path, "", name);
            if (!held)
                return;
            auto until = std::chrono::steady_clock::now() + k_timeout;
            while (b->command.load() == 0 && std::chrono::steady_clock::now() < until)
                usleep(1000);
        });
    }

    zvtest::TempDir dir_;
    std::string out_;
    Recorder rec_;
    photobatch_t *batch_ = nullptr;
};

/* Every format the batch writes, with its suffix. */
struct OutputFormat {
    int format;
    const char *ext;
};
const OutputFormat k_output_formats[] = {{SN_IMAGE_FORMAT_BMP, ".bmp"},
                                         {SN_IMAGE_FORMAT_JPEG, ".jpg"},
                                         {SN_IMAGE_FORMAT_GIF, ".gif"},
                                         {SN_IMAGE_FORMAT_PNG, ".png"},
                                         {SN_IMAGE_FORMAT_TIFF, ".tif"}};

bool is_png_of_size(const std::string &path, int width, int height)
{
    sn_image_t *image = sn_image_create_from_file(path.c_str(), -1);
    bool ok = image && image->format == SN_IMAGE_FORMAT_PNG && image->width == width &&
              image->height == height;
    sn_image_destroy(image);
    return ok;
}

} // namespace

TEST_F(PhotoBatch, CommandsRefusedOrTakenInEachState)
{
    EXPECT_EQ(photobatch_get_status(batch_), PHOTOBATCH_STATUS_IDLE);
    EXPECT_EQ(photobatch_pause(batch_), -1);
    EXPECT_EQ(photobatch_resume(batch_), -1);
    EXPECT_EQ(photobatch_stop(batch_), 0);
    ASSERT_TRUE(rec_.wait_for(ev(PHOTOBATCH_EVENT_FINISHED, 0)));
    EXPECT_EQ(rec_.events(), (std::vector<Event>{ev(PHOTOBATCH_EVENT_FINISHED, 0)}));
    rec_.clear();

    /* An empty list: no entry at index 0, then the end of the run. */
    std::vector<Event> events = run_all();
    EXPECT_EQ(events, (std::vector<Event>{ev(PHOTOBATCH_EVENT_STARTED, 0),
                                          Event{PHOTOBATCH_EVENT_FAILED, 1, "", "", false},
                                          ev(PHOTOBATCH_EVENT_FINISHED, 1)}));
    EXPECT_EQ(photobatch_get_status(batch_), PHOTOBATCH_STATUS_IDLE);
    /* The operations are asked to prepare once, with an empty path. */
    EXPECT_EQ(rec_.filter_paths(), (std::vector<std::string>{""}));
}

TEST_F(PhotoBatch, StartAndResumeAreRefusedWhileRunning)
{
    std::string a = source("a.png"), b = source("b.png"), c = source("c.png");
    add(a);
    add(b);
    add(c);
    /* Each refused command is posted while a file is in hand and answered
     * between files, so the answer is the refusal, not a time-out. */
    hold_in(std::vector<std::string>{"a.png", "b.png"});
    ASSERT_EQ(photobatch_start(batch_), 0);
    ASSERT_TRUE(rec_.wait_for(begins(a)));
    EXPECT_EQ(photobatch_start(batch_), -1);
    EXPECT_EQ(photobatch_get_status(batch_), PHOTOBATCH_STATUS_RUNNING);
    ASSERT_TRUE(rec_.wait_for(begins(b)));
    EXPECT_EQ(photobatch_resume(batch_), -1);
    ASSERT_TRUE(rec_.wait_for(ev(PHOTOBATCH_EVENT_FINISHED, 1)));
    /* Neither refusal sent an event nor began the run again. */
    EXPECT_EQ(rec_.events(), (std::vector<Event>{ev(1, 0), begins(a), written(a, out_ + "/a.png"),
                                                 begins(b), written(b, out_ + "/b.png"), begins(c),
                                                 written(c, out_ + "/c.png"), ev(3, 1)}));
    rec_.set_hook(nullptr);
}

TEST_F(PhotoBatch, PauseLetsTheFileInHandFinishThenResumeGoesOn)
{
    std::string a = source("a.png"), b = source("b.png"), c = source("c.png");
    add(a);
    add(b);
    add(c);
    hold_in("a.png");
    ASSERT_EQ(photobatch_start(batch_), 0);
    ASSERT_TRUE(rec_.wait_for(begins(a)));
    EXPECT_EQ(photobatch_pause(batch_), 0);
    EXPECT_EQ(photobatch_get_status(batch_), PHOTOBATCH_STATUS_PAUSED);
    EXPECT_EQ(rec_.events(),
              (std::vector<Event>{ev(1, 0), begins(a), written(a, out_ + "/a.png"), ev(2, 0)}));
    EXPECT_EQ(photobatch_get_current(batch_), 1);

    /* Refused while paused, and nothing moves meanwhile. */
    EXPECT_EQ(photobatch_start(batch_), -1);
    EXPECT_EQ(photobatch_pause(batch_), -1);
    EXPECT_EQ(rec_.events().size(), 4u);

    rec_.set_hook(nullptr);
    EXPECT_EQ(photobatch_resume(batch_), 0);
    ASSERT_TRUE(rec_.wait_for(ev(PHOTOBATCH_EVENT_FINISHED, 1)));
    EXPECT_EQ(rec_.events(),
              (std::vector<Event>{ev(1, 0), begins(a), written(a, out_ + "/a.png"), ev(2, 0),
                                  ev(1, 1), begins(b), written(b, out_ + "/b.png"), begins(c),
                                  written(c, out_ + "/c.png"), ev(3, 1)}));
    EXPECT_EQ(photobatch_resume(batch_), -1);
    EXPECT_EQ(rec_.filter_paths(), (std::vector<std::string>{"", a, b, c}));
    EXPECT_TRUE(is_png_of_size(out_ + "/c.png", 9, 7));
}

TEST_F(PhotoBatch, StopEndsTheRunAndStartBeginsAgain)
{
    std::string a = source("a.png"), b = source("b.png"), c = source("c.png");
    add(a);
    add(b);
    add(c);
    hold_in("b.png");
    ASSERT_EQ(photobatch_start(batch_), 0);
    ASSERT_TRUE(rec_.wait_for(begins(b)));
    EXPECT_EQ(photobatch_stop(batch_), 0);
    EXPECT_EQ(photobatch_get_status(batch_), PHOTOBATCH_STATUS_IDLE);
    EXPECT_EQ(rec_.events(),
              (std::vector<Event>{ev(1, 0), begins(a), written(a, out_ + "/a.png"), begins(b),
                                  written(b, out_ + "/b.png"), ev(3, 0)}));
    rec_.set_hook(nullptr);
    rec_.clear();
    std::vector<Event> events = run_all();
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[1], begins(a));
    /* Earlier results are kept: the second run writes beside them. */
    EXPECT_EQ(events[2], written(a, out_ + "/a(1).png"));
}

static std::vector<std::string> folder_names(const std::string &folder)
{
    std::vector<std::string> names;
    DIR *dir = opendir(folder.c_str());
    if (!dir)
        return names;
    while (struct dirent *entry = readdir(dir))
        if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0)
            names.push_back(entry->d_name);
    closedir(dir);
    return names;
}

namespace
{

/* Where the worker waits, on file a, until its owner has asked it to stop:
 * the exit then comes at that point of the file. */
enum HoldAt { HOLD_DECODE, HOLD_FILTER, HOLD_SAVE, HOLD_SAVED };
std::atomic<int> g_hold_at{-1};
std::atomic<bool> g_held{false};

void wait_for_stop()
{
    g_held.store(true);
    auto until = std::chrono::steady_clock::now() + k_timeout;
    while (!sn_thread_stop_asked() && std::chrono::steady_clock::now() < until)
        usleep(1000);
}

struct HoldingRecorder {
    Recorder *rec;
    std::string name;
};

void hold_before_decode(void *target, int event, intptr_t argument, const char *text)
{
    HoldingRecorder *hold = (HoldingRecorder *)target;
    Recorder::on_event(hold->rec, event, argument, text);
    if (g_hold_at.load() == HOLD_DECODE && event == PHOTOBATCH_EVENT_FILE &&
        has_affix((const char *)argument, "", hold->name))
        wait_for_stop();
}

int hold_in_filter(imagefilter_t *, sn_image_t *)
{
    if (g_hold_at.load() == HOLD_FILTER)
        wait_for_stop();
    return 0;
}

void hold_in_save(int stage, int, const char *)
{
    if ((stage == OUTPUTFILE_STAGE_CREATED && g_hold_at.load() == HOLD_SAVE) ||
        (stage == OUTPUTFILE_STAGE_WRITTEN && g_hold_at.load() == HOLD_SAVED))
        wait_for_stop();
}

} // namespace

/* The exit does not wait for the file in hand: stopped in its decode, its
 * filters or its save, even with the save done and only its name to take,
 * the file is dropped (nothing written, not even a temporary file, nothing
 * failed, its source untouched) and the run ends as cancelled. */
TEST_F(PhotoBatch, DestroyDuringAFileDropsItAtEveryStep)
{
    struct Case {
        const char *name;
        HoldAt at;
    };
    const Case cases[] = {
        {"decode", HOLD_DECODE},
        {"filter", HOLD_FILTER},
        {"save", HOLD_SAVE},
        {"saved", HOLD_SAVED},
    };
    imagefilter_t holding = {"holding", nullptr, hold_in_filter, nullptr, nullptr};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        rec_.clear();
        zvtest::run("rm -rf " + zvtest::quote(out_) + "/* " + zvtest::quote(dir_.file("src")) +
                    "/*");
        std::string a = source("a.png"), b = source("b.png");
        const std::vector<uint8_t> before = zvtest::read_file(a);
        add(a);
        add(b);
        rec_.set_filters({&holding});
        HoldingRecorder hold{&rec_, "a.png"};
        photobatch_set_process_callback(batch_, hold_before_decode, &hold);
        g_hold_at.store(c.at);
        g_held.store(false);
        outputfile_race_hook = hold_in_save;
        ASSERT_EQ(photobatch_start(batch_), 0);
        /* The exit comes once the worker is at that point, not before. */
        ASSERT_TRUE(zvtest::wait_for([] { return g_held.load(); }, 60000));
        EXPECT_EQ(photobatch_destroy(batch_), 0);
        outputfile_race_hook = nullptr;
        g_hold_at.store(-1);
        EXPECT_EQ(rec_.events(), (std::vector<Event>{ev(1, 0), begins(a), ev(3, 0)}));
        EXPECT_EQ(folder_names(out_), std::vector<std::string>{});
        EXPECT_EQ(zvtest::read_file(a), before);
        make_batch();
    }
}

namespace
{

/* Holds the worker, whatever its stop word says, until released: a filter
 * or a write that cannot be interrupted. */
std::atomic<bool> g_release{false};

void hold_until_released()
{
    g_held.store(true);
    auto until = std::chrono::steady_clock::now() + k_timeout;
    while (!g_release.load() && std::chrono::steady_clock::now() < until)
        usleep(1000);
}

int hold_in_filter_past_the_exit(imagefilter_t *, sn_image_t *)
{
    hold_until_released();
    return 0;
}

void hold_past_the_exit_once_written(int stage, int, const char *)
{
    if (stage == OUTPUTFILE_STAGE_WRITTEN)
        hold_until_released();
}

} // namespace

/* A worker still at work when the destroy's wait ends, inside a filter or
 * with its temporary file written and not yet finished, is given up: the
 * destroy returns at once with -1, the temporary file is gone, and when the
 * worker goes on it publishes nothing, reports nothing and leaves the source
 * alone. Destroyed again once it has ended, the record is freed. */
TEST_F(PhotoBatch, DestroyGivesUpAWorkerStillAtWork)
{
    imagefilter_t filter_past_exit = {"holding", nullptr, hold_in_filter_past_the_exit, nullptr,
                                      nullptr};
    for (bool in_filter : {true, false}) {
        SCOPED_TRACE(in_filter ? "in a filter" : "temporary file written");
        rec_.clear();
        std::string a = source("a.png"), b = source("b.png");
        const std::vector<uint8_t> before = zvtest::read_file(a);
        add(a);
        add(b);
        config()->delete_source = 1;
        rec_.set_filters(in_filter ? std::vector<imagefilter_t *>{&filter_past_exit}
                                   : std::vector<imagefilter_t *>{});
        outputfile_race_hook = in_filter ? nullptr : hold_past_the_exit_once_written;
        /* Whatever fails below, nothing stays held for the tests after. */
        struct Release {
            ~Release()
            {
                g_release.store(true);
                outputfile_race_hook = nullptr;
            }
        } release;
        g_held.store(false);
        g_release.store(false);
        ASSERT_EQ(photobatch_start(batch_), 0);
        ASSERT_TRUE(zvtest::wait_for([] { return g_held.load(); }, 60000));
        const std::vector<std::string> held_names = folder_names(out_);
        if (!in_filter) {
            ASSERT_EQ(held_names.size(), 1u);
            EXPECT_TRUE(has_affix(held_names[0], ".zandrevik-", ".part")) << held_names[0];
        }
        photobatch_t *given_up = batch_;
        EXPECT_EQ(photobatch_destroy(given_up, 20), -1);
        EXPECT_EQ(folder_names(out_), std::vector<std::string>{});
        EXPECT_EQ(photobatch_destroy(given_up, 20), -1) << "still at work: not freed";

        g_release.store(true);
        EXPECT_TRUE(zvtest::wait_for([given_up] { return given_up->exited.load() != 0; }));
        outputfile_race_hook = nullptr;
        EXPECT_EQ(rec_.events(), (std::vector<Event>{ev(1, 0), begins(a)}));
        EXPECT_EQ(photobatch_get_status(given_up), PHOTOBATCH_STATUS_RUNNING);
        EXPECT_EQ(folder_names(out_), std::vector<std::string>{});
        EXPECT_EQ(zvtest::read_file(a), before);
        EXPECT_EQ(photobatch_destroy(given_up, 0), 0);
        make_batch();
    }
}

TEST_F(PhotoBatch, WholeRunOverGoodAndUnreadableFiles)
{
    std::string a = source("a.png");
    std::string bad = dir_.file("src/bad.png");
    ASSERT_TRUE(zvtest::write_file(bad, std::string("\\x89PNG but not really")));
    std::string missing = dir_.file("src/missing.png");
    std::string b = source("b.png");
    add(a);
    add(bad);
    add(missing);
    add(b);
    std::vector<Event> events = run_all();
    EXPECT_EQ(events,
              (std::vector<Event>{ev(1, 0), begins(a), written(a, out_ + "/a.png"), begins(bad),
                                  failed(1, bad), begins(missing), failed(1, missing), begins(b),
                                  written(b, out_ + "/b.png"), ev(3, 1)}));
    EXPECT_FALSE(zvtest::file_exists(out_ + "/bad.png"));
    EXPECT_TRUE(is_png_of_size(out_ + "/b.png", 9, 7));
}

TEST_F(PhotoBatch, UnwritableOutputFailsTheFileAndKeepsTheSource)
{
    std::string a = source("a.png");
    add(a);
    config()->delete_source = 1;
    std::string nowhere = dir_.file("no/such/folder");
    strcpy(config()->output_folder, nowhere.c_str());
    std::vector<Event> events = run_all();
    EXPECT_EQ(events,
              (std::vector<Event>{ev(1, 0), begins(a), failed(2, nowhere + "/a.png"), ev(3, 1)}));
    EXPECT_TRUE(zvtest::file_exists(a));

    if (geteuid() != 0) {
        /* A read-only folder (root writes there all the same). */
        std::string ro = dir_.file("ro");
        mkdir(ro.c_str(), 0555);
        strcpy(config()->output_folder, ro.c_str());
        rec_.clear();
        events = run_all();
        EXPECT_EQ(events,
                  (std::vector<Event>{ev(1, 0), begins(a), failed(2, ro + "/a.png"), ev(3, 1)}));
        EXPECT_TRUE(zvtest::file_exists(a));
        chmod(ro.c_str(), 0755);
    } else {
        /* Root writes into a mode-0555 folder; a read-only system folder
         * refuses it too. */
        int probe = open("/sys/zv_probe.png", O_WRONLY | O_CREAT | O_EXCL, 0666);
        if (probe >= 0) {
            close(probe);
            unlink("/sys/zv_probe.png");
        } else {
            strcpy(config()->output_folder, "/sys");
            rec_.clear();
            events = run_all();
            EXPECT_EQ(events,
                      (std::vector<Event>{ev(1, 0), begins(a), failed(2, "/sys/a.png"), ev(3, 1)}));
            EXPECT_TRUE(zvtest::file_exists(a));
        }
    }

    /* A name that would not fit is a failure of that file, not a cut name. */
    strcpy(config()->output_folder, out_.c_str());
    std::string long_stem(1020, 'n');
    strcpy(config()->filename_template, long_stem.c_str());
    rec_.clear();
    events = run_all();
    EXPECT_EQ(events, (std::vector<Event>{ev(1, 0), begins(a), failed(2, a), ev(3, 1)}));
    EXPECT_TRUE(zvtest::file_exists(a));
}

TEST_F(PhotoBatch, ExistingOutputsAreNeverReplaced)
{
    std::string a = source("a.png");
    add(a);
    strcpy(config()->filename_template, "x.y");
    ASSERT_TRUE(zvtest::write_file(out_ + "/x.y.png", std::string("first")));
    ASSERT_TRUE(zvtest::write_file(out_ + "/x.y(1).png", std::string("second")));
    std::vector<Event> events = run_all();
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[2], written(a, out_ + "/x.y(2).png"));
    EXPECT_TRUE(is_png_of_size(out_ + "/x.y(2).png", 9, 7));
    std::vector<uint8_t> first = zvtest::read_file(out_ + "/x.y.png");
    std::vector<uint8_t> second = zvtest::read_file(out_ + "/x.y(1).png");
    EXPECT_EQ(std::string(first.begin(), first.end()), "first");
    EXPECT_EQ(std::string(second.begin(), second.end()), "second");
}

TEST_F(PhotoBatch, KeepSourceFormatNamesAndWritesInTheSourceFormat)
{
    std::string a = source("a.png");
    add(a);
    config()->format = SN_IMAGE_FORMAT_JPEG;
    config()->keep_source_format = 1;
    config()->quality = 50;
    std::vector<Event> events = run_all();
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[2], written(a, out_ + "/a.png"));
    EXPECT_TRUE(is_png_of_size(out_ + "/a.png", 9, 7));
}

TEST_F(PhotoBatch, KeepAttributeAndDeleteSource)
{
    std::string a = source("a.png");
    struct utimbuf times = {1000000000, 1100000000};
    ASSERT_EQ(utime(a.c_str(), &times), 0);
    ASSERT_EQ(chmod(a.c_str(), 0640), 0);
    add(a);
    config()->keep_attribute = 1;
    std::vector<Event> events = run_all();
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[2], written(a, out_ + "/a.png"));
    /* Loading the source may have moved its access time; the copy follows. */
    struct stat src, st;
    ASSERT_EQ(stat(a.c_str(), &src), 0);
    ASSERT_EQ(stat((out_ + "/a.png").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 1100000000);
    EXPECT_EQ(st.st_mtim.tv_nsec, src.st_mtim.tv_nsec);
    EXPECT_EQ(st.st_atime, src.st_atime);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    config()->keep_attribute = 0;
    config()->delete_source = 1;
    rec_.clear();
    events = run_all();
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[2], written(a, out_ + "/a(1).png"));
    EXPECT_TRUE(is_png_of_size(out_ + "/a(1).png", 9, 7));
    EXPECT_FALSE(zvtest::file_exists(a));
}

TEST_F(PhotoBatch, FailedSaveRemovesOnlyItsOwnOutputAndKeepsTheSource)
{
    std::string a = source("a.png");
    add(a);
    /* A format without a writer: the claimed name must not stay behind. */
    config()->format = SN_IMAGE_FORMAT_TGA;
    config()->delete_source = 1;
    ASSERT_TRUE(zvtest::write_file(out_ + "/a.tga", std::string("someone else's")));
    std::vector<Event> events = run_all();
    EXPECT_EQ(events,
              (std::vector<Event>{ev(1, 0), begins(a), failed(2, out_ + "/a(1).tga"), ev(3, 1)}));
    EXPECT_FALSE(zvtest::file_exists(out_ + "/a(1).tga"));
    std::vector<uint8_t> other = zvtest::read_file(out_ + "/a.tga");
    EXPECT_EQ(std::string(other.begin(), other.end()), "someone else's");
    EXPECT_TRUE(zvtest::file_exists(a));
}

/* Writes beyond a file-size limit fail as on a full disk, mid-file. */
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        old_handler_ = signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old_);
        struct rlimit lim = old_;
        lim.rlim_cur = bytes;
        set_ = setrlimit(RLIMIT_FSIZE, &lim) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old_);
        signal(SIGXFSZ, old_handler_);
    }
    bool set() const
    {
        return set_;
    }

private:
    struct rlimit old_;
    void (*old_handler_)(int);
    bool set_ = false;
};

TEST_F(PhotoBatch, AWriteErrorMidFileKeepsTheSourceAndLeavesNoOutput)
{
    /* Big enough that every format's output passes the limit. */
    std::string a = dir_.file("src/big.png");
    ASSERT_EQ(zvtest::run("convert -size 160x120 xc:gray50 +noise Random " + zvtest::quote(a)), 0);
    std::vector<uint8_t> bytes = zvtest::read_file(a);
    add(a);
    config()->delete_source = 1;
    for (const OutputFormat &c : k_output_formats) {
        SCOPED_TRACE(c.ext);
        ASSERT_TRUE(zvtest::write_file(a, bytes));
        config()->format = c.format;
        rec_.clear();
        std::vector<Event> events;
        {
            FileSizeLimit limit(4096);
            ASSERT_TRUE(limit.set());
            events = run_all();
        }
        std::string output = out_ + "/big" + c.ext;
        EXPECT_EQ(events, (std::vector<Event>{ev(1, 0), begins(a), failed(2, output), ev(3, 1)}));
        EXPECT_FALSE(zvtest::file_exists(output));
        EXPECT_TRUE(zvtest::file_exists(a));
    }
}

TEST_F(PhotoBatch, NumberGoesBeforeTheDotOfTheFileNameOnly)
{
    std::string a = source("a.png");
    add(a);
    /* No extension (format 0) in a folder whose name has a dot: the number
     * goes at the end of the file name, not into the folder. The save then
     * fails (no format to write), which shows the name it claimed. */
    std::string folder = dir_.file("out.d");
    mkdir(folder.c_str(), 0755);
    strcpy(config()->output_folder, folder.c_str());
    strcpy(config()->filename_template, "x");
    config()->format = 0;
    ASSERT_TRUE(zvtest::write_file(folder + "/x", std::string("taken")));
    std::vector<Event> events = run_all();
    EXPECT_EQ(events,
              (std::vector<Event>{ev(1, 0), begins(a), failed(2, folder + "/x(1)"), ev(3, 1)}));
    EXPECT_FALSE(zvtest::file_exists(folder + "/x(1)"));
}

TEST_F(PhotoBatch, AListThatShrinksDuringARunStillEnds)
{
    std::string a = source("a.png"), b = source("b.png"), c = source("c.png");
    add(a);
    add(b);
    add(c);
    std::atomic<bool> release{false};
    rec_.set_hook([&release](const std::string &path) {
        if (path.empty())
            return;
        auto until = std::chrono::steady_clock::now() + k_timeout;
        while (!release.load() && std::chrono::steady_clock::now() < until)
            usleep(1000);
    });
    ASSERT_EQ(photobatch_start(batch_), 0);
    ASSERT_TRUE(rec_.wait_for(begins(a)));
    /* The interface removes entries while the worker holds the first file. */
    fileman_t *list = photobatch_get_fileman(batch_);
    EXPECT_EQ(fileman_remove(list, 2), 0);
    EXPECT_EQ(fileman_remove(list, 1), 0);
    release.store(true);
    ASSERT_TRUE(rec_.wait_for(ev(PHOTOBATCH_EVENT_FINISHED, 1)));
    Event none{PHOTOBATCH_EVENT_FAILED, 1, "", "", false};
    EXPECT_EQ(rec_.events(), (std::vector<Event>{ev(1, 0), begins(a), written(a, out_ + "/a.png"),
                                                 none, none, ev(3, 1)}));
    EXPECT_EQ(photobatch_get_status(batch_), PHOTOBATCH_STATUS_IDLE);
    rec_.set_hook(nullptr);
}

TEST_F(PhotoBatch, SettingsAndListEditedDuringARunAreReadWhole)
{
    std::vector<std::string> sources;
    for (const char *n : {"a.png", "b.png", "c.png", "d.png"}) {
        sources.push_back(source(n));
        add(sources.back());
    }
    outputconfig_t *c = config();
    fileman_t *list = photobatch_get_fileman(batch_);
    strcpy(c->filename_template, "x_<Filename>");
    ASSERT_EQ(photobatch_start(batch_), 0);
    /* The interface edits the template in place and asks for example names,
     * and adds files past the run's end, for as long as the run lasts. */
    char example[OUTPUTCONFIG_TEXT_SIZE];
    auto until = std::chrono::steady_clock::now() + k_timeout;
    for (int i = 0;
         !rec_.seen(ev(PHOTOBATCH_EVENT_FINISHED, 1)) && std::chrono::steady_clock::now() < until;
         i++) {
        outputconfig_lock(c);
        strcpy(c->filename_template, i % 2 ? "x_<Filename>" : "yy_<Filename>");
        outputconfig_unlock(c);
        const char *name =
            outputconfig_get_write_name(c, sources[0].c_str(), 0, example, sizeof example);
        ASSERT_NE(name, nullptr);
        std::string got(name);
        ASSERT_TRUE(got == out_ + "/x_a.png" || got == out_ + "/yy_a.png") << got;
        if (i < 200)
            fileman_add(list, ("/nowhere/" + std::to_string(i) + ".png").c_str(), 0, 0);
    }
    ASSERT_TRUE(rec_.seen(ev(PHOTOBATCH_EVENT_FINISHED, 1)));
    std::vector<Event> events = rec_.events();
    int written_count = 0;
    for (const Event &e : events) {
        if (e.event != PHOTOBATCH_EVENT_WRITTEN)
            continue;
        written_count++;
        std::string base = e.source.substr(e.source.rfind('/') + 1);
        EXPECT_TRUE(e.text == out_ + "/x_" + base || e.text == out_ + "/yy_" + base) << e.text;
        EXPECT_TRUE(is_png_of_size(e.text, 9, 7)) << e.text;
    }
    EXPECT_EQ(written_count, 4);
}

int fail_execute(imagefilter_t *, sn_image_t *)
{
    return -1;
}

TEST_F(PhotoBatch, FiltersRunInOrderAndFailuresAreReported)
{
    std::string a = source("a.png");
    add(a);
    imagefilter_t *half = imagefilter_create("resize");
    ASSERT_NE(half, nullptr);
    const char *keys[] = {"width", "height", nullptr};
    const char *values[] = {"50%", "50%", nullptr};
    ASSERT_EQ(imagefilter_set_settings(half, keys, values), 0);
    /* A failed filter is reported and the file goes on. */
    imagefilter_t failing = {"failing", nullptr, fail_execute, nullptr, nullptr};
    rec_.set_filters({&failing, half});
    std::vector<Event> events = run_all();
    EXPECT_EQ(events, (std::vector<Event>{ev(1, 0), begins(a), failed(3, "failing"),
                                          written(a, out_ + "/a.png"), ev(3, 1)}));
    EXPECT_TRUE(is_png_of_size(out_ + "/a.png", 4, 3));
    imagefilter_destroy(half);
}

/* Width and height of a JPEG file from its frame header, without decoding
 * it; 0 x 0 when there is none. */
std::pair<int, int> jpeg_size(const std::string &path)
{
    const std::vector<uint8_t> b = zvtest::read_file(path);
    size_t i = 2;
    while (i + 9 < b.size() && b[i] == 0xFF) {
        const uint8_t marker = b[i + 1];
        const size_t length = (size_t)b[i + 2] << 8 | b[i + 3];
        if (marker >= 0xC0 && marker <= 0xC2)
            return {b[i + 7] << 8 | b[i + 8], b[i + 5] << 8 | b[i + 6]};
        i += 2 + length;
    }
    return {0, 0};
}

/* A stage may hold sixteen times its photo or 128 megapixels, whichever is
 * larger: enlargements a person asks for are written, and a picture one side
 * past that square ends the file with the refusal that names the filter
 * (nothing is written for it). A chain of free rotations, which doubles the
 * pixels every time, meets the same bound (fuzz/app_cost_bound runs it). */
TEST_F(PhotoBatch, EnlargementsAreWrittenAndGrowthPastTheBoundIsRefused)
{
    const std::string past = std::to_string((int)sqrt((double)STAGE_MIN_BOUND_PIXELS) + 1) + "px";
    const struct {
        const char *name;
        int width, height;
        std::string to_width, to_height;
        bool written;
    } cases[] = {
        {"vga.png", 640, 480, "3000px", "2250px", true},
        {"square.png", 1000, 1000, "10000px", "10000px", true},
        {"sixteen.png", 4000, 3000, "16000px", "12000px", true},
        {"past.png", 640, 480, past, past, false},
        {"past16.png", 4000, 3000, "16000px", "12001px", false},
    };
    config()->format = SN_IMAGE_FORMAT_JPEG;
    config()->quality = 50;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string photo = dir_.file(std::string("src/") + c.name);
        ASSERT_EQ(zvtest::run("convert -size " + std::to_string(c.width) + "x" +
                              std::to_string(c.height) + " gradient:red-blue " +
                              zvtest::quote(photo)),
                  0);
        fileman_clear(photobatch_get_fileman(batch_));
        add(photo);
        imagefilter_t *resize = imagefilter_create("resize");
        const char *keys[] = {"width", "height", nullptr};
        const char *values[] = {c.to_width.c_str(), c.to_height.c_str(), nullptr};
        ASSERT_EQ(imagefilter_set_settings(resize, keys, values), 0);
        rec_.clear();
        rec_.set_filters({resize});
        /* Pictures of a hundred megapixels take their time on a busy machine. */
        std::vector<Event> events = run_all(std::chrono::seconds(300));
        rec_.set_filters({});
        imagefilter_destroy(resize);
        const std::string output = out_ + "/" + std::string(c.name, strlen(c.name) - 4) + ".jpg";
        if (c.written) {
            EXPECT_EQ(events, (std::vector<Event>{ev(1, 0), begins(photo), written(photo, output),
                                                  ev(3, 1)}));
            EXPECT_EQ(jpeg_size(output),
                      std::make_pair(atoi(c.to_width.c_str()), atoi(c.to_height.c_str())));
        } else {
            EXPECT_EQ(events,
                      (std::vector<Event>{ev(1, 0), begins(photo),
                                          failed(PHOTOBATCH_FAILED_GROWTH, "resize"), ev(3, 1)}));
            EXPECT_FALSE(zvtest::file_exists(output));
        }
    }
}

/* Chains of free turns would grow past the bound: the refusal is judged
 * from the settings before any filter runs (the log names the stage, and no
 * turn was made and refused at run time), and names the first filter past
 * it. Turns that stay inside the bound are made and written. */
TEST_F(PhotoBatch, TurnsPastTheBoundAreRefusedBeforeAnyIsMade)
{
    const struct {
        const char *name;
        int width, height;
        const char *angle;
        int turns;
        int stage; // the first stage past the bound; 0: written
    } cases[] = {
        {"twelve.png", 4000, 3000, "33.3", 8, 5},
        {"tiny.png", 64, 48, "45", 127, 15},
        {"within.png", 640, 480, "33.3", 3, 0},
    };
    config()->format = SN_IMAGE_FORMAT_JPEG;
    config()->quality = 50;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string photo = dir_.file(std::string("src/") + c.name);
        ASSERT_EQ(zvtest::run("convert -size " + std::to_string(c.width) + "x" +
                              std::to_string(c.height) + " gradient:red-blue " +
                              zvtest::quote(photo)),
                  0);
        fileman_clear(photobatch_get_fileman(batch_));
        add(photo);
        std::vector<imagefilter_t *> turns;
        const char *keys[] = {"angle", nullptr};
        const char *values[] = {c.angle, nullptr};
        for (int i = 0; i < c.turns; i++) {
            turns.push_back(imagefilter_create("rotate"));
            ASSERT_EQ(imagefilter_set_settings(turns.back(), keys, values), 0);
        }
        rec_.clear();
        rec_.set_filters(turns);
        zvtest::LogCapture log;
        std::vector<Event> events = run_all(std::chrono::seconds(300));
        rec_.set_filters({});
        for (imagefilter_t *turn : turns)
            imagefilter_destroy(turn);
        const std::string output = out_ + "/" + std::string(c.name, strlen(c.name) - 4) + ".jpg";
        if (!c.stage) {
            EXPECT_EQ(events, (std::vector<Event>{ev(1, 0), begins(photo), written(photo, output),
                                                  ev(3, 1)}));
            EXPECT_FALSE(log.contains("over its bound FAILED!"));
            continue;
        }
        EXPECT_EQ(events,
                  (std::vector<Event>{ev(1, 0), begins(photo),
                                      failed(PHOTOBATCH_FAILED_GROWTH, "rotate"), ev(3, 1)}));
        EXPECT_FALSE(zvtest::file_exists(output));
        EXPECT_TRUE(log.contains("stage " + std::to_string(c.stage) + " over its bound FAILED!"));
        EXPECT_FALSE(log.contains("picture over its bound FAILED!"));
    }
}

/* With delete_source set, a file whose pipeline had a failed filter is still
 * written but keeps its source: the output is not what was asked for. The
 * next file, whose filters all succeed, loses its source as asked. */
TEST_F(PhotoBatch, AFailedFilterKeepsTheSourceEvenWithDeleteSource)
{
    std::string a = source("a.png");
    std::string b = source("b.png");
    add(a);
    add(b);
    config()->delete_source = 1;
    imagefilter_t failing = {"failing", nullptr, fail_execute, nullptr, nullptr};
    rec_.set_filters({&failing});
    /* The list for a is taken before the hook runs: only b gets none. */
    rec_.set_hook([&](const std::string &path) {
        if (path == a)
            rec_.set_filters({});
    });
    std::vector<Event> events = run_all();
    EXPECT_EQ(events, (std::vector<Event>{ev(1, 0), begins(a), failed(3, "failing"),
                                          written(a, out_ + "/a.png"),
                                          kept(a, PHOTOBATCH_KEPT_FILTER_FAILED), begins(b),
                                          written(b, out_ + "/b.png"), ev(3, 1)}));
    EXPECT_TRUE(zvtest::file_exists(a));
    EXPECT_TRUE(is_png_of_size(out_ + "/a.png", 9, 7));
    EXPECT_FALSE(zvtest::file_exists(b));
    EXPECT_TRUE(is_png_of_size(out_ + "/b.png", 9, 7));
}

/* A named pipe in the file list used to block the worker in its open for
 * ever (stop timed out, destroy waited its whole time): it is refused as a
 * file that cannot be read, and the run goes on. */
TEST_F(PhotoBatch, ANamedPipeInTheListFailsToLoadWithoutBlocking)
{
    std::string pipe = dir_.file("src/pipe.png");
    ASSERT_EQ(0, mkfifo(pipe.c_str(), 0600));
    std::string a = source("a.png");
    add(pipe);
    add(a);
    std::vector<Event> events = run_all();
    EXPECT_EQ(events, (std::vector<Event>{ev(1, 0), begins(pipe), failed(1, pipe), begins(a),
                                          written(a, out_ + "/a.png"), ev(3, 1)}));
}

/* With delete source on, the name used to be unlinked whatever it stood for
 * by then. Whatever takes the place of the loaded file, or changes it, after
 * its load (here while the worker asks for the filters) is kept. */
TEST_F(PhotoBatch, ASourceChangedAfterItsLoadIsNeverDeleted)
{
    config()->delete_source = 1;
    const std::vector<uint8_t> other = {'o', 't', 'h', 'e', 'r'};
    struct Case {
        const char *what;
        std::function<void(const std::string &)> change;
    } cases[] = {
        {"another photo",
         [&](const std::string &path) {
             std::string next = path + ".next";
             zvtest::write_file(next, other);
             rename(next.c_str(), path.c_str());
         }},
        {"a named pipe",
         [](const std::string &path) {
             std::string next = path + ".next";
             mkfifo(next.c_str(), 0600);
             rename(next.c_str(), path.c_str());
         }},
        {"a symbolic link loop",
         [](const std::string &path) {
             unlink(path.c_str());
             symlink(path.c_str(), path.c_str());
         }},
        {"the same file rewritten",
         [&](const std::string &path) {
             int fd = open(path.c_str(), O_WRONLY | O_APPEND);
             if (fd >= 0) {
                 if (write(fd, other.data(), other.size()) < 0)
                     ADD_FAILURE() << "append";
                 close(fd);
             }
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::string a = source("a.png");
        fileman_clear(photobatch_get_fileman(batch_));
        add(a);
        rec_.clear();
        std::function<void(const std::string &)> change = c.change;
        rec_.set_hook([a, change](const std::string &path) {
            if (path == a)
                change(path);
        });
        zvtest::LogCapture log;
        std::vector<Event> events = run_all();
        rec_.set_hook(nullptr);
        ASSERT_EQ(events.size(), 5u);
        EXPECT_EQ(events[2].event, PHOTOBATCH_EVENT_WRITTEN);
        EXPECT_TRUE(is_png_of_size(events[2].text, 9, 7));
        EXPECT_EQ(events[3], kept(a, PHOTOBATCH_KEPT_CHANGED));
        struct stat st;
        EXPECT_EQ(lstat(a.c_str(), &st), 0) << "the changed source was deleted";
        EXPECT_TRUE(zvtest::wait_for([&] {
            return log.contains("source changed since its load, kept FAILED! " + a + "\n");
        }));
        if (std::string(c.what) == "another photo") {
            EXPECT_EQ(zvtest::read_file(a), other);
        }
        unlink(a.c_str());
    }
}

/* Swaps the loaded file for a named pipe once the loader has checked it. */
static std::string g_swapped;
static void swap_source_for_pipe(const char *path)
{
    if (g_swapped != path)
        return;
    std::string fifo = g_swapped + ".fifo";
    if (mkfifo(fifo.c_str(), 0600) == 0)
        rename(fifo.c_str(), path);
}

/* The formats used to open the name again after the loader's check, and a
 * pipe put there meanwhile held the worker in that open for good. The file
 * that was checked is read; the pipe is neither read nor deleted. */
TEST_F(PhotoBatch, ASourceSwappedForAPipeAfterTheLoadersCheckDoesNotHangTheRun)
{
    std::string a = source("a.png");
    std::string b = source("b.png");
    add(a);
    add(b);
    config()->delete_source = 1;
    g_swapped = a;
    snimage_opened_hook = swap_source_for_pipe;
    zvtest::LogCapture log;
    EXPECT_EQ(photobatch_start(batch_), 0);
    bool ended = rec_.wait_for(ev(PHOTOBATCH_EVENT_FINISHED, 1));
    snimage_opened_hook = nullptr;
    if (!ended) {
        /* Free a worker stuck in the pipe's open, so that the test ends. */
        int fd = open(a.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0)
            close(fd);
    }
    ASSERT_TRUE(ended) << "the worker hung on the pipe";
    EXPECT_EQ(rec_.events(), (std::vector<Event>{ev(1, 0), begins(a), written(a, out_ + "/a.png"),
                                                 kept(a, PHOTOBATCH_KEPT_CHANGED), begins(b),
                                                 written(b, out_ + "/b.png"), ev(3, 1)}));
    EXPECT_TRUE(is_png_of_size(out_ + "/a.png", 9, 7));
    struct stat st;
    ASSERT_EQ(lstat(a.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_FALSE(zvtest::file_exists(b));
    EXPECT_TRUE(zvtest::wait_for(
        [&] { return log.contains("source changed since its load, kept FAILED! " + a + "\n"); }));
}

/* What a killed run left under a temporary name stays as it is, and the
 * run writes nothing but its outputs. */
TEST_F(PhotoBatch, TemporaryLeftoversAreIgnoredAndARunLeavesNone)
{
    std::string a = source("a.png");
    add(a);
    const std::string leftover = out_ + "/.zandrevik-" + std::to_string(getpid()) + "-0.part";
    ASSERT_TRUE(zvtest::write_file(leftover, std::string("cut")));
    std::vector<Event> events = run_all();
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[2], written(a, out_ + "/a.png"));
    EXPECT_EQ(folder_names(out_).size(), 2u);
    std::vector<uint8_t> kept = zvtest::read_file(leftover);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "cut");
}

/* A racer in the output folder, run at the writer's own moments through the
 * engine's seam: it swaps the temporary name for something of its own. */
struct Racer {
    int kind = 0;
    std::string outside; /* a file outside the folder, that must not change */
    int acted = 0;
};
static Racer g_racer;

enum { RACE_LINK, RACE_LINK_BACK, RACE_FIFO, RACE_LINK_AT_PUBLISH };

const char k_aside[] = "racer-aside";

static void race_in_folder(int stage, int folder, const char *temp)
{
    Racer &r = g_racer;
    bool first = stage == OUTPUTFILE_STAGE_CREATED && r.kind != RACE_LINK_AT_PUBLISH;
    bool late = stage == OUTPUTFILE_STAGE_PUBLISH && r.kind == RACE_LINK_AT_PUBLISH;
    if (first || late) {
        if (renameat(folder, temp, folder, k_aside) != 0)
            return;
        if (r.kind == RACE_FIFO)
            mkfifoat(folder, temp, 0666);
        else
            symlinkat(r.outside.c_str(), folder, temp);
        r.acted++;
    } else if (stage == OUTPUTFILE_STAGE_WRITTEN && r.kind == RACE_LINK_BACK) {
        /* Once the writer has its file open, the link goes and the real
         * file comes back: only its content must be published. */
        unlinkat(folder, temp, 0);
        renameat(folder, k_aside, folder, temp);
    }
}

struct RaceHookGuard {
    RaceHookGuard()
    {
        outputfile_race_hook = race_in_folder;
    }
    ~RaceHookGuard()
    {
        outputfile_race_hook = nullptr;
    }
};

static bool decodes_to(const std::string &path, int format, int width, int height)
{
    sn_image_t *image = sn_image_create_from_file(path.c_str(), -1);
    bool ok = image && image->format == format && image->width == width && image->height == height;
    sn_image_destroy(image);
    return ok;
}

/* The writer used to open the temporary name again: a link there sent the
 * output outside the folder, one swapped back published an empty file (and
 * the source went), a pipe held the run for ever. It writes only through
 * the descriptor it created now, for every format. */
TEST_F(PhotoBatch, ARacerSwappingTheTemporaryNameGetsNothingOut)
{
    struct Race {
        int kind;
        const char *what;
        bool published; /* the real file comes back, whole */
    } races[] = {{RACE_LINK, "a link to a file outside", false},
                 {RACE_LINK_BACK, "a link, swapped back once written", true},
                 {RACE_FIFO, "a named pipe", false},
                 {RACE_LINK_AT_PUBLISH, "a link just before the rename", false}};
    std::string outside = dir_.file("secret");
    const std::string secret = "root-only secret";
    config()->delete_source = 1;
    RaceHookGuard hook;
    for (const OutputFormat &f : k_output_formats) {
        for (const Race &race : races) {
            SCOPED_TRACE(testing::Message() << f.ext << ": " << race.what);
            std::string folder = dir_.file(std::string("race") + f.ext + std::to_string(race.kind));
            ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
            ASSERT_TRUE(zvtest::write_file(outside, secret));
            ASSERT_EQ(chmod(outside.c_str(), 0600), 0);
            strcpy(config()->output_folder, folder.c_str());
            config()->format = f.format;
            std::string a = source("a.png");
            fileman_clear(photobatch_get_fileman(batch_));
            add(a);
            g_racer.kind = race.kind;
            g_racer.outside = outside;
            g_racer.acted = 0;
            rec_.clear();
            std::vector<Event> events = run_all();
            EXPECT_EQ(g_racer.acted, 1);
            std::string output = folder + "/a" + f.ext;
            std::vector<uint8_t> left = zvtest::read_file(outside);
            EXPECT_EQ(std::string(left.begin(), left.end()), secret);
            struct stat st;
            ASSERT_EQ(stat(outside.c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, 0600u);
            if (race.published) {
                EXPECT_EQ(events,
                          (std::vector<Event>{ev(1, 0), begins(a), written(a, output), ev(3, 1)}));
                EXPECT_TRUE(decodes_to(output, f.format, 9, 7));
                EXPECT_FALSE(zvtest::file_exists(a)) << "a whole output, its source goes";
            } else {
                EXPECT_EQ(events,
                          (std::vector<Event>{ev(1, 0), begins(a), failed(2, output), ev(3, 1)}));
                EXPECT_EQ(lstat(output.c_str(), &st), -1) << "something was published";
                EXPECT_TRUE(zvtest::file_exists(a)) << "the source was deleted";
            }
            unlink(a.c_str());
        }
    }
}

/* The folder was used by its path for every file: replaced by a link
 * mid-run, the rest of the outputs went to the link's target. */
TEST_F(PhotoBatch, AnOutputFolderSwappedForALinkMidRunGetsNothingAtTheTarget)
{
    std::string a = source("a.png");
    std::string b = source("b.png");
    add(a);
    add(b);
    std::string target = dir_.file("target");
    ASSERT_EQ(mkdir(target.c_str(), 0755), 0);
    std::string moved = dir_.file("out.moved");
    rec_.set_hook([&](const std::string &path) {
        if (path == b && rename(out_.c_str(), moved.c_str()) == 0)
            symlink(target.c_str(), out_.c_str());
    });
    std::vector<Event> events = run_all();
    rec_.set_hook(nullptr);
    EXPECT_EQ(events, (std::vector<Event>{ev(1, 0), begins(a), written(a, out_ + "/a.png"),
                                          begins(b), written(b, out_ + "/b.png"), ev(3, 1)}));
    EXPECT_TRUE(folder_names(target).empty());
    EXPECT_TRUE(is_png_of_size(moved + "/b.png", 9, 7));

    /* A folder chosen as a link is followed once, at the start. */
    unlink(out_.c_str());
    ASSERT_EQ(symlink(moved.c_str(), out_.c_str()), 0);
    rec_.clear();
    fileman_clear(photobatch_get_fileman(batch_));
    add(a);
    events = run_all();
    EXPECT_EQ(events,
              (std::vector<Event>{ev(1, 0), begins(a), written(a, out_ + "/a(1).png"), ev(3, 1)}));
    EXPECT_TRUE(is_png_of_size(moved + "/a(1).png", 9, 7));
}

/* "Use the source's folder" took the folder by its path when the name was
 * made: a folder swapped for a link after the load sent the output to the
 * link's target. The output goes beside the file that was loaded; when the
 * load itself went through the link, the photo fails. */
TEST_F(PhotoBatch, UseTheSourcesFolderWritesWhereTheLoadWent)
{
    config()->use_source_folder = 1;
    struct Case {
        const char *what;
        bool after_load; /* swapped while the filters are asked for, else as the file begins */
    } cases[] = {{"swapped after the load", true}, {"swapped before the load", false}};
    int n = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::string folder = dir_.file("in" + std::to_string(n));
        std::string moved = folder + ".moved";
        std::string target = dir_.file("target" + std::to_string(n++));
        ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
        ASSERT_EQ(mkdir(target.c_str(), 0755), 0);
        std::string a = folder + "/a.png";
        ASSERT_TRUE(zvtest::write_file(a, fixture_png()));
        /* A photo of the same name at the target: a load through the link
         * reads that one. */
        ASSERT_TRUE(zvtest::write_file(target + "/a.png", fixture_png()));
        auto swap = [=]() {
            if (rename(folder.c_str(), moved.c_str()) == 0)
                symlink(target.c_str(), folder.c_str());
        };
        if (c.after_load)
            rec_.set_hook([=](const std::string &path) {
                if (path == a)
                    swap();
            });
        else
            rec_.set_event_hook([=](const Event &e) {
                if (e == begins(a))
                    swap();
            });
        fileman_clear(photobatch_get_fileman(batch_));
        add(a);
        rec_.clear();
        std::vector<Event> events = run_all();
        rec_.set_hook(nullptr);
        rec_.set_event_hook(nullptr);
        /* The name beside the source is the source's own: the output takes
         * the next one. */
        if (c.after_load) {
            EXPECT_EQ(events, (std::vector<Event>{ev(1, 0), begins(a),
                                                  written(a, folder + "/a(1).png"), ev(3, 1)}));
            EXPECT_TRUE(is_png_of_size(moved + "/a(1).png", 9, 7));
        } else {
            EXPECT_EQ(events, (std::vector<Event>{ev(1, 0), begins(a), failed(2, folder + "/a.png"),
                                                  ev(3, 1)}));
            EXPECT_EQ(folder_names(moved), std::vector<std::string>{"a.png"});
        }
        EXPECT_EQ(folder_names(target), std::vector<std::string>{"a.png"});
    }
}

/* Keep attributes copied the set-user-ID and set-group-ID bits: run as root
 * over another user's file of mode 6777, the output was a root-owned
 * "-rwsrwsrwx". Only the permission bits are kept, as cp -p does when it
 * does not keep the owner. */
TEST_F(PhotoBatch, KeepAttributeLeavesOutTheSetIdAndStickyBits)
{
    config()->keep_attribute = 1;
    struct Case {
        mode_t source;
        mode_t output;
    } cases[] = {{06777, 0777}, {04755, 0755}, {02750, 0750}, {01644, 0644}, {0640, 0640}};
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << std::oct << c.source);
        std::string a = source("a.png");
        /* Another user's file, as in the report; a chown clears the set-ID
         * bits, so the mode comes after it. */
        if (geteuid() == 0) {
            ASSERT_EQ(chown(a.c_str(), 4242, 4242), 0);
        }
        ASSERT_EQ(chmod(a.c_str(), c.source), 0);
        struct stat st;
        ASSERT_EQ(stat(a.c_str(), &st), 0);
        if ((st.st_mode & 07777) != c.source) {
            /* Not root: set-group-ID of a group one is not in is dropped. */
            std::cout << "mode " << std::oct << c.source << " cannot be set here\n";
            continue;
        }
        fileman_clear(photobatch_get_fileman(batch_));
        add(a);
        rec_.clear();
        std::string output = out_ + "/a.png";
        EXPECT_EQ(run_all(),
                  (std::vector<Event>{ev(1, 0), begins(a), written(a, output), ev(3, 1)}));
        ASSERT_EQ(stat(output.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, c.output);
        EXPECT_EQ(st.st_uid, geteuid());
        unlink(output.c_str());
        unlink(a.c_str());
    }
}

/* Every photo searched its numbered name from "(1)": thousands of photos
 * giving one name took a minute. A run goes on from where its last search
 * for that name ended; the names come out as before, a file already there
 * still makes a gap, and a new run searches afresh. */
TEST_F(PhotoBatch, NumberedNamesGoOnFromTheLastSearchOfTheRun)
{
    std::vector<std::string> sources;
    for (const char *path :
         {"src/a.png", "src/b.png", "src2/a.png", "src2/b.png", "src3/a.png", "src4/a.png"}) {
        std::string p = dir_.file(path);
        mkdir(p.substr(0, p.rfind('/')).c_str(), 0755);
        ASSERT_TRUE(zvtest::write_file(p, fixture_png()));
        sources.push_back(p);
    }
    struct Case {
        const char *what;
        std::vector<std::string> existing;
        std::vector<std::string> names; /* of the outputs, in the list's order */
    } cases[] = {
        {"an empty folder", {}, {"a.png", "b.png", "a(1).png", "b(1).png", "a(2).png", "a(3).png"}},
        {"gaps",
         {"a(1).png", "a(3).png"},
         {"a.png", "b.png", "a(2).png", "b(1).png", "a(4).png", "a(5).png"}},
        {"the name itself taken",
         {"a.png", "b(2).png"},
         {"a(1).png", "b.png", "a(2).png", "b(1).png", "a(3).png", "a(4).png"}},
    };
    int n = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::string out = dir_.file("numbered" + std::to_string(n++));
        ASSERT_EQ(mkdir(out.c_str(), 0755), 0);
        for (const std::string &name : c.existing)
            ASSERT_TRUE(zvtest::write_file(out + "/" + name, std::string("someone's")));
        strcpy(config()->output_folder, out.c_str());
        fileman_clear(photobatch_get_fileman(batch_));
        std::vector<Event> expected{ev(1, 0)};
        for (size_t i = 0; i < sources.size(); i++) {
            add(sources[i]);
            expected.push_back(begins(sources[i]));
            expected.push_back(written(sources[i], out + "/" + c.names[i]));
        }
        expected.push_back(ev(3, 1));
        rec_.clear();
        EXPECT_EQ(run_all(), expected);
        for (const std::string &name : c.existing) {
            std::vector<uint8_t> kept = zvtest::read_file(out + "/" + name);
            EXPECT_EQ(std::string(kept.begin(), kept.end()), "someone's") << name;
        }
        for (const std::string &name : c.names)
            EXPECT_TRUE(is_png_of_size(out + "/" + name, 9, 7)) << name;
    }

    /* The first name freed after a run is found by the next run. */
    std::string out = dir_.file("numbered0");
    ASSERT_EQ(unlink((out + "/a.png").c_str()), 0);
    fileman_clear(photobatch_get_fileman(batch_));
    add(sources[0]);
    strcpy(config()->output_folder, out.c_str());
    rec_.clear();
    EXPECT_EQ(run_all(), (std::vector<Event>{ev(1, 0), begins(sources[0]),
                                             written(sources[0], out + "/a.png"), ev(3, 1)}));
}

/* touch -r, rsync --inplace -t or a restoring editor rewrite a file and
 * put its size and modification time back: the change time still tells. */
TEST_F(PhotoBatch, ASourceRewrittenInPlaceWithItsTimesPutBackIsKept)
{
    std::string a = source("a.png");
    add(a);
    config()->delete_source = 1;
    std::vector<uint8_t> rewritten = fixture_png();
    rewritten.back() ^= 0xFF;
    rec_.set_hook([&](const std::string &path) {
        if (path != a)
            return;
        struct stat before;
        if (stat(a.c_str(), &before) != 0)
            return;
        /* The kernel stamps times from a coarse clock: wait until it has
         * moved past the load's change time, so that the rewrite shows. */
        struct timespec now;
        do {
            clock_gettime(CLOCK_REALTIME_COARSE, &now);
        } while (now.tv_sec == before.st_ctim.tv_sec && now.tv_nsec == before.st_ctim.tv_nsec);
        int fd = open(a.c_str(), O_WRONLY);
        if (fd < 0)
            return;
        if (pwrite(fd, rewritten.data(), rewritten.size(), 0) != (ssize_t)rewritten.size())
            ADD_FAILURE() << "rewrite";
        struct timespec times[2] = {before.st_atim, before.st_mtim};
        futimens(fd, times);
        close(fd);
    });
    std::vector<Event> events = run_all();
    rec_.set_hook(nullptr);
    EXPECT_EQ(events, (std::vector<Event>{ev(1, 0), begins(a), written(a, out_ + "/a.png"),
                                          kept(a, PHOTOBATCH_KEPT_CHANGED), ev(3, 1)}));
    EXPECT_EQ(zvtest::read_file(a), rewritten);
}

/* A template may name sub-folders of the output folder again, as long as
 * the name stays inside it; the one that would leave it is refused and
 * shown by its output name. */
TEST_F(PhotoBatch, TemplatesWithSubFolders)
{
    ASSERT_EQ(mkdir((out_ + "/sub").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((out_ + "/a").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((out_ + "/a/b").c_str(), 0755), 0);
    ASSERT_EQ(symlink((out_ + "/sub").c_str(), (out_ + "/link").c_str()), 0);
    std::string a = source("a.png");
    add(a);
    struct Case {
        const char *tmpl;
        const char *output; /* below out_ */
        bool written;
    } cases[] = {
        {"sub/<Filename>", "/sub/a.png", true},
        {"/sub//<Filename>", "/sub/a(1).png", true}, /* tidied; the "(n)" rule inside */
        {"a/b/<Filename>_<Counter 1:1:3>", "/a/b/a_001.png", true},
        {"missing/<Filename>", "/missing/a.png", false},
        {"link/<Filename>", "/link/a.png", false}, /* never through a link */
        {"../x", "/../x.png", false},
        {"a/../../x", "/a/../../x.png", false},
        {"./x", "/./x.png", false},
        {"x/..", "/x/...png", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.tmpl);
        strcpy(config()->filename_template, c.tmpl);
        rec_.clear();
        std::vector<Event> events = run_all();
        std::string output = out_ + c.output;
        EXPECT_EQ(events, (std::vector<Event>{ev(1, 0), begins(a),
                                              c.written ? written(a, output) : failed(2, output),
                                              ev(3, 1)}));
        if (c.written) {
            EXPECT_TRUE(is_png_of_size(output, 9, 7));
        }
    }
    EXPECT_FALSE(zvtest::file_exists(out_ + "/missing"));
    EXPECT_FALSE(zvtest::file_exists(dir_.file("x.png")));
    EXPECT_EQ(folder_names(out_ + "/sub").size(), 2u) << "a temporary file was left";
    EXPECT_EQ(folder_names(out_ + "/a/b").size(), 1u);
}

/* A noisy picture, slow enough to compress that a kill lands mid-write. */
static bool write_noise_png(const std::string &path, int width, int height, uint32_t seed)
{
    zvtest::ImagePtr image(sn_image_create(width, height, 1));
    if (!image || sn_image_allocate_frame(image.get(), 0) != 0)
        return false;
    for (size_t i = 0; i < (size_t)width * (size_t)height; i++) {
        seed = seed * 1664525u + 1013904223u;
        image->frames[0].pixels[i] = seed | 0xFF000000u;
    }
    sn_image_write_params_t params = {90, 24, 0, 0};
    return sn_image_save(image.get(), path.c_str(), SN_IMAGE_FORMAT_PNG, &params) == 0;
}

/* kill -9 in the middle of a run used to leave empty or cut files under final
 * output names. A child runs the batch and is killed after a different short
 * time in each round: every final name decodes whole, and what the kill cut
 * short is only ever a hidden temporary file that Add Folder passes over. */
TEST(PhotoBatchCrash, AKilledRunLeavesOnlyWholeFilesUnderFinalNames)
{
    sn_image_init();
    zvtest::TempDir dir;
    const int sources = 8;
    std::vector<std::string> paths;
    for (int i = 0; i < sources; i++) {
        paths.push_back(dir.file("s" + std::to_string(i) + ".png"));
        ASSERT_TRUE(write_noise_png(paths.back(), 240, 160, (uint32_t)i + 1));
    }
    /* Starts a child running the whole batch into out; it writes a byte when
     * the run has started and, when whole, ends by itself at the run's end. */
    auto start_run = [&paths](const std::string &out, bool whole, int *ready_fd) -> pid_t {
        int ready[2];
        if (pipe(ready) != 0)
            return -1;
        pid_t child = fork();
        if (child == 0) {
            alarm(120);
            photobatch_t *batch = photobatch_create();
            if (!batch)
                _exit(1);
            outputconfig_t *c = photobatch_get_outputconfig(batch);
            strcpy(c->output_folder, out.c_str());
            c->format = SN_IMAGE_FORMAT_PNG;
            for (const std::string &p : paths)
                fileman_add(photobatch_get_fileman(batch), p.c_str(), 0, 0);
            photobatch_start(batch);
            if (write(ready[1], "r", 1) != 1)
                _exit(1);
            for (;;) {
                if (whole && photobatch_get_status(batch) == PHOTOBATCH_STATUS_IDLE)
                    _exit(0);
                usleep(1000);
            }
        }
        close(ready[1]);
        *ready_fd = ready[0];
        return child;
    };
    /* How long a whole run takes in this build on this machine now: the
     * kills are spread over it, so that they land inside the run however
     * slow a sanitizer or a busy machine makes it. */
    const std::string timed = dir.file("timed");
    ASSERT_EQ(mkdir(timed.c_str(), 0755), 0);
    int timed_ready = -1;
    pid_t timer = start_run(timed, true, &timed_ready);
    ASSERT_GT(timer, 0);
    char started;
    ASSERT_EQ(read(timed_ready, &started, 1), 1);
    close(timed_ready);
    const auto t0 = std::chrono::steady_clock::now();
    int timer_status = 0;
    ASSERT_EQ(waitpid(timer, &timer_status, 0), timer);
    ASSERT_TRUE(WIFEXITED(timer_status) && WEXITSTATUS(timer_status) == 0);
    const long whole_us = (long)std::chrono::duration_cast<std::chrono::microseconds>(
                              std::chrono::steady_clock::now() - t0)
                              .count();
    ASSERT_EQ(folder_names(timed).size(), (size_t)sources);

    int finals = 0, leftovers = 0;
    const int rounds = 16;
    for (int round = 0; round < rounds; round++) {
        std::string out = dir.file("out" + std::to_string(round));
        ASSERT_EQ(mkdir(out.c_str(), 0755), 0);
        int ready = -1;
        pid_t child = start_run(out, false, &ready);
        ASSERT_GT(child, 0);
        char byte;
        ASSERT_EQ(read(ready, &byte, 1), 1);
        close(ready);
        usleep((useconds_t)(whole_us * (round + 1) / (rounds + 1)));
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));

        std::vector<std::string> names = folder_names(out);
        for (const std::string &name : names) {
            SCOPED_TRACE(out + "/" + name);
            if (has_affix(name, ".zandrevik-", ".part")) {
                leftovers++;
                continue;
            }
            finals++;
            EXPECT_TRUE(is_png_of_size(out + "/" + name, 240, 160)) << "a broken final output";
        }
    }
    /* The rounds reached into the run, not only before its first save. */
    EXPECT_GT(finals, 0);
    std::cout << "final outputs: " << finals << ", temporary leftovers: " << leftovers << "\n";
}

TEST(PhotoBatchInstance, OneProcessWideInstance)
{
    EXPECT_EQ(photobatch_get_instance(), nullptr);
    ASSERT_EQ(photobatch_create_instance(), 0);
    photobatch_t *batch = photobatch_get_instance();
    ASSERT_NE(batch, nullptr);
    EXPECT_NE(photobatch_get_fileman(batch), nullptr);
    EXPECT_NE(photobatch_get_outputconfig(batch), nullptr);
    EXPECT_EQ(photobatch_create_instance(), -1);
    photobatch_destroy_instance();
    EXPECT_EQ(photobatch_get_instance(), nullptr);
    photobatch_destroy_instance();
}

// A page that goes clears only its own filter callback: one set over it
// meanwhile stays.
TEST(PhotoBatchInstance, ClearingTheFilterCallbackKeepsSomeoneElses)
{
    photobatch_t *batch = photobatch_create();
    ASSERT_NE(batch, nullptr);
    int page = 0, hook = 0;
    auto none = [](void *, const QString &, int, QList<imagefilter_t *> &) {};
    photobatch_set_filter_callback(batch, none, &hook);
    EXPECT_EQ(photobatch_clear_filter_callback(batch, &page), -1);
    EXPECT_EQ(batch->filter_owner, (void *)&hook);
    EXPECT_NE(batch->filter_callback, nullptr);
    EXPECT_EQ(photobatch_clear_filter_callback(batch, &hook), 0);
    EXPECT_EQ(batch->filter_owner, nullptr);
    EXPECT_EQ(batch->filter_callback, nullptr);
    EXPECT_EQ(photobatch_clear_filter_callback(nullptr, &hook), -1);
    photobatch_destroy(batch);
}

/* The worker calls the filter callback outside the lock: a clear returns
 * only once a call in progress has returned, and no call starts after. */
TEST(PhotoBatchInstance, ClearingTheFilterCallbackWaitsForACallInProgress)
{
    photobatch_t *batch = photobatch_create();
    ASSERT_NE(batch, nullptr);
    struct Latch {
        std::mutex mutex;
        std::condition_variable cv;
        bool entered = false, release = false;
        int calls = 0;
        std::atomic<bool> cleared{false};
        bool cleared_during_call = false;
    } latch;
    auto blocking = [](void *owner, const QString &, int, QList<imagefilter_t *> &) {
        Latch *l = (Latch *)owner;
        std::unique_lock<std::mutex> lock(l->mutex);
        l->calls++;
        l->entered = true;
        l->cv.notify_all();
        l->cv.wait_for(lock, k_timeout, [l] { return l->release; });
        l->cleared_during_call = l->cleared.load();
    };
    photobatch_set_filter_callback(batch, blocking, &latch);
    /* A start asks once for the filters, with no file: the poster's answer
     * waits on the call, so it is posted from a thread of its own. */
    std::thread starter([batch] { photobatch_start(batch); });
    {
        std::unique_lock<std::mutex> lock(latch.mutex);
        ASSERT_TRUE(latch.cv.wait_for(lock, k_timeout, [&] { return latch.entered; }));
    }
    std::thread clearer([&] {
        EXPECT_EQ(photobatch_clear_filter_callback(batch, &latch), 0);
        latch.cleared.store(true);
    });
    /* The clear has taken the callback away and waits. */
    auto until = std::chrono::steady_clock::now() + k_timeout;
    for (;;) {
        bool gone;
        {
            sn_thread_mutex_guard guard(batch->mutex);
            gone = batch->filter_callback == nullptr;
        }
        if (gone || std::chrono::steady_clock::now() > until)
            break;
        usleep(1000);
    }
    {
        std::lock_guard<std::mutex> lock(latch.mutex);
        latch.release = true;
        latch.cv.notify_all();
    }
    clearer.join();
    starter.join();
    EXPECT_TRUE(latch.cleared.load());
    /* A run after the clear asks nobody. */
    auto idle = [&] {
        auto until = std::chrono::steady_clock::now() + k_timeout;
        while (photobatch_get_status(batch) != PHOTOBATCH_STATUS_IDLE &&
               std::chrono::steady_clock::now() < until)
            usleep(1000);
        return photobatch_get_status(batch) == PHOTOBATCH_STATUS_IDLE;
    };
    EXPECT_TRUE(idle());
    EXPECT_EQ(photobatch_start(batch), 0);
    EXPECT_TRUE(idle());
    std::lock_guard<std::mutex> lock(latch.mutex);
    EXPECT_FALSE(latch.cleared_during_call) << "the clear returned during the call";
    EXPECT_EQ(latch.calls, 1);
    photobatch_destroy(batch);
}
