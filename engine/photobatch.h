/*
 * photobatch: the process-wide batch engine record, its command protocol,
 * states and events, and the two callback types the workers report through.
 */
#ifndef PHOTOBATCH_H
#define PHOTOBATCH_H

#include <QList>
#include <QString>

struct imagefilter;
typedef struct imagefilter imagefilter_t;

/* Fills filters with the pipeline's filters for one source file, in pipeline
 * order; called on a worker thread. The filters stay owned by the pipeline. */
typedef void (*filter_list_callback_t)(void *owner, const QString &source_path,
                                       QList<imagefilter_t *> &filters);

#endif
