#!/bin/sh
# Configures and builds everything (program, resource library, tests,
# helper programs, benchmarks) with the MinGW-w64 cross compilers.
#   DORVAK_BUILD_DIR  build folder (default build)
#   DORVAK_ARCH       x86 (default: the shipped 32-bit program) or x64
set -eu
cd "$(dirname "$0")/.."
BUILD_DIR="${DORVAK_BUILD_DIR:-build}"
case "${DORVAK_ARCH:-x86}" in
    x86) toolchain="$PWD/cmake/mingw-w64-i686.cmake" ;;
    x64) toolchain="$PWD/cmake/mingw-w64-x86_64.cmake" ;;
    *) echo "DORVAK_ARCH must be x86 or x64, not '$DORVAK_ARCH'" >&2; exit 2 ;;
esac
# A folder configured for another architecture (or by an older toolchain
# file) starts afresh; its Wine prefix stays.
configured=""
if [ -f "$BUILD_DIR/CMakeCache.txt" ]; then
    configured=$(sed -n 's/^CMAKE_TOOLCHAIN_FILE:[A-Z]*=//p' "$BUILD_DIR/CMakeCache.txt")
fi
if [ ! -f "$BUILD_DIR/build.ninja" ] || [ "$configured" != "$toolchain" ]; then
    fresh=""
    if [ -f "$BUILD_DIR/CMakeCache.txt" ]; then fresh="--fresh"; fi
    cmake $fresh -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" "$@"
fi
cmake --build "$BUILD_DIR" -j "$(nproc)"
