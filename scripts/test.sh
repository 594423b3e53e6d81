#!/bin/sh
# Installs what is missing, builds, and runs every test under Wine and Xvfb.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh
. ./scripts/wine-env.sh
wine_env_start xvfb
trap wine_env_stop EXIT
status=0
ctest --test-dir "$BUILD_DIR" --output-on-failure "$@" || status=$?
exit $status
