#!/usr/bin/env bash
# Makes the Debian package as Debian's build daemons make it, and proves it
# with Debian's tools (docs/debian-package.md): the source package of HEAD;
# sbuild builds it in a fresh root of the release, in its unshare mode, and
# runs lintian, piuparts and the autopkgtest (scripts/sbuildrc); then
# reprotest builds it twice, in environments that differ. With --arch arm64
# sbuild cross-builds it, and its autopkgtest runs under qemu. All it makes
# is left in build-deb-<release>-<arch>/.
#   ./scripts/debian-package.sh [RELEASE] [--arch arm64]
set -euo pipefail
MILL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$MILL_ROOT/scripts/common.sh"

# What sbuild does not, in a fresh root of the release (on-debian.sh):
# reprotest, with all its variations but those that take FUSE and another
# account; the autopkgtest of another architecture's package.
case ${1:-} in
  --reprotest)
    ensure_packages --build-depends "" reprotest faketime
    chronic reprotest --vary=-fileordering,-user_group "$2"/mill_*.dsc -- null
    exit ;;
  --autopkgtest)
    ensure_packages autopkgtest
    said=$(autopkgtest --apt-upgrade "$2"/mill_*.deb "$2"/mill_*.dsc -- null 2>&1) || { echo "$said" >&2 && exit 1; }
    grep -E 'pixels off|PASS' <<<"$said" | uniq
    exit ;;
esac
release=$(debian_release "${1:-$(. /etc/os-release && echo "$VERSION_ID")}")
arch=$([ "${2:-}" = --arch ] && echo "$3" || echo amd64) share=build-deb-$release-$arch
[ "$(id -u)" -eq 0 ] || { echo "This needs root: run, as root, $0 $*" >&2 && exit 1; }
# Another architecture's, all it needs here first: the rest may run alongside.
ensure_packages sbuild mmdebstrap uidmap autopkgtest piuparts git xz-utils \
  $([ "$arch" = amd64 ] || echo bubblewrap arch-test)
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
# it; sbuild keeps what it says in a log.
debian_root "$release" amd64
options=(--chroot="$root" --dist="$(dpkg-parsechangelog -l "$MILL_ROOT/debian/changelog" -S Distribution)"
  --piuparts-opt=--basetgz="$root" --piuparts-opt=--keep-sources-list
  --autopkgtest-opts="--apt-upgrade -- unshare --release $release --arch amd64 --tarball $root")
# sbuild's resolver for a cross build calls apt's own solver, of apt-utils,
# in the root; where the root lacks it, sbuild copies in this machine's, which
# another release's apt cannot load.
[ "$arch" = amd64 ] || options+=(--host="$arch" --no-run-piuparts --no-run-autopkgtest
  --chroot-setup-commands='apt-get update -qq && apt-get install -y -qq apt-utils >/dev/null')
for tag in $(lintian_behind "$release"); do options+=(--lintian-opt="$tag"); done
log=$dir/mill_${version}_$arch.build
(cd "$dir" && SBUILD_CONFIG=$MILL_ROOT/scripts/sbuildrc sbuild "${options[@]}" mill_*.dsc >/dev/null) ||
  { tail -40 "$log" >&2 && echo "sbuild failed: $log" >&2 && exit 1; }
sed -n 's/^\(Lintian\|Piuparts\|Autopkgtest\): /sbuild: \1: /p' "$log"
{ grep -E '^[EWIPXC]: mill|pixels off' "$log" || true; } | sort -u
dpkg-deb -f "$(echo "$dir"/mill_*_"$arch".deb)" Package Version Architecture Depends
if [ "$arch" = amd64 ]; then
  "$MILL_ROOT/scripts/on-debian.sh" --share "$share" "$release" \
    ./scripts/debian-package.sh --reprotest "/root/mill/$share"
  echo "reprotest: two builds of the source package, in environments that differ, the same"
elif emulation_allowed; then
  # sbuild's unshare mode would run it in an arm64 root only where qemu is
  # registered for every program of the machine: it cannot nest its own
  # namespaces in the one that registers qemu for this command alone.
  "$MILL_ROOT/scripts/on-debian.sh" --arch "$arch" --share "$share" "$release" \
    ./scripts/debian-package.sh --autopkgtest "/root/mill/$share"
else
  echo "Left out: the $arch package's autopkgtest under emulation" >&2
fi
