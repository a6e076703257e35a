#!/usr/bin/env bash
# README.md is the administrator's guide and tells the program as it is: what
# older builds did goes to CHANGES.md, what only the maker needs (publishing a
# new version, the version trap) to docs/MAKING_A_RELEASE.md.
#   check_guide_audience.sh SOURCE_DIR
root=${1:?SOURCE_DIR}
status=0
problem() { echo "$*"; status=1; }
guide=$(tr '\n' ' ' <"$root/README.md" | tr -s ' ')
for history in 'used to' 'no longer written' 'Tempo.net' 'older build' 'earlier version' 'previous version'; do
  grep -qiF "$history" <<<"$guide" && problem "README.md tells of older builds (\"$history\"): that is for CHANGES.md"
done
[ -s "$root/CHANGES.md" ] || problem "no CHANGES.md"
for maker_part in '## Publishing a new version' '### The version trap'; do
  grep -qxF "$maker_part" "$root/README.md" && problem "README.md holds \"$maker_part\", which is for the maker"
  grep -qxF "$maker_part" "$root/docs/MAKING_A_RELEASE.md" 2>/dev/null ||
    problem "docs/MAKING_A_RELEASE.md lacks \"$maker_part\""
done
exit $status
