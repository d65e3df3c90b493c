#!/usr/bin/env bash
# Set-up and build, then the Debian package: build/ltr_<version>_amd64.deb
# (install it with `apt install ./build/ltr_<version>_amd64.deb`).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
(cd "$BUILD_DIR" && cpack -G DEB)
