"""Lanroster.exe (x86-64) under Wine inside a network namespace: Wine's IP Helper
reads the namespace its wineserver was started in, so the server is started there."""
import json
import os
import shutil
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "netns"))
from netns_support import Namespace, expected_report  # noqa: E402
from wine_support import Checks, Prefix  # noqa: E402

build = os.path.abspath(sys.argv[1])
work = os.path.join(build, "wine-lanroster")
shutil.rmtree(work, ignore_errors=True)
os.makedirs(work)
program = os.path.join(work, "Lanroster.exe")
shutil.copy(os.path.join(build, "nativelib", "Lanroster.exe"), program)
t = Checks()

with Namespace("wine") as ns, Prefix(os.path.join(work, "prefix")) as wine:
    ns.ip("link", "add", "w0a", "address", "02:00:5e:00:53:11", "type", "veth",
          "peer", "name", "w0b", "address", "02:00:5e:00:53:12")
    ns.ip("addr", "add", "2001:db8:5::1/64", "dev", "w0a", "nodad")
    ns.ip("addr", "add", "2001:db8:5::2/64", "dev", "w0b", "nodad")
    for link in ("w0a", "w0b"):
        ns.ip("link", "set", link, "up")
    inside = ("ip", "netns", "exec", ns.name)
    # The prefix's server was started outside; stop it so that one starts inside.
    wine.stop_server()
    try:
        for _ in range(50):
            expected = expected_report(ns)
            if all(any(a.startswith("fe80") for a in x.get("address", [])) for x in expected
                   if x["adapter_name"] in ("w0a", "w0b")):
                break
            time.sleep(0.1)
        # Lanroster.exe never fails silently (exit 1 always comes with its message),
        # so a silent failure is Wine's own start inside a fresh server: try again.
        for attempt in range(3):
            run = wine.run(program, prefix_command=inside)
            if run.returncode == 0 or run.stdout or run.stderr:
                break
            print(f"  Wine did not start the program (exit {run.returncode}); again")
            wine.stop_server(prefix_command=inside)
        t.check(run.returncode == 0, f"exit code 0 (got {run.returncode})")
        t.check(run.stderr == b"", f"standard error empty ({run.stderr[:200]!r})")
        report = json.loads(run.stdout)
        t.check(isinstance(report, list) and all(set(a) <= {"adapter_name", "physical_address", "address"}
                                                 for a in report), "a valid document of adapter objects")
        t.check(all(a["adapter_name"].startswith("{") and a["adapter_name"].endswith("}") for a in report),
                "Wine names adapters by GUID texts")

        def comparable(adapters):
            # Wine gives zones as numbers, ip gives names: compare without the zone.
            # Windows gives the loopback adapter no hardware address; Linux gives it
            # six zero bytes.
            def hardware(a):
                address = a.get("physical_address", "")
                return "" if address == "00-00-00-00-00-00" else address
            return sorted((hardware(a), tuple(sorted(x.split("%")[0] for x in a.get("address", []))))
                          for a in adapters)
        t.check(comparable(report) == comparable(expected),
                "hardware and IPv6 addresses equal what ip reports for the namespace")
        if comparable(report) != comparable(expected):
            print("  Lanroster.exe:", comparable(report), "\n  ip:", comparable(expected))
        zones = [x for a in report for x in a.get("address", []) if x.startswith("fe80")]
        t.check(zones and all("%" in x for x in zones), "link-local addresses carry a zone")
    finally:
        wine.stop_server(prefix_command=inside)

t.finish()
