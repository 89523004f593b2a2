/*
 * Geometric primitives on every frame of an image: sn_image_crop,
 * sn_image_padding, sn_image_resize (halves in one pass of its own, halfsize.cpp;
 * other factors on frames lent to Leptonica's pixScale without copying, alpha
 * scaled apart, steep reductions in steps that Leptonica can take)
 * and sn_image_rotate (pixRotateOrth for quarter turns, the program's own
 * 1/16-pixel area rotation for any other angle), with
 * sn_image_rotation_pixels and sn_image_rotation_size, what a turn will cost
 * and give before it is made.
 *
 * Each operation builds all new frames first and swaps them in only when every
 * one succeeded, so a failure leaves the image exactly as it was.
 */
#include "image/sn_image.h"
#include "base/sn_log.h"

#include <leptonica/allheaders.h>

#include <limits.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

#include <utility>

namespace
{

/* A Leptonica image owned by this scope. */
struct pix_holder {
    PIX *pix = nullptr;
    pix_holder() = default;
    explicit pix_holder(PIX *p) : pix(p) {}
    pix_holder(const pix_holder &) = delete;
    pix_holder &operator=(const pix_holder &) = delete;
    ~pix_holder()
    {
        if (pix)
            pixDestroy(&pix);
    }
};

/* A 32-bit header that borrows frame buffers. The buffer is always detached
 * before the header goes, so Leptonica never frees a frame's pixels. */
struct lent_header {
    PIX *pix = nullptr;
    lent_header(int width, int height) : pix(pixCreateHeader(width, height, 32)) {}
    lent_header(const lent_header &) = delete;
    lent_header &operator=(const lent_header &) = delete;
    ~lent_header()
    {
        if (pix) {
            pixSetData(pix, nullptr);
            pixDestroy(&pix);
        }
    }
    void lend(uint32_t *pixels)
    {
        pixSetData(pix, (l_uint32 *)pixels);
    }
};

/* New frames under construction; released unless committed. */
struct frame_set {
    sn_image_frame_t *frames = nullptr;
    int count = 0;
    explicit frame_set(int n) : count(n)
    {
        if (n > 0)
            frames = (sn_image_frame_t *)calloc((size_t)n, sizeof(sn_image_frame_t));
    }
    frame_set(const frame_set &) = delete;
    frame_set &operator=(const frame_set &) = delete;
    ~frame_set()
    {
        if (!frames)
            return;
        for (int i = 0; i < count; i++)
            snimage_free_frame(&frames[i]);
        free(frames);
    }
    bool ok() const
    {
        return count <= 0 || frames != nullptr;
    }
    /* Frees the image's old frames, moves the new ones in and sets the size. */
    void commit(sn_image_t *image, int width, int height)
    {
        for (int i = 0; i < count; i++) {
            if (!frames[i].rows)
                continue;
            snimage_free_frame(&image->frames[i]);
            image->frames[i] = frames[i];
            frames[i].rows = nullptr;
            frames[i].pixels = nullptr;
        }
        image->width = width;
        image->height = height;
    }
};

/* Takes over a 32-bit Leptonica image's buffer as a frame. Such an image has
 * one word per pixel and no row padding, exactly a frame's layout. The pix keeps
 * its buffer when the row array cannot be made. */
int adopt_pix(PIX *pix, sn_image_frame_t *frame, const char *function)
{
    l_int32 w = 0, h = 0, d = 0;
    pixGetDimensions(pix, &w, &h, &d);
    if (d != 32 || pixGetWpl(pix) != w || !pixGetData(pix)) {
        sn_log(4, NULL, function, __LINE__, "unexpected result FAILED! depth:%d, wpl:%d\n", d,
               pixGetWpl(pix));
        return -1;
    }
    if (sn_image_check_size(function, w, h, NULL) != 0)
        return -1;
    size_t row_bytes = (size_t)h * sizeof(uint32_t *);
    uint32_t **rows = (uint32_t **)malloc(row_bytes);
    if (!rows) {
        sn_log(4, NULL, function, __LINE__, "malloc FAILED! %zu\n", row_bytes);
        return -1;
    }
    uint32_t *pixels = (uint32_t *)pixGetData(pix);
    for (int y = 0; y < h; y++)
        rows[y] = pixels + (size_t)y * (size_t)w;
    pixSetData(pix, nullptr);
    frame->rows = rows;
    frame->pixels = pixels;
    return 0;
}

/* A new frame's memory is mapped on first touch, page by page, and a fault
 * can cost more than averaging the page's pixels: a 12-megapixel half size
 * wrote its 3000 fresh pages in three to four times the time it took to
 * compute them. Asking for huge pages over a large block leaves faults only
 * at its ends that miss a 2 MB boundary (under a third of them there). Only
 * advice: where the kernel declines, the pixels are the same. */
const size_t k_huge_page_advice_bytes = (size_t)4 << 20;

void advise_huge_pages(void *block, size_t bytes)
{
#if defined(MADV_HUGEPAGE)
    if (!block || bytes < k_huge_page_advice_bytes)
        return;
    long page = sysconf(_SC_PAGESIZE);
    if (page <= 0)
        return;
    uintptr_t start = ((uintptr_t)block + (uintptr_t)page - 1) & ~((uintptr_t)page - 1);
    uintptr_t end = ((uintptr_t)block + bytes) & ~((uintptr_t)page - 1);
    if (end > start && madvise((void *)start, end - start, MADV_HUGEPAGE) != 0)
        sn_log(1, NULL, "sn_image_resize", __LINE__, "madvise declined: %zu bytes\n",
               (size_t)(end - start));
#else
    (void)block;
    (void)bytes;
#endif
}

bool frame_is_opaque(const uint32_t *pixels, size_t count)
{
    /* Stops at the first row that holds a pixel that is not opaque. */
    const size_t step = 4096;
    for (size_t start = 0; start < count; start += step) {
        size_t end = start + step < count ? start + step : count;
        uint32_t all = 0xFFu;
        for (size_t i = start; i < end; i++)
            all &= pixels[i];
        if ((all & 0xFFu) != 0xFFu)
            return false;
    }
    return true;
}

/* Leptonica keeps 8-bit pixels big-endian within each 32-bit word: the first
 * pixel of a word is its highest byte. Whole words are packed at a time. */
void extract_alpha(const uint32_t *pixels, int width, int height, PIX *plane)
{
    l_uint32 *data = pixGetData(plane);
    int wpl = pixGetWpl(plane);
    int whole = width & ~3;
    for (int y = 0; y < height; y++) {
        const uint32_t *src = pixels + (size_t)y * (size_t)width;
        l_uint32 *line = data + (size_t)y * (size_t)wpl;
        for (int x = 0; x < whole; x += 4)
            line[x >> 2] = ((src[x] & 0xFFu) << 24) | ((src[x + 1] & 0xFFu) << 16) |
                           ((src[x + 2] & 0xFFu) << 8) | (src[x + 3] & 0xFFu);
        for (int x = whole; x < width; x++)
            SET_DATA_BYTE(line, x, src[x] & 0xFFu);
    }
}

void insert_alpha(PIX *color, PIX *plane)
{
    int width = pixGetWidth(color), height = pixGetHeight(color);
    uint32_t *dst = (uint32_t *)pixGetData(color);
    const l_uint32 *data = pixGetData(plane);
    int wpl = pixGetWpl(plane);
    int whole = width & ~3;
    for (int y = 0; y < height; y++) {
        uint32_t *out = dst + (size_t)y * (size_t)width;
        const l_uint32 *line = data + (size_t)y * (size_t)wpl;
        for (int x = 0; x < whole; x += 4) {
            l_uint32 word = line[x >> 2];
            out[x] = (out[x] & ~0xFFu) | (word >> 24);
            out[x + 1] = (out[x + 1] & ~0xFFu) | ((word >> 16) & 0xFFu);
            out[x + 2] = (out[x + 2] & ~0xFFu) | ((word >> 8) & 0xFFu);
            out[x + 3] = (out[x + 3] & ~0xFFu) | (word & 0xFFu);
        }
        for (int x = whole; x < width; x++)
            out[x] = (out[x] & ~0xFFu) | GET_DATA_BYTE(line, x);
    }
}

/* Scales one lent frame (snimage_scale_with_alpha). The colour goes through pixScale, which does
 * not keep alpha; the alpha plane is scaled without sharpening and written back. An image without
 * alpha, or a frame opaque throughout, needs no plane: its result is opaque as well. */
PIX *snimage_scale_with_alpha(PIX *header, const uint32_t *pixels, int width, int height,
                              int has_alpha, float sx, float sy)
{
    /* A half, a quarter, an eighth or a sixteenth, the common reductions, take
     * one pass straight into the result. */
    int halvings = sx != sy        ? 0
                   : sx == 0.5f    ? 1
                   : sx == 0.25f   ? 2
                   : sx == 0.125f  ? 3
                   : sx == 0.0625f ? 4
                                   : 0;
    if (halvings > 0 && (width >> halvings) >= 1 && (height >> halvings) >= 1) {
        const int w = width >> halvings, h = height >> halvings;
        pix_holder reduced(pixCreateNoInit(w, h, 32));
        if (!reduced.pix) {
            sn_log(4, NULL, "sn_image_resize", __LINE__, "pixCreateNoInit FAILED! %dx%d\n", w, h);
            return nullptr;
        }
        advise_huge_pages(pixGetData(reduced.pix), (size_t)w * (size_t)h * sizeof(uint32_t));
        if (snimage_scale_halves(pixels, width, height, has_alpha, halvings,
                                 (uint32_t *)pixGetData(reduced.pix)) != 0)
            return nullptr;
        PIX *out = reduced.pix;
        reduced.pix = nullptr;
        return out;
    }
    bool opaque = !has_alpha || frame_is_opaque(pixels, (size_t)width * (size_t)height);
    pix_holder plane;
    if (!opaque) {
        plane.pix = pixCreateNoInit(width, height, 8);
        if (!plane.pix) {
            sn_log(4, NULL, "sn_image_resize", __LINE__, "pixCreateNoInit FAILED! %dx%d\n", width,
                   height);
            return nullptr;
        }
        extract_alpha(pixels, width, height, plane.pix);
    }

    pix_holder scaled(pixScale(header, sx, sy));
    if (!scaled.pix) {
        sn_log(4, NULL, "sn_image_resize", __LINE__, "pixScale FAILED! %f, %f\n", sx, sy);
        return nullptr;
    }
    if (opaque) {
        l_int32 w = pixGetWidth(scaled.pix), h = pixGetHeight(scaled.pix);
        uint32_t *p = (uint32_t *)pixGetData(scaled.pix);
        size_t n = (size_t)w * (size_t)h;
        for (size_t i = 0; i < n; i++)
            p[i] |= 0xFFu;
    } else {
        pix_holder alpha(pixScaleGeneral(plane.pix, sx, sy, 0.0f, 0));
        if (!alpha.pix) {
            sn_log(4, NULL, "sn_image_resize", __LINE__, "pixScaleGeneral FAILED! %f, %f\n", sx,
                   sy);
            return nullptr;
        }
        if (pixGetWidth(alpha.pix) != pixGetWidth(scaled.pix) ||
            pixGetHeight(alpha.pix) != pixGetHeight(scaled.pix)) {
            sn_log(4, NULL, "sn_image_resize", __LINE__, "alpha size FAILED! %dx%d\n",
                   pixGetWidth(alpha.pix), pixGetHeight(alpha.pix));
            return nullptr;
        }
        insert_alpha(scaled.pix, alpha.pix);
    }
    PIX *out = scaled.pix;
    scaled.pix = nullptr;
    return out;
}

/* A side's next step: Leptonica shrinks any picture to 1 x 1 when a factor
 * (as the float it is given) falls below 0.02, so a steeper reduction goes
 * 40 to 1 at a time. Factors of 0.02 and above go straight to the target,
 * giving exactly what one pixScale gives. */
int scale_step(int from, int to)
{
    return (double)((float)to / (float)from) < 0.02 ? (from + 39) / 40 : to;
}

/* Scales a lent frame to width x height in as many steps as it takes. */
PIX *scale_frame(PIX *header, const uint32_t *pixels, int from_width, int from_height,
                 int has_alpha, int width, int height)
{
    pix_holder step;
    PIX *source = header;
    int w = from_width, h = from_height;
    for (;;) {
        int sw = scale_step(w, width), sh = scale_step(h, height);
        PIX *next = snimage_scale_with_alpha(source, pixels, w, h, has_alpha, (float)sw / (float)w,
                                             (float)sh / (float)h);
        if (!next)
            return nullptr;
        pix_holder scaled(next);
        if (sw == width && sh == height) {
            scaled.pix = nullptr;
            return next;
        }
        if (pixGetWidth(next) != sw || pixGetHeight(next) != sh || pixGetWpl(next) != sw) {
            sn_log(4, NULL, "sn_image_resize", __LINE__, "step FAILED! %dx%d, wanted %dx%d\n",
                   pixGetWidth(next), pixGetHeight(next), sw, sh);
            return nullptr;
        }
        std::swap(step.pix, scaled.pix);
        source = step.pix;
        pixels = (const uint32_t *)pixGetData(step.pix);
        w = sw;
        h = sh;
    }
}

/* Sizes for a free rotation: the target tw x th (turned bounding box plus
 * 32) and the canvas cw x ch that holds both it and the frame with a 16-pixel
 * margin per side. -1 when the canvas would be too big to allocate. */
struct rotation_sizes {
    int tw, th, cw, ch;
};

/* The same sizes as real numbers, unchecked: what the canvas would be. */
void rotation_extent(int width, int height, float r, double *twd, double *thd, double *cwd,
                     double *chd)
{
    float cosr = cosf(r), sinr = sinf(r);
    float W = (float)width, H = (float)height;
    double tw1 = fabs((double)(W * cosr - H * sinr + 0.5f));
    double tw2 = fabs((double)(-W * cosr - H * sinr + 0.5f));
    double th1 = fabs((double)(W * sinr + H * cosr + 0.5f));
    double th2 = fabs((double)(H * cosr - W * sinr + 0.5f));
    *twd = fmax(floor(tw1), floor(tw2)) + 32.0;
    *thd = fmax(floor(th1), floor(th2)) + 32.0;
    *cwd = fmax((double)width + 32.0, *twd);
    *chd = fmax((double)height + 32.0, *thd);
}

int rotation_canvas(int width, int height, float r, rotation_sizes *out)
{
    double twd, thd, cwd, chd;
    rotation_extent(width, height, r, &twd, &thd, &cwd, &chd);
    if (cwd > INT_MAX || chd > INT_MAX) {
        sn_log(4, NULL, "sn_image_rotate", __LINE__, "frame size FAILED! width:%d, height:%d\n",
               width, height);
        return -1;
    }
    if (sn_image_check_size("sn_image_rotate", (int)cwd, (int)chd, NULL) != 0)
        return -1;
    out->tw = (int)twd;
    out->th = (int)thd;
    out->cw = (int)cwd;
    out->ch = (int)chd;
    return 0;
}

/* The turn sn_image_rotate makes of angle: quarters 1-3 for an exact
 * quarter turn, else 0 with the radians in *r (below 0.001 is no turn).
 * -1 for an angle that is no number. */
int rotation_of(double angle, int *quarters, float *r)
{
    /* NaN or an infinity has no turn to make, and a huge angle overflows the
     * single-precision radians and the canvas sizes computed from them. A
     * whole number of turns changes nothing, so an angle of a turn or more
     * is reduced (keeping its sign) first; 450 is then the quarter turn
     * that 90 is, and 720 no turn at all. */
    if (!isfinite(angle))
        return -1;
    if (fabs(angle) >= 360.0)
        angle = fmod(angle, 360.0);
    *quarters = angle == 90.0 ? 1 : angle == 180.0 ? 2 : angle == 270.0 ? 3 : 0;
    *r = (float)(angle * 3.14159265 / 180.0);
    return 0;
}

/* The canvas: every pixel the fill word, the frame copied into its middle. */
PIX *snimage_embed_for_rotation(PIX *header, int width, int height, const rotation_sizes &z,
                                uint32_t fill)
{
    int cw = z.cw, ch = z.ch;
    pix_holder canvas(pixCreate(cw, ch, 32));
    if (!canvas.pix) {
        sn_log(4, NULL, "sn_image_rotate", __LINE__, "pixCreate FAILED! %dx%d\n", cw, ch);
        return nullptr;
    }
    if (pixSetAllArbitrary(canvas.pix, fill) != 0 ||
        pixRasterop(canvas.pix, (cw - width) / 2, (ch - height) / 2, width, height, PIX_SRC, header,
                    0, 0) != 0) {
        sn_log(4, NULL, "sn_image_rotate", __LINE__, "embed FAILED! %dx%d\n", cw, ch);
        return nullptr;
    }
    pixCopyResolution(canvas.pix, header);
    PIX *out = canvas.pix;
    canvas.pix = nullptr;
    return out;
}

/* Area-weighted rotation about the canvas centre in 1/16-pixel steps. Every
 * byte, alpha included, is interpolated alike, so the byte order of the pixel
 * does not matter. Sources too close to the edge take the fill word. */
PIX *snimage_rotate_am_color(PIX *canvas, float r, uint32_t fill)
{
    pix_holder out(pixCreateTemplate(canvas));
    if (!out.pix) {
        sn_log(4, NULL, "sn_image_rotate", __LINE__, "pixCreateTemplate FAILED!\n");
        return nullptr;
    }
    int cw = pixGetWidth(canvas), ch = pixGetHeight(canvas);
    const uint32_t *src = (const uint32_t *)pixGetData(canvas);
    uint32_t *dst = (uint32_t *)pixGetData(out.pix);
    int xc = cw / 2, yc = ch / 2;
    float s = 16.0f * sinf(r), c = 16.0f * cosf(r);

    for (int y = 0; y < ch; y++) {
        uint32_t *line = dst + (size_t)y * (size_t)cw;
        float ydif = (float)(yc - y);
        for (int x = 0; x < cw; x++) {
            int xpm = (int)((float)(x - xc) * c - ydif * s);
            int ypm = (int)(-ydif * c + (float)(xc - x) * s);
            int xp = xc + (xpm >> 4), yp = yc + (ypm >> 4);
            if (xp < 0 || yp < 0 || xp > cw - 2 || yp > ch - 2) {
                line[x] = fill;
                continue;
            }
            uint32_t xf = (uint32_t)(xpm & 15), yf = (uint32_t)(ypm & 15);
            const uint32_t *top = src + (size_t)yp * (size_t)cw + xp;
            const uint32_t *bottom = top + cw;
            uint32_t tl = top[0], tr = top[1], bl = bottom[0], br = bottom[1];
            uint32_t wtl = (16 - xf) * (16 - yf), wtr = xf * (16 - yf);
            uint32_t wbl = (16 - xf) * yf, wbr = xf * yf;
            uint32_t word = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                uint32_t v =
                    (wtl * ((tl >> shift) & 0xFFu) + wtr * ((tr >> shift) & 0xFFu) +
                     wbl * ((bl >> shift) & 0xFFu) + wbr * ((br >> shift) & 0xFFu) + 128) >>
                    8;
                word |= v << shift;
            }
            line[x] = word;
        }
    }
    PIX *result = out.pix;
    out.pix = nullptr;
    return result;
}

PIX *rotate_free(PIX *header, int width, int height, float r, const rotation_sizes &z,
                 uint32_t fill)
{
    int tw = z.tw, th = z.th;
    pix_holder canvas(snimage_embed_for_rotation(header, width, height, z, fill));
    if (!canvas.pix)
        return nullptr;
    pix_holder turned(snimage_rotate_am_color(canvas.pix, r, fill));
    if (!turned.pix)
        return nullptr;
    int cw = pixGetWidth(canvas.pix), ch = pixGetHeight(canvas.pix);
    int ow = tw - 28, oh = th - 28;
    pix_holder out(pixCreate(ow, oh, 32));
    if (!out.pix) {
        sn_log(4, NULL, "sn_image_rotate", __LINE__, "pixCreate FAILED! %dx%d\n", ow, oh);
        return nullptr;
    }
    if (pixRasterop(out.pix, 0, 0, ow, oh, PIX_SRC, turned.pix, (cw - tw) / 2 + 14,
                    (ch - th) / 2 + 14) != 0) {
        sn_log(4, NULL, "sn_image_rotate", __LINE__, "pixRasterop FAILED!\n");
        return nullptr;
    }
    PIX *result = out.pix;
    out.pix = nullptr;
    return result;
}

/* Lends every allocated frame to one 32-bit header, turns it into a new
 * Leptonica image with transform(header, pixels) and takes that image's buffer
 * as the frame. The new frames replace the old ones only when all succeeded;
 * out_width x out_height is the size an image without frames takes. */
template <typename Transform>
int transform_frames(sn_image_t *image, const char *function, int out_width, int out_height,
                     Transform transform)
{
    lent_header header(image->width, image->height);
    if (!header.pix) {
        sn_log(4, NULL, function, __LINE__, "pixCreateHeader FAILED! %dx%d\n", image->width,
               image->height);
        return -1;
    }
    frame_set fresh(image->frame_count);
    if (!fresh.ok()) {
        sn_log(4, NULL, function, __LINE__, "malloc FAILED! count:%d\n", image->frame_count);
        return -1;
    }
    for (int i = 0; i < image->frame_count; i++) {
        sn_image_frame_t *old = &image->frames[i];
        if (!old->rows)
            continue;
        header.lend(old->pixels);
        pix_holder result(transform(header.pix, (const uint32_t *)old->pixels));
        header.lend(nullptr);
        if (!result.pix)
            return -1;
        if (adopt_pix(result.pix, &fresh.frames[i], function) != 0)
            return -1;
        out_width = pixGetWidth(result.pix);
        out_height = pixGetHeight(result.pix);
    }
    fresh.commit(image, out_width, out_height);
    return 0;
}

} // namespace

/* The bytes a turn or a resize of this thread's pictures may make (0: no
 * bound), and whether one was refused for it. The workers set it to their
 * stage bound: a free turn or an enlargement of a large picture costs
 * seconds, so one that would be refused afterwards is refused before it is
 * made. */
static thread_local size_t t_growth_bound = 0;
static thread_local bool t_growth_refused = false;

void sn_image_set_growth_bound(size_t bytes)
{
    t_growth_bound = bytes;
    t_growth_refused = false;
}

bool sn_image_growth_refused(void)
{
    return t_growth_refused;
}

/* True, with the log line and the refusal noted, when a picture of pixels
 * per frame would be past this thread's growth bound. */
static bool past_growth_bound(const char *function, const sn_image_t *image, size_t pixels)
{
    if (!t_growth_bound)
        return false;
    const size_t frames = image->frame_count > 0 ? (size_t)image->frame_count : 1;
    if (pixels <= t_growth_bound / 4 / frames)
        return false;
    sn_log(4, NULL, function, __LINE__,
           "picture over its bound FAILED! width:%d, height:%d, pixels:%zu, bound:%zu\n",
           image->width, image->height, pixels, t_growth_bound);
    t_growth_refused = true;
    return true;
}

int sn_image_crop(sn_image_t *image, int left, int top, int width, int height)
{
    if (!image) {
        sn_log(4, NULL, "sn_image_crop", __LINE__, "image is null\n");
        return -1;
    }
    if (width <= 0 || height <= 0) {
        sn_log(4, NULL, "sn_image_crop", __LINE__, "width:%d, height:%d\n", width, height);
        return -1;
    }
    if (left < 0 || top < 0 || (long long)left + width > image->width ||
        (long long)top + height > image->height) {
        sn_log(4, NULL, "sn_image_crop", __LINE__,
               "rectangle FAILED! left:%d, top:%d, width:%d, height:%d, image:%dx%d\n", left, top,
               width, height, image->width, image->height);
        return -1;
    }
    frame_set fresh(image->frame_count);
    if (!fresh.ok()) {
        sn_log(4, NULL, "sn_image_crop", __LINE__, "malloc FAILED! count:%d\n", image->frame_count);
        return -1;
    }
    size_t row_bytes = (size_t)width * 4;
    for (int i = 0; i < image->frame_count; i++) {
        const sn_image_frame_t *old = &image->frames[i];
        if (!old->rows)
            continue;
        if (snimage_allocate_frame(&fresh.frames[i], width, height) != 0)
            return -1;
        for (int j = 0; j < height; j++)
            memcpy(fresh.frames[i].rows[j], old->rows[top + j] + left, row_bytes);
    }
    fresh.commit(image, width, height);
    return 0;
}

int sn_image_padding(sn_image_t *image, int left, int top, int right, int bottom, uint32_t color)
{
    if (!image) {
        sn_log(4, NULL, "sn_image_padding", __LINE__, "image is null\n");
        return -1;
    }
    if (left < 0 || top < 0 || right < 0 || bottom < 0) {
        sn_log(4, NULL, "sn_image_padding", __LINE__, "left:%d, top:%d, right:%d, bottom:%d\n",
               left, top, right, bottom);
        return -1;
    }
    long long nw = (long long)left + image->width + right;
    long long nh = (long long)top + image->height + bottom;
    if (nw > INT_MAX || nh > INT_MAX) {
        sn_log(4, NULL, "sn_image_padding", __LINE__,
               "frame size FAILED! width:%lld, height:%lld\n", nw, nh);
        return -1;
    }
    int new_width = (int)nw, new_height = (int)nh;
    if (sn_image_check_size("sn_image_padding", new_width, new_height, NULL) != 0)
        return -1;
    frame_set fresh(image->frame_count);
    if (!fresh.ok()) {
        sn_log(4, NULL, "sn_image_padding", __LINE__, "malloc FAILED! count:%d\n",
               image->frame_count);
        return -1;
    }
    size_t old_row = (size_t)image->width * 4;
    size_t new_row = (size_t)new_width * 4;
    for (int i = 0; i < image->frame_count; i++) {
        const sn_image_frame_t *old = &image->frames[i];
        if (!old->rows)
            continue;
        sn_image_frame_t *f = &fresh.frames[i];
        if (snimage_allocate_frame(f, new_width, new_height) != 0)
            return -1;
        uint32_t *first = f->rows[0];
        for (int x = 0; x < new_width; x++)
            first[x] = color;
        for (int y = 1; y < new_height; y++)
            memcpy(f->rows[y], first, new_row);
        for (int j = 0; j < image->height; j++)
            memcpy(f->rows[top + j] + left, old->rows[j], old_row);
    }
    fresh.commit(image, new_width, new_height);
    if (!SN_COLOR_IS_OPAQUE(color))
        image->has_alpha = 1;
    return 0;
}

int sn_image_resize(sn_image_t *image, int width, int height)
{
    if (!image) {
        sn_log(4, NULL, "sn_image_resize", __LINE__, "image is null\n");
        return -1;
    }
    if (width <= 0 || height <= 0) {
        sn_log(4, NULL, "sn_image_resize", __LINE__, "width:%d, height:%d\n", width, height);
        return -1;
    }
    if (sn_image_check_size("sn_image_resize", image->width, image->height, NULL) != 0 ||
        sn_image_check_size("sn_image_resize", width, height, NULL) != 0)
        return -1;
    /* Scaling by exactly 1 is a plain copy in Leptonica: nothing would change. */
    if (width == image->width && height == image->height)
        return 0;
    if (past_growth_bound("sn_image_resize", image, (size_t)width * (size_t)height))
        return -1;

    return transform_frames(image, "sn_image_resize", width, height,
                            [&](PIX *header, const uint32_t *pixels) {
                                return scale_frame(header, pixels, image->width, image->height,
                                                   image->has_alpha, width, height);
                            });
}

int sn_image_rotate(sn_image_t *image, double angle, uint32_t fill)
{
    if (!image) {
        sn_log(4, NULL, "sn_image_rotate", __LINE__, "image is null\n");
        return -1;
    }
    if (sn_image_check_size("sn_image_rotate", image->width, image->height, NULL) != 0)
        return -1;
    if (past_growth_bound("sn_image_rotate", image,
                          sn_image_rotation_pixels(image->width, image->height, angle)))
        return -1;
    int quarters = 0;
    float r = 0;
    if (rotation_of(angle, &quarters, &r) != 0) {
        sn_log(4, NULL, "sn_image_rotate", __LINE__, "angle FAILED! %f\n", angle);
        return -1;
    }
    if (quarters == 0 && fabsf(r) < 0.001f) {
        if (!SN_COLOR_IS_OPAQUE(fill))
            image->has_alpha = 1;
        return 0;
    }

    rotation_sizes sizes = {0, 0, 0, 0};
    if (quarters == 0 && rotation_canvas(image->width, image->height, r, &sizes) != 0)
        return -1;
    int out_width = quarters == 1 || quarters == 3 ? image->height : image->width;
    int out_height = quarters == 1 || quarters == 3 ? image->width : image->height;
    int rc = transform_frames(
        image, "sn_image_rotate", out_width, out_height, [&](PIX *header, const uint32_t *) {
            if (!quarters)
                return rotate_free(header, image->width, image->height, r, sizes, fill);
            PIX *turned = pixRotateOrth(header, quarters);
            if (!turned)
                sn_log(4, NULL, "sn_image_rotate", __LINE__, "pixRotateOrth FAILED! %d\n",
                       quarters);
            return turned;
        });
    if (rc != 0)
        return -1;
    if (!SN_COLOR_IS_OPAQUE(fill))
        image->has_alpha = 1;
    return 0;
}

size_t sn_image_rotation_pixels(int width, int height, double angle)
{
    if (width <= 0 || height <= 0)
        return 0;
    int quarters = 0;
    float r = 0;
    if (rotation_of(angle, &quarters, &r) != 0)
        return 0;
    if (quarters != 0 || fabsf(r) < 0.001f)
        return (size_t)width * (size_t)height;
    double twd, thd, cwd, chd;
    rotation_extent(width, height, r, &twd, &thd, &cwd, &chd);
    const double pixels = cwd * chd;
    return pixels < (double)SIZE_MAX / 2 ? (size_t)pixels : SIZE_MAX / 2;
}

int sn_image_rotation_size(int width, int height, double angle, int64_t *out_width,
                           int64_t *out_height)
{
    if (!out_width || !out_height || width <= 0 || height <= 0)
        return -1;
    int quarters = 0;
    float r = 0;
    if (rotation_of(angle, &quarters, &r) != 0)
        return -1;
    const bool sideways = quarters == 1 || quarters == 3;
    *out_width = sideways ? height : width;
    *out_height = sideways ? width : height;
    if (quarters != 0 || fabsf(r) < 0.001f)
        return 0;
    /* rotate_free cuts the turned box out of its canvas 14 pixels inside
     * each side of the 32-pixel margin. */
    double twd, thd, cwd, chd;
    rotation_extent(width, height, r, &twd, &thd, &cwd, &chd);
    if (twd - 28 > (double)INT64_MAX / 4 || thd - 28 > (double)INT64_MAX / 4)
        return -1;
    *out_width = (int64_t)twd - 28;
    *out_height = (int64_t)thd - 28;
    return 0;
}
