#!/usr/bin/env bash
# Fails when a source outside the Win32 backend includes a Windows header.
set -u
src=${1:?source folder}
hits=$(grep -rnIiE '#\s*include\s*[<"](windows|winreg|winuser|winbase|shellapi|wininet|urlmon|shlobj|commctrl)\.h' "$src" \
       | grep -v "^$src/platform/win32/")
if [ -n "$hits" ]; then
  echo "Windows headers outside src/platform/win32:"
  echo "$hits"
  exit 1
fi
echo "core is portable"
