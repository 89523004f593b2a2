/*
 * TIFF codec over libtiff 4: the reader decodes a whole image with the RGBA
 * interface straight into the frame (orientations 5 to 8 through a raster it
 * then turns); the writer stores frame 0 as 8-bit RGB or RGBA scanlines, the
 * fourth sample declared unassociated alpha. libtiff's messages go to the
 * log.
 *
 *   tiff_probe, tiff_read_header, tiff_read_frames, tiff_close   (input format)
 *   tiff_write, tiff_write_fd                                    (output format)
 */
#include "image/sn_image_codec.h"
#include "base/sn_log.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdarg.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <tiffio.h>
#include <unistd.h>

#include <memory>
#include <vector>

namespace
{

/* libtiff's own buffers (strips, tiles, tag arrays) are held below this,
 * so that a damaged header cannot make the library allocate without bound. */
const tmsize_t kTiffMaxSingleAlloc = (tmsize_t)SN_IMAGE_MAX_FRAME_BYTES;

/* One log line for a message of the library's, at level. */
__attribute__((format(printf, 3, 0))) int tiff_message_to_log(int level, const char *module,
                                                              const char *format, va_list args)
{
    char text[1024];
    vsnprintf(text, sizeof text, format, args);
    sn_log(level, NULL, "libtiff", __LINE__, "%s: %s\n", module ? module : "", text);
    return 1;
}

__attribute__((format(printf, 4, 0))) int tiff_error_to_log(TIFF *, void *, const char *module,
                                                            const char *format, va_list args)
{
    return tiff_message_to_log(4, module, format, args);
}

__attribute__((format(printf, 4, 0))) int tiff_warning_to_log(TIFF *, void *, const char *module,
                                                              const char *format, va_list args)
{
    return tiff_message_to_log(3, module, format, args);
}

struct options_deleter {
    void operator()(TIFFOpenOptions *opts) const
    {
        TIFFOpenOptionsFree(opts);
    }
};
typedef std::unique_ptr<TIFFOpenOptions, options_deleter> options_ptr;

/* Per-file options: messages to the log, and the allocation cap. */
options_ptr make_options(void)
{
    options_ptr opts(TIFFOpenOptionsAlloc());
    if (opts) {
        TIFFOpenOptionsSetErrorHandlerExtR(opts.get(), tiff_error_to_log, NULL);
        TIFFOpenOptionsSetWarningHandlerExtR(opts.get(), tiff_warning_to_log, NULL);
        TIFFOpenOptionsSetMaxSingleMemAlloc(opts.get(), kTiffMaxSingleAlloc);
    }
    return opts;
}

struct tiff_closer {
    void operator()(TIFF *tif) const
    {
        TIFFClose(tif);
    }
};
typedef std::unique_ptr<TIFF, tiff_closer> tiff_ptr;

/* The Orientation tag, 1 (rows top down, columns left to right) when
 * absent or out of range. */
int tiff_orientation(TIFF *tif)
{
    uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
    return orientation >= ORIENTATION_TOPLEFT && orientation <= ORIENTATION_LEFTBOT
               ? orientation
               : ORIENTATION_TOPLEFT;
}

/* Orientations 5 to 8: the stored rows are the picture's columns. */
bool tiff_turns_sides(int orientation)
{
    return orientation >= ORIENTATION_LEFTTOP;
}

/* libtiff's RGBA reader only mirrors: for orientations 5 to 8 it treats the
 * file like 1 to 4, which gives a mirrored picture on its side. Asked for
 * the file's own orientation it hands over the stored raster untouched
 * (stored_w x stored_h words, stored row 0 first); this turns that into the
 * picture as the tag says, stored_h x stored_w. */
void tiff_turn_raster(const uint32_t *stored, int stored_w, int stored_h, int orientation,
                      uint32_t *out)
{
    const int w = stored_h, h = stored_w; /* the picture's sides */
    for (int y = 0; y < h; y++) {
        uint32_t *row = out + (size_t)y * (size_t)w;
        /* Picture row y is stored column y (5, 6) or stored_w - 1 - y (7, 8);
         * picture column x is stored row x (5, 8) or stored_h - 1 - x (6, 7). */
        const int column = orientation == ORIENTATION_LEFTTOP || orientation == ORIENTATION_RIGHTTOP
                               ? y
                               : stored_w - 1 - y;
        const bool reversed =
            orientation == ORIENTATION_RIGHTTOP || orientation == ORIENTATION_RIGHTBOT;
        for (int x = 0; x < w; x++) {
            const int r = reversed ? stored_h - 1 - x : x;
            row[x] = stored[(size_t)r * (size_t)stored_w + (size_t)column];
        }
    }
}

/* The Photometric value the current directory stores, -1 when it cannot be
 * read. libtiff replaces a palette whose ColorMap it could not read whole
 * by grey, so only the file itself still says what it was. Only classic
 * little-endian files get this far (the probe). */
int stored_photometric(TIFF *tif)
{
    TIFFReadWriteProc read_proc = TIFFGetReadProc(tif);
    TIFFSeekProc seek_proc = TIFFGetSeekProc(tif);
    thandle_t handle = TIFFClientdata(tif);
    const toff_t dir = TIFFCurrentDirOffset(tif);
    uint8_t count_bytes[2];
    if (!read_proc || !seek_proc || seek_proc(handle, dir, SEEK_SET) != dir ||
        read_proc(handle, count_bytes, 2) != 2)
        return -1;
    const size_t count = (size_t)(count_bytes[0] | count_bytes[1] << 8);
    /* At most 65535 entries of 12 bytes: under a megabyte. */
    std::vector<uint8_t> entries(count * 12);
    if (count == 0 ||
        read_proc(handle, entries.data(), (tmsize_t)entries.size()) != (tmsize_t)entries.size())
        return -1;
    for (size_t i = 0; i < count; i++) {
        const uint8_t *e = &entries[i * 12];
        const int tag = e[0] | e[1] << 8, type = e[2] | e[3] << 8;
        const uint32_t n =
            (uint32_t)e[4] | (uint32_t)e[5] << 8 | (uint32_t)e[6] << 16 | (uint32_t)e[7] << 24;
        if (tag == TIFFTAG_PHOTOMETRIC)
            return type == TIFF_SHORT && n == 1 ? (e[8] | e[9] << 8) : -1;
    }
    return -1;
}

/* A palette file whose colour map was cut or is missing: libtiff would
 * decode its indices as grey, a picture without its colours. */
bool palette_lost_its_map(TIFF *tif)
{
    uint16_t photometric = 0;
    uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    if (photometric == PHOTOMETRIC_PALETTE)
        return !TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue);
    return stored_photometric(tif) == PHOTOMETRIC_PALETTE;
}

int tiff_probe(snimage_reader_t *, const unsigned char *bytes, int count)
{
    if (!bytes || count < 4)
        return -1;
    return bytes[0] == 'I' && bytes[1] == 'I' && bytes[2] == '*' && bytes[3] == 0 ? 0 : -1;
}

int tiff_read_header(snimage_reader_t *reader)
{
    if (!reader || !reader->path || !reader->owner) {
        sn_log(4, NULL, "tiff_read_header", __LINE__, "reader is null\n");
        return -1;
    }
    options_ptr opts = make_options();
    if (!opts) {
        sn_log(4, NULL, "tiff_read_header", __LINE__, "TIFFOpenOptionsAlloc FAILED!\n");
        return -1;
    }
    /* libtiff closes the descriptor with the file, but not when it fails to
     * open it. */
    int fd = snimage_reader_open_fd(reader);
    tiff_ptr tif(fd >= 0 ? TIFFFdOpenExt(fd, reader->path, "r", opts.get()) : nullptr);
    if (!tif) {
        if (fd >= 0)
            close(fd);
        sn_log(4, NULL, "tiff_read_header", __LINE__, "TIFFOpen FAILED! filename:%s\n",
               reader->path);
        return -1;
    }
    uint32_t width = 0, height = 0;
    uint16_t page = 0, pages = 0;
    TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height);
    int has_page = TIFFGetField(tif.get(), TIFFTAG_PAGENUMBER, &page, &pages);
    uint16_t extra_count = 0;
    uint16_t *extra = nullptr;
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_EXTRASAMPLES, &extra_count, &extra);
    sn_log(2, NULL, "tiff_read_header", __LINE__, "width:%u, height:%u, page_num:%d\n", width,
           height, has_page ? (int)page : 0);
    /* Orientations 5 to 8 store the picture's columns as rows: it shows
     * with the stored sides traded. */
    if (tiff_turns_sides(tiff_orientation(tif.get()))) {
        uint32_t stored_width = width;
        width = height;
        height = stored_width;
    }
    /* The raster is width x height words: a header past the frame cap fails
     * here, before anything is allocated. */
    if (width > INT_MAX || height > INT_MAX ||
        sn_image_check_size("tiff_read_header", (int)width, (int)height, NULL) != 0)
        return -1;

    if (palette_lost_its_map(tif.get())) {
        sn_log(4, NULL, "tiff_read_header", __LINE__, "ColorMap FAILED! filename:%s\n",
               reader->path);
        return -1;
    }

    sn_image_t *image = reader->owner;
    image->format = SN_IMAGE_FORMAT_TIFF;
    image->width = (int)width;
    image->height = (int)height;
    image->frame_count = 1;
    image->input_format = &snimage_tiff_iformat;
    /* Unassociated alpha is what ImageMagick and most tools write for RGBA
     * and gray with alpha: it is as much transparency as associated alpha. */
    image->has_alpha =
        extra_count >= 1 && extra &&
                (extra[0] == EXTRASAMPLE_ASSOCALPHA || extra[0] == EXTRASAMPLE_UNASSALPHA)
            ? 1
            : 0;
    reader->codec_state = tif.release();
    return 0;
}

/* libtiff's RGBA reader premultiplies unassociated alpha, while a frame
 * holds straight colours. Declaring the alpha associated (in memory only;
 * the file is open for reading) makes the reader pass the stored colours
 * through untouched. The sample count stays as it is, so the colour channels
 * are counted as before. 1 when the file's alpha was unassociated, 0 when
 * not, -1 when the tag could not be changed. */
int keep_unassociated_colors(TIFF *tif)
{
    uint16_t count = 0;
    uint16_t *values = nullptr;
    if (!TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &count, &values) || count == 0 || !values ||
        values[0] != EXTRASAMPLE_UNASSALPHA)
        return 0;
    uint16_t copy[16];
    if (count > 16)
        return 0;
    memcpy(copy, values, count * sizeof *copy);
    copy[0] = EXTRASAMPLE_ASSOCALPHA;
    return TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, count, copy) ? 1 : -1;
}

/* Grey with alpha, contiguous, 8 or 16 bits: libtiff's own routine drops
 * the alpha of 16-bit grey (and of grey with more extra samples), so every
 * pixel would read opaque. Packs the stored grey and alpha, as its 8-bit
 * routine does; 16-bit samples are rounded to 8 bits. The skews follow
 * libtiff's contiguous routines: fromskew in samples, toskew in words. */
void put_grey_alpha(TIFFRGBAImage *img, uint32_t *cp, uint32_t, uint32_t, uint32_t w, uint32_t h,
                    int32_t fromskew, int32_t toskew, unsigned char *pp)
{
    const int samples = img->samplesperpixel;
    const bool invert = img->photometric == PHOTOMETRIC_MINISWHITE;
    const bool wide = img->bitspersample == 16;
    const uint16_t *wp = (const uint16_t *)(void *)pp;
    const unsigned char *bp = pp;
    for (; h > 0; --h) {
        for (uint32_t x = w; x > 0; --x) {
            unsigned grey, alpha;
            if (wide) {
                grey = ((unsigned)wp[0] * 255u + 32767u) / 65535u;
                alpha = ((unsigned)wp[1] * 255u + 32767u) / 65535u;
                wp += samples;
            } else {
                grey = bp[0];
                alpha = bp[1];
                bp += samples;
            }
            if (invert)
                grey = 255u - grey;
            *cp++ = grey | grey << 8 | grey << 16 | alpha << 24;
        }
        cp += toskew;
        if (wide)
            wp += (ptrdiff_t)fromskew * samples;
        else
            bp += (ptrdiff_t)fromskew * samples;
    }
}

/* TIFFReadRGBAImageOriented into a raster of the image's stored size, with
 * the grey and alpha routine above in place of libtiff's. */
int tiff_read_rgba(TIFF *tif, uint32_t width, uint32_t height, uint32_t *raster, int orientation)
{
    char message[1024];
    TIFFRGBAImage img;
    if (!TIFFRGBAImageOK(tif, message) || !TIFFRGBAImageBegin(&img, tif, 1, message)) {
        sn_log(4, NULL, "libtiff", __LINE__, "%s: %s\n", TIFFFileName(tif), message);
        return -1;
    }
    img.req_orientation = (uint16_t)orientation;
    if (img.isContig && img.alpha && img.samplesperpixel >= 2 &&
        (img.bitspersample == 8 || img.bitspersample == 16) &&
        (img.photometric == PHOTOMETRIC_MINISBLACK || img.photometric == PHOTOMETRIC_MINISWHITE))
        img.put.contig = put_grey_alpha;
    const int ok = TIFFRGBAImageGet(&img, raster, width, height);
    TIFFRGBAImageEnd(&img);
    return ok ? 0 : -1;
}

/* Decodes the whole image into the frame (width x height, the picture's
 * sides), top row first. The frame is width x height words without padding,
 * the raster's own shape, so for orientations 1 to 4 libtiff decodes into it
 * directly; 5 to 8 go through a stored-shape raster that is turned. A strip
 * libtiff cannot decode fails the read rather than leaving stale rows. */
int tiff_read_raster(TIFF *tif, sn_image_frame_t *frame, int width, int height, int orientation)
{
    if (!tiff_turns_sides(orientation))
        return tiff_read_rgba(tif, (uint32_t)width, (uint32_t)height, frame->pixels,
                              ORIENTATION_TOPLEFT);
    const int stored_w = height, stored_h = width;
    size_t bytes = 0;
    if (sn_image_check_size("tiff_read_frames", stored_w, stored_h, &bytes) != 0)
        return -1;
    std::unique_ptr<uint32_t, decltype(&free)> stored((uint32_t *)malloc(bytes), &free);
    if (!stored) {
        sn_log(4, NULL, "tiff_read_frames", __LINE__, "_TIFFmalloc FAILED! size:%zu\n", bytes);
        return -1;
    }
    if (tiff_read_rgba(tif, (uint32_t)stored_w, (uint32_t)stored_h, stored.get(), orientation) != 0)
        return -1;
    tiff_turn_raster(stored.get(), stored_w, stored_h, orientation, frame->pixels);
    return 0;
}

int tiff_read_frames(snimage_reader_t *reader, int first, int last)
{
    if (!reader || !reader->owner || !reader->codec_state) {
        sn_log(4, NULL, "tiff_read_frames", __LINE__, "reader holds no state\n");
        return -1;
    }
    sn_image_t *image = reader->owner;
    if (first != 0 || (last != 0 && last != -1) || image->frame_count < 1 || !image->frames) {
        sn_log(4, NULL, "tiff_read_frames", __LINE__, "frame range FAILED! first:%d, last:%d\n",
               first, last);
        return -1;
    }
    TIFF *tif = (TIFF *)reader->codec_state;
    const int width = image->width;
    const int height = image->height;
    char message[1024];
    if (!TIFFRGBAImageOK(tif, message)) {
        sn_log(4, NULL, "libtiff", __LINE__, "%s: %s\n", TIFFFileName(tif), message);
        sn_log(4, NULL, "tiff_read_frames", __LINE__, "TIFFReadRGBAImage FAILED!\n");
        return -1;
    }
    const int unassociated = keep_unassociated_colors(tif);
    if (unassociated < 0) {
        sn_log(4, NULL, "tiff_read_frames", __LINE__, "TIFFSetField FAILED! ExtraSamples\n");
        return -1;
    }
    sn_image_frame_t *frame = &image->frames[0];
    if (snimage_allocate_frame(frame, width, height) != 0) {
        sn_log(4, NULL, "tiff_read_frames", __LINE__,
               "snimage_alloc_frame FAILED! width:%d, height:%d\n", width, height);
        return -1;
    }
    const int orientation = tiff_orientation(tif);
    if (tiff_read_raster(tif, frame, width, height, orientation) != 0) {
        sn_log(4, NULL, "tiff_read_frames", __LINE__, "TIFFReadRGBAImage FAILED!\n");
        snimage_free_frame(frame);
        frame->rows = nullptr;
        frame->pixels = nullptr;
        return -1;
    }
    /* In memory a raster word holds red, green, blue, alpha; a pixel holds
     * alpha, red, green, blue. Associated alpha comes back premultiplied;
     * unassociated alpha came through as stored. */
    const size_t n = (size_t)width * (size_t)height;
    uint8_t *p = (uint8_t *)frame->pixels;
    uint8_t *end = p + n * 4;
    if (image->has_alpha && unassociated) {
        for (; p < end; p += 4) {
            uint8_t r = p[0], g = p[1], b = p[2], a = p[3];
            p[0] = a;
            p[1] = r;
            p[2] = g;
            p[3] = b;
        }
    } else if (image->has_alpha) {
        for (; p < end; p += 4) {
            unsigned r = p[0], g = p[1], b = p[2], a = p[3];
            if (a == 0) {
                r = g = b = 0;
            } else if (a < 255) {
                r = (r * 255 + a / 2) / a;
                g = (g * 255 + a / 2) / a;
                b = (b * 255 + a / 2) / a;
                r = r > 255 ? 255 : r;
                g = g > 255 ? 255 : g;
                b = b > 255 ? 255 : b;
            }
            p[0] = (uint8_t)a;
            p[1] = (uint8_t)r;
            p[2] = (uint8_t)g;
            p[3] = (uint8_t)b;
        }
    } else {
        for (; p < end; p += 4) {
            uint8_t r = p[0], g = p[1], b = p[2];
            p[0] = 255;
            p[1] = r;
            p[2] = g;
            p[3] = b;
        }
    }
    return 0;
}

int tiff_close(snimage_reader_t *reader)
{
    if (!reader || !reader->codec_state)
        return -1;
    TIFFClose((TIFF *)reader->codec_state);
    return 0;
}

/* The writer's file: libtiff works through these calls on a descriptor we
 * own, so that the final close(2) is ours to check. */
tmsize_t fd_read(thandle_t h, void *buf, tmsize_t size)
{
    return (tmsize_t)read((int)(intptr_t)h, buf, (size_t)size);
}

tmsize_t fd_write(thandle_t h, void *buf, tmsize_t size)
{
    const char *p = (const char *)buf;
    tmsize_t done = 0;
    while (done < size) {
        ssize_t n = write((int)(intptr_t)h, p + done, (size_t)(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return -1;
        done += n;
    }
    return done;
}

toff_t fd_seek(thandle_t h, toff_t offset, int whence)
{
    return (toff_t)lseek((int)(intptr_t)h, (off_t)offset, whence);
}

int fd_keep_open(thandle_t)
{
    return 0;
}

toff_t fd_size(thandle_t h)
{
    struct stat st;
    return fstat((int)(intptr_t)h, &st) == 0 ? (toff_t)st.st_size : 0;
}

int fd_no_map(thandle_t, tdata_t *, toff_t *)
{
    return 0;
}

void fd_no_unmap(thandle_t, tdata_t, toff_t) {}

/* A fourth sample is only alpha to a reader that is told so. A frame holds
 * straight (unassociated) colours, and they are written as they are. */
int set_alpha_sample(TIFF *tif, int samples)
{
    if (samples != 4)
        return 1;
    const uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
    return TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
}

/* Failure after the handle was made: drop it; the descriptor is the
 * caller's. */
int abandon(TIFF *tif)
{
    TIFFClose(tif);
    return -1;
}

int tiff_write_fd(sn_image_t *image, int fd, const char *path, int, int,
                  const sn_image_write_params_t *)
{
    if (!image || fd < 0 || image->frame_count <= 0 || !image->frames || !image->frames[0].rows) {
        sn_log(4, NULL, "tiff_write", __LINE__, "image or path is null\n");
        return -1;
    }
    const int width = image->width;
    const int height = image->height;
    if (sn_image_check_size("tiff_write", width, height, NULL) != 0)
        return -1;
    const int samples = image->has_alpha ? 4 : 3;
    std::unique_ptr<uint8_t, decltype(&free)> row((uint8_t *)malloc((size_t)width * 4), &free);
    if (!row) {
        sn_log(4, NULL, "tiff_write", __LINE__, "malloc FAILED! size:%zu\n", (size_t)width * 4);
        return -1;
    }
    options_ptr opts = make_options();
    if (!opts) {
        sn_log(4, NULL, "tiff_write", __LINE__, "TIFFOpenOptionsAlloc FAILED!\n");
        return -1;
    }
    /* Mode "w" writes the host's byte order: "II" here, the one the probe
     * accepts. */
    TIFF *tif = TIFFClientOpenExt(path, "w", (thandle_t)(intptr_t)fd, fd_read, fd_write, fd_seek,
                                  fd_keep_open, fd_size, fd_no_map, fd_no_unmap, opts.get());
    if (!tif) {
        sn_log(4, NULL, "tiff_write", __LINE__, "TIFFOpen FAILED!\n");
        return -1;
    }
    if (!TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, (uint32_t)width) ||
        !TIFFSetField(tif, TIFFTAG_IMAGELENGTH, (uint32_t)height) ||
        !TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8) ||
        !TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples) ||
        !TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB) ||
        !TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) ||
        !TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0)) ||
        !set_alpha_sample(tif, samples)) {
        sn_log(4, NULL, "tiff_write", __LINE__, "TIFFSetField FAILED! %s\n", path);
        return abandon(tif);
    }
    for (int y = 0; y < height; y++) {
        if (snimage_stopped("tiff_write", "encode"))
            return abandon(tif);
        const uint32_t *in = image->frames[0].rows[y];
        uint8_t *out = row.get();
        if (samples == 4) {
            for (int x = 0; x < width; x++, out += 4) {
                uint32_t p = in[x];
                out[0] = (uint8_t)SN_PIXEL_R(p);
                out[1] = (uint8_t)SN_PIXEL_G(p);
                out[2] = (uint8_t)SN_PIXEL_B(p);
                out[3] = (uint8_t)SN_PIXEL_A(p);
            }
        } else {
            for (int x = 0; x < width; x++, out += 3) {
                uint32_t p = in[x];
                out[0] = (uint8_t)SN_PIXEL_R(p);
                out[1] = (uint8_t)SN_PIXEL_G(p);
                out[2] = (uint8_t)SN_PIXEL_B(p);
            }
        }
        if (TIFFWriteScanline(tif, row.get(), (uint32_t)y, 0) < 0) {
            sn_log(4, NULL, "tiff_write", __LINE__, "TIFFWriteScanline FAILED! row:%d\n", y);
            return abandon(tif);
        }
    }
    /* TIFFClose reports nothing: the flush writes the last strip and the
     * directory, and is where a full disk shows. */
    if (!TIFFFlush(tif)) {
        sn_log(4, NULL, "tiff_write", __LINE__, "TIFFFlush FAILED! %s\n", path);
        return abandon(tif);
    }
    TIFFClose(tif);
    return 0;
}

int tiff_write(sn_image_t *image, const char *path, int first, int last,
               const sn_image_write_params_t *params)
{
    if (!image || !path) {
        sn_log(4, NULL, "tiff_write", __LINE__, "image or path is null\n");
        return -1;
    }
    /* Read access too: libtiff reads back what it wrote. */
    int fd = open(path, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        sn_log(4, NULL, "tiff_write", __LINE__, "TIFFOpen FAILED!\n");
        return -1;
    }
    int failed = tiff_write_fd(image, fd, path, first, last, params) != 0;
    if (close(fd) != 0 && !failed) {
        sn_log(4, NULL, "tiff_write", __LINE__, "close FAILED! %s\n", path);
        failed = 1;
    }
    if (failed) {
        snimage_remove_partial(path);
        return -1;
    }
    return 0;
}

} // namespace

snimage_iformat_t snimage_tiff_iformat = {
    SN_IMAGE_FORMAT_TIFF, "tiff,tif", tiff_probe, tiff_read_header,
    tiff_read_frames,     tiff_close, nullptr};
snimage_oformat_t snimage_tiff_oformat = {SN_IMAGE_FORMAT_TIFF, "tiff,tif", tiff_write,
                                          tiff_write_fd, nullptr};
