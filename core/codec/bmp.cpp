/*
 * The BMP codec (id 2): a reader of uncompressed Windows bitmaps of 1, 4, 8,
 * 16, 24 and 32 bits (info headers of 40, 108 and 124 bytes, bottom-up or
 * top-down rows, bit-field masks for 16 and 32 bits) and a 24-bit writer.
 *
 * bmp_probe, bmp_read_header, bmp_read_frames, bmp_close, bmp_write and
 * bmp_write_fd (the same into a descriptor).
 * Every number in a file is untrusted: sizes are checked before anything is
 * allocated, and a file too short for its rows fails before the frame exists.
 */
#include "image/sn_image_codec.h"
#include "base/sn_log.h"

#include <limits.h>
#include <new>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

namespace
{

const int kFileHeadSize = 14;
const int kInfoHeadSize = 40;
const int kLargestInfoHead = 124; /* BITMAPV5HEADER */
const uint32_t kBiRgb = 0, kBiBitfields = 3, kBiAlphaBitfields = 6;

uint32_t le16(const unsigned char *p)
{
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8);
}

uint32_t le32(const unsigned char *p)
{
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}

void put16(unsigned char *p, uint32_t v)
{
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
}

void put32(unsigned char *p, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        p[i] = (unsigned char)(v >> (8 * i));
}

/* One colour channel of a bit-field pixel and the table that widens its value
 * to 8 bits by repeating its bit pattern (5 bits abcde -> abcdeabc). */
struct bmp_channel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
    unsigned char widen[256];

    void set(uint32_t m)
    {
        mask = m;
        shift = 0;
        bits = 0;
        if (m == 0)
            return;
        while (!((m >> shift) & 1u))
            shift++;
        while (shift + bits < 32 && ((m >> (shift + bits)) & 1u))
            bits++;
        /* Only the lowest run of set bits counts: stray bits of a mask that
         * is not contiguous must not push a value past the table. */
        mask = bits == 32 ? 0xFFFFFFFFu : ((1u << bits) - 1u) << shift;
        if (bits > 8)
            return;
        for (uint32_t v = 0; v < (1u << bits); v++) {
            uint32_t out = 0;
            for (int filled = 0; filled < 8; filled += bits)
                out = (out << bits) | v;
            /* Keep the 8 most significant bits of the repeated pattern. */
            int total = ((8 + bits - 1) / bits) * bits;
            widen[v] = (unsigned char)(out >> (total - 8));
        }
    }
    uint32_t get(uint32_t pixel, uint32_t absent) const
    {
        if (bits == 0)
            return absent;
        uint32_t v = (pixel & mask) >> shift;
        return bits <= 8 ? widen[v] : (v >> (bits - 8)) & 0xFFu;
    }
};

struct bmp_state {
    FILE *fp = nullptr;
    unsigned char file_head[kFileHeadSize];
    unsigned char info_head[kLargestInfoHead];
    uint32_t info_size = 0; /* biSize as stored */
    uint32_t off_bits = 0;
    int width = 0;
    int height = 0; /* rows, always positive */
    bool top_down = false;
    int bit_count = 0;
    uint32_t compression = 0;
    uint32_t clr_used = 0;
    uint32_t masks[4] = {0, 0, 0, 0}; /* red, green, blue, alpha */
    bool have_masks = false;
};

int bmp_probe(snimage_reader_t *, const unsigned char *bytes, int count)
{
    return count >= 2 && bytes[0] == 'B' && bytes[1] == 'M' ? 0 : -1;
}

int bmp_close(snimage_reader_t *reader)
{
    if (!reader || !reader->codec_state)
        return -1;
    bmp_state *state = (bmp_state *)reader->codec_state;
    if (state->fp)
        fclose(state->fp);
    delete state;
    return 0;
}

/* Reads the header fields past the first 40 bytes and the masks that follow a
 * 40-byte header when the pixels are bit fields. */
int read_masks(bmp_state *s)
{
    const unsigned char *info = s->info_head;
    if (s->info_size > (uint32_t)kInfoHeadSize) {
        size_t extra = (s->info_size < (uint32_t)kLargestInfoHead ? s->info_size
                                                                  : (uint32_t)kLargestInfoHead) -
                       kInfoHeadSize;
        if (fread(s->info_head + kInfoHeadSize, 1, extra, s->fp) != extra) {
            sn_log(4, NULL, "bmp_read_header", __LINE__, "read BmpInfoHead FAILED!\n");
            return -1;
        }
        if (s->info_size >= 52) {
            for (int i = 0; i < 3; i++)
                s->masks[i] = le32(info + 40 + 4 * i);
            s->have_masks = true;
        }
        if (s->info_size >= 56)
            s->masks[3] = le32(info + 52);
    } else if (s->compression == kBiBitfields || s->compression == kBiAlphaBitfields) {
        int n = s->compression == kBiAlphaBitfields ? 4 : 3;
        unsigned char bytes[16];
        if (fread(bytes, 4, (size_t)n, s->fp) != (size_t)n) {
            sn_log(4, NULL, "bmp_read_header", __LINE__, "read BitFields FAILED!\n");
            return -1;
        }
        for (int i = 0; i < n; i++)
            s->masks[i] = le32(bytes + 4 * i);
        s->have_masks = true;
    }
    return 0;
}

int bmp_read_header(snimage_reader_t *reader)
{
    if (!reader || !reader->owner || !reader->path) {
        sn_log(4, NULL, "bmp_read_header", __LINE__, "reader is not set\n");
        return -1;
    }
    bmp_state *s = new (std::nothrow) bmp_state;
    if (!s) {
        sn_log(4, NULL, "bmp_read_header", __LINE__, "malloc FAILED! size:%zu\n",
               sizeof(bmp_state));
        return -1;
    }
    memset(s->info_head, 0, sizeof s->info_head);
    s->fp = snimage_reader_open_file(reader);
    if (!s->fp) {
        sn_log(4, NULL, "bmp_read_header", __LINE__, "fopen FAILED! %s\n", reader->path);
        delete s;
        return -1;
    }
    /* Until the state is stored, failures release it here. */
    struct pending {
        snimage_reader_t *reader;
        bmp_state *s;
        ~pending()
        {
            if (s) {
                reader->codec_state = s;
                bmp_close(reader);
                reader->codec_state = nullptr;
            }
        }
    } guard{reader, s};

    if (fread(s->file_head, 1, kFileHeadSize, s->fp) != (size_t)kFileHeadSize) {
        sn_log(4, NULL, "bmp_read_header", __LINE__, "read BmpFileHead FAILED!\n");
        return -1;
    }
    if (fread(s->info_head, 1, kInfoHeadSize, s->fp) != (size_t)kInfoHeadSize) {
        sn_log(4, NULL, "bmp_read_header", __LINE__, "read BmpInfoHead FAILED!\n");
        return -1;
    }
    const unsigned char *info = s->info_head;
    s->off_bits = le32(s->file_head + 10);
    s->info_size = le32(info);
    int32_t width = (int32_t)le32(info + 4);
    int32_t height = (int32_t)le32(info + 8);
    s->bit_count = (int)le16(info + 14);
    s->compression = le32(info + 16);
    s->clr_used = le32(info + 32);
    sn_log(1, NULL, "bmp_read_header", __LINE__, "width:%d, height:%d, compress:%d\n", width,
           height, (int)s->compression);

    /* Smaller headers (OS/2 core headers of 12 bytes) lay out their fields
     * differently; reading them as a 40-byte header would decode garbage. */
    if (s->info_size < (uint32_t)kInfoHeadSize) {
        sn_log(4, NULL, "bmp_read_header", __LINE__, "biSize (%u) is unsupported FAILED!\n",
               s->info_size);
        return -1;
    }
    if (height == INT32_MIN) {
        sn_log(4, NULL, "bmp_read_header", __LINE__, "frame size FAILED! width:%d, height:%d\n",
               width, height);
        return -1;
    }
    s->top_down = height < 0;
    s->width = width;
    s->height = height < 0 ? -height : height;
    if (sn_image_check_size("bmp_read_header", s->width, s->height, NULL) != 0)
        return -1;
    if (read_masks(s) != 0)
        return -1;

    sn_image_t *image = reader->owner;
    image->format = SN_IMAGE_FORMAT_BMP;
    image->width = s->width;
    image->height = s->height;
    image->frame_count = 1;
    image->input_format = &snimage_bmp_iformat;
    reader->codec_state = s;
    guard.s = nullptr;
    return 0;
}

/* The colour table: at most 256 entries, from the end of the info header. The
 * table starts zeroed, so an index past the stored entries is opaque black. */
int read_color_table(bmp_state *s, uint32_t table[256])
{
    memset(table, 0, 256 * sizeof(uint32_t));
    /* Entries past 1 << bits can never be indexed; reading them could only
     * fail on a short file. */
    uint32_t entries_max = 1u << s->bit_count;
    uint32_t wanted = s->clr_used && s->clr_used < entries_max ? s->clr_used : entries_max;
    unsigned char entries[256 * 4];
    long at = (long)kFileHeadSize + (long)s->info_size;
    if (s->info_size > (uint32_t)INT_MAX || fseek(s->fp, at, SEEK_SET) != 0) {
        sn_log(4, NULL, "bmp_read_frames", __LINE__, "seek ColorTable FAILED! biSize:%u\n",
               s->info_size);
        return -1;
    }
    size_t got = fread(entries, 4, wanted, s->fp);
    if (got < wanted) {
        if (s->clr_used)
            sn_log(4, NULL, "bmp_read_frames", __LINE__,
                   "read ColorTable FAILED! ret:%d, biClrUsed:%d\n", (int)got, (int)s->clr_used);
        else
            sn_log(4, NULL, "bmp_read_frames", __LINE__,
                   "read ColorTable FAILED! ret:%d, 1 << biBitCount:%d\n", (int)got,
                   1 << s->bit_count);
        return -1;
    }
    for (uint32_t i = 0; i < wanted; i++) {
        const unsigned char *e = entries + 4 * i;
        table[i] = SN_PIXEL(0xFF, e[2], e[1], e[0]);
    }
    for (uint32_t i = 0; i < 256; i++)
        table[i] |= 0xFFu;
    return 0;
}

/* The rows of a file too short for them fail here, before the frame is
 * allocated, with the message the short row would have given. */
int check_file_length(bmp_state *s, size_t row_size)
{
    struct stat st;
    if (fstat(fileno(s->fp), &st) != 0 || !S_ISREG(st.st_mode))
        return 0;
    size_t have = st.st_size > (off_t)s->off_bits ? (size_t)st.st_size - s->off_bits : 0;
    size_t need = 0;
    if (sn_size_mul(row_size, (size_t)s->height, &need) == 0 && have >= need)
        return 0;
    size_t complete = have / row_size;
    int file_row = (int)complete;
    int frame_row = s->top_down ? file_row : s->height - 1 - file_row;
    sn_log(4, NULL, "bmp_read_frames", __LINE__, "read line (%d) FAILED! ret:%d, BytesPerLine:%d\n",
           frame_row, (int)(have - complete * row_size), (int)row_size);
    return -1;
}

/* Converts one file row into a frame row. */
void convert_row(const bmp_state *s, const unsigned char *src, uint32_t *dst, const uint32_t *table,
                 const bmp_channel *ch, uint32_t *alpha_seen)
{
    int width = s->width;
    switch (s->bit_count) {
    case 1:
        for (int x = 0; x < width; x++)
            dst[x] = table[(src[x >> 3] >> (7 - (x & 7))) & 1u];
        break;
    case 4:
        for (int x = 0; x < width; x++)
            dst[x] = table[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15u];
        break;
    case 8:
        for (int x = 0; x < width; x++)
            dst[x] = table[src[x]];
        break;
    case 16:
        for (int x = 0; x < width; x++) {
            uint32_t v = le16(src + 2 * x);
            dst[x] =
                SN_PIXEL(ch[3].get(v, 0xFF), ch[0].get(v, 0), ch[1].get(v, 0), ch[2].get(v, 0));
        }
        break;
    case 24:
        for (int x = 0; x < width; x++, src += 3)
            dst[x] = SN_PIXEL(0xFF, src[2], src[1], src[0]);
        break;
    case 32:
        if (s->have_masks) {
            for (int x = 0; x < width; x++) {
                uint32_t v = le32(src + 4 * x);
                dst[x] =
                    SN_PIXEL(ch[3].get(v, 0xFF), ch[0].get(v, 0), ch[1].get(v, 0), ch[2].get(v, 0));
            }
        } else {
            uint32_t seen = 0;
            for (int x = 0; x < width; x++, src += 4) {
                dst[x] = SN_PIXEL(src[3], src[2], src[1], src[0]);
                seen |= src[3];
            }
            *alpha_seen |= seen;
        }
        break;
    }
}

int bmp_read_frames(snimage_reader_t *reader, int first, int last)
{
    if (!reader || !reader->owner || !reader->codec_state) {
        sn_log(4, NULL, "bmp_read_frames", __LINE__, "reader has no header\n");
        return -1;
    }
    if (first != 0 || (last != 0 && last != -1)) {
        sn_log(4, NULL, "bmp_read_frames", __LINE__, "frames FAILED! first:%d, last:%d\n", first,
               last);
        return -1;
    }
    bmp_state *s = (bmp_state *)reader->codec_state;
    sn_image_t *image = reader->owner;
    if (image->frame_count < 1 || !image->frames || image->width != s->width ||
        image->height != s->height) {
        sn_log(4, NULL, "bmp_read_frames", __LINE__, "image does not match its header\n");
        return -1;
    }
    bool masked_depth = s->bit_count == 16 || s->bit_count == 32;
    if (s->compression != kBiRgb && !(masked_depth && (s->compression == kBiBitfields ||
                                                       s->compression == kBiAlphaBitfields))) {
        sn_log(4, NULL, "bmp_read_frames", __LINE__, "biCompression (%d) is unsupported.\n",
               (int)s->compression);
        return -1;
    }
    switch (s->bit_count) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    default:
        sn_log(4, NULL, "bmp_read_frames", __LINE__, "biBitCount (%d) not supported.\n",
               s->bit_count);
        return -1;
    }

    /* The width is below 2^29 once the frame size is checked, so the row size
     * fits an int; the check keeps the messages' %d honest. */
    size_t row_size = (((size_t)s->width * (size_t)s->bit_count + 7) / 8 + 3) & ~(size_t)3;
    if (row_size > (size_t)INT_MAX) {
        sn_log(4, NULL, "bmp_read_frames", __LINE__, "row size FAILED! %zu\n", row_size);
        return -1;
    }
    if (check_file_length(s, row_size) != 0)
        return -1;

    /* Uncompressed 16-bit pixels are 5-5-5. Bit fields take the file's masks;
     * a channel without a mask is 0, and alpha without one is opaque. */
    bmp_channel channels[4];
    bool use_masks = s->compression != kBiRgb && s->have_masks;
    if (s->bit_count == 16 && !use_masks) {
        channels[0].set(0x7C00u);
        channels[1].set(0x03E0u);
        channels[2].set(0x001Fu);
    } else if (use_masks) {
        for (int i = 0; i < 4; i++)
            channels[i].set(s->masks[i]);
    }
    bmp_state masked = *s;
    masked.fp = nullptr;
    masked.have_masks = use_masks;

    uint32_t table[256];
    if (s->bit_count <= 8 && read_color_table(s, table) != 0)
        return -1;

    sn_image_frame_t frame = {nullptr, nullptr};
    if (snimage_allocate_frame(&frame, s->width, s->height) != 0) {
        sn_log(4, NULL, "bmp_read_frames", __LINE__,
               "snimage_alloc_frame FAILED! width:%d, height:%d\n", s->width, s->height);
        return -1;
    }
    sn_log(1, NULL, "bmp_read_frames", __LINE__, "biBitCount:%d\n", s->bit_count);
    unsigned char *row = (unsigned char *)malloc(row_size);
    if (!row) {
        sn_log(4, NULL, "bmp_read_frames", __LINE__, "malloc FAILED! size:%d\n", (int)row_size);
        snimage_free_frame(&frame);
        return -1;
    }
    if (s->off_bits > (uint32_t)LONG_MAX || fseek(s->fp, (long)s->off_bits, SEEK_SET) != 0) {
        sn_log(4, NULL, "bmp_read_frames", __LINE__, "seek FAILED! bfOffBits:%u\n", s->off_bits);
        free(row);
        snimage_free_frame(&frame);
        return -1;
    }
    uint32_t alpha_seen = 0;
    for (int k = 0; k < s->height; k++) {
        int y = s->top_down ? k : s->height - 1 - k;
        size_t got = fread(row, 1, row_size, s->fp);
        if (got != row_size) {
            sn_log(4, NULL, "bmp_read_frames", __LINE__,
                   "read line (%d) FAILED! ret:%d, BytesPerLine:%d\n", y, (int)got, (int)row_size);
            free(row);
            snimage_free_frame(&frame);
            return -1;
        }
        convert_row(&masked, row, frame.rows[y], table, channels, &alpha_seen);
    }
    free(row);

    /* Most programs write 32-bit files with a fourth byte of 0 that means
     * nothing; read as alpha it would make the whole picture invisible. */
    if (s->bit_count == 32 && !use_masks && alpha_seen == 0) {
        size_t count = (size_t)s->width * (size_t)s->height;
        for (size_t i = 0; i < count; i++)
            frame.pixels[i] |= 0xFFu;
    }
    /* A file whose alpha is real must say so: resizing and saving take an
     * image without has_alpha as opaque, which would lose a logo's edges. */
    bool alpha_channel = (s->bit_count == 32 && (use_masks ? s->masks[3] != 0 : alpha_seen != 0)) ||
                         (s->bit_count == 16 && use_masks && s->masks[3] != 0);
    if (alpha_channel) {
        size_t count = (size_t)s->width * (size_t)s->height;
        for (size_t i = 0; i < count; i++) {
            if (SN_PIXEL_A(frame.pixels[i]) != 0xFFu) {
                image->has_alpha = 1;
                break;
            }
        }
    }
    image->frames[0] = frame;
    return 0;
}

int bmp_write_fd(sn_image_t *image, int fd, const char *path, int, int,
                 const sn_image_write_params_t *)
{
    if (!image || fd < 0 || image->frame_count < 1 || !image->frames || !image->frames[0].rows) {
        sn_log(4, NULL, "bmp_write", __LINE__, "nothing to write, file:%s\n", path ? path : "");
        return -1;
    }
    if (sn_image_check_size("bmp_write", image->width, image->height, NULL) != 0)
        return -1;
    size_t row_size = ((size_t)image->width * 3 + 3) & ~(size_t)3;
    size_t image_size = 0;
    if (sn_size_mul(row_size, (size_t)image->height, &image_size) != 0 ||
        image_size > 0xFFFFFFFFu - 54) {
        sn_log(4, NULL, "bmp_write", __LINE__, "frame size FAILED! width:%d, height:%d\n",
               image->width, image->height);
        return -1;
    }

    FILE *fp = snimage_output_stream(fd, path, "bmp_write");
    if (!fp)
        return -1;
    unsigned char head[kFileHeadSize] = {'B', 'M'};
    put32(head + 2, (uint32_t)(54 + image_size));
    put32(head + 10, 54);
    unsigned char info[kInfoHeadSize] = {0};
    put32(info, kInfoHeadSize);
    put32(info + 4, (uint32_t)image->width);
    put32(info + 8, (uint32_t)image->height);
    put16(info + 12, 1);
    put16(info + 14, 24);
    put32(info + 20, (uint32_t)image_size);

    size_t ret = fwrite(head, 1, sizeof head, fp);
    if (ret != sizeof head) {
        sn_log(4, NULL, "bmp_write", __LINE__, "write FAIL, sizeof(bmp_head):%d, ret:%d\n",
               (int)sizeof head, (int)ret);
        fclose(fp);
        return -1;
    }
    ret = fwrite(info, 1, sizeof info, fp);
    if (ret != sizeof info) {
        sn_log(4, NULL, "bmp_write", __LINE__, "write FAIL, sizeof(bmp_info):%d, ret:%d\n",
               (int)sizeof info, (int)ret);
        fclose(fp);
        return -1;
    }
    unsigned char *row = (unsigned char *)calloc(1, row_size);
    if (!row) {
        sn_log(4, NULL, "bmp_write", __LINE__, "malloc FAILED! size:%zu\n", row_size);
        fclose(fp);
        return -1;
    }
    for (int y = image->height - 1; y >= 0; y--) {
        if (snimage_stopped("bmp_write", "encode")) {
            free(row);
            fclose(fp);
            return -1;
        }
        const uint32_t *src = image->frames[0].rows[y];
        unsigned char *p = row;
        for (int x = 0; x < image->width; x++, p += 3) {
            uint32_t v = src[x];
            p[0] = (unsigned char)SN_PIXEL_B(v);
            p[1] = (unsigned char)SN_PIXEL_G(v);
            p[2] = (unsigned char)SN_PIXEL_R(v);
        }
        if (fwrite(row, 1, row_size, fp) != row_size) {
            sn_log(4, NULL, "bmp_write", __LINE__, "write FAILED! %s\n", path);
            free(row);
            fclose(fp);
            return -1;
        }
    }
    free(row);
    return snimage_finish_output(fp, path, "bmp_write");
}

int bmp_write(sn_image_t *image, const char *path, int first, int last,
              const sn_image_write_params_t *params)
{
    return snimage_write_path(image, path, first, last, params, bmp_write_fd, "bmp_write");
}

} // namespace

snimage_iformat_t snimage_bmp_iformat = {SN_IMAGE_FORMAT_BMP, "bmp",     bmp_probe, bmp_read_header,
                                         bmp_read_frames,     bmp_close, nullptr};
snimage_oformat_t snimage_bmp_oformat = {SN_IMAGE_FORMAT_BMP, "bmp", bmp_write, bmp_write_fd,
                                         nullptr};
