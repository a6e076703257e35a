#!/usr/bin/env bash
# Builds varnhollow.msi with wixl, then mends what wixl cannot express:
#   build.sh OUTPUT.msi VERSION EXE TOOL PASSWORD_FILE MAKER EMAIL HOST
# - The password file's component gets NeverOverwrite (0x80) and Permanent
#   (0x10): wixl ignores both attributes with only a warning.
# - PASSWORD joins the secure properties, so that a managed installation
#   passes it on.
# - The Shortcut and CustomAction tables are rewritten with the columns of
#   Windows Installer 2.0; wixl adds columns of later versions.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
output=$1 version=$2 exe=$3 tool=$4 password_file=$5 maker=$6 email=$7 host=$8
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# wixl takes sources relative to the .wxs file only: gather them beside it.
cp "$here/varnhollow.wxs" "$here/../resources/device.ico" "$work/"
cp "$exe" "$work/varnhollow.exe"
cp "$tool" "$work/vhpasswd.exe"
cp "$password_file" "$work/PSTACK.DRV"
(cd "$work" && wixl -a x86 -o package.msi -D Version="$version" -D Maker="$maker" -D Email="$email" \
  -D Host="$host" varnhollow.wxs 2>wixl.log) || { cat "$work/wixl.log" >&2; exit 1; }

msibuild "$work/package.msi" -q "UPDATE Component SET Attributes = 144 WHERE Component = 'PasswordFile'"

# PASSWORD must reach the server side of a managed installation.
secure=$(cd "$work" && msiinfo export package.msi Property | awk -F'\t' '$1 == "SecureCustomProperties" {print $2}' | tr -d '\r')
msibuild "$work/package.msi" -q "UPDATE Property SET Value = '${secure:+$secure;}PASSWORD' WHERE Property = 'SecureCustomProperties'"

# Keeps the first N columns of a table (the rows are tab-separated).
keep_columns() {
  local table=$1 count=$2
  (cd "$work" && msiinfo export package.msi "$table" | cut -f "1-$count" >"$table.idt")
  msibuild "$work/package.msi" -q "DROP TABLE \`$table\`"
  (cd "$work" && msibuild package.msi -i "$table.idt")
}
keep_columns Shortcut 12
keep_columns CustomAction 4

mv "$work/package.msi" "$output"
