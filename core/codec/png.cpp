/*
 * Placeholder descriptors for the PNG codec until its reader and writer land:
 * the probe matches nothing and the writer refuses.
 */
#include "image/sn_image_codec.h"
#include "base/sn_log.h"

static int png_probe(snimage_reader_t *, const unsigned char *, int)
{
    return -1;
}

static int png_fail(snimage_reader_t *)
{
    return -1;
}

static int png_read_frames(snimage_reader_t *, int, int)
{
    return -1;
}

static int png_write(sn_image_t *, const char *path, int, int, const sn_image_write_params_t *)
{
    sn_log(4, NULL, "png_write", __LINE__, "PNG writer not available, file:%s\n", path);
    return -1;
}

snimage_iformat_t snimage_png_iformat = {SN_IMAGE_FORMAT_PNG, "png",    png_probe, png_fail,
                                         png_read_frames,     png_fail, nullptr};
snimage_oformat_t snimage_png_oformat = {SN_IMAGE_FORMAT_PNG, "png", png_write, nullptr};
