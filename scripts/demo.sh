#!/usr/bin/env bash
# Installs what is missing, builds the plug-in bundle (its artwork included) and the test host in a build folder
# of its own (build/demo), and renders a test signal through every factory preset, printing latency, peak and RMS
# per preset, then draws the editor without a display after the "Warm" preset has processed the signal. The
# rendered files and the editor's picture stay in build/demo/renders, named at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
BUILD=build/demo
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDROVIK_TESTS=OFF -DDROVIK_BENCH=OFF >/dev/null
cmake --build "$BUILD" --target drovik_vst drovik_artwork drovik-host drovik-editor-picture

HOST="$BUILD/tools/drovik-host"
BUNDLE="$BUILD/Drovik.vst"
RENDERS="$BUILD/renders"
rm -rf "$RENDERS"
mkdir -p "$RENDERS"
"$HOST" generate "$RENDERS/signal.wav" --rate 48000 --seconds 2

# The factory presets as normalised parameter values (index=value): saturation on/off (15), placement (16),
# mode (17: clean 0, warm 1/3, crisp 2/3), stages (18: (n-1)/4), even (19), odd (20) and fluctuation (21) in
# percent / 100, clip on (4) and ceiling (5: (dB + 60) / 60).
PRESETS=(
  "Init|"
  "Light|15=1 16=0 17=0 18=0 19=0.25 20=0.25 21=0"
  "Medium|15=1 16=0 17=0 18=0.25 19=0.514 20=0.514 21=0"
  "Warm|15=1 16=0 17=0.33333334 18=0.25 19=0.611 20=0.343 21=0.03"
  "Crazy|15=1 16=0 17=0.6666667 18=0.5 19=0.824 20=0.683 21=0.29"
  "Fuzzy|4=1 5=0.54333333 15=1 16=0 17=0.6666667 18=1 19=0.001 20=1 21=0.342"
  "Hit the ceiling|4=1 5=0.67 15=1 16=0 17=0.6666667 18=1 19=0.433 20=0.788 21=0"
  "Transformey|15=1 16=0 17=0.6666667 18=1 19=0 20=0.797 21=0"
  "Tubey|15=1 16=0 17=0.33333334 18=1 19=1 20=0 21=0"
  "Unstable Drive|15=1 16=0 17=0.33333334 18=1 19=0.751 20=0.749 21=1"
)

echo
printf '%-16s %10s %12s %12s\n' "preset" "latency" "peak dBFS" "RMS dBFS"
for entry in "${PRESETS[@]}"; do
  name=${entry%%|*}
  args=()
  for pair in ${entry#*|}; do args+=(--param "$pair"); done
  report=$("$HOST" process "$BUNDLE" "$RENDERS/signal.wav" "$RENDERS/${name// /-}.wav" --block 512 "${args[@]}")
  latency=$(sed -n 's/^latency: \([0-9-]*\) samples$/\1/p' <<<"$report")
  peak=$(sed -n 's/^peak: \(.*\) dBFS$/\1/p' <<<"$report")
  rms=$(sed -n 's/^rms: \(.*\) dBFS$/\1/p' <<<"$report")
  printf '%-16s %10s %12s %12s\n' "$name" "$latency" "$peak" "$rms"
done

# The editor as a musician sees it after the "Warm" preset has processed the signal: meters, lamps and numbers
# showing the last moments of it.
"$BUILD/tools/editor_picture/drovik-editor-picture" "$RENDERS/editor.png" --input "$RENDERS/signal.wav" \
  --preset Warm >/dev/null

echo
echo "The test signal, one file per preset (aligned with the signal) and the editor's picture (editor.png) are in"
echo "$(cd "$RENDERS" && pwd)"
