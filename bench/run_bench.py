"""Benchmarks the Linux report program at scale against `ip -j -6 addr show` and
against the floor (the same kernel queries and conversions, writing nothing), in a
network namespace of N veth pairs whose ends each hold two global IPv6 addresses
and a link-local one. Writes a Markdown table to the output file.

usage: run_bench.py --lanroster PATH --floor PATH [--sizes 1,100,1000] [--runs 10]
                    [--artifacts DIST] [--out bench/results.md]"""
import argparse
import datetime
import os
import platform
import re
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "netns"))
from netns_support import Namespace  # noqa: E402

arguments = argparse.ArgumentParser()
arguments.add_argument("--lanroster", required=True)
arguments.add_argument("--floor", required=True)
arguments.add_argument("--sizes", default="1,100,1000")
arguments.add_argument("--runs", type=int, default=10)
arguments.add_argument("--artifacts", default="dist")
arguments.add_argument("--out", default="bench/results.md")
options = arguments.parse_args()
sizes = [int(n) for n in options.sizes.split(",")]
commands = {"lanroster": [os.path.abspath(options.lanroster)],
            "ip -j -6 addr show": ["ip", "-j", "-6", "addr", "show"],
            "floor": [os.path.abspath(options.floor)]}


def populate(ns, pairs):
    lines = []
    for i in range(pairs):
        high, low = i >> 8, i & 0xFF
        lines += [f"link add va{i} type veth peer name vb{i}",
                  f"addr add 2001:db8:{high:x}:{low:x}::1/64 dev va{i} nodad",
                  f"addr add 2001:db8:{high:x}:{low:x}::2/64 dev va{i} nodad",
                  f"addr add 2001:db8:{high:x}:{low:x}::3/64 dev vb{i} nodad",
                  f"addr add 2001:db8:{high:x}:{low:x}::4/64 dev vb{i} nodad",
                  f"link set va{i} up", f"link set vb{i} up"]
    subprocess.run(["ip", "-n", ns.name, "-batch", "-"], input="\n".join(lines).encode(), check=True)
    expected = 6 * pairs + 1
    for _ in range(300):
        listed = ns.run("ip", "-6", "-o", "addr", "show").stdout.count(b"\n")
        if listed >= expected:
            return listed
        time.sleep(0.1)
    return listed


def instructions(ns, command):
    run = ns.run("valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null", *command)
    found = re.search(rb"Collected : (\d+)", run.stderr)
    return int(found.group(1)) if found else None


rows = []
for pairs in sizes:
    with Namespace(f"bench{pairs}") as ns:
        addresses = populate(ns, pairs)
        walls = {name: [] for name in commands}
        for _ in range(options.runs):  # interleaved
            for name, command in commands.items():
                start = time.perf_counter()
                ns.run(*command)
                walls[name].append(time.perf_counter() - start)
        counts = {name: instructions(ns, command) for name, command in commands.items()}
        rows.append((pairs, addresses, {n: statistics.median(w) for n, w in walls.items()}, counts))
        print(f"N={pairs}: {addresses} addresses, {counts}", flush=True)

def ratio(a, b):
    return f"{a / b:.3f}" if a and b else "n/a"

out = ["# Benchmarks", "",
       f"Machine: {platform.node()}, {platform.machine()}, {os.cpu_count()} cores, Linux {platform.release()}. "
       f"Date: {datetime.datetime.now(datetime.timezone.utc):%Y-%m-%d %H:%M} UTC. "
       f"Median wall time of {options.runs} interleaved runs; instructions from valgrind's callgrind.", "",
       "## lanroster at scale (N veth pairs, each end two global IPv6 addresses and a link-local one)", "",
       "| N | addresses | lanroster ms | ip ms | floor ms | lanroster instr | ip instr | floor instr "
       "| lanroster/ip (instr) | lanroster/floor (instr) |",
       "|---|---|---|---|---|---|---|---|---|---|"]
for pairs, addresses, wall, counts in rows:
    out.append(f"| {pairs} | {addresses} | {wall['lanroster'] * 1e3:.2f} | {wall['ip -j -6 addr show'] * 1e3:.2f} "
               f"| {wall['floor'] * 1e3:.2f} | {counts['lanroster']} | {counts['ip -j -6 addr show']} "
               f"| {counts['floor']} | {ratio(counts['lanroster'], counts['ip -j -6 addr show'])} "
               f"| {ratio(counts['lanroster'], counts['floor'])} |")
by_size = {pairs: counts for pairs, _, _, counts in rows}
if 100 in by_size and 1000 in by_size:
    growth = {n: ratio(by_size[1000][n], by_size[100][n]) for n in commands}
    out += ["", "Growth in instructions from N = 100 to N = 1000 (linear is 10): " +
            ", ".join(f"{n} {g}" for n, g in growth.items()) + "."]
out += ["", "## Artifact sizes", "", "| artifact | bytes |", "|---|---|"]
for artifact in ("windows-x86/Tovrane.dll", "windows-x86/Lanroster.exe", "windows-x86-64/Tovrane.dll",
                 "windows-x86-64/Lanroster.exe", "linux-x86-64/lanroster"):
    path = os.path.join(options.artifacts, artifact)
    out.append(f"| {artifact} | {os.path.getsize(path) if os.path.exists(path) else 'not built'} |")
os.makedirs(os.path.dirname(os.path.abspath(options.out)), exist_ok=True)
open(options.out, "w").write("\n".join(out) + "\n")
print("\n".join(out))
