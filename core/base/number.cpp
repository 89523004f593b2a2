/*
 * number: the locale-independent real reader of sn_number.h, so that every
 * file and text that stores a real reads it back the same way.
 */
#include "base/sn_number.h"

#include <stdlib.h>

locale_t sn_c_numeric(void)
{
    static locale_t numeric = newlocale(LC_NUMERIC_MASK, "C", (locale_t)0);
    return numeric;
}

double sn_strtod_c(const char *text, char **end)
{
    locale_t c = sn_c_numeric();
    return c ? strtod_l(text, end, c) : strtod(text, end);
}
