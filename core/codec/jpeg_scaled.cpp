/*
 * sn_jpeg_load_scaled: a JPEG decoded at a reduced DCT scale, for the file
 * list's thumbnails and previews. Leans on libjpeg-turbo's scale_num /
 * scale_denom, which skips most of the inverse DCT work for small outputs.
 * The guards of the full reader are kept: errors and truncation fail the
 * read, progressive scans are capped, the library's memory is capped.
 */
#include "codec/sn_jpeg_scaled.h"
#include "base/sn_log.h"

#include <fcntl.h>
#include <setjmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <jpeglib.h>
#include <jerror.h>

namespace
{

const char k_function[] = "sn_jpeg_load_scaled";

/* The same ceiling as the full reader: enough for any real encoder, and it
 * stops a small file that repeats one scan thousands of times. */
const int k_max_scans = 500;

struct scaled_fail_mgr {
    struct jpeg_error_mgr pub;
    jmp_buf jump;
};

void scaled_log(j_common_ptr cinfo, unsigned level, const char *what)
{
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    sn_log(level, NULL, k_function, __LINE__, "%s%s\n", what, text);
}

[[noreturn]] void scaled_exit(j_common_ptr cinfo)
{
    scaled_log(cinfo, 4, "libjpeg FAILED! ");
    longjmp(((scaled_fail_mgr *)cinfo->err)->jump, 1);
}

void scaled_output(j_common_ptr cinfo)
{
    scaled_log(cinfo, 3, "libjpeg: ");
}

void scaled_emit(j_common_ptr cinfo, int msg_level)
{
    struct jpeg_error_mgr *err = cinfo->err;
    if (msg_level >= 0) {
        if (err->trace_level >= msg_level)
            (*err->output_message)(cinfo);
        return;
    }
    /* A truncated file would otherwise be padded into a half-grey picture. */
    if (err->msg_code == JWRN_JPEG_EOF) {
        scaled_log(cinfo, 4, "truncated file FAILED! ");
        longjmp(((scaled_fail_mgr *)err)->jump, 1);
    }
    if (err->num_warnings++ == 0)
        (*err->output_message)(cinfo);
}

void scaled_scan_limit(j_common_ptr common)
{
    j_decompress_ptr cinfo = (j_decompress_ptr)common;
    if (cinfo->input_scan_number <= k_max_scans)
        return;
    sn_log(4, NULL, k_function, __LINE__, "too many scans FAILED! scans:%d, limit:%d\n",
           cinfo->input_scan_number, k_max_scans);
    longjmp(((scaled_fail_mgr *)common->err)->jump, 1);
}

/* Everything the library touches lives here, so that the jump back from an
 * error skips no destructor. */
struct scaled_job {
    struct jpeg_decompress_struct cinfo;
    scaled_fail_mgr err;
    struct jpeg_progress_mgr progress;
    FILE *fp;
    sn_image_t *image;
    int full_width;
    int full_height;
};

/* Smallest n/8 whose output covers the box; 8/8 when none does. */
void choose_scale(struct jpeg_decompress_struct *cinfo, int min_width, int min_height)
{
    cinfo->scale_denom = 8;
    for (unsigned n = 1; n <= 8; n++) {
        cinfo->scale_num = n;
        jpeg_calc_output_dimensions(cinfo);
        if ((int)cinfo->output_width >= min_width && (int)cinfo->output_height >= min_height)
            return;
    }
}

int scaled_calls(scaled_job *job, int min_width, int min_height)
{
    struct jpeg_decompress_struct *cinfo = &job->cinfo;
    if (setjmp(job->err.jump))
        return -1;
    jpeg_create_decompress(cinfo);
    cinfo->mem->max_memory_to_use = (long)SN_IMAGE_MAX_FRAME_BYTES;
    job->progress.progress_monitor = scaled_scan_limit;
    cinfo->progress = &job->progress;
    jpeg_stdio_src(cinfo, job->fp);
    jpeg_read_header(cinfo, TRUE);
    if (cinfo->image_width > 0x7FFFFFFFu || cinfo->image_height > 0x7FFFFFFFu) {
        sn_log(4, NULL, k_function, __LINE__, "size FAILED! width:%u, height:%u\n",
               cinfo->image_width, cinfo->image_height);
        return -1;
    }
    job->full_width = (int)cinfo->image_width;
    job->full_height = (int)cinfo->image_height;
    cinfo->out_color_space = JCS_EXT_ARGB;
    choose_scale(cinfo, min_width, min_height);
    jpeg_start_decompress(cinfo);
    int width = (int)cinfo->output_width, height = (int)cinfo->output_height;
    if (cinfo->output_components != 4 || sn_image_check_size(k_function, width, height, NULL) != 0)
        return -1;

    job->image = sn_image_create(width, height, 1);
    if (!job->image || sn_image_allocate_frame(job->image, 0) != 0) {
        sn_log(4, NULL, k_function, __LINE__, "image FAILED! width:%d, height:%d\n", width, height);
        return -1;
    }
    uint32_t **rows = sn_image_get_frame(job->image, 0);
    while (cinfo->output_scanline < cinfo->output_height) {
        JSAMPARRAY at = (JSAMPARRAY)&rows[cinfo->output_scanline];
        if (jpeg_read_scanlines(cinfo, at, cinfo->output_height - cinfo->output_scanline) == 0) {
            sn_log(4, NULL, k_function, __LINE__, "read_scanlines FAILED! row:%u\n",
                   cinfo->output_scanline);
            return -1;
        }
    }
    jpeg_finish_decompress(cinfo);
    return 0;
}

} // namespace

sn_image_t *sn_jpeg_load_scaled(const char *path, int min_width, int min_height, int *full_width,
                                int *full_height)
{
    if (!path || min_width < 0 || min_height < 0) {
        sn_log(4, NULL, k_function, __LINE__, "invalid arguments FAILED!\n");
        return nullptr;
    }
    scaled_job *job = (scaled_job *)calloc(1, sizeof *job);
    if (!job) {
        sn_log(4, NULL, k_function, __LINE__, "malloc FAILED! size:%zu\n", sizeof *job);
        return nullptr;
    }
    /* Opened without blocking and checked for a regular file, as every
     * reader does: a named pipe would hold the thumbnail worker forever. */
    struct stat st;
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !(job->fp = fdopen(fd, "rb"))) {
        sn_log(4, NULL, k_function, __LINE__, "open FAILED! %s\n", path);
        if (fd >= 0)
            close(fd);
        free(job);
        return nullptr;
    }
    jpeg_std_error(&job->err.pub);
    job->err.pub.error_exit = scaled_exit;
    job->err.pub.emit_message = scaled_emit;
    job->err.pub.output_message = scaled_output;
    job->cinfo.err = &job->err.pub;

    int rc = scaled_calls(job, min_width, min_height);
    /* Destroying also ends a decode that an error left half way. */
    jpeg_destroy_decompress(&job->cinfo);
    fclose(job->fp);
    sn_image_t *image = job->image;
    if (rc != 0) {
        sn_image_destroy(image);
        image = nullptr;
    } else {
        image->format = SN_IMAGE_FORMAT_JPEG;
        image->has_alpha = 0;
        if (full_width)
            *full_width = job->full_width;
        if (full_height)
            *full_height = job->full_height;
    }
    free(job);
    return image;
}
