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
# builder out of the zip, and Wine and zipinfo to check the result.
MILL_WINDOWS_PACKAGES="cmake make g++-mingw-w64-x86-64-win32 icoutils strip-nondeterminism
  wine unzip"

# The web page: the compiler, and Chromium to open the page in the tests.
MILL_WEB_PACKAGES="cmake make emscripten"
MILL_BROWSER_PACKAGES="chromium nodejs"

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

# Downloads a Debian source package into the folder, from the Debian
# archives this machine installs from, with a private apt setup (deb-src
# entries, lists and cache under the folder's apt/) that leaves the system's
# untouched. apt checks each file that arrives against the archive's signed
# index. Where a mirror lacks the .dsc or the Debian changes, which not every
# use needs, it goes on with the upstream tarball and names what is missing;
# it fails, with apt's own words, when the upstream tarball did not arrive.
fetch_debian_source() {
  local package=$1 folder=$2
  local apt="$folder/apt"
  rm -rf "$folder"
  mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial"
  debian_archives | sed 's/^/deb-src /' >"$apt/sources.list"
  local options=(-o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=/dev/null"
    -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -o "APT::Sandbox::User=$(id -un)")
  apt-get "${options[@]}" -qq update
  local said
  said=$(cd "$folder" && apt-get "${options[@]}" -qq --download-only source "$package" 2>&1) &&
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
# XVFB_PID, and waits until the server answers, so no client races its start.
start_xvfb() {
  local numfile
  numfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1600x1600x24 -nolisten tcp -noreset 3>"$numfile" 2>/dev/null &
  XVFB_PID=$!
  local tries=0
  while [ ! -s "$numfile" ] && [ $tries -lt 200 ]; do
    kill -0 "$XVFB_PID" 2>/dev/null || break
    sleep 0.05
    tries=$((tries + 1))
  done
  if [ ! -s "$numfile" ]; then
    rm -f "$numfile"
    echo "Xvfb did not start" >&2
    return 1
  fi
  export DISPLAY=":$(tr -d '[:space:]' <"$numfile")"
  rm -f "$numfile"
  until xdpyinfo >/dev/null 2>&1; do sleep 0.05; done
  export XVFB_PID
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

stop_xvfb() {
  if [ -n "${XVFB_PID:-}" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
  fi
  XVFB_PID=""
}
