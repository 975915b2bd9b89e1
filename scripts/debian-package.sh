#!/usr/bin/env bash
# Makes the Debian package as Debian's build daemons make it, and proves it
# with Debian's tools (docs/debian-package.md): the source package of HEAD;
# sbuild builds it in a fresh root of the release, in its unshare mode, and
# runs lintian, piuparts and the autopkgtest (scripts/sbuildrc); in unstable,
# where an upload is built, reprotest builds it twice more, in environments
# that differ. With --arch arm64 sbuild cross-builds it, and runs the
# autopkgtest in an arm64 testbed under qemu. All it makes is left in
# build-deb-<release>-<arch>/.
#   ./scripts/debian-package.sh [RELEASE] [--arch arm64]
set -euo pipefail
MILL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$MILL_ROOT/scripts/common.sh"

# reprotest, in a fresh root of the release (on-debian.sh), with all its
# variations but those that take FUSE and another account; host and domain
# names through sudo, since the kernel gives no user namespace in a chroot.
if [ "${1:-}" = --reprotest ]; then
  ensure_packages --build-depends "" reprotest faketime
  vary=-fileordering,-user_group,domain_host.use_sudo=1
  said=$(reprotest --vary=$vary "$2"/mill_*.dsc -- null 2>&1) || { echo "$said" >&2 && exit 1; }
  sed -nE 's/^([0-9a-f]{64}) .*mill_.*\.deb$/sha256 by reprotest: \1/p' <<<"$said"
  exit
fi
release=$(debian_release "${1:-$(. /etc/os-release && echo "$VERSION_ID")}")
arch=$([ "${2:-}" = --arch ] && echo "$3" || echo amd64) share=build-deb-$release-$arch
[ -n "$release" ] || { echo "usage: $0 [12|13|testing|unstable] [--arch arm64]" >&2 && exit 2; }
[ "$(id -u)" -eq 0 ] || { echo "This needs root: run, as root, $0 $*" >&2 && exit 1; }
ensure_packages sbuild mmdebstrap uidmap autopkgtest piuparts git xz-utils
[ "$arch" = amd64 ] || qemu_registered
# sbuild's unshare mode maps its root's users to subordinate IDs of its own.
grep -q '^root:' /etc/subuid /etc/subgid || { echo "Giving root subordinate IDs, for sbuild" >&2 &&
  usermod --add-subuids 100000-165535 --add-subgids 100000-165535 root; }

# The upstream tarball, every file of HEAD but its Debian packaging, and the
# source package.
dir=$MILL_ROOT/$share version=$(dpkg-parsechangelog -l "$MILL_ROOT/debian/changelog" -S Version)
rm -rf "$dir" && mkdir -p "$dir"
git -C "$MILL_ROOT" diff --quiet HEAD || echo "Packaging HEAD, without the changes not committed" >&2
git -C "$MILL_ROOT" archive --format=tar --prefix="mill-${version%-*}/" HEAD ':!debian' |
  xz >"$dir/mill_${version%-*}.orig.tar.xz"
git -C "$MILL_ROOT" archive --format=tar --prefix=mill/ HEAD | tar -xf - -C "$dir"
(cd "$dir" && chronic dpkg-source -b mill && rm -rf mill)

# For the distribution the changelog names, whichever release's root builds
# it; the autopkgtest in a testbed of the package's architecture. sbuild
# keeps what it says in a log.
debian_root "$release" amd64
build=$root testbed=$root
[ "$arch" = amd64 ] || { debian_root "$release" "$arch" && testbed=$root; }
distribution=$(dpkg-parsechangelog -l "$MILL_ROOT/debian/changelog" -S Distribution)
options=(--chroot="$build" --dist="$distribution" --piuparts-opt=--basetgz="$build"
  --piuparts-opt=--keep-sources-list
  --autopkgtest-opts="--apt-upgrade -- unshare --release $release --arch $arch --tarball $testbed")
# sbuild's resolver for a cross build calls apt's own solver, of apt-utils,
# in the root; where the root lacks it, sbuild 0.85 copies in this machine's,
# which another release's apt cannot load. piuparts runs no arm64 package.
[ "$arch" = amd64 ] || options+=(--host="$arch" --no-run-piuparts
  --chroot-setup-commands='apt-get update -qq && apt-get install -y -qq apt-utils >/dev/null')
for tag in $(lintian_behind "$release"); do options+=(--lintian-opt="$tag"); done
log=$dir/mill_${version}_$arch.build
(cd "$dir" && SBUILD_CONFIG=$MILL_ROOT/scripts/sbuildrc sbuild "${options[@]}" mill_*.dsc >/dev/null) ||
  { tail -40 "$log" >&2 && echo "sbuild failed: $log" >&2 && exit 1; }
sed -n 's/^\(Lintian\|Piuparts\|Autopkgtest\): /sbuild: \1: /p' "$log"
{ grep -E '^[EWIPXC]: mill|pixels off|WM_CLASS' "$log" || true; } | sort -u
deb=$(echo "$dir"/mill_*_"$arch".deb)
dpkg-deb -f "$deb" Package Version Architecture Depends
sha256sum "$deb" | sed 's/ .*//; s/^/sha256 by sbuild: /'
if [ "$release" = "$(debian_release "$distribution")" ] && [ "$arch" = amd64 ]; then
  "$MILL_ROOT/scripts/on-debian.sh" --share "$share" "$release" \
    ./scripts/debian-package.sh --reprotest "/root/mill/$share"
  echo "reprotest: two builds of the source package, in environments that differ, the same"
fi
