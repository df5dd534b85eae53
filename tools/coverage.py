#!/usr/bin/env python3
"""Line coverage of the module's sources (src/) from a --coverage build.

    coverage.py BUILD_DIR SOURCE_DIR

Reads every .gcda below BUILD_DIR with gcov's JSON output; a line counts as
covered when any translation unit ran it (headers are compiled into many).
"""
import json, os, subprocess, sys
from collections import defaultdict

def main():
    if len(sys.argv) != 3:
        sys.exit("usage: coverage.py BUILD_DIR SOURCE_DIR")
    build, src = (os.path.realpath(a) for a in sys.argv[1:])
    gcdas = [os.path.join(d, f) for d, _, fs in os.walk(build) for f in fs if f.endswith(".gcda")]
    if not gcdas:
        sys.exit(f"{build}: no .gcda files; build with --coverage and run the tests first")
    lines = defaultdict(dict)  # file -> line -> ran
    for gcda in gcdas:
        out = subprocess.run(["gcov", "--json-format", "--stdout", gcda], cwd=os.path.dirname(gcda),
                             capture_output=True, text=True).stdout
        for doc in out.splitlines():
            for f in json.loads(doc).get("files", []):
                path = os.path.realpath(os.path.join(build, f["file"]))
                if not path.startswith(os.path.join(src, "src") + os.sep):
                    continue
                for l in f["lines"]:
                    lines[path][l["line_number"]] = lines[path].get(l["line_number"], False) or l["count"] > 0
    total = sum(len(v) for v in lines.values())
    hit = sum(sum(v.values()) for v in lines.values())
    for path in sorted(lines):
        v = lines[path]
        print(f"{sum(v.values()):5d}/{len(v):5d}  {os.path.relpath(path, src)}")
    print(f"src/ line coverage: {hit}/{total} = {100.0 * hit / max(total, 1):.1f}%")

main()
