#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: the warnings-as-errors builds (the default and the
# Release configuration), the same tests under AddressSanitizer + UndefinedBehaviorSanitizer, the threaded tests
# under ThreadSanitizer, and every libFuzzer target for a bounded time over its seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

JOBS=${JOBS:-$(nproc)}

# The editor tests draw into an X server of their own: Xvfb on the first free display number, stopped on exit.
start_xvfb() {
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    # -noreset: the server would otherwise reset whenever its last client leaves, refusing connections meanwhile.
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && { export DISPLAY=":$n"; return 0; }
      kill -0 "$XVFB_PID" 2>/dev/null || break
      sleep 0.1
    done
    kill "$XVFB_PID" 2>/dev/null || true
  done
  echo "no X server could be started: the editor tests skip themselves" >&2
  unset DISPLAY
}
stop_xvfb() { [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true; }
trap stop_xvfb EXIT
start_xvfb
FUZZ_SECONDS=${FUZZ_SECONDS:-20}
passed=0
failed=0

run_ctest() { # build dir, extra ctest args...
  local dir=$1; shift
  local log
  log=$(mktemp)
  set +e
  ctest --test-dir "$dir" --output-on-failure -j "$JOBS" "$@" 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  set -e
  local line
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1 || true)
  if [ -n "$line" ]; then
    local total nfail
    total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
    nfail=$(sed -E 's/.*passed, ([0-9]+) tests failed.*/\1/' <<<"$line")
    passed=$((passed + total - nfail))
    failed=$((failed + nfail))
  fi
  if [ "$rc" -ne 0 ] && [ -z "$line" -o "${nfail:-0}" = 0 ]; then
    failed=$((failed + 1))
  fi
  rm -f "$log"
  return 0
}

configure() { # build dir, cmake args...
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DDROVIK_WERROR=ON "$@" >/dev/null
}

echo "== build (warnings as errors) =="
configure build/ci
cmake --build build/ci -j "$JOBS"
run_ctest build/ci

echo "== Release build (warnings as errors) =="
configure build/release -DCMAKE_BUILD_TYPE=Release -DDROVIK_BENCH=OFF
cmake --build build/release -j "$JOBS"
run_ctest build/release

echo "== AddressSanitizer + UndefinedBehaviorSanitizer =="
configure build/asan -DDROVIK_SANITIZE=address,undefined -DDROVIK_BENCH=OFF
cmake --build build/asan -j "$JOBS"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_ctest build/asan -LE nosan

echo "== ThreadSanitizer (threaded tests) =="
configure build/tsan -DDROVIK_SANITIZE=thread -DDROVIK_BENCH=OFF
cmake --build build/tsan -j "$JOBS"
if ctest --test-dir build/tsan -N -L threaded | grep -q 'Total Tests: [1-9]'; then
  TSAN_OPTIONS=halt_on_error=1 run_ctest build/tsan -L threaded
fi

echo "== libFuzzer targets (${FUZZ_SECONDS} s each) =="
CC=clang CXX=clang++ configure build/fuzz -DDROVIK_FUZZ=ON -DDROVIK_TESTS=OFF -DDROVIK_BENCH=OFF \
  -DDROVIK_SANITIZE=address,undefined
cmake --build build/fuzz -j "$JOBS" --target fuzzers
if [ -f build/fuzz/fuzzers.txt ]; then
  while read -r name corpus max_len; do
    [ -n "$name" ] || continue
    bin=$(find build/fuzz -type f -name "$name" -perm -u+x | head -n 1)
    work=$(mktemp -d)
    echo "-- $name"
    if "$bin" -max_total_time="$FUZZ_SECONDS" -max_len="${max_len:-0}" -rss_limit_mb=2048 -print_final_stats=0 -artifact_prefix="$work/" "$work" "$corpus" \
        >"$work.log" 2>&1; then
      passed=$((passed + 1))
    else
      tail -n 60 "$work.log"
      for a in "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-*; do
        [ -f "$a" ] && { echo "reproducer $(basename "$a"):"; xxd "$a" | head -n 20; }
      done
      failed=$((failed + 1))
    fi
    rm -rf "$work" "$work.log"
  done < build/fuzz/fuzzers.txt
fi

echo "ci: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
