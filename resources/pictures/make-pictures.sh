#!/usr/bin/env bash
# Draws the wizard's pictures and the program icon:
#   resources/sign_in.bmp         256 x 256, person beside a golden key
#   resources/create_account.bmp  300 x 300, account form with a pencil
#   resources/tirna.ico           shield with a golden key, 16/24/32/48/256
# Needs ImageMagick (convert) and /usr/bin/python3. Writes no temporary files:
# ImageMagick renders raw RGBA to a pipe and write-pictures.py packs it.
# Usage: resources/pictures/make-pictures.sh
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
out="$(cd "$here/.." && pwd)"
pack=(/usr/bin/python3 "$here/write-pictures.py")

# Palette.
sky_centre='#9ad6ff'
sky_edge='#0a5bd4'
navy='#0b2e6b'
gold='#ffc928'
gold_dark='#6e4700'
gold_light='#fff0a8'
shadow='#001a4d'

# Renders the MVG drawing(s) given as arguments on a transparent layer, adds a
# soft drop shadow and lays it over the blue radial ground of size $1.
# Output: raw RGBA on stdout.
render_on_sky() {
  local size="$1"
  shift
  local draws=()
  local mvg
  for mvg in "$@"; do
    draws+=(-draw "$mvg")
  done
  convert -size "${size}x${size}" "radial-gradient:${sky_centre}-${sky_edge}" \
    \( -size "${size}x${size}" xc:none "${draws[@]}" \
       \( +clone -background "$shadow" -shadow 55x3+5+5 \) \
       +swap -background none -layers merge +repage \) \
    -composite -alpha off -depth 8 rgba:-
}

# --- Sign in: head and shoulders on the left, a large golden key on the right.
person="fill '#f5f9ff' stroke '$navy' stroke-width 6 stroke-linejoin round
  circle 76,62 76,28
  path 'M 14,164 C 14,122 40,104 76,104 C 112,104 138,122 138,164 Z'"

key="fill '$gold' stroke '$gold_dark' stroke-width 6 stroke-linejoin round
  path 'M 176,96 L 200,96 L 200,124 L 224,124 L 224,138 L 200,138 L 200,148
        L 218,148 L 218,162 L 200,162 L 188,174 L 176,162 Z'
  fill-rule evenodd
  path 'M 144,62 a 44,44 0 1,0 88,0 a 44,44 0 1,0 -88,0 Z
        M 174,52 a 14,14 0 1,0 28,0 a 14,14 0 1,0 -28,0 Z'
  fill-rule nonzero stroke none fill '$gold_light'
  path 'M 158,48 A 32,32 0 0,1 186,26 L 186,34 A 26,26 0 0,0 165,50 Z'"

render_on_sky 256 "$person" "$key" | "${pack[@]}" bmp 256 256 "$out/sign_in.bmp"

# --- Create account: a window with a portrait and text lines, and a pencil
#     writing the last line.
form="stroke '$navy' stroke-width 6 stroke-linejoin round fill white
  roundrectangle 20,24 214,192 8,8
  fill '#1d5fc4' stroke none roundrectangle 23,27 211,58 5,5 rectangle 23,46 211,58
  stroke '$navy' stroke-width 6 fill none roundrectangle 20,24 214,192 8,8
  line 23,58 211,58
  stroke none fill '#ff5a4a' circle 196,42 196,35
  fill '$gold' circle 176,42 176,35
  fill '#cfe6ff' stroke '$navy' stroke-width 4 rectangle 38,74 100,136
  stroke none fill '#4a8ee8' circle 69,96 69,82
  path 'M 44,134 C 44,114 56,108 69,108 C 82,108 94,114 94,134 Z'
  fill '#9aa9bd'
  roundrectangle 114,78 196,88 5,5
  roundrectangle 114,100 180,110 5,5
  roundrectangle 114,122 192,132 5,5
  roundrectangle 38,150 170,160 5,5
  fill '$navy' roundrectangle 38,171 138,176 2,2"

pencil="translate 140,172 rotate -45
  stroke '#3a2a00' stroke-width 5 stroke-linejoin round
  fill '#f2c48f' path 'M 0,0 L 36,-17 L 36,17 Z'
  stroke none fill '#333333' path 'M 0,0 L 13,-6 L 13,6 Z'
  stroke '#3a2a00' stroke-width 5 fill '#ffd21f' rectangle 36,-17 150,17
  stroke none fill '#e6a800' rectangle 38,6 148,14
  fill '#fff07a' rectangle 38,-14 148,-7
  stroke '#3a2a00' stroke-width 5 fill '#c8ccd4' rectangle 150,-17 168,17
  fill '#ff8fa6' roundrectangle 168,-17 190,17 8,8"

render_on_sky 300 "$form" "$pencil" | "${pack[@]}" bmp 300 300 "$out/create_account.bmp"

# --- Icon: a blue shield with a golden rim and a golden key. 16 and 24 are
#     drawn pixel by pixel in write-pictures.py; the larger sizes come from
#     this drawing.
shield="stroke '$gold_dark' stroke-width 8 stroke-linejoin round fill '$gold'
  path 'M 128,8 C 160,26 196,34 236,34 L 236,116 C 236,180 190,224 128,250
        C 66,224 20,180 20,116 L 20,34 C 60,34 96,26 128,8 Z'
  stroke none fill '#1461d6'
  path 'M 128,30 C 156,45 186,52 216,53 L 216,116 C 216,168 180,204 128,228
        C 76,204 40,168 40,116 L 40,53 C 70,52 100,45 128,30 Z'
  fill '#3f8cf0'
  path 'M 128,30 C 100,45 70,52 40,53 L 40,116 C 40,168 76,204 128,228 Z'
  stroke '$gold_dark' stroke-width 8 fill '$gold'
  path 'M 116,110 L 140,110 L 140,140 L 166,140 L 166,158 L 140,158 L 140,170
        L 160,170 L 160,188 L 140,188 L 128,202 L 116,188 Z'
  fill-rule evenodd
  path 'M 88,86 a 40,40 0 1,0 80,0 a 40,40 0 1,0 -80,0 Z
        M 115,80 a 13,13 0 1,0 26,0 a 13,13 0 1,0 -26,0 Z'"

icon_size() {
  convert -size 256x256 xc:none -draw "$shield" \
    -filter Lanczos -resize "${1}x${1}" -depth 8 rgba:-
}

{ icon_size 32; icon_size 48; icon_size 256; } | "${pack[@]}" ico "$out/tirna.ico"

echo "Wrote $out/sign_in.bmp, $out/create_account.bmp and $out/tirna.ico"
