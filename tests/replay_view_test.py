#!/usr/bin/env python3
"""The replay view of `kinemo-host run --html` (and the --svg picture) as a
reader found it, in headless Chromium at 1200 x 800:
- objects the host moves with `place` are drawn where they stand at the frame
  shown, and the picture shows where they stood before;
- frame 0 shows the starting fields (a `dump` before the first step);
- `dump` lines are in the results list;
- an object that falls away keeps the playfield in view, its exit marked;
- eight instances' field table fits 1200 px without sideways scrolling;
- the field table at #frame=N equals the trace's rows at the first, middle and
  last frames of examples, the built-in scene and the long run, and at the
  last frame the results list holds every result and dump as printed.

usage: replay_view_test.py NATIVE_HOST"""
import html
import os
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from chromium_pages import FAILURES, captured, check, chromium, open_in_chromium, table_rows  # noqa: E402

HOMING = """playfield 400 300
object missile 50 250 10 10 5 5
object goal 300 60 20 20 10 10
kinemo h
action h Set Object missile
action h Set Speed 200
repeat 100
  action h Rotate 8 towards goal
  step 1
end
place goal 60 100
repeat 100
  action h Rotate 8 towards goal
  step 1
end
"""

DUMPS = """object ball 100 100 10 10 5 5
kinemo k
action k Set Object ball
action k Set Speed 300
action k Set Angle 30
action k Set Gravity Strength 50
dump k
step 10
dump k
expression k GetX()
"""

FALLING = """object rock 320 10 10 10 5 5
kinemo k
action k Set Object rock
action k Set Gravity Strength 100
step 100000
"""


def eight_instances():
    lines = ["playfield 640 480"]
    for k in range(8):
        lines += ["object o%d %d 100 16 16 8 8" % (k, 40 + 70 * k), "kinemo instance%d" % k,
                  "action instance%d Set Object o%d" % (k, k), "action instance%d Bounce Mode" % k,
                  "action instance%d Set Speed %d" % (k, 333 + 97 * k), "action instance%d Set Angle %d" % (k, 17 * k + 3),
                  "action instance%d Set Gravity Strength %d" % (k, 37 * k + 11)]
    return "\n".join(lines + ["step 300"]) + "\n"


def play(host, scratch, name, text):
    scene = os.path.join(scratch, name + ".kscene")
    with open(scene, "w", encoding="utf-8") as f:
        f.write(text)
    page, svg = os.path.join(scratch, name + ".html"), os.path.join(scratch, name + ".svg")
    p = subprocess.run([host, "run", scene, "--html", page, "--svg", svg], capture_output=True)
    check(p.returncode == 0, name + ": plays: " + p.stderr.decode())
    with open(svg, encoding="utf-8") as f:
        return "file://" + page, p.stdout.decode(), f.read()


SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
TRACED = [os.path.join(SOURCE, "examples", n + ".kscene") for n in ("bouncing_ball", "orbit", "wrap_drift", "homing")] + \
         [None, os.path.join(SOURCE, "bench", "long_run.kscene")]


def traced_cases(host, scratch):
    """Pages at three frames each, with the trace rows and results they must show."""
    cases, expected = [], []
    for k, scene in enumerate(TRACED):
        page, trace = os.path.join(scratch, "traced%d.html" % k), os.path.join(scratch, "traced%d.csv" % k)
        p = subprocess.run([host, "run"] + ([scene] if scene else []) + ["--trace", trace, "--html", page, "--quiet"],
                           capture_output=True)
        check(p.returncode == 0, "%s plays: %s" % (scene, p.stderr.decode()))
        with open(trace, encoding="utf-8") as f:
            header, *rows = f.read().splitlines()
        by_frame = {}
        for row in rows:
            by_frame.setdefault(int(row.split(",")[0]), []).append(row)
        results = [line for line in p.stdout.decode().splitlines() if " = " in line or line.startswith("frame=")]
        first, last = min(by_frame), max(by_frame)
        for frame in (first, (first + last) // 2, last):
            cases.append({"url": "file://%s#frame=%d" % (page, frame)})
            expected.append(("%s at frame %d" % (scene or "the built-in scene", frame), [header] + by_frame[frame],
                             results if frame == last else None))
    return cases, expected


def object_rect(section, name):
    """(x, y) of the object's image box drawn with its label `name`."""
    match = re.search(r"<rect ([^>]*)></rect><text [^>]*>%s</text>" % name, section)
    if not match:
        return None
    attributes = dict(re.findall(r'([\w-]+)="([^"]*)"', match.group(1)))
    return float(attributes["x"]), float(attributes["y"])


def main():
    host = sys.argv[1]
    browser = chromium()
    if not browser:
        print("chromium is not installed (make test installs it)")
        return 77
    scratch = tempfile.mkdtemp(prefix="kinemo_replay_view_test_")
    homing, _, homing_svg = play(host, scratch, "homing", HOMING)
    dumps, dumps_out, _ = play(host, scratch, "dumps", DUMPS)
    falling, _, falling_svg = play(host, scratch, "falling", FALLING)
    eight, _, _ = play(host, scratch, "eight", eight_instances())
    cases = [{"url": homing + "#frame=50"}, {"url": homing + "#frame=150"}, {"url": dumps + "#frame=0"},
             {"url": dumps + "#frame=10"}, {"url": falling + "#frame=100000"}, {"url": eight + "#frame=150"}]
    more, traced = traced_cases(host, scratch)
    cases += more
    dom, console = open_in_chromium(browser, cases, scratch)
    check(not console, "the console shows nothing: " + "".join(console[:5]))
    sections = [captured(dom, i) for i in range(len(cases))]
    for i, (section, layout) in enumerate(sections):
        check(layout.get("state") == "ran", "case %d: the page ran: %s" % (i, layout))
        errors = re.search(r'<pre id="errors"[^>]*>([^<]*)</pre>', section)
        check(errors is not None and errors.group(1) == "", "case %d: no script error" % i)

    # The goal stands at (300, 60) until frame 100, then at (60, 100); its hot spot is (10, 10).
    check(object_rect(sections[0][0], "goal") == (290, 50), "placed goal at frame 50: %s" % (object_rect(sections[0][0], "goal"),))
    check(object_rect(sections[1][0], "goal") == (50, 90), "placed goal at frame 150: %s" % (object_rect(sections[1][0], "goal"),))
    check("goal, frames 0\u2013100" in homing_svg, "the picture shows where the goal stood until frame 100")

    # Frame 0: the fields the first dump printed, before any step.
    dump_lines = [line for line in dumps_out.splitlines() if line.startswith("frame=")]
    first = [pair.split("=", 1) for pair in dump_lines[0].split(" ")]
    expected = [",".join(k for k, _ in first), ",".join(v for _, v in first)]
    check(table_rows(sections[2][0]) == expected, "frame 0 shows the starting fields\n  shown:    %s\n  expected: %s"
          % (table_rows(sections[2][0]), expected))
    shown = [html.unescape(m) for m in re.findall(r'<li data-frame="\d+" class="[a-z]+">frame \d+: ([^<]*)</li>', sections[3][0])]
    results = [line for line in dumps_out.splitlines() if line.startswith("frame=") or " = " in line]
    check(shown == results, "the results list has the dumps\n  shown:    %s\n  expected: %s" % (shown, results))

    # Falling for 100,000 frames: the playfield (640 x 480) stays most of the view.
    box = re.search(r'<svg id="playfield"[^>]*viewBox="([^"]*)"', sections[4][0])
    width, height = (float(v) for v in box.group(1).split()[2:]) if box else (0, 0)
    check(0 < height < 480 * 3 and 0 < width < 640 * 3, "the page keeps the playfield in view: viewBox %s" % (box and box.group(1)))
    check('class="exit"' in sections[4][0], "the page marks where the path leaves the view")
    playfield = re.search(r'<rect x="[^"]*" y="[^"]*" width="([^"]*)" height="([^"]*)" fill="#fbfbf6"', falling_svg)
    check(playfield is not None and float(playfield.group(2)) > 150, "the picture keeps the playfield in view: %s"
          % (playfield and playfield.groups(),))
    check("M-5,-5L5,5M-5,5L5,-5" in falling_svg.split("Key")[0], "the picture marks where the path leaves the view")

    # Eight instances at 1200 px.
    layout = sections[5][1]
    check(len(table_rows(sections[5][0])) == 9, "eight instances in the table")
    check(layout.get("pageWidth", 9999) <= 1200 and layout.get("sideScroll", 1) <= 0 and layout.get("tableRight", 9999) <= 1200,
          "eight instances' table fits 1200 px without sideways scrolling: %s" % layout)

    # The table equals the trace, bit for bit as printed.
    for (section, _), (what, rows, results) in zip(sections[6:], traced):
        check(table_rows(section) == rows, "%s: the table is the trace's rows\n  shown:    %s\n  expected: %s"
              % (what, table_rows(section)[:3], rows[:3]))
        if results is not None:
            shown = [html.unescape(m) for m in re.findall(r'<li data-frame="\d+" class="(?:past|now)">frame \d+: ([^<]*)</li>',
                                                          section)]
            check(shown == results, "%s: the results list has every result and dump" % what)

    shutil.rmtree(scratch, ignore_errors=True)
    print("%d failures" % len(FAILURES))
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
