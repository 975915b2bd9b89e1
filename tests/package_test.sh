#!/usr/bin/env bash
# Installs the build into a scratch prefix and packages it, as a packager
# would: the install tree holds what a desktop and a software centre expect,
# the desktop entry, manual page and AppStream metadata validate, lintian
# accepts the .deb, the program alone builds without the test libraries and
# gives the very same .deb from another folder, and the packaged program
# opens its window.
set -euo pipefail
build=$(cd "$1" && pwd)
MILL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$MILL_ROOT/scripts/common.sh"
work=$(mktemp -d)
trap 'stop_xvfb; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
for file in bin/mill share/applications/mill.desktop share/man/man1/mill.1.gz \
  share/metainfo/org.example.mill.metainfo.xml share/doc/mill/README.md \
  share/doc/mill/data/mill.png share/doc/mill/copyright share/doc/mill/changelog.gz; do
  [ -f "$prefix/$file" ] || fail "$file is not installed"
done
for size in 16 24 32 48 64 128 256; do
  icon="$prefix/share/icons/hicolor/${size}x${size}/apps/mill.png"
  corners='%[fx:max(max(p{0,0}.a,p{w-1,0}.a),max(p{0,h-1}.a,p{w-1,h-1}.a))]'
  [ "$(identify -format "%wx%h $corners" "$icon")" = "${size}x${size} 0" ] ||
    fail "no ${size}px icon with transparent corners"
done

said=$(desktop-file-validate "$prefix/share/applications/mill.desktop" 2>&1) ||
  fail "desktop entry: $said"
[ -z "$said" ] || fail "desktop entry: $said"
said=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/mill.1.gz" 2>&1 >/dev/null)
[ -z "$said" ] || fail "manual page: $said"
# The metadata on its own, then with the desktop entry it names as launchable:
# no error or warning but those data/appstream-overrides accepts, with its
# reasons (validators of different releases know different tags).
accepted=$(grep -vE '^(#|$)' "$MILL_ROOT/data/appstream-overrides")
for check in "validate $prefix/share/metainfo/org.example.mill.metainfo.xml" "validate-tree $prefix"; do
  said=$(appstreamcli $check --no-net 2>&1) && continue
  if ! grep -qE '^ *[EW]: ' <<<"$said" || grep -E '^ *[EW]: ' <<<"$said" | grep -qvwF "$accepted"; then
    fail "AppStream $check: $said"
  fi
done

# The package as the README makes it; and any other kind CPack makes.
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/package" >/dev/null
cpack -G TGZ --config "$build/CPackConfig.cmake" -B "$work/tgz" >/dev/null || fail "cpack -G TGZ"
deb=$(echo "$work"/package/mill_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for library in libglut3.12 libglu1-mesa libopengl0 libglx0 libx11-6 libstdc++6 libc6; do
  [[ "$depends" == *"$library"* ]] || fail "Depends lacks $library: $depends"
done
# One version, the project's, as the package carries it: it heads the
# changelog, the manual page and the AppStream releases.
version=$(dpkg-deb -f "$deb" Version)
[[ "$(zcat "$prefix/share/doc/mill/changelog.gz")" == "mill ($version) "* ]] ||
  fail "the changelog's first entry is not version $version"
zgrep -q "^\.TH MILL 1 .* \"mill $version\"" "$prefix/share/man/man1/mill.1.gz" ||
  fail "the manual page is not for version $version"
grep -m1 -o '<release version="[^"]*"' "$prefix"/share/metainfo/*.metainfo.xml |
  grep -qx "<release version=\"$version\"" || fail "the latest AppStream release is not $version"
said=$(lintian --pedantic "$deb" 2>/dev/null) || fail "lintian: $said"
! grep -E '^(E|W):' <<<"$said" || fail "lintian has errors or warnings"

# The program alone, from a copy of the sources in another folder, with the
# test and benchmark libraries hidden as on a packager's machine: it builds,
# and its package is byte for byte the one above. Without dpkg-shlibdeps,
# packaging it stops and says so. This, and what follows, needs a mount
# namespace.
namespace=(unshare --mount)
[ "$(id -u)" -eq 0 ] || namespace+=(--map-root-user)
"${namespace[@]}" true 2>/dev/null || { echo "SKIPPED: no unshare --mount here (run as root, or" \
  "allow user namespaces): the program alone and all after it went unchecked" >&2 && exit 77; }
copy="$work/elsewhere/mill-source"
mkdir -p "$copy"
tar -C "$MILL_ROOT" --exclude='./build*' --exclude=./.git -cf - . | tar -C "$copy" -xf -
hide=""
for path in /usr/include/{gtest,gmock,benchmark,glm} /usr/share/cmake/glm \
  /usr/lib/*/cmake/{GTest,benchmark}; do
  [ -d "$path" ] && hide="$hide mount -t tmpfs none $path &&"
done
"${namespace[@]}" sh -c "$hide [ ! -e /usr/include/gtest/gtest.h ] &&
  cmake -S '$copy' -B '$copy/build' -DBUILD_TESTING=OFF >'$work/alone.log' 2>&1 &&
  cmake --build '$copy/build' >>'$work/alone.log' 2>&1" ||
  fail "the program alone did not build: $(cat "$work/alone.log")"
[ -x "$copy/build/mill" ] && [ ! -e "$copy/build/bench" ] && [ ! -e "$copy/build/tests" ] ||
  fail "the program-only build made more than the program"
# Packaged under the most restrictive umask, it is still the same.
(umask 077 && cpack -G DEB --config "$copy/build/CPackConfig.cmake" -B "$work/again" >/dev/null)
again=$(echo "$work"/again/mill_*.deb)
[ "$(sha256sum <"$deb")" = "$(sha256sum <"$again")" ] ||
  fail "two builds, under umask $(umask) and 077, gave two packages"

: >"$work/not-a-tool"
! "${namespace[@]}" sh -c "mount --bind '$work/not-a-tool' '$(command -v dpkg-shlibdeps)' &&
  cpack -G DEB --config '$copy/build/CPackConfig.cmake' -B '$work/without'" \
  >"$work/without.log" 2>&1 || fail "packaged without dpkg-shlibdeps"
grep -q "without dpkg-shlibdeps" "$work/without.log" ||
  fail "packaging without dpkg-shlibdeps did not say why: $(cat "$work/without.log")"

# The packaged program opens its window.
dpkg-deb -x "$deb" "$work/root"
start_xvfb
"$work/root/usr/bin/mill" &
mill=$!
window=$(wait_for_mill_window) || fail "the packaged program opened no window"
geometry=$(xwininfo -id "$window" | awk '/Width|Height/ {printf "%s ", $2}')
kill "$mill"
[ "$geometry" = "500 500 " ] || fail "packaged program: window '$geometry'"
echo "install tree, icons, desktop entry, manual page, metadata, version, lintian,"
echo "program alone, reproducible package and packaged program: all good"
