// Runs one operation through the real batch worker and the real preview
// worker, and makes the small pictures the stamp tests need. Included by the
// stamp and watermark tests; waits are on the workers' own events.
#ifndef PIPELINE_HELPER_H
#define PIPELINE_HELPER_H

#include "filter/imagefilter.h"
#include "image/sn_image.h"
#include "operation.h"
#include "photobatch.h"
#include "picturefilter.h"
#include "preview.h"
#include "zv_test.h"

#include <string.h>

#include <QCoreApplication>
#include <QFile>
#include <QList>
#include <QTranslator>
#include <QString>
#include <QtTest>

#include <mutex>
#include <string>
#include <vector>

namespace stamptest
{

// A picture of w x h, every pixel the word (alpha, red, green, blue bytes).
inline sn_image_t *make_picture(int w, int h, uint32_t word)
{
    sn_image_t *image = sn_image_create(w, h, 1);
    if (!image || sn_image_allocate_frame(image, 0) != 0)
        return image;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            image->frames[0].rows[y][x] = word;
    return image;
}

// Writes a BMP picture of w x h whose pixel (x, y) is pick(x, y).
template <class F> bool write_bmp(const std::string &path, int w, int h, F pick)
{
    zvtest::ImagePtr image(make_picture(w, h, 0));
    if (!image || !image->frames[0].rows)
        return false;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            image->frames[0].rows[y][x] = pick(x, y);
    sn_image_write_params_t params = {90, 24, 0, 0};
    return sn_image_save(image.get(), path.c_str(), SN_IMAGE_FORMAT_BMP, &params) == 0;
}

using zvtest::same_pixels;

// The picture that a filter handed out now runs with (made on this thread
// when no filter has made it yet); null when it has none.
inline PicturePtr filtered_picture(CAbstractOperation *op)
{
    imagefilter_t *filter = op->createFilter(QString());
    PicturePtr picture = picturefilter_picture(filter);
    imagefilter_destroy(filter);
    return picture;
}

// The compiled German translation beside the application's build, installed
// while it lives; loaded() is false when it is not there.
class German
{
public:
    German()
    {
        const QString qm =
            QCoreApplication::applicationDirPath() + QStringLiteral("/../app/language/de_DE.qm");
        m_loaded = QFile::exists(qm) && m_translator.load(qm) &&
                   QCoreApplication::installTranslator(&m_translator);
    }
    ~German()
    {
        QCoreApplication::removeTranslator(&m_translator);
    }
    bool loaded() const
    {
        return m_loaded;
    }

private:
    QTranslator m_translator;
    bool m_loaded = false;
};

// The batch engine with one operation as its pipeline: its filter list
// answers with the operation's kept filter, as the Step 2 page does.
class BatchRun
{
public:
    struct Event {
        int event;
        intptr_t argument;
        std::string text;
    };

    explicit BatchRun(CAbstractOperation *operation) : m_operation(operation)
    {
        if (!photobatch_get_instance())
            photobatch_create_instance();
        m_batch = photobatch_get_instance();
        fileman_clear(photobatch_get_fileman(m_batch));
        photobatch_set_process_callback(m_batch, &BatchRun::onEvent, this);
        photobatch_set_filter_callback(m_batch, &BatchRun::onFilters, this);
    }
    ~BatchRun()
    {
        photobatch_set_process_callback(m_batch, nullptr, nullptr);
        photobatch_set_filter_callback(m_batch, nullptr, nullptr);
        fileman_clear(photobatch_get_fileman(m_batch));
    }

    void add(const std::string &path)
    {
        fileman_add(photobatch_get_fileman(m_batch), path.c_str(), 0, 0);
    }

    // Runs every file into folder as BMP, deleting each source whose output
    // is sound when deleteSource is set; false on a time-out.
    bool run(const std::string &folder, bool deleteSource = false)
    {
        outputconfig_t *config = photobatch_get_outputconfig(m_batch);
        outputconfig_lock(config);
        snprintf(config->output_folder, sizeof config->output_folder, "%s", folder.c_str());
        config->use_source_folder = 0;
        config->filename_template[0] = '\0';
        config->format = SN_IMAGE_FORMAT_BMP;
        config->keep_source_format = 0;
        config->delete_source = deleteSource ? 1 : 0;
        outputconfig_unlock(config);
        if (photobatch_start(m_batch) != 0)
            return false;
        return zvtest::wait_for([this] {
            std::lock_guard<std::mutex> lock(m_mutex);
            for (const Event &e : m_events)
                if (e.event == PHOTOBATCH_EVENT_FINISHED)
                    return true;
            return false;
        });
    }

    std::vector<Event> events()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_events;
    }
    // The outputs in the order they were written.
    std::vector<std::string> outputs()
    {
        std::vector<std::string> list;
        for (const Event &e : events())
            if (e.event == PHOTOBATCH_EVENT_WRITTEN)
                list.push_back(e.text);
        return list;
    }
    std::vector<std::string> filterFailures(intptr_t code = PHOTOBATCH_FAILED_FILTER)
    {
        std::vector<std::string> list;
        for (const Event &e : events())
            if (e.event == PHOTOBATCH_EVENT_FAILED && e.argument == code)
                list.push_back(e.text);
        return list;
    }
    // The reasons (PHOTOBATCH_KEPT_*) of the sources kept, in order.
    std::vector<intptr_t> kept()
    {
        std::vector<intptr_t> list;
        for (const Event &e : events())
            if (e.event == PHOTOBATCH_EVENT_KEPT)
                list.push_back(e.argument);
        return list;
    }

private:
    static void onEvent(void *target, int event, intptr_t argument, const char *text)
    {
        BatchRun *self = (BatchRun *)target;
        std::lock_guard<std::mutex> lock(self->m_mutex);
        self->m_events.push_back(
            {event,
             event == PHOTOBATCH_EVENT_FAILED || event == PHOTOBATCH_EVENT_KEPT ? argument : 0,
             text ? text : ""});
    }
    static void onFilters(void *owner, const QString &path, int index,
                          QList<imagefilter_t *> &filters)
    {
        BatchRun *self = (BatchRun *)owner;
        imagefilter_t *filter = self->m_operation->getFilter(path, index);
        if (filter)
            filters.append(filter);
    }

    CAbstractOperation *m_operation;
    photobatch_t *m_batch = nullptr;
    std::mutex m_mutex;
    std::vector<Event> m_events;
};

// The preview worker over the batch engine's file list with one operation:
// a new filter per run, as the Step 2 page hands out.
class PreviewRun
{
public:
    PreviewRun(CAbstractOperation *operation, const std::vector<std::string> &files, int selected)
        : m_operation(operation)
    {
        if (!photobatch_get_instance())
            photobatch_create_instance();
        m_list = photobatch_get_fileman(photobatch_get_instance());
        fileman_clear(m_list);
        for (const std::string &file : files)
            fileman_add(m_list, file.c_str(), 0, 0);
        fileman_set_current(m_list, selected);
        m_preview = preview_create(&PreviewRun::onNotify, &PreviewRun::onFilters, this);
    }
    ~PreviewRun()
    {
        preview_destroy(m_preview);
        fileman_clear(m_list);
    }

    // Waits for the end of a run that computed stage 1.
    bool waitStage1()
    {
        if (!m_preview || preview_enable(m_preview) != 0)
            return false;
        preview_set_stage(m_preview, 1);
        return zvtest::wait_for([this] {
            std::lock_guard<std::mutex> lock(m_mutex);
            return m_done;
        });
    }
    // A copy of a stage image; null when there is none.
    sn_image_t *copyStage(int stage)
    {
        sn_image_t *image = preview_lock_image(m_preview, stage);
        if (!image)
            return nullptr;
        sn_image_t *copy = sn_image_clone(image);
        preview_unlock_image(m_preview);
        return copy;
    }

private:
    static void onNotify(void *owner, int event, intptr_t value1, intptr_t value2)
    {
        PreviewRun *self = (PreviewRun *)owner;
        if (event == PREVIEW_EVENT_RUN_END && value1 == PREVIEW_END_DONE && value2 >= 2) {
            std::lock_guard<std::mutex> lock(self->m_mutex);
            self->m_done = true;
        }
    }
    static void onFilters(void *owner, const QString &path, int index,
                          QList<imagefilter_t *> &filters)
    {
        PreviewRun *self = (PreviewRun *)owner;
        std::lock_guard<std::mutex> lock(self->m_mutex);
        imagefilter_t *filter = self->m_operation->createFilter(path, index);
        if (filter)
            filters.append(filter);
    }

    CAbstractOperation *m_operation;
    fileman_t *m_list = nullptr;
    preview_t *m_preview = nullptr;
    std::mutex m_mutex;
    bool m_done = false;
};

} // namespace stamptest

#endif
