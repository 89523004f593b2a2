/*
 * imagefilter: the uniform interface to the thirteen image operations. A
 * filter is made by kind name, configured with key/value texts, run in place
 * on an sn_image_t any number of times, and destroyed.
 */
#ifndef IMAGEFILTER_H
#define IMAGEFILTER_H

#include "image/sn_image.h"

typedef struct imagefilter imagefilter_t;

/* Settings are two parallel arrays, keys[i] with values[i]. They end at the
 * first null key; every kind but "crop" also ends them at an empty key. */
typedef void (*imagefilter_destroy_fn)(imagefilter_t *filter);
typedef int (*imagefilter_execute_fn)(imagefilter_t *filter, sn_image_t *image);
typedef int (*imagefilter_settings_fn)(imagefilter_t *filter, const char *const *keys,
                                       const char *const *values);
typedef int (*imagefilter_reserved_fn)(imagefilter_t *filter, int a, int b);

/* The head that every kind shares; each kind's record starts with it. */
struct imagefilter {
    const char *name;
    imagefilter_destroy_fn destroy;
    imagefilter_execute_fn execute;
    imagefilter_settings_fn set_settings; /* null for kinds without settings */
    imagefilter_reserved_fn reserved;     /* null for kinds without settings */
};

typedef struct imagefilter_kind {
    const char *name;
    imagefilter_t *(*create)(void);
    struct imagefilter_kind *next;
} imagefilter_kind_t;

imagefilter_t *imagefilter_create(const char *name);
void imagefilter_destroy(imagefilter_t *filter);
int imagefilter_execute(imagefilter_t *filter, sn_image_t *image);
int imagefilter_set_settings(imagefilter_t *filter, const char *const *keys,
                             const char *const *values);
int imagefilter_reserved(imagefilter_t *filter, int a, int b);
const char *imagefilter_get_name(const imagefilter_t *filter);

/* Why the last imagefilter_execute on this thread failed, when the filter
 * said: IMAGEFILTER_REFUSED_NONE, or IMAGEFILTER_REFUSED_TOO_LARGE for an
 * overlay (a stamp or watermark picture or text) refused as too large to
 * draw. imagefilter_execute clears it; a filter that refuses sets it. */
#define IMAGEFILTER_REFUSED_NONE 0
#define IMAGEFILTER_REFUSED_TOO_LARGE 1
int imagefilter_refusal(void);
void imagefilter_set_refusal(int reason);

/* What a run of filter would make of a *width x *height picture, judged from
 * its settings before any pixel is made: *width and *height become the
 * result's size, and *most the pixels of the largest frame it makes on the
 * way (the result's, or more for a free turn's canvas or a scale before its
 * crop). A run that would fail leaves the size as it was. 0; -1 when the
 * filter's kind cannot tell (its size is known only after the run). */
int imagefilter_predict_size(const imagefilter_t *filter, int64_t *width, int64_t *height,
                             int64_t *most);

/* The registry: a process-wide list, built once on first use. */
void imagefilter_add_kind(imagefilter_kind_t *entry);
void imagefilter_register_all(void);

imagefilter_t *imagefilter_resize_create(void);
imagefilter_t *imagefilter_flip_create(void);
imagefilter_t *imagefilter_rotate_create(void);
imagefilter_t *imagefilter_crop_create(void);
imagefilter_t *imagefilter_roll_create(void);
imagefilter_t *imagefilter_gray_create(void);
imagefilter_t *imagefilter_equalize_create(void);
imagefilter_t *imagefilter_negative_create(void);
imagefilter_t *imagefilter_swap_colors_create(void);
imagefilter_t *imagefilter_coloration_create(void);
imagefilter_t *imagefilter_auto_contrast_create(void);
imagefilter_t *imagefilter_stamp_create(void);
imagefilter_t *imagefilter_watermark_create(void);

#endif
