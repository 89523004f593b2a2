/*
 * The source file list: a growable array of entry pointers kept in the order
 * of its sort type (insertion places each entry by a linear scan, only a change
 * of sort type re-sorts), shown ascending or reversed through view indices.
 *
 *   fileman_create, fileman_destroy, fileman_clear
 *   fileman_add, fileman_remove, fileman_count, fileman_get, fileman_copy_path
 *   fileman_set_current, fileman_get_current, fileman_sort, fileman_get_sort
 */
#include "fileman.h"

#include "base/sn_log.h"
#include "base/sn_thread.h"

#include <stdlib.h>
#include <string.h>

namespace
{

const int k_initial_slots = 256;
/* Geometric growth up to here keeps adds cheap for ordinary folders; beyond
 * it, doubling would claim hundreds of megabytes of pointers at once. */
const int k_linear_step = 1048576;
const int k_max_slots = 67108864;

/* View index <-> storage index; the mapping is its own inverse. */
int to_storage(const fileman_t *list, int index)
{
    return list->descending ? list->count - 1 - index : index;
}

void free_item(fileman_item_t *item)
{
    if (!item)
        return;
    free(item->path);
    free(item);
}

int compare_name(const void *a, const void *b)
{
    const fileman_item_t *x = *(fileman_item_t *const *)a;
    const fileman_item_t *y = *(fileman_item_t *const *)b;
    return strcmp(x->path, y->path);
}

int compare_date(const void *a, const void *b)
{
    const fileman_item_t *x = *(fileman_item_t *const *)a;
    const fileman_item_t *y = *(fileman_item_t *const *)b;
    return (x->mtime > y->mtime) - (x->mtime < y->mtime);
}

int compare_size(const void *a, const void *b)
{
    const fileman_item_t *x = *(fileman_item_t *const *)a;
    const fileman_item_t *y = *(fileman_item_t *const *)b;
    return (x->size > y->size) - (x->size < y->size);
}

/* Storage position for a new item under the list's sort type; -2 when the
 * same path is already listed (name order only), *existing then holds it. */
int insert_position(const fileman_t *list, const fileman_item_t *item, int *existing)
{
    int n = list->count;
    switch (list->sort) {
    case FILEMAN_SORT_NAME:
        for (int i = 0; i < n; i++) {
            int c = strcmp(list->items[i]->path, item->path);
            if (c == 0) {
                *existing = i;
                return -2;
            }
            if (c > 0)
                return i;
        }
        return n;
    case FILEMAN_SORT_DATE:
        for (int i = 0; i < n; i++)
            if (list->items[i]->mtime > item->mtime)
                return i;
        return n;
    case FILEMAN_SORT_SIZE:
        for (int i = 0; i < n; i++)
            if (list->items[i]->size > item->size)
                return i;
        return n;
    default:
        return n;
    }
}

} // namespace

fileman_t *fileman_create(void)
{
    fileman_t *list = (fileman_t *)calloc(1, sizeof(fileman_t));
    if (!list) {
        sn_log(4, NULL, "fileman_create", __LINE__, "malloc FAILED! size:%d\n",
               (int)sizeof(fileman_t));
        return nullptr;
    }
    list->items = (fileman_item_t **)calloc((size_t)k_initial_slots, sizeof(fileman_item_t *));
    if (!list->items) {
        sn_log(4, NULL, "fileman_create", __LINE__, "malloc FAILED! size:%d\n",
               (int)(k_initial_slots * sizeof(fileman_item_t *)));
        free(list);
        return nullptr;
    }
    list->mutex = sn_thread_mutex_create();
    if (!list->mutex) {
        free(list->items);
        free(list);
        return nullptr;
    }
    list->capacity = k_initial_slots;
    return list;
}

void fileman_destroy(fileman_t *list)
{
    if (!list)
        return;
    fileman_clear(list);
    free(list->items);
    sn_thread_mutex_destroy(list->mutex);
    free(list);
}

int fileman_clear(fileman_t *list)
{
    if (!list)
        return -1;
    sn_thread_mutex_guard guard(list->mutex);
    for (int i = 0; i < list->count; i++) {
        free_item(list->items[i]);
        list->items[i] = nullptr;
    }
    list->count = 0;
    return 0;
}

int fileman_add(fileman_t *list, const char *path, uint32_t size, int32_t mtime)
{
    if (!list || !path)
        return -1;

    /* Everything that can fail or log is done before the lock is taken. */
    fileman_item_t *item = (fileman_item_t *)calloc(1, sizeof(fileman_item_t));
    if (!item) {
        sn_log(4, NULL, "fileman_add", __LINE__, "malloc FAILED! size:%d\n",
               (int)sizeof(fileman_item_t));
        return -1;
    }
    size_t len = strlen(path);
    item->path = (char *)malloc(len + 1);
    if (!item->path) {
        sn_log(4, NULL, "fileman_add", __LINE__, "malloc FAILED! size:%d\n",
               len + 1 > 0x7FFFFFFF ? 0x7FFFFFFF : (int)(len + 1));
        free(item);
        return -1;
    }
    memcpy(item->path, path, len + 1);
    item->size = size;
    item->mtime = mtime;

    int result = -1;
    int refused_capacity = 0, refused_inc = 0;
    size_t failed_bytes = 0;
    {
        sn_thread_mutex_guard guard(list->mutex);
        int existing = -1;
        int pos = insert_position(list, item, &existing);
        if (pos == -2) {
            result = to_storage(list, existing);
        } else {
            int ok = 1;
            if (list->count >= list->capacity) {
                int inc = list->capacity <= k_linear_step ? list->capacity : k_linear_step;
                if ((long long)list->capacity + inc > k_max_slots) {
                    refused_capacity = list->capacity;
                    refused_inc = inc;
                    ok = 0;
                } else {
                    size_t slots = (size_t)list->capacity + (size_t)inc;
                    fileman_item_t **grown =
                        (fileman_item_t **)calloc(slots, sizeof(fileman_item_t *));
                    if (!grown) {
                        failed_bytes = slots * sizeof(fileman_item_t *);
                        ok = 0;
                    } else {
                        memcpy(grown, list->items, (size_t)list->count * sizeof(*grown));
                        free(list->items);
                        list->items = grown;
                        list->capacity = (int)slots;
                    }
                }
            }
            if (ok) {
                memmove(list->items + pos + 1, list->items + pos,
                        (size_t)(list->count - pos) * sizeof(fileman_item_t *));
                list->items[pos] = item;
                list->count++;
                item = nullptr;
                result = to_storage(list, pos);
            }
        }
    }

    if (item) {
        free_item(item);
        if (refused_inc)
            sn_log(4, NULL, "fileman_add", __LINE__,
                   "array size is too large, current_size:%d, inc:%d, max:%d\n", refused_capacity,
                   refused_inc, k_max_slots);
        else if (failed_bytes)
            sn_log(4, NULL, "fileman_add", __LINE__, "malloc FAILED! size:%d\n",
                   failed_bytes > 0x7FFFFFFF ? 0x7FFFFFFF : (int)failed_bytes);
    }
    return result;
}

int fileman_remove(fileman_t *list, int index)
{
    if (!list)
        return -1;
    fileman_item_t *item = nullptr;
    {
        sn_thread_mutex_guard guard(list->mutex);
        if (index < 0 || index >= list->count)
            return -1;
        int pos = to_storage(list, index);
        item = list->items[pos];
        memmove(list->items + pos, list->items + pos + 1,
                (size_t)(list->count - pos - 1) * sizeof(fileman_item_t *));
        list->count--;
        list->items[list->count] = nullptr;
    }
    free_item(item);
    return 0;
}

int fileman_count(fileman_t *list)
{
    if (!list)
        return 0;
    sn_thread_mutex_guard guard(list->mutex);
    return list->count;
}

fileman_item_t *fileman_get(fileman_t *list, int index)
{
    if (!list)
        return nullptr;
    sn_thread_mutex_guard guard(list->mutex);
    if (index < 0 || index >= list->count)
        return nullptr;
    return list->items[to_storage(list, index)];
}

char *fileman_copy_path(fileman_t *list, int index)
{
    if (!list)
        return nullptr;
    sn_thread_mutex_guard guard(list->mutex);
    if (index < 0 || index >= list->count)
        return nullptr;
    /* strdup may fail; the caller treats that like a missing entry. */
    return strdup(list->items[to_storage(list, index)]->path);
}

void fileman_set_current(fileman_t *list, int index)
{
    if (!list)
        return;
    sn_thread_mutex_guard guard(list->mutex);
    if (index >= list->count)
        index = list->count - 1;
    if (index < 0)
        index = list->count > 0 ? 0 : -1;
    list->current = index;
}

int fileman_get_current(fileman_t *list)
{
    if (!list)
        return -1;
    sn_thread_mutex_guard guard(list->mutex);
    return list->count > 0 ? list->current : -1;
}

int fileman_sort(fileman_t *list, int sort, int descending)
{
    if (!list)
        return -1;
    sn_thread_mutex_guard guard(list->mutex);
    list->descending = descending;
    if (sort == list->sort)
        return 0;
    list->sort = sort;
    int (*compare)(const void *, const void *) = nullptr;
    switch (sort) {
    case FILEMAN_SORT_NAME:
        compare = compare_name;
        break;
    case FILEMAN_SORT_DATE:
        compare = compare_date;
        break;
    case FILEMAN_SORT_SIZE:
        compare = compare_size;
        break;
    default:
        return 0;
    }
    if (list->count > 1)
        qsort(list->items, (size_t)list->count, sizeof(fileman_item_t *), compare);
    return 0;
}

void fileman_get_sort(fileman_t *list, int *sort, int *descending)
{
    if (!list)
        return;
    sn_thread_mutex_guard guard(list->mutex);
    if (sort)
        *sort = list->sort;
    if (descending)
        *descending = list->descending;
}
