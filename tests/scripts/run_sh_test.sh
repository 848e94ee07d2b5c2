#!/usr/bin/env bash
# ./run.sh builds only what the game needs to play (the game and the generated base/),
# not the tests and benchmarks, then starts the game from build/. Run in a copy of the
# two scripts with stand-ins for cmake, dpkg-query and the game, which log what they
# were asked.
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/tree/scripts" "$work/tree/build" "$work/bin"
cp "$repo/run.sh" "$work/tree/run.sh"
cp "$repo/scripts/setup.sh" "$work/tree/scripts/setup.sh"
: > "$work/tree/build/build.ninja"
log=$work/log
printf '#!/bin/sh\necho "cmake $*" >> "%s"\n' "$log" > "$work/bin/cmake"
printf '#!/bin/sh\necho "install ok installed"\n' > "$work/bin/dpkg-query"
printf '#!/bin/sh\necho "game in $(pwd)" >> "%s"\n' "$log" > "$work/tree/build/kelvamor"
chmod +x "$work/bin/cmake" "$work/bin/dpkg-query" "$work/tree/build/kelvamor"
PATH="$work/bin:$PATH" "$work/tree/run.sh"
fail() { echo "run_sh_test: FAILED: $*" >&2; cat "$log" >&2; exit 1; }
builds=$(grep -c '^cmake --build' "$log" || true)
[ "$builds" -eq 1 ] || fail "$builds builds, not one"
grep -Eq '^cmake --build build -j [0-9]+ --target kelvamor base$' "$log" || fail "not the game and base/ alone"
grep -qx "game in $work/tree/build" "$log" || fail "the game did not start from build/"
echo "run_sh_test: passed"
