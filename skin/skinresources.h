// The built-in skin resources: the default skin (a compiled resource file
// embedded at ":/zandrevik/default.style", whose tree holds
// "/style/style.qss" and the images it names by url(:style/...)) and the local
// style sheet ":/zandrevik/local.qss" that is applied after any skin.
#ifndef SKINRESOURCES_H
#define SKINRESOURCES_H

#include <QByteArray>
#include <QString>
#include <QStringList>

#define ZV_DEFAULT_SKIN ":/zandrevik/default.style"
#define ZV_LOCAL_STYLE_SHEET ":/zandrevik/local.qss"

// Links in the ":/zandrevik" resources; a static library's resources are
// there only once something calls this.
void initSkinResources();
// The bytes of a file that may be a skin: only a regular file (a FIFO, a
// device or a folder is refused before it is opened) of at most 64 MB;
// empty otherwise, with the reason in *why.
QByteArray readResourceFile(const QString &path, QString *why);
// Whether bytes are compiled resource data whose every node, name and data
// block lies inside them and whose compressed blocks unpack to a sane size.
// Qt's own reader trusts those offsets, so a damaged skin file would crash
// it; a skin is registered only after this check.
bool resourceDataIsSound(const QByteArray &bytes);
// Whether compiled resource data is sound and costs little at start: a
// bounded number of entries that unpack to a bounded total (summed over the
// entries before anything is unpacked, each block holding no more than it
// declares), its style sheet of bounded size and rule count naming files
// only through plain url()s (no escape, no property set from the sheet, no
// rich text), and every picture in its tree a PNG, JPEG, GIF or BMP decoding
// within bounded sides and pixels, the PNGs with a bounded number of extra
// chunks and bounded texts and colour profiles; else the reason is in *why.
bool skinIsWithinBounds(const QByteArray &bytes, QString *why);
// The sheet with each url() that names no resource in a form Qt reads as
// that name (url(:name) without blanks, quotes, parentheses or escapes, or
// url(":name") / url(':name') without line breaks, escapes or its own
// quote) replaced by none, the names dropped added to *dropped: only
// pictures of the resource tree are painted with.
QString sheetWithinTheSkin(const QString &sheet, QStringList *dropped);
// The text of a style sheet file: the bytes before its first NUL (all of them
// when there is none) as UTF-8; empty when it does not open.
QString readStyleSheet(const QString &path);
// The default skin's sheet for programs without a skin of their own (the
// framework's tests and demo): registers the default skin at the resource
// root, once, and returns its sheet.
QString skinStyleSheet();

#endif
