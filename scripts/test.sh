#!/bin/sh
# Installs what is missing, builds, and runs every test under Wine and Xvfb:
# the whole suite against the shipped 32-bit build (build/), then the test
# programs of the 64-bit build (build64/) so that neither build can rot.
# Arguments go to the first ctest (for example -R e2e_window).
set -eu
# No test leaves compiled Python beside its sources.
export PYTHONDONTWRITEBYTECODE=1
cd "$(dirname "$0")/.."
BUILD64_DIR="${DORVAK_BUILD64_DIR:-build64}"
./scripts/install-deps.sh
./scripts/build.sh
DORVAK_BUILD_DIR="$BUILD64_DIR" DORVAK_ARCH=x64 ./scripts/build.sh
. ./scripts/wine-env.sh
wine_env_start xvfb
stop_all() {
    sh scripts/wine-server.sh stop "$BUILD64_DIR" || true
    wine_env_stop
}
trap stop_all EXIT
status=0
ctest --test-dir "$BUILD_DIR" --output-on-failure "$@" || status=$?

echo "== 64-bit build: test programs (the end-to-end runs are the 32-bit build's)"
# Its own prefix, made once in its folder; its server ends with the run.
sh scripts/wine-server.sh start "$BUILD64_DIR"
ctest --test-dir "$BUILD64_DIR" --output-on-failure -L unit || status=$?
exit $status
