#!/usr/bin/env bash
# Builds the mill as one self-contained web page, build-web/mill.html, from
# the same app/ and scene/ sources, with Debian's emscripten. GLU's quadrics
# and camera come from Debian's own libglu source package, fetched with a
# private apt setup that leaves the system's untouched.
set -euo pipefail
MILL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$MILL_ROOT/scripts/common.sh"

# npm fetches the closure compiler (below); Debian's package brings it where
# Node.js came without it. npm may have the compiler built for x86 Linux
# alone; elsewhere (arm64) emscripten runs its Java build, pinned with it.
# xz unpacks emscripten's source.
packages="$MILL_WEB_PACKAGES xz-utils"
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

# The closure compiler, which makes the page half as large, from npm: the
# version the installed emscripten expects, with the dependencies it pins,
# each checked against its hash, as that emscripten's own package.json and
# package-lock.json give them in Debian's source package.
emscripten=$(dpkg-query -W -f='${Version}' emscripten)
if [ "$(cat "$closure/emscripten" 2>/dev/null)" != "$emscripten" ] ||
  [ ! -x "$closure/node_modules/.bin/google-closure-compiler" ]; then
  echo "Fetching the closure compiler that emscripten $emscripten expects from npm" >&2
  rm -rf "$closure"
  fetch_debian_source "emscripten=$emscripten" "$dir/emscripten-source"
  mkdir -p "$closure"
  tar -xf "$dir"/emscripten-source/emscripten_*.orig.tar.* -C "$closure" --strip-components=1 \
    --wildcards --no-wildcards-match-slash '*/package.json' '*/package-lock.json'
  rm -rf "$dir/emscripten-source"
  said=$(cd "$closure" && npm ci --omit=dev --no-audit --no-fund 2>&1) || {
    echo "$said" >&2
    rm -rf "$closure"
    exit 1
  }
  echo "$emscripten" >"$closure/emscripten"
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
