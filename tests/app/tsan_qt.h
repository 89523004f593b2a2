// Under ThreadSanitizer: Qt's libraries are built without it, so the
// synchronisation inside them (the test library's watchdog thread, queued
// signals from a worker) is invisible and reported as races within Qt. Those
// reports are passed over by Qt's own modules; races in the program's code
// outside Qt's frames are still reported. Include once, in the test's only
// source file.
#ifndef TSAN_QT_H
#define TSAN_QT_H

#if defined(__SANITIZE_THREAD__)
extern "C" const char *__tsan_default_suppressions()
{
    return "race:libQt5Core.so\n"
           "race:libQt5Gui.so\n"
           "race:libQt5Widgets.so\n"
           "race:libQt5Test.so\n";
}
#endif

#endif
