// Under AddressSanitizer: the offscreen platform plugin keeps its screen and
// cursor until the process ends, which LeakSanitizer takes for leaks. Those
// allocations are passed over by their origin; full stacks are needed to see
// it, as Qt's libraries are built without frame pointers. Include once, in
// the test's only source file.
#ifndef SANITIZER_HOOKS_H
#define SANITIZER_HOOKS_H

#if defined(__SANITIZE_ADDRESS__)
extern "C" const char *__asan_default_options()
{
    return "fast_unwind_on_malloc=0";
}

extern "C" const char *__lsan_default_suppressions()
{
    return "leak:QGuiApplicationPrivate::createPlatformIntegration\n";
}
#endif

#endif
