#!/usr/bin/env bash
# Makes the seed corpus of the reader fuzz targets with ImageMagick: small
# files (a few KB at most) of each format in the variants its reader handles.
# Usage: tests/fuzz/make-corpus.sh [bmp|jpeg|png|gif|tiff ...]   (all by default)
# The output is committed under tests/fuzz/corpus/<name>/.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
command -v convert >/dev/null || { echo "make-corpus: ImageMagick 'convert' is needed" >&2; exit 2; }

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

make_gif() {
  seed gif plain.gif GIF "$src" -colors 32
  seed gif interlaced.gif GIF "$src" -colors 32 -interlace GIF
  seed gif transparent.gif GIF "$alpha" -colors 32
  convert -delay 10 "$src" \( "$src" -flop \) \( "$src" -crop 12x8+4+4 \) -colors 16 \
    -loop 0 "$tmp/anim.gif"
  mkdir -p "$here/corpus/gif" && cp "$tmp/anim.gif" "$here/corpus/gif/animated.gif"
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
}

targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(bmp jpeg png gif tiff)
for t in "${targets[@]}"; do
  case "$t" in
  bmp | jpeg | png | gif | tiff) "make_$t" ;;
  *) echo "make-corpus: unknown target '$t'" >&2; exit 2 ;;
  esac
done
ls -l "$here"/corpus/*/ | awk '$5 > 8192 { print "make-corpus: large seed: " $0 }'
