#!/usr/bin/env bash
# Set-up and build, then the whole test suite: the Release build (core,
# command-line tool, drawing and windows); the windows, the drawing and
# ltr-cli once more under a Russian and a German desktop locale; the Debian
# package built and checked (scripts/check_package.sh); then all of it
# (the windows offscreen) once more under AddressSanitizer and
# UndefinedBehaviorSanitizer (LTR_SANITIZER_PASS=0 skips that second pass);
# then each libFuzzer target for LTR_FUZZ_SECONDS (default 60; 0 skips) from
# its corpus, as many at once as there are cores. Both builds replay the fuzz
# corpora in ctest. A crash input found by the fuzzers is kept in
# fuzz/corpus/<target>/ and fails the run.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
# Each part's start, with the minutes and seconds since the script began.
phase() { printf '[%d min %02d s] %s\n' $((SECONDS / 60)) $((SECONDS % 60)) "$*"; }
phase "The Release suite"
export QT_QPA_PLATFORM=offscreen
# setup.sh made the locales: a test that needs one fails instead of skipping.
export LTR_REQUIRE_LOCALES=1
# The cores: nproc would count OMP_NUM_THREADS instead (set below for the tests).
CORES="$(env -u OMP_NUM_THREADS -u OMP_THREAD_LIMIT nproc)"
# ctest already runs the suites side by side on every core: a run that asks for
# no thread count takes one (tests of the threads name theirs), and a waiting
# thread sleeps instead of spinning on a core another suite needs.
export OMP_NUM_THREADS=1 OMP_WAIT_POLICY=PASSIVE
# The optimisation of the sanitizer and fuzzer builds.
SANITIZER_FLAGS="-O1 -g1 -DNDEBUG"
LANG=C.UTF-8 LC_ALL=C.UTF-8 ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$CORES"

for loc in ru_RU.UTF-8 de_DE.UTF-8; do
  phase "Tests under the locale $loc"
  LANG="$loc" LC_ALL="$loc" ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$CORES" -L gui
  LANG="$loc" LC_ALL="$loc" ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$CORES" -R 'CliTest\.|python\.test_control'
done

phase "The Debian package"
ROOT="$ROOT" BUILD_DIR="$BUILD_DIR" bash "$ROOT/scripts/check_package.sh"

if [ "${LTR_SANITIZER_PASS:-1}" != "0" ]; then
  phase "The sanitizer build and suite"
  SANITIZE_DIR="${BUILD_DIR}-sanitize"
  # -O1 with line tables, as the sanitizers' manuals advise: their reports keep
  # file and line, and the build takes half the time of -O2 -g.
  cmake -S "$ROOT" -B "$SANITIZE_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$SANITIZER_FLAGS" \
    -DLTR_SANITIZE=ON -DLTR_BUILD_GUI=ON -DLTR_BUILD_BENCH=OFF
  cmake --build "$SANITIZE_DIR"
  # Leaks of third-party libraries only (Qt's and fontconfig's caches that live
  # until the process ends); see the file. The leak check at exit does not
  # follow the dynamic thread-local storage of the libraries Qt loads at run
  # time: with GCC 12's sanitizer it reads a stale entry there and crashes
  # (seen after a PDF report), and the program's own memory is never there.
  ASAN_OPTIONS="intercept_tls_get_addr=0" \
  LSAN_OPTIONS="suppressions=$ROOT/scripts/lsan.supp:print_suppressions=0" \
    ctest --test-dir "$SANITIZE_DIR" --output-on-failure -j "$CORES"
fi

FUZZ_SECONDS="${LTR_FUZZ_SECONDS:-60}"
if [ "$FUZZ_SECONDS" != "0" ] && command -v clang++ >/dev/null; then
  phase "The fuzzer build and the fuzzers"
  FUZZ_DIR="${BUILD_DIR}-fuzz"
  cmake -S "$ROOT" -B "$FUZZ_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$SANITIZER_FLAGS" \
    -DLTR_FUZZ=ON -DLTR_SANITIZE=ON -DLTR_BUILD_GUI=OFF -DLTR_BUILD_TESTS=OFF -DLTR_BUILD_BENCH=OFF
  cmake --build "$FUZZ_DIR" --target fuzzers
  # The targets run side by side, one on each core; each keeps its own time.
  fuzz_one() {  # target, working corpus: the fuzzer's exit status into <corpus>.status
    local status=0
    "$FUZZ_DIR/bin/fuzz_$1" -max_total_time="$FUZZ_SECONDS" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$ROOT/fuzz/corpus/$1/" "$2" > "$2.log" 2>&1 || status=$?
    echo "$status" > "$2.status"
  }
  targets=(vortex_file vortex_load case_file number_text)
  declare -A work
  for target in "${targets[@]}"; do
    work[$target]="$(mktemp -d)"
    cp -R "$ROOT/fuzz/corpus/$target/." "${work[$target]}/"
    phase "Fuzzing $target for $FUZZ_SECONDS s"
    fuzz_one "$target" "${work[$target]}" &
    while [ "$(jobs -rp | wc -l)" -ge "$CORES" ]; do wait -n || true; done
  done
  wait
  found=()
  for target in "${targets[@]}"; do
    dir="${work[$target]}"
    status="$(cat "$dir.status" 2>/dev/null || echo 1)"
    echo "Fuzzed $target:"
    grep -E '^(stat::number_of_executed_units|#[0-9]+ +DONE)' "$dir.log" || true
    if [ "$status" -ne 0 ]; then
      tail -n 60 "$dir.log"
      while read -r artifact; do found+=("$artifact"); done \
        < <(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$dir.log")
      [ ${#found[@]} -gt 0 ] || found+=("$target: fuzzer failed with status $status, no input kept")
    fi
    rm -rf "$dir" "$dir.log" "$dir.status"
  done
  if [ ${#found[@]} -gt 0 ]; then
    echo "Fuzzing found faults; inputs kept (replayed by ctest from now on):"
    printf '  %s\n' "${found[@]}"
    exit 1
  fi
fi
phase "Done"
