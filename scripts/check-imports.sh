#!/bin/sh
# Fails when the program imports a DLL that does not ship with Windows
# (a MinGW runtime left dynamic would stop it on a bare machine).
set -eu
exe="$1"
allowed="kernel32.dll user32.dll gdi32.dll comctl32.dll comdlg32.dll advapi32.dll shell32.dll
ole32.dll oleaut32.dll version.dll msvcrt.dll ntdll.dll"
imports=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
[ -n "$imports" ] || { echo "no imports found in $exe"; exit 1; }
status=0
for dll in $imports; do
    case " $(echo $allowed) " in
        *" $dll "*) echo "ok: $dll" ;;
        *) echo "NOT A SYSTEM DLL: $dll"; status=1 ;;
    esac
done
exit $status
