#!/usr/bin/env bash
# Installs the Debian 12 packages the project needs (only those missing) and
# builds it in Release into build/. Sourced by run.sh, test.sh and package.sh.
# clang with its runtime libraries (libFuzzer, the sanitizers; only recommended
# by the clang package) and its OpenMP builds the fuzz targets of the test
# command. help2man and rsvg-convert make the manual pages and the PNG icons of
# the build; dpkg-dev gives CPack the package's library dependencies; the rest
# of the last line checks the package (scripts/check_package.sh). The tests
# read the text of the PDF reports with pdftotext (poppler-utils). pybind11 with
# the Python headers builds the Python module ltr; NumPy and pytest test it,
# Matplotlib draws the plots of its example (docs/examples).
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${LTR_BUILD_DIR:-$ROOT/build}"

PACKAGES=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev libgl-dev qt6-charts-dev libqt6opengl6-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  nlohmann-json3-dev libcli11-dev libhwy-dev
  xvfb xauth fonts-dejavu-core poppler-utils
  qt6-translations-l10n locales jq
  clang libclang-rt-dev libomp-dev
  help2man librsvg2-bin dpkg-dev
  pybind11-dev python3-dev python3-numpy python3-pytest python3-matplotlib
  lintian desktop-file-utils appstream shared-mime-info libglib2.0-bin bash-completion man-db x11-utils
)

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The window tests also run under the desktop locales of the program's users,
# whose C library conventions write a decimal comma.
for loc in ru_RU de_DE; do
  if ! locale -a 2>/dev/null | grep -qix "${loc}.utf-\?8"; then
    echo "Making locale ${loc}.UTF-8"
    $SUDO localedef -i "$loc" -f UTF-8 "${loc}.UTF-8"
  fi
done

cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$BUILD_DIR"
