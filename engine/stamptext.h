/*
 * stamptext: the short date and size texts of the file list, the per-file
 * keyword expansion of text stamps and watermarks, the text picture they lay
 * over a photo, and the millisecond clock that defers settings edits.
 */
#ifndef STAMPTEXT_H
#define STAMPTEXT_H

#include <stddef.h>
#include <stdint.h>
#include <time.h>

#include <QColor>
#include <QFont>
#include <QString>

#include "image/sn_image.h"

/* "%b-%d-%Y" of a broken-down time (Sep-01-2012); empty for null. */
QString format_file_date(const struct tm *time);

/* 1023B, 1KB, 1.048MB, 4.656GB; empty from 1 TiB on. */
QString format_file_size(int64_t bytes);

/* Writes text with <Filename>, <Foldername>, <Extension>, <Path>,
 * <Counter start:step:digits>, <Datetime ...> and <Copyright> expanded for
 * source_path into output. The output is zero-filled first, never written
 * past size bytes and always NUL-terminated. 0, or -1 without a buffer. */
int expand_stamp_keywords(const char *text, const char *source_path, int counter_index,
                          char *output, size_t size);

/* One line of text on a transparent picture as large as its bounding box,
 * has_alpha 1; null for an empty text or when the picture cannot be made.
 * *failed (when given) tells the two apart: 1 when the text had something to
 * draw but was refused (more than 16 M pixels) or could not be made, else 0.
 * Draws on QImage only, so any thread may call it. */
sn_image_t *render_text_image(const QString &text, const QFont &font, const QColor &color,
                              int *failed = NULL);

/* Wall-clock time in milliseconds. */
int64_t current_time_ms(void);

#endif
