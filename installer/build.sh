#!/usr/bin/env bash
# Builds varnhollow.msi with wixl, then mends what wixl cannot express:
#   build.sh OUTPUT.msi VERSION EXE TOOL PASSWORD_FILE MAKER EMAIL HOST [SERVICE]
# SERVICE is vhservice.exe, the lock service, installed with its service
# rows when given.
# - The password file's component gets NeverOverwrite (0x80) and Permanent
#   (0x10): wixl ignores both attributes with only a warning.
# - PASSWORD joins the secure properties, so that a managed installation
#   passes it on.
# - A rebuilt package of the same version replaces the installed one
#   (wixl's upgrade row leaves the same version out): otherwise an
#   administrator who pushes a rebuild gets two products that share files.
# - The custom action that receives PASSWORD hides its command line from the
#   log.
# - The event source's EventMessageFile becomes a REG_EXPAND_SZ ("#%"), as
#   the event log expects (wixl writes every string as REG_SZ), and a "-" row
#   removes the source's key on uninstall.
# - The Shortcut and CustomAction tables are rewritten with the columns of
#   Windows Installer 2.0; wixl adds columns of later versions.
# - Every text is stored in the package's code page, Windows-1252, as Windows
#   reads it: wixl leaves the tables' code page neutral (read in whatever
#   code page the machine uses) and writes the summary's texts as UTF-8.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
output=$1 version=$2 exe=$3 tool=$4 password_file=$5 maker=$6 email=$7 host=$8
service=${9:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# wixl takes sources relative to the .wxs file only: gather them beside it.
cp "$here/varnhollow.wxs" "$here/../resources/device.ico" "$work/"
cp "$exe" "$work/varnhollow.exe"
cp "$tool" "$work/vhpasswd.exe"
cp "$password_file" "$work/PSTACK.DRV"
with_service=()
if [ -n "$service" ]; then
  cp "$service" "$work/vhservice.exe"
  with_service=(-D Service=yes)
fi
(cd "$work" && wixl -a x86 -o package.msi -D Version="$version" -D Maker="$maker" -D Email="$email" \
  -D Host="$host" "${with_service[@]}" varnhollow.wxs 2>wixl.log) || { cat "$work/wixl.log" >&2; exit 1; }

# The tables' texts in Windows-1252, whatever the machine's code page.
printf '\r\n\r\n1252\t_ForceCodepage\r\n' >"$work/_ForceCodepage.idt"
(cd "$work" && msibuild package.msi -i _ForceCodepage.idt)

msibuild "$work/package.msi" -q "UPDATE Component SET Attributes = 144 WHERE Component = 'PasswordFile'"

# PASSWORD must reach the server side of a managed installation.
secure=$(cd "$work" && msiinfo export package.msi Property | awk -F'\t' '$1 == "SecureCustomProperties" {print $2}' | tr -d '\r')
msibuild "$work/package.msi" -q "UPDATE Property SET Value = '${secure:+$secure;}PASSWORD' WHERE Property = 'SecureCustomProperties'"

event_source='SYSTEM\CurrentControlSet\Services\Eventlog\Application\Varnhollow'
msibuild "$work/package.msi" -q "UPDATE Registry SET Value = '#%[#varnhollow.exe]' WHERE Name = 'EventMessageFile'"
msibuild "$work/package.msi" -q "INSERT INTO Registry (Registry, Root, \`Key\`, Name, Component_) VALUES ('EventSourceKey', 2, '$event_source', '-', 'Program')"

# Rewrites a table through awk (tab-separated rows; the first three lines
# are its column names, types and keys): rewrite TABLE AWK_PROGRAM. Also for
# key columns, which SQL UPDATE cannot change.
rewrite() {
  local table=$1 program=$2
  (cd "$work" && msiinfo export package.msi "$table" | tr -d '\r' |
    awk -F'\t' -v OFS='\t' -v ORS='\r\n' "$program" >"$table.idt")
  msibuild "$work/package.msi" -q "DROP TABLE \`$table\`"
  (cd "$work" && msibuild package.msi -i "$table.idt")
}
rewrite Shortcut 'NR != 3 && NF > 12 {NF = 12} {print}'
# 0x2000 keeps the password out of the log (wixl drops HideTarget).
rewrite CustomAction 'NR != 3 && NF > 4 {NF = 4} NR > 3 && $1 == "SetPassword" {$2 += 8192} {print}'
# 0x201: migrate features, and include the maximum version.
rewrite Upgrade 'NR > 3 && $7 == "WIX_UPGRADE_DETECTED" {$5 = 513} {print}'

# After the last msibuild step, which would read the summary again.
python3 "$here/summary_in_codepage.py" "$work/package.msi"

mkdir -p "$(dirname "$output")"
mv "$work/package.msi" "$output"
