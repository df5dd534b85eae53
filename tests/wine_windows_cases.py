#!/usr/bin/env python3
"""What kinemo-host.exe does only on Windows, under Wine: a module DLL found by
its own folder and --library-dir, the messages of a failed load (the missing
DLL and the folders searched; a DLL of the other width), the same-file guards
under Windows names, outputs replaced in place and no temporary left by a run
ended with Ctrl-C, and validate on a module whose support
library is not the stand-ins.

usage: wine_windows_cases.py NATIVE_HOST WINE_RUN WIN64_HOST BUILD_DIR SOURCE_DIR [WIN32_DLL]"""
import os
import shutil
import subprocess
import sys
import tempfile


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


class Checks:
    def __init__(self, wine_run, host):
        self.wine_run, self.host, self.failures, self.count = wine_run, host, [], 0

    def run(self, args, display=False, timeout=120):
        command = [self.wine_run] + (["--display"] if display else []) + [self.host] + args
        p = subprocess.run(command, capture_output=True, timeout=timeout)
        return p.returncode, p.stdout.decode(errors="replace"), p.stderr.decode(errors="replace")

    def expect(self, name, got, status, err_has=(), err_lacks=(), out_has=()):
        self.count += 1
        code, out, err = got
        problems = []
        if code != status:
            problems.append("exit status %d, expected %d" % (code, status))
        problems += ["standard error lacks %r" % s for s in err_has if s not in err]
        problems += ["standard error has %r" % s for s in err_lacks if s in err]
        problems += ["standard output lacks %r" % s for s in out_has if s not in out]
        if problems:
            self.failures.append(name)
            print("FAIL %s: %s\n--- stdout\n%s--- stderr\n%s" % (name, "; ".join(problems), out[-1500:], err[-1500:]))


def main():
    native, wine_run, host, build, source = (os.path.abspath(a) for a in sys.argv[1:6])
    win32_dll = os.path.abspath(sys.argv[6]) if len(sys.argv) > 6 else ""
    c = Checks(wine_run, host)
    scratch = tempfile.mkdtemp(prefix="kinemo_wine_cases_")
    try:
        fixtures = os.path.join(build, "fixtures")
        needs = os.path.join(fixtures, "module_folder", "needs_orvex32.dll")
        host_folder = os.path.join(fixtures, "host_folder")
        empty = os.path.join(scratch, "empty")
        os.mkdir(empty)
        native_trace = subprocess.run([native, "run", "--trace", "-"], capture_output=True).stdout.decode()

        # A copy of the test DLL alone in a folder: its support library is
        # the one this program loaded already.
        alone = os.path.join(scratch, "alone")
        os.mkdir(alone)
        shutil.copy(os.path.join(build, "kinemo64.dll"), alone)
        got = c.run(["run", "--module", os.path.join(alone, "kinemo64.dll"), "--trace", "-"])
        c.expect("a copy of the DLL alone in a folder", got, 0)
        if got[1] != native_trace:
            c.failures.append("the copy's trace")
            print("FAIL the copy's trace differs from the native one")

        # Its support library nowhere: named, with every folder searched.
        module_folder = windows_path(os.path.dirname(needs))
        c.expect("a dependency found nowhere", c.run(["run", "--module", needs]), 1,
                 err_has=["ORVEX32.dll is in none of the folders searched", "Windows error 126",
                          module_folder + " (beside the module)", windows_path(build) + " (this program's folder)",
                          "(the system folder)", "(the Windows folder)", "(PATH)", "--library-dir"])
        c.expect("a dependency in none of the folders, --library-dir among them",
                 c.run(["describe", "--module", needs, "--library-dir", empty]), 1,
                 err_has=["ORVEX32.dll is in none", windows_path(empty) + " (--library-dir)"],
                 err_lacks=["this program's folder"])
        c.expect("a dependency of a dependency found nowhere",
                 c.run(["run", "--module", os.path.join(fixtures, "module_folder", "needs_needs_orvex32.dll")]), 1,
                 err_has=["cannot load it: ORVEX32.dll (needed by needs_orvex32.dll) is in none of the folders",
                          "--library-dir"])
        # Found in the host's folder: it loads, and is then no Kinemo module.
        c.expect("the dependency in --library-dir", c.run(["run", "--module", needs, "--library-dir", host_folder]), 1,
                 err_has=["needs_orvex32.dll: not a Kinemo module: no entry point"], err_lacks=["126"])
        beside = os.path.join(scratch, "beside")
        os.mkdir(beside)
        for f in (needs, os.path.join(host_folder, "ORVEX32.dll")):
            shutil.copy(f, beside)
        c.expect("the dependency beside the module", c.run(["run", "--module", os.path.join(beside, "needs_orvex32.dll")]),
                 1, err_has=["not a Kinemo module"], err_lacks=["126"])
        c.expect("--library-dir with a Windows name",
                 c.run(["validate", "--module", windows_path(needs), "--library-dir", windows_path(host_folder) + "\\"]),
                 1, out_has=["not a Kinemo module"])
        c.expect("--library-dir without --module", c.run(["run", "--library-dir", host_folder]), 2,
                 err_has=["--library-dir applies to a module loaded with --module"])
        c.expect("--library-dir that does not exist",
                 c.run(["run", "--module", needs, "--library-dir", os.path.join(scratch, "none")]), 1,
                 err_has=["cannot open " + os.path.join(scratch, "none") + ": No such file or directory"])

        text = os.path.join(scratch, "notes.dll")
        with open(text, "w") as f:
            f.write("not a DLL\n")
        c.expect("a file that is no DLL", c.run(["run", "--module", text]), 1,
                 err_has=["notes.dll: not a Windows DLL (Windows error 193"], err_lacks=["%1"])
        if win32_dll and os.path.exists(win32_dll):
            c.expect("the 32-bit DLL", c.run(["run", "--module", win32_dll]), 1,
                     err_has=["kinemo.qlm: a 32-bit DLL, which this 64-bit kinemo-host cannot load (Windows error 193)",
                              "use the 32-bit (i686) build of kinemo-host"])
        else:
            print("skipped: the 32-bit DLL case (no %s; make win32 builds it)" % (win32_dll or "DLL given"))

        # Same-file guards under Windows names: another case, the other
        # slash, "." components, the long-path prefix.
        module = os.path.join(scratch, "m", "kinemo64.dll")
        os.mkdir(os.path.dirname(module))
        shutil.copy(os.path.join(build, "kinemo64.dll"), module)
        scene = os.path.join(scratch, "s.kscene")
        with open(scene, "w") as f:
            f.write("kinemo k\nstep 2\n")
        upper = windows_path(os.path.dirname(module)) + "\\KINEMO64.DLL"
        for name, args, what in (
                ("--svg naming the module in capitals", ["--svg", upper], "module"),
                ("--html naming the module with slashes and .", ["--html", "z:" + os.path.dirname(module) + "/./kinemo64.dll"], "module"),
                ("--trace naming the scene by its long path", ["--trace", "\\\\?\\" + windows_path(scene)], "scene"),
                ("--trace naming the scene in capitals", ["--trace", windows_path(scene).upper()], "scene")):
            c.expect(name, c.run(["run", scene, "--module", module] + args), 2,
                     err_has=["would overwrite the %s file" % what])
        c.expect("two outputs naming one new file", c.run(["run", scene, "--trace", windows_path(scratch) + "\\new.csv",
                                                           "--svg", scratch + "/NEW.csv"]), 2,
                 err_has=["name the same file"])
        with open(module, "rb") as f, open(os.path.join(build, "kinemo64.dll"), "rb") as g:
            if f.read() != g.read():
                c.failures.append("module untouched")
                print("FAIL the module file was written")

        # An existing output replaced, nothing left beside it.
        out = os.path.join(scratch, "out")
        os.mkdir(out)
        with open(os.path.join(out, "t.csv"), "w") as f:
            f.write("old\n")
        c.expect("an existing output replaced", c.run(["run", "--trace", windows_path(out) + "\\t.csv"]), 0)
        with open(os.path.join(out, "t.csv"), newline="") as f:
            if f.read() != native_trace:
                c.failures.append("replaced output")
                print("FAIL the replaced output is not the native trace")
        if os.listdir(out) != ["t.csv"]:
            c.failures.append("temporaries")
            print("FAIL left beside the output: %s" % os.listdir(out))

        # Devices are written in place, in any folder and any case.
        for device in ("NUL", windows_path(out) + "\\nul", "Z:\\dev\\null"):
            c.expect("an output to " + device, c.run(["run", scene, "--svg", device]), 0, err_lacks=["cannot write"])
        if sorted(os.listdir(out)) != ["t.csv"]:
            c.failures.append("devices")
            print("FAIL writing to NUL left: %s" % os.listdir(out))

        # Ended from the console half-way: no temporary, no target. Many
        # instances for a million frames: far longer than the test waits.
        long_scene = os.path.join(scratch, "long.kscene")
        with open(long_scene, "w") as f:
            f.write("".join("kinemo k%d\naction k%d Set Speed 100\n" % (i, i) for i in range(50)) + "step 1000000\n")
        target = os.path.join(out, "ended.csv")
        command = '"%s" run "%s" --trace "%s"' % (windows_path(host), windows_path(long_scene), windows_path(target))
        p = subprocess.run([wine_run, os.path.join(fixtures, "console_break.exe"), command, windows_path(target)],
                           capture_output=True, timeout=120)
        c.expect("a run ended by Ctrl-C", (p.returncode, p.stdout.decode(errors="replace"), ""), 0,
                 out_has=["no temporary left"])

        # A support library that is not the stand-ins: the test DLL bound to
        # a copy of them under the host's library name. What only the
        # stand-ins' records show, and the About box, are skipped.
        real = os.path.join(scratch, "real_host")
        os.mkdir(real)
        with open(os.path.join(build, "kinemo64.dll"), "rb") as f:
            image = f.read()
        if image.count(b"orvex64.dll") != 1:
            raise SystemExit("the test DLL should name orvex64.dll once, in its imports")
        with open(os.path.join(real, "kinemo64.dll"), "wb") as f:
            f.write(image.replace(b"orvex64.dll", b"ORVEX32.dll"))
        shutil.copy(os.path.join(build, "orvex64.dll"), os.path.join(real, "ORVEX32.dll"))
        c.expect("validate with another support library",
                 c.run(["validate", "--module", os.path.join(real, "kinemo64.dll"), "--calls", "200"], display=True), 0,
                 out_has=["SKIP  leaks: ", "SKIP  entry point CreateObject", "SKIP  entry point SelectPopup",
                          "ORVEX32.dll", " 0 failed, 3 skipped\n", "PASS  entry point GetInfos"])
        c.expect("validate with the stand-ins: every check run",
                 c.run(["validate", "--module", module, "--calls", "200"], display=True), 0,
                 out_has=["PASS  entry point CreateObject", " 0 failed\n"])
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    print("%d cases, %d failed" % (c.count, len(c.failures)))
    return 1 if c.failures else 0


if __name__ == "__main__":
    sys.exit(main())
