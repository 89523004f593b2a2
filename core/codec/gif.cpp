/*
 * GIF codec over giflib 5: the reader walks the file record by record and
 * draws each image over the ones before it at its own place (the frame is
 * the first image's rectangle), so a file gives its last displayed picture;
 * the writer stores frame 0 as one image of at most 256 colours.
 *
 *   gif_probe, gif_read_header, gif_read_frames, gif_close   (input format)
 *   gif_write, gif_write_fd                                  (output format)
 */
#include "image/sn_image_codec.h"
#include "base/sn_log.h"

#include <fcntl.h>
#include <gif_lib.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

namespace
{

/* GIF stores every size in 16 bits. */
const int kGifMaxSide = 65535;

/* An LZW code stands for at most as many pixels as the table has entries,
 * and a table of 4096 entries takes 12-bit codes: no file of n bytes holds
 * more than 4096 / 12 * 8 n (about 2731 n) pixels. An image that claims more
 * cannot be decoded whole; refusing it at once spares a frame-sized
 * allocation for a load that would fail anyway. */
const size_t kGifMaxPixelsPerByte = 2731;

struct gif_state {
    GifFileType *gif;
    int transparent; /* -1 for none */
    int decoded;     /* images of the file decoded so far */
    int left, top;   /* the first image's place on the screen: the frame's origin */
};

struct gif_reader_closer {
    void operator()(GifFileType *gif) const
    {
        int err = 0;
        DGifCloseFile(gif, &err);
    }
};
typedef std::unique_ptr<GifFileType, gif_reader_closer> gif_reader_ptr;

struct free_deleter {
    void operator()(void *p) const
    {
        free(p);
    }
};
typedef std::unique_ptr<GifByteType, free_deleter> byte_buffer;

struct map_deleter {
    void operator()(ColorMapObject *map) const
    {
        GifFreeMapObject(map);
    }
};

/* Reads the data blocks of an extension whose first block has been read and
 * notes a graphic control extension's transparent index. */
int read_extension(GifFileType *gif, const char *function, int *transparent)
{
    int code = 0;
    GifByteType *block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) {
        sn_log(4, NULL, function, __LINE__, "DGifGetExtension FAILED! errno:%d\n", gif->Error);
        return -1;
    }
    /* block[0] is the block's length; a standard control block is 4 bytes:
     * flags, delay (2), transparent index. The index is the block's last
     * byte; a block too short to hold one declares nothing. A control block
     * speaks for the image after it only, so one without the flag clears
     * what an earlier block declared. */
    if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4)
        *transparent = (block[1] & 1) ? block[block[0]] : -1;
    while (block) {
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) {
            sn_log(4, NULL, function, __LINE__, "DGifGetExtensionNext FAILED! errno:%d\n",
                   gif->Error);
            return -1;
        }
    }
    return 0;
}

int gif_probe(snimage_reader_t *reader, const unsigned char *, int)
{
    if (!reader || !reader->path)
        return -1;
    int fd = snimage_reader_open_fd(reader);
    if (fd < 0)
        return -1;
    int err = 0;
    /* The library closes the descriptor, on failure too. */
    GifFileType *gif = DGifOpenFileHandle(fd, &err);
    if (!gif)
        return -1;
    DGifCloseFile(gif, &err);
    return 0;
}

int gif_read_header(snimage_reader_t *reader)
{
    if (!reader || !reader->path || !reader->owner) {
        sn_log(4, NULL, "gif_read_header", __LINE__, "reader is null\n");
        return -1;
    }
    /* The size bounds what the header may claim; it is the opened file's. */
    struct stat st;
    int fd = snimage_reader_open_fd(reader);
    if (fd < 0 || fstat(fd, &st) != 0) {
        if (fd >= 0)
            close(fd);
        sn_log(4, NULL, "gif_read_header", __LINE__, "DGifOpenFileName FAILED! errno:%d\n",
               D_GIF_ERR_OPEN_FAILED);
        return -1;
    }
    int err = 0;
    gif_reader_ptr gif(DGifOpenFileHandle(fd, &err));
    if (!gif) {
        sn_log(4, NULL, "gif_read_header", __LINE__, "DGifOpenFileName FAILED! errno:%d\n", err);
        return -1;
    }
    int transparent = -1;
    int width = 0, height = 0, left = 0, top = 0;
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) {
            sn_log(4, NULL, "gif_read_header", __LINE__, "DGifGetRecordType FAILED! errno:%d\n",
                   gif->Error);
            return -1;
        }
        if (type == IMAGE_DESC_RECORD_TYPE) {
            if (DGifGetImageDesc(gif.get()) == GIF_ERROR) {
                sn_log(4, NULL, "gif_read_header", __LINE__, "DGifGetImageDesc FAILED! errno:%d\n",
                       gif->Error);
                return -1;
            }
            width = gif->Image.Width;
            height = gif->Image.Height;
            left = gif->Image.Left;
            top = gif->Image.Top;
            break;
        }
        if (type == EXTENSION_RECORD_TYPE) {
            if (read_extension(gif.get(), "gif_read_header", &transparent) != 0)
                return -1;
            continue;
        }
        if (type == TERMINATE_RECORD_TYPE)
            break;
    }
    if (width > kGifMaxSide || height > kGifMaxSide) {
        sn_log(4, NULL, "gif_read_header", __LINE__, "image size FAILED! width:%d, height:%d\n",
               width, height);
        return -1;
    }
    /* A file without an image keeps width and height 0, and its frame read
     * fails; a huge one is refused before anything is allocated. */
    if (width > 0 && height > 0 && sn_image_check_size("gif_read_header", width, height, NULL))
        return -1;
    if ((size_t)width * (size_t)height / kGifMaxPixelsPerByte > (size_t)st.st_size) {
        sn_log(4, NULL, "gif_read_header", __LINE__,
               "image size FAILED! width:%d, height:%d, file bytes:%lld\n", width, height,
               (long long)st.st_size);
        return -1;
    }

    gif_state *state = (gif_state *)calloc(1, sizeof *state);
    if (!state) {
        sn_log(4, NULL, "gif_read_header", __LINE__, "malloc FAILED! size:%zu\n", sizeof *state);
        return -1;
    }
    state->gif = gif.release();
    state->transparent = transparent;
    state->decoded = 0;
    state->left = left;
    state->top = top;
    reader->codec_state = state;

    sn_image_t *image = reader->owner;
    image->format = SN_IMAGE_FORMAT_GIF;
    image->width = width;
    image->height = height;
    image->frame_count = 1;
    image->input_format = &snimage_gif_iformat;
    image->has_alpha = transparent >= 0 ? 1 : 0;
    return 0;
}

/* One image of the file, placed on the frame. */
struct gif_layer {
    int dx, dy;        /* its top-left corner in frame coordinates */
    int transparent;   /* the index its control block declares, or -1 */
    uint32_t lut[256]; /* index to pixel */
};

/* The pixels of one colour map; indexes the map does not hold come out
 * opaque black. */
void fill_lut(const ColorMapObject *map, uint32_t lut[256])
{
    const int count = map->ColorCount < 256 ? map->ColorCount : 256;
    for (int i = 0; i < 256; i++) {
        if (i < count && map->Colors)
            lut[i] = SN_PIXEL(255, map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue);
        else
            lut[i] = SN_PIXEL(255, 0, 0, 0);
    }
}

/* Decodes the image whose descriptor has just been read and draws it over
 * the frame at its place, clipped to the frame; its transparent index leaves
 * what lies below. A line that cannot be read fails the image: the rest of
 * the picture is missing, and drawing on would pass a half-black frame for
 * a whole one. */
int decode_image(GifFileType *gif, GifByteType *line, const gif_layer &layer,
                 sn_image_frame_t *frame, int frame_w, int frame_h)
{
    static const int starts[4] = {0, 4, 2, 1};
    static const int steps[4] = {8, 8, 4, 2};
    const int w = gif->Image.Width;
    const int h = gif->Image.Height;
    /* The columns of the image that land inside the frame. */
    const long long from = layer.dx < 0 ? -(long long)layer.dx : 0;
    long long to = (long long)frame_w - layer.dx;
    to = to < w ? to : w;
    const int passes = gif->Image.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; pass++) {
        int start = gif->Image.Interlace ? starts[pass] : 0;
        int step = gif->Image.Interlace ? steps[pass] : 1;
        for (int y = start; y < h; y += step) {
            if (DGifGetLine(gif, line, w) == GIF_ERROR) {
                sn_log(4, NULL, "gif_read_frames", __LINE__,
                       "DGifGetLine FAILED! errno:%d, row:%d\n", gif->Error, y);
                return -1;
            }
            const long long fy = (long long)layer.dy + y;
            if (fy < 0 || fy >= frame_h || from >= to)
                continue;
            uint32_t *out = frame->rows[fy];
            for (long long x = from; x < to; x++) {
                const int index = line[x];
                if (index != layer.transparent)
                    out[layer.dx + x] = layer.lut[index];
            }
        }
    }
    return 0;
}

int gif_read_frames(snimage_reader_t *reader, int first, int last)
{
    if (!reader || !reader->owner || !reader->codec_state) {
        sn_log(4, NULL, "gif_read_frames", __LINE__, "reader holds no state\n");
        return -1;
    }
    gif_state *state = (gif_state *)reader->codec_state;
    sn_image_t *image = reader->owner;
    /* The image array holds frame_count frames: a first past it would be
     * written outside, whatever the count of images decoded says. */
    if (first != state->decoded || last > 4095 || first >= image->frame_count || !image->frames) {
        sn_log(4, NULL, "gif_read_frames", __LINE__, "frame range FAILED! first:%d, last:%d\n",
               first, last);
        return -1;
    }
    const int width = image->width;
    const int height = image->height;
    if (sn_image_check_size("gif_read_frames", width, height, NULL) != 0)
        return -1;
    byte_buffer line((GifByteType *)malloc(kGifMaxSide));
    if (!line) {
        sn_log(4, NULL, "gif_read_frames", __LINE__, "malloc FAILED! size:%d\n", kGifMaxSide);
        return -1;
    }
    sn_image_frame_t frame = {NULL, NULL};
    if (snimage_allocate_frame(&frame, width, height) != 0) {
        sn_log(4, NULL, "gif_read_frames", __LINE__,
               "snimage_alloc_frame FAILED! width:%d, height:%d\n", width, height);
        return -1;
    }
    struct frame_guard {
        sn_image_frame_t *f;
        ~frame_guard()
        {
            if (f)
                snimage_free_frame(f);
        }
    } guard = {&frame};
    /* Where no image draws: see-through white when the first image has a
     * transparent colour, else white. */
    const uint32_t clear =
        image->has_alpha ? SN_PIXEL(0, 255, 255, 255) : SN_PIXEL(255, 255, 255, 255);
    const size_t n = (size_t)width * (size_t)height;
    for (size_t i = 0; i < n; i++)
        frame.pixels[i] = clear;

    /* Each image is drawn over the ones before it at its own place,
     * relative to the first image, so that an optimised animation (later
     * images only the patches that change) ends as its last displayed
     * picture. */
    GifFileType *gif = state->gif;
    int images = 0;
    int transparent = state->transparent; /* for the image that comes next */
    bool pending = state->decoded == 0;   /* the header stopped at a descriptor */
    gif_layer layer;
    for (;;) {
        GifRecordType type = IMAGE_DESC_RECORD_TYPE;
        if (!pending && DGifGetRecordType(gif, &type) == GIF_ERROR) {
            sn_log(4, NULL, "gif_read_frames", __LINE__, "DGifGetRecordType FAILED! errno:%d\n",
                   gif->Error);
            return -1;
        }
        if (type == IMAGE_DESC_RECORD_TYPE) {
            if (!pending && DGifGetImageDesc(gif) == GIF_ERROR) {
                sn_log(4, NULL, "gif_read_frames", __LINE__, "DGifGetImageDesc FAILED! errno:%d\n",
                       gif->Error);
                return -1;
            }
            pending = false;
            if (gif->Image.Width > kGifMaxSide || gif->Image.Height > kGifMaxSide ||
                gif->Image.Width < 0 || gif->Image.Height < 0) {
                sn_log(4, NULL, "gif_read_frames", __LINE__,
                       "image size FAILED! width:%d, height:%d\n", gif->Image.Width,
                       gif->Image.Height);
                return -1;
            }
            const ColorMapObject *map = gif->Image.ColorMap;
            if (map) {
                sn_log(2, NULL, "gif_read_frames", __LINE__, "use image colormap, color count:%d\n",
                       map->ColorCount);
            } else if (gif->SColorMap) {
                map = gif->SColorMap;
                sn_log(2, NULL, "gif_read_frames", __LINE__,
                       "use system colormap, color count:%d\n", map->ColorCount);
            } else {
                sn_log(4, NULL, "gif_read_frames", __LINE__,
                       "colormap FAILED! the image has none\n");
                return -1;
            }
            sn_log(2, NULL, "gif_read_frames", __LINE__, "tranparentcolor:%d\n", transparent);
            layer.dx = gif->Image.Left - state->left;
            layer.dy = gif->Image.Top - state->top;
            layer.transparent = transparent;
            fill_lut(map, layer.lut);
            if (decode_image(gif, line.get(), layer, &frame, width, height) != 0)
                return -1;
            state->decoded++;
            state->transparent = transparent;
            transparent = -1;
            images++;
        } else if (type == EXTENSION_RECORD_TYPE) {
            if (read_extension(gif, "gif_read_frames", &transparent) != 0)
                return -1;
        } else if (type == TERMINATE_RECORD_TYPE) {
            break;
        }
    }
    if (images == 0) {
        sn_log(4, NULL, "gif_read_frames", __LINE__, "image FAILED! the file holds none\n");
        return -1;
    }
    guard.f = nullptr;
    image->frames[first] = frame;
    return 0;
}

int gif_close(snimage_reader_t *reader)
{
    if (!reader || !reader->codec_state)
        return -1;
    gif_state *state = (gif_state *)reader->codec_state;
    int err = 0;
    DGifCloseFile(state->gif, &err);
    free(state);
    return 0;
}

/* Bits needed to index count colours, 1 to 8. */
int color_bits(int count)
{
    int bits = 1;
    while (bits < 8 && (1 << bits) < count)
        bits++;
    return bits;
}

/* An exact palette for an image of at most 256 distinct colours: the
 * quantiser keeps only 5 bits per primary, which would shift even a pure red.
 * Returns the colour count, or 0 when the image holds more colours. */
int exact_palette(const uint8_t *red, const uint8_t *green, const uint8_t *blue, size_t n,
                  GifColorType *colors, GifByteType *index)
{
    /* Open-addressed table of 512 slots keyed by 0xRRGGBB; 256 colours at
     * most, so it never fills. */
    int32_t keys[512];
    uint8_t slots[512];
    memset(keys, 0xFF, sizeof keys);
    int count = 0;
    for (size_t i = 0; i < n; i++) {
        int32_t key = (int32_t)red[i] << 16 | (int32_t)green[i] << 8 | blue[i];
        uint32_t h = ((uint32_t)key * 2654435761u) >> 23;
        while (keys[h] != -1 && keys[h] != key)
            h = (h + 1) & 511;
        if (keys[h] == -1) {
            if (count == 256)
                return 0;
            keys[h] = key;
            slots[h] = (uint8_t)count;
            colors[count].Red = red[i];
            colors[count].Green = green[i];
            colors[count].Blue = blue[i];
            count++;
        }
        index[i] = slots[h];
    }
    return count;
}

struct gif_writer_closer {
    void operator()(GifFileType *gif) const
    {
        int err = 0;
        EGifCloseFile(gif, &err);
    }
};
typedef std::unique_ptr<GifFileType, gif_writer_closer> gif_writer_ptr;

/* Failure after the library took its copy of the descriptor: close that. */
int abandon(gif_writer_ptr &gif)
{
    gif.reset();
    return -1;
}

int gif_write_fd(sn_image_t *image, int fd, const char *path, int, int,
                 const sn_image_write_params_t *)
{
    if (!image || fd < 0 || image->frame_count <= 0 || !image->frames || !image->frames[0].rows) {
        sn_log(4, NULL, "gif_write", __LINE__, "image or path is null\n");
        return -1;
    }
    const int width = image->width;
    const int height = image->height;
    size_t bytes = 0;
    if (sn_image_check_size("gif_write", width, height, &bytes) != 0)
        return -1;
    if (width > kGifMaxSide || height > kGifMaxSide) {
        sn_log(4, NULL, "gif_write", __LINE__, "image size FAILED! width:%d, height:%d\n", width,
               height);
        return -1;
    }
    const size_t n = bytes / 4;
    byte_buffer red((GifByteType *)malloc(n));
    byte_buffer green((GifByteType *)malloc(n));
    byte_buffer blue((GifByteType *)malloc(n));
    byte_buffer index((GifByteType *)malloc(n));
    std::unique_ptr<ColorMapObject, map_deleter> map(GifMakeMapObject(256, NULL));
    if (!red || !green || !blue || !index || !map) {
        sn_log(4, NULL, "gif_write", __LINE__,
               "malloc FAILED! red:0x%zx, green:0x%zx, blue:0x%zx, buffer:0x%zx, width:%d, "
               "height:%d\n",
               (size_t)red.get(), (size_t)green.get(), (size_t)blue.get(), (size_t)index.get(),
               width, height);
        return -1;
    }

    /* Without a transparent entry, see-through pixels become white. */
    GifByteType *r = red.get(), *g = green.get(), *b = blue.get();
    for (int y = 0; y < height; y++) {
        const uint32_t *in = image->frames[0].rows[y];
        for (int x = 0; x < width; x++) {
            uint32_t p = in[x];
            if (image->has_alpha && SN_PIXEL_A(p) < 128) {
                *r++ = 255;
                *g++ = 255;
                *b++ = 255;
            } else {
                *r++ = (GifByteType)SN_PIXEL_R(p);
                *g++ = (GifByteType)SN_PIXEL_G(p);
                *b++ = (GifByteType)SN_PIXEL_B(p);
            }
        }
    }
    memset(map->Colors, 0, 256 * sizeof(GifColorType));
    int colors = exact_palette(red.get(), green.get(), blue.get(), n, map->Colors, index.get());
    if (colors == 0) {
        colors = 256;
        if (GifQuantizeBuffer((unsigned)width, (unsigned)height, &colors, red.get(), green.get(),
                              blue.get(), index.get(), map->Colors) == GIF_ERROR) {
            sn_log(4, NULL, "gif_write", __LINE__, "QuantizeBuffer FAILED! errno:%d\n",
                   D_GIF_ERR_NOT_ENOUGH_MEM);
            return -1;
        }
    }
    red.reset();
    green.reset();
    blue.reset();

    /* The library closes the descriptor it is given: it gets a copy, so that
     * the caller's stays open for its own checks. */
    int err = E_GIF_ERR_OPEN_FAILED;
    int copy = fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) {
        sn_log(4, NULL, "gif_write", __LINE__, "EGifOpenFileName FAILED! errno:%d\n", err);
        return -1;
    }
    gif_writer_ptr gif(EGifOpenFileHandle(copy, &err));
    if (!gif) {
        sn_log(4, NULL, "gif_write", __LINE__, "EGifOpenFileName FAILED! errno:%d\n", err);
        close(copy); /* not taken over by a failed open */
        return -1;
    }
    if (EGifPutScreenDesc(gif.get(), width, height, color_bits(colors), 0, map.get()) ==
        GIF_ERROR) {
        sn_log(4, NULL, "gif_write", __LINE__, "EGifPutScreenDesc FAILED! errno:%d\n", gif->Error);
        return abandon(gif);
    }
    /* No entry is reserved for see-through pixels (they were painted white
     * above), so the control block declares none transparent. */
    GifByteType control[4] = {0, 0, 0, 0};
    if (EGifPutExtension(gif.get(), GRAPHICS_EXT_FUNC_CODE, sizeof control, control) == GIF_ERROR) {
        sn_log(4, NULL, "gif_write", __LINE__, "EGifPutExtension FAILED! errno:%d\n", gif->Error);
        return abandon(gif);
    }
    if (EGifPutImageDesc(gif.get(), 0, 0, width, height, false, NULL) == GIF_ERROR) {
        sn_log(4, NULL, "gif_write", __LINE__, "EGifPutImageDesc FAILED! errno:%d\n", gif->Error);
        return abandon(gif);
    }
    for (int y = 0; y < height; y++) {
        if (snimage_stopped("gif_write", "encode"))
            return abandon(gif);
        if (EGifPutLine(gif.get(), index.get() + (size_t)y * (size_t)width, width) == GIF_ERROR) {
            sn_log(4, NULL, "gif_write", __LINE__, "EGifPutLine FAILED! errno:%d\n", gif->Error);
            return abandon(gif);
        }
    }
    /* The close writes the terminator and flushes: a failure there loses
     * the file as surely as a failed line. EGifCloseFile frees the handle
     * whatever it returns. */
    if (EGifCloseFile(gif.release(), &err) == GIF_ERROR) {
        sn_log(4, NULL, "gif_write", __LINE__, "EGifCloseFile FAILED! errno:%d\n", err);
        return -1;
    }
    return 0;
}

int gif_write(sn_image_t *image, const char *path, int first, int last,
              const sn_image_write_params_t *params)
{
    return snimage_write_path(image, path, first, last, params, gif_write_fd, "gif_write");
}

} // namespace

snimage_iformat_t snimage_gif_iformat = {SN_IMAGE_FORMAT_GIF, "gif",     gif_probe, gif_read_header,
                                         gif_read_frames,     gif_close, nullptr};
snimage_oformat_t snimage_gif_oformat = {SN_IMAGE_FORMAT_GIF, "gif", gif_write, gif_write_fd,
                                         nullptr};
