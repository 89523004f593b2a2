/*
 * sn_image: the in-memory picture (frames of 32-bit pixels), the pixel byte
 * layout, the colour text, the frame-size check, and the geometric primitives
 * (crop, padding, resize, rotate). Loading, saving and format ids too.
 */
#ifndef SN_IMAGE_H
#define SN_IMAGE_H

#include <stddef.h>
#include <stdint.h>

/* A pixel is four bytes in memory: alpha, red, green, blue. Read as a
 * little-endian word it is 0xBBGGRRAA, so alpha is the lowest byte. */
#define SN_PIXEL_A(p) ((uint32_t)(p)&0xFFu)
#define SN_PIXEL_R(p) (((uint32_t)(p) >> 8) & 0xFFu)
#define SN_PIXEL_G(p) (((uint32_t)(p) >> 16) & 0xFFu)
#define SN_PIXEL_B(p) (((uint32_t)(p) >> 24) & 0xFFu)
#define SN_PIXEL(a, r, g, b)                                                                       \
    ((uint32_t)(a) | ((uint32_t)(r) << 8) | ((uint32_t)(g) << 16) | ((uint32_t)(b) << 24))
#define SN_COLOR_IS_OPAQUE(word) (SN_PIXEL_A(word) == 0xFFu)

/* Largest frame buffer the system allocates: 2^31 - 1 bytes. */
#define SN_IMAGE_MAX_FRAME_BYTES ((size_t)0x7FFFFFFF)

/* Format ids. */
#define SN_IMAGE_FORMAT_UNKNOWN 0
#define SN_IMAGE_FORMAT_MEMORY 1
#define SN_IMAGE_FORMAT_BMP 2
#define SN_IMAGE_FORMAT_JPEG 3
#define SN_IMAGE_FORMAT_GIF 4
#define SN_IMAGE_FORMAT_PNG 5
#define SN_IMAGE_FORMAT_TIFF 6
#define SN_IMAGE_FORMAT_TGA 7
#define SN_IMAGE_FORMAT_RAW 18

typedef struct sn_image_frame {
    uint32_t **rows;  /* height pointers into pixels; set means allocated */
    uint32_t *pixels; /* width * height pixels, top row first, no padding */
} sn_image_frame_t;

struct snimage_iformat;
struct snimage_reader;

typedef struct sn_image {
    int format; /* id of the file format it was read from; 0 when made in memory */
    int width;
    int height;
    int frame_count;
    int has_alpha; /* 1 when pixels may be other than opaque */
    sn_image_frame_t *frames;
    const struct snimage_iformat *input_format;
    struct snimage_reader *reader;
} sn_image_t;

typedef struct sn_image_write_params {
    int quality;     /* 0-100, JPEG */
    int bits;        /* 32 with alpha, else 24; informative */
    int reserved;    /* 0 */
    int transparent; /* non-zero asks for an RGBA PNG */
} sn_image_write_params_t;

int sn_image_init(void);
void sn_image_uninit(void);

sn_image_t *sn_image_create(int width, int height, int frame_count);
sn_image_t *sn_image_clone(const sn_image_t *image);
void sn_image_destroy(sn_image_t *image);
int sn_image_allocate_frame(sn_image_t *image, int index);
void sn_image_free_frame(sn_image_t *image, int index);
uint32_t **sn_image_get_frame(const sn_image_t *image, int index);

int snimage_allocate_frame(sn_image_frame_t *frame, int width, int height);

/* The memory of frames and of Leptonica's pixel buffers: malloc blocks, with
 * large ones kept for reuse on a thread that enabled its cache. */
void *snimage_block_alloc(size_t bytes);
void snimage_block_free(void *block);
/* A worker thread keeps the large blocks it frees for its next photo; others
 * free them at once. Release gives back what the calling thread keeps (and
 * malloc's free pages) and is called when the worker goes idle. */
void sn_image_cache_enable(void);
void sn_image_cache_release(void);
void snimage_free_frame(sn_image_frame_t *frame);

/* Exactly Leptonica's pixScale at 2^-halvings (halvings 1 to 4) on the colour
 * of a frame of width x height, both at least 2^halvings; alpha averaged and
 * not sharpened unless has_alpha is 0 (then opaque). out holds
 * (width >> halvings) x (height >> halvings) pixels. */
int snimage_scale_halves(const uint32_t *pixels, int width, int height, int has_alpha, int halvings,
                         uint32_t *out);

/* The one frame-size check: width and height > 0 and width * height * 4 within
 * SN_IMAGE_MAX_FRAME_BYTES, computed without overflow. On failure it logs
 * "frame size FAILED! width:%d, height:%d\n" under the caller's function name
 * and returns -1; on success stores the byte count when bytes is not null. */
int sn_image_check_size(const char *function, int width, int height, size_t *bytes);

/* Multiplies a * b into *out; -1 on overflow. For every size computed from
 * untrusted numbers. */
int sn_size_mul(size_t a, size_t b, size_t *out);

int sn_image_crop(sn_image_t *image, int left, int top, int width, int height);
int sn_image_padding(sn_image_t *image, int left, int top, int right, int bottom, uint32_t color);
int sn_image_resize(sn_image_t *image, int width, int height);
int sn_image_rotate(sn_image_t *image, double angle, uint32_t fill);
/* The pixels of the largest picture sn_image_rotate makes while it turns a
 * width x height frame by angle (for a free turn, its canvas: the turned
 * bounding box with its margin), computed before anything is allocated, so
 * that a caller can bound a turn. width x height for a quarter turn or none;
 * 0 for a frame without pixels or an angle that is no number. */
size_t sn_image_rotation_pixels(int width, int height, double angle);
/* The size sn_image_rotate gives a width x height frame turned by angle,
 * computed from the numbers alone. 0; -1 for a frame without pixels or an
 * angle that is no number. */
int sn_image_rotation_size(int width, int height, double angle, int64_t *out_width,
                           int64_t *out_height);
/* A bound, in pixel bytes, on what sn_image_rotate and sn_image_resize may
 * make on this thread (0: none); sn_image_growth_refused says whether a turn
 * or a resize since was refused for it. */
void sn_image_set_growth_bound(size_t bytes);
bool sn_image_growth_refused(void);

/* Colour text "0x%02X%02X%02X%02X" of blue, green, red, alpha: the word of a
 * pixel printed in hex. Parse: base-16 conversion of the whole text; -1 for
 * null, empty or trailing garbage. */
int sn_color_parse(const char *text, uint32_t *word);
void sn_color_format(uint32_t word, char text[11]);

/* Loading, saving and format ids. */
sn_image_t *sn_image_create_from_file(const char *path, int last);
int sn_image_guess_format(const char *path);
int sn_image_save(sn_image_t *image, const char *path, int format,
                  const sn_image_write_params_t *params);
/* Saves into fd, an empty file the caller created for reading and writing
 * and still owns; the format by id, or by name's extension for 0. name only
 * labels the messages: nothing is opened by it. 0 / -1. */
int sn_image_save_fd(sn_image_t *image, int fd, const char *name, int format,
                     const sn_image_write_params_t *params);
const char *sn_image_format_name(int id);
const char *sn_image_format_ext(int id);
int sn_image_format_from_name(const char *name);

#endif
