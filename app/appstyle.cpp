// Translation and skin loading: still to come.
#include "appstyle.h"

void loadTranslator() {}

void loadSkin() {}
