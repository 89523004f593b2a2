// The translation and the skin, chosen once at start.
#ifndef APPSTYLE_H
#define APPSTYLE_H

// Installs the language file named by the settings (or the system locale's)
// from the "language" folder beside the executable.
void loadTranslator();
// Registers the skin resource named by "skin_file" (else the built-in
// default skin) and applies its style sheet with the local one after it.
void loadSkin();

#endif
