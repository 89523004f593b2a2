/*
 * Placeholder descriptors for the JPEG codec until its reader and writer land:
 * the probe matches nothing and the writer refuses.
 */
#include "image/sn_image_codec.h"
#include "base/sn_log.h"

static int jpeg_probe(snimage_reader_t *, const unsigned char *, int)
{
    return -1;
}

static int jpeg_fail(snimage_reader_t *)
{
    return -1;
}

static int jpeg_read_frames(snimage_reader_t *, int, int)
{
    return -1;
}

static int jpeg_write(sn_image_t *, const char *path, int, int, const sn_image_write_params_t *)
{
    sn_log(4, NULL, "jpeg_write", __LINE__, "JPEG writer not available, file:%s\n", path);
    return -1;
}

snimage_iformat_t snimage_jpeg_iformat = {SN_IMAGE_FORMAT_JPEG, "jpeg,jpg", jpeg_probe, jpeg_fail,
                                          jpeg_read_frames,     jpeg_fail,  nullptr};
snimage_oformat_t snimage_jpeg_oformat = {SN_IMAGE_FORMAT_JPEG, "jpeg,jpg", jpeg_write, nullptr};
