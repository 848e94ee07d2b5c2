#!/usr/bin/env bash
# The game on damaged files, one kind at a time, each cut short ("truncated"), overwritten
# with noise of the same size ("random") or gone ("missing"), in a copy of base/ (links to
# build/base, the damaged file written anew) and a throw-away player's folder:
#   start-up data    base/font1.ini, a shader, a menu texture: the start ends with a
#                    failure status and a line naming the file
#   run-wide tables  cars.ini, optica.ini, fpoints.ini, an effect, the lorry bodies: a
#                    line naming the file, the game runs on to the menus
#   player's files   menu.inf and career.inf of the wrong size or impossible values: a
#                    line saying where the damaged copy is kept, the copy holding the old
#                    bytes, status 0; a resolution the display does not offer kept in the
#                    file; files that cannot be saved: a line naming them, status not 0
#   race data        a world's main_road.sbm, road.tga, the lorry bodies, a race's .ai and
#                    a table, in one game driven by keys: each START is refused back to
#                    the quick start with a line naming the file
#   unused files     optica.ini, firepipe.eff and checkpointlight.eff damaged and a
#                    menu.inf of large numbers: each file named, a race starts and the
#                    keys drive it
#   wheel markers    points.sbm models without wheel markers: START refused, naming one
# No case may crash (a signal) or hang. The games without keys run a few at a time,
# each on its own virtual X server.
#
#   tests/e2e/bad_files.sh            (needs build/kelvamor and build/base)
#   KELVAMOR_E2E_LIMIT=SECONDS ...    whole-run limit (default 1200)
#   BAD_FILES_BATCH=N ...             games started at once without keys (default 6)
set -euo pipefail

e2e_name=bad_files
source "$(dirname "$0")/e2e_run.sh" "$@"
fail() { e2e_fail "$@"; }

base=$repo/build/base
started=$SECONDS
failures=0
# A case that fails is reported with its output and counted; the others still run.
case_fail() {
  echo "bad_files: FAILED: $1: $2" >&2
  echo "--- $1 output ---" >&2
  cat "$3" >&2 || true
  failures=$((failures + 1))
}

# $1: a folder to run in; gets base/ as links to build/base.
mirror_base() {
  mkdir -p "$1"
  cp -as "$base" "$1/base"
}
# Damages $2 (relative to base/) in the mirror $1 by kind $3.
damage() {
  local dir=$1 rel=$2 kind=$3
  local file=$dir/base/$rel orig=$base/$rel
  rm -f "$file"
  case $kind in
    truncated) head -c $(($(stat -c %s "$orig") / 2)) "$orig" > "$file" ;;
    random) python3 -c "import random,sys; random.seed(1234); n=int(sys.argv[1]);
sys.stdout.buffer.write(bytes(random.getrandbits(8) for _ in range(n)))" "$(stat -c %s "$orig")" > "$file" ;;
    missing) ;;
  esac
}
# A player at $1 with the cheap settings and the shipped career.
player() {
  write_cheap_settings "$1/Documents/Kelvamor" "$repo"
}
# Starts the game in folder $1 with HOME $2, output to $1/out and its exit status to
# $1/code; $! is the pid of its X server's runner. Each on its own virtual X server: a
# window that loses the focus to another game draws no frames, and its intro would
# never end. (xvfb-run's own status can be its clean-up's, so the game's is kept.)
run_in() {
  (cd "$1" && HOME=$2 ALSOFT_DRIVERS=null KELVAMOR_NO_BROWSER=1 KELVAMOR_NO_DIALOGS=1 \
     exec xvfb-run -n $((100 + RANDOM % 800)) -a -s "-screen 0 1024x768x24" \
       bash -c '"$0"; echo $? > code' "$repo/build/kelvamor") > "$1/out" 2>&1 &
}
# Waits up to $2 s for pid $1 (a child of this shell) to end; $ended is its status, or
# "running".
wait_end() {
  local pid=$1 until=$((SECONDS + $2))
  while kill -0 "$pid" 2>/dev/null; do
    [ $SECONDS -lt $until ] || { ended=running; return; }
    sleep 0.3
  done
  ended=0
  wait "$pid" || ended=$?
}
# Waits up to $2 s for the menu content line in $1/out while pid $3 runs.
wait_menus() {
  local until=$(($SECONDS + $2))
  until grep -qs "^loader: menu content loaded" "$1/out"; do
    kill -0 "$3" 2>/dev/null || return 1
    [ $SECONDS -lt $until ] || return 1
    sleep 0.3
  done
}
has() { grep -qsF -- "$2" "$1/out"; }
# Sends signal $2 to the game running in folder $1 (ending its X server instead would
# end the game as a lost display).
signal_game() {
  local p
  for p in $(pgrep -x kelvamor || true); do
    [ "$(readlink "/proc/$p/cwd" 2>/dev/null)" = "$1" ] && kill "-$2" "$p" 2>/dev/null
  done
  return 0
}
# The game's own exit status once its runner $2 has ended, else what wait_end saw.
game_status() {
  if [ "$ended" != running ] && [ -s "$1/code" ]; then cat "$1/code"; else echo "$ended"; fi
}

# The game of $1 (pid $2) to the menus, then ended by SIGTERM as a window manager would
# (SIGKILL after a minute); $1/status holds how it ended, "no-menus:..." when it never
# reached them.
run_to_menus_and_end() {
  local dir=$1 pid=$2
  if ! wait_menus "$dir" 180 "$pid"; then
    wait_end "$pid" 1
    echo "no-menus:$(game_status "$dir")" > "$dir/status"
    signal_game "$dir" KILL
    wait_end "$pid" 10
    return
  fi
  signal_game "$dir" TERM
  wait_end "$pid" 60
  [ "$ended" = running ] && signal_game "$dir" KILL
  game_status "$dir" > "$dir/status"
}

# ---- cases without keys, each in its own folder, a few at a time ----
# A case is "kind|arguments" and is checked by check_<kind> after it ran.
cases=()
for kind in truncated random missing; do
  cases+=("ends|font1.ini|$kind" "ends|shaders/LandscapePS.glsl|$kind" "ends|textures/tex09.tga|$kind")
  cases+=("runs|tables|$kind")
done
for size in 0 100 296 500 2000; do cases+=("player|$size"); done
cases+=("player|impossible" "resolution|800x600" "unsaved|documents" "unsaved|career")
# The tables and the effect are each read once at start by their own reader: one game
# shows every one of them named.
tables=(cars.ini optica.ini fpoints.ini effects/dust.eff)

run_case() {
  local n=$1 spec=$2 dir=$work/case$1
  local what=${spec%%|*} rest=${spec#*|}
  mkdir -p "$dir/home"
  mirror_base "$dir"
  player "$dir/home"
  local folder=$dir/home/Documents/Kelvamor
  case $what in
    ends) damage "$dir" "${rest%|*}" "${rest#*|}" ;;
    runs) for t in "${tables[@]}"; do damage "$dir" "$t" "${rest#*|}"; done ;;
    player)
      if [ "$rest" = impossible ]; then
        # The right size, a screen of 9 x 100000 pixels.
        { head -c 4 "$folder/menu.inf"; le32 9; le32 100000; tail -c +13 "$folder/menu.inf"; } > "$dir/m"
        mv "$dir/m" "$folder/menu.inf"
      else
        head -c "$rest" /dev/zero | tr '\0' '\252' > "$folder/menu.inf"
        head -c "$rest" /dev/zero | tr '\0' 'K' > "$folder/career.inf"
      fi
      cp "$folder/menu.inf" "$dir/menu.before"
      cp "$folder/career.inf" "$dir/career.before" ;;
    resolution)
      # A resolution this screen does not offer, and shadow detail, sight range, a
      # binding, transmission and device far outside their ranges.
      { le32 1; le32 800; le32 600; tail -c +13 "$folder/menu.inf"; } > "$dir/m"
      python3 -c "
import struct, sys
p = sys.argv[1]; b = bytearray(open(p, 'rb').read())
for field, v in ((14, 2147483647), (15, -100000), (17, -100000), (47, 2147483647), (48, -100000)):
    struct.pack_into('<i', b, 4 * field, v)
open(p, 'wb').write(b)" "$dir/m"
      mv "$dir/m" "$folder/menu.inf" ;;
    unsaved)
      if [ "$rest" = documents ]; then
        rm -rf "$dir/home/Documents"
        echo "not a folder" > "$dir/home/Documents"
      else
        rm -f "$folder/career.inf"
        mkdir "$folder/career.inf"
      fi ;;
  esac
  local pid
  run_in "$dir" "$dir/home"
  pid=$!
  if [ "$what" = ends ]; then
    wait_end "$pid" 120
    [ "$ended" = running ] && signal_game "$dir" KILL
    game_status "$dir" > "$dir/status"
    return
  fi
  run_to_menus_and_end "$dir" "$pid"
}

check_case() {
  local n=$1 spec=$2 dir=$work/case$1
  local what=${spec%%|*} rest=${spec#*|} status
  status=$(cat "$dir/status" 2>/dev/null || echo none)
  local folder=$dir/home/Documents/Kelvamor
  local rel=${rest%|*}
  case $what in
    ends)
      [[ "$status" =~ ^[0-9]+$ ]] || { case_fail "$spec" "did not end by itself ($status)" "$dir/out"; return; }
      [ "$status" -ne 0 ] && [ "$status" -lt 128 ] || { case_fail "$spec" "status $status" "$dir/out"; return; }
      has "$dir" "base/$rel" || { case_fail "$spec" "no line naming base/$rel" "$dir/out"; return; }
      has "$dir" "menu content loaded" && { case_fail "$spec" "says the menu content loaded" "$dir/out"; return; }
      has "$dir" "kelvamor: the " || case_fail "$spec" "no line ending the start" "$dir/out" ;;
    runs)
      [ "$status" = 0 ] || { case_fail "$spec" "status $status" "$dir/out"; return; }
      for t in "${tables[@]}"; do
        has "$dir" "base/$t: " || { case_fail "$spec" "no line naming base/$t" "$dir/out"; return; }
      done ;;
    player)
      [ "$status" = 0 ] || { case_fail "$spec" "status $status" "$dir/out"; return; }
      has "$dir" "menu.inf: $folder/menu.inf" || { case_fail "$spec" "no line on menu.inf" "$dir/out"; return; }
      cmp -s "$dir/menu.before" "$folder/menu.inf.damaged" ||
        { case_fail "$spec" "menu.inf.damaged does not hold the old bytes" "$dir/out"; return; }
      [ "$(stat -c %s "$folder/menu.inf")" -eq 196 ] || { case_fail "$spec" "menu.inf not rewritten" "$dir/out"; return; }
      [ "$rest" = impossible ] && return
      has "$dir" "kept as $folder/career.inf.damaged" || { case_fail "$spec" "no line on career.inf" "$dir/out"; return; }
      cmp -s "$dir/career.before" "$folder/career.inf.damaged" ||
        { case_fail "$spec" "career.inf.damaged does not hold the old bytes" "$dir/out"; return; }
      [ "$(stat -c %s "$folder/career.inf")" -eq 1080 ] || case_fail "$spec" "career.inf not rewritten" "$dir/out" ;;
    resolution)
      [ "$status" = 0 ] || { case_fail "$spec" "status $status" "$dir/out"; return; }
      has "$dir" "menu.inf: the display does not offer 800 x 600" || { case_fail "$spec" "no line" "$dir/out"; return; }
      [ "$(od -An -td4 -j4 -N8 "$folder/menu.inf" | tr -s ' ')" = " 800 600" ] ||
        { case_fail "$spec" "the player's choice was not kept" "$dir/out"; return; }
      has "$dir" "menu.inf: out-of-range values brought into range" || { case_fail "$spec" "no clamp line" "$dir/out"; return; }
      # A shadow detail of no level draws the 1024 map of level 1.
      [ "$(od -An -td4 -j56 -N4 "$folder/menu.inf" | tr -d ' ')" = 1 ] || case_fail "$spec" "shadow detail not 1" "$dir/out" ;;
    unsaved)
      [[ "$status" =~ ^[0-9]+$ ]] && [ "$status" -ne 0 ] && [ "$status" -lt 128 ] ||
        { case_fail "$spec" "status $status" "$dir/out"; return; }
      has "$dir" "career.inf: cannot be saved to " || case_fail "$spec" "no line naming career.inf" "$dir/out" ;;
  esac
}

# A game whose frames take longer than 0.2 s never leaves the intro: few at a time.
batch=${BAD_FILES_BATCH:-6}
# run_batched FUNCTION ITEM...: FUNCTION INDEX ITEM for each, $batch at a time, then waits
# for them all.
run_batched() {
  local fn=$1 i p pids=()
  shift
  for ((i = 1; i <= $#; i++)); do
    "$fn" "$((i - 1))" "${!i}" &
    pids+=($!)
    if [ ${#pids[@]} -ge "$batch" ]; then
      wait "${pids[0]}" || true
      pids=("${pids[@]:1}")
    fi
  done
  for p in "${pids[@]}"; do wait "$p" || true; done
}
run_batched run_case "${cases[@]}"
for ((i = 0; i < ${#cases[@]}; i++)); do check_case "$i" "${cases[i]}"; done
echo "bad_files: ${#cases[@]} starts on damaged files in $((SECONDS - started)) s"

# ---- race data, by keys: each START refused back to the quick start ----
race_dir=$work/race
mirror_base "$race_dir"
new_player "$race_dir/home"
unset KELVAMOR_TEST_RACE
export KELVAMOR_NO_BROWSER=1 KELVAMOR_NO_DIALOGS=1
log=$race_dir/out
# Damages file $1 (relative to base/; "*" for all worlds or cars) by kind $2.
damage_all() {
  local pattern=$1 kind=$2 f
  for f in $(cd "$base" && ls -d $pattern); do damage "$race_dir" "$f" "$kind"; done
}
restore_all() {
  local pattern=$1 f
  for f in $(cd "$base" && ls -d $pattern); do
    rm -f "$race_dir/base/$f"
    ln -s "$base/$f" "$race_dir/base/$f"
  done
}
: > "$log"
(cd "$race_dir" && exec "$repo/build/kelvamor") > "$log" 2>&1 &
game=$!
to_quick_start
# START once per damage; the quick start comes back each time.
refused() {
  local pattern=$1 kind=$2 named=$3 before
  damage_all "$pattern" "$kind"
  before=$(lines "screen 50")
  press_until Return "screen 32" 3 40
  wait_line "screen 50" 120 "$before"
  grep -q "refused: .*$named\|$named.*: \|no readable path in .*$named" "$log" ||
    fail "START with $pattern $kind: no line naming $named"
  grep -q "^screen 0$" "$log" && fail "a race ran with $pattern $kind"
  restore_all "$pattern"
  settle
}
refused "world/*/models/main_road.sbm" truncated "main_road.sbm"
refused "world/*/textures/road.tga" random "road.tga"
refused "world/races/*.ai" missing ".ai"
refused "cars/*/lod0_car.sbm" missing "lod0_car.sbm"
kill -TERM "$game"
status=0
wait "$game" || status=$?
game=""
[ "$status" -eq 0 ] || fail "the game on bad race data ended with status $status"

# ==== career.inf of the right size holding no career; planted temporary files ====
# Its own games, a few at a time, each in its own folder:
#   noise, zeros, ones  a 1080-byte career.inf of noise, of zeros, of 0xFF: a line naming
#                       the file and the fields, career.inf.damaged holding the old bytes,
#                       the shipped career in its place (rating 1), status 0
#   fifo-career/menu    a FIFO named career.inf.tmp or menu.inf.tmp: the start reaches the
#                       menus and quits with status 0 (the save once waited in open()
#                       for ever), the FIFO left where it was
#   link                a link named career.inf.tmp: its target keeps its bytes, career.inf
#                       is a file of its own
#   played              a played career (twelve quarter-finals won, the semi-finals open,
#                       cash 70000) whose race 1 best place reads 7: set aside, and the
#                       career keeps its name, cash and stages
#   hundred             the same with career.inf.damaged and .damaged.2 to .damaged.100
#                       already there: the player's bytes are kept in a copy of their own
#   no-run, richer      the same career with every race won, but race 6 counting no run,
#                       or cash at 70002, more than its twelve runs paid: set aside, and
#                       the career keeps its name and its cash
#   leftover            saves cut short before their rename (career.inf.tmp-0badf00d,
#                       menu.inf.tmp-12345678) are gone after the start; a link of that
#                       name is left, and so is its target
career_planted=(noise zeros ones fifo-career fifo-menu link played hundred no-run richer leftover)
# A played career into $1: the shipped one with a name, twelve quarter-final races won
# once each (36000 points: rating 4 and 6000 toward the next), their prizes in cash and
# the semi-finals open; race 1's best place then set to $2, race 6's runs to $3 (1 when
# not given) and the cash to $4 (70000).
played_career() {
  python3 - "$1" "$2" "${3:-1}" "${4:-70000}" <<'PY'
import struct, sys
p, place, runs6, cash = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), float(sys.argv[4])
b = bytearray(open(p, "rb").read())
b[160:169] = b"Ivanka\0\0\0"
struct.pack_into("<i", b, 172, 6)
struct.pack_into("<ffi", b, 176, 70000.0, 6000.0, 4)
struct.pack_into("<ii", b, 248, 3, 4)
for k in range(12):
    for base, v in ((256, 1), (376, 1), (496, 1), (616, 1), (736, 10 + k), (856, 50)):
        struct.pack_into("<i", b, base + 4 * k, v)
struct.pack_into("<i", b, 256, place)
struct.pack_into("<i", b, 496 + 4 * 5, runs6)
struct.pack_into("<f", b, 176, cash)
open(p, "wb").write(b)
PY
}
career_planted_run() {
  local kind=$2 dir=$work/planted-$2
  mkdir -p "$dir/home"
  mirror_base "$dir"
  player "$dir/home"
  local folder=$dir/home/Documents/Kelvamor
  case $kind in
    noise) python3 -c "import random,sys; random.seed(35);
sys.stdout.buffer.write(bytes(random.getrandbits(8) for _ in range(1080)))" > "$folder/career.inf" ;;
    zeros) head -c 1080 /dev/zero > "$folder/career.inf" ;;
    ones) head -c 1080 /dev/zero | tr '\0' '\377' > "$folder/career.inf" ;;
    fifo-career) mkfifo "$folder/career.inf.tmp" ;;
    fifo-menu) mkfifo "$folder/menu.inf.tmp" ;;
    link)
      printf 'not the career' > "$dir/target"
      ln -s "$dir/target" "$folder/career.inf.tmp" ;;
    played) played_career "$folder/career.inf" 7 ;;
    hundred)
      played_career "$folder/career.inf" 7
      printf 'an older damaged career' > "$folder/career.inf.damaged"
      for ((i = 2; i <= 100; i++)); do printf 'an older damaged career' > "$folder/career.inf.damaged.$i"; done ;;
    no-run) played_career "$folder/career.inf" 1 0 ;;
    richer) played_career "$folder/career.inf" 1 1 70002 ;;
    leftover)
      printf 'half a save' > "$folder/career.inf.tmp-0badf00d"
      printf 'half a save' > "$folder/menu.inf.tmp-12345678"
      printf 'not a save' > "$dir/target"
      ln -s "$dir/target" "$folder/career.inf.tmp-deadbeef" ;;
  esac
  cp "$folder/career.inf" "$dir/career.before"
  local pid
  run_in "$dir" "$dir/home"
  pid=$!
  run_to_menus_and_end "$dir" "$pid"
}
career_planted_check() {
  local kind=$1 dir=$work/planted-$1
  local folder=$dir/home/Documents/Kelvamor out=$dir/out status
  status=$(cat "$dir/status" 2>/dev/null || echo none)
  [ "$status" = 0 ] || { case_fail "planted $kind" "status $status" "$out"; return; }
  [ -f "$folder/career.inf" ] && [ ! -L "$folder/career.inf" ] && [ "$(stat -c %s "$folder/career.inf")" -eq 1080 ] ||
    { case_fail "planted $kind" "career.inf is not a 1080-byte file" "$out"; return; }
  [ "$(stat -c %s "$folder/menu.inf")" -eq 196 ] || { case_fail "planted $kind" "menu.inf not written" "$out"; return; }
  case $kind in
    noise|zeros|ones)
      has "$dir" "career.inf: $folder/career.inf holds values the game never writes (" ||
        { case_fail "planted $kind" "no line naming career.inf and its fields" "$out"; return; }
      has "$dir" "kept as $folder/career.inf.damaged, a new career starts from the shipped copy" ||
        { case_fail "planted $kind" "no line on the damaged copy" "$out"; return; }
      cmp -s "$dir/career.before" "$folder/career.inf.damaged" ||
        { case_fail "planted $kind" "career.inf.damaged does not hold the old bytes" "$out"; return; }
      # The quit rewrites the quick race's choice (1060 on); the career before it is the
      # shipped one.
      cmp -s -n 1060 "$base/career.inf" "$folder/career.inf" ||
        { case_fail "planted $kind" "career.inf is not the shipped career" "$out"; return; }
      [ "$(od -An -td4 -j184 -N4 "$folder/career.inf" | tr -d ' ')" = 1 ] ||
        case_fail "planted $kind" "the rating is not 1" "$out" ;;
    fifo-career|fifo-menu)
      local fifo=$folder/${kind#fifo-}.inf.tmp
      [ -p "$fifo" ] || case_fail "planted $kind" "the FIFO $fifo was removed or replaced" "$out" ;;
    link)
      [ "$(cat "$dir/target")" = "not the career" ] ||
        { case_fail "planted $kind" "the link's target was written" "$out"; return; }
      [ -L "$folder/career.inf.tmp" ] || case_fail "planted $kind" "the link was removed" "$out" ;;
    played|hundred)
      local aside=$folder/career.inf.damaged
      [ "$kind" = hundred ] && aside=$folder/career.inf.damaged.101
      has "$dir" "kept as $aside, the rest of the career is kept" ||
        { case_fail "planted $kind" "no line keeping the career beside as $aside" "$out"; return; }
      cmp -s "$dir/career.before" "$aside" ||
        { case_fail "planted $kind" "$aside does not hold the player's bytes" "$out"; return; }
      # The name, cash, points, rating, bracket position and stages as played, and race
      # 1 won again.
      [ "$(od -An -c -j160 -N6 "$folder/career.inf" | tr -d ' ')" = Ivanka ] &&
        [ "$(od -An -tf4 -j176 -N8 "$folder/career.inf" | tr -s ' ')" = " 70000 6000" ] &&
        [ "$(od -An -td4 -j184 -N4 "$folder/career.inf" | tr -d ' ')" = 4 ] &&
        [ "$(od -An -td4 -j248 -N12 "$folder/career.inf" | tr -s ' ')" = " 3 4 1" ] ||
        case_fail "planted $kind" "the career lost its name, cash, rating or stages" "$out" ;;
    no-run|richer)
      has "$dir" "kept as $folder/career.inf.damaged, the rest of the career is kept" ||
        { case_fail "planted $kind" "no line keeping the career beside" "$out"; return; }
      cmp -s "$dir/career.before" "$folder/career.inf.damaged" ||
        { case_fail "planted $kind" "career.inf.damaged does not hold the player's bytes" "$out"; return; }
      [ "$(od -An -c -j160 -N6 "$folder/career.inf" | tr -d ' ')" = Ivanka ] &&
        awk -v cash="$(od -An -tf4 -j176 -N4 "$folder/career.inf")" 'BEGIN { exit !(cash >= 60000) }' ||
        case_fail "planted $kind" "the career lost its name or its cash" "$out" ;;
    leftover)
      [ ! -e "$folder/career.inf.tmp-0badf00d" ] && [ ! -e "$folder/menu.inf.tmp-12345678" ] ||
        { case_fail "planted $kind" "a leftover save is still there" "$out"; return; }
      [ -L "$folder/career.inf.tmp-deadbeef" ] && [ "$(cat "$dir/target")" = "not a save" ] ||
        case_fail "planted $kind" "the link or its target was touched" "$out" ;;
  esac
}
planted_started=$SECONDS
run_batched career_planted_run "${career_planted[@]}"
for kind in "${career_planted[@]}"; do career_planted_check "$kind"; done
echo "bad_files: ${#career_planted[@]} starts on planted player's files in $((SECONDS - planted_started)) s"
# ==== end of career.inf of the right size and planted temporary files ====

# ---- races by keys on settings that bind no drivable keys: Up drives off the grid ----
# Pixels of $1 and $2 (in the box $3, or whole) that differ by more than a quarter.
changed() {
  local a=$1 b=$2
  if [ -n "${3:-}" ]; then
    convert "$1" -crop "$3" +repage "$1.box.png"
    convert "$2" -crop "$3" +repage "$2.box.png"
    a=$1.box.png b=$2.box.png
  fi
  compare -metric AE -fuzz 25% "$a" "$b" null: 2>&1 | awk '{ printf "%d", $1 }' || true
}
# menu.inf for the player's folder $1: the cheap settings with field $2 onwards replaced
# by the values after it.
settings_with() {
  local folder=$1 field=$2
  shift 2
  python3 - "$folder/menu.inf" "$field" "$@" <<'PY'
import struct, sys
p, field = sys.argv[1], int(sys.argv[2])
b = bytearray(open(p, "rb").read())
for i, v in enumerate(sys.argv[3:]):
    struct.pack_into("<i", b, 4 * (field + i), int(v))
open(p, "wb").write(b)
PY
}
# The player's lorry's speed in the last pose line the game printed.
pose_speed() { grep "^pose " "$log" | tail -1 | sed -n 's/.* speed=\([-0-9.]*\) .*/\1/p'; }
# up_drives NAME LINE: the game in $work/NAME (base/ prepared, menu.inf written by the
# caller into $folder) prints LINE (a grep pattern) by the menus, starts a quick race,
# and holding Up past the countdown drives the lorry: the picture stands still twice,
# then while Up is held the speed readout leaves "000" (at 1024 x 768 its digits lie in
# 64 x 30 pixels from (904, 658)), the world scrolls past under the chase camera, and
# the lorry's own speed, as the race's pose lines tell it, passes 5 (16-27 after 6 s
# of Up on an idle host; a slow frame rate runs the race slower than real time).
up_drives() {
  local name=$1 line=$2 dir=$work/$1
  log=$dir/out
  : > "$log"
  (cd "$dir" && KELVAMOR_TEST_POSE=1 exec "$repo/build/kelvamor") > "$log" 2>&1 &
  game=$!
  wait_menu_content
  grep -q -- "$line" "$log" || fail "$name: no line '$line'"
  to_quick_start
  press_until Return "screen 32" 3 40
  wait_line "screen 0" 180
  grep -q "refused" "$log" && fail "$name: a race was refused"
  # The race is released about 4 s after it shows, later on a loaded machine (the
  # countdown steps at most 0.094 s a frame); then the START caption fades over 2 s of
  # the countdown's clock (at most 22 frames, one pose line each) and the opponents
  # drive out of sight.
  local until=$((SECONDS + 120)) released
  until grep -q "^pose .* countdown=0 " "$log"; do
    [ $SECONDS -lt $until ] || fail "$name: the race was not released within 120 s"
    sleep 0.2
  done
  released=$(grep -c "^pose " "$log")
  sleep 8
  while [ "$(grep -c "^pose " "$log")" -lt $((released + 25)) ]; do
    [ $SECONDS -lt $until ] || fail "$name: the race stood still after its release"
    sleep 0.2
  done
  import -window root "$dir/still1.png"
  sleep 4
  import -window root "$dir/still2.png"
  local standing driving
  standing=$(pose_speed)
  xdotool keydown Up sleep 6
  import -window root "$dir/driven.png"
  driving=$(pose_speed)
  xdotool keyup Up
  local readout=64x30+904+658 idle moved idle_speed moved_speed
  idle=$(changed "$dir/still1.png" "$dir/still2.png")
  moved=$(changed "$dir/still2.png" "$dir/driven.png")
  idle_speed=$(changed "$dir/still1.png" "$dir/still2.png" $readout)
  moved_speed=$(changed "$dir/still2.png" "$dir/driven.png" $readout)
  echo "bad_files: $name: speed ${standing:-none} standing, ${driving:-none} after 6 s of Up; pixels changed standing $idle (speed readout $idle_speed), driving $moved (speed readout $moved_speed)"
  # A digit that changes moves a dozen pixels or more; standing, none does. How many
  # change says little of the speed ("100" differs from "000" in one), so the speed
  # itself is read from the pose lines.
  [ "$idle_speed" -lt 5 ] && [ "$moved_speed" -ge 10 ] && [ "$moved" -gt $((2 * idle)) ] ||
    fail "$name: holding Up did not drive the lorry (pixels changed $idle standing, $moved driving)"
  awk -v a="${standing:-x}" -v b="${driving:-x}" 'BEGIN { exit !(a ~ /^[-0-9.]+$/ && b ~ /^[-0-9.]+$/ && a < 0.5 && b >= 5) }' ||
    fail "$name: the lorry's speed was ${standing:-none} standing and ${driving:-none} after 6 s of Up"
  kill -TERM "$game"
  local status=0
  wait "$game" || status=$?
  game=""
  [ "$status" -eq 0 ] || fail "$name: the game ended with status $status"
}
unset KELVAMOR_TEST_RACE
export KELVAMOR_NO_BROWSER=1 KELVAMOR_NO_DIALOGS=1

# Start-up files no race uses, and a menu.inf of large numbers: optica.ini gone,
# firepipe.eff cut short and checkpointlight.eff noise, each named in a line, and a race
# still starts. menu.inf holds 2147483647 in every field but the screen's size and the
# three a software rasteriser draws slowest (the screen-texture pass, shadow detail and
# anti-aliasing, left at 0 so the frames stay quick): the shipped keys come back, the
# keyboard is the device again, and the file keeps them.
unused_dir=$work/unused
mirror_base "$unused_dir"
damage "$unused_dir" optica.ini missing
damage "$unused_dir" effects/firepipe.eff truncated
damage "$unused_dir" effects/checkpointlight.eff random
new_player "$unused_dir/home"
unset KELVAMOR_TEST_RACE
{
  le32 2147483647; le32 1024; le32 768
  for ((field = 4; field <= 49; field++)); do
    case $field in 12 | 15 | 17) le32 0 ;; *) le32 2147483647 ;; esac
  done
} > "$folder/menu.inf"
up_drives unused "^menu.inf: .*the keyboard's shipped bindings are back"
for f in optica.ini effects/firepipe.eff effects/checkpointlight.eff; do
  grep -q "^base/$f: .*the game runs on without it" "$unused_dir/out" || fail "no line naming base/$f"
done
[ "$(od -An -td4 -j68 -N16 "$folder/menu.inf" | tr -s ' ')" = " 37 39 38 40" ] ||
  fail "menu.inf does not hold the shipped keys"
[ "$(od -An -td4 -j192 -N4 "$folder/menu.inf" | tr -d ' ')" = 0 ] || fail "menu.inf's device is not the keyboard"

# Settings the controls page can write that leave nothing to drive by (the bindings are
# fields 17-46, the device field 48):
#   unbound      every binding -1, as the device switch leaves them
#   no-joystick  the joypad's axes and buttons bound on the joypad device, and no
#                joystick in the machine: the file keeps them for when it is back
#   one-key      Up in all four driving slots
# Each time the keyboard's shipped keys drive the race, with a line.
for name in unbound no-joystick one-key; do
  dir=$work/$name
  mirror_base "$dir"
  new_player "$dir/home"
  unset KELVAMOR_TEST_RACE
  case $name in
    unbound) settings_with "$folder" 17 $(for ((i = 0; i < 30; i++)); do echo -1; done) ;;
    no-joystick) settings_with "$folder" 17 1300 1200 1012 1013 1014 1015 && settings_with "$folder" 48 1 ;;
    one-key) settings_with "$folder" 17 38 38 38 38 ;;
  esac
  cp "$folder/menu.inf" "$dir/menu.before"
  case $name in
    unbound) line="^controls: on the keyboard steer left, steer right, accelerate and brake are unbound; the keyboard's shipped keys drive" ;;
    no-joystick) line="^controls: the joypad is chosen and no joystick answers; the keyboard's shipped keys drive" ;;
    one-key) line="^controls: on the keyboard .* share a key; the keyboard's shipped keys drive" ;;
  esac
  up_drives "$name" "$line"
  if [ "$name" = no-joystick ]; then
    [ "$(od -An -td4 -w24 -j68 -N24 "$folder/menu.inf" | tr -s ' ')" = " 1300 1200 1012 1013 1014 1015" ] &&
      [ "$(od -An -td4 -j192 -N4 "$folder/menu.inf" | tr -d ' ')" = 1 ] ||
      fail "no-joystick: menu.inf lost the joypad's bindings"
  fi
done

# ---- points.sbm without wheel markers: START refused, naming it ----
# Every lorry's points model reads (three corners, one marker in the exhaust's group)
# but its first group, the wheels', is empty: the quick start comes back with a line
# naming the file, and no race runs.
wheels_dir=$work/wheels
mirror_base "$wheels_dir"
python3 - "$wheels_dir/points.sbm" <<'PY'
import struct, sys
b = b"MS3D000000" + struct.pack("<i", 4)
b += struct.pack("<H", 3)
for x, y, z in ((0.3, 1.0, 1.0), (0.2, 1.0, 1.0), (0.2, 1.2, 1.0)):
    b += struct.pack("<BfffbB", 0, x, y, z, -1, 0)
b += struct.pack("<H", 1)
b += struct.pack("<H3H", 0, 0, 1, 2) + struct.pack("<9f", *([0.0, 0.0, 1.0] * 3))
b += struct.pack("<3f3f", 0, 0, 0, 0, 0, 0) + struct.pack("<BB", 1, 1)
b += struct.pack("<H", 2)
b += struct.pack("<B32sH", 0, b"wheels", 0) + struct.pack("<b", -1)
b += struct.pack("<B32sHH", 0, b"exhaust", 1, 0) + struct.pack("<b", -1)
b += struct.pack("<H", 0)
open(sys.argv[1], "wb").write(b)
PY
for f in $(cd "$base" && ls -d cars/*/points.sbm); do
  rm -f "$wheels_dir/base/$f"
  cp "$wheels_dir/points.sbm" "$wheels_dir/base/$f"
done
new_player "$wheels_dir/home"
unset KELVAMOR_TEST_RACE
log=$wheels_dir/out
: > "$log"
(cd "$wheels_dir" && exec "$repo/build/kelvamor") > "$log" 2>&1 &
game=$!
to_quick_start
before=$(lines "screen 50")
press_until Return "screen 32" 3 40
wait_line "screen 50" 120 "$before"
grep -q "^base/cars/[0-9]*/points.sbm: marks no wheels" "$log" || fail "no line naming a points.sbm without wheels"
grep -q "refused: base/cars/[0-9]*/points.sbm cannot be used" "$log" || fail "START was not refused naming points.sbm"
grep -q "^screen 0$" "$log" && fail "a race ran with lorries without wheel markers"
kill -TERM "$game"
status=0
wait "$game" || status=$?
game=""
[ "$status" -eq 0 ] || fail "the game on points without wheels ended with status $status"

[ "$failures" -eq 0 ] || fail "$failures of the starts on damaged files failed (see above)"
echo "bad_files: passed in $((SECONDS - started)) s"
