/*
 * fileman: the list of source files of a batch run, kept in the order of its
 * sort type and addressed by view index (the displayed order, which is the
 * storage order reversed when descending is set).
 */
#ifndef FILEMAN_H
#define FILEMAN_H

#include <stdint.h>

struct sn_image;
struct sn_thread_mutex;

typedef struct fileman_item {
    char *path;                 /* own copy, '/' separators */
    uint32_t size;              /* bytes */
    int32_t mtime;              /* seconds since 1970 */
    int checked;                /* the Step 1 check mark; 0 when added */
    struct sn_image *thumbnail; /* made and freed by the file model, never here */
} fileman_item_t;

#define FILEMAN_SORT_NONE 0
#define FILEMAN_SORT_NAME 1
#define FILEMAN_SORT_DATE 2
#define FILEMAN_SORT_SIZE 3

typedef struct fileman {
    fileman_item_t **items; /* storage order: ascending in the sort type */
    int capacity;
    int count;
    int sort;
    int descending;
    int current; /* view index of the current file; kept by its users */
    /* Held by every change of the array and by the copies that workers take,
     * never while calling out or logging. */
    struct sn_thread_mutex *mutex;
} fileman_t;

fileman_t *fileman_create(void);
void fileman_destroy(fileman_t *list);
int fileman_clear(fileman_t *list);
int fileman_add(fileman_t *list, const char *path, uint32_t size, int32_t mtime);
int fileman_remove(fileman_t *list, int index);
int fileman_count(fileman_t *list);
/* For the thread that changes the list (the interface thread); other threads
 * take a copy with fileman_copy_path. */
fileman_item_t *fileman_get(fileman_t *list, int index);
/* A malloc'ed copy of the path at view index, taken under the list's lock so
 * that a worker never reads an entry being removed; null when there is none. */
char *fileman_copy_path(fileman_t *list, int index);
void fileman_set_current(fileman_t *list, int index);
int fileman_get_current(fileman_t *list);
int fileman_sort(fileman_t *list, int sort, int descending);
void fileman_get_sort(fileman_t *list, int *sort, int *descending);

#endif
