#!/bin/sh
# Configures and builds everything (program, resource library, tests,
# helper programs, benchmarks) into build/ with the MinGW-w64 cross compiler.
set -eu
cd "$(dirname "$0")/.."
BUILD_DIR="${DORVAK_BUILD_DIR:-build}"
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake "$@"
fi
cmake --build "$BUILD_DIR" -j "$(nproc)"
