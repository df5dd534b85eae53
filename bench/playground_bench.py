#!/usr/bin/env python3
"""The playground's size and speed in headless Chromium (real time, driven
through the DevTools protocol on a pipe): the page's bytes, the time the
module takes to run a 10,000-frame scene of four instances, and how fast the
replay then plays (frames drawn per second at 1x for five seconds, and the
cost of one frame shown from the scrubber). Prints a Markdown table.

usage: playground_bench.py PLAYGROUND_HTML [--runs N]"""
import argparse
import base64
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

LONG_SCENE_FILE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "long_run.kscene")

MEASURE = """new Promise((resolve) => {
  const wait = () => {
    if (!document.body || document.body.dataset.state !== 'ran') { setTimeout(wait, 10); return; }
    const result = { runMs: Number(document.body.dataset.runMs), loadToRanMs: performance.now() };
    const scrubber = document.getElementById('scrubber');
    let t = performance.now();
    for (let f = 0; f < 600; ++f) { scrubber.value = f * 16; scrubber.dispatchEvent(new Event('input')); }
    result.scrubFrameMs = (performance.now() - t) / 600;
    scrubber.value = 0; scrubber.dispatchEvent(new Event('input'));
    const label = document.getElementById('frame');
    const frameNow = () => Number(label.textContent.split(' ')[1]);
    document.getElementById('play').click();
    t = performance.now();
    setTimeout(() => {
      result.playedFps = frameNow() / ((performance.now() - t) / 1000);
      document.getElementById('play').click();
      resolve(JSON.stringify(result));
    }, 5000);
  };
  wait();
})"""


class Pipe:
    """Chromium's DevTools protocol over --remote-debugging-pipe (fds 3 and 4)."""

    def __init__(self, browser, profile, url):
        to_chrome_r, self.to_chrome = os.pipe()
        self.from_chrome, from_chrome_w = os.pipe()

        def fds():
            # Out of the way first: either end may already sit on 3 or 4. The
            # child keeps only 3 and 4 once this has run.
            read_end, write_end = os.dup(to_chrome_r), os.dup(from_chrome_w)
            os.dup2(read_end, 3)
            os.dup2(write_end, 4)

        self.process = subprocess.Popen(
            [browser, "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking",
             "--disable-component-update", "--disable-sync", "--window-size=1400,1000", "--user-data-dir=" + profile,
             "--remote-debugging-pipe", "about:blank"], preexec_fn=fds, pass_fds=(3, 4),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(to_chrome_r)
        os.close(from_chrome_w)
        self.buffer = b""
        self.next_id = 0
        target = self.call("Target.createTarget", {"url": url})["targetId"]
        self.session = self.call("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]

    def call(self, method, params, session=None):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params}
        if session:
            message["sessionId"] = session
        os.write(self.to_chrome, json.dumps(message).encode() + b"\0")
        while True:
            while b"\0" not in self.buffer:
                chunk = os.read(self.from_chrome, 1 << 16)
                if not chunk:
                    raise RuntimeError("chromium closed the pipe")
                self.buffer += chunk
            raw, self.buffer = self.buffer.split(b"\0", 1)
            reply = json.loads(raw)
            if reply.get("id") == self.next_id:
                if "error" in reply:
                    raise RuntimeError(reply["error"])
                return reply["result"]

    def evaluate(self, expression):
        # The first attempts may land in about:blank while the page is still loading.
        for attempt in range(100):
            try:
                result = self.call("Runtime.evaluate", {"expression": expression, "awaitPromise": True,
                                                        "returnByValue": True}, self.session)
            except RuntimeError as e:
                if "context" not in str(e) or attempt == 99:
                    raise
                time.sleep(0.1)
                continue
            value = result.get("result", {}).get("value")
            if value is not None:
                return json.loads(value)
            time.sleep(0.1)
        raise RuntimeError("the page never ran")

    def close(self):
        self.process.kill()
        self.process.wait()


NODE_RUN = """
const fs = require('fs');
const path = process.argv[1];
require(path + '/kinemo-playground.js')({ wasmBinary: fs.readFileSync(path + '/kinemo-playground.wasm'),
                                           print: () => {}, printErr: () => {} }).then((k) => {
  const text = fs.readFileSync(0, 'utf8'), size = k.lengthBytesUTF8(text) + 1, at = k._malloc(size);
  k.stringToUTF8(text, at, size);
  const name = k._malloc(16);
  k.stringToUTF8('scene.kscene', name, 16);
  const cpu = process.cpuUsage(), wall = performance.now();
  const status = k._kinemoPlay(at, name, 0);
  const used = process.cpuUsage(cpu);
  console.log(JSON.stringify({ status, cpuMs: (used.user + used.system) / 1000, wallMs: performance.now() - wall }));
});
"""


def long_scene():
    with open(LONG_SCENE_FILE, "rb") as f:
        return f.read()


def node_figures(wasm_dir, runs):
    """The module's run of the long scene under node, in processor time: this shared machine's wall clock
    says more about its other work."""
    out = []
    for _ in range(runs):
        p = subprocess.run(["node", "-e", NODE_RUN, wasm_dir], input=long_scene(), capture_output=True, timeout=600)
        out.append(json.loads(p.stdout.decode()))
    return out


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("page")
    parser.add_argument("--runs", type=int, default=3)
    options = parser.parse_args()
    browser = shutil.which("chromium") or shutil.which("chromium-browser")
    code = base64.urlsafe_b64encode(long_scene()).decode().rstrip("=")
    url = "file://" + os.path.abspath(options.page) + "#scene=" + code + "&frame=0"
    figures = []
    for _ in range(options.runs):
        profile = tempfile.mkdtemp(prefix="kinemo_bench_profile_")
        pipe = Pipe(browser, profile, url)
        try:
            figures.append(pipe.evaluate(MEASURE))
        finally:
            pipe.close()
            shutil.rmtree(profile, ignore_errors=True)
    node = node_figures(os.path.join(os.path.dirname(os.path.abspath(options.page)), "wasm"), options.runs)
    size = os.path.getsize(options.page)
    best = lambda key: min(f[key] for f in figures)
    worst = lambda key: max(f[key] for f in figures)
    print("| figure | goal | best of %d | worst |" % options.runs)
    print("|---|---|---:|---:|")
    print("| playground page | at most 1.5 MB | %.2f MB (%d bytes) | |" % (size / 1e6, size))
    print("| 10,000 frames of 4 instances: the module's run and the replay's data, wall clock | at most 1 s | %.0f ms | %.0f ms |"
          % (best("runMs"), worst("runMs")))
    print("| the same under node: processor time (wall clock) | | %.0f ms (%.0f ms) | %.0f ms (%.0f ms) |"
          % (min(n["cpuMs"] for n in node), min(n["wallMs"] for n in node), max(n["cpuMs"] for n in node),
             max(n["wallMs"] for n in node)))
    print("| page opened to replay shown | | %.0f ms | %.0f ms |" % (best("loadToRanMs"), worst("loadToRanMs")))
    print("| replay at 1\u00d7 | 60 frames a second | %.1f fps | %.1f fps |"
          % (max(f["playedFps"] for f in figures), min(f["playedFps"] for f in figures)))
    print("| one frame shown from the scrubber | under 16.7 ms | %.2f ms | %.2f ms |" % (best("scrubFrameMs"), worst("scrubFrameMs")))


if __name__ == "__main__":
    sys.exit(main())
