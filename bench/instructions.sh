#!/bin/bash
# Instructions per stereo frame of processBlock (48 kHz, noise), counted by callgrind for the default
# and the full patch at several block sizes: bench/instructions.sh [build folder] [block sizes...]
set -euo pipefail
build=${1:-build/release}
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(16 32 64 512 4096)
probe=$build/bench/varlune_frameprobe
frames=204800
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

printf "%-8s" "frames"; for size in "${sizes[@]}"; do printf "%8s" "$size"; done; echo
for patch in default full; do
  printf "%-8s" "$patch"
  for size in "${sizes[@]}"; do
    blocks=$((frames / size))
    # The processor keeps its files under HOME: give it the temporary folder.
    HOME=$out XDG_CONFIG_HOME=$out XDG_DATA_HOME=$out valgrind --tool=callgrind --callgrind-out-file="$out/$patch.out" \
      --toggle-collect='VarluneAudioProcessor::processBlock(*' "$probe" "$patch" "$blocks" "$size" > /dev/null 2>&1
    total=$(grep -E '^(summary|totals):' "$out/$patch.out" | head -1 | awk '{print $2}')
    awk -v t="$total" -v n=$((blocks * size)) 'BEGIN { printf "%8.0f", t / n }'
  done
  echo
done
