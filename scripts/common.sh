# Helpers shared by the run and test commands. Source it; it defines functions only.

# Debian packages, by what needs them. Building and running the program:
MILL_BUILD_PACKAGES="g++ cmake make libgl-dev libglu1-mesa-dev libglut-dev libx11-dev
  libgl1-mesa-dri"
# Running it with no display: a private X server and a screenshot of it.
MILL_HEADLESS_PACKAGES="xvfb x11-utils imagemagick"
# The tests and the benchmark.
MILL_TEST_PACKAGES="libglm-dev libgtest-dev libbenchmark-dev $MILL_HEADLESS_PACKAGES"
# The checks of the whole build: formatting, clang-tidy, the desktop entry,
# the manual page, the AppStream metadata and the Debian package.
MILL_CHECK_PACKAGES="clang-format clang-tidy desktop-file-utils man-db dpkg-dev file
  strip-nondeterminism lintian appstream"
# The Windows build: the cross compiler, the icon maker, what takes the
# builder out of the zip; and Wine and zipinfo to check the result.
MILL_WINDOWS_PACKAGES="cmake make g++-mingw-w64-x86-64-win32 icoutils strip-nondeterminism"
MILL_WINE_PACKAGES="wine unzip"

# The web page: the compiler, and Chromium to open the page in the tests.
MILL_WEB_PACKAGES="cmake make emscripten"
MILL_BROWSER_PACKAGES="chromium nodejs"

# Whether Wine can run the x86-64 mill.exe here: on amd64, where apt has a
# Wine to install (Debian testing knows the package but has had none to
# install); says in one line why not where it cannot.
wine_runs_x86_64() {
  local arch
  arch=$(dpkg --print-architecture)
  if [ "$arch" != amd64 ]; then
    echo "Left out: mill.exe under Wine, which runs no x86-64 program on $arch" >&2
    return 1
  fi
  grep -q '^ *Candidate: [^(]' <<<"$(apt-cache policy wine 2>/dev/null)" && return 0
  echo "Left out: mill.exe under Wine, which apt has none of here" >&2
  return 1
}

# Installs the named packages that are missing when run as root; otherwise
# names the one apt-get line to run and fails.
ensure_packages() {
  local missing="" pkg
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' ||
      missing="$missing $pkg"
  done
  [ -z "$missing" ] && return 0
  if [ "$(id -u)" -eq 0 ]; then
    echo "Installing:$missing" >&2
    # What apt and dpkg say is shown only when the installation fails.
    local said
    said=$({ apt-get update -qq &&
      DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing; } 2>&1) ||
      { echo "$said" >&2 && return 1; }
  else
    echo "Missing packages. Run, as root:" >&2
    echo "  apt-get update && apt-get install -y$missing" >&2
    return 1
  fi
}

# The Debian archives this machine installs packages from, a line each: URI,
# suite and component, as apt itself reads its sources, in either format.
debian_archives() {
  apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(COMPONENT)' 'Created-By: Packages' |
    sort -u
}

# Downloads a Debian source package (NAME, or NAME=VERSION) into the
# folder, from the Debian archives this machine installs from, with a
# private apt setup (deb-src entries, lists and cache under the folder's
# apt/) that leaves the system's untouched. apt checks each file that
# arrives against the archive's signed index. Where a mirror lacks the .dsc
# or the Debian changes, which not every use needs, it goes on with the
# upstream tarball and names what is missing; it fails, with apt's own
# words, when the upstream tarball did not arrive.
fetch_debian_source() {
  local source=$1 folder=$2 package=${1%%=*}
  local apt="$folder/apt"
  rm -rf "$folder"
  mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial"
  debian_archives | sed 's/^/deb-src /' >"$apt/sources.list"
  local options=(-o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=/dev/null"
    -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -o "APT::Sandbox::User=$(id -un)")
  apt-get "${options[@]}" -qq update
  local said
  said=$(cd "$folder" && apt-get "${options[@]}" -qq --download-only source "$source" 2>&1) &&
    return 0
  [ -n "$(find "$folder" -maxdepth 1 -name "${package}_*.orig.tar.*")" ] || {
    echo "Could not download the source package $package. apt-get said:" >&2
    echo "$said" >&2
    return 1
  }
  echo "Not all of $package's source is on this mirror; going on with its upstream" \
    "tarball. apt-get said: $said" >&2
}

# Configures and builds into the given folder (default: build).
build_mill() {
  local dir=${1:-build}
  shift || true
  cmake -S "$MILL_ROOT" -B "$dir" "$@" >/dev/null &&
    cmake --build "$dir" -j "$(nproc)" >/dev/null
}

# Starts a private X server on a free display number, exports DISPLAY and
# XVFB_PID, and waits until the server answers, so no client races its start
# (30 seconds at most, as long as the server runs).
start_xvfb() {
  local numfile _
  numfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1600x1600x24 -nolisten tcp -noreset 3>"$numfile" 2>/dev/null &
  export XVFB_PID=$!
  for _ in $(seq 600); do
    kill -0 "$XVFB_PID" 2>/dev/null || break
    if [ -s "$numfile" ]; then
      export DISPLAY=":$(tr -d '[:space:]' <"$numfile")"
      xdpyinfo >/dev/null 2>&1 && rm -f "$numfile" && return 0
    fi
    sleep 0.05
  done
  rm -f "$numfile"
  echo "Xvfb did not start" >&2
  return 1
}

# Prints the id of the window captioned "Mill" once it is there (within the
# given seconds, ten by default); fails if it never comes.
wait_for_mill_window() {
  local window="" _
  for _ in $(seq $((${1:-10} * 10))); do
    window=$(xwininfo -root -children 2>/dev/null | awk '/"Mill"/ {print $1; exit}')
    [ -n "$window" ] && echo "$window" && return 0
    sleep 0.1
  done
  echo "The Mill window did not appear" >&2
  return 1
}

# Runs the command (the mill) on a private virtual display and saves what its
# window shows in the given PNG file, once the program has drawn it, never a
# window that is still blank: a slow renderer, a loaded machine or a first
# run with an empty shader cache can take a minute or more over the first
# frame (an emulated CPU does). So one long deadline covers the whole wait,
# every step checks that the program and its window are still there, and
# every look at the window is bounded in time (import waits for a click
# where the window is gone). A wait that fails saves nothing, and says why;
# the X server and the folder go whatever happens.
save_picture() (
  local picture=$1 limit=300 work pid="" window="" end status
  shift
  work=$(mktemp -d)
  trap '[ -z "$pid" ] || kill "$pid" 2>/dev/null || true; stop_xvfb; rm -rf "$work"' EXIT
  fail() {
    echo "No picture saved: $*" >&2
    exit 1
  }
  start_xvfb
  "$@" &
  pid=$!
  end=$((SECONDS + limit))
  : >"$work/last"
  # Drawn: more than one colour, and the same in two looks half a second apart.
  while :; do
    if ! kill -0 "$pid" 2>/dev/null; then
      status=0
      wait "$pid" || status=$?
      pid=""
      fail "the program ended with status $status"
    fi
    [ $SECONDS -lt $end ] || fail "no picture came in $((limit / 60)) minutes"
    if [ -z "$window" ]; then
      window=$(timeout 10 xwininfo -root -children 2>/dev/null | awk '/"Mill"/ {print $1; exit}') ||
        true
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
  if [ -n "${XVFB_PID:-}" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
  fi
  XVFB_PID=""
}

# Whether a command may have a binfmt_misc of its own, in a user namespace of
# its own (Linux 6.7 and later, with user namespaces allowed); says why not
# where it may not.
emulation_allowed() {
  unshare --user --map-root-user --mount \
    sh -c 'mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc' 2>/dev/null && return 0
  echo "This machine gives a command no binfmt_misc of its own (that takes Linux 6.7" \
    "or later, with user namespaces allowed), so nothing for arm64 can run here" >&2
  return 1
}

# Runs a command as root of a user namespace of its own, in which every user
# and group is itself, with mount and process namespaces of its own, and a
# binfmt_misc of its own that runs arm64 programs under qemu: nothing is
# registered for the machine. Nor is qemu installed (systemd registers an
# installed qemu for the machine at every start): its static build is taken
# out of Debian's package into the folder given first, and opened as it is
# registered (F), so that it runs in a root that has none.
emulating() {
  local folder=$1 qemu fifo pid package
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
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  exec 3<>"$fifo"
  rm "$fifo"
  unshare --user --mount --pid --fork --propagation private /bin/sh -euc '
    read -r _ <&3
    exec 3<&-
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
    elf="\x7f\x45\x4c\x46\x02\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\xb7\x00"
    mask="\xff\xff\xff\xff\xff\xff\xff\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff"
    printf "%s" ":qemu-aarch64:M::$elf:$mask:$0:F" >/proc/sys/fs/binfmt_misc/register
    exec "$@"' "$qemu" "$@" &
  pid=$!
  # The maps are written from outside, once the namespace is there.
  while [ "$(readlink "/proc/$pid/ns/user")" = "$(readlink /proc/self/ns/user)" ]; do
    sleep 0.05
  done
  echo "0 0 4294967295" >"/proc/$pid/uid_map"
  echo "0 0 4294967295" >"/proc/$pid/gid_map"
  echo >&3
  exec 3>&-
  wait "$pid"
}
