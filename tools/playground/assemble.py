#!/usr/bin/env python3
"""Writes the playground: one self-contained page from playground.html, its
script and style, the replay view's script and style, the WebAssembly module
(its loader and its .wasm in base64) and the example scenes.

usage: assemble.py WASM_BUILD_DIR SOURCE_DIR OUT.html"""
import base64
import glob
import json
import os
import sys


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def script_safe(text):
    # Inside <script>: no "</" may end the block early.
    return text.replace("</", "<\\/")


def main():
    build, source, out = sys.argv[1:4]
    here = os.path.join(source, "tools", "playground")
    host = os.path.join(source, "tools", "kinemo-host")
    examples = [{"name": os.path.splitext(os.path.basename(p))[0], "text": read(p)}
                for p in sorted(glob.glob(os.path.join(source, "examples", "*.kscene")))]
    with open(os.path.join(build, "kinemo-playground.wasm"), "rb") as f:
        wasm = base64.b64encode(f.read()).decode("ascii")
    parts = {
        "@@REPLAY_CSS@@": read(os.path.join(host, "replay.css")),
        "@@PLAYGROUND_CSS@@": read(os.path.join(here, "playground.css")),
        "@@EXAMPLES@@": script_safe(json.dumps(examples, ensure_ascii=False)),
        "@@WASM@@": wasm,
        "@@REPLAY_JS@@": script_safe(read(os.path.join(host, "replay.js"))),
        "@@MODULE_JS@@": script_safe(read(os.path.join(build, "kinemo-playground.js"))),
        "@@PLAYGROUND_JS@@": script_safe(read(os.path.join(here, "playground.js"))),
    }
    page = read(os.path.join(here, "playground.html"))
    for key, value in parts.items():
        if key not in page:
            sys.exit("assemble.py: %s missing from playground.html" % key)
        page = page.replace(key, value, 1)
    temporary = out + ".tmp"
    with open(temporary, "w", encoding="utf-8") as f:
        f.write(page)
    os.replace(temporary, out)
    print("%s: %d bytes" % (out, len(page.encode("utf-8"))))


if __name__ == "__main__":
    main()
