/*
 * The growth bound judged before the work: each stage's size worked out from
 * the filters' settings (imagefilter_predict_size), so that the batch and the
 * preview refuse a photo whose chain would grow past its bound before any
 * pixel of it is made.
 */
#include "stagebound.h"

#include "base/sn_log.h"
#include "filter/imagefilter.h"

int stage_first_past_bound(const QList<imagefilter_t *> &filters, int last, const sn_image_t *image,
                           size_t bound, const char *function)
{
    if (!image || !function || bound == 0)
        return 0;
    int64_t frames = 0;
    for (int i = 0; i < image->frame_count; i++)
        if (image->frames[i].rows)
            frames++;
    if (frames == 0)
        return 0;
    /* In 64 bits a stage of INT_MAX x INT_MAX pixels times four bytes times
     * the frames could wrap: compare pixels with the pixels a frame may
     * hold instead. */
    const int64_t per_frame = (int64_t)(bound / 4 / (size_t)frames);
    int64_t width = image->width, height = image->height;
    if (last > filters.size())
        last = filters.size();
    for (int i = 0; i < last; i++) {
        const imagefilter_t *filter = filters.at(i);
        if (!filter)
            continue;
        int64_t most = 0;
        if (imagefilter_predict_size(filter, &width, &height, &most) != 0)
            return 0;
        if (most > per_frame || width * height > per_frame) {
            sn_log(4, NULL, function, __LINE__,
                   "stage %d over its bound FAILED! width:%lld, height:%lld, pixels:%lld, "
                   "bound:%zu, filter:%s\n",
                   i + 1, (long long)width, (long long)height, (long long)most, bound,
                   imagefilter_get_name(filter));
            return i + 1;
        }
    }
    return 0;
}
