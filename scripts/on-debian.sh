#!/usr/bin/env bash
# Runs a command in a fresh root of another Debian release, or of arm64, in a
# sandbox that ends with this script, however it ends (docs/other-releases.md):
#   ./scripts/on-debian.sh [--arch arm64] [--share FOLDER] RELEASE COMMAND...
set -euo pipefail
MILL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$MILL_ROOT/scripts/common.sh"

arch=$(dpkg --print-architecture) share=""
while [ $# -ge 2 ] && [ "${1#--}" != "$1" ]; do
  case $1 in --arch) arch=$2 ;; --share) share=$2 ;; esac
  shift 2
done
release=$(case ${1:-} in 12 | bookworm) echo bookworm ;; 13 | trixie) echo trixie ;;
  14 | forky) echo forky ;; esac)
if [ -z "$release" ] || [ $# -lt 2 ] || ! [[ $arch =~ ^(arm64|$(dpkg --print-architecture))$ ]]; then
  echo "usage: $0 [--arch arm64] [--share FOLDER] RELEASE(12, 13, forky) COMMAND..." >&2
  exit 2
fi
shift
[ "$(id -u)" -eq 0 ] || { echo "This needs root: run, as root, $0 $release $*" >&2 && exit 1; }

# What it starts runs in the background, so that a signal stops it at once
# (the traps below); a root is made in namespaces that end with this script.
in_background() {
  local status=0
  "$@" &
  sandbox=$!
  wait "$sandbox" || status=$?
  sandbox="" && return "$status"
}
cache=${MILL_DEBIAN_CACHE:-/var/cache/mill}
making=(in_background setpriv --pdeathsig KILL unshare --mount --pid --fork --kill-child
  --propagation private mmdebstrap) entering=(in_background) name=$release
ensure_packages mmdebstrap bubblewrap
if [ "$arch" != "$(dpkg --print-architecture)" ]; then
  ensure_packages arch-test
  emulation_allowed || exit 1
  # A user namespace may not mount a sysfs, which making a root needs not.
  entering=(emulating "$cache/qemu") name=$release-$arch
  making=("${entering[@]}" mmdebstrap --skip=chroot/mount/sys)
fi
root="$cache/$name" archives="$cache/$name-archives"
mkdir -p "$archives"
mirror=$(debian_archives | awk '$1 ~ /\/debian\/?$/ { sub(/\/+$/, "", $1); print $1; exit }')
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
if [ ! -d "$root" ]; then
  echo "Making a Debian $release $arch root in $root" >&2
  rm -rf "$root.partial"
  "${making[@]}" --quiet --variant=minbase --architectures="$arch" "${expired[@]}" \
    --include=git,ca-certificates,sudo,procps --format=directory "$release" "$root.partial" \
    "deb $mirror $release main" "deb $mirror $release-updates main" \
    "deb $mirror-security $release-security main" >&2
  # Whether the date is checked is decided afresh at every run.
  rm -f "$root.partial/etc/apt/apt.conf.d/99mmdebstrap"
  mv "$root.partial" "$root"
fi

# Stopped, it kills what it started, and so all in its sandbox, whose mounts
# no one else sees, then removes the copy.
run=$(mktemp -d "$cache/run-$name-XXXXXX") sandbox=""
trap 'exit 143' TERM INT HUP
trap '[ -z "$sandbox" ] || kill -KILL "$sandbox" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$run"' EXIT
cp -a "$root/." "$run/"
[ ${#expired[@]} -eq 0 ] ||
  echo 'Acquire::Check-Valid-Until "false";' >"$run/etc/apt/apt.conf.d/99expired-testing"
# The network as this machine reaches it: name servers, certificate authorities.
cp /etc/resolv.conf "$run/etc/resolv.conf"
[ ! -d /usr/local/share/ca-certificates ] ||
  cp -a /usr/local/share/ca-certificates/. "$run/usr/local/share/ca-certificates/"
[ ! -f /etc/ssl/certs/ca-certificates.crt ] || cp /etc/ssl/certs/ca-certificates.crt "$run/etc/ssl/certs/"
mkdir -p "$run/root/mill/$share" "$MILL_ROOT/$share"
tar -C "$MILL_ROOT" --exclude='./build*' -cf - . | tar -C "$run/root/mill" -xf -
"${entering[@]}" bwrap --die-with-parent --unshare-pid --cap-add ALL --dev-bind "$run" / \
  --proc /proc --dev-bind /dev /dev --tmpfs /dev/shm --ro-bind /sys /sys \
  --bind "$archives" /var/cache/apt/archives ${share:+--bind "$MILL_ROOT/$share" "/root/mill/$share"} \
  --chdir /root/mill --clearenv --setenv HOME /root --setenv TERM "${TERM:-dumb}" \
  --setenv LANG C.UTF-8 --setenv PATH /usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  ${CI:+--setenv CI "$CI"} "$@"
