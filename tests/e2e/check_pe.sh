#!/usr/bin/env bash
# Checks that varnhollow.exe loads on Windows 2000: subsystem version 5.0 or
# lower, imports only from DLLs that system has, and no function it lacks.
#   check_pe.sh EXE [--no-version-record]   (the second for the helper tools)
set -u
exe=${1:?exe}
version_record=yes
[ "${2:-}" = --no-version-record ] && version_record=no
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
headers=$($objdump -p "$exe") || exit 1
status=0

major=$(awk '/^MajorSubsystemVersion/ {print $2}' <<<"$headers")
minor=$(awk '/^MinorSubsystemVersion/ {print $2}' <<<"$headers")
if [ "$major" -gt 5 ] || { [ "$major" -eq 5 ] && [ "$minor" -gt 0 ]; }; then
  echo "subsystem version $major.$minor is newer than Windows 2000 (5.0)"; status=1
fi

# Terminal-server aware (0x8000): under Terminal Services in application mode
# GetWindowsDirectoryA would otherwise give a per-user folder, where no
# password file exists and an empty password would be accepted.
characteristics=$(awk '/^DllCharacteristics/ {print $2}' <<<"$headers")
if [ -z "$characteristics" ] || [ $((0x$characteristics & 0x8000)) -eq 0 ]; then
  echo "not marked terminal-server aware (DllCharacteristics ${characteristics:-missing})"; status=1
fi

allowed_dlls='^(kernel32|user32|gdi32|advapi32|shell32|comctl32|msvcrt|urlmon|wininet|ole32)\.dll$'
dlls=$(awk '/DLL Name:/ {print tolower($3)}' <<<"$headers")
for dll in $dlls; do
  grep -qE "$allowed_dlls" <<<"$dll" || { echo "imports from $dll"; status=1; }
done

# Functions newer than Windows 2000 that a toolchain or library may pull in.
functions=$(awk '/DLL Name:/ {in_dll=1; next} in_dll && NF==3 && $1 ~ /^[0-9a-f]+$/ {print $3}' <<<"$headers")
too_new='ConditionVariable|SRWLock|GetTickCount64|InitOnce|^Fls(Alloc|Free|GetValue|SetValue)$|GetModuleHandleEx|AddVectoredExceptionHandler|InitializeCriticalSectionEx|GetSystemTimePreciseAsFileTime|CreateSymbolicLink|GetFileInformationByHandleEx|SetThreadStackGuarantee|GetNativeSystemInfo|IsWow64Process|AttachConsole|GetProcessId$|QueryFullProcessImageName|_s$|^rand_s$|___lc_codepage_func|___lc_handle_func|_get_output_format|_set_invalid_parameter_handler'
bad=$(grep -E "$too_new" <<<"$functions")
if [ -n "$bad" ]; then
  echo "imports functions Windows 2000 lacks:"; echo "$bad"; status=1
fi

# The version record, in French, with its accented description.
if [ $version_record = yes ]; then
  description=$(printf 'cl\xe9s USB externes' | iconv -f CP1252 -t UTF-16LE | od -An -tx1 | tr -d ' \n')
  od -An -tx1 -v "$exe" | tr -d ' \n' | grep -q "$description" || { echo "version description missing"; status=1; }
fi

[ $status -eq 0 ] && echo "PE: subsystem $major.$minor, terminal-server aware, $(wc -w <<<"$functions") imports from: $(echo $dlls)"
exit $status
