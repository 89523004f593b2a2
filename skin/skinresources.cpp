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
#include <zlib.h>

#include <algorithm>
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

// What the files of a tree say they unpack to, summed over the entries (one
// block named by many entries counts for each, as Qt unpacks it for each),
// and the zlib blocks they name.
struct TreeContents {
    quint64 declared = 0;
    std::vector<quint64> zlibBlocks;

    void add(quint64 bytes)
    {
        declared = bytes > ~quint64(0) - declared ? ~quint64(0) : declared + bytes;
    }
};

bool nodeIsSound(const ResourceView &v, quint64 tree, quint64 names, quint64 data, int nodeSize,
                 quint32 node, std::vector<bool> &seen, std::vector<quint32> &pending,
                 TreeContents &contents)
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
        // qUncompress's own header: the unpacked size, big-endian. qUncompress
        // takes it as a first guess only, so the block is unpacked once
        // before the skin is used to see that it holds no more.
        if (length < 4 || v.u32(block + 4) > quint64(kMaxResourceBytes))
            return false;
        contents.add(v.u32(block + 4));
        contents.zlibBlocks.push_back(block);
        return true;
    }
    if (flags & kCompressedZstd) {
        // Qt unpacks it into a buffer of the size the frame declares, and a
        // frame holding more fails there.
        quint64 unpacked = 0;
        if (!zstdContentSize(v, block + 4, length, &unpacked) ||
            unpacked > quint64(kMaxResourceBytes))
            return false;
        contents.add(unpacked);
        return true;
    }
    contents.add(length);
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
// of most). Nothing is unpacked; what the files declare goes to *contents.
int walkResourceTree(const QByteArray &bytes, quint64 most, TreeContents *contents)
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
        if (!nodeIsSound(v, tree, names, data, nodeSize, node, seen, pending, *contents))
            return -1;
    }
    return 0;
}

} // namespace

bool resourceDataIsSound(const QByteArray &bytes)
{
    TreeContents contents;
    return walkResourceTree(bytes, ~quint64(0), &contents) == 0;
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
// What the entries may unpack to, all together: as much as a skin file may
// hold. The default skin's 68 files declare 54 KB; pictures of the whole
// pixel bound take 48 MB as 24-bit BMPs.
const quint64 kMaxUnpackedBytes = quint64(kMaxResourceBytes);
// Qt's PNG reader unpacks every compressed text and colour profile of a
// picture (libpng stops each near 8 MB) and keeps every text, each time
// the picture is read. An editor writes a few of these, a colour profile
// of a few kilobytes at most; the pictures of a skin may hold 4096 chunks
// besides the picture's own (the default skin's hold 67, no text) and
// 4 MB of texts and profiles, unpacked, in all.
const int kMaxPictureExtras = 4096;
const quint64 kMaxPictureExtraBytes = 4 * 1024 * 1024;

// How many bytes a zlib stream unpacks to, counted until the count passes
// most: the work is bounded by most, whatever the stream says.
quint64 zlibUnpackedSize(const uchar *data, quint64 size, quint64 most)
{
    z_stream z;
    memset(&z, 0, sizeof z);
    if (inflateInit(&z) != Z_OK)
        return most + 1;
    std::vector<uchar> scratch(64 * 1024);
    z.next_in = const_cast<uchar *>(data);
    z.avail_in = uInt(std::min<quint64>(size, 0x7FFFFFFF));
    quint64 produced = 0;
    int result = Z_OK;
    while (result == Z_OK && produced <= most) {
        z.next_out = scratch.data();
        z.avail_out = uInt(scratch.size());
        result = inflate(&z, Z_NO_FLUSH);
        produced += scratch.size() - z.avail_out;
    }
    inflateEnd(&z);
    return produced;
}

// Every zlib block that the tree names holds no more than its header says:
// each distinct block is unpacked once, and what they declare is already
// bounded.
bool zlibBlocksHoldWhatTheyDeclare(const QByteArray &bytes, std::vector<quint64> blocks)
{
    const ResourceView v{reinterpret_cast<const uchar *>(bytes.constData()), quint64(bytes.size())};
    std::sort(blocks.begin(), blocks.end());
    blocks.erase(std::unique(blocks.begin(), blocks.end()), blocks.end());
    for (quint64 block : blocks) {
        const quint64 length = v.u32(block), declared = v.u32(block + 4);
        if (zlibUnpackedSize(v.bytes + block + 8, length - 4, declared) > declared)
            return false;
    }
    return true;
}

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

// What a PNG's ancillary chunks cost Qt's reader, added to *chunks and
// *extraBytes for the whole skin: every chunk that is not one of the four
// the picture is made of counts, and the text and colour-profile chunks
// count their bytes, the compressed ones as unpacked (each unpacked here
// only as far as the bound that is left). False once the skin is past a
// bound.
bool pngExtrasWithinBounds(const QByteArray &png, int *chunks, quint64 *extraBytes)
{
    const uchar *b = reinterpret_cast<const uchar *>(png.constData());
    const quint64 size = quint64(png.size());
    auto be32 = [b](quint64 at) {
        return (quint32(b[at]) << 24) | (quint32(b[at + 1]) << 16) | (quint32(b[at + 2]) << 8) |
               quint32(b[at + 3]);
    };
    auto add = [extraBytes](quint64 bytes) {
        *extraBytes += bytes;
        return *extraBytes <= kMaxPictureExtraBytes;
    };
    // Where the compressed part of a chunk starts: after the keyword's NUL
    // and the method byte (zTXt, iCCP), or the flag, method, language and
    // translated keyword (iTXt, compressed when its flag says so); 0 for
    // none.
    auto compressedAt = [b](const char *type, quint64 at, quint64 end) -> quint64 {
        const uchar *nul = static_cast<const uchar *>(memchr(b + at, 0, size_t(end - at)));
        if (!nul)
            return 0;
        quint64 p = quint64(nul - b) + 1;
        if (memcmp(type, "iTXt", 4) != 0)
            return p + 1 <= end ? p + 1 : 0;
        if (p + 2 > end || b[p] == 0)
            return 0;
        p += 2;
        for (int field = 0; field < 2; field++) {
            nul = static_cast<const uchar *>(memchr(b + p, 0, size_t(end - p)));
            if (!nul)
                return 0;
            p = quint64(nul - b) + 1;
        }
        return p;
    };
    for (quint64 at = 8; at + 12 <= size;) {
        const quint64 length = be32(at);
        const char *type = reinterpret_cast<const char *>(b + at + 4);
        if (length > size - at - 12 || memcmp(type, "IEND", 4) == 0)
            break; // libpng reads no further either
        const quint64 data = at + 8, end = data + length;
        at = end + 4;
        if (!memcmp(type, "IHDR", 4) || !memcmp(type, "PLTE", 4) || !memcmp(type, "IDAT", 4))
            continue;
        if (++*chunks > kMaxPictureExtras)
            return false;
        const bool text = !memcmp(type, "tEXt", 4) || !memcmp(type, "zTXt", 4) ||
                          !memcmp(type, "iTXt", 4) || !memcmp(type, "iCCP", 4);
        if (!text)
            continue;
        if (!add(length))
            return false;
        const quint64 packed = memcmp(type, "tEXt", 4) ? compressedAt(type, data, end) : 0;
        if (packed &&
            !add(zlibUnpackedSize(b + packed, end - packed, kMaxPictureExtraBytes - *extraBytes)))
            return false;
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
    int extras = 0;
    quint64 extraBytes = 0;
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
        const bool isPng = strcmp(format, "png") == 0;
        const QByteArray bytes = isGif || isJpeg || isPng ? file.readAll() : QByteArray();
        if (isPng && !pngExtrasWithinBounds(bytes, &extras, &extraBytes)) {
            *why = QStringLiteral("picture %1 brings the pictures' extra chunks past %2, or "
                                  "their texts and colour profiles past %3 bytes")
                       .arg(name)
                       .arg(kMaxPictureExtras)
                       .arg(kMaxPictureExtraBytes);
            return false;
        }
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
    TreeContents contents;
    const int tree = walkResourceTree(bytes, kMaxSkinEntries, &contents);
    if (tree != 0) {
        *why = tree > 0 ? QStringLiteral("more than %1 entries").arg(kMaxSkinEntries)
                        : QStringLiteral("not a sound resource file");
        return false;
    }
    // Entries may name one block many times: what they declare is summed
    // before anything is unpacked.
    if (contents.declared > kMaxUnpackedBytes) {
        *why = QStringLiteral("entries unpacking to %1 bytes, more than %2")
                   .arg(contents.declared)
                   .arg(kMaxUnpackedBytes);
        return false;
    }
    if (!zlibBlocksHoldWhatTheyDeclare(bytes, contents.zlibBlocks)) {
        *why = QStringLiteral("an entry unpacks to more than it declares");
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

namespace
{

bool isLineBreak(QChar c)
{
    return c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char('\f');
}

// A character that Qt's scanner keeps inside an unquoted url(): a printable
// one but blanks, quotes, parentheses and the backslash (which starts an
// escape).
bool isBareUrlChar(QChar c)
{
    const ushort u = c.unicode();
    if (u < 0x80)
        return u > 0x20 && u < 0x7F && u != '"' && u != '\'' && u != '(' && u != ')' && u != '\\';
    return c.isPrint() && !c.isSpace();
}

// The length of the url() at at when it names a resource in a form that Qt
// reads as one token and as that same name: url(:name) with only such
// characters, or url(":name") / url(':name') whose string holds no line
// break, no escape and not its own quote; no blank around the name. 0 for
// any other.
int plainResourceUrl(const QString &sheet, int at)
{
    const int n = sheet.size();
    int i = at + 4;
    if (i < n && (sheet[i] == QLatin1Char('"') || sheet[i] == QLatin1Char('\''))) {
        const QChar quote = sheet[i];
        if (++i >= n || sheet[i] != QLatin1Char(':'))
            return 0;
        for (; i < n && sheet[i] != quote; i++)
            if (isLineBreak(sheet[i]) || sheet[i] == QLatin1Char('\\'))
                return 0;
        return i + 1 < n && sheet[i + 1] == QLatin1Char(')') ? i + 2 - at : 0;
    }
    if (i >= n || sheet[i] != QLatin1Char(':'))
        return 0;
    while (++i < n && isBareUrlChar(sheet[i])) {
    }
    return i < n && sheet[i] == QLatin1Char(')') ? i + 1 - at : 0;
}

// Where a url() at at ends as Qt reads its arguments: at the first ")"
// outside strings (which end at their quote or a line break), comments
// and nested brackets; the end of the sheet when there is none.
int urlEnd(const QString &sheet, int at)
{
    const int n = sheet.size();
    int depth = 0;
    for (int i = at + 4; i < n; i++) {
        const QChar c = sheet[i];
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            for (i++; i < n && sheet[i] != c && !isLineBreak(sheet[i]); i++)
                if (sheet[i] == QLatin1Char('\\'))
                    i++;
        } else if (c == QLatin1Char('/') && i + 1 < n && sheet[i + 1] == QLatin1Char('*')) {
            const int close = sheet.indexOf(QLatin1String("*/"), i + 2);
            if (close < 0)
                return n;
            i = close + 1;
        } else if (c == QLatin1Char('(') || c == QLatin1Char('[') || c == QLatin1Char('{')) {
            depth++;
        } else if (c == QLatin1Char(')') || c == QLatin1Char(']') || c == QLatin1Char('}')) {
            if (depth == 0 && c == QLatin1Char(')'))
                return i + 1;
            depth = qMax(0, depth - 1);
        }
    }
    return n;
}

// The name a dropped url() gave, for the log: its arguments, without the
// quotes of a whole string.
QString droppedName(const QString &sheet, int from, int end)
{
    QString name = sheet.mid(from + 4, end - from - 4);
    if (name.endsWith(QLatin1Char(')')))
        name.chop(1);
    name = name.trimmed();
    if (name.size() >= 2 && (name[0] == QLatin1Char('"') || name[0] == QLatin1Char('\'')) &&
        name.endsWith(name[0]))
        name = name.mid(1, name.size() - 2);
    return name;
}

} // namespace

QString sheetWithinTheSkin(const QString &sheet, QStringList *dropped)
{
    // Qt opens a url() when it paints with it: a path outside the resources
    // (a FIFO, a device, a huge file) would block or cost there. Where Qt's
    // scanner takes "url(" for the start of a url it reads, as one token or
    // as the text of all the tokens up to its ")", is not followed here;
    // instead every "url(" in the sheet, in a comment or a string too, must
    // begin a plain resource url(), or it is replaced with none up to where
    // Qt's own would end. A plain one that holds the start of one dropped
    // goes with it, so that every "url(" left is plain: whatever Qt takes
    // for a url(), it reads a resource name.
    QString out;
    out.reserve(sheet.size());
    int from = 0;
    // The plain url()s kept since from, as start and end.
    std::vector<std::pair<int, int>> kept;
    for (int at = sheet.indexOf(QLatin1String("url("), 0, Qt::CaseInsensitive); at >= 0;
         at = sheet.indexOf(QLatin1String("url("), at, Qt::CaseInsensitive)) {
        const int plain = plainResourceUrl(sheet, at);
        if (plain > 0) {
            kept.emplace_back(at, at + plain);
            at += 4;
            continue;
        }
        int start = at;
        for (const auto &span : kept)
            if (span.second > at) {
                start = span.first;
                break;
            }
        kept.clear();
        const int end = urlEnd(sheet, at);
        *dropped << droppedName(sheet, start, end);
        out += sheet.midRef(from, start - from);
        out += QLatin1String("none");
        from = at = end;
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
