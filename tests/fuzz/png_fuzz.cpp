/*
 * Fuzz target of the PNG reader: any bytes that the PNG probe accepts go
 * through the loader.
 */
#include "fuzz_load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return zvfuzz::load("png", SN_IMAGE_FORMAT_PNG, data, size);
}
