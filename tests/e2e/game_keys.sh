# Shared by the end-to-end scripts: the settings file they start from, and driving the
# running game by held keys while watching the "screen <id>" lines it prints.
# Expects $e2e_name, $repo (the worktree), $log (the game's output) and $game (its pid)
# to be set by the script that sources it.

# The game's output is shown with its pose lines (a race's thousands) cut to the last
# 20, and the reason stands again below it: a log viewed from its end still shows why.
e2e_fail() {
  echo "$e2e_name: FAILED: $*" >&2
  echo "--- game output ---" >&2
  local poses
  poses=$(grep -c '^pose ' "$log" 2>/dev/null || true)
  awk -v cut=$((${poses:-0} - 20)) '/^pose / && ++n <= cut { next } { print }' "$log" >&2 || true
  echo "--- $e2e_name: FAILED: $*" >&2
  exit 1
}

le32() {
  local v=$1
  ((v < 0)) && v=$((v + 4294967296))
  printf "\\x$(printf %02x $((v & 255)))\\x$(printf %02x $(((v >> 8) & 255)))"
  printf "\\x$(printf %02x $(((v >> 16) & 255)))\\x$(printf %02x $(((v >> 24) & 255)))"
}

# menu.inf for $1 (the player's folder): 1024 x 768, sound on, music, shadows and the
# post-effect off, the default keys; and career.inf as the game ships it.
write_cheap_settings() {
  local folder=$1 repo=$2
  local settings=(0 1024 768 32 0 1 0 0 0 0 0 0 1 0 0 0 0
                  37 39 38 40 16 32 67 86 90 88 -1 65 83 81 87 69 82 84 89 71
                  -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 0 0)
  mkdir -p "$folder"
  for f in "${settings[@]}"; do le32 "$f"; done > "$folder/menu.inf"
  [ "$(stat -c %s "$folder/menu.inf")" -eq 196 ] || e2e_fail "menu.inf is not 196 bytes"
  cp "$repo/${KELVAMOR_E2E_BUILD:-build}/base/career.inf" "$folder/career.inf"
}

# A throw-away player at HOME $1: the cheap settings and the shipped career in its folder
# ($folder), OpenAL's null output and the race driven by the autopilot.
new_player() {
  export HOME=$1
  unset XDG_CONFIG_HOME
  folder=$HOME/Documents/Kelvamor
  write_cheap_settings "$folder" "$repo"
  export ALSOFT_DRIVERS=null
  export KELVAMOR_TEST_RACE=1
}

lines() { grep -cx "$1" "$log" || true; }
# Waits up to $2 seconds for the line $1 (or for its ($3+1)-th copy).
wait_line() {
  local line=$1 until=$((SECONDS + $2)) count=${3:-0}
  while [ "$(lines "$line")" -le "$count" ]; do
    kill -0 "$game" 2>/dev/null || e2e_fail "the game ended while waiting for '$line'"
    [ $SECONDS -lt $until ] || e2e_fail "no '$line' within $2 s"
    sleep 0.2
  done
}
# Keys are polled once a frame: each is held, one at a time. One xdotool for the press
# and the release: on a loaded machine starting a second one can take longer than the
# item bar waits before a held key steps again.
key() {
  xdotool keydown "$1" sleep "${2:-0.15}" keyup "$1"
}
# Types the letters of $1 on the name entry. A character waits in one slot for the next
# frame, and any message before that frame (the key's own release too) drops it: each
# letter is held longer than a frame of a loaded machine, alone, with the mouse still.
type_name() {
  local word=$1 n
  for ((n = 0; n < ${#word}; n++)); do
    key "${word:n:1}" 1.0
    sleep 0.4
  done
}
# The hold of a press tried again: a key let go before the next frame began is never
# seen, and a loaded machine can take longer than a quarter second for a frame. Only
# keys without a repeat (Enter, Esc) are pressed again this way.
hold_for_try() {
  case $1 in 0) echo 0.25 ;; 1) echo 0.5 ;; *) echo 0.9 ;; esac
}
# The screen shown last.
last_screen() { grep -x "screen [0-9]*" "$log" | tail -1; }
# Presses $1 until the line $2 appears, giving each press $3 seconds to show. A press
# again while a slow fade still runs can land on the new screen as it comes and act
# there too; when the screen wanted is already the one shown, it is not pressed for.
press_until() {
  local k=$1 line=$2 wait=$3 tries=$4 before
  before=$(lines "$line")
  for ((i = 0; i < tries; i++)); do
    [[ $line == "screen "* && "$(last_screen)" == "$line" ]] && return 0
    key "$k" "$(hold_for_try $i)"
    local until=$((SECONDS + wait))
    while [ $SECONDS -lt $until ]; do
      [ "$(lines "$line")" -gt "$before" ] && return 0
      kill -0 "$game" 2>/dev/null || e2e_fail "the game ended waiting for '$line' after $k"
      sleep 0.2
    done
  done
  e2e_fail "no '$line' after pressing $k $tries times"
}
# Presses $1 until one of the lines after it appears, giving each press $2 seconds to
# show, $3 presses at most; $seen is the line that appeared.
press_until_any() {
  local k=$1 wait=$2 tries=$3 l n try until
  shift 3
  local before=()
  for l in "$@"; do before+=("$(lines "$l")"); done
  for ((try = 0; try < tries; try++)); do
    for l in "$@"; do
      [[ $l == "screen "* && "$(last_screen)" == "$l" ]] && { seen=$l; return 0; }
    done
    key "$k" "$(hold_for_try $try)"
    until=$((SECONDS + wait))
    while [ $SECONDS -lt $until ]; do
      n=0
      for l in "$@"; do
        if [ "$(lines "$l")" -gt "${before[n]}" ]; then
          seen=$l
          return 0
        fi
        n=$((n + 1))
      done
      kill -0 "$game" 2>/dev/null || e2e_fail "the game ended waiting for '$*' after $k"
      sleep 0.2
    done
  done
  e2e_fail "none of '$*' after pressing $k $tries times"
}
# The width in pixels of the main menu's boxed (selected) item: CAREER about 83,
# QUICK START about 137, OPTIONS about 92.
selected_width() {
  import -window root "$work/bar.png"
  convert "$work/bar.png" -crop 1024x1+0+115 -depth 8 txt:- |
    awk -F'[(),]+' 'NR > 1 { light[$1 + 0] = ($3 > 215 && $4 > 210 && $5 > 195) }
      END { if (!light[653]) { print 0; exit }
            l = 653; while (l > 0 && light[l - 1]) l--
            r = 653; while (r < 1023 && light[r + 1]) r++
            print r - l + 1 }'
}
# Waits for the menu content after the intro.
wait_menu_content() {
  wait_line "screen 100" 120
  local started=$SECONDS
  until grep -q "^loader: menu content loaded" "$log"; do
    kill -0 "$game" 2>/dev/null || e2e_fail "the game ended during the intro"
    [ $((SECONDS - started)) -lt 90 ] || e2e_fail "the menu content did not load within 90 s"
    sleep 0.2
  done
}
# From the main menu to QUICK START. A step can go unseen behind a slow frame, or count
# twice when frames are slow enough to run the held key's repeat: look at the bar and
# go back to the first item when it is not there.
select_quick_start() {
  for ((i = 0; ; i++)); do
    [ "$i" -lt 8 ] || e2e_fail "QUICK START could not be selected"
    key Right 0.15
    sleep 0.8
    [ "$(selected_width)" -gt 115 ] && break
    key Left 0.15; sleep 0.5; key Left 0.15; sleep 0.5
  done
}
# From a game just started to the quick race page: the intro, Enter, QUICK START.
to_quick_start() {
  wait_menu_content
  sleep 1
  press_until Return "screen 1" 3 40
  settle
  select_quick_start
  press_until Return "screen 50" 3 40
  settle
}
# Starts the game of the build folder (build/, or $KELVAMOR_E2E_BUILD) with its output in
# $log (emptied first); $game is its own pid.
start_game() {
  : > "$log"
  (cd "$repo/${KELVAMOR_E2E_BUILD:-build}" && exec ./kelvamor) > "$log" 2>&1 &
  game=$!
}
