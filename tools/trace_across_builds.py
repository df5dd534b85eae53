#!/usr/bin/env python3
"""One trace across the builds: plays seeded random scenes (random_scenes.py)
on every build present and counts, for each pair, the scenes whose traces
differ and the single-precision fields that differ, with the first scene and
field where they do. Prints a Markdown table (docs/trace_across_builds.md).

usage: trace_across_builds.py [--scenes N] [--seed S] [--jobs J]   (from the source root)"""
import argparse
import concurrent.futures
import itertools
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import random_scenes  # noqa: E402

FLOAT_COLUMNS = ["x", "y", "xSpeed", "ySpeed", "angle", "speed", "gravityStrength", "gravityAngle", "maxSpeed",
                 "minSpeed", "bounceCoefficient"]


def builds():
    """(name, (command, options after `run SCENE`)) of each build found under build/."""
    out = [("native x86-64 (glibc)", (["build/native/kinemo-host"], []))]
    if os.path.exists("build/win32/kinemo.qlm"):
        out.append(("DLL in the emulated host", (["build/native/kinemo-host"], ["--module=build/win32/kinemo.qlm"])))
    if os.path.exists("build/win64/kinemo-host.exe"):
        out.append(("win64 under Wine", (["build/win64/wine-run.sh", "build/win64/kinemo-host.exe"], [])))
    if os.path.exists("build/wasm/kinemo-host.js"):
        out.append(("wasm (emscripten's libc)", (["node", "build/wasm/kinemo-host.js"], [])))
    return out


def trace(build, path):
    command, options = build
    p = subprocess.run(command + ["run", path, "--trace", "-"] + options, capture_output=True, timeout=600)
    if p.returncode != 0:
        return None
    return p.stdout.decode().splitlines()


def differing_fields(a, b, header):
    """[(row, column)] of the single-precision fields that differ."""
    columns = [header.index(c) for c in FLOAT_COLUMNS if c in header]
    out = []
    for i, (ra, rb) in enumerate(itertools.zip_longest(a[1:], b[1:], fillvalue="")):
        fa, fb = ra.split(","), rb.split(",")
        for c in columns:
            if c >= len(fa) or c >= len(fb) or fa[c] != fb[c]:
                out.append((i, c))
    return out


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--scenes", type=int, default=500)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--jobs", type=int, default=2)
    options = parser.parse_args()
    found = builds()
    scratch = tempfile.mkdtemp(prefix="kinemo_trace_across_")
    seeds = list(range(options.seed, options.seed + options.scenes))

    def play(seed):
        path = os.path.join(scratch, "random_%d.kscene" % seed)
        with open(path, "w") as f:
            f.write(random_scenes.scene(seed))
        return seed, [trace(prefix, path) for _, prefix in found]

    pairs = list(itertools.combinations(range(len(found)), 2))
    scenes = {p: 0 for p in pairs}
    fields = {p: 0 for p in pairs}
    first = {}
    total_fields = 0
    with concurrent.futures.ThreadPoolExecutor(options.jobs) as pool:
        for seed, traces in sorted(pool.map(play, seeds)):
            if traces[0]:
                total_fields += (len(traces[0]) - 1) * len(FLOAT_COLUMNS)
            for p in pairs:
                a, b = traces[p[0]], traces[p[1]]
                if a is None or b is None:
                    scenes[p] += 1
                    first.setdefault(p, "scene %d: a build failed to play it" % seed)
                    continue
                diff = differing_fields(a, b, a[0].split(","))
                if diff:
                    scenes[p] += 1
                    fields[p] += len(diff)
                    row, column = diff[0]
                    cells = a[row + 1].split(",")
                    other = b[row + 1].split(",") if row + 1 < len(b) else []
                    first.setdefault(p, "scene %d, frame %s, %s `%s`: %s against %s" % (
                        seed, cells[0], cells[1], a[0].split(",")[column], cells[column],
                        other[column] if column < len(other) else "(none)"))
    for name in os.listdir(scratch):
        os.remove(os.path.join(scratch, name))
    os.rmdir(scratch)

    print("%d seeded random scenes (seeds %d to %d), %d single-precision fields each build\n" % (
        options.scenes, seeds[0], seeds[-1], total_fields))
    print("| builds | scenes that differ | fields that differ | first difference |")
    print("|---|---:|---:|---|")
    for p in pairs:
        print("| %s / %s | %d | %d | %s |" % (found[p[0]][0], found[p[1]][0], scenes[p], fields[p], first.get(p, "none")))


if __name__ == "__main__":
    main()
