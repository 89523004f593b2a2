/*
 * Pixel blocks: a worker's freed large blocks come back for its next photo of
 * the same size, never to another thread and never for a far smaller request;
 * and work done on reused, dirty blocks writes exactly the bytes it writes on
 * fresh ones.
 */
#include "image/sn_image.h"
#include "zv_test.h"

#include <gtest/gtest.h>

#include <string.h>

#include <thread>
#include <vector>

namespace
{

const size_t k_large = (size_t)8 << 20;

TEST(BlocksTest, AWorkerGetsItsFreedBlockBackForTheSameSizeOnly)
{
    std::thread worker([] {
        sn_image_cache_enable();
        void *frame = snimage_block_alloc(k_large);
        ASSERT_NE(frame, nullptr);
        memset(frame, 1, k_large);
        snimage_block_free(frame);
        /* A result a quarter of the size must not take the frame's block. */
        void *small = snimage_block_alloc(k_large / 4);
        EXPECT_NE(small, frame);
        void *again = snimage_block_alloc(k_large - 4096);
        EXPECT_EQ(again, frame);

        /* Another thread, cache or not, never gets a block kept here. */
        snimage_block_free(again);
        void *elsewhere = nullptr;
        std::thread other([&] {
            sn_image_cache_enable();
            elsewhere = snimage_block_alloc(k_large);
            snimage_block_free(elsewhere);
            sn_image_cache_release();
        });
        other.join();
        EXPECT_NE(elsewhere, frame);
        snimage_block_free(small);
        sn_image_cache_release();
    });
    worker.join();
}

/* Decodes nothing, but takes the paths that allocate most: half size, a free
 * rotation, another factor, crop and padding, then writes a JPEG and a PNG. */
std::vector<uint8_t> run_photo(const zvtest::TempDir &dir, const char *name)
{
    std::vector<uint8_t> bytes;
    zvtest::ImagePtr image(sn_image_create(1200, 900, 1));
    if (!image || sn_image_allocate_frame(image.get(), 0) != 0)
        return bytes;
    uint32_t state = 7;
    for (int y = 0; y < 900; y++)
        for (int x = 0; x < 1200; x++) {
            state = state * 1103515245u + 12345u;
            image->frames[0].rows[y][x] =
                SN_PIXEL(0xFF, (x + (state >> 28)) & 0xFF, (y * 3) & 0xFF, (x ^ y) & 0xFF);
        }
    if (sn_image_resize(image.get(), 600, 450) != 0 || sn_image_rotate(image.get(), 17, 0) != 0 ||
        sn_image_resize(image.get(), 401, 333) != 0 ||
        sn_image_crop(image.get(), 3, 5, 390, 320) != 0 ||
        sn_image_padding(image.get(), 4, 4, 9, 9, 0x80FF00FFu) != 0)
        return bytes;
    sn_image_write_params_t params = {90, 24, 0, 0};
    std::string jpeg = dir.file(std::string(name) + ".jpg");
    std::string png = dir.file(std::string(name) + ".png");
    params.transparent = 1;
    if (sn_image_save(image.get(), jpeg.c_str(), SN_IMAGE_FORMAT_JPEG, &params) != 0 ||
        sn_image_save(image.get(), png.c_str(), SN_IMAGE_FORMAT_PNG, &params) != 0)
        return bytes;
    bytes = zvtest::read_file(jpeg);
    std::vector<uint8_t> more = zvtest::read_file(png);
    bytes.insert(bytes.end(), more.begin(), more.end());
    return bytes;
}

TEST(BlocksTest, ReusedDirtyBlocksWriteTheSameBytesAsFreshOnes)
{
    sn_image_init();
    zvtest::TempDir dir;
    std::vector<uint8_t> fresh, reused;
    std::thread([&] { fresh = run_photo(dir, "fresh"); }).join();
    std::thread([&] {
        sn_image_cache_enable();
        /* Blocks of every size the run asks for, full of garbage. */
        std::vector<void *> dirty;
        for (size_t bytes = (size_t)1 << 20; bytes <= (size_t)8 << 20; bytes += (size_t)1 << 20) {
            void *block = snimage_block_alloc(bytes);
            memset(block, 0xA5, bytes);
            dirty.push_back(block);
        }
        for (void *block : dirty)
            snimage_block_free(block);
        reused = run_photo(dir, "reused");
        /* And once more on what that run left. */
        std::vector<uint8_t> second = run_photo(dir, "second");
        EXPECT_EQ(second, reused);
        sn_image_cache_release();
    }).join();
    ASSERT_FALSE(fresh.empty());
    EXPECT_EQ(reused, fresh);
}

} // namespace
