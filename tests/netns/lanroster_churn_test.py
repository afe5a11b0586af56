"""The Linux report program while another process keeps adding and removing veth
interfaces in the same namespace: every run either succeeds with a valid document
or fails with the message and an empty standard output, nothing else. Also a
closed standard output and one on /dev/full."""
import json
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from checks import Checks  # noqa: E402

from netns_support import Namespace

program = sys.argv[1]
runs = int(sys.argv[2]) if len(sys.argv) > 2 else 200
t = Checks()
check = t.check


with Namespace("churn") as ns:
    for i in range(20):
        ns.ip("link", "add", f"s{i}a", "type", "veth", "peer", "name", f"s{i}b")
        ns.ip("addr", "add", f"2001:db8:{i}::1/64", "dev", f"s{i}a", "nodad")
    churn_script = (f"end=$((SECONDS+120)); while [ $SECONDS -lt $end ]; do "
                    f"ip -n {ns.name} link add c0 type veth peer name c1 2>/dev/null; "
                    f"ip -n {ns.name} addr add 2001:db8:ff::1/64 dev c0 nodad 2>/dev/null; "
                    f"ip -n {ns.name} link set c0 up 2>/dev/null; "
                    f"ip -n {ns.name} link del c0 2>/dev/null; done")
    churner = subprocess.Popen(["bash", "-c", churn_script], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    outcomes = {"document": 0, "enumeration failed": 0}
    odd = []
    try:
        for _ in range(runs):
            run = ns.run(program)
            if run.returncode == 0 and run.stderr == b"":
                try:
                    document = json.loads(run.stdout)
                    if isinstance(document, list):
                        outcomes["document"] += 1
                        continue
                except ValueError:
                    pass
            if (run.returncode == 1 and run.stdout == b"" and
                    run.stderr == b"GetAdaptersAddresses() failed..."):
                outcomes["enumeration failed"] += 1
                continue
            odd.append((run.returncode, run.stdout[:200], run.stderr[:200]))
    finally:
        churner.kill()
        churner.wait()
    print(f"  {runs} runs under churn: {outcomes}")
    check(not odd, f"every run was a document or the enumeration message ({odd[:3]})")
    check(outcomes["document"] > 0, "some runs wrote the document")

    closed = subprocess.run(["ip", "netns", "exec", ns.name, "bash", "-c", f"exec '{program}' >&-"],
                            capture_output=True)
    check(closed.returncode == 1 and closed.stderr == b"writing the adapter report failed...",
          f"closed standard output: exit 1 and the write-failure message ({closed.returncode}, {closed.stderr!r})")
    with open("/dev/full", "wb") as full:
        broken = subprocess.run(["ip", "netns", "exec", ns.name, program], stdout=full, stderr=subprocess.PIPE)
    check(broken.returncode == 1 and broken.stderr == b"writing the adapter report failed...",
          "standard output on /dev/full: exit 1 and the write-failure message")

t.finish()
