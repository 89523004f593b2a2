// The photo-list file of Save List and Load List: one path per line, each
// ended by CR LF; how a file is read, how its lines become paths, and which
// paths survive the way there and back.
#ifndef PHOTOLIST_H
#define PHOTOLIST_H

#include <QByteArray>
#include <QList>
#include <QString>

// The whole of the file name, or false with nothing read: only a regular
// file (a FIFO would block, a device never end) of at most 256 MiB that
// reads without error and holds no NUL byte (paths hold none) is a list.
bool photoListRead(const QString &name, QByteArray *bytes);

// The paths of a list, in its order: a leading UTF-8 byte-order mark is
// dropped; lines are read as with a 1024-byte line buffer (up to the line
// feed, or 1023 bytes of a longer line), trimmed, and empty ones and those
// that begin with '#' are left out.
QList<QByteArray> photoListPaths(const QByteArray &bytes);

// True when a list reads path back as it stands: one line, valid UTF-8, no
// blanks at its ends, no leading '#', and short enough to end within one
// line read.
bool photoListReadsBack(const QByteArray &path);

#endif
