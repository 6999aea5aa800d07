#!/usr/bin/env bash
# Installs the Debian packages Kestrova builds, tests and runs with, but only those
# that are missing; the package index is refreshed once, and only when needed.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  googletest libgtest-dev libgmock-dev
  qt6-base-dev libgl-dev
  libcurl4-openssl-dev libpcre2-dev libssl-dev
  # pictures: decoding and the JPEG re-encoding
  libjpeg62-turbo-dev libpng-dev libgif-dev
  libcpp-httplib-dev libcli11-dev nlohmann-json3-dev
  libsqlite3-dev libzstd-dev
  # a history a team shares on PostgreSQL: the client library, and the server
  # the tests start in a temporary folder of their own
  libpq-dev postgresql
  libbenchmark-dev
  clang libclang-rt-14-dev
  fonts-noto-cjk
  # the checks of the install tree: desktop entry, metainfo, man pages, completion
  desktop-file-utils appstream groff-base bash-completion
  # ./package.sh: cpack's dependency scan runs dpkg-shlibdeps and file
  dpkg-dev file
  # ./bench.sh: the command line's start is measured against curl's
  curl
  # tests: a network namespace of their own (unshare, ip) and a small C
  # library they build to slow the resolver down
  util-linux iproute2 gcc
  # the window closed as a user closes it: a display, a window manager, keys
  xvfb xauth openbox xdotool x11-utils time procps
  # the watch list's tests: a private session bus (dbus-run-session), the
  # user units checked by systemd-analyze (which looks up their man page),
  # the CSV export read back by Python's csv module
  dbus-daemon systemd man-db python3
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg -s "$p" >/dev/null 2>&1; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
echo "Installing missing packages: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
