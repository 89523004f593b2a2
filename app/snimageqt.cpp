// snImageToQImage: the one pixel conversion from the engine's pictures to
// Qt's, band by band, on Qt's shared thread pool for a large picture.
#include "snimageqt.h"

#include "image/sn_image.h"

#include <QThreadPool>
#include <QtGlobal>

#include <algorithm>
#include <climits>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace
{

// Below this many pixels a thread costs more than it saves.
const size_t k_pixelsPerThread = 1u << 20;
const int k_maxThreads = 8;

enum class Kind { Opaque, Straight, Premultiplied };

struct Band {
    uint32_t *const *rows;
    uchar *bits;
    qsizetype stride;
    int width, first, last;
    Kind kind;
};

void convertBand(const Band &band)
{
    for (int y = band.first; y < band.last; y++) {
        const uint32_t *from = band.rows[y];
        QRgb *line = reinterpret_cast<QRgb *>(band.bits + (size_t)y * (size_t)band.stride);
        for (int x = 0; x < band.width; x++) {
            const uint32_t p = from[x];
            const uint32_t rgb = SN_PIXEL_R(p) << 16 | SN_PIXEL_G(p) << 8 | SN_PIXEL_B(p);
            if (band.kind == Kind::Opaque)
                line[x] = 0xFF000000u | rgb;
            else if (band.kind == Kind::Straight)
                line[x] = SN_PIXEL_A(p) << 24 | rgb;
            else
                line[x] = qPremultiply(SN_PIXEL_A(p) << 24 | rgb);
        }
    }
}

} // namespace

QImage snImageToQImage(const sn_image_t *image, SnImageUse use, QImage spare, bool inBands)
{
    if (!image || image->width <= 0 || image->height <= 0 || image->frame_count < 1)
        return QImage();
    uint32_t **rows = sn_image_get_frame(image, 0);
    if (!rows)
        return QImage();
    const size_t width = (size_t)image->width, height = (size_t)image->height;
    if (width > (size_t)INT_MAX / 4 || height > (size_t)INT_MAX / (width * 4))
        return QImage();
    Kind kind = Kind::Opaque;
    QImage::Format format = use == SnImageUse::Exact ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    if (image->has_alpha) {
        kind = use == SnImageUse::Exact ? Kind::Straight : Kind::Premultiplied;
        format =
            use == SnImageUse::Exact ? QImage::Format_ARGB32 : QImage::Format_ARGB32_Premultiplied;
    }
    // A spare that nothing else shares is written over: a large picture is
    // then neither allocated nor faulted in page by page again.
    QImage picture;
    if (spare.isDetached() && spare.width() == image->width && spare.height() == image->height &&
        spare.format() == format)
        picture.swap(spare);
    else
        picture = QImage(image->width, image->height, format);
    if (picture.isNull())
        return QImage();

    // The bits are taken once, here: the bands only write through them.
    Band whole = {rows, picture.bits(), picture.bytesPerLine(), image->width, 0, image->height,
                  kind};
    QThreadPool *pool = QThreadPool::globalInstance();
    const size_t wanted = width * height / k_pixelsPerThread;
    const int count = (int)std::min<size_t>(
        {wanted, (size_t)std::max(1, std::min(pool->maxThreadCount(), k_maxThreads)), height});
    if (count <= 1 || !inBands) {
        convertBand(whole);
        return picture;
    }
    // A band that finds no free thread in the pool is converted here, after
    // the first: the caller waits only for bands already running. The hand
    // over is ordered by a lock of the standard library, which a thread
    // sanitizer sees (the pool's own locks it does not): a band starts once
    // the caller has let go of it, with every band set up.
    std::vector<Band> bands((size_t)count, whole);
    std::vector<bool> started((size_t)count, false);
    struct Join {
        std::mutex mutex;
        std::condition_variable finished;
        int running = 0;
    } join;
    std::unique_lock<std::mutex> lock(join.mutex);
    const int step = (image->height + count - 1) / count;
    for (int i = 0; i < count; i++) {
        bands[i].first = std::min(image->height, i * step);
        bands[i].last = std::min(image->height, bands[i].first + step);
    }
    for (int i = 1; i < count; i++) {
        const Band *band = &bands[i];
        started[i] = pool->tryStart([band, &join] {
            std::unique_lock<std::mutex> held(join.mutex);
            held.unlock();
            convertBand(*band);
            held.lock();
            if (--join.running == 0)
                join.finished.notify_one();
        });
        if (started[i])
            join.running++;
    }
    lock.unlock();
    convertBand(bands[0]);
    for (int i = 1; i < count; i++)
        if (!started[i])
            convertBand(bands[i]);
    lock.lock();
    join.finished.wait(lock, [&join] { return join.running == 0; });
    return picture;
}
