/*
 * stamptext: format_file_date, format_file_size, expand_stamp_keywords,
 * render_text_image and current_time_ms. No state is kept between calls, so
 * the interface thread and both workers may call them at the same time.
 * Drawing uses QImage and QPainter only (no QPixmap), which Qt allows off the
 * interface thread.
 */
#include "stamptext.h"

#include <stdio.h>
#include <string.h>
#include <sys/time.h>

#include <QImage>
#include <QPainter>

#include "base/sn_log.h"
#include "outputconfig.h"

QString format_file_date(const struct tm *time)
{
    char text[64];
    if (!time)
        return QString();
    if (strftime(text, sizeof text, "%b-%d-%Y", time) == 0)
        return QString();
    return QString::fromUtf8(text);
}

QString format_file_size(int64_t bytes)
{
    const int64_t kib = 1024, mib = kib * 1024, gib = mib * 1024, tib = gib * 1024;
    char text[32];
    if (bytes < kib)
        snprintf(text, sizeof text, "%lldB", (long long)bytes);
    else if (bytes < mib)
        snprintf(text, sizeof text, "%lldKB", (long long)(bytes / kib));
    else if (bytes < gib)
        snprintf(text, sizeof text, "%lld.%03lldMB", (long long)(bytes / mib),
                 (long long)((bytes % mib) / kib * 1000 / 1024));
    else if (bytes < tib)
        snprintf(text, sizeof text, "%lld.%03lldGB", (long long)(bytes / gib),
                 (long long)((bytes % gib) / mib * 1000 / 1024));
    else
        text[0] = '\0';
    return QString::fromUtf8(text);
}

namespace
{

/* A piece of the source path or of the text: not terminated, not owned. */
struct span {
    const char *data;
    size_t length;
};

/* The output buffer. append cuts what does not fit and keeps room for the
 * terminating NUL, which the zero fill already put there. */
struct out_buffer {
    char *data;
    size_t size;
    size_t used;

    void append(const char *bytes, size_t length)
    {
        size_t room = size - 1 - used;
        if (length > room)
            length = room;
        memcpy(data + used, bytes, length);
        used += length;
    }
    void append(span piece)
    {
        append(piece.data, piece.length);
    }
    void append(const char *text)
    {
        append(text, strlen(text));
    }
};

struct path_pieces {
    span folder, name, base, extension, folder_name;
};

const char *last_of(const char *begin, size_t length, char c)
{
    for (size_t i = length; i > 0; i--)
        if (begin[i - 1] == c)
            return begin + i - 1;
    return NULL;
}

void split_path(const char *path, path_pieces *pieces)
{
    size_t length = strlen(path);
    const char *slash = last_of(path, length, '/');
    if (slash) {
        pieces->folder = {path, (size_t)(slash - path)};
        pieces->name = {slash + 1, length - (size_t)(slash + 1 - path)};
    } else {
        pieces->folder = {path, 0};
        pieces->name = {path, length};
    }
    const char *dot = last_of(pieces->name.data, pieces->name.length, '.');
    if (dot) {
        pieces->base = {pieces->name.data, (size_t)(dot - pieces->name.data)};
        pieces->extension = {dot, pieces->name.length - pieces->base.length};
    } else {
        pieces->base = pieces->name;
        pieces->extension = {pieces->name.data + pieces->name.length, 0};
    }
    const char *folder_slash = last_of(pieces->folder.data, pieces->folder.length, '/');
    if (folder_slash)
        pieces->folder_name = {folder_slash + 1,
                               pieces->folder.length - (size_t)(folder_slash + 1 - path)};
    else
        pieces->folder_name = {path, 0};
}

/* Keyword names compare as ASCII prefixes whatever the locale. */
bool keyword_is(const char *keyword, const char *name)
{
    for (; *name; name++, keyword++) {
        char c = *keyword;
        if (c >= 'A' && c <= 'Z')
            c = (char)(c - 'A' + 'a');
        char n = *name;
        if (n >= 'A' && n <= 'Z')
            n = (char)(n - 'A' + 'a');
        if (c != n)
            return false;
    }
    return true;
}

/* Counter and date read and write exactly as in output names. */
void write_counter(out_buffer *out, const char *open, int index)
{
    out->used +=
        outputconfig_expand_counter(open, index, out->data + out->used, out->size - out->used);
}

void write_datetime(out_buffer *out, const char *open, const char *source_path)
{
    out->used += outputconfig_expand_datetime(open, source_path, out->data + out->used,
                                              out->size - out->used);
}

void write_keyword(out_buffer *out, const char *open, const path_pieces &pieces,
                   const char *source_path, int index)
{
    const char *keyword = open + 1;
    if (keyword_is(keyword, "Filename"))
        out->append(pieces.base);
    else if (keyword_is(keyword, "Foldername"))
        out->append(pieces.folder_name);
    else if (keyword_is(keyword, "Extension"))
        out->append(pieces.extension);
    else if (keyword_is(keyword, "Path"))
        out->append(pieces.folder);
    else if (keyword_is(keyword, "Counter"))
        write_counter(out, open, index);
    else if (keyword_is(keyword, "Datetime"))
        write_datetime(out, open, source_path);
    else if (keyword_is(keyword, "Copyright"))
        out->append("\xC2\xA9"); /* U+00A9 in UTF-8, the 8-bit string codec */
}

/* Copies from begin up to the next '<' or the end; returns that '<' or null. */
const char *copy_to_next_open(out_buffer *out, const char *begin)
{
    const char *next = strchr(begin, '<');
    out->append(begin, next ? (size_t)(next - begin) : strlen(begin));
    return next;
}

} // namespace

int expand_stamp_keywords(const char *text, const char *source_path, int counter_index,
                          char *output, size_t size)
{
    if (!output || size == 0) {
        sn_log(4, NULL, "expand_stamp_keywords", __LINE__, "output FAILED! size:%zu\n", size);
        return -1;
    }
    memset(output, 0, size);
    if (!source_path)
        source_path = "";
    if (!text || !text[0])
        return 0;

    path_pieces pieces;
    split_path(source_path, &pieces);
    out_buffer out = {output, size, 0};

    /* A pass writes at most one keyword and one literal run; the 1023 bytes
     * kept free before a pass are its usual room. A buffer smaller than that
     * margin is simply filled until full. */
    const size_t stop_at = size > 1023 ? size - 1023 : size - 1;
    const char *read = text;
    while (out.used < stop_at && out.used < size - 1) {
        const char *open = strchr(read, '<');
        if (!open) {
            out.append(read);
            break;
        }
        if (open != read && open[-1] == '\\') {
            out.append(read, (size_t)(open - 1 - read));
            out.append("<", 1);
            read = copy_to_next_open(&out, open + 1);
            if (!read)
                break;
            continue;
        }
        /* Only the first pass has text before its '<': later passes start at one. */
        out.append(read, (size_t)(open - read));
        write_keyword(&out, open, pieces, source_path, counter_index);
        const char *close = strchr(open + 1, '>');
        if (!close)
            break;
        read = copy_to_next_open(&out, close + 1);
        if (!read)
            break;
    }
    return 0;
}

sn_image_t *render_text_image(const QString &text, const QFont &font, const QColor &color,
                              int *failed)
{
    if (failed)
        *failed = 0;
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
    QRect box;
    {
        QImage scratch(32, 32, QImage::Format_ARGB32);
        scratch.fill(0);
        QPainter painter(&scratch);
        painter.setFont(font);
        painter.setPen(color);
        painter.setBrush(QBrush(color, Qt::SolidPattern));
        box = painter.boundingRect(QRect(0, 0, 1920, 1080), flags, text);
    }
    const int width = box.width(), height = box.height();
    if (width <= 0 || height <= 0)
        return NULL;
    /* A canvas, its copy and the turned copy per photo: a text of more
     * than 16 M pixels (a huge font on a long line) is refused. */
    if ((int64_t)width * height > (int64_t)16 * 1024 * 1024) {
        sn_log(4, NULL, "render_text_image", __LINE__, "text size FAILED! width:%d, height:%d\n",
               width, height);
        if (failed)
            *failed = 1;
        return NULL;
    }
    /* From here on a text with something to draw that is not drawn failed. */
    if (failed)
        *failed = 1;

    /* The stamp filters blend with straight (not premultiplied) alpha, so the
     * anti-aliased edge pixels must keep the text colour with a lower alpha.
     * Qt's glyph blending writes premultiplied values even into a straight
     * ARGB32 image, and unpremultiplying afterwards loses the colour at low
     * alpha. The text has one solid colour, so the canvas (cleared to
     * transparent black) only records each pixel's coverage, drawn opaque;
     * the picture takes the colour as it is and the coverage as alpha. */
    QImage canvas(width, height, QImage::Format_ARGB32_Premultiplied);
    if (canvas.isNull())
        return NULL;
    canvas.fill(0);
    {
        QPainter painter(&canvas);
        painter.setFont(font);
        painter.setPen(QColor(255, 255, 255));
        painter.setBrush(Qt::NoBrush);
        painter.drawText(QRect(box.x(), box.y(), width, height), flags, text);
    }

    sn_image_t *image = sn_image_create(width, height, 1);
    if (!image)
        return NULL;
    if (sn_image_allocate_frame(image, 0) != 0) {
        sn_image_destroy(image);
        return NULL;
    }
    const QRgb rgba = color.rgba();
    const uint32_t alpha = (uint32_t)qAlpha(rgba);
    const uint32_t opaque = SN_PIXEL(0, qRed(rgba), qGreen(rgba), qBlue(rgba));
    uint32_t **rows = image->frames[0].rows;
    for (int y = 0; y < height; y++) {
        const uint32_t *src = reinterpret_cast<const uint32_t *>(canvas.constScanLine(y));
        uint32_t *dst = rows[y];
        for (int x = 0; x < width; x++) {
            uint32_t coverage = src[x] >> 24;
            uint32_t a = (coverage * alpha + 127) / 255;
            dst[x] = a ? (opaque | SN_PIXEL(a, 0, 0, 0)) : 0;
        }
    }
    image->has_alpha = 1;
    if (failed)
        *failed = 0;
    return image;
}

int64_t current_time_ms(void)
{
    struct timeval now;
    gettimeofday(&now, NULL);
    return (int64_t)now.tv_sec * 1000 + (int64_t)now.tv_usec / 1000;
}
