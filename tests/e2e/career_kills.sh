#!/usr/bin/env bash
# A first career played by keys and cut short ten times: at moments drawn from a seeded
# random within each stretch of it (the menus, a race, a race loading, the finish and
# results, the car shop) the game gets SIGKILL or SIGTERM, then starts again and the
# career goes on from where it stands. Each stretch gets both signals, except the
# finish and results, which one race reaches once and the seed gives one of them.
#   SIGKILL: career.inf is whole (1080 bytes) and byte for byte the career last saved:
#     after the name entry's NEXT, the race bookkeeping at the finish, BUY, or a quit.
#     The next start takes it without a repair: no "career.inf:" line, and the copy it
#     writes back at once is the same file.
#   SIGTERM: the game quits with status 0 and writes menu.inf (196 bytes, the settings
#     unchanged) and career.inf (1080 bytes, the car, cash and race records as last
#     saved); the next start takes them as SIGKILL's does.
# The career is career.sh's: CAREER, the name "ivan", NEXT, COMPETITIONS, SELECT, START,
# one race driven by the autopilot to the results, NEXT, CAR SHOP, the next car, BUY.
# The races cut short are cut early, so only one is driven to the end.
#
#   tests/e2e/career_kills.sh          (from anywhere; needs build/kelvamor and build/base)
#   KELVAMOR_E2E_SEED=N ...            the moments of an earlier run (it prints its seed)
#   KELVAMOR_E2E_SHOTS=DIR ...         keeps a screenshot of each moment in DIR
#   KELVAMOR_E2E_LIMIT=SECONDS ...     whole-run limit (default 1200)
set -euo pipefail

e2e_name=career_kills
source "$(dirname "$0")/e2e_run.sh" "$@"
fail() { e2e_fail "$@"; }

seed=${KELVAMOR_E2E_SEED:-$(((RANDOM << 15 | RANDOM) % 1000000))}
[[ $seed =~ ^[0-9]+$ ]] || fail "KELVAMOR_E2E_SEED is not a number: $seed"
echo "career_kills: seed $seed (KELVAMOR_E2E_SEED=$seed draws these moments again)"
# Every draw is made here, in this shell: a subshell would start its own sequence.
RANDOM=$seed

# The moments, in the order they are played. A race is cut before a load is: the load
# cut is drawn as a share of the shortest load seen, so that it lands inside the next
# (one that still ends first is played again, cut sooner).
phase=() sig=() stop=() draw=()
add() { phase+=("$1"); sig+=("$2"); stop+=("$3"); draw+=("$4"); }
signals() { if ((RANDOM % 2)); then first=KILL second=TERM; else first=TERM second=KILL; fi; }
menu_stops=(intro main_menu career_entry hub championship select_race)
menu_count=$((2 + RANDOM % 2))
signals
for ((n = 0; n < menu_count; n++)); do
  s=$second; ((n == 0)) && s=$first; ((n == 2)) && { ((RANDOM % 2)) && s=KILL || s=TERM; }
  at=${menu_stops[RANDOM % ${#menu_stops[@]}]}
  # The intro lasts while the menu content loads: a cut anywhere in its first 9 s.
  if [ "$at" = intro ]; then add menus "$s" "$at" $((RANDOM % 90)); else add menus "$s" "$at" $((RANDOM % 16)); fi
done
signals
add race "$first" race $((10 + RANDOM % 140))
add race "$second" race $((10 + RANDOM % 140))
signals
# Tenths of a second for the others; percent of the shortest race load seen here.
add loading "$first" loading $((5 + RANDOM % 56))
add loading "$second" loading $((5 + RANDOM % 56))
((RANDOM % 2)) && s=KILL || s=TERM
((RANDOM % 2)) && at=finish || at=results
add results "$s" "$at" $((RANDOM % 16))
signals
shop_count=$((5 - menu_count))
for ((n = 0; n < shop_count; n++)); do
  s=$second; ((n == 0)) && s=$first; ((n == 2)) && { ((RANDOM % 2)) && s=KILL || s=TERM; }
  # The last one comes after BUY, back in the shop; the others while browsing.
  if ((n == shop_count - 1)); then at=bought; else ((RANDOM % 2)) && at=shop || at=browsed; fi
  add shop "$s" "$at" $((RANDOM % 16))
done

describe() {
  local d=${draw[$1]}
  case ${stop[$1]} in
    loading) echo "${phase[$1]}: ${d}% into the race load, SIG${sig[$1]}" ;;
    *) echo "${phase[$1]}: ${stop[$1]} + $((d / 10)).$((d % 10)) s, SIG${sig[$1]}" ;;
  esac
}
for ((m = 0; m < ${#phase[@]}; m++)); do echo "career_kills: moment $((m + 1)): $(describe $m)"; done

new_player "$work/home"

# The files as the game last saved them, as far as this script knows.
booked=$work/career.booked
booked_menu=$work/menu.booked
cp "$folder/career.inf" "$booked"
cp "$folder/menu.inf" "$booked_menu"
book() {
  cp "$folder/career.inf" "$booked"
  echo "career_kills:   saved: $1"
}

u32() { od -An -tu4 -j"$2" -N4 "$1" | tr -d ' '; }
f32() { od -An -tf4 -j"$2" -N4 "$1" | awk '{ printf "%d", $1 }'; }
name_of() { od -An -c -j160 -N9 "$1" | tr -d ' '; }
# The bytes the menus may change without a save: the name while it is typed (160-175),
# the race chosen and the bracket stage (244-251), the race mode, the quick race and
# the first-career flag (1060-1079). A quit writes those; the rest must be as saved.
same_records() {
  cmp -s -n 160 "$1" "$2" && cmp -s -i 176:176 -n 68 "$1" "$2" && cmp -s -i 252:252 -n 808 "$1" "$2"
}
# The career file as the script last knew it saved.
expect_booked() {
  local when=$1
  [ "$(stat -c %s "$folder/career.inf")" -eq 1080 ] || fail "$when: career.inf is $(stat -c %s "$folder/career.inf") bytes"
  cmp -s "$booked" "$folder/career.inf" ||
    fail "$when: career.inf differs from the career last saved: $(cmp "$booked" "$folder/career.inf" 2>&1 | head -1)"
  [ "$(stat -c %s "$folder/menu.inf")" -eq 196 ] || fail "$when: menu.inf is $(stat -c %s "$folder/menu.inf") bytes"
  cmp -s "$booked_menu" "$folder/menu.inf" || fail "$when: menu.inf differs from the settings last saved"
}

now() { echo "${EPOCHREALTIME/./}"; }  # microseconds
load_us=0
# Set when a load ended before its cut: the moment is played again, cut sooner.
redo=0
# A screen change waits for its fade, and on a loaded machine a frame over 0.2 s does
# not advance it: give each change a long while before calling it lost.
go() { press_until "$1" "$2" 3 40; }

# Judges the last interruption at a new start: the game wrote both files back before
# its first frame, so by "screen 100" they show whether it took them as they were.
start_checked() {
  log=$work/start_$1.log
  start_game
  wait_line "screen 100" 120
  grep -E "^(career|menu)\.inf:" "$log" && fail "start $1: the game did not take its files as they were"
  expect_booked "start $1, after loading"
  # A save cut between its open and its rename leaves its temporary file: the start
  # removes it before it reads the files.
  local left
  left=$(find "$folder" -maxdepth 1 -name '*.inf.tmp-*' | head -3)
  [ -z "$left" ] || fail "start $1: saves cut short are still there: $left"
}

# Cuts the game at the moment drawn, once the walk has reached its stop.
cut() {
  local what="moment $((m + 1)) ($(describe $m))" wait_for=${draw[m]} status=0
  if [ "${stop[m]}" = loading ]; then
    wait_for=$((load_us * draw[m] / 100 / 100000))
  fi
  sleep "$((wait_for / 10)).$((wait_for % 10))"
  kill -0 "$game" 2>/dev/null || fail "$what: the game ended on its own"
  local shown
  shown=$(grep -x "screen [0-9]*" "$log" | tail -1)
  if [ "${stop[m]}" = loading ] && [ "$shown" != "screen 32" ]; then
    echo "career_kills: $what: this load was over within $((wait_for / 10)).$((wait_for % 10)) s; again, cut sooner"
    draw[m]=$((draw[m] / 2))
    redo=1
    kill -9 "$game"
    wait "$game" 2>/dev/null || true
    game=""
    expect_booked "$what, after SIGKILL"
    return
  fi
  [ "${stop[m]}" = race ] && [ "$shown" != "screen 0" ] && fail "$what: the race was over before the cut ($shown)"
  shot "moment_$((m + 1))"
  if [ "${sig[m]}" = KILL ]; then
    kill -9 "$game"
    wait "$game" 2>/dev/null || true
    game=""
    expect_booked "$what, after SIGKILL"
    echo "career_kills: $what: killed on $shown at $((SECONDS - started)) s; the files are as last saved"
    return
  fi
  # Dated back, the files show by their time whether the quit wrote them.
  touch -d "1 hour ago" "$folder/menu.inf" "$folder/career.inf"
  kill -TERM "$game"
  for ((n = 0; n < 600; n++)); do kill -0 "$game" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$game" 2>/dev/null && fail "$what: the game still runs 60 s after SIGTERM"
  wait "$game" || status=$?
  game=""
  [ "$status" -eq 0 ] || fail "$what: the game ended with status $status after SIGTERM"
  grep -q "terminate called\|Aborted\|core dumped\|Segmentation" "$log" && fail "$what: the game aborted"
  [ "$(stat -c %s "$folder/menu.inf")" -eq 196 ] || fail "$what: menu.inf is not 196 bytes"
  [ "$(stat -c %s "$folder/career.inf")" -eq 1080 ] || fail "$what: career.inf is not 1080 bytes"
  [ -n "$(find "$folder" -name menu.inf -mmin -30)" ] || fail "$what: the quit did not write menu.inf"
  [ -n "$(find "$folder" -name career.inf -mmin -30)" ] || fail "$what: the quit did not write career.inf"
  cmp -s "$booked_menu" "$folder/menu.inf" || fail "$what: the quit changed the settings"
  same_records "$booked" "$folder/career.inf" || fail "$what: the quit changed the car, cash or race records"
  book "the quit"
  echo "career_kills: $what: quit with status 0 on $shown at $((SECONDS - started)) s; both files written"
}

reached() {
  [ "${stop[m]}" = "$1" ] || return 1
  cut
  return 0
}

# The race bookkeeping: one attempt more, and the prize of the place in the cash.
check_booking() {
  local before=$1 after=$2 k changed=-1
  for ((k = 0; k < 30; k++)); do
    local a b
    a=$(u32 "$after" $((496 + 4 * k)))
    b=$(u32 "$before" $((496 + 4 * k)))
    if [ "$a" != "$b" ]; then
      [ "$changed" -lt 0 ] && [ "$a" = $((b + 1)) ] || fail "race attempts of race $((k + 1)): $b, then $a"
      changed=$k
    fi
  done
  [ "$changed" -ge 0 ] || fail "the finished race booked no attempt"
  local place prize
  place=$(u32 "$after" $((256 + 4 * changed)))
  case $place in
    1) prize=5000 ;; 2) prize=3000 ;; 3) prize=1000 ;; 5) prize=0 ;;
    *) fail "best place of race $((changed + 1)) is $place" ;;
  esac
  [ "$(f32 "$after" 176)" = $(($(f32 "$before" 176) + prize)) ] ||
    fail "place $place: cash $(f32 "$before" 176), then $(f32 "$after" 176)"
  echo "career_kills:   race $((changed + 1)) finished in place $place; cash $(f32 "$after" 176)"
}

# The shop: CAR SHOP is the hub's last item, steps past it stay on it.
walk_shop() {
  for k in Right Right Right; do key "$k" 0.15; sleep 0.5; done
  go Return "screen 15"
  settle
  reached shop && return
  # One step to car 1; the item bar steps a held key again after 0.35 s.
  key Right 0.2
  sleep 0.5
  reached browsed && return
  local before=$work/career.before_buy
  cp "$booked" "$before"
  # BUY waits until the browsed car is the one on show.
  go Return "screen 10"
  book "BUY"
  [ "$(u32 "$booked" 236)" = 1 ] || fail "BUY: career.inf car is $(u32 "$booked" 236), not 1"
  [ "$(f32 "$booked" 176)" = $(($(f32 "$before" 176) - 10000)) ] || fail "BUY: cash is $(f32 "$booked" 176)"
  settle
  # The hub comes back with CAR SHOP selected.
  go Return "screen 15"
  settle
  reached bought && return
  fail "moment $((m + 1)) has no stop '${stop[m]}' in the shop"
}

# From the start to the moment's stop, saving what the career saves on the way.
walk() {
  reached intro && return
  wait_menu_content
  sleep 1
  go Return "screen 1"
  settle
  reached main_menu && return
  # CAREER: the name entry for a first career, the career menu once it has a name.
  press_until_any Return 3 40 "screen 80" "screen 8"
  settle
  reached career_entry && return
  if [ "$seen" = "screen 80" ]; then
    type_name ivan
    go Return "screen 10"
    book "the name entry's NEXT"
    [ "$(name_of "$booked")" = 'ivan\0\0\0\0\0' ] || fail "the name entry saved '$(name_of "$booked")', not ivan"
  else
    go Return "screen 10"
  fi
  settle
  reached hub && return
  if [ "${phase[m]}" = shop ]; then
    walk_shop
    return
  fi
  go Return "screen 30"
  settle
  reached championship && return
  go Return "screen 31"
  settle
  reached select_race && return
  go Return "screen 32"
  local load_start
  load_start=$(now)
  reached loading && return
  wait_line "screen 0" 300
  local took=$(($(now) - load_start))
  echo "career_kills:   the race load took $((took / 1000)) ms"
  # The shortest load seen: the cut must land inside the next one.
  ((load_us == 0 || took < load_us)) && load_us=$took
  reached race && return
  local before=$work/career.before_race race_start=$SECONDS
  cp "$booked" "$before"
  wait_line "screen 33" 600
  echo "career_kills:   the race took $((SECONDS - race_start)) s"
  # The bookkeeping saved the career before the finish screen.
  book "the race bookkeeping"
  check_booking "$before" "$booked"
  reached finish && return
  wait_line "screen 34" 120
  settle
  reached results && return
  fail "moment $((m + 1)) has no stop '${stop[m]}'"
}

started=$SECONDS
starts=0
for ((m = 0; m < ${#phase[@]}; m++)); do
  redo=1
  while ((redo)); do
    redo=0
    starts=$((starts + 1))
    start_checked $starts
    walk
  done
done
starts=$((starts + 1))
start_checked $starts
[ "$(u32 "$booked" 236)" = 1 ] || fail "the career ended without the car bought"
kill -TERM "$game"
status=0
wait "$game" || status=$?
game=""
[ "$status" -eq 0 ] || fail "the last start ended with status $status after SIGTERM"
echo "career_kills: passed in $((SECONDS - started)) s (seed $seed)"
