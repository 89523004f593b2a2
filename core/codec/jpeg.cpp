/*
 * JPEG codec over libjpeg-turbo with its stdio source and destination:
 * probe, header, the single frame, close, and the RGB writer.
 * libjpeg-turbo's extended colour spaces move pixels straight between the
 * library and the frame rows (bytes alpha, red, green, blue), with no row copy.
 *
 *   jpeg_probe           first bytes 0xFF 0xD8
 *   sn_jpeg_read_header  opens the file, reads the header, keeps the state
 *   sn_jpeg_read_frames  decodes into frame 0
 *   jpeg_close           releases the state
 *   sn_jpeg_write        writes frame 0 as a 3-component JPEG
 *   sn_jpeg_write_fd     the same into a descriptor the caller holds
 */
#include "image/sn_image_codec.h"
#include "base/sn_log.h"

#include <setjmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <jpeglib.h>
#include <jerror.h>

#include <memory>

namespace
{

/* The library's errors jump back to the function that called it (each one
 * that calls in sets the jump buffer first); its messages go to the log. */
struct jpeg_fail_mgr {
    struct jpeg_error_mgr pub;
    jmp_buf jump;
    const char *function; /* the adapter operation now calling the library */
};

void jpeg_log_message(j_common_ptr cinfo, unsigned level, const char *what)
{
    jpeg_fail_mgr *mgr = (jpeg_fail_mgr *)cinfo->err;
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    sn_log(level, NULL, mgr->function, __LINE__, "%s%s\n", what, text);
}

[[noreturn]] void jpeg_fail_exit(j_common_ptr cinfo)
{
    jpeg_log_message(cinfo, 4, "libjpeg FAILED! ");
    longjmp(((jpeg_fail_mgr *)cinfo->err)->jump, 1);
}

void jpeg_fail_output(j_common_ptr cinfo)
{
    jpeg_log_message(cinfo, 3, "libjpeg: ");
}

/* The library's warnings that mean picture data is missing or damaged. */
bool jpeg_warning_loses_data(int code)
{
    switch (code) {
    case JWRN_JPEG_EOF:       /* the file ends inside the picture */
    case JWRN_HIT_MARKER:     /* a data segment ends early */
    case JWRN_MUST_RESYNC:    /* a restart marker is missing or misplaced */
    case JWRN_HUFF_BAD_CODE:  /* the entropy-coded data is corrupt */
    case JWRN_ARITH_BAD_CODE: /* likewise, arithmetic coding */
        return true;
    default:
        return false;
    }
}

void jpeg_fail_emit(j_common_ptr cinfo, int msg_level)
{
    struct jpeg_error_mgr *err = cinfo->err;
    if (msg_level >= 0) {
        if (err->trace_level >= msg_level)
            (*err->output_message)(cinfo);
        return;
    }
    /* The library pads what it cannot decode with grey and goes on: a file
     * that ends early, a scan cut short before an end marker (a header of
     * 23170 x 23170 over a few hundred bytes of data decodes 2 GB of grey in
     * seconds), a marker in the middle of the data, a broken code. Those
     * would be written by the batch as if whole, so each one ends the read at
     * once. Extra bytes between segments lose nothing and stay a warning. */
    if (jpeg_warning_loses_data(err->msg_code)) {
        jpeg_log_message(cinfo, 4, "corrupt data FAILED! ");
        longjmp(((jpeg_fail_mgr *)err)->jump, 1);
    }
    if (err->num_warnings++ == 0)
        (*err->output_message)(cinfo);
}

void jpeg_fail_init(jpeg_fail_mgr *mgr, const char *function)
{
    jpeg_std_error(&mgr->pub);
    mgr->pub.error_exit = jpeg_fail_exit;
    mgr->pub.emit_message = jpeg_fail_emit;
    mgr->pub.output_message = jpeg_fail_output;
    mgr->function = function;
}

/* Real encoders write a few dozen progressive scans at most, but each scan
 * costs a pass over the whole picture's coefficients, so a small file that
 * repeats one tiny scan thousands of times would keep a worker busy for
 * minutes. libjpeg-turbo's own tools stop at the same count. */
const int k_jpeg_max_scans = 500;

void jpeg_scan_limit(j_common_ptr common)
{
    j_decompress_ptr cinfo = (j_decompress_ptr)common;
    jpeg_fail_mgr *mgr = (jpeg_fail_mgr *)common->err;
    /* A worker asked to stop (the program is ending) does not finish the
     * seconds of a large photo's decode first; its caller drops the file. */
    if (snimage_stopped(mgr->function, "decode"))
        longjmp(mgr->jump, 1);
    if (cinfo->input_scan_number <= k_jpeg_max_scans)
        return;
    sn_log(4, NULL, mgr->function, __LINE__, "too many scans FAILED! scans:%d, limit:%d\n",
           cinfo->input_scan_number, k_jpeg_max_scans);
    longjmp(mgr->jump, 1);
}

struct jpeg_read_state {
    struct jpeg_decompress_struct cinfo;
    jpeg_fail_mgr err;
    struct jpeg_progress_mgr progress;
    FILE *fp;
};

void jpeg_state_free(jpeg_read_state *state)
{
    if (!state)
        return;
    jpeg_destroy_decompress(&state->cinfo);
    if (state->fp)
        fclose(state->fp);
    free(state);
}

struct jpeg_state_deleter {
    void operator()(jpeg_read_state *state) const
    {
        jpeg_state_free(state);
    }
};
typedef std::unique_ptr<jpeg_read_state, jpeg_state_deleter> jpeg_state_ptr;

int jpeg_probe(snimage_reader_t *reader, const unsigned char *bytes, int count)
{
    if (!bytes || count < 2)
        return -1;
    return bytes[0] == 0xFF && bytes[1] == 0xD8 ? 0 : -1;
}

/* The library calls of the header read; nothing here has a destructor, so
 * that the error jump skips no clean-up. */
int jpeg_header_calls(jpeg_read_state *state)
{
    state->err.function = "sn_jpeg_read_header";
    if (setjmp(state->err.jump))
        return -1;
    jpeg_create_decompress(&state->cinfo);
    /* The library's own buffers (a progressive file's coefficients) are
     * capped like every frame; beyond that it fails instead of allocating. */
    state->cinfo.mem->max_memory_to_use = (long)SN_IMAGE_MAX_FRAME_BYTES;
    state->progress.progress_monitor = jpeg_scan_limit;
    state->cinfo.progress = &state->progress;
    jpeg_stdio_src(&state->cinfo, state->fp);
    jpeg_read_header(&state->cinfo, TRUE);
    return 0;
}

int sn_jpeg_read_header(snimage_reader_t *reader)
{
    if (!reader || !reader->path || !reader->owner) {
        sn_log(4, NULL, "sn_jpeg_read_header", __LINE__, "reader is null\n");
        return -1;
    }
    jpeg_read_state *raw = (jpeg_read_state *)calloc(1, sizeof(jpeg_read_state));
    if (!raw)
        return -1;
    jpeg_fail_init(&raw->err, "sn_jpeg_read_header");
    /* The error manager must be in place before the object exists, so that
     * the deleter can always destroy it (destroying a zeroed object is a
     * no-op). */
    raw->cinfo.err = &raw->err.pub;
    jpeg_state_ptr state(raw);

    state->fp = snimage_reader_open_file(reader);
    if (!state->fp) {
        sn_log(4, NULL, "sn_jpeg_read_header", __LINE__, "fopen FAILED! %s\n", reader->path);
        return -1;
    }
    if (jpeg_header_calls(state.get()) != 0)
        return -1;
    const struct jpeg_decompress_struct &cinfo = state->cinfo;
    if (cinfo.image_width > 0x7FFFFFFFu || cinfo.image_height > 0x7FFFFFFFu ||
        sn_image_check_size("sn_jpeg_read_header", (int)cinfo.image_width, (int)cinfo.image_height,
                            NULL) != 0)
        return -1;

    /* Huffman coding spends at least one bit on the DC of every block of
     * the first component (a progressive file in its first DC scan), so a
     * file of n bytes holds at most 8 n of its blocks. A header that claims
     * more (23170 x 23170 over a few hundred bytes) cannot be decoded whole:
     * refusing it here spares the frame and the library's coefficient
     * buffers. Arithmetic coding has no such floor. */
    struct stat st;
    const jpeg_component_info *first = &cinfo.comp_info[0];
    const size_t blocks = (size_t)first->width_in_blocks * (size_t)first->height_in_blocks;
    if (!cinfo.arith_code &&
        (fstat(fileno(state->fp), &st) != 0 || blocks / 8 > (size_t)st.st_size)) {
        sn_log(4, NULL, "sn_jpeg_read_header", __LINE__,
               "image size FAILED! width:%d, height:%d, file bytes:%lld\n", (int)cinfo.image_width,
               (int)cinfo.image_height, (long long)st.st_size);
        return -1;
    }

    sn_image_t *image = reader->owner;
    image->format = SN_IMAGE_FORMAT_JPEG;
    image->width = (int)cinfo.image_width;
    image->height = (int)cinfo.image_height;
    image->frame_count = 1;
    image->input_format = &snimage_jpeg_iformat;
    reader->codec_state = state.release();
    return 0;
}

/* Starts decompression to A,R,G,B, the frame's byte layout (grey files
 * included). A progressive file is read whole here, so a truncated one fails
 * before any frame memory is taken. */
int jpeg_start_calls(jpeg_read_state *state, int width)
{
    struct jpeg_decompress_struct *cinfo = &state->cinfo;
    state->err.function = "sn_jpeg_read_frames";
    if (setjmp(state->err.jump))
        return -1;
    cinfo->out_color_space = JCS_EXT_ARGB;
    cinfo->scale_num = 1;
    cinfo->scale_denom = 1;
    jpeg_start_decompress(cinfo);
    sn_log(1, NULL, "sn_jpeg_read_frames", __LINE__, "output_width:%d, output_components:%d\n",
           (int)cinfo->output_width, cinfo->output_components);
    if (cinfo->output_components != 4 || (int)cinfo->output_width != width) {
        sn_log(4, NULL, "sn_jpeg_read_frames", __LINE__,
               "unexpected output FAILED! width:%d, components:%d\n", (int)cinfo->output_width,
               cinfo->output_components);
        return -1;
    }
    return 0;
}

/* Decompresses straight into the frame rows, several per call so that the
 * upsampler hands over whole row groups. */
int jpeg_rows_calls(jpeg_read_state *state, sn_image_frame_t *frame, int height)
{
    struct jpeg_decompress_struct *cinfo = &state->cinfo;
    if (setjmp(state->err.jump))
        return -1;
    unsigned limit =
        cinfo->output_height < (unsigned)height ? cinfo->output_height : (unsigned)height;
    while (cinfo->output_scanline < limit) {
        JSAMPARRAY rows = (JSAMPARRAY)&frame->rows[cinfo->output_scanline];
        if (jpeg_read_scanlines(cinfo, rows, limit - cinfo->output_scanline) == 0) {
            sn_log(4, NULL, "sn_jpeg_read_frames", __LINE__, "read_scanlines FAILED! row:%u\n",
                   cinfo->output_scanline);
            return -1;
        }
    }
    if (cinfo->output_scanline < cinfo->output_height)
        jpeg_abort_decompress(cinfo);
    else
        jpeg_finish_decompress(cinfo);
    return 0;
}

int sn_jpeg_read_frames(snimage_reader_t *reader, int first, int last)
{
    if (!reader || !reader->owner || !reader->codec_state) {
        sn_log(4, NULL, "sn_jpeg_read_frames", __LINE__, "reader holds no state\n");
        return -1;
    }
    if (first != 0 || (last != 0 && last != -1)) {
        sn_log(4, NULL, "sn_jpeg_read_frames", __LINE__, "frames FAILED! first:%d, last:%d\n",
               first, last);
        return -1;
    }
    sn_image_t *image = reader->owner;
    if (!image->frames || image->frame_count < 1) {
        sn_log(4, NULL, "sn_jpeg_read_frames", __LINE__, "image has no frame array\n");
        return -1;
    }
    jpeg_read_state *state = (jpeg_read_state *)reader->codec_state;
    /* After a library error the object is mid-decode; abort returns it to a
     * state that close can destroy. */
    if (jpeg_start_calls(state, image->width) != 0) {
        jpeg_abort_decompress(&state->cinfo);
        return -1;
    }
    sn_image_frame_t frame = {NULL, NULL};
    if (snimage_allocate_frame(&frame, image->width, image->height) != 0) {
        sn_log(4, NULL, "sn_jpeg_read_frames", __LINE__,
               "snimage_alloc_frame FAILED! width:%d, height:%d\n", image->width, image->height);
        jpeg_abort_decompress(&state->cinfo);
        return -1;
    }
    if (jpeg_rows_calls(state, &frame, image->height) != 0) {
        jpeg_abort_decompress(&state->cinfo);
        snimage_free_frame(&frame);
        return -1;
    }
    image->frames[0] = frame;
    image->has_alpha = 0;
    return 0;
}

int jpeg_close(snimage_reader_t *reader)
{
    if (!reader || !reader->codec_state)
        return -1;
    jpeg_state_free((jpeg_read_state *)reader->codec_state);
    return 0;
}

struct jpeg_write_job {
    struct jpeg_compress_struct cinfo;
    jpeg_fail_mgr err;
};

const JDIMENSION k_jpeg_write_rows = 64;

/* The library calls of the writer, jump buffer first. The frame rows go in as
 * A,R,G,B; the file still holds three components. */
int jpeg_compress_calls(jpeg_write_job *job, FILE *fp, uint32_t **rows, int width, int height,
                        int quality)
{
    struct jpeg_compress_struct *cinfo = &job->cinfo;
    if (setjmp(job->err.jump))
        return -1;
    jpeg_create_compress(cinfo);
    jpeg_stdio_dest(cinfo, fp);
    cinfo->image_width = (JDIMENSION)width;
    cinfo->image_height = (JDIMENSION)height;
    cinfo->input_components = 4;
    cinfo->in_color_space = JCS_EXT_ARGB;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, quality, TRUE);
    jpeg_start_compress(cinfo, TRUE);
    /* A few rows per call, so that a worker asked to stop gives up a large
     * photo's encode within moments. */
    while (cinfo->next_scanline < cinfo->image_height) {
        if (snimage_stopped("sn_jpeg_write", "encode"))
            return -1;
        JSAMPARRAY at = (JSAMPARRAY)&rows[cinfo->next_scanline];
        JDIMENSION left = cinfo->image_height - cinfo->next_scanline;
        jpeg_write_scanlines(cinfo, at, left < k_jpeg_write_rows ? left : k_jpeg_write_rows);
    }
    jpeg_finish_compress(cinfo);
    return 0;
}

int sn_jpeg_write_fd(sn_image_t *image, int fd, const char *path, int, int,
                     const sn_image_write_params_t *params)
{
    if (!image || fd < 0 || !image->frames || image->frame_count < 1 || !image->frames[0].rows) {
        sn_log(4, NULL, "sn_jpeg_write", __LINE__, "image or path is null\n");
        return -1;
    }
    if (sn_image_check_size("sn_jpeg_write", image->width, image->height, NULL) != 0)
        return -1;
    int quality = params ? params->quality : 90;

    FILE *fp = snimage_output_stream(fd, path, "sn_jpeg_write");
    if (!fp)
        return -1;
    jpeg_write_job *job = (jpeg_write_job *)calloc(1, sizeof(jpeg_write_job));
    if (!job) {
        sn_log(4, NULL, "sn_jpeg_write", __LINE__, "malloc FAILED! size:%zu\n",
               sizeof(jpeg_write_job));
        fclose(fp);
        return -1;
    }
    jpeg_fail_init(&job->err, "sn_jpeg_write");
    job->cinfo.err = &job->err.pub;
    int rc =
        jpeg_compress_calls(job, fp, image->frames[0].rows, image->width, image->height, quality);
    jpeg_destroy_compress(&job->cinfo);
    free(job);
    if (rc != 0) {
        fclose(fp);
        return -1;
    }
    return snimage_finish_output(fp, path, "sn_jpeg_write");
}

int sn_jpeg_write(sn_image_t *image, const char *path, int first, int last,
                  const sn_image_write_params_t *params)
{
    return snimage_write_path(image, path, first, last, params, sn_jpeg_write_fd, "sn_jpeg_write");
}

} // namespace

snimage_iformat_t snimage_jpeg_iformat = {
    SN_IMAGE_FORMAT_JPEG, "jpeg,jpg", jpeg_probe, sn_jpeg_read_header,
    sn_jpeg_read_frames,  jpeg_close, nullptr};
snimage_oformat_t snimage_jpeg_oformat = {SN_IMAGE_FORMAT_JPEG, "jpeg,jpg", sn_jpeg_write,
                                          sn_jpeg_write_fd, nullptr};
