// The built-in skin resources, the checks a skin file passes before it is
// registered (a sound tree of bounded entries, a bounded and plain sheet,
// pictures of the plain formats that decode within bounds), the url()
// filter, and the reading of a style sheet.
#include "skinresources.h"

#include <QDirIterator>
#include <QFile>
#include <QImageReader>
#include <QRegularExpression>
#include <QResource>

#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
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

QByteArray readResourceFile(const QString &path, QString *why)
{
    // A FIFO would block the open (and start-up with it), a device may never
    // end: only a regular file is read, opened without blocking, and checked
    // once more on the descriptor in case the name was replaced.
    const QByteArray name = QFile::encodeName(path);
    struct stat st;
    if (stat(name.constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
        *why = QStringLiteral("not a regular file");
        return QByteArray();
    }
    const int fd = open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    QFile file;
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxResourceBytes ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            close(fd);
        *why = QStringLiteral("open failed or larger than 64 MB");
        return QByteArray();
    }
    QByteArray bytes = file.read(kMaxResourceBytes + 1);
    if (bytes.size() > kMaxResourceBytes || file.error() != QFileDevice::NoError) {
        *why = QStringLiteral("read failed or larger than 64 MB");
        return QByteArray();
    }
    return bytes;
}

namespace
{

// The walk over every node of the tree in bytes: 0 when each lies inside
// them, -1 when one does not, 1 when there are more than most (the walk
// stops there, so that a tree of millions of entries costs no more than one
// of most).
int walkResourceTree(const QByteArray &bytes, quint64 most)
{
    const ResourceView v{reinterpret_cast<const uchar *>(bytes.constData()), quint64(bytes.size())};
    if (!v.has(0, 20) || memcmp(v.bytes, "qres", 4) != 0)
        return -1;
    const quint32 version = v.u32(4);
    if (version < 1 || version > 3 || (version >= 3 && !v.has(0, 24)))
        return -1;
    const quint64 tree = v.u32(8), data = v.u32(12), names = v.u32(16);
    if (tree >= v.size || data >= v.size || names >= v.size)
        return -1;
    const int nodeSize = version >= 2 ? 22 : 14;
    std::vector<bool> seen(size_t((v.size - tree) / quint64(nodeSize)), false);
    std::vector<quint32> pending{0};
    quint64 walked = 0;
    while (!pending.empty()) {
        if (++walked > most)
            return 1;
        const quint32 node = pending.back();
        pending.pop_back();
        if (!nodeIsSound(v, tree, names, data, nodeSize, node, seen, pending))
            return -1;
    }
    return 0;
}

} // namespace

bool resourceDataIsSound(const QByteArray &bytes)
{
    return walkResourceTree(bytes, ~quint64(0)) == 0;
}

namespace
{

// Bounds of what a skin may cost at start: a sheet 40 times the default
// one's size and 20 times its rules, 58 times the default's 70 entries, and
// pictures whose decoded pixels stay far below the start-up's memory
// budget. The default skin is well inside.
const int kMaxSheetBytes = 1024 * 1024;
const int kMaxSheetRules = 4096;
const quint64 kMaxSkinEntries = 4096;
const int kMaxPictureSide = 4096;
const qint64 kMaxPicturePixels = 16 * 1024 * 1024;
// libjpeg decodes every scan of a file, each over the whole picture, and
// takes a repeated one with a warning: a few kilobytes of copies cost
// minutes. A progressive JPEG has about ten scans; this allows six times
// that, and an embedded thumbnail's.
const int kMaxJpegScans = 64;

bool sheetIsWithinBounds(const QString &sheet, QString *why)
{
    const int rules = sheet.count(QLatin1Char('{'));
    if (sheet.size() <= kMaxSheetBytes && rules <= kMaxSheetRules)
        return true;
    *why = QStringLiteral("style sheet of %1 characters and %2 rules").arg(sheet.size()).arg(rules);
    return false;
}

// A sheet names a file only through a plain url(), which the filter below
// can judge. Qt reads more than a filter can follow: an escape spells
// url() or a path another way, a property set from the sheet may be a
// widget's own sheet, its text (rich text loads the pictures it names) or
// its picture, and any "<" may be rich text. The default skin uses none of
// these, so a sheet that does is refused rather than read.
bool sheetIsPlain(const QString &sheet, QString *why)
{
    static const QRegularExpression property(QStringLiteral("qproperty-[\\w-]*"),
                                             QRegularExpression::CaseInsensitiveOption);
    if (sheet.contains(property))
        *why = QStringLiteral("style sheet sets %1").arg(property.match(sheet).captured());
    else if (sheet.contains(QLatin1Char('\\')))
        *why = QStringLiteral("style sheet holds a backslash escape");
    else if (sheet.contains(QLatin1Char('<')))
        *why = QStringLiteral("style sheet holds rich text");
    else
        return true;
    return false;
}

// The pixels a GIF's frames may be drawn into: Qt makes the picture the
// logical screen's size, or, when the screen says 0, the first frame's
// extent, and a frame reaching past the screen is still decoded pixel by
// pixel. Every frame must lie inside the side bound, as the screen must.
bool gifFramesWithinBounds(const QByteArray &bytes)
{
    const uchar *b = reinterpret_cast<const uchar *>(bytes.constData());
    const int size = bytes.size();
    auto le16 = [b](int at) { return int(b[at]) | (int(b[at + 1]) << 8); };
    auto skipBlocks = [b, size](int at) {
        while (at < size && b[at] != 0)
            at += 1 + b[at];
        return at + 1;
    };
    if (size < 13 || le16(6) > kMaxPictureSide || le16(8) > kMaxPictureSide)
        return false;
    int at = 13, frames = 0;
    if (b[10] & 0x80)
        at += 3 << ((b[10] & 7) + 1);
    while (at < size && b[at] != 0x3B) {
        if (b[at] == 0x21) {
            at = skipBlocks(at + 2);
        } else if (b[at] == 0x2C) {
            if (at + 10 > size)
                return false;
            if (le16(at + 1) + le16(at + 5) > kMaxPictureSide ||
                le16(at + 3) + le16(at + 7) > kMaxPictureSide)
                return false;
            const uchar flags = b[at + 9];
            frames++;
            at += 10;
            if (flags & 0x80)
                at += 3 << ((flags & 7) + 1);
            at = skipBlocks(at + 1);
        } else {
            // Past the first frame, which is the one a picture is made of,
            // the rest matters not; before it, bytes that are no block may
            // hide one.
            return frames > 0;
        }
    }
    return true;
}

// How many scans libjpeg may decode in bytes, at most: every start of scan
// is the pair FF DA, which entropy-coded data never holds (an FF there is
// followed by 00 or a restart marker); a pair inside another segment
// counts too.
int jpegScansAtMost(const QByteArray &bytes)
{
    int scans = 0;
    for (int at = bytes.indexOf(char(0xFF)); at >= 0 && at + 1 < bytes.size();
         at = bytes.indexOf(char(0xFF), at + 1))
        if (uchar(bytes[at + 1]) == 0xDA)
            scans++;
    return scans;
}

// The format of a picture by its first bytes, of those whose header tells
// the size that decodes; null for any other file.
const char *plainPictureFormat(const QByteArray &head)
{
    if (head.startsWith("\x89PNG\r\n\x1a\n"))
        return "png";
    if (head.startsWith("\xff\xd8\xff"))
        return "jpeg";
    if (head.startsWith("GIF87a") || head.startsWith("GIF89a"))
        return "gif";
    if (head.startsWith("BM"))
        return "bmp";
    return nullptr;
}

// The format Qt reads a file as by its name first, whatever it holds
// (QIcon picks an icon engine by it too); empty when its suffix is none of
// them.
QByteArray formatByName(const QString &suffix)
{
    static const QList<QByteArray> known = [] {
        QList<QByteArray> formats = QImageReader::supportedImageFormats();
        formats << "svg"
                << "svgz"
                << "ico"
                << "cur";
        return formats;
    }();
    const QByteArray name = suffix.toLower().toLatin1();
    if (!known.contains(name))
        return QByteArray();
    if (name == "jpg")
        return "jpeg";
    if (name == "dib")
        return "bmp";
    return name;
}

// Every picture of the tree at root decodes within the side and pixel
// bounds. A picture is a file that Qt would read as one, by its name or by
// its content. Only PNG, JPEG, GIF and BMP are taken, by content and named
// as what they hold: in other formats (an icon, a vector picture) the size
// that the header says is not what decodes. Each is judged by its header
// (a GIF by its frames too, a JPEG by its scans) before any pixel is
// decoded.
bool picturesAreWithinBounds(const QString &root, QString *why)
{
    qint64 pixels = 0;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString name = path.mid(root.size());
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            *why = QStringLiteral("picture %1 does not open").arg(name);
            return false;
        }
        const char *format = plainPictureFormat(file.peek(8));
        const QByteArray byName = formatByName(it.fileInfo().suffix());
        if (!format) {
            QImageReader reader(&file);
            reader.setDecideFormatFromContent(true);
            if (byName.isEmpty() && !reader.canRead())
                continue;
            *why = QStringLiteral("picture %1 is no PNG, JPEG, GIF or BMP").arg(name);
            return false;
        }
        if (!byName.isEmpty() && byName != format) {
            *why = QStringLiteral("picture %1 holds %2, not what its name says")
                       .arg(name, QLatin1String(format));
            return false;
        }
        const bool isGif = strcmp(format, "gif") == 0, isJpeg = strcmp(format, "jpeg") == 0;
        const QByteArray bytes = isGif || isJpeg ? file.readAll() : QByteArray();
        const bool framesFit = (!isGif || gifFramesWithinBounds(bytes)) &&
                               (!isJpeg || jpegScansAtMost(bytes) <= kMaxJpegScans);
        QImageReader reader(&file, format);
        reader.setAutoDetectImageFormat(false);
        const QSize size = file.seek(0) ? reader.size() : QSize();
        const bool fits = framesFit && size.isValid() && size.width() <= kMaxPictureSide &&
                          size.height() <= kMaxPictureSide &&
                          pixels + qint64(size.width()) * size.height() <= kMaxPicturePixels;
        if (fits)
            pixels += qint64(size.width()) * size.height();
        if (!fits || reader.read().isNull()) {
            *why = QStringLiteral("picture %1 of %2 x %3 does not decode within bounds")
                       .arg(name)
                       .arg(size.width())
                       .arg(size.height());
            return false;
        }
    }
    return true;
}

} // namespace

bool skinIsWithinBounds(const QByteArray &bytes, QString *why)
{
    const int tree = walkResourceTree(bytes, kMaxSkinEntries);
    if (tree != 0) {
        *why = tree > 0 ? QStringLiteral("more than %1 entries").arg(kMaxSkinEntries)
                        : QStringLiteral("not a sound resource file");
        return false;
    }
    // Looked at under a root of its own, where nothing else lives.
    const QString root = QStringLiteral("/zandrevik-skin-check");
    const uchar *data = reinterpret_cast<const uchar *>(bytes.constData());
    if (!QResource::registerResource(data, root)) {
        *why = QStringLiteral("registerResource failed");
        return false;
    }
    const QString prefix = QLatin1Char(':') + root;
    const QString sheet = readStyleSheet(prefix + QStringLiteral("/style/style.qss"));
    const bool ok = sheetIsWithinBounds(sheet, why) && sheetIsPlain(sheet, why) &&
                    picturesAreWithinBounds(prefix, why);
    QResource::unregisterResource(data, root);
    return ok;
}

QString sheetWithinTheSkin(const QString &sheet, QStringList *dropped)
{
    // Qt opens a url() when it paints with it: a path outside the resources
    // (a FIFO, a device, a huge file) would block or cost there.
    // Whatever Qt's scanner may take for a url() is matched: a quoted target
    // may hold a parenthesis or the other quote mark but no line break, an
    // unquoted one neither quote mark.
    static const QRegularExpression url(
        QStringLiteral("url\\(\\s*(?:\"((?:[^\"\\\\\\n\\r\\f]|\\\\.)*)\"|"
                       "'((?:[^'\\\\\\n\\r\\f]|\\\\.)*)'|([^)\"']*))\\s*\\)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    // Only a resource path in the one shape Qt reads as nothing else is kept:
    // Qt takes "qrc:/" for a folder of the working directory, a blank around
    // the path may be kept or cut, and a target with blanks, quotes or
    // parentheses could end where Qt's own url() does not.
    static const QRegularExpression resource(
        QStringLiteral(
            "^url\\((?:(:[^\\s\"'()\\\\]*)|\"(:[^\\s\"'()\\\\]*)\"|'(:[^\\s\"'()\\\\]*)')\\)$"),
        QRegularExpression::CaseInsensitiveOption);
    QString out;
    out.reserve(sheet.size());
    int from = 0;
    QRegularExpressionMatchIterator it = url.globalMatch(sheet);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        if (resource.match(match.captured()).hasMatch())
            continue;
        const int group = match.capturedStart(1) >= 0 ? 1 : match.capturedStart(2) >= 0 ? 2 : 3;
        *dropped << match.captured(group).trimmed();
        out += sheet.midRef(from, match.capturedStart() - from);
        out += QLatin1String("none");
        from = match.capturedEnd();
    }
    out += sheet.midRef(from);
    return out;
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
