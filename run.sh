#!/usr/bin/env bash
# Installs what is missing, builds, generates base/ and starts the game.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh
install_missing
build build
cd build
exec ./kelvamor
