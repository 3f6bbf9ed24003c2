#!/bin/bash
# Configures and builds one flavour into build/<name>: build.sh <name> [cmake options...] [-- targets...]
set -euo pipefail
cd "$(dirname "$0")/.."

name=$1; shift
options=(); targets=()
while [ $# -gt 0 ]; do
  if [ "$1" = "--" ]; then shift; targets=("$@"); break; fi
  options+=("$1"); shift
done

jobs=$(nproc)
cmake -S . -B "build/$name" -G Ninja "${options[@]}" > "build/$name.configure.log" 2>&1 \
  || { cat "build/$name.configure.log"; exit 1; }
if [ ${#targets[@]} -gt 0 ]; then
  cmake --build "build/$name" -j "$jobs" --target "${targets[@]}"
else
  cmake --build "build/$name" -j "$jobs"
fi
