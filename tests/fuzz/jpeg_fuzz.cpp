/*
 * Fuzz target of the JPEG reader: any bytes that the JPEG probe accepts go
 * through the loader.
 */
#include "fuzz_load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return zvfuzz::load("jpeg", SN_IMAGE_FORMAT_JPEG, data, size);
}
