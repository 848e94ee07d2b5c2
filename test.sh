#!/usr/bin/env bash
# Installs what is missing, builds, then runs every test under a virtual X server,
# with OpenAL's null output and a throw-away HOME.
# --sanitize LIST (address,undefined or thread): the sanitizer lane instead, in
# build-asan/ or build-tsan/ (scripts/sanitize/lane.sh).
set -euo pipefail
cd "$(dirname "$0")"
sanitize=""
if [ "${1:-}" = "--sanitize" ]; then
  sanitize="${2:?usage: test.sh [--sanitize address,undefined|thread]}"
fi
source scripts/setup.sh
PACKAGES+=(sox xdotool imagemagick clang libclang-rt-14-dev)
install_missing
[ -n "$sanitize" ] && exec scripts/sanitize/lane.sh "$sanitize"
build build

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME="$home"
export ALSOFT_DRIVERS=null
export XDG_CONFIG_HOME="$home/.config"

status=0
xvfb-run -a -s "-screen 0 1024x768x24" \
  ctest --test-dir build --output-on-failure -j "$(nproc)" --timeout 600 || status=$?
# Every file reader under libFuzzer for 10 s each (also the tree's Clang build).
scripts/fuzz.sh 10 || status=1

if [ -x build/tools/basegen ]; then
  build/tools/basegen --check build/base || status=1
fi

# A quick race played by keys through the real game, from the intro to the way out.
tests/e2e/quick_race.sh || status=1
# The X server killed under the game at the intro, in a menu and in a race.
tests/e2e/display_loss.sh || status=1
# A first career by keys: the name, a championship race and a car bought, each saved at
# once.
tests/e2e/career.sh || status=1
exit $status
