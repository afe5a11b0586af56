"""Benchmarks the Linux report program at scale against `ip -j -6 addr show` and
against the floor (the same kernel queries and conversions, writing nothing), in a
network namespace of N veth pairs whose ends each hold two global IPv6 addresses
and a link-local one; and, given the x86-64 Windows build, each of the library's
named functions under Wine against the bare Windows calls it makes. Writes
Markdown tables to the output file.

usage: run_bench.py --lanroster PATH --floor PATH [--sizes 1,100,1000] [--runs 10]
                    [--windows-build DIR] [--calls 10000] [--library-runs 5]
                    [--artifacts DIST] [--out bench/results.md] [--readme README.md]"""
import argparse
import datetime
import os
import platform
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "tests", "netns"))
sys.path.insert(0, os.path.join(here, "..", "tests", "wine"))
from netns_support import Namespace  # noqa: E402
from wine_support import Prefix  # noqa: E402

arguments = argparse.ArgumentParser()
arguments.add_argument("--lanroster", required=True)
arguments.add_argument("--floor", required=True)
arguments.add_argument("--sizes", default="1,100,1000")
arguments.add_argument("--runs", type=int, default=10)
arguments.add_argument("--windows-build")
arguments.add_argument("--calls", type=int, default=10000)
arguments.add_argument("--library-runs", type=int, default=5)
arguments.add_argument("--artifacts", default="dist")
arguments.add_argument("--out", default="bench/results.md")
arguments.add_argument("--readme", help="replace the table quoted between the README's markers")
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


# A value every Wine prefix holds in the 64-bit view, so that readRegString and its
# bare calls both stop at the first view.
REGISTRY_KEY = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"
LIBRARY_CALLS = [("getComputerName", [], "GetComputerNameW"),
                 ("getModuleFileName", [], "GetModuleFileNameW"),
                 ("getSpecialFolder", ["int:26"], "SHGetSpecialFolderPathW (CSIDL_APPDATA)"),
                 ("readRegString", [f"str:{REGISTRY_KEY}", "str:ProductName"],
                  "RegOpenKeyExW + RegQueryValueExW + RegCloseKey")]


def library_times(build, calls, runs):
    """Median nanoseconds per call, through the library and bare, per function."""
    with tempfile.TemporaryDirectory(prefix="tovrane-bench-") as work:
        for path in ("nativelib/Tovrane.dll", "tools/tovrane-call/Adobe AIR.dll",
                     "tools/tovrane-call/tovrane-call.exe"):
            shutil.copy(os.path.join(build, path), work)
        host = os.path.join(work, "tovrane-call.exe")
        times = {(name, mode): [] for name, _, _ in LIBRARY_CALLS for mode in ("repeat", "bare")}
        with Prefix(os.path.join(work, "prefix")) as wine:
            for _ in range(runs):  # interleaved
                for (name, arguments, _), mode in [(c, m) for c in LIBRARY_CALLS for m in ("repeat", "bare")]:
                    run = wine.run(host, mode, str(calls), name, *arguments, cwd=work)
                    timed = re.search(rb"([0-9.]+) ns per call", run.stderr)
                    if run.returncode != 0 or not timed:
                        sys.exit(f"tovrane-call {mode} {name} failed: {run.returncode} {run.stderr[-500:]!r}")
                    if mode == "bare" and b'"failures":0' not in run.stdout:
                        sys.exit(f"the bare calls of {name} failed: {run.stdout!r}")
                    times[(name, mode)].append(float(timed.group(1)))
        return {key: statistics.median(values) for key, values in times.items()}


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
if options.windows_build:
    library = library_times(os.path.abspath(options.windows_build), options.calls, options.library_runs)
    out += ["", f"## Tovrane.dll (x86-64) under Wine: median ns per call of {options.library_runs} interleaved "
            f"runs of {options.calls} calls", "",
            "| function | through the library | bare calls | bare | library/bare |", "|---|---|---|---|---|"]
    for name, _, bare_calls in LIBRARY_CALLS:
        through, bare = library[(name, "repeat")], library[(name, "bare")]
        out.append(f"| {name} | {through:.1f} | {bare_calls} | {bare:.1f} | {ratio(through, bare)} |")
out += ["", "## Artifact sizes", "", "| artifact | bytes |", "|---|---|"]
for artifact in ("windows-x86/Tovrane.dll", "windows-x86/Lanroster.exe", "windows-x86-64/Tovrane.dll",
                 "windows-x86-64/Lanroster.exe", "linux-x86-64/lanroster"):
    path = os.path.join(options.artifacts, artifact)
    out.append(f"| {artifact} | {os.path.getsize(path) if os.path.exists(path) else 'not built'} |")
os.makedirs(os.path.dirname(os.path.abspath(options.out)), exist_ok=True)
open(options.out, "w").write("\n".join(out) + "\n")
print("\n".join(out))

README_START = "<!-- make bench writes the table below -->"
README_END = "<!-- end of the table make bench writes -->"
if options.readme:
    readme = open(options.readme).read()
    start, end = readme.find(README_START), readme.find(README_END)
    if start < 0 or end < start:
        sys.exit(f"{options.readme}: no table markers to replace between")
    # The README's section is one level below the file's title, so are its headings.
    quoted = [("#" + line) if line.startswith("## ") else line for line in out[2:]]
    readme = readme[:start + len(README_START)] + "\n" + "\n".join(quoted) + "\n" + readme[end:]
    open(options.readme, "w").write(readme)
