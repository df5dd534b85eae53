"""The authors' guide of a release, GUIDE.md: tools/dist/guide.md with its
markers filled from the source tree and from `kinemo-host describe`, so that
nothing in it is written twice.

  @VERSION@    the release version
  @EXAMPLES@   each example scene with the first paragraph of its comment
  @MOTION@     docs/motion.md
  @EVENTS@     the event reference, as `kinemo-host describe` prints it
  @if host-exe@ ... @else@ ... @end@   kept by whether the release holds kinemo-host.exe
"""
import os
import re


class GuideError(Exception):
    pass


def read_text(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def as_section(markdown):
    """A document under a section of the guide: its title dropped (the
    guide's section names it), its headings one level down."""
    body = re.sub(r"\A# [^\n]*\n", "", markdown.lstrip("\n"))
    return re.sub(r"^(#+ )", r"#\1", body, flags=re.MULTILINE).strip()


def release_links(markdown):
    """Links into the source tree: examples/ is in the release, the rest is not."""
    def link(m):
        text, target = m.group(1), m.group(2)
        return "[%s](%s)" % (text, target) if target.startswith("examples/") else "`%s`" % text.strip("`")
    return re.sub(r"\[([^\]]+)\]\(\.\./([^)]+)\)", link, markdown).replace("docs/motion.md", "this guide")


def first_paragraph(scene_text):
    words = []
    for line in scene_text.splitlines():
        if not line.startswith("#"):
            break
        text = line[1:].strip()
        if not text and words:
            break
        words.append(text)
    return " ".join(w for w in words if w)


def examples_list(source):
    folder = os.path.join(source, "examples")
    rows = []
    for name in sorted(os.listdir(folder)):
        if name.endswith(".kscene"):
            about = first_paragraph(read_text(os.path.join(folder, name))).replace("docs/motion.md", "this guide")
            rows.append("- [examples/%s](examples/%s): %s" % (name, name, about or "(no description)"))
    return "\n".join(rows)


def kept_branches(template, with_host_exe):
    out, keep, depth = [], [True], 0
    for line in template.splitlines(keepends=True):
        marker = line.strip()
        if marker == "@if host-exe@":
            keep.append(keep[-1] and with_host_exe)
            depth += 1
        elif marker == "@else@" and depth:
            keep[-1] = keep[-2] and not keep[-1]
        elif marker == "@end@" and depth:
            keep.pop()
            depth -= 1
        elif keep[-1]:
            out.append(line)
    if depth:
        raise GuideError("tools/dist/guide.md: @if host-exe@ without @end@")
    return "".join(out)


def render(source, version, events, with_host_exe):
    text = kept_branches(read_text(os.path.join(source, "tools", "dist", "guide.md")), with_host_exe)
    fills = {
        "@VERSION@": version,
        "@EXAMPLES@": examples_list(source),
        "@MOTION@": as_section(release_links(read_text(os.path.join(source, "docs", "motion.md")))),
        "@EVENTS@": as_section(events),
    }
    for marker, value in fills.items():
        if marker not in text:
            raise GuideError("tools/dist/guide.md: no %s" % marker)
        text = text.replace(marker, value)
    left = re.search(r"@[A-Za-z-]+@", text)
    if left:
        raise GuideError("tools/dist/guide.md: unknown marker %s" % left.group(0))
    return text
