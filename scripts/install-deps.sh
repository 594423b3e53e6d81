#!/bin/sh
# Installs every Debian package the build, the tests and the sample run need.
# Safe to run again: apt-get skips what is already there.
set -eu
export DEBIAN_FRONTEND=noninteractive
SUDO=""
if [ "$(id -u)" != "0" ]; then SUDO="sudo"; fi
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends \
    cmake ninja-build make \
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
    mingw-w64-x86-64-dev googletest \
    wine wine64 \
    xvfb xauth xdotool x11-utils imagemagick \
    locales clang-format python3 >/dev/null
# Wine takes its ANSI code page (1251) and the language of system messages
# from the Unix locale, as Russian Windows would.
if ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf8$'; then
    if ! grep -q '^ru_RU.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
        echo 'ru_RU.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    fi
    $SUDO locale-gen >/dev/null
fi
