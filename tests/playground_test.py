#!/usr/bin/env python3
"""The playground page in headless Chromium, against the native kinemo-host:
- a scene opened by `#scene=...&frame=N` shows the native trace's rows in the
  field table at its first, middle and last frames;
- a scene with errors shows each at its line with the command line's message,
  and no replay;
- every example loads from the menu and shows the native trace's last rows;
- typing an action offers the module's display strings that match;
- nothing is written to the console.
Opened with chromium_pages.py.

usage: playground_test.py NATIVE_HOST PLAYGROUND_HTML SOURCE_DIR"""
import base64
import glob
import html
import os
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from chromium_pages import FAILURES, captured, check, chromium, open_in_chromium, table_rows  # noqa: E402

def native_trace(host, text):
    """{frame: [rows]} and the header of `run - --trace -`."""
    p = subprocess.run([host, "run", "-", "--trace", "-"], input=text.encode(), capture_output=True)
    lines = p.stdout.decode().splitlines()
    rows = {}
    for line in lines[1:]:
        rows.setdefault(int(line.split(",")[0]), []).append(line)
    return lines[0], rows


def native_errors(host, text):
    p = subprocess.run([host, "run", "-"], input=text.encode(), capture_output=True)
    return p.returncode, p.stderr.decode().replace("<stdin>:", "scene.kscene:").splitlines()


def expected_rows(header, rows):
    # The page leaves posX and posY empty where the trace says the instance is unbound.
    return [header] + [r.replace(",unbound,unbound", ",,") for r in rows]


def main():
    host, page, source = sys.argv[1:4]
    browser = chromium()
    if not browser:
        print("chromium is not installed (make test installs it)")
        return 77
    scratch = tempfile.mkdtemp(prefix="kinemo_playground_test_")
    url = "file://" + os.path.abspath(page)
    cases, expectations = [], []

    # Fragment: a scene with a bounce, a wrap, a placed object and 8 instances
    # (the field table must fit 1200 px without sideways scrolling).
    lines = ["playfield 400 300", "object goal 300 60 10 10 5 5"]
    for k in range(8):
        lines += ["object o%d %d %d 16 16 8 8" % (k, 40 + 30 * k, 50 + 20 * k), "kinemo k%d" % k,
                  "action k%d Set Object o%d" % (k, k), "action k%d %s" % (k, ["Bounce Mode", "Wrap Mode"][k % 2]),
                  "action k%d Set Speed %d" % (k, 150 + 40 * k), "action k%d Set Angle %d" % (k, 25 * k + 10),
                  "action k%d Set Gravity Strength %d" % (k, 100 * k)]
    lines += ["repeat 120", "  action k0 Rotate 5° towards goal", "  step 1", "end", "place goal 60 200",
              "step 80", "expression k1 GetX()"]
    text = "\n".join(lines) + "\n"
    header, rows = native_trace(host, text)
    code = base64.urlsafe_b64encode(text.encode()).decode().rstrip("=")
    first, last = min(rows), max(rows)
    for frame in (first, (first + last) // 2, last):
        cases.append({"url": url + "#scene=" + code + "&frame=%d" % frame})
        expectations.append(("fragment frame %d" % frame, "table", expected_rows(header, rows[frame])))

    # A scene with errors.
    bad = "object a 10 10 4 4 0 0\nkinemo k\naction k Set Sped 100\nstep 2\naction k Rotate 5 towards nowhere\n"
    status, messages = native_errors(host, bad)
    cases.append({"url": url + "#scene=" + base64.urlsafe_b64encode(bad.encode()).decode().rstrip("=")})
    expectations.append(("scene with errors", "errors", (status, messages)))

    # Every example from the menu, at its last frame.
    for path in sorted(glob.glob(os.path.join(source, "examples", "*.kscene"))):
        name = os.path.splitext(os.path.basename(path))[0]
        with open(path, encoding="utf-8") as f:
            header, rows = native_trace(host, f.read())
        cases.append({"url": url, "example": name})
        expectations.append(("example " + name, "table", expected_rows(header, rows[max(rows)]) if rows else None))

    # Completion from the module's display strings, with the scene's first object.
    cases.append({"url": url, "type": "object a 1 1 1 1 0 0\nkinemo k\naction k Set Gravity T"})
    expectations.append(("completion", "completion", ["Set Gravity Towards a", "Set Gravity Towards (0, 0)"]))

    dom, console = open_in_chromium(browser, cases, scratch)
    check(not console, "the console shows nothing: " + "".join(console[:5]))

    for i, (name, kind, expected) in enumerate(expectations):
        section, layout = captured(dom, i)
        check(bool(section), name + ": the page was captured")
        if not section:
            continue
        script_errors = re.search(r'<pre id="errors"[^>]*>([^<]*)</pre>', section)
        check(script_errors is not None and script_errors.group(1) == "", name + ": no script error")
        if kind == "table":
            check(layout["state"] == "ran", name + ": the scene ran (state %s)" % layout["state"])
            check(table_rows(section) == expected, name + ": the field table shows the trace\n  shown:    %s\n  expected: %s"
                  % (table_rows(section), expected))
            check(layout["pageWidth"] <= 1200 and layout["sideScroll"] <= 0 and layout["tableRight"] <= 1200,
                  name + ": the table fits 1200 px without sideways scrolling: %s" % layout)
        elif kind == "completion":
            offered = [html.unescape(m) for m in re.findall(r'<li[^>]*>([^<]*)<small>', section)]
            check(offered == expected, name + ": offers the module's display strings\n  shown:    %s\n  expected: %s"
                  % (offered, expected))
        else:
            status, messages = expected
            check(status == 2 and layout["state"] == "error", name + ": reported as a scene with errors")
            shown = [html.unescape(m) for m in re.findall(r'<li data-line="\d+">([^<]*)</li>', section)]
            check(shown == messages, name + ": the command line's messages\n  shown:    %s\n  expected: %s" % (shown, messages))
            for message in messages:
                line = re.match(r"scene\.kscene:(\d+):", message).group(1)
                check(re.search(r'<span class="error" title="[^"]*">%s</span>' % line, section) is not None,
                      name + ": line %s marked" % line)
            check(re.search(r'<div id="replay"></div>', section) is not None, name + ": no replay shown")

    shutil.rmtree(scratch, ignore_errors=True)
    print("%d cases, %d failures" % (len(expectations), len(FAILURES)))
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
