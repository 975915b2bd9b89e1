#!/usr/bin/env bash
# Runs one of our commands on another Debian release, or on arm64, from this
# machine:
#   ./scripts/on-debian.sh 13 ./scripts/test.sh
#   ./scripts/on-debian.sh --arch arm64 13 ./scripts/run.sh
# The first time, makes a minimal root of that release with mmdebstrap, from
# the Debian archive this machine installs from, and keeps it (in
# /var/cache/mill, or MILL_DEBIAN_CACHE). Each run takes a fresh copy of it,
# copies this checkout in (without its build folders; --share FOLDER brings
# that one of them in as it is, and what the command leaves in it stays) and
# runs the command there as root, in a mount namespace of its own, so that
# nothing it mounts or installs outlives it. Packages it downloads are kept
# for the next run. An arm64 root runs under qemu, registered in a user
# namespace of the command's own, never for the machine.
set -euo pipefail
MILL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$MILL_ROOT/scripts/common.sh"

usage() {
  echo "usage: $0 [--arch arm64] [--share FOLDER] RELEASE COMMAND [ARGUMENT...]" \
    "  (RELEASE: 12, 13, or a codename)" >&2
  exit 2
}
arch=$(dpkg --print-architecture)
share=""
while [ $# -ge 2 ]; do
  case $1 in
    --arch) arch=$2 ;;
    --share) share=$2 ;;
    *) break ;;
  esac
  shift 2
done
[ $# -ge 2 ] || usage
case $1 in
  12 | bookworm) release=bookworm ;;
  13 | trixie) release=trixie ;;
  14 | forky) release=forky ;;
  *) usage ;;
esac
shift
if [ "$(id -u)" -ne 0 ]; then
  echo "Making and entering another release's root needs root: run, as root," >&2
  echo "  $0 $release $*" >&2
  exit 1
fi
namespace=(unshare --mount --propagation private)
root_name=$release
making=()
if [ "$arch" != "$(dpkg --print-architecture)" ]; then
  [ "$arch" = arm64 ] || usage
  ensure_packages mmdebstrap arch-test
  emulation_allowed || exit 1
  namespace=(emulating "${MILL_DEBIAN_CACHE:-/var/cache/mill}/qemu")
  root_name=$release-$arch
  # A user namespace may not mount a sysfs, which making a root needs not.
  making=(--skip=chroot/mount/sys)
else
  ensure_packages mmdebstrap
fi

cache=${MILL_DEBIAN_CACHE:-/var/cache/mill}
root="$cache/$root_name"
archives="$cache/$root_name-archives"
mkdir -p "$cache" "$archives"

# The archive this machine installs from, and its security archive.
mirror=$(debian_archives | awk '$1 ~ /\/debian\/?$/ { sub(/\/+$/, "", $1); print $1; exit }')
[ -n "$mirror" ] || { echo "This machine installs from no Debian archive" >&2 && exit 1; }
# A real mirror's Release files are fresh, but a snapshot mirror serves
# testing's past the date they are valid until, which apt refuses. For
# testing alone, and only while its Release file has expired, apt in the
# root still checks what it downloads against the signed index, but not
# that date.
expired=()
if [ "$release" = forky ]; then
  index=$(mktemp)
  if /usr/lib/apt/apt-helper download-file "$mirror/dists/$release/InRelease" "$index" \
    >/dev/null 2>&1; then
    until=$(sed -n 's/^Valid-Until: //p' "$index")
    if [ -n "$until" ] && [ "$(date -d "$until" +%s)" -lt "$(date +%s)" ]; then
      echo "Debian testing's Release file on $mirror expired on $until: apt in its root" \
        "will not hold that against it" >&2
      expired=(--aptopt='Acquire::Check-Valid-Until "false"')
    fi
  fi
  rm -f "$index"
fi
if [ ! -d "$root" ]; then
  echo "Making a Debian $release $arch root in $root" >&2
  partial="$root.partial"
  rm -rf "$partial"
  "${namespace[@]}" mmdebstrap --quiet --variant=minbase --architectures="$arch" "${making[@]}" \
    "${expired[@]}" --include=git,ca-certificates,sudo,procps --format=directory "$release" \
    "$partial" "deb $mirror $release main" "deb $mirror $release-updates main" \
    "deb $mirror-security $release-security main" >&2
  # Whether the date is checked is decided afresh at every run.
  rm -f "$partial/etc/apt/apt.conf.d/99mmdebstrap"
  mv "$partial" "$root"
fi

run=$(mktemp -d "$cache/run-$root_name-XXXXXX")
finish() {
  # The namespace has ended, and its mounts with it; remove the copy only if
  # nothing is still mounted under it.
  if grep -q " $run[/ ]" /proc/self/mountinfo; then
    echo "Something is still mounted under $run; left it there" >&2
  else
    rm -rf "$run"
  fi
}
trap finish EXIT
cp -a "$root/." "$run/"
[ ${#expired[@]} -eq 0 ] ||
  echo 'Acquire::Check-Valid-Until "false";' >"$run/etc/apt/apt.conf.d/99expired-testing"
# It reaches the network as this machine does: the same name servers, and
# for downloads over HTTPS (npm's), the same certificate authorities.
cp /etc/resolv.conf "$run/etc/resolv.conf"
[ ! -d /usr/local/share/ca-certificates ] ||
  cp -a /usr/local/share/ca-certificates/. "$run/usr/local/share/ca-certificates/"
[ ! -f /etc/ssl/certs/ca-certificates.crt ] ||
  cp /etc/ssl/certs/ca-certificates.crt "$run/etc/ssl/certs/ca-certificates.crt"
mkdir -p "$run/root/mill"
tar -C "$MILL_ROOT" --exclude='./build*' -cf - . | tar -C "$run/root/mill" -xf -
if [ -n "$share" ]; then
  mkdir -p "$MILL_ROOT/$share" "$run/root/mill/$share"
fi

# The root is bound onto itself so that it is a mount point: unshare --mount
# inside it, as the package test uses, needs that.
"${namespace[@]}" /bin/sh -euc '
  run=$1 archives=$2 share=$3 root=$4
  shift 4
  mount --bind "$run" "$run"
  mount -t proc proc "$run/proc"
  mount --rbind /sys "$run/sys"
  mount --rbind /dev "$run/dev"
  mount -t tmpfs -o mode=1777 tmpfs "$run/dev/shm"
  mount --bind "$archives" "$run/var/cache/apt/archives"
  [ -z "$share" ] || mount --bind "$root/$share" "$run/root/mill/$share"
  exec chroot "$run" /usr/bin/env -i HOME=/root TERM="${TERM:-dumb}" LANG=C.UTF-8 \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin ${CI:+CI=$CI} \
    /bin/sh -c "cd /root/mill && exec \"\$@\"" sh "$@"
' sh "$run" "$archives" "$share" "$MILL_ROOT" "$@"
