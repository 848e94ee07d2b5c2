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
pids=()
for ((i = 0; i < ${#cases[@]}; i++)); do
  run_case "$i" "${cases[i]}" &
  pids+=($!)
  if [ ${#pids[@]} -ge "$batch" ]; then
    wait "${pids[0]}" || true
    pids=("${pids[@]:1}")
  fi
done
for p in "${pids[@]}"; do wait "$p" || true; done
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
career_planted=(noise zeros ones fifo-career fifo-menu link)
career_planted_run() {
  local kind=$1 dir=$work/planted-$1
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
  esac
}
planted_started=$SECONDS
pids=()
for kind in "${career_planted[@]}"; do
  career_planted_run "$kind" &
  pids+=($!)
  if [ ${#pids[@]} -ge "$batch" ]; then
    wait "${pids[0]}" || true
    pids=("${pids[@]:1}")
  fi
done
for p in "${pids[@]}"; do wait "$p" || true; done
for kind in "${career_planted[@]}"; do career_planted_check "$kind"; done
echo "bad_files: ${#career_planted[@]} starts on planted player's files in $((SECONDS - planted_started)) s"
# ==== end of career.inf of the right size and planted temporary files ====

# ---- start-up files no race uses, and a menu.inf of large numbers: a race by keys ----
# optica.ini gone, firepipe.eff cut short and checkpointlight.eff noise, each named in a
# line, and a race still starts. menu.inf holds 2147483647 in every field but the
# screen's size and the two a software rasteriser draws slowest (shadow detail and the
# screen-texture pass, left at 0 so the frames stay quick): the shipped keys come back,
# the keyboard is the device again, and holding Up drives the lorry off the grid.
unused_dir=$work/unused
mirror_base "$unused_dir"
damage "$unused_dir" optica.ini missing
damage "$unused_dir" effects/firepipe.eff truncated
damage "$unused_dir" effects/checkpointlight.eff random
new_player "$unused_dir/home"
unset KELVAMOR_TEST_RACE
export KELVAMOR_NO_BROWSER=1 KELVAMOR_NO_DIALOGS=1
{
  le32 2147483647; le32 1024; le32 768
  for ((field = 4; field <= 49; field++)); do
    case $field in 12 | 15) le32 0 ;; *) le32 2147483647 ;; esac
  done
} > "$folder/menu.inf"
log=$unused_dir/out
: > "$log"
(cd "$unused_dir" && exec "$repo/build/kelvamor") > "$log" 2>&1 &
game=$!
wait_menu_content
for f in optica.ini effects/firepipe.eff effects/checkpointlight.eff; do
  grep -q "^base/$f: .*the game runs on without it" "$log" || fail "no line naming base/$f"
done
grep -q "^menu.inf: .*the keyboard's shipped bindings are back" "$log" || fail "no line bringing the shipped keys back"
to_quick_start
press_until Return "screen 32" 3 40
wait_line "screen 0" 180
grep -q "refused" "$log" && fail "a race was refused over a file no race uses"
# Past the countdown (the race is released about 4 s after it shows), the picture
# standing still twice, then while Up is held: the speed readout leaves "000" (at
# 1024 x 768 its digits lie in 64 x 30 pixels from (904, 658)), and the world scrolls
# past under the chase camera.
sleep 12
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
import -window root "$unused_dir/still1.png"
sleep 4
import -window root "$unused_dir/still2.png"
xdotool keydown Up sleep 9
import -window root "$unused_dir/driven.png"
xdotool keyup Up
readout=64x30+904+658
idle=$(changed "$unused_dir/still1.png" "$unused_dir/still2.png")
moved=$(changed "$unused_dir/still2.png" "$unused_dir/driven.png")
idle_speed=$(changed "$unused_dir/still1.png" "$unused_dir/still2.png" $readout)
moved_speed=$(changed "$unused_dir/still2.png" "$unused_dir/driven.png" $readout)
echo "bad_files: pixels changed standing $idle (speed readout $idle_speed), driving $moved (speed readout $moved_speed)"
# Any digit that changes moves a dozen pixels or more; standing, none does.
[ "$idle_speed" -lt 5 ] && [ "$moved_speed" -ge 10 ] && [ "$moved" -gt $((2 * idle)) ] ||
  fail "holding Up did not drive the lorry (pixels changed $idle standing, $moved driving)"
kill -TERM "$game"
status=0
wait "$game" || status=$?
game=""
[ "$status" -eq 0 ] || fail "the game with unused files damaged ended with status $status"
# The file keeps what the game did with it: the keyboard and its shipped keys.
[ "$(od -An -td4 -j68 -N16 "$folder/menu.inf" | tr -s ' ')" = " 37 39 38 40" ] ||
  fail "menu.inf does not hold the shipped keys"
[ "$(od -An -td4 -j192 -N4 "$folder/menu.inf" | tr -d ' ')" = 0 ] || fail "menu.inf's device is not the keyboard"

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
