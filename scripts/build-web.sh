#!/usr/bin/env bash
# Builds the mill as one self-contained web page, build-web/mill.html, from
# the same app/ and scene/ sources, with Debian's emscripten. GLU's quadrics
# and camera come from Debian's own libglu source package, fetched with a
# private apt setup that leaves the system's untouched.
set -euo pipefail
MILL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$MILL_ROOT/scripts/common.sh"

ensure_packages $MILL_WEB_PACKAGES
dir="$MILL_ROOT/build-web"
glu="$dir/glu"

# Only the upstream tarball is needed, and only four files of it: the
# quadrics, the camera and the two headers they include.
if [ ! -f "$glu/libutil/quad.c" ]; then
  echo "Fetching GLU from Debian's source package" >&2
  fetch_debian_source libglu "$dir/glu-source"
  mkdir -p "$glu"
  tar -xf "$dir"/glu-source/libglu_*.orig.tar.* -C "$glu" --strip-components=2 --wildcards \
    '*/src/libutil/quad.c' '*/src/libutil/project.c' '*/src/libutil/gluint.h' \
    '*/src/include/gluos.h'
fi

# Debian's emcc runs under the machine's node, which looks for emscripten's
# JavaScript modules only where Debian puts them when told.
export NODE_PATH=/usr/share/nodejs
log="$dir/build.log"
{
  emcmake cmake -S "$MILL_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DMILL_GLU_SOURCE="$glu" -DCMAKE_COMPILE_WARNING_AS_ERROR=ON &&
    cmake --build "$dir" -j "$(nproc)"
} >"$log" 2>&1 || { cat "$log" >&2; exit 1; }
echo "Built $dir/mill.html: open it in a browser with WebGL"
