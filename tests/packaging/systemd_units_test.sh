#!/usr/bin/env bash
# systemd_units_test.sh BUILD_DIR UNITS_SOURCE_DIR
#
# The user units of the daily re-check as installed: checked by systemd's own
# `systemd-analyze verify` (settings, the program the service runs, the man
# page it names), their settings as promised, and the service's command run
# as systemd would run it. Units spoilt on purpose must fail the same check.
set -uo pipefail

build=$1
units_source=$2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# Installed for real below a prefix of its own (no DESTDIR): the service then
# names a program that is there.
root=$work/root
cmake --install "$build" --prefix "$root" >"$work/install.log" 2>&1 ||
    { cat "$work/install.log"; fail "cmake --install --prefix $root"; }
units=$root/lib/systemd/user
service=$units/kestrova-recheck.service
timer=$units/kestrova-recheck.timer

verify() { # UNIT...: systemd-analyze's verdict, with the installed man pages
    MANPATH=$root/share/man systemd-analyze verify "$@" 2>&1
}

said=$(verify "$service" "$timer")
status=$?
[ $status -eq 0 ] || fail "systemd-analyze verify exits with $status"
[ -z "$said" ] || fail "systemd-analyze verify says: $said"

setting() { # FILE KEY: the value, as a line KEY=VALUE gives it
    sed -n "s/^$2=//p" "$1"
}
[ "$(setting "$timer" OnCalendar)" = daily ] || fail "the timer does not run daily"
[ "$(setting "$timer" Persistent)" = true ] || fail "the timer does not catch up on a missed day"
[ "$(setting "$timer" RandomizedDelaySec)" = 1h ] || fail "the timer has no random delay of 1h"
[ "$(setting "$timer" WantedBy)" = timers.target ] || fail "the timer is not wanted by timers.target"
[ "$(setting "$service" Type)" = oneshot ] || fail "the service is not a oneshot"
[ "$(setting "$service" SuccessExitStatus)" = 1 ] || fail "exit 1 (a member changed) is a failure"
command=$(setting "$service" ExecStart)
[ "$command" = "$root/bin/kestrova-cli recheck --fast --notify" ] ||
    fail "the service runs '$command'"
cmp -s "$timer" "$units_source/kestrova-recheck.timer" || fail "the timer is not its source"

# The command as systemd runs it, for a user who watches no one yet: no
# terminal, no display, a home of its own.
home=$work/home
mkdir -p "$home"
read -r -a argv <<<"$command"
out=$(cd / && env -i HOME="$home" PATH=/usr/bin:/bin "${argv[@]}" 2>"$work/err")
status=$?
[ $status -eq 0 ] || fail "the service's command exits with $status: $(cat "$work/err")"
[ -z "$out" ] || fail "the service's command printed '$out' for an empty watch list"
grep -q "no member is watched" "$work/err" || fail "the service's command did not say why it did nothing"

# What must not pass: a service whose program is not there, a timer without
# its calendar.
sed "s|^ExecStart=$root/bin/|ExecStart=$root/nowhere/|" "$service" >"$work/kestrova-recheck.service"
verify "$work/kestrova-recheck.service" >/dev/null && fail "a service without its program passed"
grep -v '^OnCalendar=' "$timer" >"$work/kestrova-recheck.timer"
verify "$work/kestrova-recheck.timer" >/dev/null && fail "a timer without OnCalendar passed"

if [ $failures -gt 0 ]; then
    echo "$failures failures"
    exit 1
fi
echo "systemd units: verified by systemd-analyze, settings as promised, the command runs"
