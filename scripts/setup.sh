#!/bin/bash
# Installs Debian bookworm packages (as root); quick when all are there.
#   setup.sh          what building the plug-in, installing it and the demo need
#   setup.sh --tests  that, and what the tests, benchmarks and fuzzers need on top
set -euo pipefail

packages=(build-essential cmake ninja-build pkg-config juce-modules-source libsndfile1-dev)

if [ "${1:-}" = "--tests" ]; then
  packages+=(
    ccache libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev valgrind
    xvfb xauth fonts-dejavu-core
    ardour
  )
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
