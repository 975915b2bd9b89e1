#!/usr/bin/env bash
# Builds the mill as one self-contained web page, build-web/mill.html, from
# the same app/ and scene/ sources, with Debian's emscripten. GLU's quadrics
# and camera come from Debian's own libglu source package, fetched with a
# private apt setup that leaves the system's untouched.
set -euo pipefail
MILL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$MILL_ROOT/scripts/common.sh"

# npm fetches the closure compiler (below); Debian's package brings it where
# Node.js came without it. npm has the compiler built for x86 Linux alone;
# elsewhere (arm64) emscripten runs its Java build, pinned with it.
packages=$MILL_WEB_PACKAGES
command -v npm >/dev/null || packages="$packages npm"
case $(dpkg --print-architecture) in
  amd64 | i386) ;;
  *) packages="$packages default-jre-headless" ;;
esac
ensure_packages $packages
dir="$MILL_ROOT/build-web"
glu="$dir/glu"
closure="$dir/closure"

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

# The closure compiler, which makes the page half as large, from npm, at the
# version and with the dependencies web/closure pins, each checked against
# the hash the lock file gives it.
if ! cmp -s "$MILL_ROOT/web/closure/package-lock.json" "$closure/package-lock.json" ||
  [ ! -x "$closure/node_modules/.bin/google-closure-compiler" ]; then
  echo "Fetching the closure compiler from npm" >&2
  rm -rf "$closure"
  mkdir -p "$closure"
  cp "$MILL_ROOT"/web/closure/package*.json "$closure/"
  said=$(cd "$closure" && npm ci --no-audit --no-fund 2>&1) || {
    echo "$said" >&2
    rm -rf "$closure"
    exit 1
  }
fi

# Debian's emcc runs under the machine's node, which looks for emscripten's
# JavaScript modules only where Debian puts them when told.
export NODE_PATH=/usr/share/nodejs
log="$dir/build.log"
{
  emcmake cmake -S "$MILL_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DMILL_GLU_SOURCE="$glu" -DMILL_CLOSURE_COMPILER="$closure/node_modules/.bin/google-closure-compiler" \
    -DCMAKE_COMPILE_WARNING_AS_ERROR=ON &&
    cmake --build "$dir" -j "$(nproc)"
} >"$log" 2>&1 || { cat "$log" >&2; exit 1; }
echo "Built $dir/mill.html: open it in a browser with WebGL"
