#!/bin/bash
# Installs, builds the optimised flavour, installs the plug-in where Linux hosts look for VST 2.4
# plug-ins (~/.vst) and renders a short demo through it with the test host.
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p build

scripts/setup.sh
scripts/build.sh release -DCMAKE_BUILD_TYPE=Release

mkdir -p "$HOME/.vst"
cp build/release/plugin/Varlune.so "$HOME/.vst/Varlune.so"
echo "installed $HOME/.vst/Varlune.so"

demo=build/demo
mkdir -p "$demo"
build/release/tools/varlune_host "$HOME/.vst/Varlune.so" --signal clicks --seconds 3 --rate 48000 \
  --write-input "$demo/input.wav" --out "$demo/output.wav" --save-chunk "$demo/state.bin"
echo "demo input:  $(pwd)/$demo/input.wav"
echo "demo output: $(pwd)/$demo/output.wav"
