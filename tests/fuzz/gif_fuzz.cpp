/*
 * Fuzz target of the GIF reader: any bytes that the GIF probe accepts go
 * through the loader.
 */
#include "fuzz_load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return zvfuzz::load("gif", SN_IMAGE_FORMAT_GIF, data, size);
}
