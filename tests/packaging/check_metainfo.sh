#!/usr/bin/env bash
# check_metainfo.sh METAINFO VERSION
#
# The AppStream file passes appstreamcli's checks (no network: the home page
# is not fetched), and its newest release is this version, so that a version
# bump cannot ship without its release entry.
set -uo pipefail

metainfo=$1
version=$2

said=$(appstreamcli validate --no-net "$metainfo" 2>&1)
status=$?
if [ $status -ne 0 ]; then
    echo "$said"
    echo "FAIL: appstreamcli validate exits with $status"
    exit 1
fi
newest=$(grep -o -m1 '<release version="[^"]*"' "$metainfo" | sed -E 's/.*"(.*)"/\1/')
if [ "$newest" != "$version" ]; then
    echo "FAIL: the newest release in $(basename "$metainfo") is '$newest', the project is $version"
    exit 1
fi
echo "$said"
