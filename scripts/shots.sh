#!/usr/bin/env bash
# Draws the README's three pictures with the game's own render path and writes them
# into docs/ as 256-colour PNGs (a few hundred kilobytes each): the garage behind the
# main menu, race 1's grid under the countdown and race 2's lorries toward its lake.
#
#   scripts/shots.sh            (builds race_frame first; needs ImageMagick's convert)
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
source scripts/setup.sh
install_missing >&2
[ -f build/build.ninja ] || cmake -S . -B build -G Ninja >&2
cmake --build build -j "$(nproc)" --target race_frame base >&2
command -v convert >/dev/null || { echo "shots: ImageMagick's convert is missing" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd build && xvfb-run -a -s "-screen 0 1024x768x24" tools/race_frame --shots "$work" --size 1024x768)
mkdir -p docs
for name in garage race_start race_water; do
  convert "$work/$name.png" -dither FloydSteinberg -colors 256 "PNG8:$repo/docs/$name.png"
  echo "docs/$name.png: $(stat -c %s "docs/$name.png") bytes"
done
