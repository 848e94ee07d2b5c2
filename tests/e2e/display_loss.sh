#!/usr/bin/env bash
# The X server killed under the running game, at the intro, in the main menu and in a
# race: the game must end like a quit (settings and career saved, one clear line on
# stderr) with status 1, never abort with the loader thread still running.
#
#   tests/e2e/display_loss.sh    (from anywhere; needs build/kelvamor and build/base)
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
[ -x "$repo/build/kelvamor" ] || { echo "display_loss: build/kelvamor missing (build first)" >&2; exit 1; }
for tool in Xvfb xdotool import convert; do
  command -v "$tool" >/dev/null || { echo "display_loss: $tool missing" >&2; exit 1; }
done

work=$(mktemp -d)
log=$work/game.log
game=""
server=""
cleanup() {
  [ -n "$game" ] && kill -9 "$game" 2>/dev/null || true
  [ -n "$server" ] && kill -9 "$server" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

e2e_name=display_loss
source "$repo/tests/e2e/game_keys.sh"

free_display() {
  local n
  for ((n = 40 + RANDOM % 200; ; n++)); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { echo "$n"; return; }
  done
}

# Starts a server and the game on it, with fresh player files.
start() {
  local n
  n=$(free_display)
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  server=$!
  for ((i = 0; i < 50; i++)); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  export DISPLAY=:$n
  new_player "$work/home_$1"
  start_game
}

# Kills the server and judges how the game ended.
lose_display() {
  local moment=$1
  touch "$work/before_loss"
  sleep 1
  kill -9 "$server"
  wait "$server" 2>/dev/null || true
  server=""
  for ((i = 0; i < 150; i++)); do kill -0 "$game" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$game" 2>/dev/null && e2e_fail "$moment: the game still runs 15 s after its display went"
  local status=0
  wait "$game" || status=$?
  game=""
  [ "$status" -eq 1 ] || e2e_fail "$moment: the game ended with status $status, not 1"
  grep -q "terminate called\|Aborted\|core dumped" "$log" && e2e_fail "$moment: the game aborted"
  [ "$(grep -c "display connection was lost" "$log")" -eq 1 ] || e2e_fail "$moment: not one line saying why"
  [ "$(stat -c %s "$folder/menu.inf")" -eq 196 ] || e2e_fail "$moment: menu.inf is not 196 bytes"
  [ "$(stat -c %s "$folder/career.inf")" -eq 1080 ] || e2e_fail "$moment: career.inf is not 1080 bytes"
  [ -n "$(find "$folder" -name menu.inf -newer "$work/before_loss")" ] || e2e_fail "$moment: menu.inf not saved"
  [ -n "$(find "$folder" -name career.inf -newer "$work/before_loss")" ] || e2e_fail "$moment: career.inf not saved"
  echo "display_loss: $moment: status 1, both files saved"
}

start intro
wait_line "screen 100" 120
lose_display "intro"

start menu
wait_menu_content
press_until Return "screen 1" 3 40
lose_display "main menu"

start race
wait_menu_content
press_until Return "screen 1" 3 40
sleep 1.2
select_quick_start
press_until Return "screen 50" 3 40
press_until Return "screen 32" 3 40
wait_line "screen 0" 180
sleep 3
lose_display "race"
mode=$(od -An -tu4 -j1068 -N4 "$folder/career.inf" | tr -d ' ')
[ "$mode" = "3" ] || e2e_fail "race: career.inf's race mode is $mode, not the quick race's 3"
echo "display_loss: passed"
