#!/usr/bin/env bash
# Draws the application's own pictures with ImageMagick into
# resources/app/images/: the menu icons, the Step 2 button icons, the strip's
# link, the thumbnail placeholder and the picture of a file that cannot be
# read, the logo and the application icon. The PNGs
# are committed; run this again only to change their look. Every picture keeps
# to the skin's palette, so that they sit well on its blue-grey surfaces.
set -eu
out="$(cd "$(dirname "$0")/.." && pwd)/resources/app/images"
mkdir -p "$out"
dark='#437596'  # text and frames
mid='#96C2DF'   # title-bar blue
pale='#97BAD0'  # borders
light='#EAF0F3' # page background
white='#FFFFFF'
warn='#FF8200'  # the skin's warning orange
font=DejaVu-Sans-Bold

# Without dates, and in 8 bits per channel, so that a second run gives the
# same bytes.
png() {
  local dest=${*: -1}
  convert "${@:1:$#-1}" -strip -define png:exclude-chunks=date,time -depth 8 "PNG32:$dest"
}
# icon <name> <draw args...>: a 32 x 32 picture on a transparent ground.
icon() {
  local name=$1
  shift
  png -size 32x32 xc:none "$@" "$out/$name.png"
}
# disc <name> <ground> <draw args...>: a round badge with a white glyph.
disc() {
  local name=$1 ground=$2
  shift 2
  icon "$name" -fill "$ground" -stroke "$dark" -strokewidth 1.5 -draw "circle 16,16 16,2" \
    -stroke none -fill "$white" "$@"
}

# Menus.
icon open -stroke "$dark" -strokewidth 1.5 -fill "$pale" \
  -draw "polygon 3,8 12,8 15,11 27,11 27,26 3,26" \
  -fill "$mid" -draw "polygon 6,15 30,15 27,26 3,26"
icon save -stroke "$dark" -strokewidth 1.5 -fill "$mid" \
  -draw "roundrectangle 4,4 28,28 3,3" \
  -fill "$white" -draw "rectangle 9,5 23,13" \
  -fill "$dark" -stroke none -draw "rectangle 18,6 21,12" \
  -fill "$light" -stroke "$dark" -draw "rectangle 8,18 24,28"
icon exit -stroke "$dark" -strokewidth 1.5 -fill "$light" \
  -draw "rectangle 4,3 18,29" -fill "$mid" -draw "polygon 4,3 13,7 13,29 4,29" \
  -stroke none -fill "$dark" -draw "polygon 17,13 24,13 24,9 30,16 24,23 24,19 17,19"
# A gear: four bars across a disc make its eight teeth.
teeth=()
for angle in 0 45 90 135; do
  teeth+=(-draw "translate 16,16 rotate $angle roundrectangle -3,-14 3,14 1,1")
done
icon options -fill "$dark" -stroke none "${teeth[@]}" \
  -stroke "$dark" -strokewidth 1.5 -fill "$mid" -draw "circle 16,16 16,6" \
  -fill "$white" -draw "circle 16,16 16,12"
disc help "$dark" -font "$font" -pointsize 21 -gravity center -annotate +0+1 "?"
disc about "$mid" -fill "$dark" -draw "circle 16,9 16,7" -draw "roundrectangle 14,13 18,25 1,1"
icon homepage -stroke "$dark" -strokewidth 1.5 -fill "$mid" \
  -draw "rectangle 7,15 25,28" -fill "$pale" -draw "polygon 2,16 16,4 30,16" \
  -fill "$white" -draw "rectangle 13,19 19,28"

# Step 2 buttons.
disc add "$dark" -draw "rectangle 9,14 23,18" -draw "rectangle 14,9 18,23"
disc delete "$warn" -draw "rectangle 9,14 23,18"
arrow_r="polygon 6,13 17,13 17,7 27,16 17,25 17,19 6,19"
arrow_l="polygon 26,13 15,13 15,7 5,16 15,25 15,19 26,19"
icon move-right -fill "$mid" -stroke "$dark" -strokewidth 1.5 -draw "$arrow_r"
icon move-left -fill "$mid" -stroke "$dark" -strokewidth 1.5 -draw "$arrow_l"
icon next -fill "$dark" -stroke none -draw "polygon 10,6 24,16 10,26"
icon previous -fill "$dark" -stroke none -draw "polygon 22,6 8,16 22,26"

# The strip's link between two operation pieces: shown at 38 x 76.
png -size 38x76 xc:none -stroke "$pale" -strokewidth 3 -draw "line 0,38 30,38" \
  -stroke none -fill "$dark" -draw "polygon 24,30 37,38 24,46" \
  -fill "$dark" -draw "circle 4,38 4,34" "$out/workflow-link.png"

# The thumbnail placeholder, scaled to cover 80 x 60: a pale photo with an
# hourglass in its middle.
png -size 128x128 xc:"$light" -stroke "$pale" -strokewidth 2 -fill none \
  -draw "rectangle 1,1 126,126" -stroke none \
  -fill "$pale" -draw "polygon 8,108 40,70 60,92 82,62 120,108" \
  -fill "$mid" -draw "circle 100,32 100,22" \
  -fill "$white" -stroke "$dark" -strokewidth 2 \
  -draw "polygon 50,38 78,38 64,60 78,82 50,82 64,60" \
  -fill "$dark" -stroke none -draw "polygon 56,78 72,78 64,68" \
  -draw "rectangle 46,34 82,38" -draw "rectangle 46,82 82,86" "$out/small-summary-loading.png"

# The picture of a file that cannot be read, as large as the placeholder: the
# same pale photo with a crossed warning disc in place of the hourglass.
png -size 128x128 xc:"$light" -stroke "$pale" -strokewidth 2 -fill none \
  -draw "rectangle 1,1 126,126" -stroke none \
  -fill "$pale" -draw "polygon 8,108 40,70 60,92 82,62 120,108" \
  -fill "$mid" -draw "circle 100,32 100,22" \
  -fill "$warn" -stroke "$dark" -strokewidth 2 -draw "circle 64,62 64,36" \
  -stroke "$white" -strokewidth 7 -draw "line 52,50 76,74" -draw "line 76,50 52,74" \
  "$out/small-summary-unreadable.png"

# The logo: a framed photo, a mountain under the sun, on the title-bar blue.
logo() {
  local size=$1 name=$2
  png -size 128x128 xc:none \
    \( -size 120x120 gradient:"$mid"-"$dark" \) -geometry +4+4 -compose over -composite \
    \( -size 128x128 xc:none -fill white -draw "roundrectangle 4,4 123,123 18,18" \) \
    -compose dst-in -composite -compose over \
    -fill "$white" -stroke none -draw "roundrectangle 20,28 108,100 6,6" \
    -fill "$light" -draw "rectangle 28,36 100,92" \
    -fill "$dark" -draw "polygon 28,92 52,58 68,78 82,64 100,92" \
    -fill "$mid" -draw "polygon 52,58 58,67 46,67" \
    -fill "$warn" -draw "circle 86,50 86,43" \
    -resize "${size}x${size}" "$out/$name.png"
}
logo 128 zandrevik
logo 32 app_icon
