#!/usr/bin/env bash
# Shared by run.sh and test.sh: install what is missing, configure, build.
set -euo pipefail

PACKAGES=(build-essential cmake ninja-build pkg-config libsdl2-dev libopenal-dev libalut-dev
          libglu1-mesa-dev libgl-dev libgtest-dev libbenchmark-dev xvfb xauth
          zlib1g-dev)

install_missing() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# build DIR [TARGET...]: configures DIR once, then builds the targets named (every
# target when none is).
build() {
  local dir="$1"; shift
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S . -B "$dir" -G Ninja
  fi
  if [ $# -gt 0 ]; then
    cmake --build "$dir" -j "$(nproc)" --target "$@"
  else
    cmake --build "$dir" -j "$(nproc)"
  fi
}
