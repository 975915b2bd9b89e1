#!/usr/bin/env bash
# Runs a command of this checkout as root in a fresh copy of the root that
# sbuild builds a Debian release's package in, or of the arm64 testbed, in
# mmdebstrap's own way (docs/other-releases.md):
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
  echo "usage: $0 [--arch arm64] [--share FOLDER] RELEASE(12, 13, testing, unstable) COMMAND..." >&2
  exit 2
fi
shift
[ "$(id -u)" -eq 0 ] || { echo "This needs root: run, as root, $0 $release $*" >&2 && exit 1; }
ensure_packages mmdebstrap
[ "$arch" = "$(dpkg --print-architecture)" ] || qemu_registered
debian_root "$release" "$arch"

# The copy gets this checkout without its build folders but the one shared,
# the certificate authorities and name servers this machine reaches the
# network with, and what a machine has that a build daemon's root has not
# ($MILL_ROOT_PACKAGES). mmdebstrap mounts what it needs in namespaces of its
# own, ends them and removes the copy, however the command ends. The copy is
# bound onto itself for the command, so that its / is a mount point, which
# unshare --mount needs (tests/package_test.sh), and let go lazily after it,
# as what the command left running may hold files there: that ends with
# mmdebstrap's PID namespace.
export MILL_ROOT MILL_SHARE=$share MILL_COMMAND="${*@Q}" MILL_ROOT_PACKAGES MILL_IN_ROOT='
  dpkg -s $MILL_ROOT_PACKAGES >/dev/null 2>&1 || { apt-get update -qq &&
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $MILL_ROOT_PACKAGES >/dev/null; }
  cd /root/mill && eval "exec $MILL_COMMAND"'
# Stopped, this script kills the init of mmdebstrap's PID namespace, which
# heeds no other signal from outside, and so all in it, and waits while
# mmdebstrap cleans up.
stop() {
  local child
  [[ ! $(grep '^NSpid:' "/proc/$1/status" 2>/dev/null) =~ [[:space:]]1$ ]] ||
    { kill -KILL "$1" && return; }
  for child in $(pgrep -P "$1"); do stop "$child"; done
}
trap 'stop $$; wait; exit 143' TERM INT HUP
mmdebstrap --quiet --mode=unshare --variant=custom --skip=update \
  --setup-hook="tar -xzf '$root' -C \"\$1\" --exclude='./dev/*'" \
  --customize-hook='cp /etc/resolv.conf "$1/etc/resolv.conf"
    [ ! -d /usr/local/share/ca-certificates ] ||
      cp -a /usr/local/share/ca-certificates/. "$1/usr/local/share/ca-certificates/"
    mkdir "$1/root/mill"
    tar -C "$MILL_ROOT" --exclude="./build*" -c . | tar -C "$1/root/mill" -x
    [ -z "$MILL_SHARE" ] || tar -C "$MILL_ROOT" -c "./$MILL_SHARE" | tar -C "$1/root/mill" -x' \
  --customize-hook='mount --rbind "$1" "$1" && status=0 && chroot "$1" env -i HOME=/root \
    TERM="${TERM:-dumb}" LANG=C.UTF-8 ${CI:+CI="$CI"} MILL_ROOT_PACKAGES="$MILL_ROOT_PACKAGES" \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin MILL_COMMAND="$MILL_COMMAND" \
    bash -ec "$MILL_IN_ROOT" || status=$?
    umount --recursive --lazy "$1" && exit "$status"' \
  "$release" /dev/null &
wait $!
