#!/usr/bin/env bash
# Draws the skin's title-bar button and message-box images with ImageMagick
# into resources/skin/images/. The PNGs are committed; run this again only to
# change their look.
set -eu
out="$(cd "$(dirname "$0")/../.." && pwd)/resources/skin/images"
mkdir -p "$out"
ink='#2C4F68'
hover='#E1EEF7'

# button <name> <width> <draw args...>: the plain image and its hover image.
button() {
  local name=$1 w=$2
  shift 2
  convert -size "${w}x18" xc:none -stroke "$ink" -fill none -strokewidth 1.5 "$@" "$out/$name.png"
  convert -size "${w}x18" xc:none -fill "$hover" -stroke '#97BAD0' -strokewidth 1 \
    -draw "roundrectangle 0.5,0.5 $((w - 1)).5,17.5 3,3" \
    -stroke "$ink" -fill none -strokewidth 1.5 "$@" "$out/${name}_hover.png"
}

button win_minimize 19 -draw "line 5,12 13,12"
button win_maximum 19 -draw "rectangle 5,4 13,12" -draw "line 5,5 13,5"
button win_restore 19 -draw "rectangle 7,3 14,9" -draw "rectangle 4,7 11,13"
button win_full 22 -draw "polyline 4,7 4,4 7,4" -draw "polyline 14,4 17,4 17,7" \
  -draw "polyline 4,11 4,14 7,14" -draw "polyline 17,11 17,14 14,14"
# The close button turns red under the pointer, as users know it.
convert -size 20x18 xc:none -stroke "$ink" -strokewidth 1.6 \
  -draw "line 6,5 13,12" -draw "line 13,5 6,12" "$out/win_close.png"
convert -size 20x18 xc:none -fill '#D0483E' -stroke '#A8342C' -strokewidth 1 \
  -draw "roundrectangle 0.5,0.5 19.5,17.5 3,3" -stroke white -strokewidth 1.6 \
  -draw "line 6,5 13,12" -draw "line 13,5 6,12" "$out/win_close_hover.png"

# msgicon <name> <fill> <glyph>: a round 48 x 48 badge with one character.
msgicon() {
  convert -size 48x48 xc:none -fill "$2" -stroke "$3" -strokewidth 2 \
    -draw "circle 24,24 24,3" -fill white -stroke none -font DejaVu-Sans-Bold \
    -pointsize 30 -gravity center -annotate +0+1 "$4" "$out/$1.png"
}
msgicon msg_info '#3B86C6' '#2A6496' 'i'
msgicon msg_question '#3B86C6' '#2A6496' '?'
msgicon msg_error '#D0483E' '#A8342C' '×'
convert -size 48x48 xc:none -fill '#F0A02C' -stroke '#C07A12' -strokewidth 2 \
  -draw "polygon 24,4 45,43 3,43" -fill white -stroke none -font DejaVu-Sans-Bold \
  -pointsize 28 -gravity center -annotate +0+5 '!' "$out/msg_warn.png"

# The application icon: a small photo frame with a mountain and a sun.
convert -size 16x16 xc:none -fill '#F6F8F9' -stroke '#437596' -strokewidth 1 \
  -draw "rectangle 0.5,2.5 15.5,13.5" -stroke none -fill '#57A0D3' -draw "rectangle 1,3 15,13" \
  -fill '#3E7A3A' -draw "polygon 1,13 6,7 10,11 12,9 15,13" \
  -fill '#FFD23F' -draw "circle 11,6 12,7" "$out/app_icon.png"
echo "icons written to $out"
