#!/usr/bin/env bash
# Runs a command in a fresh copy of the root of another Debian release, or of
# arm64, that sbuild builds in, in a sandbox that ends with this script,
# however it ends (docs/other-releases.md):
#   ./scripts/on-debian.sh [--arch arm64] [--share FOLDER] RELEASE COMMAND...
set -euo pipefail
MILL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$MILL_ROOT/scripts/common.sh"

arch=$(dpkg --print-architecture) share=""
while [ $# -ge 2 ] && [ "${1#--}" != "$1" ]; do
  case $1 in --arch) arch=$2 ;; --share) share=$2 ;; esac
  shift 2
done
release=$(debian_release "${1:-}")
if [ -z "$release" ] || [ $# -lt 2 ] || ! [[ $arch =~ ^(arm64|$(dpkg --print-architecture))$ ]]; then
  echo "usage: $0 [--arch arm64] [--share FOLDER] RELEASE(12, 13, forky) COMMAND..." >&2
  exit 2
fi
shift
[ "$(id -u)" -eq 0 ] || { echo "This needs root: run, as root, $0 $release $*" >&2 && exit 1; }
ensure_packages mmdebstrap bubblewrap
entering=(in_background)
if [ "$arch" != "$(dpkg --print-architecture)" ]; then
  ensure_packages arch-test
  emulation_allowed || exit 1
  entering=(emulating /var/cache/mill/qemu)
fi
mirror=$(debian_mirror) archives=/var/cache/mill/$release-$arch-archives
[ -n "$mirror" ] || { echo "This machine installs from no Debian archive" >&2 && exit 1; }

# A snapshot mirror serves testing's Release file past its Valid-Until date:
# for testing alone, while it has expired, apt in the root lets that pass.
expired=() index=$(mktemp)
until=$([ "$release" != forky ] || ! /usr/lib/apt/apt-helper download-file \
  "$mirror/dists/$release/InRelease" "$index" >/dev/null 2>&1 || sed -n 's/^Valid-Until: //p' "$index")
rm -f "$index"
if [ -n "$until" ] && [ "$(date -d "$until" +%s)" -lt "$(date +%s)" ]; then
  echo "Debian testing's Release file on $mirror expired on $until: apt in its root" \
    "will not hold that against it" >&2
  expired=(--aptopt='Acquire::Check-Valid-Until "false"')
fi

# Stopped, it kills what it started, and so all in its sandbox, whose mounts
# no one else sees, then removes the copy.
sandbox="" run=""
trap 'exit 143' TERM INT HUP
trap '[ -z "$sandbox" ] || kill -KILL "$sandbox" 2>/dev/null || true
  wait 2>/dev/null || true
  [ -z "$run" ] || rm -rf "$run"' EXIT
debian_root "$release" "$arch" "${expired[@]}"
run=$(mktemp -d "/var/cache/mill/run-$release-$arch-XXXXXX")
tar -xf "$root" -C "$run"
[ ${#expired[@]} -eq 0 ] ||
  echo 'Acquire::Check-Valid-Until "false";' >"$run/etc/apt/apt.conf.d/99expired-testing"
# The network as this machine reaches it: name servers, certificate authorities.
cp /etc/resolv.conf "$run/etc/resolv.conf"
[ ! -d /usr/local/share/ca-certificates ] ||
  cp -a /usr/local/share/ca-certificates/. "$run/usr/local/share/ca-certificates/"
mkdir -p "$run/root/mill/$share" "$MILL_ROOT/$share" "$archives"
tar -C "$MILL_ROOT" --exclude='./build*' -cf - . | tar -C "$run/root/mill" -xf -
# What a machine has that a build daemon's root has not: certificate
# authorities, git, accounts, processes' tools ($MILL_ROOT_PACKAGES).
"${entering[@]}" bwrap --die-with-parent --unshare-pid --cap-add ALL --dev-bind "$run" / \
  --proc /proc --dev-bind /dev /dev --tmpfs /dev/shm --ro-bind /sys /sys \
  --bind "$archives" /var/cache/apt/archives ${share:+--bind "$MILL_ROOT/$share" "/root/mill/$share"} \
  --chdir /root/mill --clearenv --setenv HOME /root --setenv TERM "${TERM:-dumb}" \
  --setenv LANG C.UTF-8 --setenv PATH /usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  ${CI:+--setenv CI "$CI"} sh -ec '
  dpkg -s $0 >/dev/null 2>&1 || { apt-get update -qq && DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -qq --no-install-recommends $0 >/dev/null; }
  exec "$@"' "$MILL_ROOT_PACKAGES" "$@"
