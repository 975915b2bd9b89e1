#!/usr/bin/env bash
# Builds the mill and runs its benchmark on a private virtual display.
# Arguments go to the benchmark (for instance --benchmark_repetitions=5).
set -euo pipefail
MILL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$MILL_ROOT/scripts/common.sh"

ensure_packages $MILL_BUILD_PACKAGES $MILL_TEST_PACKAGES
build_mill "$MILL_ROOT/build" -DMILL_BENCHMARK=ON
trap stop_xvfb EXIT
start_xvfb
"$MILL_ROOT/build/bench/mill_bench" "$@"
