/*
 * Fuzz target of the BMP reader: any bytes that the BMP probe accepts go
 * through the loader.
 */
#include "fuzz_load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return zvfuzz::load("bmp", SN_IMAGE_FORMAT_BMP, data, size);
}
