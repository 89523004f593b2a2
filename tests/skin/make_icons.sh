#!/usr/bin/env bash
# Draws the skin's title-bar button and message-box images with ImageMagick
# into resources/skin/images/. The PNGs are committed; run this again only to
# change their look.
set -eu
out="$(cd "$(dirname "$0")/../.." && pwd)/resources/skin/images"
mkdir -p "$out"
ink='#2C4F68'
hover='#E1EEF7'

# The glyphs are drawn without antialiasing on whole pixels, so that they stay
# sharp at the one size they are shown at; only the close cross is smoothed.

# button <name> <width> <draw args...>: the plain image and its hover image.
button() {
  local name=$1 w=$2
  shift 2
  convert -size "${w}x18" xc:none +antialias -stroke none -fill "$ink" "$@" "$out/$name.png"
  convert -size "${w}x18" xc:none -fill "$hover" -stroke '#97BAD0' -strokewidth 1 \
    -draw "roundrectangle 0.5,0.5 $((w - 1)).5,17.5 3,3" \
    +antialias -stroke none -fill "$ink" "$@" "$out/${name}_hover.png"
}

# frame <x0> <y0> <x1> <y1>: sets frame_draw to a window outline with a 2-px
# caption edge.
frame() {
  frame_draw=(-draw "rectangle $1,$2 $3,$(($2 + 1))" -draw "rectangle $1,$2 $1,$4"
    -draw "rectangle $3,$2 $3,$4" -draw "rectangle $1,$4 $3,$4")
}

button win_minimize 19 -draw "rectangle 5,11 13,12"
frame 5 4 13 12
button win_maximum 19 "${frame_draw[@]}"
# The window behind shows only where the one in front does not cover it.
frame 4 6 11 13
button win_restore 19 -draw "rectangle 7,2 14,3" -draw "rectangle 14,2 14,9" \
  -draw "rectangle 12,9 14,9" -draw "rectangle 7,2 7,5" "${frame_draw[@]}"
# Four corners, as of a frame around the whole screen.
button win_full 22 \
  -draw "rectangle 5,4 8,5" -draw "rectangle 5,4 6,7" \
  -draw "rectangle 13,4 16,5" -draw "rectangle 15,4 16,7" \
  -draw "rectangle 5,12 8,13" -draw "rectangle 5,10 6,13" \
  -draw "rectangle 13,12 16,13" -draw "rectangle 15,10 16,13"

# The close button turns red under the pointer, as users know it.
convert -size 20x18 xc:none -stroke "$ink" -strokewidth 1.7 \
  -draw "line 6,5 13,12" -draw "line 13,5 6,12" "$out/win_close.png"
convert -size 20x18 xc:none -fill '#D9534A' -stroke '#B03A32' -strokewidth 1 \
  -draw "roundrectangle 0.5,0.5 19.5,17.5 3,3" -stroke white -strokewidth 1.7 \
  -draw "line 6,5 13,12" -draw "line 13,5 6,12" "$out/win_close_hover.png"

# badge <name> <light> <dark> <edge> <shape> <glyph> <glyph y offset>: a
# 48 x 48 badge lit from above, with one white character.
badge() {
  local name=$1 light=$2 dark=$3 edge=$4 shape=$5 glyph=$6 dy=$7
  convert -size 48x48 gradient:"$light-$dark" \
    \( -size 48x48 xc:black -fill white -draw "$shape" \) \
    -alpha off -compose CopyOpacity -composite \
    -fill none -stroke "$edge" -strokewidth 1.5 -draw "$shape" \
    -fill white -stroke none -font DejaVu-Sans-Bold -pointsize 28 -gravity center \
    -annotate "+0+$dy" "$glyph" "$out/$name.png"
}
round='circle 24,24 24,3.5'
badge msg_info '#6FB3E6' '#2B6FAE' '#245E93' "$round" 'i' 1
badge msg_question '#6FB3E6' '#2B6FAE' '#245E93' "$round" '?' 1
badge msg_error '#EE776D' '#C23A30' '#A3302A' "$round" '×' 0
badge msg_warn '#FFC65A' '#E88D12' '#BF7210' 'polygon 24,4.5 44.5,42.5 3.5,42.5' '!' 6

# The application icon: a small photograph with a mountain and a sun.
convert -size 16x16 xc:none -fill '#F6F8F9' -stroke '#437596' -strokewidth 1 \
  -draw "rectangle 0.5,2.5 15.5,13.5" -stroke none -fill '#57A0D3' -draw "rectangle 1,3 15,13" \
  -fill '#3E7A3A' -draw "polygon 1,13 6,7 10,11 12,9 15,13" \
  -fill '#FFD23F' -draw "circle 11,6 12,7" "$out/app_icon.png"
echo "icons written to $out"
