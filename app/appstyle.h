// The translation and the skin, chosen once at start.
#ifndef APPSTYLE_H
#define APPSTYLE_H

#include <QString>

// Installs the language file named by the settings (or the system locale's)
// from the "language" folder beside the executable.
void loadTranslator();
// Registers the skin resource named by "skin_file" (else the built-in
// default skin) and applies its style sheet with the local one after it.
// A later call unregisters the skin that the earlier one registered.
void loadSkin();

// The folder of the translation files: "language" beside the executable,
// unless a test has put another in its place (an empty folder restores it).
QString languageFolder();
void setLanguageFolder(const QString &folder);
// The resource file that loadSkin registered last (empty before).
QString registeredSkinPath();

#endif
