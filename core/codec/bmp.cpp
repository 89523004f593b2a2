/*
 * Placeholder descriptors for the BMP codec until its reader and writer land:
 * the probe matches nothing and the writer refuses.
 */
#include "image/sn_image_codec.h"
#include "base/sn_log.h"

static int bmp_probe(snimage_reader_t *, const unsigned char *, int)
{
    return -1;
}

static int bmp_fail(snimage_reader_t *)
{
    return -1;
}

static int bmp_read_frames(snimage_reader_t *, int, int)
{
    return -1;
}

static int bmp_write(sn_image_t *, const char *path, int, int, const sn_image_write_params_t *)
{
    sn_log(4, NULL, "bmp_write", __LINE__, "BMP writer not available, file:%s\n", path);
    return -1;
}

snimage_iformat_t snimage_bmp_iformat = {SN_IMAGE_FORMAT_BMP, "bmp",    bmp_probe, bmp_fail,
                                         bmp_read_frames,     bmp_fail, nullptr};
snimage_oformat_t snimage_bmp_oformat = {SN_IMAGE_FORMAT_BMP, "bmp", bmp_write, nullptr};
