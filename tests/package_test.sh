#!/usr/bin/env bash
# Makes the Debian package as a packager would, from its source package
# (dpkg-buildpackage, without the tests, which the test command runs itself),
# with the test and benchmark libraries hidden as on a packager's machine:
# the source package is the files Git tracks; the program alone builds, and
# the package holds what a desktop and a software centre expect; the desktop
# entry, manual page and AppStream metadata validate; one version runs
# through it; lintian accepts it; cmake --install installs nothing of
# Debian's; and the packaged program opens its window. That it installs and
# runs on a clean system is the autopkgtest's to show (debian/tests).
set -euo pipefail
build=$(cd "$1" && pwd)
MILL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$MILL_ROOT/scripts/common.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# The source package (docs/debian-package.md) of the files Git tracks as they
# stand (a commit of them made for the purpose, where they differ from
# HEAD's): it holds every one of them, and nothing else.
git -C "$MILL_ROOT" rev-parse 2>/dev/null || { echo "SKIPPED: not a Git checkout" >&2 && exit 77; }
upstream=$(dpkg-parsechangelog -l "$MILL_ROOT/debian/changelog" -S Version | sed 's/-[^-]*$//')
tree=$(git -C "$MILL_ROOT" -c user.name=mill -c user.email=mill@localhost stash create || true)
git -C "$MILL_ROOT" archive --format=tar --prefix="mill-$upstream/" "${tree:-HEAD}" ':!debian' |
  xz >"$work/mill_$upstream.orig.tar.xz"
copy="$work/mill-$upstream"
git -C "$MILL_ROOT" archive --format=tar --prefix="mill-$upstream/" "${tree:-HEAD}" | tar -xf - -C "$work"
(cd "$work" && dpkg-source -b "mill-$upstream" && dpkg-source -x mill_*.dsc source) >/dev/null 2>&1 ||
  fail "dpkg-source"
listed=$(diff <(git -C "$MILL_ROOT" ls-files | sort) \
  <(cd "$work/source" && find . -path ./.pc -prune -o -type f -printf '%P\n' | sort)) ||
  fail "the source package is not the files Git tracks: $listed"
hide=""
for path in /usr/include/{gtest,gmock,benchmark,glm} /usr/share/cmake/glm \
  /usr/lib/*/cmake/{GTest,benchmark}; do
  [ -d "$path" ] && hide="$hide mount -t tmpfs none $path &&"
done
namespace=(unshare --mount)
[ "$(id -u)" -eq 0 ] || namespace+=(--map-root-user)
skipped=""
if ! "${namespace[@]}" true 2>/dev/null; then
  skipped="no unshare --mount here (run as root, or allow user namespaces): the package was built with the test libraries in sight"
  namespace=(env) hide=""
fi
"${namespace[@]}" sh -c "$hide cd '$copy' && dpkg-buildpackage --no-sign -b -Pnocheck" \
  >"$work/build.log" 2>&1 || fail "dpkg-buildpackage: $(tail -20 "$work/build.log")"
[ ! -e "$copy"/obj-*/tests ] && [ ! -e "$copy"/obj-*/bench ] ||
  fail "the program-only build made more than the program"
deb=$(echo "$work"/mill_*.deb)
root="$work/root"
dpkg-deb -x "$deb" "$root"
for file in bin/mill share/applications/mill.desktop share/man/man1/mill.1.gz \
  share/metainfo/org.example.mill.metainfo.xml share/doc/mill/README.md.gz \
  share/doc/mill/data/mill.png share/doc/mill/copyright share/doc/mill/changelog.Debian.gz; do
  [ -f "$root/usr/$file" ] || fail "$file is not in the package"
done
for size in 16 24 32 48 64 128 256; do
  icon="$root/usr/share/icons/hicolor/${size}x${size}/apps/mill.png"
  corners='%[fx:max(max(p{0,0}.a,p{w-1,0}.a),max(p{0,h-1}.a,p{w-1,h-1}.a))]'
  [ "$(identify -format "%wx%h $corners" "$icon")" = "${size}x${size} 0" ] ||
    fail "no ${size}px icon with transparent corners"
done

said=$(desktop-file-validate "$root/usr/share/applications/mill.desktop" 2>&1) ||
  fail "desktop entry: $said"
[ -z "$said" ] || fail "desktop entry: $said"
said=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/mill.1.gz" 2>&1 >/dev/null)
[ -z "$said" ] || fail "manual page: $said"
# The metadata on its own, then with the desktop entry it names as launchable:
# no error or warning but those data/appstream-overrides accepts, with its
# reasons (validators of different releases know different tags).
accepted=$(grep -vE '^(#|$)' "$MILL_ROOT/data/appstream-overrides")
for check in "validate $root/usr/share/metainfo/org.example.mill.metainfo.xml" "validate-tree $root"; do
  said=$(appstreamcli $check --no-net 2>&1) && continue
  if ! grep -qE '^ *[EW]: ' <<<"$said" || grep -E '^ *[EW]: ' <<<"$said" | grep -qvwF "$accepted"; then
    fail "AppStream $check: $said"
  fi
done

depends=$(dpkg-deb -f "$deb" Depends)
for library in libglut3.12 libglu1-mesa libopengl0 libglx0 libx11-6 libstdc++6 libc6; do
  [[ "$depends" == *"$library"* ]] || fail "Depends lacks $library: $depends"
done
# One version, the project's, as the package carries it: it heads the
# changelog, the manual page and the AppStream releases.
version=$(dpkg-deb -f "$deb" Version | sed 's/-[^-]*$//')
grep -q "^project(mill VERSION $version " "$MILL_ROOT/CMakeLists.txt" ||
  fail "the project's version is not the package's, $version"
zgrep -q "^\.TH MILL 1 .* \"mill $version\"" "$root/usr/share/man/man1/mill.1.gz" ||
  fail "the manual page is not for version $version"
grep -m1 -o '<release version="[^"]*"' "$root"/usr/share/metainfo/*.metainfo.xml |
  grep -qx "<release version=\"$version\"" || fail "the latest AppStream release is not $version"
said=$(lintian --pedantic $(lintian_behind "$(. /etc/os-release && echo "$VERSION_ID")") "$deb" 2>&1) ||
  fail "lintian: $said"
! grep -E '^(E|W):' <<<"$said" || fail "lintian has errors or warnings"

# What cmake --install installs is the program's alone.
cmake --install "$build" --prefix "$work/prefix" >/dev/null
[ -x "$work/prefix/bin/mill" ] && [ ! -e "$work/prefix/share/lintian" ] ||
  fail "cmake --install: $(cd "$work/prefix" && find . -type f)"

# The packaged program opens its window, and draws in it.
save_picture "$work/packaged.png" "$root/usr/bin/mill"
[ "$(identify -format %wx%h "$work/packaged.png")" = 500x500 ] ||
  fail "packaged program: a window of $(identify -format %wx%h "$work/packaged.png")"
echo "program alone, install tree, icons, desktop entry, manual page, metadata, version,"
echo "lintian, cmake --install and packaged program: all good"
[ -z "$skipped" ] || { echo "SKIPPED: $skipped" >&2 && exit 77; }
