#!/usr/bin/env bash
# package_split_test.sh BUILD_DIR VERSION
#
# Makes the two Debian packages from the build (cpack, as ./package.sh does),
# then checks them as a distribution would: who holds which file, that the
# command-line package depends on no toolkit or desktop library and the window
# package on the command-line package of its own version; that each installs
# into a dpkg root of its own and is removed without leaving a file; and that
# the command line, unpacked alone with dpkg -x, runs a lookup without ever
# opening a toolkit or desktop library.
set -uo pipefail

build=$1
version=$2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
# Library names no part of the command line may need.
desktop='libQt|libX11|libxcb|libEGL|libGL|libOpenGL|libfontconfig|libfreetype|libharfbuzz|libicu'
desktop_packages='libqt|libx11|libxcb|libegl|libgl|libopengl|libfontconfig|libfreetype|libharfbuzz|libicu'

if ! cpack -G DEB -B "$work/out" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    echo "FAIL: cpack"
    exit 1
fi
arch=$(dpkg --print-architecture)
cli=$work/out/kestrova-cli_${version}_${arch}.deb
window=$work/out/kestrova_${version}_${arch}.deb
for deb in "$cli" "$window"; do
    [ -f "$deb" ] || { ls "$work/out"; fail "no $(basename "$deb")"; exit 1; }
done

field() { dpkg-deb --field "$1" "$2"; }
[ "$(field "$cli" Package)" = kestrova-cli ] || fail "the command-line package is not named kestrova-cli"
[ "$(field "$window" Package)" = kestrova ] || fail "the window package is not named kestrova"
field "$window" Depends | grep -q -E "(^|, )kestrova-cli \(= $version\)(,|$)" ||
    fail "kestrova does not depend on kestrova-cli (= $version): $(field "$window" Depends)"
if field "$cli" Depends | grep -q -i -E "$desktop_packages"; then
    fail "kestrova-cli depends on a desktop library: $(field "$cli" Depends)"
fi
field "$cli" Depends | grep -q 'libcurl' || fail "kestrova-cli does not name its libraries: $(field "$cli" Depends)"

files() { dpkg-deb --fsys-tarfile "$1" | tar -t | grep -v '/$' | sed 's|^\./||' | sort; }
expected_cli='usr/bin/kestrova-cli
usr/bin/kestrova-marketplace
usr/share/bash-completion/completions/kestrova-cli
usr/share/doc/kestrova-cli/changelog.gz
usr/share/man/man1/kestrova-cli.1.gz
usr/share/man/man1/kestrova-marketplace.1.gz'
[ "$(files "$cli")" = "$expected_cli" ] || fail "kestrova-cli holds: $(files "$cli" | tr '\n' ' ')"
window_files=$(files "$window")
for wanted in usr/bin/kestrova usr/share/applications/kestrova.desktop \
    usr/share/metainfo/com.orvanel.Kestrova.metainfo.xml usr/share/man/man1/kestrova.1.gz \
    usr/share/doc/kestrova/changelog.gz usr/share/icons/hicolor/48x48/apps/kestrova.png \
    usr/bin/kestrova-notify usr/share/man/man1/kestrova-notify.1.gz \
    usr/lib/systemd/user/kestrova-recheck.service usr/lib/systemd/user/kestrova-recheck.timer; do
    grep -q -x -F "$wanted" <<<"$window_files" || fail "kestrova lacks $wanted"
done
if grep -q -E 'kestrova-cli|kestrova-marketplace' <<<"$window_files"; then
    fail "kestrova holds a file of the command line: $(grep -E 'kestrova-cli|marketplace' <<<"$window_files")"
fi

# The command line alone, unpacked: the executable needs no desktop library...
dpkg -x "$cli" "$work/cli"
program=$work/cli/usr/bin/kestrova-cli
if ldd "$program" | grep -E "$desktop"; then
    fail "the unpacked kestrova-cli links a desktop library"
fi
# ...and a lookup on the built-in marketplace, run with a bare environment,
# opens none (LD_DEBUG lists every library the loader looks for and opens).
home=$work/home
mkdir -p "$home"
listing=$(cd / && env -i PATH=/usr/bin:/bin HOME="$home" XDG_DATA_HOME="$home/data" \
    LD_LIBRARY_PATH= LD_DEBUG=libs LD_DEBUG_OUTPUT="$work/ld" \
    "$program" lookup 青禾手作坊 --demo 2>"$work/lookup.err")
status=$?
[ $status -eq 0 ] || fail "the unpacked kestrova-cli lookup --demo exits with $status: $(cat "$work/lookup.err")"
grep -q -F $'淘宝帐号：\t青禾手作坊' <<<"$listing" || fail "the unpacked kestrova-cli printed no lookup"
opened=$(cat "$work"/ld.* 2>/dev/null | grep -E 'find library=|calling init:' || true)
[ -n "$opened" ] || fail "LD_DEBUG recorded nothing"
if grep -E "$desktop" <<<"$opened"; then
    fail "the lookup opened a desktop library"
fi
"$work/cli/usr/bin/kestrova-marketplace" --version >/dev/null || fail "the unpacked marketplace does not run"
if ldd "$work/cli/usr/bin/kestrova-marketplace" | grep -E "$desktop"; then
    fail "the unpacked kestrova-marketplace links a desktop library"
fi

# Install and remove in a dpkg root of their own (library dependencies are
# the system's, so they are not checked there; the two packages' own
# dependency is).
root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
dpkg_root() { dpkg --root="$root" --log=/dev/null --force-script-chrootless "$@" >>"$work/dpkg.log" 2>&1; }
dpkg_root --force-depends -i "$cli" || fail "kestrova-cli does not install: $(tail -3 "$work/dpkg.log")"
[ -x "$root/usr/bin/kestrova-cli" ] || fail "kestrova-cli installed no program"
[ ! -e "$root/usr/bin/kestrova" ] || fail "kestrova-cli installed the window"
dpkg_root --force-depends -i "$window" || fail "kestrova does not install beside kestrova-cli: $(tail -3 "$work/dpkg.log")"
[ -x "$root/usr/bin/kestrova" ] || fail "kestrova installed no window"
if dpkg_root -r kestrova-cli; then
    fail "kestrova-cli was removed while kestrova depends on it"
fi
dpkg_root -r kestrova || fail "kestrova does not remove: $(tail -3 "$work/dpkg.log")"
[ -x "$root/usr/bin/kestrova-cli" ] || fail "removing kestrova took the command line with it"
dpkg_root -r kestrova-cli || fail "kestrova-cli does not remove: $(tail -3 "$work/dpkg.log")"
left=$(cd "$root" && find usr -type f 2>/dev/null)
[ -z "$left" ] || fail "files left after removing both: $left"

if [ $failures -gt 0 ]; then
    echo "$failures failures"
    exit 1
fi
echo "packages: kestrova-cli and kestrova $version split, install and remove cleanly; the command line opens no desktop library"
