// The photo-list file: its reading with the refusals that keep the list
// untouched, the line splitting, and the write-side check.
#include "photolist.h"

#include <QFile>
#include <QFileInfo>

namespace
{

// Lines of a file list are read in pieces of at most this many bytes.
const int k_max_line = 1023;
// A file list larger than this is not a list of paths.
const qint64 k_max_list_bytes = 256 * 1024 * 1024;

} // namespace

bool photoListRead(const QString &name, QByteArray *bytes)
{
    if (!bytes)
        return false;
    bytes->clear();
    QFile file(name);
    bool readable = QFileInfo(name).isFile() && file.open(QIODevice::ReadOnly) &&
                    file.size() <= k_max_list_bytes;
    if (readable) {
        *bytes = file.readAll();
        readable = file.error() == QFileDevice::NoError && !bytes->contains('\0');
    }
    file.close();
    if (!readable)
        bytes->clear();
    return readable;
}

QList<QByteArray> photoListPaths(const QByteArray &bytes)
{
    QList<QByteArray> paths;
    const char *at = bytes.constData();
    const char *end = at + bytes.size();
    // A UTF-8 byte-order mark, as some editors write, is no part of the
    // first name.
    if (bytes.startsWith("\xEF\xBB\xBF"))
        at += 3;
    while (at < end) {
        const char *stop = at;
        while (stop < end && stop - at < k_max_line && *stop != '\n')
            stop++;
        if (stop < end && *stop == '\n' && stop - at < k_max_line)
            stop++;
        QString line = QString::fromUtf8(at, (int)(stop - at)).trimmed();
        at = stop;
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        paths.append(line.toUtf8());
    }
    return paths;
}

bool photoListReadsBack(const QByteArray &path)
{
    if (path.isEmpty() || path.size() + 2 > k_max_line || path.contains('\n') ||
        path.contains('\r') || path.startsWith('#'))
        return false;
    const QString line = QString::fromUtf8(path);
    return line.toUtf8() == path && line.trimmed() == line;
}
