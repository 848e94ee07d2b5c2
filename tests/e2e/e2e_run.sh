# Shared by the end-to-end scripts that bring their own virtual X server. Sourced first
# thing, with $e2e_name set and the script's arguments passed on:
#   e2e_name=career; source "$(dirname "$0")/e2e_run.sh" "$@"
# Outside, it re-runs the script under xvfb-run with a whole-run limit and exits with
# its status. Inside, it sets $repo, $work (a throw-away folder), $shots, $log and an
# empty $game, sources game_keys.sh, and on exit ends a game still running and removes
# $work.
#
#   KELVAMOR_E2E_SHOTS=DIR        keeps screenshots in DIR
#   KELVAMOR_E2E_LIMIT=SECONDS    whole-run limit (default 1200)
#   KELVAMOR_E2E_BUILD=FOLDER     the build folder in the worktree whose game and base/
#                                 run (default build; the thread sanitizer lane's is
#                                 build-tsan)

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
limit=${KELVAMOR_E2E_LIMIT:-1200}
export KELVAMOR_E2E_BUILD=${KELVAMOR_E2E_BUILD:-build}
build_dir=$repo/$KELVAMOR_E2E_BUILD

if [ "${1:-}" != "--inside" ]; then
  [ -x "$build_dir/kelvamor" ] || { echo "$e2e_name: $KELVAMOR_E2E_BUILD/kelvamor missing (build first)" >&2; exit 1; }
  for tool in xvfb-run xdotool import convert; do
    command -v "$tool" >/dev/null || { echo "$e2e_name: $tool missing" >&2; exit 1; }
  done
  e2e_status=0
  # A default xvfb-run screen (1280 x 1024) has no 1024 x 768 mode: the game would end
  # at start. The server's key repeat waits longer than any held key: on a loaded
  # machine a letter held a quarter second could otherwise be typed several times.
  # Scripts started together would all try the same first free display; a random first
  # number keeps them apart (-a searches on from the -n given before it).
  timeout --kill-after=10 "$limit" \
    xvfb-run -n $((100 + RANDOM % 800)) -a -s "-screen 0 1024x768x24 -ardelay 3000 -arinterval 1000" \
    "$0" --inside || e2e_status=$?
  [ "$e2e_status" -eq 124 ] && echo "$e2e_name: FAILED: no result within ${limit} s" >&2
  exit "$e2e_status"
fi

work=$(mktemp -d)
shots=${KELVAMOR_E2E_SHOTS:-$work/shots}
mkdir -p "$shots"
log=$work/game.log
game=""
e2e_cleanup() {
  if [ -n "$game" ] && kill -0 "$game" 2>/dev/null; then kill "$game" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap e2e_cleanup EXIT

source "$repo/tests/e2e/game_keys.sh"

shot() { import -window root "$shots/$1.png"; }
# A screen change fades for about a second before the new screen takes keys.
settle() { sleep 1.2; }
