#!/usr/bin/env bash
# Makes the Debian package for a release, for amd64 or arm64, in fresh roots
# of it, and proves it with lintian, reprotest, piuparts and its autopkgtest;
# leaves what it makes in build-deb-<release>-<arch>/ (docs/debian-package.md).
#   ./scripts/debian-package.sh [RELEASE] [--arch arm64]
set -euo pipefail
MILL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$MILL_ROOT/scripts/common.sh"
export DEBIAN_FRONTEND=noninteractive

case ${1:-} in
  --build)
    # In a fresh root of this machine's kind; made beside the sources, kept.
    arch=$2 share=$3 profiles=() tools=(lintian reprotest faketime piuparts debootstrap)
    if [ "$arch" != amd64 ]; then
      dpkg --add-architecture "$arch"
      profiles=(-a "$arch" -Pcross,nocheck) tools=(lintian crossbuild-essential-"$arch")
    fi
    quietly apt-get update
    quietly apt-get install -y --no-install-recommends "${tools[@]}"
    quietly apt-get build-dep -y "${profiles[@]}" ./
    quietly dpkg-buildpackage --no-sign "${profiles[@]}"
    cp ../mill_* ../mill-dbgsym_* "$share/"
    # No error or warning from the release's own lintian.
    said=$(lintian --pedantic "$share"/mill_*_"$arch".deb "$share"/mill_*.dsc 2>&1) &&
      ! grep -E '^(E|W):' <<<"$said" || { echo "lintian: $said" >&2 && exit 1; }
    echo "lintian --pedantic, package and source package: $(grep -E "^[A-Z]: " <<<"$said" || echo "no tags")"
    dpkg-deb -f "$(echo "$share"/mill_*_"$arch".deb)" Package Version Architecture Depends
    [ "$arch" = amd64 ] || exit 0
    # All reprotest's variations but those that take FUSE and another account.
    quietly reprotest --vary=-fileordering,-user_group "$share"/mill_*.dsc -- null
    echo "reprotest: two builds of the source package, in environments that differ, the same"
    mirror=$(debian_archives | awk '$1 ~ /\/debian\/?$/ { print $1; exit }')
    quietly piuparts --distribution="$(. /etc/os-release && echo "$VERSION_CODENAME")" \
      --mirror="$mirror" "$share"/mill_*_amd64.deb
    echo "piuparts: installs and purges cleanly"
    ;;
  --prove)
    quietly apt-get update
    quietly apt-get install -y --no-install-recommends autopkgtest
    said=$(autopkgtest "$2"/mill_*_"$(dpkg --print-architecture)".deb . -- null 2>&1) ||
      { echo "$said" >&2 && exit 1; }
    grep -E 'pixels off|PASS' <<<"$said" | uniq
    ;;
  *)
    release=${1:-$(. /etc/os-release && echo "$VERSION_ID")}
    arch=$([ "${2:-}" = --arch ] && echo "$3" || echo amd64)
    share=build-deb-$release-$arch
    rm -rf "${MILL_ROOT:?}/$share"
    "$MILL_ROOT/scripts/on-debian.sh" --share "$share" "$release" \
      ./scripts/debian-package.sh --build "$arch" "/root/mill/$share"
    if [ "$arch" != amd64 ] && ! emulation_allowed; then
      echo "Left out: the $arch package's autopkgtest under emulation" >&2
      exit 0
    fi
    "$MILL_ROOT/scripts/on-debian.sh" --arch "$arch" --share "$share" "$release" \
      ./scripts/debian-package.sh --prove "/root/mill/$share"
    ;;
esac
