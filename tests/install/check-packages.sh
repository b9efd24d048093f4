#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the Debian packages in DIST (default dist/) as a Debian user and a software centre would,
# without installing them: lintian, the menu entry, the AppStream metainfo, hardening and no RUNPATH,
# the program's --version with no display, and a strict program built against the unpacked library.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
dist="$(cd "${1:-$here/../../dist}" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}

shopt -s nullglob
debs=("$dist"/*.deb)
[ ${#debs[@]} -eq 3 ] || { echo "expected three packages in $dist, found ${#debs[@]}"; exit 1; }

echo "== lintian"
# Warnings are listed; each one left is explained in the package's lintian override.
lintian --fail-on error --display-info --tag-display-limit 0 "${debs[@]}" || fail "lintian reports errors"

# Everything unpacked in one tree, and the library's two packages alone in another.
root="$work/root"
libroot="$work/libroot"
for deb in "${debs[@]}"; do
    dpkg-deb --extract "$deb" "$root"
    case "$(dpkg-deb --field "$deb" Package)" in
    libsorvan*) dpkg-deb --extract "$deb" "$libroot" ;;
    esac
done
multiarch="$(dpkg-architecture -qDEB_HOST_MULTIARCH)"
libdir="$root/usr/lib/$multiarch"

echo "== menu entry and metainfo"
desktop-file-validate "$root/usr/share/applications/velmora.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml || fail "appstreamcli validate"

echo "== hardening"
# Control flow integrity is left out: Debian 12's own start files lack the IBT/SHSTK note, so no
# program of the release has it (hardening-check fails /usr/bin/dpkg the same way). The library
# makes no libc call whose buffer size the compiler knows, so it has nothing to fortify.
hardening-check --nocfprotection "$root/usr/bin/velmora" || fail "hardening-check velmora"
hardening-check --nocfprotection --nofortify "$libdir"/libsorvan.so.*.* || fail "hardening-check libsorvan"
for binary in "$root/usr/bin/velmora" "$libdir"/libsorvan.so.*.*; do
    if readelf -d "$binary" | grep -E 'RUNPATH|RPATH'; then
        fail "$binary has a library search path"
    fi
done
grep -qx "prefix=/usr" "$libdir/pkgconfig/sorvan.pc" || fail "sorvan.pc does not name /usr plainly"

echo "== velmora --version with no display"
version="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM LD_LIBRARY_PATH="$libdir" \
    "$root/usr/bin/velmora" --version)" || fail "velmora --version without a display"
echo "$version"
[[ "$version" =~ ^Velmora\ [0-9.]+$ ]] || fail "velmora --version printed '$version'"

echo "== a strict program built on the unpacked library"
QT_QPA_PLATFORM=offscreen cmake -DPREFIX="$libroot/usr" -DWORK_DIR="$work/consumer" -DSOURCE_DIR="$here" \
    -DLIBDIR="lib/$multiarch" -DCXX=c++ -DGENERATOR=Ninja -P "$here/InstallTest.cmake" || fail "consumer"

[ "$failed" -eq 0 ] && echo "All package checks passed"
exit "$failed"
