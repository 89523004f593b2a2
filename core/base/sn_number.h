/*
 * sn_number: reals read and written with '.' as the decimal point whatever
 * locale the application runs in (a Qt application takes the user's at
 * start-up, where it may be ','). Settings files and operation texts use it.
 */
#ifndef SN_NUMBER_H
#define SN_NUMBER_H

#include <locale.h>

/* The "C" numeric locale, made once; (locale_t)0 if it could not be made. */
locale_t sn_c_numeric(void);

/* strtod with '.' as the decimal point; falls back to plain strtod when the
 * "C" locale could not be made. */
double sn_strtod_c(const char *text, char **end);

#endif
