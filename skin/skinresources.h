// The built-in skin resources: the default skin (a compiled resource file
// embedded at ":/zandrevik/default.style", whose tree holds
// "/style/style.qss" and the images it names by url(:style/...)) and the local
// style sheet ":/zandrevik/local.qss" that is applied after any skin.
#ifndef SKINRESOURCES_H
#define SKINRESOURCES_H

#include <QString>

#define ZV_DEFAULT_SKIN ":/zandrevik/default.style"
#define ZV_LOCAL_STYLE_SHEET ":/zandrevik/local.qss"

// Links in the ":/zandrevik" resources; a static library's resources are
// there only once something calls this.
void initSkinResources();
// Whether a file is a compiled resource file whose every node, name and
// data block lies inside it and whose compressed blocks unpack to a sane
// size. Qt's own reader trusts those offsets, so a damaged skin file would
// crash it; a skin is registered only after this check.
bool resourceFileIsSound(const QString &path);
// The text of a style sheet file: the bytes before its first NUL (all of them
// when there is none) as UTF-8; empty when it does not open.
QString readStyleSheet(const QString &path);
// The default skin's sheet for programs without a skin of their own (the
// framework's tests and demo): registers the default skin at the resource
// root, once, and returns its sheet.
QString skinStyleSheet();

#endif
