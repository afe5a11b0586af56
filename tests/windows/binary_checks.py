"""What every built Windows binary must be, read off the files themselves: machine,
imports, exports, system versions, manifest, version resource, stripped symbols
and size. Usage: binary_checks.py DIST_DIR (holding windows-x86/ and windows-x86-64/)."""
import os
import re
import struct
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from checks import Checks  # noqa: E402

dist = sys.argv[1]
t = Checks()
check = t.check


class PortableExecutable:
    def __init__(self, path):
        self.data = open(path, "rb").read()
        d = self.data
        header = struct.unpack_from("<I", d, 0x3C)[0]
        assert d[header:header + 4] == b"PE\0\0"
        (self.machine, sections, _, self.symbol_table, self.symbol_count, optional_size, _) = \
            struct.unpack_from("<HHIIIHH", d, header + 4)
        optional = header + 24
        magic = struct.unpack_from("<H", d, optional)[0]
        directories = optional + (96 if magic == 0x10B else 112)
        self.resource_rva = struct.unpack_from("<I", d, directories + 2 * 8)[0]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            name, virtual_size, rva, raw_size, raw = struct.unpack_from("<8sIIII", d, table + 40 * i)
            self.sections.append((name.rstrip(b"\0").decode(), rva, max(virtual_size, raw_size), raw))

    def offset(self, rva):
        for _, start, size, raw in self.sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError(rva)

    def resources(self):
        """{(type, id): bytes} of every resource, the first language of each."""
        found = {}
        if not self.resource_rva:
            return found
        base = self.offset(self.resource_rva)

        def entries(directory):
            named, numbered = struct.unpack_from("<HH", self.data, base + directory + 12)
            for i in range(named + numbered):
                ident, target = struct.unpack_from("<II", self.data, base + directory + 16 + 8 * i)
                yield ident, target

        for kind, types in entries(0):
            for ident, names in entries(types & 0x7FFFFFFF):
                for _, language in entries(names & 0x7FFFFFFF):
                    rva, size = struct.unpack_from("<II", self.data, base + language)
                    start = self.offset(rva)
                    found.setdefault((kind, ident), self.data[start:start + size])
        return found


def objdump(arch):
    return "i686-w64-mingw32-objdump" if arch == "x86" else "x86_64-w64-mingw32-objdump"


def imports(text):
    """{dll: [names]} from objdump -p."""
    table, current = {}, None
    for line in text.splitlines():
        named = re.match(r"\s*DLL Name: (.+)", line)
        if named:
            current = named.group(1).strip()
            table[current] = []
        elif current and re.match(r"\s+[0-9a-f]+\s+\d+\s+\S+$", line):
            table[current].append(line.split()[-1])
        elif not line.strip():
            current = None if current and table[current] else current
    return table


def exports(text):
    section = text.split("[Ordinal/Name Pointer] Table")
    return re.findall(r"\[\s*\d+\] (\S+)", section[-1].split("\n\n")[0]) if len(section) > 1 else []


def utf16(text):
    return text.encode("utf-16-le")


machines = {"x86": 0x14C, "x86-64": 0x8664}
budgets = {("x86", "Tovrane.dll"): 32 * 1024, ("x86", "Lanroster.exe"): 64 * 1024}
allowed = {"Tovrane.dll": {"kernel32.dll", "advapi32.dll", "shell32.dll", "msvcrt.dll", "adobe air.dll"},
           "Lanroster.exe": {"kernel32.dll", "iphlpapi.dll", "ws2_32.dll", "msvcrt.dll"}}
manifest_id = {"Tovrane.dll": 2, "Lanroster.exe": 1}

for arch in ("x86", "x86-64"):
    for name in ("Tovrane.dll", "Lanroster.exe"):
        path = os.path.join(dist, f"windows-{arch}", name)
        label = f"{arch} {name}"
        if not os.path.exists(path):
            check(False, f"{label} exists")
            continue
        dump = subprocess.run([objdump(arch), "-p", path], capture_output=True, text=True).stdout
        pe = PortableExecutable(path)
        check(pe.machine == machines[arch], f"{label}: machine {arch}")
        imported = imports(dump)
        dlls = {dll.lower() for dll in imported}
        check(dlls == allowed[name], f"{label}: imports only {sorted(allowed[name])} (got {sorted(dlls)})")
        check(not any(re.search(r"libgcc|libstdc\+\+|winpthread", dll, re.I) for dll in dlls),
              f"{label}: no libgcc, libstdc++ or winpthread DLL")
        for field in ("MajorOSystemVersion", "MajorSubsystemVersion"):
            check(re.search(rf"{field}\s+6\n", dump) is not None, f"{label}: {field} 6")
        for field in ("MinorOSystemVersion", "MinorSubsystemVersion"):
            check(re.search(rf"{field}\s+0\n", dump) is not None, f"{label}: {field} 0")
        check(pe.symbol_table == 0 and pe.symbol_count == 0 and
              not any(s[0].startswith((".debug", "/")) for s in pe.sections), f"{label}: symbols stripped")
        resources = pe.resources()
        manifest = resources.get((24, manifest_id[name]), b"")
        check(b'level="asInvoker"' in manifest,
              f"{label}: manifest resource {manifest_id[name]} asks for asInvoker")
        version = resources.get((16, 1), b"")
        check(all(utf16(key) in version for key in ("FileVersion", "ProductVersion", "FileDescription")),
              f"{label}: version resource with file and product version and description")
        if (arch, name) in budgets:
            size = os.path.getsize(path)
            check(size <= budgets[(arch, name)], f"{label}: {size} bytes within {budgets[(arch, name)]}")
        if name == "Tovrane.dll":
            check(exports(dump) == ["AneWin32TovraneExtensionFinalizer", "AneWin32TovraneExtensionInitializer"],
                  f"{label}: exports exactly the initializer and the finalizer, undecorated")
            runtime = [v for k, v in imported.items() if k.lower() == "adobe air.dll"]
            check(runtime and sorted(runtime[0]) == ["FREGetObjectAsInt32", "FREGetObjectAsUTF8",
                                                     "FRENewObjectFromUTF8"],
                  f"{label}: imports the three runtime calls by name from Adobe AIR.dll")
        else:
            check(re.search(r"Subsystem\s+00000003", dump) is not None, f"{label}: console program")

t.finish()
