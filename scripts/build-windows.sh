#!/usr/bin/env bash
# Cross-builds the mill for 64-bit Windows: build-windows/mill.exe and the zip
# build-windows/mill-<version>-win64.zip. freeglut comes from Debian's own
# source package, fetched with a private apt setup that leaves the system's
# untouched, and is linked in statically.
set -euo pipefail
MILL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$MILL_ROOT/scripts/common.sh"

ensure_packages $MILL_WINDOWS_PACKAGES
dir="$MILL_ROOT/build-windows"
toolchain="$MILL_ROOT/cmake/mingw-w64-x86_64.cmake"
freeglut="$dir/freeglut"

# Debian's deb-src entries for the archives this machine installs from.
fetch_freeglut_source() {
  local apt="$dir/apt" file
  rm -rf "$apt" "$dir/freeglut-source"
  mkdir -p "$apt/sources.list.d" "$apt/lists/partial" "$apt/cache/archives/partial" \
    "$dir/freeglut-source"
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] || continue
    awk -v RS= -v ORS='\n\n' '/URIs:[^\n]*debian/' "$file" |
      sed -E 's/^Types:.*/Types: deb-src/' >"$apt/sources.list.d/$(basename "$file")"
  done
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$file" ] || continue
    grep -E '^deb[[:space:]].*debian' "$file" | sed 's/^deb /deb-src /' \
      >"$apt/sources.list.d/$(basename "$file")" || true
  done
  local options=(-o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$apt/sources.list.d"
    -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -o "APT::Sandbox::User=$(id -un)")
  apt-get "${options[@]}" -qq update
  (cd "$dir/freeglut-source" && apt-get "${options[@]}" -qq source freeglut >/dev/null)
}

if [ ! -f "$freeglut/lib/libglut.a" ]; then
  echo "Fetching and cross-building freeglut from Debian's source package" >&2
  fetch_freeglut_source
  source=$(echo "$dir"/freeglut-source/freeglut-*/)
  log="$dir/freeglut-build.log"
  {
    cmake -S "$source" -B "$dir/freeglut-build" --toolchain "$toolchain" \
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$freeglut" \
      -DFREEGLUT_BUILD_SHARED_LIBS=OFF -DFREEGLUT_BUILD_STATIC_LIBS=ON \
      -DFREEGLUT_BUILD_DEMOS=OFF -DFREEGLUT_REPLACE_GLUT=ON &&
      cmake --build "$dir/freeglut-build" -j "$(nproc)" &&
      cmake --install "$dir/freeglut-build"
  } >"$log" 2>&1 || { cat "$log" >&2; exit 1; }
fi

# pkg-config, where FindGLUT asks it, must describe the Windows freeglut,
# not the build machine's.
export PKG_CONFIG_LIBDIR="$freeglut/lib/pkgconfig"

build_mill "$dir" --toolchain "$toolchain" -DCMAKE_FIND_ROOT_PATH="$freeglut" \
  -DBUILD_TESTING=OFF -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
(cd "$dir" && cpack -G ZIP >/dev/null)
echo "Built $dir/mill.exe and $(echo "$dir"/mill-*-win64.zip)"
