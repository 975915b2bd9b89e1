#!/usr/bin/env bash
# Cross-builds the mill for arm64 on this amd64 machine, as root, and
# packages it: build-arm64/mill_<version>_arm64.deb. Everything happens in
# fresh roots of a Debian release (12 or 13; this machine's unless named),
# made and entered by on-debian.sh, so that this machine's packages are never
# touched:
# - in a root of this machine's kind, Debian's cross compiler and the arm64
#   libraries beside its own (multiarch) build and package the program twice,
#   in two folders: both packages must be the same byte for byte, and the
#   release's lintian must accept them;
# - in an arm64 root, run under qemu, the cross-built program must draw the
#   mill on a private virtual display, and the package must install with apt
#   and its mill draw the same, each within 50 pixels of data/mill.png. Where
#   this machine cannot run arm64 programs so, it says why and leaves it out.
#   ./scripts/build-arm64.sh [RELEASE]
set -euo pipefail
MILL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$MILL_ROOT/scripts/common.sh"
dir=build-arm64

# What apt says is shown only when the installation fails.
quietly() {
  local said
  said=$("$@" 2>&1) || { echo "$said" >&2 && return 1; }
}

case ${1:-} in
  --cross)
    # In a root of the build machine's kind.
    dpkg --add-architecture arm64
    ensure_packages cmake make g++-aarch64-linux-gnu dpkg-dev file strip-nondeterminism lintian \
      appstream libgl-dev:arm64 libglu1-mesa-dev:arm64 libglut-dev:arm64 libx11-dev:arm64
    rm -rf "${dir:?}"/*
    for copy in a b; do
      build_mill "$dir/$copy" --toolchain "$MILL_ROOT/cmake/aarch64-linux-gnu.cmake" \
        -DBUILD_TESTING=OFF -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
      (cd "$dir/$copy" && quietly cpack -G DEB)
    done
    cmp "$dir"/a/mill_*_arm64.deb "$dir"/b/mill_*_arm64.deb ||
      { echo "Two builds gave two packages" >&2 && exit 1; }
    cp "$dir"/a/mill_*_arm64.deb "$dir/"
    package=$(echo "$dir"/mill_*_arm64.deb)
    said=$(lintian --pedantic "$package" 2>&1) || { echo "lintian: $said" >&2 && exit 1; }
    ! grep -E '^(E|W):' <<<"$said" || exit 1
    echo "Built $package twice, the same: $(sha256sum <"$package" | cut -d' ' -f1)"
    echo "lintian --pedantic: $(grep -E '^[A-Z]: ' <<<"$said" || echo 'no tags')"
    dpkg-deb -f "$package" Architecture Depends
    ;;
  --prove)
    # In an arm64 root, under qemu.
    ensure_packages xvfb x11-utils imagemagick
    quietly apt-get install -y -q "./$(echo "$dir"/mill_*_arm64.deb)"
    for mill in "$dir/a/mill" /usr/bin/mill; do
      save_picture "$dir/mill.png" "$mill"
      off=$(compare -metric AE "$dir/mill.png" "$MILL_ROOT/data/mill.png" null: 2>&1 |
        awk '{ printf "%d", $1 }') || true
      echo "$mill under qemu: $off pixels off data/mill.png"
      [ "$off" -le 50 ] || exit 1
    done
    ;;
  *)
    release=${1:-$(. /etc/os-release && echo "$VERSION_ID")}
    "$MILL_ROOT/scripts/on-debian.sh" --share "$dir" "$release" ./scripts/build-arm64.sh --cross
    if emulation_allowed; then
      "$MILL_ROOT/scripts/on-debian.sh" --arch arm64 --share "$dir" "$release" \
        ./scripts/build-arm64.sh --prove
    else
      echo "Left out: the arm64 program and package under emulation" >&2
    fi
    ;;
esac
