#!/usr/bin/env bash
# Checks varnhollow.msi against what Windows 2000's own Windows Installer
# (2.0) reads, and the properties Add/Remove Programs shows.
#   check_msi.sh PACKAGE.msi VERSION [--service]
# --service: the package installs the lock service too.
set -u
msi=$(realpath "$1") version=$2 service=${3:-}
status=0
# Exporting a table with binary data writes its streams beside: work aside.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "$*"; status=1; }

[ -f "$msi" ] && summary=$(msiinfo suminfo "$msi" 2>/dev/null) || { echo "cannot read $msi"; exit 1; }
schema=$(awk '/^Version:/ {print $2}' <<<"$summary")
[ "$schema" -le 200 ] || fail "schema $schema is newer than Windows Installer 2.0 (200)"

table() { msiinfo export "$msi" "$1" | tr -d '\r'; }

# Windows reads the summary's texts in the summary's code page (its property
# 1) and the tables' in the database's: both must be Windows-1252, and the
# texts stored in it.
summary_texts() {
  msiinfo extract "$msi" $'\005SummaryInformation' | python3 -c '
import struct, sys
stream = sys.stdin.buffer.read()
section = stream[struct.unpack_from("<I", stream, 44)[0]:]
count = struct.unpack_from("<I", section, 4)[0]
values = {}
for i in range(count):
    pid, offset = struct.unpack_from("<II", section, 8 + 8 * i)
    values[pid] = section[offset:]
codepage = struct.unpack_from("<h", values[1], 4)[0]
print(f"codepage\t{codepage}")
for pid, value in sorted(values.items()):
    if struct.unpack_from("<I", value)[0] == 30:
        raw = value[8:8 + struct.unpack_from("<I", value, 4)[0]].rstrip(b"\0")
        text = raw.decode("cp%d" % codepage, "replace")
        # Accented UTF-8 bytes, read in the code page, become two characters each.
        try:
            stored = "utf-8" if not raw.isascii() and raw.decode("utf-8") else "codepage"
        except UnicodeDecodeError:
            stored = "codepage"
        print(f"{pid}\t{text}\t{stored}")
'
}
summary=$(summary_texts) || fail "cannot read the summary's texts"
[ "$(awk -F'\t' '$1 == "codepage" {print $2}' <<<"$summary")" = 1252 ] ||
  fail "the summary's code page is not 1252: $(head -1 <<<"$summary")"
expected_comments="Verrouillage des ports USB pour les disques, clés USB externes."
comments=$(awk -F'\t' '$1 == 6 {print $2}' <<<"$summary")
[ "$comments" = "$expected_comments" ] || fail "Windows reads the package's comments as [$comments]"
# msiinfo shows the summary's bytes as they are.
msiinfo suminfo "$msi" | iconv -f CP1252 -t UTF-8 | grep -qxF "Comments: $expected_comments" ||
  fail "msiinfo's summary read as Windows-1252 does not hold the comments"
while IFS=$'\t' read -r pid text stored; do
  [ "$stored" = utf-8 ] && fail "the summary's text $pid is stored as UTF-8: Windows reads [$text]"
done <<<"$summary"
codepage=$(table _ForceCodepage | awk -F'\t' '$2 == "_ForceCodepage" {print $1}')
[ "$codepage" = 1252 ] || fail "the tables' code page is [$codepage], not 1252: Windows reads them in the machine's"
downgrade=$(table LaunchCondition | awk -F'\t' '$1 == "NOT WIX_DOWNGRADE_DETECTED" {print $2}')
[ "$downgrade" = "Une version plus récente de Varnhollow est déjà installée." ] ||
  fail "the downgrade message reads [$downgrade]"
property() { table Property | awk -F'\t' -v p="$1" '$1 == p {print $2}' | tr -d '\r'; }
[ "$(property ProductName)" = Varnhollow ] || fail "ProductName is [$(property ProductName)]"
[ "$(property ProductVersion)" = "$version" ] || fail "ProductVersion is [$(property ProductVersion)]"
[ -n "$(property Manufacturer)" ] || fail "no Manufacturer"
[ "$(property ALLUSERS)" = 1 ] || fail "not per machine (ALLUSERS is [$(property ALLUSERS)])"
icon=$(property ARPPRODUCTICON)
table Icon | cut -f1 | grep -qx "$icon" || fail "ARPPRODUCTICON [$icon] is not in the Icon table"
grep -q PASSWORD <<<"$(property SecureCustomProperties)" || fail "PASSWORD is not a secure property"

row() { table "$1" | tail -n +4 | awk -F'\t' -v k="$2" '$1 == k' | tr -d '\r'; }
[ "$(row Component PasswordFile | cut -f3,4)" = $'SystemFolder\t144' ] ||
  fail "the password file's component is [$(row Component PasswordFile)], not NeverOverwrite + Permanent in SystemFolder"
row Registry "$(table Registry | awk -F'\t' '$3 ~ /CurrentVersion\\Run$/ {print $1}')" |
  awk -F'\t' '$2 == 2 && $4 == "Varnhollow" && $5 == "\"[#varnhollow.exe]\""' | grep -q . ||
  fail "no HKLM Run value starting the program"

# The event source, with the program: EventMessageFile a REG_EXPAND_SZ ("#%")
# naming the installed exe, TypesSupported 31, and the key removed ("-") on
# uninstall.
source_key='SYSTEM\CurrentControlSet\Services\Eventlog\Application\Varnhollow'
event_source=$(table Registry | tail -n +4 | awk -F'\t' -v k="$source_key" '$2 == 2 && $3 == k {print $4 "=" $5 " " $6}' |
  sort | paste -sd,)
[ "$event_source" = '-= Program,EventMessageFile=#%[#varnhollow.exe] Program,TypesSupported=#31 Program' ] ||
  fail "the event source's registry rows are [$event_source]"

upgrade=$(table Upgrade | tail -n +4 | awk -F'\t' '$7 == "WIX_UPGRADE_DETECTED" {print $3, $5}' | tr -d '\r')
[ "$upgrade" = "$version 513" ] || fail "the upgrade row [$upgrade] does not replace this version and older ones"

# The custom actions run after the files are in place, when installing.
sequence=$(table InstallExecuteSequence | awk -F'\t' '$1 ~ /^(InstallFiles|ProtectPasswordFile|SetPassword)$/' |
  sort -t$'\t' -k3n | cut -f1,2 | tr '\t' ' ' | paste -sd,)
[ "$sequence" = 'InstallFiles ,ProtectPasswordFile NOT (REMOVE~="ALL"),SetPassword PASSWORD AND NOT (REMOVE~="ALL")' ] ||
  fail "the custom actions are sequenced as [$sequence]"

# The lock service: vhservice.exe, its component's key path, installed as the
# service "Varnhollow" running as LocalSystem (no account named), its own
# process (16), started with Windows (2), errors reported as usual (1).
# Started when installed (0x1), stopped when installed and uninstalled (0x2,
# 0x20), removed when uninstalled (0x80), each time waiting for it (1).
if [ "$service" = --service ]; then
  [ "$(row Component LockService | cut -f3,6)" = $'INSTALLDIR\tvhservice.exe' ] ||
    fail "the service's component is [$(row Component LockService)], not keyed by vhservice.exe in INSTALLDIR"
  [ "$(row File vhservice.exe | cut -f2,3)" = $'LockService\tvhservice.exe' ] ||
    fail "vhservice.exe is [$(row File vhservice.exe)]"
  # Name, DisplayName, ServiceType, StartType, ErrorControl, StartName, Component_.
  installs=$(table ServiceInstall | tail -n +4 | cut -f2-6,9,12)
  [ "$installs" = $'Varnhollow\tVarnhollow\t16\t2\t1\t\tLockService' ] ||
    fail "the service is installed as [$installs]"
  # Name, Event, Arguments, Wait, Component_.
  controls=$(table ServiceControl | tail -n +4 | cut -f2-)
  [ "$controls" = $'Varnhollow\t163\t\t1\tLockService' ] || fail "the service is controlled as [$controls]"
fi

# Tables whose columns grew after Windows Installer 2.0, with their 2.0 columns.
declare -A columns_2_0=(
  [Shortcut]="Shortcut Directory_ Name Component_ Target Arguments Description Hotkey Icon_ IconIndex ShowCmd WkDir"
  [CustomAction]="Action Type Source Target"
)
for table in "${!columns_2_0[@]}"; do
  got=$(table "$table" | head -1 | tr '\t' ' ' | tr -d '\r')
  [ "$got" = "${columns_2_0[$table]}" ] || fail "$table has the columns [$got]"
done
newer_tables='^(MsiLockPermissionsEx|MsiServiceConfig|MsiServiceConfigFailureActions|MsiShortcutProperty|MsiEmbeddedUI|MsiEmbeddedChainer|MsiPackageCertificate|MsiPatchCertificate|MsiPatchMetadata|MsiPatchSequence|MsiPatchOldAssemblyFile|MsiPatchOldAssemblyName)$'
newer=$(msiinfo tables "$msi" | grep -E "$newer_tables")
[ -z "$newer" ] || fail "tables Windows Installer 2.0 lacks: $newer"
# Custom actions: an exe installed with the product (18), deferred (0x400), as
# SYSTEM (0x800); the one that gets the password keeps it out of the log (0x2000).
actions=$(table CustomAction | tail -n +4 | cut -f1,2 | sort | tr '\t' ' ' | paste -sd,)
[ "$actions" = "ProtectPasswordFile 3090,SetPassword 11282" ] || fail "custom actions [$actions]"
# The password comes after "--" and in quotes, so the tool never reads it as an
# option and a blank inside it does not split it.
set_password=$(table CustomAction | awk -F'\t' '$1 == "SetPassword" {print $4}' | tr -d '\r')
[ "$set_password" = '-- "[PASSWORD]"' ] || fail "SetPassword runs vhpasswd.exe with [$set_password]"

[ $status -eq 0 ] && echo "$(basename "$msi"): $(stat -c %s "$msi") bytes, schema $schema, version $version"
exit $status
