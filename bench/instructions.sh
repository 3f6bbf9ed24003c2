#!/bin/bash
# Instructions per stereo frame of processBlock (48 kHz, 512-frame blocks, noise), counted by
# callgrind for the default and the full patch: bench/instructions.sh [build folder]
set -euo pipefail
build=${1:-build/release}
probe=$build/bench/varlune_frameprobe
blocks=400
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

for patch in default full; do
  # The processor keeps its files under HOME: give it the temporary folder.
  HOME=$out XDG_CONFIG_HOME=$out XDG_DATA_HOME=$out valgrind --tool=callgrind --callgrind-out-file="$out/$patch.out" \
    --toggle-collect='VarluneAudioProcessor::processBlock(*' "$probe" "$patch" "$blocks" > /dev/null 2>&1
  total=$(grep -E '^(summary|totals):' "$out/$patch.out" | head -1 | awk '{print $2}')
  awk -v t="$total" -v n=$((blocks * 512)) -v p="$patch" \
    'BEGIN { printf "%-8s patch: %.0f instructions per stereo frame\n", p, t / n }'
done
