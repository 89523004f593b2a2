// initAppResources: the application's pictures and texts, compiled into its
// static library, made known to Qt's resource system.
#ifndef APPRESOURCES_H
#define APPRESOURCES_H

// Nothing else pulls the resources out of the library: each entry point that
// may come first (start-up, a window built alone) calls this.
void initAppResources();

#endif
