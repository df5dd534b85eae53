"""Pages in headless Chromium for the page tests: one browser start opens
every case, each in a 1200 x 800 frame of a collector page that waits until
the page has run (body data-state "ran" or "error"), optionally picks an
example from its menu or types into the editor, and copies what it shows with
a few layout figures."""
import html
import json
import os
import re
import shutil
import subprocess

FAILURES = []


def check(condition, what):
    if not condition:
        FAILURES.append(what)
        print("FAIL: " + what)


def chromium():
    for name in ("chromium", "chromium-browser"):
        path = shutil.which(name)
        if path:
            return path
    return None


def table_rows(section):
    """The field table as trace rows: the header, then one line per instance."""
    table = re.search(r'<table id="fields">([\s\S]*?)</table>', section)
    if not table:
        return []
    names, columns = [], []
    for row in re.finditer(r'<tr data-column="([^"]*)">([\s\S]*?)</tr>', table.group(1)):
        names.append(row.group(1))
        for i, cell in enumerate(re.findall(r"<td>([^<]*)</td>", row.group(2))):
            if len(columns) <= i:
                columns.append([])
            columns[i].append(html.unescape(cell))
    return [",".join(names)] + [",".join(c) for c in columns]


COLLECTOR = """<!DOCTYPE html><meta charset="utf-8"><body><script>
const cases = %s;
function waitFor(f, test, done) {
  const started = Date.now();
  const poll = () => {
    let ok = false;
    try { ok = test(f.contentDocument); } catch (e) { ok = false; }
    if (ok || Date.now() - started > 60000) done(); else setTimeout(poll, 20);
  };
  poll();
}
const ran = (d) => d.body && (d.body.dataset.state === 'ran' || d.body.dataset.state === 'error');
function capture(i, f) {
  const d = f.contentDocument, s = document.createElement('section');
  s.id = 'case' + i;
  const side = d.querySelector('.side'), table = d.getElementById('fields');
  const layout = { state: d.body.dataset.state, pageWidth: d.documentElement.scrollWidth,
                   sideScroll: side ? side.scrollWidth - side.clientWidth : -1,
                   tableRight: table ? table.getBoundingClientRect().right : -1 };
  s.innerHTML = '<pre class="layout">' + JSON.stringify(layout) + '</pre>' + d.body.innerHTML;
  document.body.appendChild(s);
}
function next(i) {
  if (i >= cases.length) { document.title = 'done'; return; }
  const c = cases[i], f = document.createElement('iframe');
  f.style.width = '1200px'; f.style.height = '800px';
  f.onload = () => waitFor(f, ran, () => {
    if (c.type) {  // typed into the editor: what it offers before the next run
      const editor = f.contentDocument.getElementById('scene-text');
      editor.value = c.type;
      editor.focus();
      editor.setSelectionRange(c.type.length, c.type.length);
      editor.dispatchEvent(new Event('input'));
      capture(i, f); f.remove(); next(i + 1); return;
    }
    if (!c.example) { capture(i, f); f.remove(); next(i + 1); return; }
    const d = f.contentDocument, menu = d.getElementById('examples');
    d.body.dataset.state = 'loading';
    menu.value = c.example;
    menu.dispatchEvent(new Event('change'));
    waitFor(f, ran, () => {
      const last = d.getElementById('scrubber');
      if (last) { last.value = last.max; last.dispatchEvent(new Event('input')); }
      capture(i, f); f.remove(); next(i + 1);
    });
  });
  f.src = c.url;
  document.body.appendChild(f);
}
next(0);
</script></body>
"""


def open_in_chromium(browser, cases, scratch):
    """The collector's DOM after every case ran, and the console lines of the log."""
    collector = os.path.join(scratch, "collect.html")
    with open(collector, "w", encoding="utf-8") as f:
        f.write(COLLECTOR % json.dumps(cases))
    log = os.path.join(scratch, "console.log")
    command = [browser, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
               "--disable-background-networking", "--disable-component-update", "--disable-sync",
               "--allow-file-access-from-files", "--enable-logging=stderr", "--v=0",
               "--user-data-dir=" + os.path.join(scratch, "profile"), "--virtual-time-budget=600000",
               "--window-size=1400,1000", "--dump-dom", "file://" + collector]
    with open(log, "w") as err:
        dom = subprocess.run(command, stdout=subprocess.PIPE, stderr=err, timeout=900).stdout.decode()
    with open(log, encoding="utf-8", errors="replace") as f:
        console = [line for line in f if ":CONSOLE" in line]
    return dom, console


def captured(dom, i):
    """What case i showed, and its layout figures."""
    match = re.search(r'<section id="case%d">([\s\S]*?)</section>' % i, dom)
    if not match:
        return "", {}
    layout = re.search(r'<pre class="layout">([^<]*)</pre>', match.group(1))
    return match.group(1), json.loads(html.unescape(layout.group(1))) if layout else {}


