# Helpers shared by our commands. Source it; it defines functions only.

# Debian packages beside debian/control's Build-Depends, for: no display;
# the checks and the benchmark; the Windows build, Wine; the page.
MILL_HEADLESS_PACKAGES="xvfb xauth x11-utils libgl1-mesa-dri imagemagick"
MILL_CHECK_PACKAGES="clang-format clang-tidy git debhelper fakeroot desktop-file-utils man-db
  lintian appstream libbenchmark-dev"
MILL_WINDOWS_PACKAGES="cmake make g++-mingw-w64-x86-64-win32 icoutils strip-nondeterminism"
MILL_WINE_PACKAGES="wine unzip"
MILL_BROWSER_PACKAGES="chromium nodejs"
# What a machine has that a build daemon's root has not (on-debian.sh).
MILL_ROOT_PACKAGES="ca-certificates git passwd procps sudo"
# The private display of xvfb-run: a screen that holds the largest window.
MILL_XVFB="-screen 0 1600x1600x24 -noreset"

# Whether Wine can run the x86-64 mill.exe here: on amd64, where apt has a
# Wine to install (Debian testing has had none); says why not where not.
wine_runs_x86_64() {
  local arch=$(dpkg --print-architecture)
  [ "$arch" = amd64 ] ||
    { echo "Left out: mill.exe under Wine, which runs no x86-64 program on $arch" >&2 && return 1; }
  grep -q '^ *Candidate: [^(]' <<<"$(apt-cache policy wine 2>/dev/null)" ||
    { echo "Left out: mill.exe under Wine, which apt has none of here" >&2 && return 1; }
}

# Installs, as root, the packages named that are missing, moreutils (for
# chronic), and after --build-depends PROFILE debian/control's Build-Depends
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
  DEBIAN_FRONTEND=noninteractive sh -c "${build}apt-get install -y -qq --no-install-recommends $missing" \
    >/dev/null
}

# The archives this machine installs from (URI, suite, component); Debian's.
debian_archives() {
  apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(COMPONENT)' 'Created-By: Packages' | sort -u
}
debian_mirror() { debian_archives | awk '$1 ~ /\/debian\/?$/ { sub(/\/+$/, "", $1); print $1; exit }'; }

# What lintian of Debian 12 and 13 flags and the package rightly leaves: it
# predates Policy 4.7.4, and dpkg's defaults of Priority and R-R-R; 12's
# also the AppStream tag the package overrides (alien-tag).
lintian_behind() {
  local tags=newer-standards-version,recommended-field,silent-on-rules-requiring-root
  [[ ! $1 =~ ^(12|bookworm)$ ]] || tags=$tags,alien-tag
  [[ ! $1 =~ ^(12|13|bookworm|trixie)$ ]] || echo "--suppress-tags=$tags"
}

# A Debian release's code name, given its number or name.
debian_release() {
  case $1 in
    12 | bookworm) echo bookworm ;; 13 | trixie) echo trixie ;; 14 | forky | testing) echo forky ;;
    unstable | sid) echo sid ;;
  esac
}

# The date the release's Release file on the mirror was valid until, where
# that has passed, as a snapshot mirror serves testing's and unstable's.
release_expired() {
  local index until=""
  index=$(mktemp)
  ! /usr/lib/apt/apt-helper download-file "$2/dists/$1/InRelease" "$index" >/dev/null 2>&1 ||
    until=$(sed -n 's/^Valid-Until: //p' "$index")
  rm -f "$index"
  [ -n "$until" ] && [ "$(date -d "$until" +%s)" -lt "$(date +%s)" ] && echo "$until"
}

# Sets root to the release's root for the architecture, made by mmdebstrap
# once into ~/.cache/sbuild, one maker at a time: a build daemon's, or for
# arm64 the autopkgtest's testbed (dpkg-dev unpacks the source there). Where
# the release has expired, the root's apt lets that pass (mmdebstrap keeps
# --aptopt in 99mmdebstrap); a root made without that is made again.
debian_root() {
  local release=$1 arch=$2 mirror until options=(--variant=buildd) sources
  root=~/.cache/sbuild/$release-$arch.tar.gz mirror=$(debian_mirror)
  [ -n "$mirror" ] || { echo "This machine installs from no Debian archive" >&2 && return 1; }
  if until=$(release_expired "$release" "$mirror"); then
    echo "Debian $release's Release file on $mirror expired on $until: apt in its root" \
      "will not hold that against it" >&2
    options+=(--aptopt='Acquire::Check-Valid-Until "false"')
  fi
  [ "$arch" = "$(dpkg --print-architecture)" ] ||
    options=(--variant=apt --include=dpkg-dev "${options[@]:1}")
  sources=("deb $mirror $release main")
  [ "$release" = sid ] ||
    sources+=("deb $mirror $release-updates main" "deb $mirror-security $release-security main")
  mkdir -p ~/.cache/sbuild && exec 9>>"$root.lock" && flock 9
  [ -z "$until" ] || [ ! -f "$root" ] ||
    tar -tzf "$root" ./etc/apt/apt.conf.d/99mmdebstrap >/dev/null 2>&1 || rm "$root"
  if [ ! -f "$root" ]; then
    echo "Making a Debian $release $arch root in $root" >&2
    chronic mmdebstrap --mode=unshare --architectures="$arch" "${options[@]}" "$release" \
      "$root.partial.tar.gz" "${sources[@]}" || { flock -u 9 && return 1; }
    mv "$root.partial.tar.gz" "$root"
  fi
  flock -u 9
}

# Registers qemu for arm64 programs, for the whole machine, as Debian's
# packages do where systemd runs (docs/arm64.md): on 12 binfmt-support's
# update-binfmts, which mounts binfmt_misc itself; on 13 systemd-binfmt.
qemu_registered() {
  [ "$(head -1 /proc/sys/fs/binfmt_misc/qemu-aarch64 2>/dev/null)" != enabled ] || return 0
  if [ "$(. /etc/os-release && echo "$VERSION_ID")" = 12 ]; then
    ensure_packages qemu-user-static binfmt-support && update-binfmts --enable qemu-aarch64
  else
    ensure_packages qemu-user-binfmt systemd
    mountpoint -q /proc/sys/fs/binfmt_misc || mount -t binfmt_misc none /proc/sys/fs/binfmt_misc
    /usr/lib/systemd/systemd-binfmt /usr/lib/binfmt.d/qemu-aarch64.conf
  fi
}

# Downloads a Debian source package (NAME, or NAME=VERSION) into the folder,
# with an apt setup of its own there; where a mirror lacks the Debian parts,
# goes on with the upstream tarball.
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

# Runs the command (the mill) on a private virtual display and saves what its
# window shows as the PNG file once drawn (more than one colour, the same in
# two looks), in one deadline, each step bounded; else says why.
save_picture() {
  xvfb-run -a -s "$MILL_XVFB" bash -c '. "$0" && picture_of "$@"' "${BASH_SOURCE[0]}" "$@"
}
picture_of() (
  local picture=$1 limit=300 work pid="" window="" end status
  shift
  work=$(mktemp -d)
  trap '[ -z "$pid" ] || kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
  fail() { echo "No picture saved: $*" >&2 && exit 1; }
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
