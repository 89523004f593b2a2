/*
 * "watermark": tiles a copy of an image over the whole picture, spaced,
 * offset and optionally turned, blended by the tile's alpha and a
 * transparency. Turned tiles interlock through three lattice corrections.
 * The tile image stays the caller's and is never changed.
 */
#include "filter/imf_common.h"

#include <math.h>

typedef struct imf_watermark {
    imagefilter_t head;
    sn_image_t *image;
    int transparency;
    double rotation;
    int x_space;
    int y_space;
    int x_offset;
    int y_offset;
} imf_watermark_t;

static int imf_watermark_set_settings(imagefilter_t *filter, const char *const *keys,
                                      const char *const *values)
{
    imf_watermark_t *self = (imf_watermark_t *)filter;
    struct {
        const char *key;
        int *field;
    } const numbers[] = {
        {"x_space", &self->x_space},
        {"y_space", &self->y_space},
        {"x_offset", &self->x_offset},
        {"y_offset", &self->y_offset},
    };
    for (int i = 0; !imf_settings_end(keys[i], 1); i++) {
        const char *key = keys[i], *value = values[i];
        int ok = 0;
        double number;
        if (imf_word_is(key, "watermark_image")) {
            ok = imf_parse_image(value, &self->image);
        } else if (imf_word_is(key, "transparency")) {
            ok = imf_parse_transparency(value, &self->transparency);
        } else if (imf_word_is(key, "rotation")) {
            ok = imf_parse_angle(value, &self->rotation);
        } else {
            for (const auto &entry : numbers) {
                if (imf_word_is(key, entry.key)) {
                    ok = imf_parse_double(value, &number);
                    if (ok == 0)
                        ok = imf_double_to_int(number, entry.field);
                }
            }
        }
        if (ok != 0) {
            sn_log(4, NULL, "imf_watermark_set_settings", __LINE__, "FAILED! name:%s, value:%s\n",
                   key, value ? value : "(null)");
            return -1;
        }
    }
    return 0;
}

/* A turned tile is padded by its spacing before it turns, and turned again
 * for every photo: 16 M pixels (64 MB) bound what a wide spacing costs, and
 * as much the picture a free turn works on, which for a long thin tile
 * turned by 45 degrees is about (w + h)^2 / 2 pixels, however small the
 * tile itself. */
static const int64_t k_max_padded_tile_pixels = (int64_t)16 * 1024 * 1024;
static const size_t k_max_turned_tile_pixels = (size_t)16 * 1024 * 1024;

/* Floor division and its non-negative remainder. */
static int64_t imf_floor_div(int64_t a, int64_t b)
{
    int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

static int imf_watermark_execute(imagefilter_t *filter, sn_image_t *image)
{
    const imf_watermark_t *self = (const imf_watermark_t *)filter;
    if (!imf_image_ready(image) || !self->image)
        return -1;
    if (!imf_image_ready(self->image)) {
        sn_log(4, NULL, "imf_watermark_execute", __LINE__, "tile FAILED! width:%d, height:%d\n",
               self->image->width, self->image->height);
        return -1;
    }
    const int64_t xs = self->x_space > 0 ? self->x_space / 2 : 0;
    const int64_t ys = self->y_space > 0 ? self->y_space / 2 : 0;
    const double rotation = self->rotation;
    /* The spacing is a transparent border round each tile, and blending a
     * transparent pixel changes nothing: an upright tile is laid out as if
     * padded but drawn unpadded, so that a wide spacing costs no memory. A
     * turned tile is padded before it turns, within a bound, and the turn
     * is bounded too; both are judged before anything is copied. */
    if (rotation != 0) {
        const int64_t padded_w = (int64_t)self->image->width + 2 * xs;
        const int64_t padded_h = (int64_t)self->image->height + 2 * ys;
        if ((xs || ys) && padded_w * padded_h > k_max_padded_tile_pixels) {
            sn_log(4, NULL, "imf_watermark_execute", __LINE__,
                   "spaced tile FAILED! width:%d, height:%d, x_space:%d, y_space:%d\n",
                   self->image->width, self->image->height, self->x_space, self->y_space);
            imagefilter_set_refusal(IMAGEFILTER_REFUSED_TOO_LARGE);
            return -1;
        }
        /* A quarter turn makes no picture larger than the tile. */
        const size_t turned = sn_image_rotation_pixels((int)padded_w, (int)padded_h, rotation);
        if (turned == 0 ||
            (turned > (size_t)(padded_w * padded_h) && turned > k_max_turned_tile_pixels)) {
            sn_log(4, NULL, "imf_watermark_execute", __LINE__,
                   "turned tile FAILED! width:%lld, height:%lld, rotation:%.2f, pixels:%zu\n",
                   (long long)padded_w, (long long)padded_h, rotation, turned);
            imagefilter_set_refusal(IMAGEFILTER_REFUSED_TOO_LARGE);
            return -1;
        }
    }
    ImfImage tile(sn_image_clone(self->image));
    if (!tile)
        return -1;
    int64_t pad_x = 0, pad_y = 0;
    if (rotation != 0 && (xs || ys)) {
        /* A padding that fails (it logs) leaves the tile unpadded. */
        sn_image_padding(tile.get(), (int)xs, (int)ys, (int)xs, (int)ys, 0);
    } else {
        pad_x = xs;
        pad_y = ys;
    }

    double u = 0, lx = 0, ly = 0;
    if (rotation != 0 && fabs(fmod(trunc(rotation), 90.0)) >= 2) {
        double p = tile->width, q = tile->height, a;
        if (rotation > 270) {
            a = rotation - 270;
            std::swap(p, q);
        } else if (rotation > 180) {
            a = rotation - 180;
        } else if (rotation > 90) {
            a = rotation - 90;
            std::swap(p, q);
        } else {
            a = rotation;
        }
        const double r = a * 3.14159265 / 180, s = sin(r), k = cos(r);
        u = (q - p * s / k) * s;
        if (u < 0)
            u = p * k - q * k * k / s;
        lx = p * k;
        if (q * k > p * s)
            lx = p * k - u;
        ly = q * k < p * s ? q * k : p * s;
    }
    if (rotation != 0) {
        tile->has_alpha = 1;
        if (sn_image_rotate(tile.get(), rotation, 0) != 0)
            return -1;
    }

    const int64_t tw = tile->width + 2 * pad_x, th = tile->height + 2 * pad_y;
    const int drawn_w = tile->width, drawn_h = tile->height;
    const double step_x = (double)tw - u, step_y = (double)th - ly;
    const int64_t period_x = tw - (int64_t)u, period_y = th - (int64_t)ly;
    /* Each step must move at least one pixel, or the lattice loops never end. */
    if (tw <= 0 || th <= 0 || step_x < 1 || step_y < 1 || period_x < 1 || period_y < 1) {
        sn_log(4, NULL, "imf_watermark_execute", __LINE__, "tile FAILED! width:%lld, height:%lld\n",
               (long long)tw, (long long)th);
        return -1;
    }
    /* Offsets far outside the picture only add rows and tiles that draw
     * nothing: shift the lattice by whole periods first, numbering the rows
     * as the unshifted lattice would so that each row keeps its own shift. */
    const int64_t rows_back = imf_floor_div(self->y_offset, period_y);
    const int64_t y_offset = self->y_offset - rows_back * period_y;
    const int64_t x_offset = self->x_offset - imf_floor_div(self->x_offset, period_x) * period_x;
    const int64_t w = image->width, h = image->height;

    for (int i = 0; i < image->frame_count; i++) {
        const int t = i < tile->frame_count ? i : tile->frame_count - 1;
        uint32_t *const *trows = tile->frames[t].rows;
        int64_t m = -rows_back;
        for (int64_t y = y_offset - th; y < h; y = (int64_t)((double)y + step_y), m++) {
            const int64_t first = ((int64_t)((double)m * lx) % period_x) - tw + x_offset;
            /* A row's shift plus the offset can start it at or right of the
             * left edge, where the tile that would come before it, and
             * interlock with it as inside the picture, is missing: lay tiles
             * back by the period while they still reach the picture. */
            for (int64_t x = first - period_x; x + tw > 0; x -= period_x)
                imf_blend(image->frames[i].rows, image->width, image->height, trows, drawn_w,
                          drawn_h, x + pad_x, y + pad_y, self->transparency);
            for (int64_t x = first; x < w; x = (int64_t)((double)x + step_x))
                imf_blend(image->frames[i].rows, image->width, image->height, trows, drawn_w,
                          drawn_h, x + pad_x, y + pad_y, self->transparency);
        }
    }
    return 0;
}

imagefilter_t *imagefilter_watermark_create(void)
{
    imf_watermark_t *self =
        (imf_watermark_t *)imf_create(sizeof *self, "imagefilter_watermark_create", "watermark",
                                      imf_watermark_execute, imf_watermark_set_settings);
    if (!self)
        return NULL;
    return &self->head;
}
