// Hostile profiles and file lists for the loaders of the main window: random
// bytes, cut-off and NUL-poisoned copies of a good file, a 10-megabyte line,
// huge counts, unknown kinds, values far out of range, and paths that are no
// regular files; profiles whose values cost without bound; PNGs that
// inflate to a huge picture, and skins that cost without bound. The seed is
// fixed and the number of cases bounded, so that every run tries the same
// files.
#ifndef HOSTILE_FILES_H
#define HOSTILE_FILES_H

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QImageWriter>
#include <QList>
#include <QMap>
#include <QPair>
#include <QRegularExpression>
#include <QString>

#include <random>

namespace hostile
{

struct Case {
    QString name;
    QByteArray bytes;
    // Instead of bytes: a path that is no regular file ("" = write bytes).
    QString path;
    // Loads what it can and says what it left out.
    bool partial = false;
    // After the load, the key the case is about holds at most this (its
    // length for a text, its size for a font): the widget's range.
    QByteArray key = QByteArray();
    double most = 0;
    // And a log line says what was refused or held ("" when nothing is).
    QByteArray line = QByteArray();
};

inline QByteArray randomBytes(std::mt19937 &random, int size)
{
    QByteArray out(size, '\0');
    for (int i = 0; i < size; i++)
        out[i] = char(random() & 0xFF);
    return out;
}

// Cases made from a good file (a saved profile or list) and the few paths
// that no loader may open as one.
inline QList<Case> make(const QByteArray &good, const QString &fifo, const QString &folder,
                        bool profile)
{
    std::mt19937 random(19);
    QList<Case> cases;
    for (int size : {1, 97, 4096, 70000})
        cases << Case{QStringLiteral("random %1 bytes").arg(size), randomBytes(random, size), {}};
    // Cut inside a quoted value, so that the last line can never read as
    // a shorter but whole one (a list cut short is still a list).
    if (profile)
        for (int part : {1, 3, 5, 7}) {
            int quote = -1;
            bool open = false;
            for (int i = 0; i < good.size(); i++) {
                if (good[i] != '"')
                    continue;
                open = !open;
                if (open && i >= good.size() * part / 8) {
                    quote = i;
                    break;
                }
            }
            if (quote >= 0)
                cases << Case{QStringLiteral("cut inside a value near %1/8").arg(part),
                              good.left(quote + 2),
                              {}};
        }
    for (int n = 0; n < 3; n++) {
        QByteArray poisoned = good;
        poisoned[int(random() % poisoned.size())] = '\0';
        cases << Case{QStringLiteral("NUL byte %1").arg(n), poisoned, {}};
    }
    const QByteArray huge(10 * 1024 * 1024, 'A');
    if (profile) {
        cases << Case{
            QStringLiteral("10 MB line"), good + "output_folder = \"" + huge + "\"\r\n", {}};
        for (const char *count :
             {"2147483648", "2147483647", "-2147483648", "99999999999999999999"}) {
            QByteArray text = good;
            text.replace(QRegularExpression(QStringLiteral("operation_count = [0-9]+"))
                             .match(QString::fromUtf8(good))
                             .captured(0)
                             .toUtf8(),
                         QByteArray("operation_count = ") + count);
            cases << Case{QStringLiteral("count %1").arg(QLatin1String(count)), text, {}};
        }
        QByteArray unknown = good;
        unknown.replace("name = \"resize\"", "name = \"no_such_kind\"");
        cases << Case{QStringLiteral("unknown operation"), unknown, {}, true};
    } else {
        cases << Case{QStringLiteral("10 MB line"), good + huge + "\n", {}};
    }
    cases << Case{QStringLiteral("missing file"), {}, folder + QStringLiteral("/no/such/file")};
    cases << Case{QStringLiteral("a folder"), {}, folder};
    cases << Case{QStringLiteral("a FIFO"), {}, fifo};
    cases << Case{QStringLiteral("/dev/zero"), {}, QStringLiteral("/dev/zero")};
    return cases;
}

// The good profile with every value, one at a time, replaced by something
// far out of its range: loading such a file must not crash, and whatever it
// keeps stays inside the controls' ranges.
inline QList<Case> outOfRange(const QByteArray &good)
{
    QList<Case> cases;
    const QList<QByteArray> lines = good.split('\n');
    for (int i = 0; i < lines.size(); i++) {
        const int eq = lines[i].indexOf(" = ");
        if (eq < 0 || lines[i].contains("operation_count") || lines[i].contains("name ="))
            continue;
        for (const char *value : {"-99999999999999", "100000", "-7", "\"99999999%\""}) {
            QList<QByteArray> copy = lines;
            copy[i] = lines[i].left(eq) + " = " + value + "\r";
            cases << Case{QStringLiteral("line %1 = %2").arg(i).arg(QLatin1String(value)),
                          copy.join('\n'),
                          {}};
        }
    }
    return cases;
}

// A grey PNG of side x side zero pixels, whole: a few hundred kilobytes
// that decode to side * side bytes, and four times that as a pixmap.
inline QByteArray bombPng(int side)
{
    auto crc = [](const QByteArray &bytes) {
        quint32 c = 0xFFFFFFFFu;
        for (char ch : bytes) {
            c ^= uchar(ch);
            for (int k = 0; k < 8; k++)
                c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
        }
        return c ^ 0xFFFFFFFFu;
    };
    auto be32 = [](quint32 v) {
        const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
        return QByteArray(b, 4);
    };
    auto chunk = [&](const char *type, const QByteArray &data) {
        const QByteArray body = QByteArray(type) + data;
        return be32(quint32(data.size())) + body + be32(crc(body));
    };
    const QByteArray raw(int(qint64(side) * (side + 1)), '\0');
    // qCompress puts the unpacked size before a plain zlib stream.
    const QByteArray idat = qCompress(raw, 9).mid(4);
    const QByteArray header =
        be32(quint32(side)) + be32(quint32(side)) + QByteArray("\x08\0\0\0\0", 5);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) + chunk("IDAT", idat) +
           chunk("IEND", QByteArray());
}

// A grey PNG of side x side zero pixels whose zlib stream is written by
// hand: one literal zero, then copies of 258 bytes at 13 bits each in
// deflate's fixed code, so that even 23000 x 23000 takes a few megabytes
// and no buffer of the picture's size.
inline QByteArray zeroPng(int side)
{
    auto crc = [](const QByteArray &bytes) {
        quint32 c = 0xFFFFFFFFu;
        for (char ch : bytes) {
            c ^= uchar(ch);
            for (int k = 0; k < 8; k++)
                c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
        }
        return c ^ 0xFFFFFFFFu;
    };
    auto be32 = [](quint32 v) {
        const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
        return QByteArray(b, 4);
    };
    auto chunk = [&](const char *type, const QByteArray &data) {
        const QByteArray body = QByteArray(type) + data;
        return be32(quint32(data.size())) + body + be32(crc(body));
    };
    QByteArray z("\x78\x01", 2);
    quint32 bits = 0;
    int count = 0;
    // Deflate packs its bits from the least significant end ...
    auto put = [&](quint32 value, int n) {
        bits |= value << count;
        for (count += n; count >= 8; count -= 8) {
            z += char(bits & 0xFF);
            bits >>= 8;
        }
    };
    // ... but a Huffman code from its most significant bit.
    auto reversed = [](quint32 c, int n) {
        quint32 r = 0;
        for (int i = 0; i < n; i++)
            r |= ((c >> i) & 1u) << (n - 1 - i);
        return r;
    };
    const quint32 zero = reversed(0x30, 8);         // literal 0
    const quint32 copy = reversed(0xC5, 8);         // length 258, then distance 1 in 5 zero bits
    const qint64 total = qint64(side) * (side + 1); // a filter byte per row
    z.reserve(int(total / 258 * 13 / 8 + 300));
    put(1, 1); // the last block,
    put(1, 2); // in the fixed code
    put(zero, 8);
    qint64 left = total - 1;
    for (; left >= 258; left -= 258)
        put(copy, 13);
    for (; left > 0; left--)
        put(zero, 8);
    put(0, 7); // end of block
    if (count)
        put(0, 8 - count);
    // Adler-32 of zeros: the sum stays 1, the sum of sums is the count.
    z += be32((quint32(total % 65521) << 16) | 1u);
    const QByteArray header =
        be32(quint32(side)) + be32(quint32(side)) + QByteArray("\x08\0\0\0\0", 5);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) + chunk("IDAT", z) +
           chunk("IEND", QByteArray());
}

// An icon file whose one directory entry says 16 x 16 and holds png, which
// Qt's icon reader decodes at whatever size the PNG says.
inline QByteArray lyingIco(const QByteArray &png)
{
    auto le32 = [](quint32 v) {
        const char b[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
        return QByteArray(b, 4);
    };
    return QByteArray("\0\0\1\0\1\0", 6) + QByteArray("\x10\x10\0\0\1\0\x20\0", 8) +
           le32(quint32(png.size())) + le32(22) + png;
}

// A progressive JPEG of side x side in one colour whose last scan comes
// again repeats times: libjpeg decodes every copy over the whole picture.
inline QByteArray manyScansJpeg(int side, int repeats)
{
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(QColor(90, 120, 200));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(true);
    writer.write(image);
    const int last = jpeg.lastIndexOf("\xff\xda");
    const int end = jpeg.size() - 2; // the closing FF D9
    if (last < 0)
        return QByteArray();
    return jpeg.left(end) + jpeg.mid(last, end - last).repeated(repeats) + jpeg.mid(end);
}

// A profile of operations, each a kind and its keys in the order given.
struct Operation {
    const char *kind;
    QList<QPair<QByteArray, QByteArray>> values;
};

inline QByteArray profile(const QList<Operation> &operations)
{
    QByteArray text = "operation_count = " + QByteArray::number(operations.size()) + "\r\n";
    for (int i = 0; i < operations.size(); i++) {
        text += "\r\n[operation_" + QByteArray::number(i + 1) + "]\r\nname = \"" +
                operations[i].kind + "\"\r\n";
        for (const auto &pair : operations[i].values)
            text += pair.first + " = \"" + pair.second + "\"\r\n";
    }
    return text;
}

// Profiles whose values cost without bound unless they are checked as the
// widgets check them, one line per key; picture is a small image file.
inline QList<Case> costlyProfiles(const QByteArray &picture)
{
    auto image = [&](const char *key, const QByteArray &value) {
        return profile(
            {{"watermark_image", {{"imagefile", picture}, {"scale", "100"}, {key, value}}}});
    };
    auto text = [](const char *kind, const char *key, const QByteArray &value) {
        return profile({{kind, {{"text", "Zandrevik"}, {key, value}}}});
    };
    const QByteArray longText(300000, 'W');
    const QByteArray hugeFont = "DejaVu Sans,100000,-1,5,50,0,0,0,0,0";
    const QByteArray hugePixels = "DejaVu Sans,-1,100000,5,50,0,0,0,0,0";
    auto rotations = [](const char *angle) {
        QList<Operation> list;
        for (int i = 0; i < 127; i++)
            list << Operation{"rotate", {{"angle", angle}}};
        return profile(list);
    };
    auto line = [](const char *name, const QByteArray &bytes, const char *key, double most,
                   const char *log) {
        return Case{QString::fromUtf8(name), bytes, {}, false, key, most, log};
    };
    return {
        line("watermark x_space 2^31", image("x_space", "2147483648"), "x_space", 10000,
             "sbXSpace FAILED!"),
        line("watermark y_space 2^31", image("y_space", "2147483648"), "y_space", 10000,
             "sbYSpace FAILED!"),
        line("watermark x_space at the widget's top, turned",
             profile({{"watermark_image",
                       {{"imagefile", picture},
                        {"x_space", "10000"},
                        {"y_space", "10000"},
                        {"rotation", "30"}}}}),
             "x_space", 10000, "spaced tile FAILED!"),
        line("watermark x_offset -2^31", image("x_offset", "-2147483648"), "x_offset", 10000,
             "sbXOffset FAILED!"),
        line("watermark y_offset 2^31", image("y_offset", "2147483648"), "y_offset", 10000,
             "sbYOffset FAILED!"),
        // At the widget's top the picture is still made, within the bounds.
        line("watermark scale 10000", image("scale", "10000"), "scale", 10000, ""),
        line("watermark scale 2^31", image("scale", "2147483648"), "scale", 10000,
             "sbScale FAILED!"),
        line("watermark rotation 1e308", image("rotation", "1e308"), "rotation", 360,
             "sbRotation FAILED!"),
        line("stamp_text text 300000", text("stamp_text", "text", longText), "text", 1024,
             "text FAILED!"),
        line("watermark_text text 300000", text("watermark_text", "text", longText), "text", 1024,
             "text FAILED!"),
        line("stamp_text font 100000 pt", text("stamp_text", "font", hugeFont), "font", 512,
             "font size FAILED!"),
        line("watermark_text font 100000 pt", text("watermark_text", "font", hugeFont), "font", 512,
             "font size FAILED!"),
        line("stamp_text font 100000 px", text("stamp_text", "font", hugePixels), "font", 512,
             "font size FAILED!"),
        line("watermark_text text 300000 in a 100000 pt font",
             profile({{"watermark_text", {{"text", longText}, {"font", hugeFont}}}}), "font", 512,
             "text FAILED!"),
        line("127 rotations of 45 degrees", rotations("45"), "angle", 360,
             "over its bound FAILED!"),
        line("127 rotations of 90 degrees", rotations("90"), "angle", 360, ""),
    };
}

// Profiles whose every value is in range but whose turned picture would be
// huge, made again for every photo: a long thin tile or line turned by 45
// degrees covers about (w + h)^2 / 2 pixels. thin is a 600 x 100 picture.
// And keywords that expand a short text past the 1024 characters a text
// may hold.
inline QList<Case> turnedProfiles(const QByteArray &thin)
{
    const QByteArray font = "DejaVu Sans,12,-1,5,50,0,0,0,0,0";
    const QByteArray longLine(1024, 'W');
    const QByteArray counters = "<Counter 1:1:1023><Counter 1:1:1023>";
    auto text = [&](const char *kind, const QByteArray &value, const char *rotation) {
        return profile({{kind, {{"text", value}, {"font", font}, {"rotation", rotation}}}});
    };
    auto line = [](const char *name, const QByteArray &bytes, const char *key, double most,
                   const char *log) {
        return Case{QString::fromUtf8(name), bytes, {}, false, key, most, log};
    };
    return {
        line("watermark of a 600 x 100 picture at 1000 % turned 45 degrees",
             profile({{"watermark_image",
                       {{"imagefile", thin}, {"scale", "1000"}, {"rotation", "45"}}}}),
             "scale", 10000, "turned tile FAILED!"),
        line("watermark_text of 1024 W at 12 pt turned 45 degrees",
             text("watermark_text", longLine, "45"), "text", 1024, "turned text FAILED!"),
        line("stamp_text of 1024 W at 12 pt turned 45 degrees", text("stamp_text", longLine, "45"),
             "text", 1024, "turned text FAILED!"),
        line("watermark_text of two counters of 1023 digits turned 45 degrees",
             text("watermark_text", counters, "45"), "text", 1024, "expanded text FAILED!"),
        line("watermark_text of two counters of 1023 digits", text("watermark_text", counters, "0"),
             "text", 1024, "expanded text FAILED!"),
    };
}

// A PNG chunk of type with data, its length and CRC around it.
inline QByteArray pngChunk(const char *type, const QByteArray &data)
{
    quint32 c = 0xFFFFFFFFu;
    const QByteArray body = QByteArray(type, 4) + data;
    for (char ch : body) {
        c ^= uchar(ch);
        for (int k = 0; k < 8; k++)
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    auto be32 = [](quint32 v) {
        const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
        return QByteArray(b, 4);
    };
    return be32(quint32(data.size())) + body + be32(c ^ 0xFFFFFFFFu);
}

// A 16 x 16 PNG with chunks between its header and its picture data.
inline QByteArray pngWithChunks(const QByteArray &chunks)
{
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(QColor(90, 120, 200));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    const int afterHeader = 8 + 25;
    return png.left(afterHeader) + chunks + png.mid(afterHeader);
}

// count zTXt chunks each of which unpacks to unpacked zero bytes: libpng
// unpacks each (up to its own limit near 8 MB) whenever Qt reads the
// picture, while the chunks are alike and the skin packs them small.
inline QByteArray textBombPng(int count, int unpacked)
{
    const QByteArray stream = qCompress(QByteArray(unpacked, '\0'), 9).mid(4);
    QByteArray chunks;
    for (int i = 0; i < count; i++)
        chunks += pngChunk("zTXt", "k" + QByteArray::number(i) + QByteArray(2, '\0') + stream);
    return pngWithChunks(chunks);
}

// Compiled resource data whose every file is made to name one zlib block,
// appended at its end: block is what qCompress makes (the unpacked size,
// then the stream), which need not be true.
inline QByteArray shareOneBlock(QByteArray skin, const QByteArray &block)
{
    auto u32 = [&skin](int at) {
        const uchar *b = reinterpret_cast<const uchar *>(skin.constData()) + at;
        return (quint32(b[0]) << 24) | (quint32(b[1]) << 16) | (quint32(b[2]) << 8) | b[3];
    };
    auto be32 = [](quint32 v) {
        const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
        return QByteArray(b, 4);
    };
    const int tree = int(u32(8)), data = int(u32(12)), names = int(u32(16));
    // rcc writes the data, then the names, then the tree at the end.
    if (tree < data || tree < names)
        return QByteArray();
    const quint32 offset = quint32(skin.size() - data);
    for (int node = tree; node + 22 <= skin.size(); node += 22) {
        const int flags = (uchar(skin[node + 4]) << 8) | uchar(skin[node + 5]);
        if (flags & 0x02)
            continue;
        skin[node + 5] = char(flags | 0x01);
        skin.replace(node + 10, 4, be32(offset));
    }
    return skin + be32(quint32(block.size())) + block;
}

// A skin's files: each path inside its resource tree, and the bytes there.
using SkinFiles = QMap<QString, QByteArray>;

// Skins that cost without bound unless they are checked before they are
// used: a sheet naming a 9000 x 9000 picture bomb of its own, a sheet of
// 100000 rules, and a sheet naming a picture outside the skin, fifo, that
// nobody writes (a read of it never ends); the same FIFO named past the
// url() filter through an escape, a widget's own sheet set from the skin's
// and a rich text set as a label's text; an icon that says 16 x 16 and holds
// a 23000 x 23000 PNG; a 2048 x 2048 JPEG of 2000 scans; and a skin of 5000
// empty files.
struct CostlySkins {
    SkinFiles bomb;
    SkinFiles rules;
    SkinFiles outside;
    SkinFiles escape;
    SkinFiles nested;
    SkinFiles richText;
    SkinFiles lyingIcon;
    SkinFiles manyScans;
    SkinFiles manyEntries;
};

inline CostlySkins costlySkins(const QByteArray &fifo)
{
    const QString sheet = QStringLiteral("style/style.qss");
    QByteArray rules;
    for (int i = 0; i < 100000; i++)
        rules += "QLabel#r" + QByteArray::number(i) + " { color: #123456; }\n";
    SkinFiles many{{sheet, "QMenuBar { color: #123456; }\n"}};
    for (int i = 0; i < 5000; i++)
        many[QStringLiteral("style/e%1.txt").arg(i)] = QByteArray();
    return {
        {{sheet, "QMenuBar { background-image: url(:style/bomb.png); }\n"},
         {QStringLiteral("style/bomb.png"), bombPng(9000)}},
        {{sheet, rules}},
        {{sheet, "QMenuBar { background-image: url(\"" + fifo + "\"); color: #123456; }\n"}},
        {{sheet, "QMenuBar { background-image: u\\rl(\"" + fifo + "\"); }\n"}},
        {{sheet, "QMenuBar { qproperty-styleSheet: 'QMenuBar { background-image: url(\\'" + fifo +
                     "\\'); }'; }\n"}},
        {{sheet, "QLabel { qproperty-text: \"<img src='" + fifo + "'>\"; }\n"}},
        {{sheet, "QMenuBar { background-image: url(:style/icon.ico); }\n"},
         {QStringLiteral("style/icon.ico"), lyingIco(zeroPng(23000))}},
        {{sheet, "QMenuBar { background-image: url(:style/scans.jpg); }\n"},
         {QStringLiteral("style/scans.jpg"), manyScansJpeg(2048, 2000)}},
        many,
    };
}

} // namespace hostile

#endif
