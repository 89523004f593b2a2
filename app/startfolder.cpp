// The start folders of the file dialogs, kept per kind for the session.
#include "startfolder.h"

#include "dialogs.h"

#include <QDir>
#include <QFileInfo>

namespace
{

const int k_kinds = 2;

QString &lastFolder(StartFolder::Kind kind)
{
    static QString folders[k_kinds];
    return folders[kind];
}

bool isFolder(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

} // namespace

namespace StartFolder
{

QString forKind(Kind kind)
{
    if (kind < 0 || kind >= k_kinds)
        return QDir::homePath();
    const QString &last = lastFolder(kind);
    return isFolder(last) ? last : QDir::homePath();
}

QString proposedName(Kind kind, const QString &fileName)
{
    return QDir(forKind(kind)).filePath(fileName);
}

void remember(Kind kind, const QString &chosenFile)
{
    if (kind < 0 || kind >= k_kinds || chosenFile.isEmpty())
        return;
    lastFolder(kind) = QFileInfo(chosenFile).absolutePath();
}

QString besideFile(const QString &current, const QString &fileName)
{
    const QString folder = current.isEmpty() ? QString() : QFileInfo(current).absolutePath();
    return QDir(isFolder(folder) ? folder : QDir::homePath()).filePath(fileName);
}

QString forPictures(const QString &last)
{
    return isFolder(last) ? last : Dialogs::picturesFolder();
}

void reset()
{
    for (int i = 0; i < k_kinds; i++)
        lastFolder(static_cast<Kind>(i)).clear();
}

} // namespace StartFolder
