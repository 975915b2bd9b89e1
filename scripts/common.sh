# Helpers shared by our commands. Source it; it defines functions only.

# Debian packages. Building the program, and with "tests" testing it:
# debian/control's Build-Depends (those marked <!nocheck> for the tests).
build_depends() {
  awk -v tests="${1:-}" '/^[^ ]/ { on = sub(/^Build-Depends:/, "") }
    on { n = split($0, field, ",")
      for (i = 1; i <= n; i++) if (split(field[i], word, " ") && word[1] != "debhelper-compat" &&
        (tests || field[i] !~ /<!nocheck>/)) printf "%s ", word[1] }' "$MILL_ROOT/debian/control"
  echo g++ make
}
# Running it with no display; checking the sources and the Debian package;
# the Windows build, Wine and zipinfo to check it; Chromium for the page.
MILL_HEADLESS_PACKAGES="xvfb x11-utils libgl1-mesa-dri imagemagick"
MILL_CHECK_PACKAGES="clang-format clang-tidy build-essential debhelper desktop-file-utils man-db
  lintian appstream"
MILL_WINDOWS_PACKAGES="cmake make g++-mingw-w64-x86-64-win32 icoutils strip-nondeterminism"
MILL_WINE_PACKAGES="wine unzip"
MILL_BROWSER_PACKAGES="chromium nodejs"

# Runs a command and shows what it says only if it fails.
quietly() {
  local said
  said=$("$@" 2>&1) || { echo "$said" >&2 && return 1; }
}

# Whether Wine can run the x86-64 mill.exe here: on amd64, where apt has a
# Wine to install (Debian testing has had none); says why not where not.
wine_runs_x86_64() {
  local arch
  arch=$(dpkg --print-architecture)
  [ "$arch" = amd64 ] ||
    { echo "Left out: mill.exe under Wine, which runs no x86-64 program on $arch" >&2 && return 1; }
  grep -q '^ *Candidate: [^(]' <<<"$(apt-cache policy wine 2>/dev/null)" ||
    { echo "Left out: mill.exe under Wine, which apt has none of here" >&2 && return 1; }
}

# Installs the named packages that are missing, as root; otherwise names
# the one apt-get line to run and fails.
ensure_packages() {
  local missing="" pkg
  for pkg in "$@"; do
    [[ $(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null) == *"ok installed" ]] || missing="$missing $pkg"
  done
  [ -n "$missing" ] || return 0
  if [ "$(id -u)" -ne 0 ]; then
    printf 'Missing packages. Run, as root:\n  apt-get update && apt-get install -y%s\n' "$missing" >&2
    return 1
  fi
  echo "Installing:$missing" >&2
  quietly apt-get update -qq
  DEBIAN_FRONTEND=noninteractive quietly apt-get install -y -qq --no-install-recommends $missing
}

# The Debian archives this machine installs from, as apt reads its sources:
# URI, suite and component, a line each.
debian_archives() {
  apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(COMPONENT)' 'Created-By: Packages' | sort -u
}

# Downloads a Debian source package (NAME, or NAME=VERSION) into the folder
# with an apt setup of its own there, checked against the signed index. Where
# a mirror lacks the Debian parts, it goes on with the upstream tarball.
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

# Configures and builds into the folder given first, with the options after it.
build_mill() { quietly cmake -S "$MILL_ROOT" -B "$@" && quietly cmake --build "$1" -j "$(nproc)"; }

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
# window shows as the PNG file once drawn: more than one colour, the same in
# two looks. One deadline covers the wait; every step checks that the
# program and its window are there, and is bounded in time. A wait that
# fails says why and saves nothing; the X server and the folder always go.
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
# under qemu, registered for no one else. qemu's static build is taken out of
# Debian's package into the folder given first (systemd would register an
# installed one for the machine) and opened as registered (F).
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
  # The maps are written from outside, once the namespace is there, and
  # waited for inside.
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
