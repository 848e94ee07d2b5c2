#!/usr/bin/env bash
# A first career played by keys, then a car bought and the game killed:
#   intro, Enter, CAREER (Enter), the name "ivan", NEXT (Enter), COMPETITIONS (Enter),
#   SELECT (Enter), START (Enter), the first championship race (driven by the
#   autopilot), finish: career.inf already holds the name, the attempt and the prize of
#   the place; results, NEXT (Enter), CAR SHOP (Right, Enter), the next car (Right),
#   BUY (Enter), kill -9: career.inf already holds the car, paid for, without packages.
# The game runs from build/ on a virtual 1024 x 768 screen with a throw-away HOME and a
# cheap menu.inf, from the shipped first-time career.
#
# Keys are polled once a frame, so each is held for a fraction of a second, one at a
# time; the script waits for the "screen <id>" lines the game prints on every screen
# change rather than for fixed times, and presses again when a press went unseen.
#
#   tests/e2e/career.sh                (from anywhere; needs build/kelvamor and build/base)
#   KELVAMOR_E2E_SHOTS=DIR ...         keeps screenshots of each screen in DIR
#   KELVAMOR_E2E_LIMIT=SECONDS ...     whole-run limit (default 1200)
set -euo pipefail

e2e_name=career
source "$(dirname "$0")/e2e_run.sh" "$@"
fail() { e2e_fail "$@"; }

new_player "$work/home"
start_game
started=$SECONDS

u32() { od -An -tu4 -j"$1" -N4 "$folder/career.inf" | tr -d ' '; }
f32() { od -An -tf4 -j"$1" -N4 "$folder/career.inf" | awk '{ printf "%d", $1 }'; }

wait_menu_content
sleep 1
press_until Return "screen 1" 3 40
settle
shot main_menu
# A first career goes straight to the name entry; CAREER waits for the owned car.
press_until Return "screen 80" 3 40
settle
type_name ivan
shot name_entry
press_until Return "screen 10" 3 40
# NEXT saved the name at once.
[ "$(od -An -c -j160 -N9 "$folder/career.inf" | tr -d ' ')" = 'ivan\0\0\0\0\0' ] ||
  fail "the name entry saved '$(od -An -c -j160 -N9 "$folder/career.inf")', not ivan"
settle
shot hub
press_until Return "screen 30" 3 40
settle
shot bracket
press_until Return "screen 31" 3 40
settle
shot race_selection
press_until Return "screen 32" 3 40
wait_line "screen 0" 180
race_start=$SECONDS
wait_line "screen 33" $((limit - (SECONDS - started) - 120))
shot finish
echo "career: the race took $((SECONDS - race_start)) s"

# The bookkeeping saved the career before the finish screen.
[ "$(od -An -c -j160 -N9 "$folder/career.inf" | tr -d ' ')" = 'ivan\0\0\0\0\0' ] ||
  fail "career.inf name is '$(od -An -c -j160 -N9 "$folder/career.inf")', not ivan"
[ "$(u32 172)" = 4 ] || fail "career.inf name length is $(u32 172), not 4"
[ "$(u32 496)" = 1 ] || fail "career.inf attempts of race 1: $(u32 496), not 1"
[ "$(od -An -tu1 -j1076 -N1 "$folder/career.inf" | tr -d ' ')" = 0 ] || fail "the first-career flag is still set"
[ "$(u32 1068)" = 1 ] || fail "career.inf race mode is $(u32 1068), not 1"
place=$(u32 256)
case $place in
  1) want="15000 3000 1" ;;
  2) want="13000 2000 0" ;;
  3) want="11000 1000 0" ;;
  5) want="10000 0 0" ;;
  *) fail "career.inf best place of race 1 is $place" ;;
esac
got="$(f32 176) $(f32 180) $(u32 376)"
[ "$got" = "$want" ] || fail "best place $place: cash, points, wins are '$got', not '$want'"
echo "career: race 1 finished in place $place: cash, points, wins $got"
cash=$(f32 176)

wait_line "screen 34" 120
settle
shot results
press_until Return "screen 10" 3 40
settle
# CAR SHOP is the last item: steps past it stay on it.
for k in Right Right Right; do
  key "$k" 0.15
  sleep 0.5
done
press_until Return "screen 15" 3 40
settle
# One step to car 1; the item bar steps a held key again after 0.35 s.
key Right 0.2
sleep 0.5
shot car_shop
# BUY waits until the browsed car is the one on show.
press_until Return "screen 10" 3 30
kill -9 "$game"
wait "$game" 2>/dev/null || true
game=""

[ "$(u32 236)" = 1 ] || fail "career.inf car is $(u32 236), not 1"
[ "$(f32 176)" = $((cash - 10000)) ] || fail "career.inf cash is $(f32 176), not $((cash - 10000))"
for at in 144 148 152; do
  [ "$(u32 $at)" = 0 ] || fail "career.inf package level at $at is $(u32 $at), not 0"
done
echo "career: passed in $((SECONDS - started)) s"
