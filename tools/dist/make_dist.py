#!/usr/bin/env python3
"""Writes the Windows release: DIR/kinemo-VERSION-windows.zip and its .sha256.

The zip holds one folder, kinemo-VERSION/, with the module, the example
scenes, the authors' guide and SHA256SUMS. Its bytes depend on the inputs'
contents only: entries sorted, every timestamp and attribute fixed, no path
of this machine.

  make_dist.py --version-file VERSION --dll kinemo.qlm --events events.md
               --out-dir build/dist [--host-exe kinemo-host.exe]

--events is `kinemo-host describe` of the module shipped. --host-exe is the
i686 kinemo-host.exe, once the Windows build makes it; the guide then tells
how to use it.
"""
import argparse
import hashlib
import io
import os
import sys
import zipfile

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import guide  # noqa: E402

# The zip format's earliest time: no build's clock or file times leak in.
FIXED_TIME = (1980, 1, 1, 0, 0, 0)


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def release_files(args, version):
    """Name in the release folder -> bytes."""
    files = {"kinemo.qlm": read_bytes(args.dll)}
    # The i686 kinemo-host.exe joins the release here.
    if args.host_exe:
        files["kinemo-host.exe"] = read_bytes(args.host_exe)
    examples = os.path.join(SOURCE, "examples")
    for name in sorted(os.listdir(examples)):
        if name.endswith(".kscene"):
            files["examples/" + name] = read_bytes(os.path.join(examples, name))
    events = read_bytes(args.events).decode("utf-8")
    files["GUIDE.md"] = guide.render(SOURCE, version, events, bool(args.host_exe)).encode("utf-8")
    files["SHA256SUMS"] = checksums(files)
    return files


def checksums(files):
    """sha256sum's format, so that `sha256sum -c SHA256SUMS` checks the folder."""
    lines = ["%s  %s\n" % (hashlib.sha256(data).hexdigest(), name) for name, data in sorted(files.items())]
    return "".join(lines).encode("ascii")


def zip_bytes(folder, files):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w") as z:
        for name in sorted(files):
            info = zipfile.ZipInfo(folder + "/" + name, FIXED_TIME)
            info.create_system = 3  # Unix, whatever machine builds it
            info.external_attr = 0o100644 << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, files[name], compresslevel=9)
    return buffer.getvalue()


def write_file(path, data):
    """Whole or not at all: written beside the target, then renamed over it."""
    temp = path + ".tmp"
    with open(temp, "wb") as f:
        f.write(data)
    os.replace(temp, path)


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--version-file", required=True)
    p.add_argument("--dll", required=True)
    p.add_argument("--events", required=True)
    p.add_argument("--out-dir", required=True)
    p.add_argument("--host-exe")
    args = p.parse_args()
    version = read_bytes(args.version_file).decode("ascii").strip()
    if not version or any(c.isspace() or c in "/\\" for c in version):
        sys.exit("make_dist: %s: expected one version such as 1.2.0, got %r" % (args.version_file, version))
    try:
        files = release_files(args, version)
        name = "kinemo-%s-windows.zip" % version
        data = zip_bytes("kinemo-" + version, files)
        os.makedirs(args.out_dir, exist_ok=True)
        write_file(os.path.join(args.out_dir, name), data)
        write_file(os.path.join(args.out_dir, name + ".sha256"),
                   ("%s  %s\n" % (hashlib.sha256(data).hexdigest(), name)).encode("ascii"))
    except (OSError, guide.GuideError) as e:
        sys.exit("make_dist: %s" % e)
    print(os.path.join(args.out_dir, name))


if __name__ == "__main__":
    main()
