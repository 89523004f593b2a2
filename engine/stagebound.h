// How large a picture may grow between the photo as read and the last
// operation of a run. A chain of free rotations doubles the pixels each time
// and would end only at the frame cap (gigabytes). Sixteen times the photo
// (a resize to 400 % a side), or 4 MB (a megapixel) for a small one,
// leaves room for every enlargement a person asks for; a stage past it ends
// the run with a refusal.
#ifndef STAGEBOUND_H
#define STAGEBOUND_H

#include "image/sn_image.h"

#include <stddef.h>

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
    const size_t floor = (size_t)4 * 1024 * 1024;
    return source_bytes > floor / 16 ? source_bytes * 16 : floor;
}

#endif
