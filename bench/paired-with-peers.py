#!/usr/bin/python3
"""Our readers against the fastest Python peer, run in alternation.

    bench/paired-with-peers.py [--same-cpu] PEER_BENCH_DIR OUR_BUILD_DIR [ROUNDS]

compare-with-peers.sh runs each command's runs one after another, as the
peers' own timer does, so a slow spell of the shared machine can land on
one command's runs alone. Here every round runs the peer (xlrd for .xls,
openpyxl for .xlsx) and then ours on the same file, after one uncounted
round, so both meet the same spells. The ratio is taken per round; the
median over the rounds is printed with the lowest and the highest, and how
many rounds reached the aim (10x xlrd, 20x openpyxl). Each run is a whole
process, start-up included; peak RSS is the largest over the rounds.
PEER_BENCH_DIR and OUR_BUILD_DIR are as for compare-with-peers.sh.

--same-cpu pins both runs of a round to one CPU (taskset), taking the first
two CPUs in turn from round to round, for the .xls files. The virtual
CPUs of a shared machine do not always run at the same speed, and a
process mostly stays on the one it starts on, so unpinned rounds also
measure where each process landed. Pinned, our reader's helper thread
shares the CPU with it, which can only slow ours. The .xlsx reader works
on two threads throughout, so those files stay unpinned."""
import os
import statistics
import subprocess
import sys
import tempfile
import time


def run(cmd, cwd):
    """Wall seconds and peak RSS in MiB of one whole run of cmd."""
    start = time.perf_counter()
    process = subprocess.Popen(cmd, cwd=cwd, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit("failed: " + " ".join(cmd))
    return wall, usage.ru_maxrss / 1024.0


def pair(peer_cmd, our_cmd, rounds, cwd, cpus=None):
    """Per-round walls of the peer and ours, and the peaks. With cpus, both
    runs of round n are pinned to cpus[n % len(cpus)]."""
    peer_walls, our_walls, peer_peak, our_peak = [], [], 0.0, 0.0
    for round_number in range(rounds + 1):
        pin = ["taskset", "-c", str(cpus[round_number % len(cpus)])] if cpus else []
        peer_wall, peak = run(pin + peer_cmd, cwd)
        peer_peak = max(peer_peak, peak)
        our_wall, peak = run(pin + our_cmd, cwd)
        our_peak = max(our_peak, peak)
        if round_number > 0:  # the first round only warms up
            peer_walls.append(peer_wall)
            our_walls.append(our_wall)
    return peer_walls, our_walls, peer_peak, our_peak


def main():
    args = sys.argv[1:]
    same_cpu = "--same-cpu" in args
    args = [a for a in args if a != "--same-cpu"]
    if len(args) < 2:
        sys.exit(__doc__)
    peers = os.path.abspath(args[0])
    ours = os.path.abspath(args[1])
    rounds = int(args[2]) if len(args) > 2 else 15
    cpus = sorted(os.sched_getaffinity(0))[:2] if same_cpu else None
    inputs = os.path.join(peers, "inputs")
    python = sys.executable
    with tempfile.TemporaryDirectory() as work:
        our_xls = os.path.join(work, "wide.korvel.xls")
        subprocess.run([os.path.join(ours, "korvel_writer_bench"), "wide", our_xls],
                       check=True, stdout=subprocess.DEVNULL)
        files = [(os.path.join(inputs, name), "xlrd", "korvel_reader_bench", 10)
                 for name in ("wide.xls", "wide.libreoffice.xls", "wide.gnumeric.xls", "wide.sheetjs.xls")]
        files.append((our_xls, "xlrd", "korvel_reader_bench", 10))
        files += [(os.path.join(inputs, name), "openpyxl", "korvel_xlsx_read_bench", 20)
                  for name in ("wide.xlsx", "wide.sheetjs.xlsx")]
        print("%-22s %-8s %8s %8s %8s %8s %8s %6s %13s" % (
            "file", "peer", "peer s", "ours s", "ratio", "lowest", "highest", "aim", "peak ours/py"))
        for path, peer, bench, aim in files:
            peer_cmd = [python, "lib/read_%s.py" % peer, path]
            our_cmd = [os.path.join(ours, bench), path]
            pinned = cpus if bench == "korvel_reader_bench" else None
            peer_walls, our_walls, peer_peak, our_peak = pair(peer_cmd, our_cmd, rounds, peers, pinned)
            ratios = [p / o for p, o in zip(peer_walls, our_walls)]
            reached = sum(1 for r in ratios if r >= aim)
            print("%-22s %-8s %8.3f %8.3f %7.1fx %7.1fx %7.1fx %2d/%-3d %5.1f/%5.1f" % (
                os.path.basename(path), peer, statistics.median(peer_walls), statistics.median(our_walls),
                statistics.median(ratios), min(ratios), max(ratios), reached, len(ratios), our_peak, peer_peak))
            sys.stdout.flush()


if __name__ == "__main__":
    main()
