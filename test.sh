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

# The end-to-end scripts drive the real game by keys, each on its own virtual X server
# with its own throw-away HOME, so they run side by side; each one's output is shown
# whole when it ends.
#   quick_race    a quick race from the intro to the way out
#   display_loss  the X server killed under the game at the intro, in a menu and a race
#   career        a first career: the name, a championship race, a car bought, each
#                 saved at once
#   career_kills  a career cut ten times by SIGKILL and SIGTERM, taken up again each time
#   bad_files     damaged game data and player's files: named, refused or kept beside,
#                 never a crash, a hang or a game that cannot start again
#   keyboard_race a quick race of four laps in URAL driven at the arrow keys alone, to
#                 the finish without the game putting the lorry back on the road
e2e_out=$home/e2e
mkdir -p "$e2e_out"
declare -A e2e_script=()
for script in quick_race display_loss career career_kills bad_files keyboard_race; do
  tests/e2e/$script.sh > "$e2e_out/$script.out" 2>&1 &
  e2e_script[$!]=$script
done
e2e_started=$SECONDS
while [ ${#e2e_script[@]} -gt 0 ]; do
  e2e_status=0
  wait -n -p e2e_pid "${!e2e_script[@]}" || e2e_status=$?
  script=${e2e_script[$e2e_pid]}
  unset "e2e_script[$e2e_pid]"
  echo "=== tests/e2e/$script.sh: status $e2e_status after $((SECONDS - e2e_started)) s ==="
  cat "$e2e_out/$script.out"
  [ "$e2e_status" -eq 0 ] || status=1
done
exit $status
