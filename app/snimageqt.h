// snImageToQImage: how an engine picture becomes a Qt picture, for the file
// list's thumbnails and for the preview's stages alike.
#ifndef SNIMAGEQT_H
#define SNIMAGEQT_H

#include <QImage>

struct sn_image;
typedef struct sn_image sn_image_t;

enum class SnImageUse {
    // 0xAARRGGBB as it stands (QImage::Format_ARGB32), alpha 255 when the
    // picture has none.
    Exact,
    // The same colours in the format a pixmap keeps them in (RGB32 when
    // opaque, premultiplied otherwise), so that the pixmap made from it
    // neither copies nor converts.
    Display,
};

// Frame 0 of image; a null QImage when there are no pixels or a QImage
// cannot hold them. Large pictures are converted in bands on Qt's thread pool
// unless inBands is false (a caller that works beside the interface leaves
// the cores to it). A spare of the right size and format that nothing else
// shares is filled in place of a new picture.
QImage snImageToQImage(const sn_image_t *image, SnImageUse use, QImage spare = QImage(),
                       bool inBands = true);

#endif
