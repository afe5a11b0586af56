"""Network namespaces for the report program's tests: made, filled and removed by
the test itself. Where namespaces cannot be made the test is skipped, except under
CI=true, where that is a failure."""
import json
import os
import subprocess
import sys

SKIP = 77


def sh(*args, check=True, input=None):
    return subprocess.run(args, check=check, capture_output=True, input=input)


def unavailable(reason):
    if os.environ.get("CI") == "true":
        print(f"FAIL: network namespaces are needed under CI: {reason}", file=sys.stderr)
        sys.exit(1)
    print(f"SKIP: {reason}", file=sys.stderr)
    sys.exit(SKIP)


class Namespace:
    def __init__(self, tag):
        self.name = f"lanroster-{tag}-{os.getpid()}"

    def __enter__(self):
        if os.geteuid() != 0:
            unavailable("not root")
        made = sh("ip", "netns", "add", self.name, check=False)
        if made.returncode != 0:
            unavailable(made.stderr.decode().strip())
        self.ip("link", "set", "lo", "up")
        return self

    def __exit__(self, *exc):
        sh("ip", "netns", "del", self.name, check=False)

    def ip(self, *args):
        return sh("ip", "-n", self.name, *args)

    def run(self, *command, **kw):
        return subprocess.run(("ip", "netns", "exec", self.name) + command, capture_output=True, **kw)

    def links_and_addresses(self):
        return json.loads(self.ip("-j", "addr", "show").stdout)

    def disable_ipv6(self, interface):
        path = f"/proc/sys/net/ipv6/conf/{interface}/disable_ipv6"
        read = self.run("cat", path)
        return read.stdout.decode().strip() if read.returncode == 0 else None


def expected_report(namespace):
    """What the report must say, from what ip reports for the same namespace."""
    adapters = []
    for link in sorted(namespace.links_and_addresses(), key=lambda l: l["ifindex"]):
        name = link["ifname"]
        inet6 = [a for a in link.get("addr_info", []) if a.get("family") == "inet6"]
        if not inet6 and namespace.disable_ipv6(name) != "0":
            continue
        adapter = {"adapter_name": name}
        hardware = link.get("address")
        if hardware and len(hardware.split(":")) <= 8:
            adapter["physical_address"] = hardware.upper().replace(":", "-")
        if inet6:
            adapter["address"] = [a["local"] + (f"%{name}" if a.get("scope") == "link" else "") for a in inet6]
        adapters.append(adapter)
    return adapters
