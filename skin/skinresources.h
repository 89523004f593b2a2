// The framework's own images and style sheet, compiled into the library.
#ifndef SKINRESOURCES_H
#define SKINRESOURCES_H

#include <QString>

// Registers the ":/skin" resources; a static library's resources are linked
// in only when something calls this.
void initSkinResources();
// The framework's style sheet (title bar, window buttons, message icons).
QString skinStyleSheet();

#endif
