#!/usr/bin/env bash
# Builds the mill as one self-contained web page, build-web/mill.html, with
# Debian's emscripten, GLU from Debian's source package, and the closure
# compiler the installed emscripten pins (docs/browser.md).
set -euo pipefail
MILL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$MILL_ROOT/scripts/common.sh"

# npm where Node.js came without it; Java where npm's closure compiler has
# no native build (x86 Linux alone).
packages="cmake make emscripten xz-utils"
command -v npm >/dev/null || packages="$packages npm"
[[ $(dpkg --print-architecture) =~ ^(amd64|i386)$ ]] || packages="$packages default-jre-headless"
ensure_packages $packages
dir="$MILL_ROOT/build-web" glu="$MILL_ROOT/build-web/glu" closure="$MILL_ROOT/build-web/closure"

# GLU's quadrics, camera and the two headers they include.
if [ ! -f "$glu/libutil/quad.c" ]; then
  echo "Fetching GLU from Debian's source package" >&2
  fetch_debian_source libglu "$dir/glu-source"
  mkdir -p "$glu"
  tar -xf "$dir"/glu-source/libglu_*.orig.tar.* -C "$glu" --strip-components=2 --wildcards \
    '*/src/libutil/quad.c' '*/src/libutil/project.c' '*/src/libutil/gluint.h' \
    '*/src/include/gluos.h'
fi

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
  (cd "$closure" && chronic npm ci --omit=dev --no-audit --no-fund) || { rm -rf "$closure" && exit 1; }
  echo "$emscripten" >"$closure/emscripten"
fi

# Debian's emcc finds its JavaScript modules only where told.
export NODE_PATH=/usr/share/nodejs
chronic emcmake cmake -S "$MILL_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
  -DMILL_GLU_SOURCE="$glu" -DMILL_CLOSURE_COMPILER="$closure/node_modules/.bin/google-closure-compiler" \
  -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
chronic cmake --build "$dir" -j "$(nproc)"
echo "Built $dir/mill.html: open it in a browser with WebGL"
