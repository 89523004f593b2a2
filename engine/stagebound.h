// How large a picture may grow between the photo as read and the last
// operation of a run. A chain of free rotations doubles the pixels each time
// and would end only at the frame cap (gigabytes). A stage may hold sixteen
// times the photo (a resize to 400 % a side) or 128 megapixels (the area
// ImageMagick's Debian policy allows one picture: a 1000 x 1000 photo resized
// to 10000 x 10000 still runs), whichever is larger; a stage past both ends
// the file with a refusal.
#ifndef STAGEBOUND_H
#define STAGEBOUND_H

#include "image/sn_image.h"

#include <stddef.h>

#include <QList>

typedef struct imagefilter imagefilter_t;

#define STAGE_GROWTH_FACTOR 16
#define STAGE_MIN_BOUND_PIXELS ((size_t)128 * 1024 * 1024)

/* The pixel bytes a picture holds: its frames that have rows. */
inline size_t stage_image_bytes(const sn_image_t *image)
{
    if (!image || image->width <= 0 || image->height <= 0)
        return 0;
    const size_t frame = (size_t)image->width * (size_t)image->height * 4;
    size_t total = 0;
    for (int i = 0; i < image->frame_count; i++)
        if (image->frames[i].rows)
            total += frame;
    return total;
}

inline size_t stage_bytes_bound(size_t source_bytes)
{
    const size_t floor = STAGE_MIN_BOUND_PIXELS * 4;
    return source_bytes > floor / STAGE_GROWTH_FACTOR ? source_bytes * STAGE_GROWTH_FACTOR : floor;
}

/* The first stage past bound (bytes) when filters[0 .. last - 1] run in turn
 * on image (stage k is the picture after filter k - 1), judged from the
 * settings alone; 0 when none is. Null filters are skipped; a filter whose
 * size cannot be told ends the judgement there (the workers' run-time bound
 * covers what follows). A stage past the bound is logged under function. */
int stage_first_past_bound(const QList<imagefilter_t *> &filters, int last, const sn_image_t *image,
                           size_t bound, const char *function);

#endif
