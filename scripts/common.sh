# Helpers shared by our commands. Source it; it defines functions only.

# Debian packages, beside debian/control's Build-Depends: running the
# program with no display; checking the sources and the Debian package; the
# Windows build, Wine and zipinfo to check it; Chromium for the page.
MILL_HEADLESS_PACKAGES="xvfb x11-utils libgl1-mesa-dri imagemagick"
MILL_CHECK_PACKAGES="clang-format clang-tidy git debhelper fakeroot desktop-file-utils man-db
  lintian appstream"
MILL_WINDOWS_PACKAGES="cmake make g++-mingw-w64-x86-64-win32 icoutils strip-nondeterminism"
MILL_WINE_PACKAGES="wine unzip"
MILL_BROWSER_PACKAGES="chromium nodejs"
# What a machine has that a build daemon's root has not (on-debian.sh).
MILL_ROOT_PACKAGES="ca-certificates git passwd procps sudo"

# Whether Wine can run the x86-64 mill.exe here: on amd64, where apt has a
# Wine to install (Debian testing has had none); says why not where not.
wine_runs_x86_64() {
  local arch=$(dpkg --print-architecture)
  [ "$arch" = amd64 ] ||
    { echo "Left out: mill.exe under Wine, which runs no x86-64 program on $arch" >&2 && return 1; }
  grep -q '^ *Candidate: [^(]' <<<"$(apt-cache policy wine 2>/dev/null)" ||
    { echo "Left out: mill.exe under Wine, which apt has none of here" >&2 && return 1; }
}

# Installs, as root, the packages named that are missing, moreutils (whose
# chronic shows what a command said only if it fails), and after
# --build-depends PROFILE debian/control's Build-Depends as apt reads them
# (nocheck: the program's alone); otherwise names the line to run as root.
ensure_packages() {
  local profile=() build="" missing="" pkg
  if [ "${1:-}" = --build-depends ]; then
    [ -z "$2" ] || profile=(-P "$2")
    dpkg-checkbuilddeps "${profile[@]}" "$MILL_ROOT/debian/control" >/dev/null 2>&1 ||
      build="apt-get build-dep -y --no-install-recommends ${profile[*]} $MILL_ROOT && "
    shift 2
  fi
  for pkg in moreutils "$@"; do
    [[ $(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null) == *"ok installed" ]] || missing="$missing $pkg"
  done
  [ -n "$build$missing" ] || return 0
  [ "$(id -u)" -eq 0 ] || { printf 'Missing packages. Run, as root:\n  apt-get update && %s%s\n' \
    "$build" "apt-get install -y$missing" >&2 && return 1; }
  echo "Installing:$missing${build:+ and the build dependencies}" >&2
  apt-get update -qq
  [ -x /usr/bin/chronic ] ||
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends moreutils >/dev/null
  DEBIAN_FRONTEND=noninteractive chronic sh -c "${build}apt-get install -y --no-install-recommends $missing"
}

# The archives this machine installs from, as apt reads its sources (URI,
# suite, component), and of them Debian's own.
debian_archives() {
  apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(COMPONENT)' 'Created-By: Packages' | sort -u
}
debian_mirror() { debian_archives | awk '$1 ~ /\/debian\/?$/ { sub(/\/+$/, "", $1); print $1; exit }'; }

# What lintian of Debian 12 and 13 flags and the package rightly leaves: it
# predates Policy 4.7.4, and dpkg's defaults of Priority and R-R-R.
lintian_behind() {
  [[ ! $1 =~ ^(12|13|bookworm|trixie)$ ]] ||
    echo --suppress-tags=newer-standards-version,recommended-field,silent-on-rules-requiring-root
}

# A Debian release's code name, given its number or name.
debian_release() {
  case $1 in 12 | bookworm) echo bookworm ;; 13 | trixie) echo trixie ;; 14 | forky) echo forky ;; esac
}

# Sets root to the root of a release and architecture, where sbuild looks for
# it, made once (with mmdebstrap's options given after) in namespaces that end
# with the caller. This machine's architecture's is a build daemon's, that
# sbuild builds in and on-debian.sh runs in. Another's, made under qemu in a
# user namespace (which may not mount the sysfs that making a root needs
# not), only runs the autopkgtest: it is the smallest that does (dpkg-dev
# unpacks the source package), with all that runs in it installed already by
# mmdebstrap's apt, this machine's own, rather than by apt under qemu.
debian_root() {
  local release=$1 arch=$2 mirror options=(--variant=buildd)
  local making=(in_background setpriv --pdeathsig KILL unshare --mount --pid --fork --kill-child
    --propagation private)
  root=~/.cache/sbuild/$1-$2.tar.gz
  shift 2
  [ "$arch" = "$(dpkg --print-architecture)" ] || making=(emulating /var/cache/mill/qemu)
  [ "$arch" = "$(dpkg --print-architecture)" ] || options=(--variant=minbase --skip=chroot/mount/sys
    --include="$MILL_ROOT_PACKAGES autopkgtest dpkg-dev moreutils")
  [ ! -f "$root" ] || return 0
  echo "Making a Debian $release $arch root in $root" >&2
  mirror=$(debian_mirror) && mkdir -p ~/.cache/sbuild
  "${making[@]}" mmdebstrap --quiet --architectures="$arch" "${options[@]}" "$@" \
    --customize-hook='rm -f "$1/etc/apt/apt.conf.d/99mmdebstrap"' "$release" "$root.partial.tar.gz" \
    "deb $mirror $release main" "deb $mirror $release-updates main" \
    "deb $mirror-security $release-security main"
  mv "$root.partial.tar.gz" "$root"
}

# Runs a command in the background, so that a signal stops the caller at once
# (whose traps kill $sandbox), and waits for it.
in_background() {
  local status=0
  "$@" &
  sandbox=$!
  wait "$sandbox" || status=$?
  sandbox="" && return "$status"
}

# Downloads a Debian source package (NAME, or NAME=VERSION) into the folder,
# with an apt setup of its own there, checked against the signed index; where
# a mirror lacks the Debian parts, goes on with the upstream tarball.
fetch_debian_source() {
  local source=$1 folder=$2 package=${1%%=*} apt="$2/apt" said
  rm -rf "$folder"
  mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial"
  debian_archives | sed 's/^/deb-src /' >"$apt/sources.list"
  local options=(-o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=/dev/null"
    -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -o "APT::Sandbox::User=$(id -un)")
  apt-get "${options[@]}" -qq update
  said=$(cd "$folder" && apt-get "${options[@]}" -qq --download-only source "$source" 2>&1) &&
    return 0
  [ -n "$(find "$folder" -maxdepth 1 -name "${package}_*.orig.tar.*")" ] ||
    { echo "Could not download the source package $package: $said" >&2 && return 1; }
  echo "Not all of $package's source is on this mirror; going on with its upstream tarball" >&2
}

build_mill() { chronic cmake -S "$MILL_ROOT" -B "$@" && chronic cmake --build "$1" -j "$(nproc)"; }

# Starts a private X server on a free display, exports DISPLAY and XVFB_PID,
# and waits (30 seconds at most, while it runs) until it answers.
start_xvfb() {
  local numfile _
  numfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1600x1600x24 -nolisten tcp -noreset 3>"$numfile" 2>/dev/null &
  export XVFB_PID=$!
  for _ in $(seq 600); do
    kill -0 "$XVFB_PID" 2>/dev/null || break
    export DISPLAY=":$(tr -d '[:space:]' <"$numfile")"
    [ "$DISPLAY" != : ] && xdpyinfo >/dev/null 2>&1 && rm -f "$numfile" && return 0
    sleep 0.05
  done
  rm -f "$numfile"
  echo "Xvfb did not start" >&2 && return 1
}

# Runs the command (the mill) on a private virtual display and saves what its
# window shows as the PNG file once drawn (more than one colour, the same in
# two looks), in one deadline, each step bounded and checking that program
# and window are there; else says why. The X server and the folder go.
save_picture() (
  local picture=$1 limit=300 work pid="" window="" end status
  shift
  work=$(mktemp -d)
  trap '[ -z "$pid" ] || kill "$pid" 2>/dev/null || true; stop_xvfb; rm -rf "$work"' EXIT
  fail() { echo "No picture saved: $*" >&2 && exit 1; }
  start_xvfb
  "$@" &
  pid=$! end=$((SECONDS + limit))
  : >"$work/last"
  while :; do
    if ! kill -0 "$pid" 2>/dev/null; then
      wait "$pid" && status=0 || status=$?
      pid="" && fail "the program ended with status $status"
    fi
    [ $SECONDS -lt $end ] || fail "no picture came in $((limit / 60)) minutes"
    if [ -z "$window" ]; then
      window=$(timeout 10 xwininfo -root -children 2>/dev/null | awk '/"Mill"/ {print $1; exit}' || :)
    elif timeout 10 import -window "$window" "ppm:$work/now" 2>/dev/null; then
      if cmp -s "$work/now" "$work/last" && [ "$(identify -format %k "$work/now")" -gt 1 ]; then
        break
      fi
      mv "$work/now" "$work/last"
    elif ! timeout 10 xwininfo -id "$window" >/dev/null 2>&1; then
      fail "the Mill window went away"
    fi
    sleep 0.5
  done
  convert "$work/now" "$picture"
)

stop_xvfb() {
  [ -z "${XVFB_PID:-}" ] || { kill "$XVFB_PID" && wait "$XVFB_PID"; } 2>/dev/null || true
  XVFB_PID=""
}

# Whether a command may have a binfmt_misc of its own, in a user namespace of
# its own (Linux 6.7 and later); says why not where it may not.
emulation_allowed() {
  unshare --user --map-root-user --mount \
    sh -c 'mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc' 2>/dev/null && return 0
  echo "No binfmt_misc of a command's own here (Linux 6.7 or later, with user namespaces):" \
    "nothing for arm64 can run" >&2
  return 1
}

# Runs a command as root of a user namespace of its own, every user and group
# itself, in mount and process namespaces that end with the caller ($sandbox
# ends them sooner), with a binfmt_misc of its own that runs arm64 programs
# under qemu, for no one else: qemu's static build, out of Debian's package
# into the folder given first (installed, systemd would register it for all).
emulating() {
  local folder=$1 qemu package map status=0
  shift
  # Debian 12 keeps the static build in qemu-user-static, 13 in qemu-user.
  if [ ! -d "$folder/usr/bin" ]; then
    mkdir -p "$folder/packages"
    apt-get update -qq
    (cd "$folder/packages" && apt-get download -qq -o APT::Sandbox::User=root qemu-user-static qemu-user)
    for package in "$folder"/packages/*.deb; do dpkg-deb -x "$package" "$folder"; done
  fi
  qemu=$folder/usr/bin/qemu-aarch64-static
  [ -x "$qemu" ] || qemu=$folder/usr/bin/qemu-aarch64
  # The maps, written from outside once the namespace is there, waited for.
  setpriv --pdeathsig KILL unshare --user --mount --pid --fork --kill-child --propagation private \
    /bin/sh -euc '
    until [ -n "$(cat /proc/self/uid_map)" ]; do sleep 0.05; done
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
    elf="\x7f\x45\x4c\x46\x02\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\xb7\x00"
    mask="\xff\xff\xff\xff\xff\xff\xff\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff"
    printf "%s" ":qemu-aarch64:M::$elf:$mask:$0:F" >/proc/sys/fs/binfmt_misc/register
    exec "$@"' "$qemu" "$@" &
  sandbox=$!
  while [ "$(readlink "/proc/$sandbox/ns/user")" = "$(readlink /proc/self/ns/user)" ]; do
    sleep 0.05
  done
  for map in uid_map gid_map; do echo "0 0 4294967295" >"/proc/$sandbox/$map"; done
  wait "$sandbox" || status=$?
  sandbox="" && return "$status"
}
