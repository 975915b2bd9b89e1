#!/usr/bin/env bash
# Cross-builds the mill for 64-bit Windows (docs/windows.md):
# build-windows/mill.exe and the zip build-windows/mill-<version>-win64.zip.
# freeglut comes from Debian's own source package, and is linked in.
set -euo pipefail
MILL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$MILL_ROOT/scripts/common.sh"

# Wine, for the test command, where apt has one (known once its lists are read).
ensure_packages $MILL_WINDOWS_PACKAGES
! wine_runs_x86_64 || ensure_packages $MILL_WINE_PACKAGES
dir="$MILL_ROOT/build-windows" freeglut="$MILL_ROOT/build-windows/freeglut"
toolchain="$MILL_ROOT/cmake/mingw-w64-x86_64.cmake"

if [ ! -f "$freeglut/lib/libglut.a" ] || [ ! -f "$freeglut/share/doc/freeglut/COPYING" ]; then
  echo "Fetching and cross-building freeglut from Debian's source package" >&2
  fetch_debian_source freeglut "$dir/freeglut-source"
  source="$dir/freeglut-source/freeglut"
  # Debian's patches touch only the shared library. CMake 4 builds it only
  # when told that 3.5's policies will do.
  mkdir -p "$source"
  tar -xf "$dir"/freeglut-source/freeglut_*.orig.tar.* -C "$source" --strip-components=1
  chronic cmake -S "$source" -B "$dir/freeglut-build" --toolchain "$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$freeglut" -DFREEGLUT_BUILD_SHARED_LIBS=OFF \
    -DFREEGLUT_BUILD_STATIC_LIBS=ON -DFREEGLUT_BUILD_DEMOS=OFF -DFREEGLUT_REPLACE_GLUT=ON \
    -DCMAKE_POLICY_VERSION_MINIMUM=3.5
  chronic cmake --build "$dir/freeglut-build" -j "$(nproc)"
  chronic cmake --install "$dir/freeglut-build"
  # Its licence goes with mill.exe, which links it in.
  install -D -m 644 "$source/COPYING" "$freeglut/share/doc/freeglut/COPYING"
fi

# pkg-config, where FindGLUT asks it, must describe the Windows freeglut.
export PKG_CONFIG_LIBDIR="$freeglut/lib/pkgconfig"
build_mill "$dir" --toolchain "$toolchain" -DCMAKE_FIND_ROOT_PATH="$freeglut" \
  -DBUILD_TESTING=OFF -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
(cd "$dir" && chronic cpack -G ZIP)
echo "Built $dir/mill.exe and $(echo "$dir"/mill-*-win64.zip)"
