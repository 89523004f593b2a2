// The built-in skin resources and the reading of a style sheet.
#include "skinresources.h"

#include <QFile>
#include <QResource>

static void registerBuiltinResources()
{
    // Outside any namespace: the macro declares the resource's init function.
    Q_INIT_RESOURCE(zandrevik_skin);
}

void initSkinResources()
{
    static bool done = false;
    if (!done) {
        registerBuiltinResources();
        done = true;
    }
}

QString readStyleSheet(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QByteArray bytes = file.readAll();
    // A sheet ends at its first NUL, as a C string would.
    const int nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    return QString::fromUtf8(bytes);
}

QString skinStyleSheet()
{
    initSkinResources();
    static bool registered = false;
    if (!registered)
        registered = QResource::registerResource(QStringLiteral(ZV_DEFAULT_SKIN));
    return readStyleSheet(QStringLiteral(":/style/style.qss"));
}
