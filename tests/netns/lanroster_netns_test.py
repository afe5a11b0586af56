"""The Linux report program against a live network namespace: the same interfaces
in the same order as ip reports, with their hardware and IPv6 addresses."""
import json
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from checks import Checks  # noqa: E402

from netns_support import Namespace, expected_report

program = sys.argv[1]
t = Checks()
check = t.check


with Namespace("report") as ns:
    ns.ip("link", "add", "v0a", "address", "02:00:5e:00:53:01", "type", "veth",
          "peer", "name", "v0b", "address", "02:00:5e:00:53:02")
    ns.ip("link", "add", 'a"b', "address", "02:00:5e:00:53:ab", "type", "veth",
          "peer", "name", "c\\d", "address", "02:00:5e:00:53:cd")
    ns.ip("link", "add", "quiet", "type", "veth", "peer", "name", "off")
    ns.run("sysctl", "-qw", "net.ipv6.conf.off.disable_ipv6=1", check=True)
    ns.ip("addr", "add", "2001:db8:1::1/64", "dev", "v0a", "nodad")
    ns.ip("addr", "add", "2001:db8:1::2/64", "dev", "v0a", "nodad")
    ns.ip("addr", "add", "2001:db8:2::1/64", "dev", 'a"b', "nodad")
    for link in ("v0a", "v0b", 'a"b', "c\\d"):
        ns.ip("link", "set", link, "up")
    # "quiet" stays down: IPv6 on, no address. "off" has IPv6 disabled.

    # Link-local addresses arrive once the links are up; wait until ip's view is steady.
    for _ in range(50):
        before = expected_report(ns)
        if all(any("fe80" in a for a in x.get("address", [])) for x in before
               if x["adapter_name"] in ("v0a", "v0b", 'a"b', "c\\d")):
            break
        time.sleep(0.1)

    before = expected_report(ns)
    run = ns.run(program)
    after = expected_report(ns)
    check(before == after, "the namespace held still during the run")
    check(run.returncode == 0, f"exit code 0 (got {run.returncode})")
    check(run.stderr == b"", "standard error empty")
    check(not run.stdout.endswith(b"\n") and run.stdout.count(b"\n") == 0, "one line, no newline")
    try:
        report = json.loads(run.stdout)
    except ValueError as error:
        report = None
        check(False, f"output is JSON: {error}: {run.stdout!r}")
    if report is not None:
        check(report == before, "same adapters, order, hardware and IPv6 addresses as ip reports")
        if report != before:
            print("  lanroster:", json.dumps(report), "\n  ip:       ", json.dumps(before))
        names = [a["adapter_name"] for a in report]
        check('a"b' in names and "c\\d" in names, "names with quote and backslash come back whole")
        check("quiet" in names and "address" not in report[names.index("quiet")],
              "an interface without an address is listed without the address member")
        check("off" not in names, "an interface with IPv6 disabled is left out")
        link_local = [a for x in report for a in x.get("address", []) if a.startswith("fe80")]
        check(link_local and all("%" in a for a in link_local), "link-local addresses carry their zone")

    again = ns.run(program, "--ignored", "argument")
    check(again.returncode == 0 and again.stdout == run.stdout, "an argument changes nothing")

    with open("/dev/full", "wb") as full:
        broken = subprocess.run(("ip", "netns", "exec", ns.name, program), stdout=full, stderr=subprocess.PIPE)
    check(broken.returncode == 1, f"standard output on /dev/full exits 1 (got {broken.returncode})")
    check(broken.stderr == b"writing the adapter report failed...", "and says the write failed")

with Namespace("empty") as ns:
    # Only lo, with IPv6 disabled everywhere: no interface qualifies.
    ns.run("sysctl", "-qw", "net.ipv6.conf.all.disable_ipv6=1", check=True)
    ns.run("sysctl", "-qw", "net.ipv6.conf.lo.disable_ipv6=1", check=True)
    empty = ns.run(program)
    check(empty.returncode == 1, f"no qualifying interface exits 1 (got {empty.returncode})")
    check(empty.stdout == b"", "and leaves standard output empty")
    check(empty.stderr == b"GetAdaptersAddresses() failed...", "with the enumeration message")

t.finish()
