#!/usr/bin/env bash
# Builds the mill and runs its tests, each on a private virtual display.
set -euo pipefail
MILL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$MILL_ROOT/scripts/common.sh"

ensure_packages
build_mill "$MILL_ROOT/build"
ctest --test-dir "$MILL_ROOT/build" -j "$(nproc)" --output-on-failure
