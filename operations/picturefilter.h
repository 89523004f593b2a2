// The pictures that the stamp and watermark kinds lend to their filters, and
// the filter wrapper that keeps each picture alive for as long as a filter
// configured with its address exists. Also the preparation shared by the four
// kinds: loading a picture file, judging and making its scaled and turned
// copy (PictureRecipe: made by the first worker that needs it), and
// rendering a stamp text for one source file.
//
//   picture_adopt, picture_address, picture_angle, picture_load,
//   picture_judge, picture_prepare, PictureRecipe, picture_render_text,
//   picture_texts_rendered_here, picturefilter_create,
//   picturefilter_configure, picturefilter_configure_recipe,
//   picturefilter_picture
#ifndef PICTUREFILTER_H
#define PICTUREFILTER_H

#include <QColor>
#include <QFont>
#include <QString>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct imagefilter;
typedef struct imagefilter imagefilter_t;
struct sn_image;
typedef struct sn_image sn_image_t;

typedef std::shared_ptr<sn_image_t> PicturePtr;

// Takes ownership of image (null stays null); the last reference destroys it.
PicturePtr picture_adopt(sn_image_t *image);

// The address text the filters read back ("%p"; "(nil)" for none).
std::string picture_address(const sn_image_t *image);

// Degrees brought into [0, 360), so that -90, -180 and 360 are exact quarter
// turns (or none) for sn_image_rotate.
double picture_angle(double degrees);

// Reads every frame of a picture file; null for anything that is not a
// regular file (a FIFO or a device would block the reader) or does not load.
PicturePtr picture_load(const QString &path);

// The most pixels a scaled picture may have: a small logo at the largest
// scale would be gigabytes, made again for every published edit.
#define PICTURE_MAX_SCALED_PIXELS (64 * 1000 * 1000)

// The most pixels a turned picture may cover, as a turned text: a turn costs
// in proportion to its canvas.
#define PICTURE_MAX_TURNED_PIXELS (16 * 1024 * 1024)

// What picture_judge finds.
enum {
    PICTURE_FITS = 0,
    PICTURE_SCALED_TOO_LARGE = 1, /* past PICTURE_MAX_SCALED_PIXELS */
    PICTURE_TURNED_TOO_LARGE = 2  /* its turn past PICTURE_MAX_TURNED_PIXELS */
};

// Judges from the sizes alone, without touching a pixel, whether
// picture_prepare would refuse loaded at scale and rotation; a refusal is
// logged. PICTURE_FITS for a null loaded.
int picture_judge(const sn_image_t *loaded, int scale, double rotation);

// A copy of loaded, scaled to scale percent (100 keeps the size) and turned
// clockwise by rotation degrees with transparent corners when rotation is at
// least 0.01 away from 0. Null when loaded is null or the copy fails; a
// refused resize keeps the loaded size. A scaled size above
// PICTURE_MAX_SCALED_PIXELS, or a turn that would grow the scaled picture
// past PICTURE_MAX_TURNED_PIXELS, is refused before anything is copied: null,
// a logged failure, and *tooLarge (when given) set; it is cleared otherwise.
PicturePtr picture_prepare(const sn_image_t *loaded, int scale, double rotation,
                           bool *tooLarge = nullptr);

// One published picture of an image kind: the loaded picture, the scale and
// the turn, judged when made (cheap, on the interface thread) and prepared
// by the first caller of picture() (a worker configuring or running a
// filter), once for every filter configured from it: the preview and the
// batch, and every photo of a run, share one copy. Immutable but for that
// copy, which a mutex guards.
class PictureRecipe
{
public:
    PictureRecipe(PicturePtr loaded, int scale, double rotation);
    PictureRecipe(const PictureRecipe &) = delete;
    PictureRecipe &operator=(const PictureRecipe &) = delete;

    // What picture_judge found for the settings.
    int verdict() const
    {
        return m_verdict;
    }
    bool refused() const
    {
        return m_verdict != PICTURE_FITS;
    }
    const PicturePtr &loaded() const
    {
        return m_loaded;
    }
    int scale() const
    {
        return m_scale;
    }
    double rotation() const
    {
        return m_rotation;
    }
    // The prepared picture, made on the first call (a second caller waits
    // for it); null when refused, without a loaded picture, or when the
    // copy failed. Any thread.
    PicturePtr picture() const;
    // The prepared picture if a caller of picture() has made it; null
    // otherwise. Never makes it.
    PicturePtr prepared() const;

private:
    const PicturePtr m_loaded;
    const int m_scale;
    const double m_rotation;
    const int m_verdict;
    mutable std::mutex m_mutex;
    mutable bool m_made = false;
    mutable PicturePtr m_picture;
};
typedef std::shared_ptr<const PictureRecipe> PictureRecipePtr;

// The most characters of a stamp text: what its line edit takes, and what
// its keywords may expand it to (a counter of 1023 digits is one keyword).
#define PICTURE_MAX_TEXT_LENGTH 1024

// The most pixels a turned text may cover: a long line turned by 45 degrees
// covers about (w + h)^2 / 2 pixels, drawn again for every photo.
#define PICTURE_MAX_TURNED_TEXT_PIXELS (16 * 1024 * 1024)

// The stamp text for one source file: keywords expanded with the file's
// counter index (as its output name counts), cut to PICTURE_MAX_TEXT_LENGTH
// characters, drawn in font and colour, turned by rotation (as
// picture_prepare). Null for a text that expands to nothing, and for one
// that cannot be drawn or whose turn would cover more than
// PICTURE_MAX_TURNED_TEXT_PIXELS (logged; *tooLarge, when given, is set for
// these and cleared otherwise). Safe on any thread.
PicturePtr picture_render_text(const QString &text, const QString &sourcePath, int index,
                               const QFont &font, const QColor &color, double rotation,
                               bool *tooLarge = nullptr);

// The texts picture_render_text has drawn on the calling thread: the tests
// ask on which thread a text is drawn.
unsigned picture_texts_rendered_here(void);

// A filter of kind ("stamp" or "watermark") that holds the picture it was
// last configured with; imagefilter_destroy releases the reference. Without a
// picture (nothing to draw) it leaves the photo as it is and succeeds; when
// the picture was refused as too large it fails every photo, with
// IMAGEFILTER_REFUSED_TOO_LARGE as the reason. Null when the kind cannot be
// made.
imagefilter_t *picturefilter_create(const char *kind);

// Configures filter with keys and values, the value at pictureKey replaced by
// picture's address; the filter keeps picture and lets the one before go.
// Returns what imagefilter_set_settings returns (a failure is logged); a
// wrapper given no picture is left with nothing to draw, or with a refusal
// when refused is set, and returns 0.
int picturefilter_configure(imagefilter_t *filter, const PicturePtr &picture,
                            const std::vector<std::string> &keys,
                            const std::vector<std::string> &values, size_t pictureKey,
                            bool refused = false);

// Configures filter (a wrapper) from recipe: the picture is asked of the
// recipe, and the inner filter configured with its address, when the filter
// first runs, so that whoever configures it (under the workflow's lock) never
// waits for a scale or a turn. A refused recipe fails every photo as a
// refused picture does; a null recipe or one without picture leaves photos
// as they are. Returns 0, or -1 for a filter that is not a wrapper.
int picturefilter_configure_recipe(imagefilter_t *filter, const PictureRecipePtr &recipe,
                                   const std::vector<std::string> &keys,
                                   const std::vector<std::string> &values, size_t pictureKey);

// The picture a wrapper filter holds now (for a recipe, asked of it, and
// made when no one has yet); null for another filter.
PicturePtr picturefilter_picture(const imagefilter_t *filter);

#endif
