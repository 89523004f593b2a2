// A Yes/No question that a setting can turn off: asked while its flag and
// the all-questions switch say so, and turned off for good only by a Yes
// with "Never show this again!" ticked.
#ifndef ASKEDQUESTION_H
#define ASKEDQUESTION_H

#include <stdint.h>

class QString;
class QWidget;

// True to go on: the question is off, or was answered Yes. Esc, the close
// button and No give false and leave the flag as it is.
bool askedQuestionGoesOn(QWidget *parent, const QString &title, const QString &question,
                         int32_t *askFlag);

#endif
