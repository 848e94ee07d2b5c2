#!/usr/bin/env bash
# A quick race played by keys from the intro to the results, then the way out:
#   intro, Enter, Right, Enter (QUICK START), START (Enter), the race (one lap, driven
#   by the autopilot), finish, results, NEXT (Enter), BACK (Esc), QUIT (Esc), YES (Enter)
# The game runs from build/ on a virtual 1024 x 768 screen with a throw-away HOME and a
# cheap menu.inf; it must end with status 0, leave career.inf's bytes 0-1059 as they
# were and its race mode (byte 1068) at 3 (quick race).
#
# Keys are polled once a frame, so each is held for a fraction of a second, one at a
# time; the script waits for the "screen <id>" lines the game prints on every screen
# change rather than for fixed times, and presses again when a press went unseen.
#
#   tests/e2e/quick_race.sh            (from anywhere; needs build/kelvamor and build/base)
#   KELVAMOR_E2E_SHOTS=DIR ...         keeps screenshots of each screen in DIR
#   KELVAMOR_E2E_LIMIT=SECONDS ...     whole-run limit (default 1200)
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
limit=${KELVAMOR_E2E_LIMIT:-1200}

if [ "${1:-}" != "--inside" ]; then
  [ -x "$repo/build/kelvamor" ] || { echo "quick_race: build/kelvamor missing (build first)" >&2; exit 1; }
  for tool in xvfb-run xdotool import convert; do
    command -v "$tool" >/dev/null || { echo "quick_race: $tool missing" >&2; exit 1; }
  done
  status=0
  # A default xvfb-run screen (1280 x 1024) has no 1024 x 768 mode: the game would end
  # at start.
  timeout --kill-after=10 "$limit" xvfb-run -a -s "-screen 0 1024x768x24" "$0" --inside || status=$?
  [ "$status" -eq 124 ] && echo "quick_race: FAILED: no result within ${limit} s" >&2
  exit "$status"
fi

work=$(mktemp -d)
shots=${KELVAMOR_E2E_SHOTS:-$work/shots}
mkdir -p "$shots"
log=$work/game.log
game=""
cleanup() {
  if [ -n "$game" ] && kill -0 "$game" 2>/dev/null; then kill "$game" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "quick_race: FAILED: $*" >&2
  echo "--- game output ---" >&2
  cat "$log" >&2 || true
  exit 1
}

# The settings: 1024 x 768, sound on, music, shadows and the post-effect off.
le32() {
  local v=$1
  ((v < 0)) && v=$((v + 4294967296))
  printf "\\x$(printf %02x $((v & 255)))\\x$(printf %02x $(((v >> 8) & 255)))"
  printf "\\x$(printf %02x $(((v >> 16) & 255)))\\x$(printf %02x $(((v >> 24) & 255)))"
}
settings=(0 1024 768 32 0 1 0 0 0 0 0 0 1 0 0 0 0
          37 39 38 40 16 32 67 86 90 88 -1 65 83 81 87 69 82 84 89 71
          -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 0 0)
export HOME=$work/home
unset XDG_CONFIG_HOME
folder=$HOME/Documents/Kelvamor
mkdir -p "$folder"
for f in "${settings[@]}"; do le32 "$f"; done > "$folder/menu.inf"
[ "$(stat -c %s "$folder/menu.inf")" -eq 196 ] || fail "menu.inf is not 196 bytes"
cp "$repo/build/base/career.inf" "$folder/career.inf"
cp "$folder/career.inf" "$work/career.before"

export ALSOFT_DRIVERS=null
export KELVAMOR_TEST_RACE=1
cd "$repo/build"
./kelvamor > "$log" 2>&1 &
game=$!
started=$SECONDS

lines() { grep -cx "$1" "$log" || true; }
# Waits up to $2 seconds for the line $1 (or for its ($3+1)-th copy).
wait_line() {
  local line=$1 until=$((SECONDS + $2)) count=${3:-0}
  while [ "$(lines "$line")" -le "$count" ]; do
    kill -0 "$game" 2>/dev/null || fail "the game ended while waiting for '$line'"
    [ $SECONDS -lt $until ] || fail "no '$line' within $2 s"
    sleep 0.2
  done
}
key() {
  xdotool keydown "$1"
  sleep "${2:-0.15}"
  xdotool keyup "$1"
}
# Presses $1 until the line $2 appears, giving each press $3 seconds to show.
press_until() {
  local k=$1 line=$2 wait=$3 tries=$4 before
  before=$(lines "$line")
  for ((i = 0; i < tries; i++)); do
    key "$k" 0.25
    local until=$((SECONDS + wait))
    while [ $SECONDS -lt $until ]; do
      [ "$(lines "$line")" -gt "$before" ] && return 0
      kill -0 "$game" 2>/dev/null || fail "the game ended waiting for '$line' after $k"
      sleep 0.2
    done
  done
  fail "no '$line' after pressing $k $tries times"
}
shot() { import -window root "$shots/$1.png"; }
# The width in pixels of the main menu's boxed (selected) item: CAREER about 133,
# QUICK START about 221, OPTIONS about 145.
selected_width() {
  import -window root "$work/bar.png"
  convert "$work/bar.png" -crop 1024x1+0+115 -depth 8 txt:- |
    awk -F'[(),]+' 'NR > 1 { light[$1 + 0] = ($3 > 215 && $4 > 210 && $5 > 195) }
      END { if (!light[653]) { print 0; exit }
            l = 653; while (l > 0 && light[l - 1]) l--
            r = 653; while (r < 1023 && light[r + 1]) r++
            print r - l + 1 }'
}
settle() { sleep 1.2; }

wait_line "screen 100" 30
until grep -q "^loader: menu content loaded" "$log"; do
  kill -0 "$game" 2>/dev/null || fail "the game ended during the intro"
  [ $((SECONDS - started)) -lt 90 ] || fail "the menu content did not load within 90 s"
  sleep 0.2
done
sleep 1
shot intro
press_until Return "screen 1" 3 10
settle
shot main_menu

# One step right to QUICK START. A step can go unseen behind a slow frame, or count
# twice when frames are slow enough to run the held key's repeat: look at the bar and
# go back to the first item when it is not there.
for ((i = 0; ; i++)); do
  [ "$i" -lt 8 ] || fail "QUICK START could not be selected"
  key Right 0.15
  sleep 0.8
  [ "$(selected_width)" -gt 190 ] && break
  key Left 0.15; sleep 0.5; key Left 0.15; sleep 0.5
done
press_until Return "screen 50" 3 5
settle
shot quick_start
# START waits for the drawn car to be loaded and on show.
press_until Return "screen 32" 3 20
wait_line "screen 0" 180
sleep 8
shot race
race_start=$SECONDS
wait_line "screen 33" $((limit - (SECONDS - started) - 120))
shot finish
echo "quick_race: the race took $((SECONDS - race_start + 8)) s"
wait_line "screen 34" 120
settle
shot results
press_until Return "screen 50" 3 5
# BACK waits while the new drawn car loads; QUIT while the owned car comes back.
press_until Escape "screen 1" 3 20
press_until Escape "screen 44" 3 20
settle
shot quit
for ((i = 0; i < 6; i++)); do
  kill -0 "$game" 2>/dev/null || break
  key Return 0.25
  sleep 3
done
for ((i = 0; i < 100; i++)); do kill -0 "$game" 2>/dev/null || break; sleep 0.2; done
kill -0 "$game" 2>/dev/null && fail "the game did not end after YES"
status=0
wait "$game" || status=$?
game=""
[ "$status" -eq 0 ] || fail "the game ended with status $status"

cmp -n 1060 "$work/career.before" "$folder/career.inf" || fail "career.inf bytes 0-1059 changed"
mode=$(od -An -tu4 -j1068 -N4 "$folder/career.inf" | tr -d ' ')
[ "$mode" = "3" ] || fail "career.inf race mode is $mode, not 3"
echo "quick_race: passed in $((SECONDS - started)) s"
