/*
 * The in-memory input format (id 1): the input format of every image made in
 * memory. It never matches a file; reading its frames makes them opaque white.
 */
#include "image/sn_image_codec.h"
#include "base/sn_log.h"

#include <string.h>

static int memory_probe(snimage_reader_t *, const unsigned char *, int)
{
    return -1;
}

static int memory_read_header(snimage_reader_t *)
{
    return 0;
}

static int memory_read_frames(snimage_reader_t *reader, int first, int last)
{
    if (!reader || !reader->owner)
        return -1;
    sn_image_t *image = reader->owner;
    if (first < 0 || last >= image->frame_count || image->width <= 0 || image->height <= 0)
        return -1;
    if (last < 0)
        last = image->frame_count - 1;
    for (int i = first; i <= last; i++) {
        if (image->frames[i].rows)
            continue;
        if (sn_image_allocate_frame(image, i) != 0)
            return -1;
        memset(image->frames[i].pixels, 0xFF, (size_t)image->width * (size_t)image->height * 4);
    }
    return 0;
}

static int memory_close(snimage_reader_t *)
{
    return 0;
}

snimage_iformat_t snimage_memory_iformat = {
    SN_IMAGE_FORMAT_MEMORY, "",           memory_probe, memory_read_header,
    memory_read_frames,     memory_close, nullptr};
