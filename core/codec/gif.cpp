/*
 * Placeholder descriptors for the GIF codec until its reader and writer land:
 * the probe matches nothing and the writer refuses.
 */
#include "image/sn_image_codec.h"
#include "base/sn_log.h"

static int gif_probe(snimage_reader_t *, const unsigned char *, int)
{
    return -1;
}

static int gif_fail(snimage_reader_t *)
{
    return -1;
}

static int gif_read_frames(snimage_reader_t *, int, int)
{
    return -1;
}

static int gif_write(sn_image_t *, const char *path, int, int, const sn_image_write_params_t *)
{
    sn_log(4, NULL, "gif_write", __LINE__, "GIF writer not available, file:%s\n", path);
    return -1;
}

snimage_iformat_t snimage_gif_iformat = {SN_IMAGE_FORMAT_GIF, "gif",    gif_probe, gif_fail,
                                         gif_read_frames,     gif_fail, nullptr};
snimage_oformat_t snimage_gif_oformat = {SN_IMAGE_FORMAT_GIF, "gif", gif_write, nullptr};
