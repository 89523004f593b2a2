// Registration of the framework's compiled-in resources.
#include "skinresources.h"

#include <QFile>

static void registerSkinResources()
{
    Q_INIT_RESOURCE(skin);
}

void initSkinResources()
{
    static bool done = false;
    if (!done) {
        registerSkinResources();
        done = true;
    }
}

QString skinStyleSheet()
{
    initSkinResources();
    QFile file(QStringLiteral(":/skin/skin.qss"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}
