#!/usr/bin/env bash
# Packs the release archive: the exe, the deployment tool, the package, the
# Group Policy template (Windows-1252, as the Group Policy editor reads it),
# the guide README.txt as it was made (a Windows text already), and the
# licence as a Windows text file (CR LF).
#   release.sh ARCHIVE.zip EXE TOOL MSI README.txt LICENSE TEMPLATE
set -euo pipefail
archive=$1 exe=$2 tool=$3 msi=$4 readme=$5 license=$6 template=$7
staging=$(mktemp -d)
trap 'rm -rf "$staging"' EXIT
cp "$exe" "$staging/varnhollow.exe"
cp "$tool" "$staging/vhpasswd.exe"
cp "$msi" "$staging/varnhollow.msi"
cp "$readme" "$staging/README.txt"
sed 's/\r\?$/\r/' "$license" >"$staging/LICENSE.txt"
iconv -f UTF-8 -t CP1252 "$template" | sed 's/\r\?$/\r/' >"$staging/varnhollow.adm"
rm -f "$archive"
(cd "$staging" && zip -q -X "$archive.tmp" varnhollow.exe vhpasswd.exe varnhollow.msi varnhollow.adm README.txt LICENSE.txt)
mv "$archive.tmp" "$archive"
