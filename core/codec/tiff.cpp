/*
 * Placeholder descriptors for the TIFF codec until its reader and writer land:
 * the probe matches nothing and the writer refuses.
 */
#include "image/sn_image_codec.h"
#include "base/sn_log.h"

static int tiff_probe(snimage_reader_t *, const unsigned char *, int)
{
    return -1;
}

static int tiff_fail(snimage_reader_t *)
{
    return -1;
}

static int tiff_read_frames(snimage_reader_t *, int, int)
{
    return -1;
}

static int tiff_write(sn_image_t *, const char *path, int, int, const sn_image_write_params_t *)
{
    sn_log(4, NULL, "tiff_write", __LINE__, "TIFF writer not available, file:%s\n", path);
    return -1;
}

snimage_iformat_t snimage_tiff_iformat = {SN_IMAGE_FORMAT_TIFF, "tiff,tif", tiff_probe, tiff_fail,
                                          tiff_read_frames,     tiff_fail,  nullptr};
snimage_oformat_t snimage_tiff_oformat = {SN_IMAGE_FORMAT_TIFF, "tiff,tif", tiff_write, nullptr};
