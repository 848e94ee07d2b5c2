#!/usr/bin/env bash
# Draws every screen of the menus with the layout check (the real screen machine, each
# screen in its longest state, 1024 x 768) and writes one picture a screen into
# docs/screens/ as 256-colour PNGs, with docs/screens/contact_sheet.png of them all.
#
#   scripts/screens.sh          (builds layout_check first; needs ImageMagick)
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
source scripts/setup.sh
install_missing >&2
[ -f build/build.ninja ] || cmake -S . -B build -G Ninja >&2
cmake --build build -j "$(nproc)" --target layout_check base >&2
command -v convert >/dev/null && command -v montage >/dev/null ||
  { echo "screens: ImageMagick's convert and montage are missing" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd build && HOME="$work" xvfb-run -a -s "-screen 0 1024x768x24" tools/layout_check --shots "$work" --size 1024x768 >&2)
scenes=(intro main_menu options graphics audio controls_joypad quit quick_start career_menu new_career
        enter_name career_hub engine_packages car_shop competitions select_race_final race_loading finish_4
        results_4 pause)
mkdir -p docs/screens
for name in "${scenes[@]}"; do
  convert "$work/$name.png" -dither FloydSteinberg -colors 256 "PNG8:$repo/docs/screens/$name.png"
done
# In the order above, four a row, without captions (the README names them).
tiles=()
for name in "${scenes[@]}"; do tiles+=("$work/$name.png"); done
montage "${tiles[@]}" -tile 4x -geometry 256x192+4+4 -background '#202020' "$work/sheet.png"
convert "$work/sheet.png" -dither FloydSteinberg -colors 256 "PNG8:$repo/docs/screens/contact_sheet.png"
du -sh docs/screens
