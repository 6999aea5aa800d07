#!/usr/bin/env bash
# checks_refuse_test.sh TEST_DIR
#
# The packaging checks must fail on what they are there to catch: each case
# runs one check on a small made-up input and expects its exit status (and,
# for a refusal, the name of what is wrong in its output). Each check also
# passes one good input, so that a check that always fails is caught too.
set -uo pipefail

checks=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A program whose --help looks like CLI11's, with one subcommand.
cat >"$work/cli11-like" <<'PROGRAM'
#!/usr/bin/env bash
case "$*" in
    "--help") printf 'Usage: /opt/x-tool/cli11-like [OPTIONS] SUBCOMMAND\n\nOptions:\n  -h,--help    Print this help\n  --version    Display version\n\nSubcommands:\n  frob         Frob things\n\n' ;;
    "frob --help") printf 'Frob things\nUsage: /opt/x-tool/cli11-like frob [OPTIONS]\n\nOptions:\n  -h,--help    Print this help\n  --knob INT:INT in [1 - 16]  the knob, e-mail free\n' ;;
    *) exit 2 ;;
esac
PROGRAM
# A program whose --help looks like Qt's.
cat >"$work/qt-like" <<'PROGRAM'
#!/usr/bin/env bash
printf 'Usage: /tmp/build-x/qt-like [options]\nDoes things.\n\nOptions:\n  -h, --help, -?        Displays help.\n  --help-all            Displays help, Qt too.\n  -v, --version         Displays version information.\n  --connect-to <HOST:PORT>  Send every request to HOST:PORT.\n'
PROGRAM
chmod +x "$work/cli11-like" "$work/qt-like"

page() { # NAME, then the page's lines
    local name=$1
    shift
    printf '%s\n' '.TH X 1 2026-01-01 X "User Commands"' '.SH NAME' 'x \- a test page' "$@" >"$work/$name"
}
page cli-full.1 '.SH OPTIONS' '.TP' '.BR \-h ", " \-\-help' '.TP' '.B \-\-version' \
    '.SS frob' '.TP' '.BI \-\-knob " N"'
page cli-no-knob.1 '.SH OPTIONS' '.B \-h' ', \fB\-\-help\fP and' '.B \-\-version' '.SS frob'
page cli-no-frob.1 '.SH OPTIONS' '.B \-h \-\-help \-\-version \-\-knob'
page cli-longer-name.1 '.B \-h \-\-help \-\-version frob \-\-knob\-max'
page qt-full.1 '.SH OPTIONS' '.BR \-h ", " \-\-help ", " \-?' '.B \-\-help\-all' \
    '.BR \-v ", " \-\-version' '.BI \-\-connect\-to " HOST" : PORT'
page qt-no-question.1 '.BR \-h ", " \-\-help' '.B \-\-help\-all' '.BR \-v ", " \-\-version' \
    '.B \-\-connect\-to'
page cli-extra.1 '.SH OPTIONS' '.TP' '.BR \-h ", " \-\-help' '.TP' '.B \-\-version' \
    '.SS frob' '.TP' '.BI \-\-knob " N"' '.TP' '.B \-\-knobs'
page warns.1 '.SH DESCRIPTION' '.BOGUS macro' 'text'
printf '.TH X 1 2026-01-01 X "User Commands"\n.SH NAME\nx \\- \xe9\x9d\x92\n' >"$work/raw-cjk.1"

cat >"$work/good.desktop" <<'ENTRY'
[Desktop Entry]
Type=Application
Name=X
Name[zh_CN]=X
Comment=An x
Comment[zh_CN]=测试
Exec=x
Icon=x
Terminal=false
Categories=Network;
Keywords=x;
ENTRY
grep -v '^Comment\[zh_CN\]' "$work/good.desktop" >"$work/no-zh-comment.desktop"
sed 's/^Categories=.*/Categories=Nowhere;/' "$work/good.desktop" >"$work/bad-category.desktop"
sed 's/^Categories=.*/Categories=Network;Office;/' "$work/good.desktop" >"$work/hint.desktop"

cat >"$work/good.metainfo.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<component type="desktop-application">
  <id>org.example.X</id>
  <metadata_license>FSFAP</metadata_license>
  <name>X</name>
  <summary>Does a thing</summary>
  <description><p>X does a thing for the tests of the checks.</p></description>
  <launchable type="desktop-id">x.desktop</launchable>
  <content_rating type="oars-1.1"/>
  <releases><release version="1.2.0" date="2026-01-01"/></releases>
</component>
XML
grep -v '<summary>' "$work/good.metainfo.xml" >"$work/no-summary.metainfo.xml"

failures=0
total=0
# expected exit | text the output must hold ("" for none) | the check and its arguments
while IFS='|' read -r want needle command; do
    [ -z "$command" ] && continue
    total=$((total + 1))
    said=$(cd "$work" && eval "$checks/$command" 2>&1)
    got=$?
    if [ "$got" -ne "$want" ] || { [ -n "$needle" ] && ! grep -q -F -- "$needle" <<<"$said"; }; then
        echo "FAIL: $command exits with $got (expected $want${needle:+, saying '$needle'}):"
        sed 's/^/    /' <<<"$said"
        failures=$((failures + 1))
    fi
done <<'CASES'
0||check_help_in_man.sh ./cli11-like cli-full.1
1|frob --knob|check_help_in_man.sh ./cli11-like cli-no-knob.1
1|frob|check_help_in_man.sh ./cli11-like cli-no-frob.1
1|--knob|check_help_in_man.sh ./cli11-like cli-longer-name.1
1|--knobs|check_help_in_man.sh ./cli11-like cli-extra.1
0||check_help_in_man.sh ./qt-like qt-full.1
1|-?|check_help_in_man.sh ./qt-like qt-no-question.1
0||check_man_page.sh cli-full.1 qt-full.1
1|BOGUS|check_man_page.sh cli-full.1 warns.1
1|invalid input character|check_man_page.sh raw-cjk.1
0||check_desktop_entry.sh good.desktop
1|Comment[zh_CN]|check_desktop_entry.sh no-zh-comment.desktop
1|Nowhere|check_desktop_entry.sh bad-category.desktop
1|more than one main category|check_desktop_entry.sh hint.desktop
0||check_metainfo.sh good.metainfo.xml 1.2.0
1|summary|check_metainfo.sh no-summary.metainfo.xml 1.2.0
1|1.3.0|check_metainfo.sh good.metainfo.xml 1.3.0
CASES

if [ $failures -gt 0 ]; then
    echo "$failures of $total cases failed"
    exit 1
fi
echo "checks: $total cases as expected"
