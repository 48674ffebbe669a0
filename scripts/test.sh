#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test in four stages, each in a build folder of this
# script's own below build/test (so another script's build folders never stand in for them):
#   release  the Release configuration with warnings as errors: every target, the benchmarks included, and
#            every test;
#   asan     the tests under AddressSanitizer + UndefinedBehaviorSanitizer (only what they run is built);
#   tsan     the threaded tests under ThreadSanitizer (only what they run is built);
#   fuzz     every libFuzzer target for a bounded time over its seed corpus, JOBS at a time.
# A stage that runs no test fails the run. STAGES="release asan" runs only the stages named.
# In CI (CI=true) the editor tests must run: when no X server can be started the run fails; elsewhere they skip.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

JOBS=${JOBS:-$(nproc)}
# Many tests wait (for an X server, a timer, a host process) more than they compute: twice as many tests as
# build jobs keep the cores busy.
TEST_JOBS=${TEST_JOBS:-$((JOBS * 2))}
STAGES=${STAGES:-release asan tsan fuzz}
FUZZ_SECONDS=${FUZZ_SECONDS:-20}
BUILD_ROOT=build/test
IN_CI=false
[ "${CI:-}" = true ] && IN_CI=true

# The editor tests draw into an X server of their own: Xvfb on the first free display number, stopped on exit.
# DROVIK_TEST_DISPLAYS=first-last confines it, and the servers the tests start themselves, to those numbers.
start_xvfb() {
  local n first=90 last=140
  if [ -n "${DROVIK_TEST_DISPLAYS:-}" ]; then
    if [[ ! "$DROVIK_TEST_DISPLAYS" =~ ^([0-9]+)-([0-9]+)$ ]] || ((10#${BASH_REMATCH[1]} > 10#${BASH_REMATCH[2]})); then
      echo "DROVIK_TEST_DISPLAYS=\"$DROVIK_TEST_DISPLAYS\" is not a range of display numbers such as 740-799" >&2
      exit 1
    fi
    first=$((10#${BASH_REMATCH[1]})) last=$((10#${BASH_REMATCH[2]}))
  fi
  for n in $(seq "$first" "$last"); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    # -noreset: the server would otherwise reset whenever its last client leaves, refusing connections meanwhile.
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    XVFB_PID=$!
    # The display is ours once its lock file names our server (another run may have taken the number first).
    for _ in $(seq 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && [ "$(tr -d ' ' <"/tmp/.X$n-lock" 2>/dev/null)" = "$XVFB_PID" ] &&
        { export DISPLAY=":$n"; return 0; }
      kill -0 "$XVFB_PID" 2>/dev/null || break
      sleep 0.1
    done
    kill "$XVFB_PID" 2>/dev/null || true
  done
  unset DISPLAY
  if [ "$IN_CI" = true ]; then
    echo "no X server could be started: in CI the editor tests must run, so the run fails" >&2
    echo "ci: 0 passed, 1 failed"
    exit 1
  fi
  echo "no X server could be started: the editor tests skip themselves" >&2
}
stop_xvfb() { [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true; }
trap stop_xvfb EXIT
start_xvfb

passed=0
failed=0
skipped=0
timings=()

# Runs CTest in a build folder and adds its counts to the totals. No test run counts as a failure; a skipped test
# (an editor test without a display, outside CI) is counted apart.
run_ctest() { # build dir, extra ctest args...
  local dir=$1; shift
  local log rc line total=0 nfail=0 nskip
  log=$(mktemp)
  set +e
  # A test that hangs fails after ten minutes instead of holding the whole run up.
  ctest --test-dir "$dir" --output-on-failure --no-tests=error --timeout 600 -j "$TEST_JOBS" "$@" 2>&1 | tee "$log"
  rc=${PIPESTATUS[0]}
  set -e
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1 || true)
  if [ -n "$line" ]; then
    total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
    nfail=$(sed -E 's/.*passed, ([0-9]+) tests failed.*/\1/' <<<"$line")
  fi
  nskip=$(grep -cE '^[[:space:]]*[0-9]+ - .* \(Skipped\)$' "$log" || true)
  passed=$((passed + total - nfail - nskip))
  failed=$((failed + nfail))
  skipped=$((skipped + nskip))
  if [ "$total" -eq 0 ]; then
    echo "stage failed: no test ran in $dir" >&2
    failed=$((failed + 1))
  elif [ "$rc" -ne 0 ] && [ "$nfail" -eq 0 ]; then
    failed=$((failed + 1))
  fi
  rm -f "$log"
}

configure() { # build dir, cmake args...
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DDROVIK_WERROR=ON "$@" >/dev/null
}

# The sanitizer builds optimise lightly and keep line tables only: they build in about half the time of -O2 -g,
# and their reports still name file and line. The tests' own code is not optimised in any stage, whatever the code
# it tests is built as: most of a stage's build is compiling tests, and their code takes a small share of their run
# (unoptimised, the release stage builds in 13 % less time and its tests run 3 % longer).
SANITIZER_FLAGS="-O1 -g1 -DNDEBUG"
SANITIZER_BUILD=(-DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=$SANITIZER_FLAGS"
  "-DCMAKE_C_FLAGS_RELWITHDEBINFO=$SANITIZER_FLAGS" -DDROVIK_BENCH=OFF -DDROVIK_TEST_OPTIMIZE=-O0)

# Builds the given targets; a build that fails counts as a failure and leaves the stage. The stage's time so far
# (its configuration included) is its build time.
build() { # build dir, targets...
  local dir=$1; shift
  if ! cmake --build "$dir" -j "$JOBS" --target "$@"; then
    echo "stage failed: the build in $dir failed" >&2
    failed=$((failed + 1))
    mark_time
    BUILD_TIME=$PART_TIME
    return 1
  fi
  mark_time
  BUILD_TIME=$PART_TIME
}

stage_release() {
  local dir=$BUILD_ROOT/release
  configure "$dir" -DCMAKE_BUILD_TYPE=Release -DDROVIK_BENCH=ON -DDROVIK_TEST_OPTIMIZE=-O0
  build "$dir" all || return 0
  run_ctest "$dir"
}

stage_asan() {
  local dir=$BUILD_ROOT/asan
  configure "$dir" -DDROVIK_SANITIZE=address,undefined "${SANITIZER_BUILD[@]}"
  build "$dir" test_programs || return 0
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    run_ctest "$dir" -LE nosan
}

stage_tsan() {
  local dir=$BUILD_ROOT/tsan
  configure "$dir" -DDROVIK_SANITIZE=thread "${SANITIZER_BUILD[@]}"
  build "$dir" threaded_test_programs || return 0
  TSAN_OPTIONS=halt_on_error=1 run_ctest "$dir" -L threaded
}

# Runs one fuzz target over its corpus; prints its log and any reproducer when it fails.
run_fuzzer() { # name corpus max_len; exits non-zero on a finding
  local name=$1 corpus=$2 max_len=$3 bin work status=0
  bin=$(find "$BUILD_ROOT/fuzz" -type f -name "$name" -perm -u+x | head -n 1)
  work=$(mktemp -d)
  "$bin" -max_total_time="$FUZZ_SECONDS" -max_len="${max_len:-0}" -rss_limit_mb=2048 -print_final_stats=0 \
    -artifact_prefix="$work/" "$work" "$corpus" >"$work.log" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    echo "-- $name: FAILED"
    tail -n 60 "$work.log"
    for a in "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-*; do
      [ -f "$a" ] && { echo "reproducer $(basename "$a"):"; xxd "$a" | head -n 20; }
    done
  else
    echo "-- $name: passed"
  fi
  rm -rf "$work" "$work.log"
  return "$status"
}

stage_fuzz() {
  local dir=$BUILD_ROOT/fuzz list
  CC=clang CXX=clang++ configure "$dir" -DDROVIK_FUZZ=ON -DDROVIK_TESTS=OFF -DDROVIK_SANITIZE=address,undefined \
    "${SANITIZER_BUILD[@]}"
  build "$dir" fuzzers || return 0
  list="$dir/fuzzers.txt"
  if [ ! -s "$list" ]; then
    echo "stage failed: no fuzz target in $list" >&2
    failed=$((failed + 1))
    return 0
  fi
  # The targets run side by side, JOBS at a time; each one's result lands in files of its own.
  local results
  results=$(mktemp -d)
  export -f run_fuzzer
  export BUILD_ROOT FUZZ_SECONDS RESULTS=$results
  grep -v '^[[:space:]]*$' "$list" | xargs -P "$JOBS" -L 1 bash -c \
    'if run_fuzzer "$0" "$1" "${2:-0}" >"$RESULTS/$0.out"; then touch "$RESULTS/$0.passed"; fi'
  for out in "$results"/*.out; do
    cat "$out"
    if [ -e "${out%.out}.passed" ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
  done
  rm -rf "$results"
}

# CPU seconds used so far by this script's finished children (builds, tests), into CPU: with the wall time it
# shows how much of a stage's time a busy machine added. (times must run in this shell, not a subshell.)
CPU=0
read_cpu_seconds() {
  local file
  file=$(mktemp)
  times >"$file"
  CPU=$(tail -n 1 "$file" | awk '{ t = 0; for (i = 1; i <= 2; i++) { split($i, p, /[ms]/); t += p[1] * 60 + p[2] } printf "%d", t }')
  rm -f "$file"
}

# The wall and CPU seconds since the last mark, into PART_TIME; marks the present. (Must run in this shell.)
MARK_SECONDS=$SECONDS
MARK_CPU=0
mark_time() {
  read_cpu_seconds
  PART_TIME="$((SECONDS - MARK_SECONDS)) s (CPU $((CPU - MARK_CPU)) s)"
  MARK_SECONDS=$SECONDS
  MARK_CPU=$CPU
}

# Each stage's build and its tests are timed apart: "release build 300 s (CPU 580 s) + tests 30 s (CPU 50 s)".
run_start=$SECONDS
for stage in $STAGES; do
  echo "== stage $stage =="
  mark_time
  BUILD_TIME="0 s (CPU 0 s)"
  "stage_$stage"
  mark_time
  timings+=("$stage build $BUILD_TIME + tests $PART_TIME")
done

echo "stage times: $(IFS=';'; echo "${timings[*]}" | sed 's/;/; /g'); total $((SECONDS - run_start)) s"
if [ "$skipped" -eq 0 ]; then
  echo "ci: $passed passed, $failed failed"
else
  echo "ci: $passed passed, $failed failed, $skipped skipped (no display)"
fi
[ "$failed" -eq 0 ]
