#!/bin/bash
# Installs, builds the optimised flavour and runs the main job: a test signal through the processor.
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p build

scripts/setup.sh
scripts/build.sh release -DCMAKE_BUILD_TYPE=Release
build/release/tools/varlune_demo
