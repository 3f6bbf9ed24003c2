#!/bin/bash
# Installs what the build needs, builds the optimised plug-in and its test host (no tests or
# benchmarks: scripts/test.sh installs what they need), installs the plug-in where Linux hosts look
# for VST 2.4 plug-ins (~/.vst) and renders a short demo through it with the test host.
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p build

scripts/setup.sh
scripts/build.sh plugin -DCMAKE_BUILD_TYPE=Release -DVARLUNE_BUILD_TESTS=OFF -DVARLUNE_BUILD_BENCH=OFF

mkdir -p "$HOME/.vst"
cp build/plugin/plugin/Varlune.so "$HOME/.vst/Varlune.so"
echo "installed $HOME/.vst/Varlune.so"

demo=build/demo
mkdir -p "$demo"
build/plugin/tools/varlune_host "$HOME/.vst/Varlune.so" --signal clicks --seconds 3 --rate 48000 \
  --write-input "$demo/input.wav" --out "$demo/output.wav" --save-chunk "$demo/state.bin"
echo "demo input:  $(pwd)/$demo/input.wav"
echo "demo output: $(pwd)/$demo/output.wav"
