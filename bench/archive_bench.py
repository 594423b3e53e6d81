"""Packs one folder with PackFolder (bench/ArchiveBench.cpp, under Wine) and
with Info-ZIP's zip -r -6 -q (natively, on the same files through the Unix
path), in alternating order each round, and prints the medians and their
ratios; then the peak working set of packing plain trees of 1,000 and
50,000 files, one fresh process each.

  archive_bench.py <wine-run.sh> <ArchiveBench.exe> <drive_c> <folder> <rounds>

<folder> is a Unix path inside <drive_c> (drive C: of the prefix)."""
import os
import statistics
import subprocess
import sys
import time

wine_run, bench_exe, drive_c, folder, rounds = sys.argv[1:6]


def windows(path):
    return "C:\\" + os.path.relpath(path, drive_c).replace("/", "\\")


def ours(tree):
    archive = os.path.join(drive_c, "BENCH", "ours.zip")
    out = subprocess.run([wine_run, bench_exe, windows(tree), windows(archive)], check=True,
                         stdout=subprocess.PIPE).stdout.decode().split()
    entries, size_in, size_out, seconds, peak, before = out[1:7]
    return float(seconds), int(size_out), int(entries), int(peak), int(before)


def read_only(tree):
    out = subprocess.run([wine_run, bench_exe, windows(tree), "--read-only"], check=True,
                         stdout=subprocess.PIPE).stdout.decode().split()
    return float(out[3]), 0


def infozip(tree):
    archive = os.path.join(drive_c, "BENCH", "infozip.zip")
    if os.path.exists(archive):
        os.remove(archive)
    start = time.perf_counter()
    subprocess.run(["zip", "-r", "-6", "-q", archive, os.path.basename(tree)], check=True,
                   cwd=os.path.dirname(tree))
    seconds = time.perf_counter() - start
    size = os.path.getsize(archive)
    os.remove(archive)
    return seconds, size


files = sum(len(names) for _, _, names in os.walk(folder))
print("%d files, %.1f MiB" % (files, sum(os.path.getsize(os.path.join(d, n))
                                      for d, _, names in os.walk(folder) for n in names) / 2**20))
ours(folder)  # warm-up: the file cache and Wine's start
methods = [("ours", ours), ("zip", infozip), ("read", read_only)]
times = {name: [] for name, _ in methods}
ratios, beyond_reading = [], []
for round_number in range(int(rounds)):
    turn = methods[round_number % 3:] + methods[:round_number % 3]
    result = {name: method(folder) for name, method in turn}
    for name in times:
        times[name].append(result[name][0])
    ratios.append(result["ours"][0] / result["zip"][0])
    beyond_reading.append((result["ours"][0] - result["read"][0]) / result["zip"][0])
    size_ours, size_zip = result["ours"][1], result["zip"][1]
median = {name: statistics.median(values) for name, values in times.items()}
spread = {name: max(values) - min(values) for name, values in times.items()}
print("PackFolder (Wine)           %.2f s (spread %.2f), %d bytes" % (
    median["ours"], spread["ours"], size_ours))
print("zip -r -6 -q (native)       %.2f s (spread %.2f), %d bytes" % (
    median["zip"], spread["zip"], size_zip))
print("open and read only (Wine)   %.2f s (spread %.2f)" % (median["read"], spread["read"]))
print("time ratio %.2f, per round %.2f (goal at most 1.10); size ratio %.4f (goal at most 1.01)" % (
    median["ours"] / median["zip"], statistics.median(ratios), size_ours / size_zip))
print("PackFolder less the platform's open and read, against zip: per round %.2f" % (
    statistics.median(beyond_reading)))

peaks = {}
for count in (1000, 50000):
    tree = os.path.join(drive_c, "BENCH", "tree%d" % count)
    for index in range(count):
        sub = os.path.join(tree, "f%03d" % (index // 1000))
        if index % 1000 == 0:
            os.makedirs(sub)
        with open(os.path.join(sub, "2019_04_05_%05d.log" % index), "w") as log:
            log.write("".join("13:%02d:%02d Лифт %d стоит\n" % (i // 60, i % 60, index % 7)
                              for i in range(index % 50 + 1)))
    seconds, size, entries, peak, before = ours(tree)
    peaks[count] = peak
    print("%d files: %d entries in %.2f s, peak working set %d KiB (%d KiB before packing)" % (
        count, entries, seconds, peak, before))
    subprocess.run(["rm", "-rf", tree], check=True)
print("peak growth from 1,000 to 50,000 files: %d KiB (goal at most 8 MiB)" % (
    peaks[50000] - peaks[1000]))
