// The questions the settings can turn off, with the flag kept and saved.
#include "askedquestion.h"

#include "appsettings.h"
#include "stylemsg.h"

bool askedQuestionGoesOn(QWidget *parent, const QString &title, const QString &question,
                         int32_t *askFlag)
{
    if (!appsettings_asks(*askFlag))
        return true;
    bool never = false;
    if (!StyleMsg::confirm(parent, title, question, &never))
        return false;
    if (never) {
        *askFlag = 0;
        appsettings_save_default();
    }
    return true;
}
