// The built-in skin resources and the reading of a style sheet.
#include "skinresources.h"

#include <QFile>
#include <QResource>

#include <string.h>
#include <vector>

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

namespace
{

// Skins are a few hundred kilobytes; this bounds both the file read here and
// what one of its blocks may unpack to.
const qint64 kMaxResourceBytes = 64 * 1024 * 1024;

// The rcc layout: a header ("qres", version, tree, data and names offsets,
// from version 3 the file flags), then nodes of 14 bytes (22 from version
// 2): name offset, flags, then child count and first child for a folder, or
// country, language and data offset for a file.
enum { kCompressed = 0x01, kDirectory = 0x02, kCompressedZstd = 0x04 };

struct ResourceView {
    const uchar *bytes;
    quint64 size;

    bool has(quint64 offset, quint64 length) const
    {
        return offset <= size && length <= size - offset;
    }
    quint32 u32(quint64 at) const
    {
        return (quint32(bytes[at]) << 24) | (quint32(bytes[at + 1]) << 16) |
               (quint32(bytes[at + 2]) << 8) | quint32(bytes[at + 3]);
    }
    quint16 u16(quint64 at) const
    {
        return quint16((bytes[at] << 8) | bytes[at + 1]);
    }
};

// The content size a zstd frame declares; false when it declares none.
bool zstdContentSize(const ResourceView &v, quint64 at, quint64 length, quint64 *result)
{
    if (length < 5 || !v.has(at, length) || v.u32(at) != 0x28B52FFDu)
        return false;
    const uchar descriptor = v.bytes[at + 4];
    const int fcsFlag = descriptor >> 6;
    const bool single = descriptor & 0x20;
    static const int dictSizes[] = {0, 1, 2, 4};
    const int fcsSize = fcsFlag == 0 ? (single ? 1 : 0) : (1 << fcsFlag);
    const quint64 fcsAt = at + 5 + (single ? 0 : 1) + dictSizes[descriptor & 3];
    if (fcsSize == 0 || !v.has(fcsAt, quint64(fcsSize)) || fcsAt + fcsSize > at + length)
        return false;
    quint64 value = 0;
    for (int i = fcsSize - 1; i >= 0; --i)
        value = (value << 8) | v.bytes[fcsAt + i];
    *result = fcsSize == 2 ? value + 256 : value;
    return true;
}

bool nodeIsSound(const ResourceView &v, quint64 tree, quint64 names, quint64 data, int nodeSize,
                 quint32 node, std::vector<bool> &seen, std::vector<quint32> &pending)
{
    const quint64 at = tree + quint64(node) * quint64(nodeSize);
    if (!v.has(at, quint64(nodeSize)) || node >= seen.size() || seen[node])
        return false;
    seen[node] = true;
    const quint16 flags = v.u16(at + 4);
    if (node != 0) {
        const quint64 name = names + v.u32(at);
        if (!v.has(name, 6) || !v.has(name + 6, quint64(v.u16(name)) * 2))
            return false;
    } else if (!(flags & kDirectory)) {
        return false;
    }
    if (flags & kDirectory) {
        const quint32 count = v.u32(at + 6);
        const quint32 first = v.u32(at + 10);
        // rcc numbers children after their parent; anything else could loop.
        if (count > seen.size() || first <= node || first > seen.size() - count)
            return false;
        // Each node is some folder's child once; more children than nodes
        // cannot be a tree, and would only fill the queue.
        if (count > seen.size() - pending.size())
            return false;
        for (quint32 i = 0; i < count; ++i)
            pending.push_back(first + i);
        return true;
    }
    const quint64 block = data + v.u32(at + 10);
    if (!v.has(block, 4) || !v.has(block + 4, v.u32(block)))
        return false;
    const quint64 length = v.u32(block);
    if (flags & kCompressed) {
        // qUncompress's own header: the unpacked size, big-endian.
        return length >= 4 && v.u32(block + 4) <= quint64(kMaxResourceBytes);
    }
    if (flags & kCompressedZstd) {
        quint64 unpacked = 0;
        return zstdContentSize(v, block + 4, length, &unpacked) &&
               unpacked <= quint64(kMaxResourceBytes);
    }
    return true;
}

} // namespace

bool resourceFileIsSound(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxResourceBytes)
        return false;
    const QByteArray bytes = file.readAll();
    const ResourceView v{reinterpret_cast<const uchar *>(bytes.constData()), quint64(bytes.size())};
    if (!v.has(0, 20) || memcmp(v.bytes, "qres", 4) != 0)
        return false;
    const quint32 version = v.u32(4);
    if (version < 1 || version > 3 || (version >= 3 && !v.has(0, 24)))
        return false;
    const quint64 tree = v.u32(8), data = v.u32(12), names = v.u32(16);
    if (tree >= v.size || data >= v.size || names >= v.size)
        return false;
    const int nodeSize = version >= 2 ? 22 : 14;
    std::vector<bool> seen(size_t((v.size - tree) / quint64(nodeSize)), false);
    std::vector<quint32> pending{0};
    while (!pending.empty()) {
        const quint32 node = pending.back();
        pending.pop_back();
        if (!nodeIsSound(v, tree, names, data, nodeSize, node, seen, pending))
            return false;
    }
    return true;
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
