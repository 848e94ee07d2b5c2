#!/usr/bin/env bash
# Runs every benchmark and prints one Markdown table of their figures, with the machine
# and the date above it. Builds what it runs into build/ first when anything is out of
# date.
#
#   scripts/bench.sh            the whole run (a few minutes on a quiet 8-core host)
#   scripts/bench.sh --quick    fewer frames, shorter timings and one race load, for a
#                               first look
#
# Progress goes to stderr, the table to stdout:  scripts/bench.sh > bench.md
# The race frames are drawn by whatever GL driver the virtual X server offers (Mesa's
# software rasteriser on a host without a GPU): the budgets are for that driver.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

quick=0
for arg in "$@"; do
  case "$arg" in
    --quick) quick=1 ;;
    -h | --help) sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "bench: unknown argument $arg" >&2; exit 2 ;;
  esac
done

if [ "$quick" -eq 1 ]; then
  frames=20
  min_time=(--benchmark_min_time=0.05)
else
  frames=100
  min_time=()
fi

source scripts/setup.sh
install_missing >&2
# What the benchmarks run, not the tests: a fresh build of everything takes far longer.
[ -f build/build.ninja ] || cmake -S . -B build -G Ninja >&2
cmake --build build -j "$(nproc)" --target kelvamor base race_frame physics_bench race_bench world_cull_bench \
  frontend_bench >&2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rows=$work/rows
: > "$rows"
began=$SECONDS

say() { echo "bench: $*" >&2; }
# A program that fails leaves its rows out; the run goes on with the others.
failed() {
  say "$1 failed:"
  tail -n 20 "$2" >&2
}
# One table row on stdout: name, figure, unit, budget (empty when none is set). A figure over its
# budget is marked.
row() {
  local name=$1 figure=$2 unit=$3 budget=${4:-}
  local mark=$budget
  if [ -n "$budget" ] && [ -n "$figure" ] && awk -v f="$figure" -v b="$budget" 'BEGIN { exit !(f > b) }'; then
    mark="$budget (over)"
  fi
  printf '| %s | %s | %s | %s |\n' "$name" "${figure:-n/a}" "$unit" "$mark"
}

# A Google Benchmark program's console table (its CSV cannot hold counters that only
# some benchmarks set): one row per benchmark with its wall-clock time, or with the
# named counter when one is given. The run's options are left out of the names.
gbench_rows() {
  local out=$1 prefix=$2 counter=${3:-}
  awk -v prefix="$prefix" -v counter="$counter" '
    /^-+$/ { dashes++; next }
    dashes >= 2 && NF >= 4 {
      name = $1
      gsub(/\/(min_time|iterations|repeats):[^\/]*/, "", name)
      sub(/\/real_time$/, "", name)
      sub(/^BM_/, "", name)
      sub(/^PileOf200\/0$/, "PileOf200 resting", name)
      sub(/^PileOf200\/1$/, "PileOf200 awake", name)
      if (counter == "") { printf "%s%s\t%s\t%s\n", prefix, name, $2, $3; next }
      for (i = 5; i <= NF; i++) {
        if (index($i, counter "=") != 1) continue
        v = substr($i, length(counter) + 2)
        sub(/\/s$/, "", v)
        scale = 1
        if (v ~ /k$/) scale = 1000
        if (v ~ /M$/) scale = 1000000
        sub(/[kM]$/, "", v)
        printf "%s%s\t%.1f\t%s\n", prefix, name, v * scale, counter
      }
    }' "$out"
}

add_gbench() {
  local out=$1 prefix=$2 counter=${3:-}
  while IFS=$'\t' read -r name figure unit; do row "$name" "$figure" "$unit" >> "$rows"; done \
    < <(gbench_rows "$out" "$prefix" "$counter")
}

cd "$repo/build"

say "physics_bench"
bench/physics_bench "${min_time[@]}" > "$work/physics.txt" 2> "$work/physics.err" ||
  failed physics_bench "$work/physics.err"
add_gbench "$work/physics.txt" "physics "

say "race_bench"
bench/race_bench "${min_time[@]}" > "$work/race.txt" 2> "$work/race.err" ||
  failed race_bench "$work/race.err"
add_gbench "$work/race.txt" ""

say "world_cull_bench"
bench/world_cull_bench "${min_time[@]}" > "$work/cull.txt" 2> "$work/cull.err" ||
  failed world_cull_bench "$work/cull.err"
add_gbench "$work/cull.txt" ""

say "frontend_bench"
xvfb-run -a -s "-screen 0 1024x768x24" bench/frontend_bench "${min_time[@]}" \
  > "$work/frontend.txt" 2> "$work/frontend.err" || failed frontend_bench "$work/frontend.err"
add_gbench "$work/frontend.txt" "front end " fps

# The race drawn by the game's own path: tools/race_frame --bench prints each pass's
# median, the whole frame's (FRAME), the race load (LOAD) and the loader's own time for
# the menu content. $1 size, $2 shadows, $3 reflections, $4 budget in ms, $5 race.
gl_renderer=""
menu_ms=""
race_frame() {
  local size=$1 shadows=$2 reflections=$3 budget=$4 race=${5:-1} screen=1024x768
  [ "${size%x*}" -gt 1024 ] && screen=$size
  local out=$work/frame_${size}_${shadows}${reflections}_$race.txt
  say "race_frame --bench --race $race --size $size --shadows $shadows --reflections $reflections"
  xvfb-run -a -s "-screen 0 ${screen}x24" tools/race_frame --bench --frames "$frames" --race "$race" --size "$size" \
    --sight 300 --shadows "$shadows" --reflections "$reflections" > "$out" 2>&1 || {
    failed race_frame "$out"
    return 0
  }
  [ -n "$gl_renderer" ] || gl_renderer=$(sed -n 's/^GL //p' "$out" | head -n 1)
  [ -n "$menu_ms" ] || menu_ms=$(sed -n 's/^loader: menu content loaded in \([0-9]*\) ms$/\1/p' "$out" | head -n 1)
  if [ -n "$budget" ]; then
    row "race frame $size, shadows $shadows, reflections $reflections" \
      "$(awk '/^FRAME/ { print $2 }' "$out")" ms "$budget" >> "$rows"
  fi
  # The loads are taken from the runs at 1024 x 768 with shadows and reflections alone:
  # one figure per race.
  if [ "$size" = 1024x768 ] && [ "$shadows$reflections" = 11 ]; then
    row "load: race $race" "$(awk -v r="race_$race" '$1 == "LOAD" && $2 == r { print $3 }' "$out")" ms >> "$work/loads"
  fi
}
: > "$work/loads"
race_frame 800x600 1 1 40
race_frame 800x600 0 0 35
# The shipped settings (no shadows, reflections 1, sight 300): 30 frames a second
# without a graphics card.
race_frame 1024x768 0 1 33
race_frame 1024x768 1 1 40
race_frame 1920x1080 1 1 100
# One race of each landscape: races 4 to 30 take the same three worlds in turn. A quick
# run loads race 1 alone.
if [ "$quick" -eq 0 ]; then
  race_frame 1024x768 1 1 "" 2
  race_frame 1024x768 1 1 "" 3
fi

# The game itself from its start to the intro's first frame: the window, the renderer
# and the base textures, timed by the "screen 100" line it prints.
say "the game's start"
intro_run() {
  local log=$1
  export HOME=$2 ALSOFT_DRIVERS=null
  unset XDG_CONFIG_HOME
  local start game
  start=$(date +%s%3N)
  ./kelvamor > "$log.raw" 2>&1 &
  game=$!
  # The loader takes the menu content once the intro has played ten seconds.
  for ((i = 0; i < 1200; i++)); do
    grep -q '^screen 100$' "$log.raw" && [ ! -s "$log.intro" ] && echo $(($(date +%s%3N) - start)) > "$log.intro"
    grep -q '^loader: menu content loaded' "$log.raw" && break
    kill -0 "$game" 2>/dev/null || break
    sleep 0.05
  done
  kill "$game" 2>/dev/null || true
  wait "$game" 2>/dev/null || true
}
mkdir -p "$work/home"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c "$(declare -f intro_run); intro_run '$work/game' '$work/home'" >&2 || true
intro_ms=$(cat "$work/game.intro" 2>/dev/null || true)
game_menu_ms=$(sed -n 's/^loader: menu content loaded in \([0-9]*\) ms$/\1/p' "$work/game.raw" 2>/dev/null | head -n 1)
{
  row "load: start to intro" "$intro_ms" ms
  row "load: menu content (the game)" "$game_menu_ms" ms
  row "load: menu content (race_frame)" "$menu_ms" ms
  cat "$work/loads"
} >> "$rows"

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
[ -n "$cpu" ] || cpu=$(lscpu 2>/dev/null | sed -n 's/^Model name:[[:space:]]*//p' | head -n 1)
# The load average at the end: figures taken beside other work are not the host's own.
echo "Measured $(date -u '+%Y-%m-%d %H:%M UTC') on ${cpu:-an unknown CPU}, $(nproc) cores, GL: ${gl_renderer:-unknown}" \
  "($([ "$quick" -eq 1 ] && echo quick run || echo full run), ${frames} race frames, $((SECONDS - began)) s," \
  "load average $(cut -d ' ' -f 1 /proc/loadavg))."
echo
echo "| benchmark | figure | unit | budget |"
echo "|---|---|---|---|"
cat "$rows"
