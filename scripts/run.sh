#!/usr/bin/env bash
# Set-up and build, then start the program.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
if [ -x "$BUILD_DIR/bin/ltr" ]; then
  exec "$BUILD_DIR/bin/ltr" "$@"
fi
exec "$BUILD_DIR/bin/ltr-cli" discretize "$@"
