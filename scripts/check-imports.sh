#!/bin/sh
# Fails when a program imports a DLL that does not ship with Windows (a
# MinGW runtime left dynamic would stop it on a bare machine), or when it
# is not built for the architecture asked for.
#   check-imports.sh [--machine x86|x64] program.exe...
set -eu
expected=""
if [ "${1:-}" = "--machine" ]; then
    expected="$2"
    shift 2
fi
allowed="kernel32.dll user32.dll gdi32.dll comctl32.dll comdlg32.dll advapi32.dll shell32.dll
ole32.dll oleaut32.dll version.dll msvcrt.dll ntdll.dll"

# The COFF machine field of the PE header: 014c i386, 8664 x86-64.
machine_of() {
    pe_offset=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
    od -An -tx2 -j$((pe_offset + 4)) -N2 "$1" | tr -d ' '
}

status=0
for exe in "$@"; do
    case "$(machine_of "$exe")" in
        014c) machine=x86; objdump=i686-w64-mingw32-objdump ;;
        8664) machine=x64; objdump=x86_64-w64-mingw32-objdump ;;
        *) echo "not a 32-bit or 64-bit x86 program: $exe"; status=1; continue ;;
    esac
    echo "$exe: $machine"
    if [ -n "$expected" ] && [ "$machine" != "$expected" ]; then
        echo "WRONG ARCHITECTURE: $machine, not $expected"
        status=1
    fi
    imports=$($objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
    [ -n "$imports" ] || { echo "no imports found in $exe"; status=1; continue; }
    for dll in $imports; do
        case " $(echo $allowed) " in
            *" $dll "*) echo "ok: $dll" ;;
            *) echo "NOT A SYSTEM DLL: $dll"; status=1 ;;
        esac
    done
done
exit $status
