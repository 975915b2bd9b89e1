#!/usr/bin/env bash
# Cross-builds the mill for 64-bit Windows: build-windows/mill.exe and the zip
# build-windows/mill-<version>-win64.zip. freeglut comes from Debian's own
# source package, fetched with a private apt setup that leaves the system's
# untouched, and is linked in statically.
set -euo pipefail
MILL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$MILL_ROOT/scripts/common.sh"

ensure_packages $MILL_WINDOWS_PACKAGES
# The test command runs the result under Wine, where Wine can run it.
if wine_runs_x86_64; then
  ensure_packages $MILL_WINE_PACKAGES
fi
dir="$MILL_ROOT/build-windows"
toolchain="$MILL_ROOT/cmake/mingw-w64-x86_64.cmake"
freeglut="$dir/freeglut"

if [ ! -f "$freeglut/lib/libglut.a" ] || [ ! -f "$freeglut/share/doc/freeglut/COPYING" ]; then
  echo "Fetching and cross-building freeglut from Debian's source package" >&2
  fetch_debian_source freeglut "$dir/freeglut-source"
  source="$dir/freeglut-source/freeglut"
  log="$dir/freeglut-build.log"
  {
    # Debian's changes to it touch only the shared library's version, which
    # a static build has none of: the upstream tarball is the whole source.
    # It asks for a CMake older than 3.5, whose ways CMake 4 (Debian
    # testing's) keeps only when told that 3.5's will do.
    mkdir -p "$source" &&
      tar -xf "$dir"/freeglut-source/freeglut_*.orig.tar.* -C "$source" --strip-components=1 &&
      cmake -S "$source" -B "$dir/freeglut-build" --toolchain "$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$freeglut" \
        -DFREEGLUT_BUILD_SHARED_LIBS=OFF -DFREEGLUT_BUILD_STATIC_LIBS=ON \
        -DFREEGLUT_BUILD_DEMOS=OFF -DFREEGLUT_REPLACE_GLUT=ON \
        -DCMAKE_POLICY_VERSION_MINIMUM=3.5 &&
      cmake --build "$dir/freeglut-build" -j "$(nproc)" &&
      cmake --install "$dir/freeglut-build" &&
      # Its licence goes with every copy of mill.exe, which links it in.
      install -D -m 644 "$source/COPYING" "$freeglut/share/doc/freeglut/COPYING"
  } >"$log" 2>&1 || { cat "$log" >&2; exit 1; }
fi

# pkg-config, where FindGLUT asks it, must describe the Windows freeglut,
# not the build machine's.
export PKG_CONFIG_LIBDIR="$freeglut/lib/pkgconfig"

build_mill "$dir" --toolchain "$toolchain" -DCMAKE_FIND_ROOT_PATH="$freeglut" \
  -DBUILD_TESTING=OFF -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
# The zip holds the exe stripped, and is dated as the release, and its
# entries owned by root, so that every builder gets the same one.
(cd "$dir" && cpack -G ZIP >/dev/null)
echo "Built $dir/mill.exe and $(echo "$dir"/mill-*-win64.zip)"
