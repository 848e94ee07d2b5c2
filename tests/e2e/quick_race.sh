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

e2e_name=quick_race
source "$repo/tests/e2e/game_keys.sh"
fail() { e2e_fail "$@"; }

export HOME=$work/home
unset XDG_CONFIG_HOME
folder=$HOME/Documents/Kelvamor
write_cheap_settings "$folder" "$repo"
cp "$folder/career.inf" "$work/career.before"

export ALSOFT_DRIVERS=null
export KELVAMOR_TEST_RACE=1
cd "$repo/build"
./kelvamor > "$log" 2>&1 &
game=$!
started=$SECONDS

shot() { import -window root "$shots/$1.png"; }
settle() { sleep 1.2; }

wait_menu_content
sleep 1
shot intro
press_until Return "screen 1" 3 10
settle
shot main_menu

select_quick_start
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
