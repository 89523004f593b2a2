// Picture lifetime for the stamp and watermark kinds. A filter reads its
// overlay through a bare address, so the wrapper here holds a reference to
// the picture behind that address: a picture that an edit, a new file or a
// new text replaces is freed only when the last filter configured with it is
// destroyed or configured with another. The image kinds' scaled and turned
// copy (PictureRecipe) is made here too, by the first filter that runs with
// it, never by the interface thread that publishes it.
#include "picturefilter.h"

#include "base/sn_log.h"
#include "filter/imagefilter.h"
#include "image/sn_image.h"
#include "stamptext.h"

#include <math.h>
#include <stdio.h>
#include <sys/stat.h>

#include <QFile>

#include <new>
#include <type_traits>

namespace
{

// The head comes first, so that the engine's calls dispatch through it; the
// wrapped filter does the work.
struct picture_filter {
    imagefilter_t head;
    imagefilter_t *inner;
    PicturePtr picture;
    bool refused; /* no picture because it was too large to draw */
    /* Configured from a recipe whose picture is asked for at the first run:
     * the settings wait here until then. */
    PictureRecipePtr recipe;
    std::vector<std::string> keys, values;
    size_t pictureKey;
    int settingsFailed; /* the waiting settings were refused by the filter */
};
static_assert(std::is_standard_layout<picture_filter>::value,
              "the engine reaches the record through its head");

void picturefilter_destroy(imagefilter_t *filter)
{
    picture_filter *self = (picture_filter *)filter;
    imagefilter_destroy(self->inner);
    delete self;
}

/* Hands keys and values to the inner filter, the value at pictureKey
 * replaced by picture's address. */
int configure_inner(imagefilter_t *inner, const PicturePtr &picture,
                    const std::vector<std::string> &keys, const std::vector<std::string> &values,
                    size_t pictureKey)
{
    const std::string address = picture_address(picture.get());
    std::vector<const char *> k, v;
    for (size_t i = 0; i < keys.size(); i++) {
        k.push_back(keys[i].c_str());
        v.push_back(i == pictureKey ? address.c_str() : i < values.size() ? values[i].c_str() : "");
    }
    k.push_back(nullptr);
    v.push_back(nullptr);
    int rc = imagefilter_set_settings(inner, k.data(), v.data());
    if (rc != 0)
        sn_log(4, NULL, "picturefilter_configure", __LINE__,
               "imagefilter_set_settings FAILED! %d, filter:%s\n", rc,
               imagefilter_get_name(inner) ? imagefilter_get_name(inner) : "(null)");
    return rc;
}

/* Takes the waiting recipe's picture (making it when no filter has yet) and
 * configures the inner filter with it. */
void resolve_recipe(picture_filter *self)
{
    if (!self->recipe)
        return;
    PictureRecipePtr recipe = std::move(self->recipe);
    self->recipe.reset();
    PicturePtr picture = recipe->picture();
    self->settingsFailed =
        picture && configure_inner(self->inner, picture, self->keys, self->values, self->pictureKey)
            ? 1
            : 0;
    /* The picture held until now goes only after the filter reads the new
     * address. */
    PicturePtr previous = std::move(self->picture);
    self->picture = std::move(picture);
    self->refused = !self->picture && recipe->refused();
    self->keys.clear();
    self->values.clear();
}

int picturefilter_execute(imagefilter_t *filter, sn_image_t *image)
{
    picture_filter *self = (picture_filter *)filter;
    resolve_recipe(self);
    if (self->settingsFailed)
        return -1;
    /* A text that expands to nothing or no picture chosen: the photo passes
     * as it is, which is what was asked for, not a failure. A picture or
     * text refused as too large (logged where it was refused) is a failure:
     * the photo lacks what was asked for. */
    if (!self->picture) {
        if (!image)
            return -1;
        if (!self->refused)
            return 0;
        imagefilter_set_refusal(IMAGEFILTER_REFUSED_TOO_LARGE);
        return -1;
    }
    return imagefilter_execute(self->inner, image);
}

int picturefilter_set_settings(imagefilter_t *filter, const char *const *keys,
                               const char *const *values)
{
    return imagefilter_set_settings(((picture_filter *)filter)->inner, keys, values);
}

int picturefilter_reserved(imagefilter_t *filter, int a, int b)
{
    return imagefilter_reserved(((picture_filter *)filter)->inner, a, b);
}

picture_filter *as_wrapper(const imagefilter_t *filter)
{
    return filter && filter->destroy == picturefilter_destroy ? (picture_filter *)filter : nullptr;
}

} // namespace

PicturePtr picture_adopt(sn_image_t *image)
{
    if (!image)
        return PicturePtr();
    return PicturePtr(image, [](sn_image_t *p) { sn_image_destroy(p); });
}

std::string picture_address(const sn_image_t *image)
{
    char text[32];
    snprintf(text, sizeof text, "%p", (const void *)image);
    return text;
}

double picture_angle(double degrees)
{
    if (!isfinite(degrees))
        return 0.0;
    double angle = fmod(degrees, 360.0);
    if (angle < 0.0)
        angle += 360.0;
    /* fmod of a tiny negative value can round up to exactly 360. */
    if (angle >= 360.0)
        angle = 0.0;
    return angle;
}

PicturePtr picture_load(const QString &path)
{
    if (path.isEmpty())
        return PicturePtr();
    const QByteArray name = QFile::encodeName(path);
    struct stat st;
    if (stat(name.constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
        sn_log(4, NULL, "picture_load", __LINE__, "not a regular file FAILED! %s\n",
               name.constData());
        return PicturePtr();
    }
    return picture_adopt(sn_image_create_from_file(name.constData(), -1));
}

static void turn(sn_image_t *picture, double rotation)
{
    if (!(rotation >= 0.01 || rotation <= -0.01))
        return;
    const double angle = picture_angle(rotation);
    if (angle == 0.0)
        return;
    picture->has_alpha = 1;
    sn_image_rotate(picture, angle, 0);
}

int picture_judge(const sn_image_t *loaded, int scale, double rotation)
{
    if (!loaded)
        return PICTURE_FITS;
    // One scaled size serves the bound and the resize; the bound judges only
    // a real enlargement or reduction, not a scale that cannot be applied.
    const int64_t width = (int64_t)loaded->width * scale / 100;
    const int64_t height = (int64_t)loaded->height * scale / 100;
    if (scale != 100 && scale > 0 && loaded->width > 0 && loaded->height > 0 &&
        (width > PICTURE_MAX_SCALED_PIXELS || height > PICTURE_MAX_SCALED_PIXELS ||
         width * height > PICTURE_MAX_SCALED_PIXELS)) {
        sn_log(4, NULL, "picture_prepare", __LINE__,
               "scaled picture too large FAILED! width:%d, height:%d, scale:%d\n", loaded->width,
               loaded->height, scale);
        return PICTURE_SCALED_TOO_LARGE;
    }
    /* The turn is judged on the size the scale gives, as the turned text
     * and the watermark's turned tile are: a quarter turn makes nothing
     * larger, a free one of a large picture costs seconds. */
    const bool turning = rotation >= 0.01 || rotation <= -0.01;
    const int64_t scaled_w = scale != 100 && width > 0 ? width : loaded->width;
    const int64_t scaled_h = scale != 100 && height > 0 ? height : loaded->height;
    const size_t turned =
        turning && scaled_w <= INT32_MAX && scaled_h <= INT32_MAX
            ? sn_image_rotation_pixels((int)scaled_w, (int)scaled_h, picture_angle(rotation))
            : 0;
    if (turned > (size_t)(scaled_w * scaled_h) && turned > PICTURE_MAX_TURNED_PIXELS) {
        sn_log(4, NULL, "picture_prepare", __LINE__,
               "turned picture too large FAILED! width:%lld, height:%lld, rotation:%.2f, "
               "pixels:%zu\n",
               (long long)scaled_w, (long long)scaled_h, rotation, turned);
        return PICTURE_TURNED_TOO_LARGE;
    }
    return PICTURE_FITS;
}

PicturePtr picture_prepare(const sn_image_t *loaded, int scale, double rotation, bool *tooLarge)
{
    if (tooLarge)
        *tooLarge = false;
    if (!loaded)
        return PicturePtr();
    if (picture_judge(loaded, scale, rotation) != PICTURE_FITS) {
        if (tooLarge)
            *tooLarge = true;
        return PicturePtr();
    }
    const int64_t width = (int64_t)loaded->width * scale / 100;
    const int64_t height = (int64_t)loaded->height * scale / 100;
    PicturePtr copy = picture_adopt(sn_image_clone(loaded));
    if (!copy)
        return PicturePtr();
    if (scale != 100) {
        if (width > 0 && height > 0 && width <= INT32_MAX && height <= INT32_MAX)
            sn_image_resize(copy.get(), (int)width, (int)height);
        else
            sn_log(4, NULL, "picture_prepare", __LINE__,
                   "scaled size FAILED! width:%d, height:%d, scale:%d\n", copy->width, copy->height,
                   scale);
    }
    turn(copy.get(), rotation);
    return copy;
}

PictureRecipe::PictureRecipe(PicturePtr loaded, int scale, double rotation)
    : m_loaded(std::move(loaded)), m_scale(scale), m_rotation(rotation),
      m_verdict(picture_judge(m_loaded.get(), scale, rotation))
{
}

PicturePtr PictureRecipe::picture() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_made) {
        /* Judged when the recipe was made: a refused one makes nothing and
         * logs nothing more. */
        if (m_verdict == PICTURE_FITS && m_loaded)
            m_picture = picture_prepare(m_loaded.get(), m_scale, m_rotation);
        m_made = true;
    }
    return m_picture;
}

PicturePtr PictureRecipe::prepared() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_picture;
}

static thread_local unsigned t_texts_rendered = 0;

unsigned picture_texts_rendered_here(void)
{
    return t_texts_rendered;
}

PicturePtr picture_render_text(const QString &text, const QString &sourcePath, int index,
                               const QFont &font, const QColor &color, double rotation,
                               bool *tooLarge)
{
    if (tooLarge)
        *tooLarge = false;
    t_texts_rendered++;
    const QByteArray text8 = text.toUtf8();
    const QByteArray path8 = sourcePath.toUtf8();
    std::vector<char> expanded(4096);
    expand_stamp_keywords(text8.constData(), path8.constData(), index < 0 ? 0 : index,
                          expanded.data(), expanded.size());
    /* Keywords can make a short text long (two counters of 1023 digits):
     * the expanded text is held to what the line edit takes, never cutting
     * a character in two. */
    QString line = QString::fromUtf8(expanded.data());
    if (line.size() > PICTURE_MAX_TEXT_LENGTH) {
        int keep = PICTURE_MAX_TEXT_LENGTH;
        if (line.at(keep - 1).isHighSurrogate())
            keep--;
        sn_log(3, NULL, "picture_render_text", __LINE__,
               "expanded text FAILED! length:%d, cut to %d\n", int(line.size()), keep);
        line.truncate(keep);
    }
    /* A font of this call's own: copies share one private part whose engine
     * cache Qt fills lazily, so several workers drawing with copies of one
     * snapshot font would write it at once. */
    QFont own;
    own.fromString(font.toString());
    own.setStyleStrategy(font.styleStrategy());
    int failed = 0;
    PicturePtr picture = picture_adopt(render_text_image(line, own, color, &failed));
    if (!picture) {
        /* Nothing to draw is no failure; a text that cannot be drawn is. */
        if (tooLarge && failed)
            *tooLarge = true;
        return picture;
    }
    const double angle = picture_angle(rotation);
    const size_t drawn = (size_t)picture->width * (size_t)picture->height;
    const size_t turned = sn_image_rotation_pixels(picture->width, picture->height, angle);
    if ((rotation >= 0.01 || rotation <= -0.01) && turned > drawn &&
        turned > PICTURE_MAX_TURNED_TEXT_PIXELS) {
        sn_log(4, NULL, "picture_render_text", __LINE__,
               "turned text FAILED! width:%d, height:%d, rotation:%.2f, pixels:%zu\n",
               picture->width, picture->height, rotation, turned);
        if (tooLarge)
            *tooLarge = true;
        return PicturePtr();
    }
    turn(picture.get(), rotation);
    return picture;
}

imagefilter_t *picturefilter_create(const char *kind)
{
    imagefilter_t *inner = imagefilter_create(kind);
    if (!inner)
        return nullptr;
    picture_filter *self = new (std::nothrow) picture_filter;
    if (!self) {
        sn_log(4, NULL, "picturefilter_create", __LINE__, "malloc FAILED! size:%d\n",
               (int)sizeof(picture_filter));
        imagefilter_destroy(inner);
        return nullptr;
    }
    self->head.name = inner->name;
    self->head.destroy = picturefilter_destroy;
    self->head.execute = picturefilter_execute;
    self->head.set_settings = picturefilter_set_settings;
    self->head.reserved = picturefilter_reserved;
    self->inner = inner;
    self->refused = false;
    self->pictureKey = 0;
    self->settingsFailed = 0;
    return &self->head;
}

int picturefilter_configure(imagefilter_t *filter, const PicturePtr &picture,
                            const std::vector<std::string> &keys,
                            const std::vector<std::string> &values, size_t pictureKey, bool refused)
{
    if (!filter) {
        sn_log(4, NULL, "picturefilter_configure", __LINE__, "filter is null\n");
        return -1;
    }
    picture_filter *self = as_wrapper(filter);
    /* The picture the filter held until now goes only after the filter reads
     * the new address. */
    PicturePtr previous;
    if (self) {
        previous = std::move(self->picture);
        self->picture = picture;
        self->refused = !picture && refused;
        self->recipe.reset();
        self->keys.clear();
        self->values.clear();
        self->settingsFailed = 0;
        /* Nothing to draw: the wrapper passes photos through, and the inner
         * filter, which would refuse a null address, is not asked. */
        if (!picture)
            return 0;
    }
    return configure_inner(filter, picture, keys, values, pictureKey);
}

int picturefilter_configure_recipe(imagefilter_t *filter, const PictureRecipePtr &recipe,
                                   const std::vector<std::string> &keys,
                                   const std::vector<std::string> &values, size_t pictureKey)
{
    picture_filter *self = as_wrapper(filter);
    if (!self) {
        sn_log(4, NULL, "picturefilter_configure_recipe", __LINE__, "not a picture filter\n");
        return -1;
    }
    /* The picture held until now stays until the next run gives the inner
     * filter the new address. A recipe asked again (the batch's kept filter,
     * photo after photo) hands back the copy it made once. */
    self->settingsFailed = 0;
    self->recipe = recipe;
    self->keys = keys;
    self->values = values;
    self->pictureKey = pictureKey;
    return 0;
}

PicturePtr picturefilter_picture(const imagefilter_t *filter)
{
    picture_filter *self = as_wrapper(filter);
    if (!self)
        return PicturePtr();
    resolve_recipe(self);
    return self->picture;
}
