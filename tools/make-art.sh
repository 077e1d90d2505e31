#!/bin/bash
# Draws the setup's art with ImageMagick and writes it into src/resources/:
#   app.ico     the main window icon (APP_MAIN): a raven across a pale moon on a teal
#               tile, at 32 and 16 pixels (the sizes the pages and the shell show), each
#               once with 32-bit colour and alpha and once in the 16 standard colours, the
#               image a 16- or 256-colour display takes; the systems without alpha draw
#               either through its mask
#   panel.bmp   the wizard's picture panel (bitmap 21001), 172x240 (the 115x147 dialog-unit
#               panel at 8-point MS Sans Serif), 8-bit palette of 64 colours, dithered: the
#               raven flying over a night sky, a dotted transfer path from a folder below,
#               and the product's name; stored run-length encoded (tools/art.py)
# Both are drawn four times larger and scaled down for smooth edges. Run it by hand when the
# art changes and commit the results; the build does not run it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/src/resources
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# The raven, wings raised, beak to the right, about 100 by 80 units around its body's centre.
raven='
  fill "#0b0d10"
  ellipse 0,0 27,9 0,360
  circle 28,-6 35,-6
  polygon 33,-9 48,-4 33,-1
  polygon -20,-4 -42,-10 -47,0 -42,9 -20,5
  polygon -2,-8 2,-24 -2,-40 -10,-54 -12,-46 -17,-56 -19,-46 -25,-55 -26,-44 -33,-50 -32,-38 -40,-42 -35,-28 -30,-20 -24,-10 -16,-5
  polygon 2,5 14,24 6,21 3,30 -3,21 -10,26 -10,8
'

# The picture panel.
cat > "$tmp/panel.mvg" <<MVG
push graphic-context
  fill "#f3eed6" circle 476,236 476,362
  fill "#f3eed6" fill-opacity 0.10 circle 476,236 476,410
pop graphic-context
push graphic-context
  fill "#d8e6f0"
  circle 90,90 94,90   circle 200,44 203,44   circle 310,150 313,150
  circle 60,300 63,300 circle 610,80 614,80   circle 640,420 643,420
  circle 260,330 262,330 circle 560,520 563,520
pop graphic-context
push graphic-context
  stroke "#86e3d4" stroke-width 6 stroke-dasharray 14,18 fill none
  path 'M 118,552 C 150,480 240,430 330,400'
pop graphic-context
push graphic-context
  fill "#86e3d4"
  rectangle 150,484 168,502  rectangle 214,444 232,462  rectangle 280,414 296,430
pop graphic-context
push graphic-context
  fill "#e9c46a" stroke "#b8902f" stroke-width 4
  path 'M 58,560 L 58,640 L 178,640 L 178,574 L 120,574 L 108,560 Z'
pop graphic-context
push graphic-context
  translate 400,300 scale 4.4,4.4
  $raven
pop graphic-context
MVG
convert -size 688x960 gradient:'#081628-#0d6d6d' \
  -draw "$(cat "$tmp/panel.mvg")" \
  -font DejaVu-Serif-Bold -pointsize 112 -fill '#f2efe2' -gravity south \
  -annotate +0+120 'KORVID' \
  -font DejaVu-Sans -pointsize 56 -fill '#9fe0d6' -annotate +0+60 'Pro 2000' \
  -filter Lanczos -resize 172x240 -dither FloydSteinberg -colors 64 -type Palette -compress None BMP3:"$tmp/panel.bmp"
python3 "$root/tools/art.py" rle8 "$tmp/panel.bmp" "$out/panel.bmp"

# The icon tile.
cat > "$tmp/icon.mvg" <<MVG
push graphic-context
  fill "#f3eed6" circle 150,104 150,182
pop graphic-context
push graphic-context
  translate 126,142 scale 2.1,2.1
  $raven
pop graphic-context
MVG
convert -size 256x256 xc:none \
  \( -size 256x256 gradient:'#128a88-#0a3a4c' \) \
  \( -size 256x256 xc:black -fill white -draw 'roundrectangle 8,8 247,247 40,40' \) \
  -delete 0 -alpha off -compose CopyOpacity -composite -compose Over \
  -draw "$(cat "$tmp/icon.mvg")" "$tmp/icon-256.png"
# The 16 standard colours, for the icon's images without alpha.
printf 'P3 16 1 255 0 0 0 128 0 0 0 128 0 128 128 0 0 0 128 128 0 128 0 128 128 192 192 192
  128 128 128 255 0 0 0 255 0 255 255 0 0 0 255 255 0 255 0 255 255 255 255 255\n' >"$tmp/vga16.ppm"
images=()
for size in 32 16; do
  convert "$tmp/icon-256.png" -filter Lanczos -resize ${size}x${size} -depth 8 "$tmp/icon-$size.png"
  convert "$tmp/icon-$size.png" -depth 8 rgba:"$tmp/icon-$size.rgba"
  convert "$tmp/icon-$size.png" -alpha off +dither -remap "$tmp/vga16.ppm" -depth 8 rgb:"$tmp/icon-$size.rgb16"
  images+=("$size:$tmp/icon-$size.rgba:$tmp/icon-$size.rgb16")
done
python3 "$root/tools/art.py" ico "$out/app.ico" "${images[@]}"
