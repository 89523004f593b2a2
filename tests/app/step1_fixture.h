// Pieces shared by the Step 1 tests: the engine started for the test run,
// pictures written by the core's own encoders, and the list emptied between
// cases through the model (which frees the thumbnails).
#ifndef STEP1_FIXTURE_H
#define STEP1_FIXTURE_H

#include "cfilemodel.h"
#include "fileman.h"
#include "image/sn_image.h"
#include "photobatch.h"

#include <QByteArray>
#include <QString>

#include <sys/stat.h>
#include <utime.h>

namespace step1
{

inline void startEngine()
{
    sn_image_init();
    photobatch_create_instance();
}

inline void stopEngine()
{
    photobatch_destroy_instance();
    sn_image_uninit();
}

inline fileman_t *list()
{
    return photobatch_get_fileman(photobatch_get_instance());
}

// A smooth picture with a little detail, written in the format of id, with
// its modification time set when mtime is not 0.
inline bool writePicture(const QString &path, int width, int height,
                         int format = SN_IMAGE_FORMAT_JPEG, time_t mtime = 0)
{
    sn_image_t *image = sn_image_create(width, height, 1);
    if (!image || sn_image_allocate_frame(image, 0) != 0) {
        sn_image_destroy(image);
        return false;
    }
    uint32_t **rows = sn_image_get_frame(image, 0);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            rows[y][x] = SN_PIXEL(255, (x * 255) / width, (y * 255) / height, ((x ^ y) & 15) * 8);
    sn_image_write_params_t params = {90, 24, 0, 0};
    QByteArray name = path.toUtf8();
    int rc = sn_image_save(image, name.constData(), format, &params);
    sn_image_destroy(image);
    if (rc == 0 && mtime != 0) {
        struct utimbuf times = {mtime, mtime};
        rc = utime(name.constData(), &times);
    }
    return rc == 0;
}

inline QStringList paths(fileman_t *files)
{
    QStringList out;
    for (int i = 0; i < fileman_count(files); i++)
        out << QString::fromUtf8(fileman_get(files, i)->path);
    return out;
}

} // namespace step1

#endif
