/*
 * PNG codec over libpng: probe, header, the single frame, close, and the
 * RGB/RGBA writer. libpng's transformations deliver every file as 8-bit
 * A,R,G,B rows, the frame's own byte layout, so rows go straight into the frame.
 *
 *   png_probe         the signature in the first four bytes
 *   png_read_header   opens the file, reads up to the image data, sets up the
 *                     transformations, keeps the state
 *   png_read_frames   decodes the whole picture into frame 0
 *   png_close         releases the state
 *   png_write         writes frame 0 as 8-bit RGB, or RGBA with alpha
 *   png_write_fd      the same into a descriptor the caller holds
 */
#include "image/sn_image_codec.h"
#include "base/sn_log.h"

#include <setjmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <png.h>

#include <memory>

namespace
{

/* libpng's errors and warnings go to the log under the name of the adapter
 * operation that called it (the error pointer), then errors jump back. */
[[noreturn]] void png_fail_error(png_structp png, png_const_charp message)
{
    const char *function = (const char *)png_get_error_ptr(png);
    sn_log(4, NULL, function ? function : "png", __LINE__, "libpng FAILED! %s\n",
           message ? message : "");
    png_longjmp(png, 1);
}

void png_fail_warning(png_structp png, png_const_charp message)
{
    const char *function = (const char *)png_get_error_ptr(png);
    sn_log(3, NULL, function ? function : "png", __LINE__, "libpng: %s\n", message ? message : "");
}

/* The largest chunk the reader keeps (a 256-entry palette or tRNS is under
 * 1 KiB), and how many ancillary chunks libpng may store at all. */
const png_alloc_size_t k_png_chunk_max = (png_alloc_size_t)4 << 20;
const png_uint_32 k_png_chunk_cache = 128;

struct png_read_state {
    png_structp png;
    png_infop info;
    png_uint_32 width;
    png_uint_32 height;
    int bit_depth;
    int color_type;
    int interlace_type;
    int has_alpha;
    FILE *fp;
};

void png_state_free(png_read_state *state)
{
    if (!state)
        return;
    if (state->png)
        png_destroy_read_struct(&state->png, state->info ? &state->info : NULL, NULL);
    if (state->fp)
        fclose(state->fp);
    free(state);
}

struct png_state_deleter {
    void operator()(png_read_state *state) const
    {
        png_state_free(state);
    }
};
typedef std::unique_ptr<png_read_state, png_state_deleter> png_state_ptr;

int png_probe(snimage_reader_t *reader, const unsigned char *bytes, int count)
{
    if (!bytes || count < 4)
        return -1;
    return png_sig_cmp((png_const_bytep)bytes, 0, 4) == 0 ? 0 : -1;
}

/* The library calls of the header read; nothing here has a destructor, so
 * that the error jump skips no clean-up. */
int png_header_calls(png_read_state *s)
{
    png_structp png = s->png;
    png_infop info = s->info;
    if (setjmp(png_jmpbuf(png))) {
        sn_log(4, NULL, "png_read_header", __LINE__, "setjmp png_jmpbuf FAILED!\n");
        return -1;
    }
    png_init_io(png, s->fp);
    png_set_sig_bytes(png, 0);
    /* A text or palette-suggestion chunk may claim a length near 2 GiB;
     * libpng only warns about a length past its limit and then allocates and
     * clears that much before it finds the file short. None of those chunks
     * is used here: every ancillary chunk but tRNS is skipped unread (a
     * skipped chunk is passed over in small reads, never buffered), and the
     * limits bound what is still kept. */
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, NULL, -1);
    png_set_chunk_malloc_max(png, k_png_chunk_max);
    png_set_chunk_cache_max(png, k_png_chunk_cache);
    png_read_info(png, info);
    png_get_IHDR(png, info, &s->width, &s->height, &s->bit_depth, &s->color_type,
                 &s->interlace_type, NULL, NULL);
    sn_log(2, NULL, "png_read_header", __LINE__,
           "width:%d, height:%d, bit_depth:%d, color_type:%d, interlace_type:%d\n", (int)s->width,
           (int)s->height, s->bit_depth, s->color_type, s->interlace_type);
    /* libpng keeps both sides below 2^31; the frame cap is tighter, and is
     * checked before the library sizes anything for the image data. */
    if (sn_image_check_size("png_read_header", (int)s->width, (int)s->height, NULL) != 0)
        return -1;
    /* Deflate codes at most 258 bytes in two bits (1032 to 1), so a file of
     * n bytes holds at most about 1032 n bytes of rows (each with its filter
     * byte). A header that claims more cannot be decoded whole: refusing it
     * here spares a frame-sized allocation. */
    struct stat st;
    const double raw = (double)s->height * ((double)png_get_rowbytes(png, info) + 1.0);
    if (fstat(fileno(s->fp), &st) != 0 || raw / 1032.0 > (double)st.st_size + 1024.0) {
        sn_log(4, NULL, "png_read_header", __LINE__,
               "image size FAILED! width:%d, height:%d, file bytes:%lld\n", (int)s->width,
               (int)s->height, (long long)st.st_size);
        return -1;
    }

    int has_trns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    png_set_expand(png);
    if (s->bit_depth == 16)
        png_set_strip_16(png);
    if (s->color_type == PNG_COLOR_TYPE_GRAY || s->color_type == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    if (has_trns)
        png_set_tRNS_to_alpha(png);
    s->has_alpha = (s->color_type & PNG_COLOR_MASK_ALPHA) || has_trns;
    /* The frame's bytes are alpha first: move the alpha in front, or put an
     * opaque filler there. */
    if (s->has_alpha)
        png_set_swap_alpha(png);
    else
        png_set_filler(png, 0xFF, PNG_FILLER_BEFORE);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    /* Every transformed row must be exactly one frame row long. */
    if (png_get_bit_depth(png, info) != 8 || png_get_channels(png, info) != 4 ||
        png_get_rowbytes(png, info) != (size_t)s->width * 4) {
        sn_log(4, NULL, "png_read_header", __LINE__,
               "row layout FAILED! bit_depth:%d, channels:%d, rowbytes:%zu\n",
               png_get_bit_depth(png, info), png_get_channels(png, info),
               (size_t)png_get_rowbytes(png, info));
        return -1;
    }
    return 0;
}

int png_read_header(snimage_reader_t *reader)
{
    if (!reader || !reader->path || !reader->owner) {
        sn_log(4, NULL, "png_read_header", __LINE__, "reader is null\n");
        return -1;
    }
    png_state_ptr state((png_read_state *)calloc(1, sizeof(png_read_state)));
    if (!state)
        return -1;
    state->fp = snimage_reader_open_file(reader);
    if (!state->fp) {
        sn_log(4, NULL, "png_read_header", __LINE__, "fopen FAILED! %s\n", reader->path);
        return -1;
    }
    state->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, (png_voidp) "png_read_header",
                                        png_fail_error, png_fail_warning);
    if (!state->png) {
        sn_log(4, NULL, "png_read_header", __LINE__, "png_create_read_struct FAILED!\n");
        return -1;
    }
    state->info = png_create_info_struct(state->png);
    if (!state->info) {
        sn_log(4, NULL, "png_read_header", __LINE__, "png_create_info_struct FAILED!\n");
        return -1;
    }
    if (png_header_calls(state.get()) != 0)
        return -1;

    sn_image_t *image = reader->owner;
    image->format = SN_IMAGE_FORMAT_PNG;
    image->width = (int)state->width;
    image->height = (int)state->height;
    image->frame_count = 1;
    image->input_format = &snimage_png_iformat;
    reader->codec_state = state.release();
    return 0;
}

/* After every row, read or written: a worker asked to stop gives up a
 * large picture within moments. */
void png_read_row_done(png_structp png, png_uint_32, int)
{
    if (snimage_stopped("png_read_frames", "decode"))
        png_longjmp(png, 1);
}

void png_write_row_done(png_structp png, png_uint_32, int)
{
    if (snimage_stopped("png_write", "encode"))
        png_longjmp(png, 1);
}

/* png_read_image runs every interlace pass over the same rows, so an Adam7
 * file lands whole; reading it row by row would hand out partial passes. */
int png_decode_calls(png_read_state *s, sn_image_frame_t *frame)
{
    png_set_error_fn(s->png, (png_voidp) "png_read_frames", png_fail_error, png_fail_warning);
    if (setjmp(png_jmpbuf(s->png)))
        return -1;
    png_set_read_status_fn(s->png, png_read_row_done);
    png_read_image(s->png, (png_bytepp)frame->rows);
    png_read_end(s->png, NULL);
    return 0;
}

int png_read_frames(snimage_reader_t *reader, int first, int last)
{
    if (!reader || !reader->owner || !reader->codec_state) {
        sn_log(4, NULL, "png_read_frames", __LINE__, "reader holds no state\n");
        return -1;
    }
    if (first != 0 || (last != 0 && last != -1)) {
        sn_log(4, NULL, "png_read_frames", __LINE__, "frames FAILED! first:%d, last:%d\n", first,
               last);
        return -1;
    }
    sn_image_t *image = reader->owner;
    png_read_state *state = (png_read_state *)reader->codec_state;
    if (!image->frames || image->frame_count < 1 || (png_uint_32)image->width != state->width ||
        (png_uint_32)image->height != state->height) {
        sn_log(4, NULL, "png_read_frames", __LINE__, "image does not match its header\n");
        return -1;
    }
    sn_image_frame_t frame = {NULL, NULL};
    if (snimage_allocate_frame(&frame, image->width, image->height) != 0) {
        sn_log(4, NULL, "png_read_frames", __LINE__,
               "snimage_alloc_frame FAILED! width:%d, height:%d\n", image->width, image->height);
        return -1;
    }
    if (png_decode_calls(state, &frame) != 0) {
        snimage_free_frame(&frame);
        return -1;
    }
    image->frames[0] = frame;
    image->has_alpha = state->has_alpha;
    return 0;
}

int png_close(snimage_reader_t *reader)
{
    if (!reader || !reader->codec_state)
        return -1;
    png_state_free((png_read_state *)reader->codec_state);
    return 0;
}

/* The library calls of the writer, jump buffer first. The frame rows go in as
 * A,R,G,B: with alpha it is moved behind, without it the filler is dropped. */
int png_encode_calls(png_structp png, png_infop info, FILE *fp, uint32_t **rows, int width,
                     int height, int alpha)
{
    if (setjmp(png_jmpbuf(png)))
        return -1;
    png_init_io(png, fp);
    png_set_write_status_fn(png, png_write_row_done);
    png_set_IHDR(png, info, (png_uint_32)width, (png_uint_32)height, 8,
                 alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    if (alpha)
        png_set_swap_alpha(png);
    else
        png_set_filler(png, 0, PNG_FILLER_BEFORE);
    png_write_image(png, (png_bytepp)rows);
    png_write_end(png, NULL);
    return 0;
}

int png_write_fd(sn_image_t *image, int fd, const char *path, int, int,
                 const sn_image_write_params_t *params)
{
    if (!image || fd < 0 || !image->frames || image->frame_count < 1 || !image->frames[0].rows) {
        sn_log(4, NULL, "png_write", __LINE__, "image or path is null\n");
        return -1;
    }
    if (sn_image_check_size("png_write", image->width, image->height, NULL) != 0)
        return -1;
    int alpha = image->has_alpha || (params && params->transparent);

    FILE *fp = snimage_output_stream(fd, path, "png_write");
    if (!fp)
        return -1;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, (png_voidp) "png_write",
                                              png_fail_error, png_fail_warning);
    if (!png) {
        sn_log(4, NULL, "png_write", __LINE__, "png_create_write_struct FAILED!\n");
        fclose(fp);
        return -1;
    }
    png_infop info = png_create_info_struct(png);
    int rc = -1;
    if (info)
        rc = png_encode_calls(png, info, fp, image->frames[0].rows, image->width, image->height,
                              alpha);
    else
        sn_log(4, NULL, "png_write", __LINE__, "png_create_info_struct FAILED!\n");
    png_destroy_write_struct(&png, info ? &info : NULL);
    if (rc != 0) {
        fclose(fp);
        return -1;
    }
    return snimage_finish_output(fp, path, "png_write");
}

int png_write(sn_image_t *image, const char *path, int first, int last,
              const sn_image_write_params_t *params)
{
    return snimage_write_path(image, path, first, last, params, png_write_fd, "png_write");
}

} // namespace

snimage_iformat_t snimage_png_iformat = {SN_IMAGE_FORMAT_PNG, "png",     png_probe, png_read_header,
                                         png_read_frames,     png_close, nullptr};
snimage_oformat_t snimage_png_oformat = {SN_IMAGE_FORMAT_PNG, "png", png_write, png_write_fd,
                                         nullptr};
