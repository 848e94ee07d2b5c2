#!/usr/bin/env bash
# A whole quick race, four laps, played at the arrow keys from the intro to the results:
# the game prints its player's lorry each race update (KELVAMOR_TEST_POSE=1, no
# autopilot, the race's own length and clock), and build/tools/key_player follows those
# lines and holds Up, Down, Left and Right down and up through xdotool as a player at a
# keyboard would, deciding every 0.1 s and acting 0.15 s later. The race must end with
# the player's lorry finished, never put back on the road by the game, and a best lap
# within 20 % of the autopilot's on the same race, lorry and frame time (key_player
# races it after the game's race).
#
#   tests/e2e/keyboard_race.sh [URAL|KARELIA|SOUTH]   the landscape (default URAL); the
#                                       race of it and the lorry are the page's draw
#   KELVAMOR_E2E_SHOTS=DIR ...          keeps screenshots: the grid, every 30 s, the results
set -euo pipefail

e2e_name=keyboard_race
if [ "${1:-}" != "--inside" ]; then
  export KELVAMOR_KEYBOARD_REGION=${1:-URAL}
  set --
fi
region=$KELVAMOR_KEYBOARD_REGION
case $region in URAL | KARELIA | SOUTH) ;; *) echo "keyboard_race: no landscape $region" >&2; exit 2 ;; esac
source "$(dirname "$0")/e2e_run.sh" "$@"

new_player "$work/home"
unset KELVAMOR_TEST_RACE
export KELVAMOR_TEST_POSE=1
[ -x "$build_dir/tools/key_player" ] || e2e_fail "$KELVAMOR_E2E_BUILD/tools/key_player missing (build first)"

# The landscape the quick race page names, by the width of its name: the right end of
# its dark letters is about 253 for URAL, 320 for KARELIA and 391 for SOUTH REGION.
shown_region() {
  import -window root "$work/page.png"
  convert "$work/page.png" -crop 450x30+175+518 -depth 8 txt:- |
    awk -F'[(),: ]+' 'NR > 1 { if ($4 * 0.3 + $5 * 0.59 + $6 * 0.11 < 80 && $1 > m) m = $1 }
      END { m += 175; print (m < 200 ? "NONE" : m < 290 ? "URAL" : m < 360 ? "KARELIA" : "SOUTH") }'
}

start_game
to_quick_start
# CHANGE (1) draws another race and lorry until the page names the landscape.
for ((i = 0; ; i++)); do
  shown=$(shown_region)
  [ "$shown" = "$region" ] && break
  [ "$i" -lt 30 ] || e2e_fail "no race of $region after $i draws (the page shows $shown)"
  key 1 0.25
  sleep 1.5
done
shot quick_start
press_until Return "screen 32" 3 40
wait_line "screen 0" 180
player_out=$work/key_player.out
(cd "$build_dir" && exec tools/key_player --follow "$log" --limit 1500) > "$player_out" 2>&1 &
player=$!
race_start=$SECONDS
shot grid
n=0
while kill -0 "$player" 2>/dev/null; do
  sleep 1
  if [ $(((SECONDS - race_start) % 30)) -eq 0 ]; then n=$((n + 1)); shot "race_$n"; fi
  kill -0 "$game" 2>/dev/null || e2e_fail "the game ended during the race"
done
player_status=0
wait "$player" || player_status=$?
cat "$player_out"
shot finish
[ "$player_status" -eq 0 ] || e2e_fail "the lorry did not finish (key_player status $player_status)"
line=$(grep "^key_player " "$player_out" | tail -1)
recoveries=$(sed -n 's/.* recoveries=\([0-9]*\).*/\1/p' <<<"$line")
best=$(sed -n 's/.* best_lap=\([0-9.]*\).*/\1/p' <<<"$line")
mark=$(sed -n 's/.* autopilot_best_lap=\([0-9.]*\).*/\1/p' <<<"$line")
[ "$recoveries" = "0" ] || e2e_fail "the game put the lorry back on the road $recoveries times"
awk -v b="$best" -v a="$mark" 'BEGIN { exit !(a > 0 && b > 0 && b <= 1.2 * a) }' ||
  e2e_fail "best lap $best s against the autopilot's $mark s"
wait_line "screen 34" 120
settle
shot results
echo "keyboard_race: $region passed in $((SECONDS - race_start)) s of racing"
