"""A fresh Wine prefix inside the build tree for one test run, never the user's own:
booted at the start, its wineserver stopped at the end."""
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from checks import Checks  # noqa: E402,F401

WINE_LIBRARY = "/usr/lib/wine"


def find_loader():
    listed = subprocess.run(["dpkg", "-L", "wine64"], capture_output=True, text=True).stdout.split()
    for path in listed:
        if path.endswith("/wine64") and os.access(path, os.X_OK):
            return path
    return os.path.join(WINE_LIBRARY, "wine64")


class Prefix:
    def __init__(self, path):
        self.path = os.path.abspath(path)
        self.loader = find_loader()
        self.server = os.path.join(os.path.dirname(self.loader), "wineserver64")
        if not os.access(self.server, os.X_OK):
            self.server = os.path.join(os.path.dirname(self.loader), "wineserver")
        self.env = dict(os.environ, WINEPREFIX=self.path, WINEDEBUG="-all", LANG="C.UTF-8")

    def __enter__(self):
        shutil.rmtree(self.path, ignore_errors=True)
        booted = subprocess.run([self.loader, "wineboot", "-i"], env=self.env, capture_output=True)
        if not os.path.isdir(os.path.join(self.path, "drive_c", "windows")):
            print("FAIL: the Wine prefix did not boot:", booted.stderr.decode()[-2000:], file=sys.stderr)
            sys.exit(1)
        # A persistent server: otherwise every program run starts and stops one.
        # It outlives this call, so it must not hold this process's pipes.
        # The Wine services it starts do the same, so the first program is run here.
        quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run([self.server, "-p"], env=self.env, **quiet)
        subprocess.run([self.loader, "cmd", "/c", "exit"], env=self.env, **quiet)
        return self

    def stop_server(self, prefix_command=()):
        subprocess.run(list(prefix_command) + [self.server, "-k"], env=self.env, capture_output=True)
        subprocess.run(list(prefix_command) + [self.server, "-w"], env=self.env, capture_output=True)

    def __exit__(self, *exc):
        self.stop_server()

    def run(self, *args, prefix_command=(), **kw):
        return subprocess.run(list(prefix_command) + [self.loader] + list(args), env=self.env,
                              capture_output=True, **kw)

    def windows_path(self, unix_path):
        return self.run("winepath", "-w", unix_path, text=True).stdout.strip()

    def environment(self, name):
        return self.run("cmd", "/c", f"echo %{name}%", text=True).stdout.strip()
