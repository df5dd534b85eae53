#!/usr/bin/env python3
"""kinemo-host natively and compiled to WebAssembly under node must print the
same bytes, exit with the same status and write the same files: `describe`,
and `run SCENE --trace -` over every example, every golden scene and seeded
random scenes (tools/random_scenes.py); the examples' pictures too.

usage: wasm_differential.py NATIVE_HOST WASM_HOST_JS SOURCE_DIR [--random N] [--seed S]"""
import argparse
import concurrent.futures
import difflib
import glob
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import random_scenes  # noqa: E402


def run(command, stdin=None):
    p = subprocess.run(command, input=stdin, capture_output=True, timeout=600)
    return p.returncode, p.stdout, p.stderr


def first_difference(a, b):
    lines = difflib.unified_diff(a.decode(errors="replace").splitlines(), b.decode(errors="replace").splitlines(),
                                 "native", "wasm", n=1, lineterm="")
    return "\n".join(list(lines)[:12])


def compare(args, native, wasm, stdin=None):
    """None when both agree, else what differs."""
    n = run([native] + args, stdin)
    w = run(["node", wasm] + args, stdin)
    if n == w:
        return None
    if n[0] != w[0]:
        return "exit status %d natively, %d in wasm\n%s" % (n[0], w[0], w[2].decode(errors="replace")[:400])
    which = "standard output" if n[1] != w[1] else "standard error"
    a, b = (n[1], w[1]) if n[1] != w[1] else (n[2], w[2])
    return which + " differs:\n" + first_difference(a, b)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("native")
    parser.add_argument("wasm")
    parser.add_argument("source")
    parser.add_argument("--random", type=int, default=300)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--jobs", type=int, default=2)
    options = parser.parse_args()

    scratch = tempfile.mkdtemp(prefix="kinemo_wasm_diff_")
    cases = [("describe", ["describe"], None), ("built-in scene", ["run", "--trace", "-"], None),
             ("help run", ["help", "run"], None), ("scene from stdin", ["run", "-", "--trace", "-"],
                                                   b"object a 1 2 3 4 0 0\nkinemo k\naction k Set Object a\nstep 3\n")]
    bad = os.path.join(scratch, "bad.kscene")
    with open(bad, "w") as f:
        f.write("kinemo k\naction k Set Sped 100\nstep x\nexpression k GetDist(0.5, 2)\n")
    cases.append(("scene with errors", ["run", bad], None))
    for path in sorted(glob.glob(os.path.join(options.source, "examples", "*.kscene"))):
        cases.append((path, ["run", path, "--trace", "-"], None))
        cases.append((path + " --svg", ["run", path, "--svg", "-"], None))
    for path in sorted(glob.glob(os.path.join(options.source, "tests", "scenes", "*.kscene"))):
        cases.append((path, ["run", path, "--trace", "-"], None))
    for k in range(options.random):
        seed = options.seed + k
        path = os.path.join(scratch, "random_%d.kscene" % seed)
        with open(path, "w") as f:
            f.write(random_scenes.scene(seed))
        cases.append(("random scene %d" % seed, ["run", path, "--trace", "-"], None))

    failures = []
    with concurrent.futures.ThreadPoolExecutor(options.jobs) as pool:
        results = pool.map(lambda c: (c[0], compare(c[1], options.native, options.wasm, c[2])), cases)
        for name, difference in results:
            if difference is not None:
                failures.append(name)
                print("DIFFERS: %s: %s\n" % (name, difference))
    print("%d cases, %d differ (%d random scenes from seed %d)" % (len(cases), len(failures), options.random,
                                                                   options.seed))
    for path in glob.glob(os.path.join(scratch, "*")):
        os.remove(path)
    os.rmdir(scratch)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
