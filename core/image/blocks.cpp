/*
 * Pixel blocks: the memory of every frame and of every Leptonica pixel buffer
 * (snimage_block_alloc, snimage_block_free), with a small cache of freed large
 * blocks on the worker threads that ask for one (sn_image_cache_enable), given
 * back by sn_image_cache_release when the worker goes idle.
 *
 * A fresh block of many megabytes is mapped anew by malloc and every one of its
 * pages faults and is zeroed on first touch; a worker that takes photos one by
 * one frees and maps the same sizes again for every file. Kept blocks are plain
 * malloc blocks, so a block freed with free() or on a thread without a cache is
 * simply released. Under AddressSanitizer a kept block is poisoned, so that a
 * use after free is still caught.
 */
#include "image/sn_image.h"

#include <malloc.h>
#include <stdlib.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define SN_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define SN_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define SN_POISON(p, n) ((void)(p), (void)(n))
#define SN_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace
{

/* Smaller blocks come from malloc's heap cheaply enough. */
const size_t k_min_block = (size_t)1 << 20;
/* A photo's frame, its result and an intermediate or two, with room to spare. */
const int k_slots = 6;
const size_t k_max_kept = (size_t)512 << 20;

struct kept_block {
    void *block;
    size_t bytes; /* usable size */
};

struct block_cache {
    bool enabled = false;
    bool trim = false; /* large blocks passed through since the last release */
    int count = 0;
    size_t kept = 0;
    kept_block slots[k_slots];

    /* Takes slot i out, keeping the others oldest first. */
    kept_block take(int i)
    {
        kept_block out = slots[i];
        for (int j = i + 1; j < count; j++)
            slots[j - 1] = slots[j];
        count--;
        kept -= out.bytes;
        return out;
    }
    void drop(int i)
    {
        kept_block out = take(i);
        SN_UNPOISON(out.block, out.bytes);
        free(out.block);
    }
    void clear()
    {
        while (count > 0)
            drop(count - 1);
    }
    ~block_cache()
    {
        clear();
    }
};

thread_local block_cache t_cache;

} // namespace

void *snimage_block_alloc(size_t bytes)
{
    block_cache &cache = t_cache;
    if (cache.enabled && bytes >= k_min_block) {
        /* The smallest kept block that holds it, unless it is twice as large:
         * a frame's block must not go to its far smaller result. */
        int best = -1;
        for (int i = 0; i < cache.count; i++)
            if (cache.slots[i].bytes >= bytes && cache.slots[i].bytes / 2 <= bytes &&
                (best < 0 || cache.slots[i].bytes < cache.slots[best].bytes))
                best = i;
        if (best >= 0) {
            void *block = cache.take(best).block;
            SN_UNPOISON(block, bytes);
            return block;
        }
    }
    return malloc(bytes);
}

void snimage_block_free(void *block)
{
    if (!block)
        return;
    block_cache &cache = t_cache;
    size_t bytes = cache.enabled ? malloc_usable_size(block) : 0;
    if (bytes >= k_min_block)
        cache.trim = true;
    if (bytes < k_min_block || bytes > k_max_kept) {
        free(block);
        return;
    }
    /* The oldest kept blocks make room. */
    while (cache.count > 0 && (cache.count == k_slots || cache.kept + bytes > k_max_kept))
        cache.drop(0);
    SN_POISON(block, bytes);
    cache.slots[cache.count++] = {block, bytes};
    cache.kept += bytes;
}

void sn_image_cache_enable(void)
{
    t_cache.enabled = true;
}

void sn_image_cache_release(void)
{
    block_cache &cache = t_cache;
    cache.clear();
    /* Large frees leave malloc's heaps holding free pages; hand them back. */
    if (cache.trim)
        malloc_trim(0);
    cache.trim = false;
}
