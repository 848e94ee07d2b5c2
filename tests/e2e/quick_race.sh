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
#   KELVAMOR_E2E_BUILD=FOLDER ...      the game of another build folder (the thread
#                                      sanitizer lane plays its build-tsan/ this way)
set -euo pipefail

e2e_name=quick_race
source "$(dirname "$0")/e2e_run.sh" "$@"
fail() { e2e_fail "$@"; }

new_player "$work/home"
cp "$folder/career.inf" "$work/career.before"
start_game
started=$SECONDS

wait_menu_content
sleep 1
shot intro
press_until Return "screen 1" 3 40
settle
shot main_menu

select_quick_start
press_until Return "screen 50" 3 40
settle
shot quick_start
# START waits for the drawn car to be loaded and on show.
press_until Return "screen 32" 3 40
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
press_until Return "screen 50" 3 40
# BACK waits while the new drawn car loads; QUIT while the owned car comes back.
press_until Escape "screen 1" 3 40
press_until Escape "screen 44" 3 40
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
