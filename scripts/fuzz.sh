#!/usr/bin/env bash
# Builds the whole tree with Clang, coverage counters and the address and undefined-
# behaviour checks in build-fuzz/ (which makes this the tree's Clang build too), then
# runs every libFuzzer target of fuzz/ for SECONDS, up to FUZZ_JOBS (default: nproc)
# at a time, each on a copy of its seed corpus so fuzz/corpus/ never grows. Exits
# non-zero when a target found a crash, a leak, a timeout or undefined behaviour,
# naming the target and its reproducer.
#
#   scripts/fuzz.sh 10                          # every target, 10 s each
#   FUZZ_JOBS=4 FUZZ_BUILD_JOBS=4 nice -n 19 scripts/fuzz.sh 600   # on a shared machine
#   FUZZ_TARGETS="model_sbm_fuzz image_tga_fuzz" scripts/fuzz.sh 60
#
# One target by hand, from the repository root:
#   CXX=clang++ CC=clang cmake -S . -B build-fuzz -G Ninja -DKELVAMOR_FUZZ=ON
#   cmake --build build-fuzz --target model_sbm_fuzz
#   mkdir -p /tmp/sbm-corpus && cp fuzz/corpus/model_sbm_fuzz/* /tmp/sbm-corpus/
#   build-fuzz/fuzz/model_sbm_fuzz /tmp/sbm-corpus -max_total_time=600
# and a reproducer it wrote (crash-*, leak-*, timeout-*) replays alone:
#   build-fuzz/fuzz/model_sbm_fuzz crash-<hash>
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-}
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ]; then
  echo "usage: scripts/fuzz.sh SECONDS" >&2
  exit 2
fi
jobs=${FUZZ_JOBS:-$(nproc)}
build_jobs=${FUZZ_BUILD_JOBS:-$(nproc)}

source scripts/setup.sh
PACKAGES=(clang libclang-rt-14-dev cmake ninja-build)
install_missing

started=$(date +%s)
if [ ! -f build-fuzz/build.ninja ]; then
  CXX=clang++ CC=clang cmake -S . -B build-fuzz -G Ninja -DKELVAMOR_FUZZ=ON
fi
cmake --build build-fuzz -j "$build_jobs"
built=$(date +%s)
echo "fuzz: build took $((built - started)) s"

targets=()
if [ -n "${FUZZ_TARGETS:-}" ]; then
  read -r -a targets <<<"$FUZZ_TARGETS"
else
  for t in build-fuzz/fuzz/*_fuzz; do [ -f "$t" ] && [ -x "$t" ] && targets+=("$(basename "$t")"); done
fi
if [ ${#targets[@]} -eq 0 ]; then
  echo "fuzz: no targets in build-fuzz/fuzz" >&2
  exit 1
fi

# Results stay on disk only when something was found.
out=$(mktemp -d "${TMPDIR:-/tmp}/kelvamor-fuzz.XXXXXX")
# The targets' scratch files, in memory where that exists.
scratch_parent=/dev/shm
[ -d "$scratch_parent" ] || scratch_parent=${TMPDIR:-/tmp}
scratch=$(mktemp -d "$scratch_parent/kelvamor-fuzz-scratch.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

run_one() {
  local name=$1 dir="$out/$1"
  mkdir -p "$dir/corpus" "$dir/scratch"
  if [ -d "fuzz/corpus/$name" ]; then cp "fuzz/corpus/$name"/* "$dir/corpus/"; fi
  local rc=0
  TMPDIR="$scratch" ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "build-fuzz/fuzz/$name" "$dir/corpus" -max_total_time="$seconds" -timeout=30 \
    -rss_limit_mb=2560 -print_final_stats=1 -artifact_prefix="$dir/" >"$dir/log" 2>&1 || rc=$?
  echo "$rc" >"$dir/rc"
}

for name in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
  run_one "$name" &
done
wait

failed=0
for name in "${targets[@]}"; do
  dir="$out/$name"
  rc=$(cat "$dir/rc" 2>/dev/null || echo 1)
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "$dir/log" | tail -1 | cut -d' ' -f2)
  printf 'fuzz: %-22s %s runs, cov %s' "$name" "${execs:-?}" "${cov:-?}"
  if [ "$rc" -ne 0 ]; then
    failed=1
    printf '  FAILED (exit %s)\n' "$rc"
    grep -m1 -E 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:|ALARM|out-of-memory' \
      "$dir/log" | sed 's/^/      /' || true
    for a in "$dir"/crash-* "$dir"/leak-* "$dir"/timeout-* "$dir"/oom-* "$dir"/slow-unit-*; do
      [ -e "$a" ] && echo "      reproducer: $a (log: $dir/log)"
    done
  else
    printf '\n'
  fi
done
echo "fuzz: $((built - started)) s build, $(($(date +%s) - built)) s fuzzing"
if [ "$failed" -ne 0 ]; then
  echo "fuzz: replay one with: build-fuzz/fuzz/<target> <reproducer>" >&2
  exit 1
fi
rm -rf "$out"
