#!/usr/bin/env bash
# Set-up and build, then the whole test suite: the Release build (core,
# command-line tool, drawing and windows); the windows, the drawing and
# ltr-cli once more under a Russian and a German desktop locale; then the core
# and the command-line tool once more under AddressSanitizer and
# UndefinedBehaviorSanitizer (LTR_SANITIZER_PASS=0 skips that second pass).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
export QT_QPA_PLATFORM=offscreen
# setup.sh made the locales: a test that needs one fails instead of skipping.
export LTR_REQUIRE_LOCALES=1
# ctest already runs the suites side by side on every core: a run that asks for
# no thread count takes one (tests of the threads name theirs), and a waiting
# thread sleeps instead of spinning on a core another suite needs.
export OMP_NUM_THREADS=1 OMP_WAIT_POLICY=PASSIVE
LANG=C.UTF-8 LC_ALL=C.UTF-8 ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)"

for loc in ru_RU.UTF-8 de_DE.UTF-8; do
  echo "Tests under the locale $loc"
  LANG="$loc" LC_ALL="$loc" ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)" -L gui
  LANG="$loc" LC_ALL="$loc" ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)" -R 'CliTest\.'
done

if [ "${LTR_SANITIZER_PASS:-1}" != "0" ]; then
  SANITIZE_DIR="${BUILD_DIR}-sanitize"
  cmake -S "$ROOT" -B "$SANITIZE_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DLTR_SANITIZE=ON -DLTR_BUILD_GUI=OFF -DLTR_BUILD_BENCH=OFF
  cmake --build "$SANITIZE_DIR"
  ctest --test-dir "$SANITIZE_DIR" --output-on-failure -j "$(nproc)"
fi
