#!/usr/bin/env python3
"""kinemo-host natively and another build of it (the x86-64 kinemo-host.exe
under Wine, or the WebAssembly one under node) must exit with the same
status, print the same bytes to standard output and standard error, and
write the same files: help, version, describe, every example and test scene
as a trace on standard output and as trace, picture and replay page in files
(under Wine also through the test DLL), the usage and file errors, standard
input and output, failed writes, seeded random scenes
(tools/random_scenes.py), and under Wine the Windows forms of the same paths.

usage: host_differential.py NATIVE_HOST SOURCE_DIR --wine WINE_RUN WIN64_HOST MODULE_DLL
       host_differential.py NATIVE_HOST SOURCE_DIR --wasm WASM_HOST_JS [--random N] [--seed S]"""
import argparse
import concurrent.futures
import difflib
import glob
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import random_scenes  # noqa: E402


def run(command, stdin=None, stdout_file=None, cwd=None):
    if stdout_file is not None:
        with open(stdout_file, "wb") as out:
            p = subprocess.run(command, input=stdin, stdout=out, stderr=subprocess.PIPE, timeout=300, cwd=cwd)
        return p.returncode, b"", p.stderr
    p = subprocess.run(command, input=stdin, capture_output=True, timeout=300, cwd=cwd)
    return p.returncode, p.stdout, p.stderr


def first_difference(a, b):
    lines = difflib.unified_diff(a.decode(errors="replace").splitlines(keepends=True),
                                 b.decode(errors="replace").splitlines(keepends=True), "native", "other", n=1)
    return "".join(list(lines)[:12]).replace("\r", "\\r")


def windows_path(path):
    """The Windows name Wine gives a path of this machine: drive Z: is /."""
    return "Z:" + path.replace("/", "\\")


class Case:
    """One command on both sides. `wine_args` replaces `args` under Wine (a
    Windows form of a path) and marks a case for Windows only; `outputs` are
    file names both sides write, each in a folder of its own, compared byte
    for byte. `module`: the other side plays the test DLL; `loads_module`:
    the case names a module file (both Windows only: the WebAssembly build
    loads none)."""

    def __init__(self, name, args, stdin=None, wine_args=None, outputs=(), stdout_file=None, module=False,
                 in_folder=False, loads_module=False):
        self.name, self.args, self.stdin, self.in_folder = name, args, stdin, in_folder
        self.wine_args = wine_args if wine_args is not None else args
        self.outputs, self.stdout_file, self.module = outputs, stdout_file, module
        self.windows_only = module or loads_module or wine_args is not None


def compare(case, options, scratch, index):
    sides = {}
    for side in ("native", "other"):
        folder = os.path.join(scratch, "%d-%s" % (index, side))
        os.mkdir(folder)
        args = case.args if side == "native" else case.wine_args
        args = [a.replace("{OUT}", folder).replace("{WOUT}", windows_path(folder)) for a in args]
        if side == "native":
            command = [options.native] + args
        else:
            command = options.other + args
            if case.module:
                command += ["--module", options.module]
        cwd = folder if case.in_folder else None
        result = run(command, case.stdin, case.stdout_file, cwd)
        if side == "other" and options.wine and result[0] != 0 and not result[1] and not result[2]:
            # Wine very rarely fails to start a process at all, silently; a
            # program that ran says why it failed.
            print("NOTE: %s: Wine gave exit status %d and no output; run again" % (case.name, result[0]))
            result = run(command, case.stdin, case.stdout_file, cwd)
        sides[side] = result, folder
    (n, native_dir), (w, wine_dir) = sides["native"], sides["other"]
    problems = []
    if n[0] != w[0]:
        problems.append("exit status %d natively, %d in the other build" % (n[0], w[0]))
    for what, a, b in (("standard output", n[1], w[1]), ("standard error", n[2], w[2])):
        if a != b:
            problems.append(what + " differs:\n" + first_difference(a, b))
    for name in case.outputs:
        a, b = (os.path.join(d, name) for d in (native_dir, wine_dir))
        if os.path.exists(a) != os.path.exists(b):
            problems.append("%s written on one side only" % name)
        elif os.path.exists(a):
            with open(a, "rb") as fa, open(b, "rb") as fb:
                da, db = fa.read(), fb.read()
            if da != db:
                problems.append(name + " differs:\n" + first_difference(da, db))
    for d in (native_dir, wine_dir):
        left = sorted(f for f in os.listdir(d) if f not in case.outputs)
        if left:
            problems.append("left behind in %s: %s" % (d, ", ".join(left)))
    return "\n".join(problems) if problems else None


def cases(source, scratch, random, seed):
    out = [Case("help", ["help"]), Case("help run", ["help", "run"]), Case("run --help", ["run", "--help"]),
           Case("help validate", ["help", "validate"]), Case("help describe", ["describe", "--help"]),
           Case("version", ["version"]), Case("-V", ["-V"]), Case("no command", []),
           Case("describe", ["describe"]), Case("describe of the DLL", ["describe"], module=True)]
    scenes = sorted(glob.glob(os.path.join(source, "examples", "*.kscene")) +
                    glob.glob(os.path.join(source, "tests", "scenes", "*.kscene")))
    for path in scenes + [None]:
        name = os.path.basename(path) if path else "built-in scene"
        scene = [path] if path else []
        for module in (False, True):
            suffix = " (DLL)" if module else ""
            out.append(Case(name + " --trace -" + suffix, ["run"] + scene + ["--trace", "-"], module=module))
            out.append(Case(name + " to files" + suffix,
                            ["run"] + scene + ["--trace", "{OUT}/t.csv", "--svg", "{OUT}/p.svg", "--html", "{OUT}/r.html"],
                            outputs=("t.csv", "p.svg", "r.html"), module=module))
    first = scenes[0]
    # Windows forms of the same paths: drive letter and backslashes, forward
    # slashes, the long-path prefix; outputs too.
    for label, form in (("Z:\\ backslashes", windows_path(first)), ("Z:/ slashes", "Z:" + first),
                        ("\\\\?\\Z:\\ long path", "\\\\?\\" + windows_path(first)),
                        ("\\\\.\\Z:\\ device path", "\\\\.\\" + windows_path(first)),
                        ("Wine's \\\\?\\unix\\ path", "\\\\?\\unix" + first.replace("/", "\\"))):
        out.append(Case("scene as " + label, ["run", first, "--trace", "-"], wine_args=["run", form, "--trace", "-"]))
    out.append(Case("outputs as Z:\\ paths", ["run", first, "--trace", "{OUT}/t.csv", "--svg", "{OUT}/p.svg"],
                    wine_args=["run", windows_path(first), "--trace", "{WOUT}\\t.csv", "--svg", "\\\\?\\{WOUT}\\p.svg"],
                    outputs=("t.csv", "p.svg")))
    # Relative to the current folder of drive Z:, which is the current folder.
    out.append(Case("outputs as Z:name", ["run", first, "--trace", "t.csv", "--html", "r.html"],
                    wine_args=["run", first, "--trace", "Z:t.csv", "--html", "z:.\\r.html"],
                    outputs=("t.csv", "r.html"), in_folder=True))

    bad = os.path.join(scratch, "bad.kscene")
    with open(bad, "w") as f:
        f.write("kinemo k\naction k Set Sped 100\nstep x\nexpression k GetDist(0.5, 2)\n")
    stdin_scene = b"object a 1 2 3 4 0 0\nkinemo k\naction k Set Object a\nstep 3\n"
    out += [
        Case("scene with errors", ["run", bad]),
        Case("scene with errors, outputs untouched", ["run", bad, "--trace", "{OUT}/t.csv"], outputs=("t.csv",)),
        Case("missing scene", ["run", os.path.join(scratch, "missing.kscene")]),
        Case("missing module", ["run", "--module", os.path.join(scratch, "missing.dll")], loads_module=True),
        Case("folder as scene", ["run", scratch]),
        Case("folder as module", ["describe", "--module", scratch], loads_module=True),
        Case("unknown option", ["run", "--frames", "3"]),
        Case("typo'd option", ["run", "--tr", "t.csv"]),
        Case("option in another case", ["validate", "--Seed", "2"]),
        Case("unknown command", ["rn"]),
        Case("output clashing with the scene", ["run", bad, "--trace", bad]),
        Case("two outputs on standard output", ["run", "--svg", "-", "--trace", "-"]),
        Case("scene from standard input", ["run", "-", "--trace", "-"], stdin=stdin_scene),
        # Read as bytes: CRLF line ends and a Ctrl-Z stay what they are.
        Case("standard input with CR and Ctrl-Z", ["run", "-", "--trace", "-"],
             stdin=b"# a\x1a comment\r\nkinemo k\r\nstep 2\nexpression k GetX()\n"),
        Case("empty standard input", ["run", "-"], stdin=b""),
        Case("picture on standard output", ["run", first, "--svg", "-"]),
        Case("output folder that does not exist", ["run", first, "--trace", os.path.join(scratch, "none", "t.csv")]),
        Case("output that is a folder", ["run", first, "--trace", scratch]),
        Case("standard output on a full disk", ["run", first, "--trace", "-"], stdout_file="/dev/full"),
        Case("help on a full disk", ["help"], stdout_file="/dev/full"),
    ]
    for k in range(random):
        path = os.path.join(scratch, "random_%d.kscene" % (seed + k))
        with open(path, "w") as f:
            f.write(random_scenes.scene(seed + k))
        out.append(Case("random scene %d" % (seed + k), ["run", path, "--trace", "-"]))
    return out


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("native")
    parser.add_argument("source")
    other = parser.add_mutually_exclusive_group(required=True)
    other.add_argument("--wine", nargs=3, metavar=("WINE_RUN", "WIN64_HOST", "MODULE_DLL"))
    other.add_argument("--wasm", metavar="WASM_HOST_JS")
    parser.add_argument("--random", type=int, default=0)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--jobs", type=int, default=2)
    options = parser.parse_args()
    options.native, options.source = os.path.abspath(options.native), os.path.abspath(options.source)
    if options.wine:
        wine_run, host, module = (os.path.abspath(p) for p in options.wine)
        options.other, options.module = [wine_run, host], module
    else:
        options.other = ["node", os.path.abspath(options.wasm)]
    scratch = tempfile.mkdtemp(prefix="kinemo_host_diff_")
    try:
        all_cases = [c for c in cases(options.source, scratch, options.random, options.seed)
                     if options.wine or not c.windows_only]
        failures = []
        with concurrent.futures.ThreadPoolExecutor(options.jobs) as pool:
            results = pool.map(lambda ic: (ic[1].name, compare(ic[1], options, scratch, ic[0])), enumerate(all_cases))
            for name, difference in results:
                if difference is not None:
                    failures.append(name)
                    print("DIFFERS: %s: %s\n" % (name, difference))
        print("%d cases, %d differ" % (len(all_cases), len(failures)))
        return 1 if failures else 0
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
