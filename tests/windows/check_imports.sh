#!/usr/bin/env bash
# The .exe must run on a bare Windows: a GUI program that imports system DLLs only, nothing
# from the MinGW runtime (libstdc++, libgcc, libwinpthread).
set -euo pipefail
. "$(dirname "$0")/wine_common.sh"
need x86_64-w64-mingw32-objdump
exe="$WIN_BIN/kueruma.exe"
headers=$(x86_64-w64-mingw32-objdump -p "$exe")
dlls=$(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr 'a-z' 'A-Z' | sort | tr '\n' ' ')
echo "kueruma.exe imports: $dlls"
expected="GDI32.DLL KERNEL32.DLL MSVCRT.DLL USER32.DLL WINMM.DLL "
status=0
if [ "$dlls" != "$expected" ]; then
  echo "FAIL expected exactly: $expected" >&2
  status=1
fi
if ! grep -q '^Subsystem.*(Windows GUI)' <<<"$headers"; then
  echo "FAIL kueruma.exe is not a GUI-subsystem program" >&2
  status=1
fi
[ $status -eq 0 ] && echo "ok   imports and subsystem"
exit $status
