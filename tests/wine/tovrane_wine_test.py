"""Tovrane.dll (x86-64) against real Windows APIs under Wine, loaded by tovrane-call
as the runtime loads it, with the runtime double beside it."""
import json
import os
import shutil
import sys

from wine_support import Checks, Prefix

build = os.path.abspath(sys.argv[1])  # the x86-64 cross build's folder
work = os.path.join(build, "wine-tovrane")
stage = os.path.join(work, "app")
shutil.rmtree(work, ignore_errors=True)
os.makedirs(stage)
for path in ("nativelib/Tovrane.dll", "tools/tovrane-call/Adobe AIR.dll", "tools/tovrane-call/tovrane-call.exe",
             "tests/wine/registry-seed.exe"):
    shutil.copy(os.path.join(build, path), stage)
host = os.path.join(stage, "tovrane-call.exe")
seed_tool = os.path.join(stage, "registry-seed.exe")
t = Checks()


def hexed(text):
    return text.encode("utf-8").hex()


def utf16(text, terminated=True):
    return (text.encode("utf-16-le") + (b"\0\0" if terminated else b"")).hex()


with Prefix(os.path.join(work, "prefix")) as wine:
    def call(name, *arguments):
        run = wine.run(host, "call", name, *arguments, cwd=stage)
        if run.returncode != 0 or run.stderr:
            return ("failed", run.returncode, run.stderr.decode(errors="replace"))
        return json.loads(run.stdout.decode("utf-8"))

    def seed(view, key, name, kind, data):
        run = wine.run(seed_tool, view, hexed(key), hexed(name), str(kind), data, cwd=stage)
        assert run.returncode == 0, run.stderr

    # The table, two contexts, load and unload.
    listed = wine.run(host, "list", cwd=stage)
    t.check(listed.returncode == 0 and listed.stderr == b"", "the library loads, lists and unloads cleanly")
    contexts = json.loads(listed.stdout)["contexts"]
    first, second = contexts
    names = [f["name"] for f in first["functions"]]
    t.check(first["count"] == 4 and names == ["getSpecialFolder", "readRegString", "getComputerName",
                                              "getModuleFileName"], "four entries in table order")
    t.check(all(f["function_data"] is None for f in first["functions"]), "no function data")
    t.check(second["functions"] == first["functions"] and second["table"] != first["table"],
            "a second context gets a table of its own with the same entries")

    # The machine queries against what Windows reports by other routes.
    t.check(call("getComputerName") == wine.environment("COMPUTERNAME"), "computer name")
    t.check(call("getComputerName", "int:1", "str:x") == wine.environment("COMPUTERNAME"),
            "computer name ignores arguments")
    t.check(call("getModuleFileName") == wine.windows_path(host), "the host executable's full path")
    windir = wine.environment("windir")
    folders = {0x1A: wine.environment("APPDATA"), 0x1C: wine.environment("LOCALAPPDATA"), 0x24: windir,
               0x25: windir + "\\system32", 0x26: wine.environment("ProgramFiles"),
               0x28: wine.environment("USERPROFILE")}
    for csidl, expected in folders.items():
        answer = call("getSpecialFolder", f"int:{csidl}")
        t.check(isinstance(answer, str) and answer.lower() == expected.lower() and answer,
                f"special folder 0x{csidl:02X} is {expected} (got {answer!r})")
    t.check(call("getSpecialFolder", "int:0x7777") == "", "an unknown folder gives an empty string")
    t.check(call("getSpecialFolder") == "", "no argument gives an empty string")
    t.check(call("getSpecialFolder", "str:26") == "", "a string argument gives an empty string")
    t.check(call("getSpecialFolder", "int:0x1A", "null") == folders[0x1A], "extra arguments change nothing")

    # The registry reader against the prefix's registry, seeded in both views.
    base = "SOFTWARE\\TovraneTest"
    seed("64", base, "Both", 1, utf16("sixty-four"))
    seed("32", base, "Both", 1, utf16("thirty-two"))
    seed("32", base, "Only32", 1, utf16("thirty-two only"))
    seed("32", base + "\\Key32", "Name", 1, utf16("key only in 32"))
    seed("64", base, "Empty", 1, utf16(""))
    seed("32", base, "Empty", 1, utf16("not read"))
    seed("64", base, "Multi", 7, utf16("first\0second\0"))
    seed("64", base, "Expand", 2, utf16("%SystemRoot%\\x"))
    seed("64", base, "Dword0", 4, "00000000")
    seed("64", base, "Fits", 1, utf16("x" * 4095))
    seed("64", base, "TooLong", 1, utf16("y" * 4096))
    seed("32", base, "TooLong", 1, utf16("short"))
    seed("64", base, "TooLongBoth", 1, utf16("y" * 4096))
    seed("32", base, "TooLongBoth", 1, utf16("z" * 4096))
    seed("64", base, "", 1, utf16("default value"))
    seed("32", base + "\\Caf\u00e9", "\u65e5\u672c", 1, utf16("a\U0001F600b \u00e9"))
    cases = [
        ("64 over 32", [f"str:{base}", "str:Both"], "sixty-four"),
        ("only in 32", [f"str:{base}", "str:Only32"], "thirty-two only"),
        ("key only in 32", [f"str:{base}\\Key32", "str:Name"], "key only in 32"),
        ("empty string in 64 is an answer", [f"str:{base}", "str:Empty"], ""),
        ("in neither view", [f"str:{base}", "str:Missing"], None),
        ("key in neither view", [f"str:{base}\\Missing", "str:Both"], None),
        ("REG_MULTI_SZ gives its first string", [f"str:{base}", "str:Multi"], "first"),
        ("REG_EXPAND_SZ unexpanded", [f"str:{base}", "str:Expand"], "%SystemRoot%\\x"),
        ("REG_DWORD 0 is an empty string", [f"str:{base}", "str:Dword0"], ""),
        ("4095 characters whole", [f"str:{base}", "str:Fits"], "x" * 4095),
        ("4096 characters fall through to 32", [f"str:{base}", "str:TooLong"], "short"),
        ("4096 characters in both views", [f"str:{base}", "str:TooLongBoth"], None),
        ("empty value name is the default value", [f"str:{base}", "str:"], "default value"),
        ("non-ASCII key, name and value", [f"hex:{hexed(base + chr(92) + 'Caf' + chr(0xe9))}",
                                           f"hex:{hexed(chr(0x65e5) + chr(0x672c))}"], "a\U0001F600b \u00e9"),
        ("key path not UTF-8", ["hex:534f4654c328", "str:Both"], None),
        ("one argument", [f"str:{base}"], None),
        ("number argument", ["int:5", "str:Both"], None),
        ("third argument ignored", [f"str:{base}", "str:Both", "str:x"], "sixty-four"),
    ]
    for name, arguments, expected in cases:
        answer = call("readRegString", *arguments)
        t.check(answer == expected, f"readRegString: {name}" +
                ("" if answer == expected else f" (got {str(answer)[:80]!r})"))

    # Eight threads through one context, each calling every function 100,000 times
    # (about three minutes here), every answer against the single-threaded one.
    stressed = wine.run(host, "stress", "8", os.environ.get("TOVRANE_STRESS_CALLS", "100000"), base, "Both",
                        cwd=stage)
    t.check(stressed.returncode == 0 and stressed.stderr == b"", "the threaded run completes")
    figures = json.loads(stressed.stdout) if stressed.returncode == 0 else {}
    print(f"  {figures}")
    t.check(figures.get("mismatches") == 0, "eight threads: every answer equals the single-threaded one")
    growth = figures.get("private_after", 1 << 30) - figures.get("private_before", 0)
    t.check(growth <= 64 * 1024, f"private memory grows by at most 64 KiB over the measured round ({growth} bytes)")

t.finish()
