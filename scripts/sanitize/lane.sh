#!/usr/bin/env bash
# A sanitizer lane of test.sh: the suite built with -fsanitize=LIST in a folder of its
# own, run with the suppressions beside this script. Address and undefined run every
# test; thread runs the tests labelled "threaded", where our threads meet, and then one
# quick race played by keys through the whole game (tests/e2e/quick_race.sh), the only
# run in which the race-update thread works beside the game's own main loop. The other
# key-driven scripts are left to the plain lane: each drives a whole game for minutes.
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/setup.sh

list="$1"
case "$list" in
  address,undefined | undefined,address) dir=build-asan ;;
  thread) dir=build-tsan ;;
  *thread*) echo "test.sh: ThreadSanitizer runs alone (--sanitize thread)" >&2; exit 2 ;;
  *) dir="build-san-${list//,/-}" ;;
esac
jobs="${KELVAMOR_JOBS:-$(nproc)}"

# The list is written again every time, so a folder never keeps an older one.
cmake -S . -B "$dir" -G Ninja -DKELVAMOR_SANITIZE="$list" > /dev/null
if [ "$list" = thread ]; then
  # Only what the threaded tests run: the rest would be built for nothing.
  cmake --build "$dir" -j "$jobs" --target kelvamor base race_frame $(tr ';' ' ' < "$dir/threaded_tests.txt")
else
  cmake --build "$dir" -j "$jobs"
fi

supp="$PWD/scripts/sanitize"
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME="$home"
export ALSOFT_DRIVERS=null
export XDG_CONFIG_HOME="$home/.config"
# halt_on_error: the first report ends the process with a failure, so a test that
# reached it fails even when its own checks passed.
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=1:strict_init_order=1"
export LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
# Reports do not stop the run (a second one often names the other side), but any of
# them makes the process exit with 66.
export TSAN_OPTIONS="suppressions=$supp/tsan.supp:second_deadlock_stack=1:history_size=4:exitcode=66"

# The GL driver is unloaded when the last context goes, before LeakSanitizer looks: its
# blocks then come from "<unknown module>" and no suppression can name them, and the
# scan of a thread's storage for the unloaded driver now and then crashes the leak
# tracer ("Tracer caught signal 11"). Loaded from the start, it is never unloaded.
# The runtime need not come first then: nothing the driver brings defines malloc.
keep=()
if [[ "$list" == *address* ]]; then
  driver=$(ls /usr/lib/*/dri/swrast_dri.so 2>/dev/null | head -1 || true)
  if [ -n "$driver" ]; then
    export ASAN_OPTIONS="$ASAN_OPTIONS:verify_asan_link_order=0"
    keep=(env LD_PRELOAD="$driver")
  else
    echo "sanitize: no swrast_dri.so found; leaks in the GL driver will show as unknown" >&2
  fi
fi

select=()
[ "$list" = thread ] && select=(-L threaded)
status=0
xvfb-run -a -s "-screen 0 1024x768x24" "${keep[@]}" \
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 1800 "${select[@]}" || status=$?
if [ "$list" = thread ]; then
  # Any report makes the game end with 66, which the script fails on, showing the
  # game's output with the report. The instrumented race runs several times slower than
  # the plain one (about 8 minutes of a 10-minute run on llvmpipe): a wider limit.
  KELVAMOR_E2E_BUILD="$dir" KELVAMOR_E2E_LIMIT="${KELVAMOR_E2E_LIMIT:-2400}" tests/e2e/quick_race.sh || status=1
fi
if [ "$list" != thread ] && [ -x "$dir/tools/basegen" ]; then
  "$dir/tools/basegen" --check "$dir/base" || status=1
fi
exit $status
