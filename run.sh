#!/usr/bin/env bash
# Installs what is missing, builds the game and generates base/, then starts it. Only
# what the game needs to play is built; ./test.sh builds the tests and the rest.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh
install_missing
build build kelvamor base
cd build
exec ./kelvamor
