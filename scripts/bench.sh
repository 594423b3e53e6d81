#!/bin/sh
# Builds, lays out the benchmark installations in the Wine drive (C:\BENCH)
# and runs the benchmark programs of bench/, printing the figures that the
# README's Benchmarks section reports. Not part of the tests.
#   DORVAK_BENCH_ROUNDS   rounds of the collection benchmark (default 5)
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh
. ./scripts/wine-env.sh
wine_env_start xvfb
trap wine_env_stop EXIT

bench_unix="$WINEPREFIX/drive_c/BENCH"
rm -rf "$bench_unix"
bin="$BUILD_DIR/bin"
rounds="${DORVAK_BENCH_ROUNDS:-5}"
# A week of logs out of thirty days is collected.
start=$(date -d '7 days ago' +%Y-%m-%d)

install() { # name log-files [more SampleInstall options]
    name="$1"
    logs="$2"
    shift 2
    "$WINE_RUN" "$bin/SampleInstall.exe" "C:\\BENCH\\$name" --seed 21 --logs "$logs" --days 30 \
        --no-configurators "$@" >/dev/null
}

echo "== Collection time (5,000 log files over 30 days, start day $start)"
install collect 5000
"$WINE_RUN" "$bin/CollectBench.exe" 'C:\BENCH\collect' 'C:\BENCH\work' "$start" "$rounds"

echo "== Whole run through the window (12,000 log files over 30 days up to a week ahead: the"
echo "   dialog's own start day, today, selects about a quarter of them)"
install window 12000 --end "$(date -d '7 days' +%Y-%m-%d)"
"$WINE_RUN" "$bin/WindowBench.exe" 'C:\BENCH\window' 'C:\BENCH\work' "$rounds"
rm -rf "$bench_unix/window"

echo "== Peak working set of a plan walk, one fresh process per size"
for logs in 1000 50000; do
    install "logs$logs" "$logs"
    "$WINE_RUN" "$bin/PeakMemory.exe" "C:\\BENCH\\logs$logs" 'C:\BENCH\work' "$start"
    rm -rf "$bench_unix/logs$logs"
done

echo "== Archive: PackFolder against Info-ZIP's zip on a collected-like folder (3,000 log files"
echo "   over 30 days and the suite's programs), then peak memory against the number of files"
install archive 3000
python3 -B bench/archive_bench.py "$WINE_RUN" "$bin/ArchiveBench.exe" "$WINEPREFIX/drive_c" \
    "$bench_unix/archive" "$rounds"
rm -rf "$bench_unix/archive"

echo "== Machine state (processes, services, drives, the suite's crash reports): the system's own"
echo "   processes, then 100 stand-ins more, in alternating rounds"
install machine 300
mkdir -p "$bench_unix/standin"
cp "$bin/NeverEnds.exe" "$bench_unix/standin/LiftStandIn.exe"
"$WINE_RUN" "$bin/MachineBench.exe" 'C:\BENCH\machine' 'C:\BENCH\work' \
    'C:\BENCH\standin\LiftStandIn.exe' 100 "$rounds"
rm -rf "$bench_unix/machine" "$bench_unix/standin"

echo "== Start-up"
"$WINE_RUN" "$bin/StartupTime.exe" 'C:\BENCH\collect\Dorvak\Dorvak.exe' 5
rm -rf "$bench_unix"
