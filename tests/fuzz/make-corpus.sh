#!/usr/bin/env bash
# Makes the seed corpus of the reader fuzz targets with ImageMagick: small
# files (a few KB at most) of each format in the variants its reader handles,
# and hostile ones (python3 patches the bytes) that once cost seconds or
# gigabytes, or loaded damaged pictures as whole.
# Usage: tests/fuzz/make-corpus.sh [bmp|jpeg|png|gif|tiff ...]   (all by default)
# The output is committed under tests/fuzz/corpus/<name>/.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
command -v convert >/dev/null || { echo "make-corpus: ImageMagick 'convert' is needed" >&2; exit 2; }
command -v python3 >/dev/null || { echo "make-corpus: python3 is needed" >&2; exit 2; }
command -v jpegtran >/dev/null || { echo "make-corpus: jpegtran is needed" >&2; exit 2; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# Two small sources: a colour gradient with noise, and the same with a
# partly transparent alpha channel.
convert -size 24x16 gradient:red-blue -attribute-seed 1 +noise Gaussian "$tmp/rgb.png" 2>/dev/null ||
  convert -size 24x16 gradient:red-blue "$tmp/rgb.png"
convert "$tmp/rgb.png" \( -size 24x16 gradient:white-none \) -alpha off -compose CopyOpacity \
  -composite "$tmp/rgba.png"
src="$tmp/rgb.png"
alpha="$tmp/rgba.png"

seed() { # seed <name> <file> <coder> <convert arguments...>
  local name=$1 file=$2 coder=$3
  shift 3
  mkdir -p "$here/corpus/$name"
  convert "$@" "$coder:$here/corpus/$name/$file"
}

make_bmp() {
  seed bmp rgb24.bmp BMP3 "$src" -type TrueColor
  seed bmp rgba32.bmp BMP "$alpha" -type TrueColorAlpha
  seed bmp pal8.bmp BMP3 "$src" -colors 16 -type Palette
  seed bmp gray1.bmp BMP3 "$src" -monochrome
  seed bmp rle8.bmp BMP3 "$src" -colors 16 -type Palette -compress RLE
  seed bmp bottomup-v5.bmp BMP "$src"
}

make_jpeg() {
  seed jpeg baseline.jpg JPEG "$src" -quality 85
  seed jpeg progressive.jpg JPEG "$src" -interlace Plane -quality 75
  seed jpeg gray.jpg JPEG "$src" -colorspace Gray
  seed jpeg subsample444.jpg JPEG "$src" -sampling-factor 1x1
  seed jpeg restart.jpg JPEG "$src" -define jpeg:restart-interval=1
  seed jpeg cmyk.jpg JPEG "$src" -colorspace CMYK
  seed jpeg arith-free-odd.jpg JPEG "$src" -resize 7x5! -quality 50
}

make_png() {
  seed png rgb.png PNG24 "$src"
  seed png rgba.png PNG32 "$alpha"
  seed png palette.png PNG8 "$src" -colors 16
  seed png palette-trns.png PNG8 "$alpha" -colors 16
  seed png gray1.png PNG "$src" -colorspace Gray -depth 1
  seed png gray2.png PNG "$src" -colorspace Gray -depth 2
  seed png gray4.png PNG "$src" -colorspace Gray -depth 4
  seed png gray8.png PNG "$src" -colorspace Gray -depth 8
  seed png gray16.png PNG "$src" -colorspace Gray -depth 16
  seed png graya.png PNG "$alpha" -colorspace Gray -type GrayscaleAlpha
  seed png rgb16.png PNG48 "$src" -depth 16
  seed png adam7.png PNG32 "$alpha" -interlace PNG
  # Just above the fuzz targets' pixel limit: only the replay tests decode it.
  seed png large-gray1.png PNG -size 2050x2050 xc:white -fill black \
    -draw "rectangle 300,400 1700,1500" -monochrome -strip -define png:bit-depth=1 \
    -define png:color-type=0
}

# patch <file> <python statements on the bytearray b>: edits a file in place.
patch() {
  python3 - "$1" "$2" <<'PY'
import struct, sys, zlib
path, code = sys.argv[1], sys.argv[2]
b = bytearray(open(path, 'rb').read())
def marker(lo, hi, n=0):
    for i in range(2, len(b) - 1):
        if b[i] == 0xFF and lo <= b[i + 1] <= hi:
            if n == 0:
                return i
            n -= 1
    raise SystemExit('marker not found')
def sof_size(w, h):
    i = marker(0xC0, 0xC2)
    b[i + 5:i + 9] = struct.pack('>HH', h, w)
exec(code)
open(path, 'wb').write(bytes(b))
PY
}

make_jpeg_hostile() {
  local d="$here/corpus/jpeg"
  # A 23170 x 23170 header over a few hundred bytes of scan data.
  convert "$src" -strip -resize 8x8! -quality 50 "JPEG:$d/huge-header-tiny-scan.jpg"
  patch "$d/huge-header-tiny-scan.jpg" 'sof_size(23170, 23170)'
  convert "$src" -strip -resize 8x8! -quality 50 -interlace Plane \
    "JPEG:$d/huge-progressive-tiny-scan.jpg"
  patch "$d/huge-progressive-tiny-scan.jpg" 'sof_size(23170, 23170)'
  # Scan data cut in half, the end marker kept.
  cp "$here/corpus/jpeg/baseline.jpg" "$d/scan-cut-end-kept.jpg"
  patch "$d/scan-cut-end-kept.jpg" 's = marker(0xDA, 0xDA); b[:] = b[:(s + len(b)) // 2] + b"\xff\xd9"'
  # A table marker where scan data should be.
  cp "$here/corpus/jpeg/baseline.jpg" "$d/marker-inside-scan.jpg"
  patch "$d/marker-inside-scan.jpg" 's = marker(0xDA, 0xDA); m = (s + len(b)) // 2; b[m:m + 2] = b"\xff\xc4"'
  # A restart marker out of sequence.
  jpegtran -restart 1B -outfile "$d/restart-out-of-sequence.jpg" "$here/corpus/jpeg/baseline.jpg"
  patch "$d/restart-out-of-sequence.jpg" 'r = marker(0xD0, 0xD7); b[r + 1] = 0xD0 + ((b[r + 1] - 0xD0 + 4) & 7)'
}

make_png_hostile() {
  # 44 bytes: a 1 x 1 header, then an ancillary chunk that claims 2 GiB.
  local type
  for type in tEXt zTXt iTXt sPLT; do
    python3 - "$here/corpus/png/huge-$type.png" "$type" <<'PY'
import struct, sys, zlib
path, kind = sys.argv[1], sys.argv[2].encode()
ihdr = b'IHDR' + struct.pack('>IIBBBBB', 1, 1, 8, 0, 0, 0, 0)
data = (b'\x89PNG\r\n\x1a\n' + struct.pack('>I', 13) + ihdr +
        struct.pack('>I', zlib.crc32(ihdr)) + struct.pack('>I', 0x7FFFFFF0) + kind + b'key')
open(path, 'wb').write(data)
PY
  done
}

make_gif() {
  seed gif plain.gif GIF "$src" -colors 32
  seed gif interlaced.gif GIF "$src" -colors 32 -interlace GIF
  seed gif transparent.gif GIF "$alpha" -colors 32
  convert -delay 10 "$src" \( "$src" -flop \) \( "$src" -crop 12x8+4+4 \) -colors 16 \
    -loop 0 "$tmp/anim.gif"
  mkdir -p "$here/corpus/gif" && cp "$tmp/anim.gif" "$here/corpus/gif/animated.gif"
  # Later images as patches at their own places, transparent where unchanged.
  convert -delay 10 "$src" \( "$src" -fill blue -draw 'rectangle 3,2 9,6' \) \
    \( "$src" -fill yellow -draw 'rectangle 12,8 20,13' -fill blue -draw 'rectangle 3,2 9,6' \) \
    -colors 16 -layers OptimizeTransparency -loop 0 "GIF:$here/corpus/gif/optimised.gif"
  convert \( -size 10x10 xc:red -repage 20x20+4+4 \) \( -size 12x12 xc:blue -repage 20x20+0+0 \) \
    "GIF:$here/corpus/gif/first-offset.gif"
  # Image data that ends (with its end code) half-way, in an otherwise whole file.
  cp "$here/corpus/gif/plain.gif" "$here/corpus/gif/data-ends-early.gif"
  patch "$here/corpus/gif/data-ends-early.gif" '
p = 13 + (3 << ((b[10] & 7) + 1) if b[10] & 0x80 else 0)
while b[p] == 0x21:
    p += 2
    while b[p]:
        p += b[p] + 1
    p += 1
p += 10 + (3 << ((b[p + 9] & 7) + 1) if b[p + 9] & 0x80 else 0) + 1
first = b[p]
b[:] = b[:p] + bytes([first // 2]) + b[p + 1:p + 1 + first // 2] + b"\x00\x3b"'
}

make_tiff() {
  seed tiff rgb.tif TIFF "$src" -compress None
  seed tiff rgba.tif TIFF "$alpha" -compress None
  seed tiff gray.tif TIFF "$src" -colorspace Gray -compress None
  seed tiff lzw.tif TIFF "$src" -compress LZW
  seed tiff deflate.tif TIFF "$alpha" -compress Zip
  seed tiff jpeg.tif TIFF "$src" -compress JPEG
  seed tiff palette.tif TIFF "$src" -colors 16 -type Palette -compress None
  # The layouts that take other paths through libtiff's RGBA reader.
  seed tiff tiles-lzw.tif TIFF "$src" -type TrueColor -compress LZW -define tiff:predictor=2 \
    -define tiff:tile-geometry=16x16
  seed tiff rgb16-deflate.tif TIFF "$src" -type TrueColor -depth 16 -compress Zip \
    -define tiff:predictor=2
  seed tiff alpha-associated.tif TIFF "$alpha" -type TrueColorAlpha -compress None \
    -define tiff:alpha=associated
  seed tiff alpha-unassociated.tif TIFF "$alpha" -type TrueColorAlpha -compress LZW \
    -define tiff:predictor=2 -define tiff:alpha=unassociated
  seed tiff gray-jpeg.tif TIFF "$src" -colorspace Gray -compress JPEG
  seed tiff bilevel-g4.tif TIFF "$src" -monochrome -compress Group4
  seed tiff planar-packbits.tif TIFF "$src" -type TrueColor -interlace Plane -compress RLE
  # The orientations that trade the stored sides, and gray with alpha.
  local o
  for o in LeftTop RightTop RightBottom LeftBottom; do
    seed tiff "orient-$o.tif" TIFF "$src" -orient "$o" -compress None
  done
  seed tiff gray-alpha.tif TIFF "$alpha" -colorspace Gray -compress LZW
}

targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(bmp jpeg png gif tiff)
for t in "${targets[@]}"; do
  case "$t" in
  bmp | gif | tiff) "make_$t" ;;
  jpeg | png) "make_$t" && "make_${t}_hostile" ;;
  *) echo "make-corpus: unknown target '$t'" >&2; exit 2 ;;
  esac
done
ls -l "$here"/corpus/*/ | awk '$5 > 8192 { print "make-corpus: large seed: " $0 }'
