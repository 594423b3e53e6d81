#!/bin/sh
# Installs every Debian package the build, the tests and the sample run need.
# Does nothing at all (not even apt-get update) when everything is there.
#   --check   only list what is missing; exit 1 when something is
set -eu
export DEBIAN_FRONTEND=noninteractive
SUDO=""
if [ "$(id -u)" != "0" ]; then SUDO="sudo"; fi

# The shipped program is 32-bit: the i686 compilers build it and Wine's
# 32-bit half (wine32, from the i386 architecture) runs it, in a 64-bit
# prefix as on 64-bit Windows and in a 32-bit one as on 32-bit Windows.
# The x86-64 compilers keep the 64-bit build going. The archive writer
# deflates through zlib's static MinGW libraries (libz-mingw-w64-dev); the
# archive tests read its output back with Info-ZIP's unzip and with 7-Zip,
# and the archive benchmark times Info-ZIP's zip beside it.
PACKAGES="cmake ninja-build make
    g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    mingw-w64-x86-64-dev libz-mingw-w64-dev googletest
    wine wine64 wine32:i386
    xvfb xauth xdotool x11-utils imagemagick
    locales clang-format python3
    unzip p7zip-full zip"

missing=""
for package in $PACKAGES; do
    status=$(dpkg-query -W -f='${db:Status-Abbrev}' "$package" 2>/dev/null || true)
    case "$status" in
        ii*) ;;
        *) missing="$missing $package" ;;
    esac
done
need_i386=no
if [ "$(dpkg --print-architecture)" != "i386" ] &&
    ! dpkg --print-foreign-architectures | grep -qx i386; then
    need_i386=yes
fi
# Wine takes its ANSI code page (1251) and the language of system messages
# from the Unix locale, as Russian Windows would.
need_locale=no
if ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf8$'; then need_locale=yes; fi

if [ "${1:-}" = "--check" ]; then
    [ "$need_i386" = no ] || echo "architecture: i386"
    for package in $missing; do echo "package: $package"; done
    [ "$need_locale" = no ] || echo "locale: ru_RU.UTF-8"
    [ -z "$missing" ] && [ "$need_i386" = no ] && [ "$need_locale" = no ]
    exit
fi

if [ "$need_i386" = yes ]; then
    $SUDO dpkg --add-architecture i386
fi
if [ -n "$missing" ] || [ "$need_i386" = yes ]; then
    $SUDO apt-get update -qq
    # shellcheck disable=SC2086 # one word per package
    $SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi
if [ "$need_locale" = yes ]; then
    if ! grep -q '^ru_RU.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
        echo 'ru_RU.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    fi
    $SUDO locale-gen >/dev/null
fi
