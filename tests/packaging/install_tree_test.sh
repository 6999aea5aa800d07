#!/usr/bin/env bash
# install_tree_test.sh BUILD_DIR SOURCE_DIR VERSION
#
# Installs the build into a temporary DESTDIR, as a package build does, and
# checks the tree: exactly the expected files, each the same as its source,
# programs that run from there (no path back into the build), a bash that
# finds the completion where bash-completion looks. Then once more with
# another prefix, which every file must follow.
set -uo pipefail

build=$1
source=$2
version=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# Installs into $work/$1 with prefix $2.
install_into() {
    DESTDIR="$work/$1" cmake --install "$build" --prefix "$2" >"$work/$1.log" 2>&1 ||
        { cat "$work/$1.log"; fail "cmake --install --prefix $2"; }
}

expected_files() {
    local prefix=$1 size
    printf '%s\n' "$prefix/bin/kestrova" "$prefix/bin/kestrova-cli" "$prefix/bin/kestrova-marketplace" \
        "$prefix/bin/kestrova-notify" \
        "$prefix/lib/systemd/user/kestrova-recheck.service" "$prefix/lib/systemd/user/kestrova-recheck.timer" \
        "$prefix/share/man/man1/kestrova-notify.1.gz" \
        "$prefix/share/applications/kestrova.desktop" \
        "$prefix/share/metainfo/com.orvanel.Kestrova.metainfo.xml" \
        "$prefix/share/bash-completion/completions/kestrova-cli" \
        "$prefix/share/man/man1/kestrova.1.gz" "$prefix/share/man/man1/kestrova-cli.1.gz" \
        "$prefix/share/man/man1/kestrova-marketplace.1.gz" \
        "$prefix/share/doc/kestrova/changelog.gz" "$prefix/share/doc/kestrova-cli/changelog.gz"
    for size in 16 32 48 128 256; do
        echo "$prefix/share/icons/hicolor/${size}x${size}/apps/kestrova.png"
    done
}

check_file_list() {
    local root=$1 prefix=$2
    local found
    found=$(cd "$root" && find . \( -type f -o -type l \) | sed 's|^\.||' | sort)
    if [ "$found" != "$(expected_files "$prefix" | sort)" ]; then
        fail "files installed with prefix $prefix differ from the expected list:"
        diff <(expected_files "$prefix" | sort) <(echo "$found") | sed 's/^/    /'
    fi
}

# ---- prefix /usr, as the Debian package has it
install_into usr /usr
root=$work/usr
check_file_list "$root" /usr

# Each installed file against the file it comes from.
while read -r installed origin; do
    if [[ $installed == *.gz ]]; then
        cmp -s <(gzip -dc "$root/$installed") "$source/$origin" || fail "$installed is not $origin"
    else
        cmp -s "$root/$installed" "$source/$origin" || fail "$installed is not $origin"
    fi
done <<LIST
usr/share/applications/kestrova.desktop packaging/kestrova.desktop
usr/share/metainfo/com.orvanel.Kestrova.metainfo.xml packaging/com.orvanel.Kestrova.metainfo.xml
usr/share/bash-completion/completions/kestrova-cli packaging/completion/kestrova-cli
usr/share/man/man1/kestrova.1.gz packaging/man/kestrova.1
usr/share/man/man1/kestrova-cli.1.gz packaging/man/kestrova-cli.1
usr/share/man/man1/kestrova-marketplace.1.gz packaging/man/kestrova-marketplace.1
usr/share/man/man1/kestrova-notify.1.gz packaging/man/kestrova-notify.1
usr/lib/systemd/user/kestrova-recheck.timer packaging/systemd/kestrova-recheck.timer
usr/share/doc/kestrova/changelog.gz packaging/changelog
usr/share/doc/kestrova-cli/changelog.gz packaging/changelog
usr/share/icons/hicolor/16x16/apps/kestrova.png assets/icons/hicolor/16x16/apps/kestrova.png
usr/share/icons/hicolor/32x32/apps/kestrova.png assets/icons/hicolor/32x32/apps/kestrova.png
usr/share/icons/hicolor/48x48/apps/kestrova.png assets/icons/hicolor/48x48/apps/kestrova.png
usr/share/icons/hicolor/128x128/apps/kestrova.png assets/icons/hicolor/128x128/apps/kestrova.png
usr/share/icons/hicolor/256x256/apps/kestrova.png assets/icons/hicolor/256x256/apps/kestrova.png
LIST

# A version bump without its changelog entry would ship a package whose
# changelog is behind it.
newest=$(gzip -dc "$root/usr/share/doc/kestrova/changelog.gz" | head -n 1)
[[ $newest == "kestrova ($version) "* ]] || fail "the changelog begins '$newest', not with version $version"

# The service names the installed program, wherever the prefix put it.
grep -q -x -F 'ExecStart=/usr/bin/kestrova-cli recheck --fast --notify' \
    "$root/usr/lib/systemd/user/kestrova-recheck.service" ||
    fail "the service does not run /usr/bin/kestrova-cli recheck --fast --notify"

# ./package.sh builds only the targets it names, so a program the install
# holds that it does not name makes cpack stop on a file that is not there.
package_targets=$(sed -n '/^cmake --build build-release/,/[^\\]$/p' "$source/package.sh" |
    tr -d '\\' | tr -s ' \n' '\n\n')
[ -n "$package_targets" ] || fail "no build of build-release/ found in package.sh"
for program in $(cd "$root/usr/bin" && ls); do
    grep -q -x -F -- "$program" <<<"$package_targets" ||
        fail "./package.sh does not build $program, which the packages hold"
done

for program in kestrova kestrova-cli kestrova-marketplace kestrova-notify; do
    [ -x "$root/usr/bin/$program" ] || fail "$program is not executable"
    if readelf -d "$root/usr/bin/$program" 2>/dev/null | grep -q -E 'RPATH|RUNPATH'; then
        fail "$program keeps a library search path: $(readelf -d "$root/usr/bin/$program" | grep -E 'RPATH|RUNPATH')"
    fi
done

# The programs as a user runs them: from another folder, with no display, a
# home and history of their own, nothing that points at a marketplace.
home=$work/home
mkdir -p "$home"
run() {
    (cd / && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u KESTROVA_CONNECT_TO \
        -u KESTROVA_HISTORY -u KESTROVA_FAST HOME="$home" XDG_DATA_HOME="$home/data" "$@")
}
for program in kestrova kestrova-cli kestrova-marketplace kestrova-notify; do
    said=$(run "$root/usr/bin/$program" --version 2>&1)
    status=$?
    [ $status -eq 0 ] || fail "$program --version exits with $status"
    [ "$said" = "$program $version" ] || fail "$program --version says '$said', not '$program $version'"
done

listing=$(run "$root/usr/bin/kestrova-cli" lookup 青禾手作坊 --demo 2>"$work/lookup.err")
status=$?
[ $status -eq 0 ] || fail "the installed kestrova-cli lookup --demo exits with $status: $(cat "$work/lookup.err")"
for line in $'淘宝帐号：\t青禾手作坊' $'帐号性质：\t卖家为主'; do
    grep -q -F "$line" <<<"$listing" || fail "the demo lookup does not print '$line'"
done

# bash-completion finds the completion in the installed tree on first use.
completion=$root/usr/share/bash-completion/completions/kestrova-cli
loaded=$(env -i HOME="$home" XDG_DATA_DIRS="$root/usr/share" bash -c '
    source /usr/share/bash-completion/bash_completion
    __load_completion kestrova-cli || exit 1
    function=$(complete -p kestrova-cli | sed -E "s/.* -F ([^ ]+) .*/\1/")
    shopt -s extdebug
    declare -F "$function" | cut -d" " -f3-
    COMP_WORDS=(kestrova-cli lo) COMP_CWORD=1
    "$function" kestrova-cli lo kestrova-cli
    echo "${COMPREPLY[*]}"' 2>&1)
[ "$loaded" = "$completion"$'\n'"lookup" ] ||
    fail "bash-completion did not load $completion and complete 'lo' to 'lookup': $loaded"

# ---- another prefix: nothing may land outside it
install_into opt /opt/kestrova
check_file_list "$work/opt" /opt/kestrova
grep -q -x -F 'ExecStart=/opt/kestrova/bin/kestrova-cli recheck --fast --notify' \
    "$work/opt/opt/kestrova/lib/systemd/user/kestrova-recheck.service" ||
    fail "with prefix /opt/kestrova the service does not run /opt/kestrova/bin/kestrova-cli"

if [ $failures -gt 0 ]; then
    echo "$failures failures"
    exit 1
fi
echo "install tree: $(expected_files /usr | wc -l) files as expected with prefixes /usr and /opt/kestrova"
