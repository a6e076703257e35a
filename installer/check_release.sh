#!/usr/bin/env bash
# Builds the release target and checks what the archive holds.
#   check_release.sh CMAKE BUILD_DIR ARCHIVE
set -u
cmake=$1 build=$2 archive=$3
"$cmake" --build "$build" --target release >/dev/null || { echo "the release target failed"; exit 1; }
listing=$(unzip -Z1 "$archive") || { echo "no archive at $archive"; exit 1; }
expected=$'varnhollow.exe\nvhpasswd.exe\nvarnhollow.msi\nvarnhollow.adm\nREADME.txt\nLICENSE.txt'
[ "$listing" = "$expected" ] || { echo "the archive holds:"; echo "$listing"; exit 1; }
unzip -p "$archive" README.txt | head -1 | grep -q $'\r$' || { echo "README.txt has no CR LF line ends"; exit 1; }
template=$(mktemp)
trap 'rm -f "$template"' EXIT
unzip -p "$archive" varnhollow.adm >"$template"
python3 "$(dirname "$0")/check_adm.py" --shipped "$template" >/dev/null ||
  { echo "the archive's Group Policy template:"; python3 "$(dirname "$0")/check_adm.py" --shipped "$template"; exit 1; }
cmp -s <(unzip -p "$archive" varnhollow.msi) "$build/bin/varnhollow.msi" || { echo "the archive's package differs"; exit 1; }
echo "$(basename "$archive"): $(stat -c %s "$archive") bytes"
