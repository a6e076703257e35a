#!/usr/bin/env bash
# Builds the release target and checks what the archive holds, and that its
# README.txt is a guide a Windows user can read in Notepad: CR LF line ends,
# Windows-1252 or UTF-8 with a byte-order mark, the version in its first
# lines, no Markdown left, no line wider than 100 characters, no mention of a
# file of the source tree, which the archive does not hold, and nothing that
# only the program's maker needs.
#   check_release.sh CMAKE BUILD_DIR ARCHIVE VERSION
set -u
cmake=$1 build=$2 archive=$3 version=$4
"$cmake" --build "$build" --target release >/dev/null || { echo "the release target failed"; exit 1; }
listing=$(unzip -Z1 "$archive") || { echo "no archive at $archive"; exit 1; }
expected=$'varnhollow.exe\nvhpasswd.exe\nvarnhollow.msi\nvarnhollow.adm\nREADME.txt\nLICENSE.txt'
[ "$listing" = "$expected" ] || { echo "the archive holds:"; echo "$listing"; exit 1; }
template=$(mktemp)
trap 'rm -f "$template"' EXIT
unzip -p "$archive" varnhollow.adm >"$template"
python3 "$(dirname "$0")/check_adm.py" --shipped "$template" >/dev/null ||
  { echo "the archive's Group Policy template:"; python3 "$(dirname "$0")/check_adm.py" --shipped "$template"; exit 1; }
cmp -s <(unzip -p "$archive" varnhollow.msi) "$build/bin/varnhollow.msi" || { echo "the archive's package differs"; exit 1; }
export LC_ALL=C
status=0
problem() { echo "$*"; status=1; }

for text in README.txt LICENSE.txt; do
  unzip -p "$archive" "$text" | grep -qav $'\r$' && problem "$text has lines without CR LF"
done

guide=$(mktemp)
trap 'rm -f "$template" "$guide"' EXIT
unzip -p "$archive" README.txt >"$guide.raw"
if [ "$(head -c 3 "$guide.raw" | od -An -tx1 | tr -d ' ')" = efbbbf ]; then
  tail -c +4 "$guide.raw" | iconv -f UTF-8 -t UTF-8 >"$guide" 2>/dev/null || problem "README.txt: not UTF-8 after its byte-order mark"
  echo "README.txt: UTF-8 with a byte-order mark"
else
  # Without a mark, Notepad reads the system's ANSI code page: accents as
  # UTF-8 bytes would show as two characters each.
  if grep -qaP '[\x80-\xFF]' "$guide.raw" && iconv -f UTF-8 -t UTF-8 "$guide.raw" >/dev/null 2>&1; then
    problem "README.txt: UTF-8 without a byte-order mark"
  fi
  iconv -f CP1252 -t UTF-8 "$guide.raw" >"$guide" 2>/dev/null || problem "README.txt: not Windows-1252"
  echo "README.txt: Windows-1252"
fi
rm -f "$guide.raw"
tr -d '\r' <"$guide" >"$guide.lf" && mv "$guide.lf" "$guide"

grep -qF '](' "$guide" && problem "README.txt has a Markdown link: $(grep -F '](' "$guide" | head -1)"
# Emphasis (also over a line break), code marks, headings, table rules.
markdown=$(grep -nE '\*|`|^#|^\|' "$guide")
[ -z "$markdown" ] || problem "README.txt has Markdown left:"$'\n'"$markdown"
wide=$(python3 -c 'import sys
for number, line in enumerate(open(sys.argv[1], encoding="utf-8"), 1):
    if len(line.rstrip("\n")) > 100:
        print(f"{number}: {len(line.rstrip())} characters")' "$guide")
[ -z "$wide" ] || problem "README.txt has lines wider than 100 characters:"$'\n'"$wide"
head -3 "$guide" | grep -qE "Varnhollow $(sed 's/\./\\./g' <<<"$version")( |$)" ||
  problem "README.txt does not name version $version in its first lines: $(head -1 "$guide")"
grep -qF 'Mise à Jour' "$guide" || problem "README.txt does not read \"Mise à Jour\" with its accent"
# A path of the source tree: a word with a slash that names a file or ends
# with one (web addresses aside, and "Add/Remove"), or a file of a kind the
# archive does not hold.
words=$(sed -E 's#[a-z]+://[^ )]*##g' "$guide" | tr -s ' \t' '\n\n' | sed -E 's/^[("'"'"']+//; s/[)"'"'"',;:.]+$//')
paths=$(grep -E '[A-Za-z0-9_]/' <<<"$words" | grep -E '/$|/[^/]*\.[A-Za-z0-9]+$')
files=$(grep -iE '^[A-Za-z0-9_.-]+\.(md|sh|py|png|bmp|ico|cpp|h|cmake|json|wxs|zip)$' <<<"$words")
[ -z "$paths$files" ] || problem "README.txt names what the archive lacks: $(echo $paths $files)"
# What a Windows user looks for.
for part in 'Installing on Windows' 'msiexec /i varnhollow.msi /qn' 'PASSWORD=' 'vhpasswd.exe' \
  'Deployment and recovery' 'A lost password' 'reg query' 'Licence'; do
  grep -qF "$part" "$guide" || problem "README.txt lacks \"$part\""
done
# For the maker alone (docs/MAKING_A_RELEASE.md), and the history of older
# builds (CHANGES.md): the guide tells the program as it is.
for part in 'Publishing a new version' 'The version trap' 'Version=1.5' 'under its own name' \
  'used to' 'no longer written' 'Tempo.net'; do
  grep -qiF "$part" "$guide" && problem "README.txt holds \"$part\", which is not for the administrator"
done
for part in '## ' 'README.txt: leave out' 'scripts/' 'cmake --' 'build/'; do
  grep -qiF "$part" "$guide" && problem "README.txt holds \"$part\", which is for building the program"
done
[ $status = 0 ] && echo "$(basename "$archive"): $(stat -c %s "$archive") bytes"
exit $status
