// initAppResources: the one registration of the application's resources.
#include "appresources.h"

#include <QtGlobal>

void initAppResources()
{
    Q_INIT_RESOURCE(app);
}
