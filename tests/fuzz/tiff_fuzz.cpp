/*
 * Fuzz target of the TIFF reader: any bytes that the TIFF probe accepts go
 * through the loader.
 */
#include "fuzz_load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return zvfuzz::load("tiff", SN_IMAGE_FORMAT_TIFF, data, size);
}
