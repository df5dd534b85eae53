#!/usr/bin/env python3
"""Static checks of the shipped 32-bit kinemo-host.exe, read from its bytes.

Nothing 32-bit runs on the build machine, so what Windows will make of the
image is checked here from its headers and import table:

  - an i386 (PE32) console program;
  - subsystem and OS version 6.1, which Windows 7 runs;
  - imports only from DLLs every Windows has (no toolchain DLL, no host
    library, no api-ms-win-* set of later Windows), and none of the functions
    that came with Windows 8 or later;
  - sin, cos and atan2 imported from msvcrt.dll, as the DLL imports them;
  - an application manifest that runs it as the user who started it (no
    elevation, no file virtualization) and names Windows 7;
  - no time stamp, and no path of the build machine in the bytes.

  win32_exe_check.py EXE [--machine-path PATH ...]

Exit status 0 when every check passes, 1 otherwise.
"""
import argparse
import struct
import sys

# Written here from the PE format, not read from the build.
MACHINE_I386 = 0x014C
PE32_MAGIC = 0x010B
SUBSYSTEM_CONSOLE = 3
FILE_DLL = 0x2000
# Windows 7 is 6.1: a higher subsystem version makes its loader refuse the
# image; a lower one means the linker's default was left in place.
WINDOWS_VERSION = (6, 1)
IMPORT_DIRECTORY = 1
RESOURCE_DIRECTORY = 2
DELAY_IMPORT_DIRECTORY = 13
ORDINAL_FLAG = 0x80000000
SUBDIRECTORY_FLAG = 0x80000000
MANIFEST_TYPE = 24
MANIFEST_ID = 1  # the one Windows reads when it starts a program
MANIFEST_NEEDS = (b'level="asInvoker"', b"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}")  # Windows 7's id

# DLLs of Windows itself that the program may use (lower case).
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "msvcrt.dll"}
# Named for a clearer message; any DLL outside SYSTEM_DLLS fails anyway.
TOOLCHAIN_DLL_PREFIXES = ("libgcc_s", "libstdc++", "libwinpthread", "libssp", "libatomic")
HOST_LIBRARY = "orvex32.dll"

# Functions of KERNEL32 and USER32 that Windows 7 does not have: Windows 8
# and later (Microsoft's documentation gives each one's minimum client).
NEWER_THAN_WINDOWS_7 = {
    "AddDllDirectory", "RemoveDllDirectory", "SetDefaultDllDirectories",  # 8 (7 only with KB2533623)
    "GetSystemTimePreciseAsFileTime", "CreateFile2", "CopyFile2", "GetCurrentThreadStackLimits",
    "SetThreadInformation", "GetThreadInformation", "GetProcessInformation", "SetProcessInformation",
    "PrefetchVirtualMemory", "GetOverlappedResultEx", "CreateFileMappingFromApp", "MapViewOfFileFromApp",
    "WaitOnAddress", "WakeByAddressSingle", "WakeByAddressAll", "GetProcessMitigationPolicy",
    "SetProcessMitigationPolicy", "GetFirmwareType", "InitializeSynchronizationBarrier",
    "EnterSynchronizationBarrier", "DeleteSynchronizationBarrier", "SetThreadpoolTimerEx",
    "SetThreadpoolWaitEx", "GetCurrentPackageId", "GetCurrentPackageFullName", "GetPackageFullName",
    "LoadPackagedLibrary", "OfferVirtualMemory", "ReclaimVirtualMemory", "DiscardVirtualMemory",  # 8.1
    "SetThreadDescription", "GetThreadDescription", "VirtualAlloc2", "MapViewOfFile3", "IsWow64Process2",
    "CreatePseudoConsole", "GetSystemCpuSetInformation", "GetFileInformationByName",  # 10, 11
    "GetPointerType", "GetPointerInfo", "EnableMouseInPointer", "IsImmersiveProcess",
    "GetDpiForWindow", "GetDpiForSystem", "SetProcessDpiAwarenessContext", "SetThreadDpiAwarenessContext",
    "GetSystemMetricsForDpi", "AdjustWindowRectExForDpi",
}
# The module's transcendental functions: msvcrt's, as the DLL's are.
MSVCRT_MATHS = ("sin", "cos", "atan2")
# Paths of any build machine's toolchain; the tree's own are given as arguments.
TOOLCHAIN_PATHS = (b"/usr/",)


class Malformed(Exception):
    pass


class Image:
    """The headers and import table of a PE32 image."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise Malformed("no MZ header")
        pe = self.u32(0x3C)
        if data[pe:pe + 4] != b"PE\0\0":
            raise Malformed("no PE signature at 0x%x" % pe)
        coff = pe + 4
        (self.machine, sections, self.timestamp, _, _, optional_size,
         self.characteristics) = struct.unpack_from("<HHIIIHH", data, coff)
        opt = coff + 20
        self.magic = self.u16(opt)
        if self.magic != PE32_MAGIC:
            raise Malformed("optional header magic 0x%x, expected PE32 0x%x" % (self.magic, PE32_MAGIC))
        self.os_version = (self.u16(opt + 40), self.u16(opt + 42))
        self.subsystem_version = (self.u16(opt + 48), self.u16(opt + 50))
        self.subsystem = self.u16(opt + 68)
        directories = self.u32(opt + 92)
        self.directories = [struct.unpack_from("<II", data, opt + 96 + 8 * i) for i in range(directories)]
        self.sections = []
        for i in range(sections):
            h = opt + optional_size + 40 * i
            virtual_size, virtual_address, raw_size, raw_pointer = struct.unpack_from("<IIII", data, h + 8)
            self.sections.append((virtual_address, max(virtual_size, raw_size), raw_pointer, raw_size))

    def u16(self, offset):
        return struct.unpack_from("<H", self.data, offset)[0]

    def u32(self, offset):
        return struct.unpack_from("<I", self.data, offset)[0]

    def offset(self, rva):
        for address, size, raw_pointer, raw_size in self.sections:
            if address <= rva < address + size and rva - address < raw_size:
                return raw_pointer + rva - address
        raise Malformed("RVA 0x%x is in no section's file data" % rva)

    def string(self, rva):
        start = self.offset(rva)
        end = self.data.index(b"\0", start)
        return self.data[start:end].decode("latin-1")

    def directory(self, index):
        return self.directories[index] if index < len(self.directories) else (0, 0)

    def import_table(self):
        """[((dll, name's RVA), [(name or '#ordinal', name's RVA or 0), ...]), ...] in the table's order."""
        rva, _ = self.directory(IMPORT_DIRECTORY)
        out = []
        if rva == 0:
            return out
        at = self.offset(rva)
        while True:
            lookup, _, _, name, first_thunk = struct.unpack_from("<IIIII", self.data, at)
            if name == 0:
                return out
            entries = []
            thunk = self.offset(lookup or first_thunk)
            while True:
                value = self.u32(thunk)
                if value == 0:
                    break
                if value & ORDINAL_FLAG:
                    entries.append(("#%d" % (value & 0xFFFF), 0))
                else:
                    entries.append((self.string(value + 2), value + 2))
                thunk += 4
            out.append(((self.string(name), name), entries))
            at += 20

    def resource_entries(self, at):
        """[(id or None for a name, offset of the entry's target), ...] of the directory at file offset at."""
        named, numbered = struct.unpack_from("<HH", self.data, at + 12)
        out = []
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", self.data, at + 16 + 8 * i)
            out.append((None if name & 0x80000000 else name, target))
        return out

    def resource_timestamp(self):
        rva, _ = self.directory(RESOURCE_DIRECTORY)
        return self.u32(self.offset(rva) + 4) if rva else 0

    def resources(self, type_id, name_id):
        """The data of every language of that resource."""
        rva, _ = self.directory(RESOURCE_DIRECTORY)
        if rva == 0:
            return []
        base = self.offset(rva)

        def below(at, wanted):
            return [base + (t & ~SUBDIRECTORY_FLAG) for i, t in self.resource_entries(at)
                    if i == wanted and t & SUBDIRECTORY_FLAG]
        out = []
        for names in below(base, type_id):
            for languages in below(names, name_id):
                for _, target in self.resource_entries(languages):
                    data_rva, size = struct.unpack_from("<II", self.data, base + target)
                    start = self.offset(data_rva)
                    out.append(self.data[start:start + size])
        return out

    def imports(self):
        """[(dll, [name or '#ordinal', ...]), ...] in the table's order."""
        return [(dll, [n for n, _ in entries]) for (dll, _), entries in self.import_table()]


# ---- The checks: each gives a list of problems, empty when it passes --------

def check_machine(image, _):
    if image.machine != MACHINE_I386:
        return ["machine 0x%x, expected i386 0x%x" % (image.machine, MACHINE_I386)]
    if image.characteristics & FILE_DLL:
        return ["the image is a DLL, expected a program"]
    return []


def check_console(image, _):
    if image.subsystem != SUBSYSTEM_CONSOLE:
        return ["subsystem %d, expected the console subsystem %d" % (image.subsystem, SUBSYSTEM_CONSOLE)]
    return []


def check_windows_7(image, _):
    problems = []
    for what, version in (("subsystem version", image.subsystem_version), ("OS version", image.os_version)):
        if version != WINDOWS_VERSION:
            problems.append("%s %d.%d, expected %d.%d (Windows 7)" % ((what,) + version + WINDOWS_VERSION))
    return problems


def check_system_dlls(image, _):
    problems = []
    for dll, _ in image.imports():
        low = dll.lower()
        if low in SYSTEM_DLLS:
            continue
        if low.startswith(TOOLCHAIN_DLL_PREFIXES):
            problems.append("imports from %s, a DLL of the toolchain (link it statically)" % dll)
        elif low == HOST_LIBRARY:
            problems.append("imports from %s, the host's library, which is not beside the program" % dll)
        elif low.startswith(("api-ms-win-", "ext-ms-win-")):
            problems.append("imports from %s, an API set of later Windows" % dll)
        else:
            problems.append("imports from %s, not one of %s" % (dll, ", ".join(sorted(SYSTEM_DLLS))))
    if image.directory(DELAY_IMPORT_DIRECTORY)[0] != 0:
        problems.append("has delay-loaded imports")
    return problems


def check_no_newer_functions(image, _):
    return ["imports %s from %s, which Windows 7 does not have" % (name, dll)
            for dll, names in image.imports() for name in names if name in NEWER_THAN_WINDOWS_7]


def check_msvcrt_maths(image, _):
    msvcrt = set()
    for dll, names in image.imports():
        if dll.lower() == "msvcrt.dll":
            msvcrt.update(names)
    return ["does not import %s from msvcrt.dll" % name for name in MSVCRT_MATHS if name not in msvcrt]


def check_manifest(image, _):
    manifests = image.resources(MANIFEST_TYPE, MANIFEST_ID)
    if len(manifests) != 1:
        return ["%d application manifests (type %d, id %d), expected 1" % (len(manifests), MANIFEST_TYPE, MANIFEST_ID)]
    return ["the manifest lacks %s" % need.decode() for need in MANIFEST_NEEDS if need not in manifests[0]]


def check_reproducible(image, machine_paths):
    problems = []
    for what, stamp in (("file header", image.timestamp), ("resource directory", image.resource_timestamp())):
        if stamp != 0:
            problems.append("time stamp 0x%x in the %s, expected 0" % (stamp, what))
    for path in list(machine_paths) + list(TOOLCHAIN_PATHS):
        where = image.data.find(path)
        if where >= 0:
            problems.append("holds the build machine's path %s at offset 0x%x"
                            % (path.decode("utf-8", "replace"), where))
    return problems


CHECKS = [check_machine, check_console, check_windows_7, check_system_dlls, check_no_newer_functions,
          check_msvcrt_maths, check_manifest, check_reproducible]


def run_checks(data, machine_paths):
    try:
        image = Image(data)
        return [(check.__name__, problem) for check in CHECKS for problem in check(image, machine_paths)]
    except (Malformed, struct.error, ValueError) as e:
        return [("parse", "malformed image: %s" % e)]


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("exe")
    p.add_argument("--machine-path", action="append", default=[],
                   help="an absolute path of this machine that must not be in the image")
    args = p.parse_args()
    try:
        with open(args.exe, "rb") as f:
            data = f.read()
    except OSError as e:
        sys.exit("win32_exe_check: cannot read %s: %s" % (args.exe, e.strerror))
    machine_paths = [path.encode("utf-8") for path in args.machine_path]

    problems = run_checks(data, machine_paths)
    for check, problem in problems:
        print("%s: %s (%s)" % (args.exe, problem, check))
    if problems:
        sys.exit(1)
    image = Image(data)
    imports = image.imports()
    print("%s: i386 console program for Windows %d.%d; imports %s" % (
        args.exe, image.subsystem_version[0], image.subsystem_version[1],
        ", ".join("%s (%d)" % (dll, len(names)) for dll, names in imports)))


if __name__ == "__main__":
    main()
