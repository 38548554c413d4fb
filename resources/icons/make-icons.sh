#!/usr/bin/env bash
# Draws the program's icons with ImageMagick. The PNGs are kept in the repository; run this after
# changing a drawing.
set -euo pipefail
cd "$(dirname "$0")"
big() { convert -size 32x32 xc:none "$@"; }
small() { convert -size 16x16 xc:none "$@"; }

big -fill '#d42a2a' -stroke '#7a1010' -strokewidth 1.5 -draw 'circle 16,16 16,4' \
    -fill '#f07a7a' -stroke none -draw 'ellipse 12,11 4,2.5 0,360' record.png
big -fill '#2f9e44' -stroke '#1b5e28' -strokewidth 1.5 -draw 'polygon 9,5 27,16 9,27' play.png
big -fill '#3b4a5a' -stroke '#1c2530' -strokewidth 1.5 -draw 'roundrectangle 7,7 25,25 2,2' stop.png
big -fill white -stroke '#6b7785' -strokewidth 1.2 -draw 'polygon 7,3 20,3 26,9 26,29 7,29' \
    -fill '#cfd6de' -draw 'polygon 20,3 20,9 26,9' \
    -stroke '#d42a2a' -strokewidth 3 -draw 'line 11,14 22,25' -draw 'line 22,14 11,25' clear.png
big -fill '#2d6cc0' -stroke '#173d70' -strokewidth 1.2 -draw 'roundrectangle 4,4 28,28 2,2' \
    -fill white -stroke none -draw 'rectangle 9,5 23,13' -fill '#173d70' -draw 'rectangle 18,6 21,12' \
    -fill '#dfe8f5' -draw 'rectangle 8,18 24,27' save.png
big -fill '#d9a21b' -stroke '#8a6410' -strokewidth 1.2 -draw 'polygon 3,8 12,8 14,11 29,11 29,27 3,27' \
    -fill '#f2c94c' -draw 'polygon 3,27 7,15 31,15 27,27' open.png
big -fill '#5c6b7a' -stroke '#2b333b' -strokewidth 1.5 -draw 'circle 16,16 16,3' \
    -fill white -stroke none -draw 'rectangle 10,9 22,12' -draw 'rectangle 14,9 18,24' idle.png
small -fill '#2d6cc0' -stroke '#173d70' -draw 'polygon 8,14 2,7 6,7 6,2 10,2 10,7 14,7' down.png
small -fill '#2d6cc0' -stroke '#173d70' -draw 'polygon 8,2 2,9 6,9 6,14 10,14 10,9 14,9' up.png
small -fill '#f2c94c' -stroke '#8a6410' -draw 'polygon 3,11 11,3 13,5 5,13' \
    -fill '#3b4a5a' -stroke none -draw 'polygon 2,14 3,11 5,13' pencil.png
small -stroke '#d42a2a' -strokewidth 2.5 -draw 'line 3,3 13,13' -draw 'line 13,3 3,13' cross.png
# The About window's picture: the program icon drawn large.
convert -size 127x127 xc:none -fill '#5c6b7a' -stroke '#2b333b' -strokewidth 5 -draw 'circle 63,63 63,6' \
    -fill white -stroke none -draw 'rectangle 36,34 90,47' -draw 'rectangle 56,34 70,98' \
    -fill '#d42a2a' -stroke '#7a1010' -strokewidth 2 -draw 'circle 100,100 100,86' about.png

# The desktop icon: tapsmith.svg is the drawing (installed as the scalable icon), app-N.png its renderings
# for the fixed sizes of the hicolor theme.
for size in 16 22 24 32 48 64 128 256; do
    convert -background none -density 96 tapsmith.svg -resize "${size}x${size}" -depth 8 -strip "app-$size.png"
done
# The Windows program's icon (embedded in tapsmith.exe by its resource file): the same renderings.
convert app-16.png app-24.png app-32.png app-48.png app-64.png app-128.png app-256.png tapsmith.ico
