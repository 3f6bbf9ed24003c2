#!/bin/bash
# Installs what the build and the tests need (Debian bookworm, as root). Quick when all is there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache
  juce-modules-source libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev valgrind
  xvfb xauth fonts-dejavu-core
  ardour
)

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
