#!/usr/bin/env python3
"""Writes a source site with glossel-render --site and reads it back with Python's HTML
parser, from its own reading of the format:

  - every link and style sheet of every page is relative, stays inside the site and
    leads to a file that is there, and to an element with that id in it;
  - every file's page is linked from the index;
  - the text of every page's <pre> equals its source as the HTML format shows it
    (readback.py's rules), line by line in elements L1, L2, ..., and every character
    has the colour, weight and slant of its style code (from --format codes);
  - a link on a word leads to a line that holds that word (a name's own definition),
    or to the name's entry in the A to Z; an entry's links lead to lines that hold
    its name.

usage: site_check.py GLOSSEL_RENDER FOLDER...  (missing folders are skipped)
"""
import html.parser
import os
import posixpath
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import readback  # noqa: E402  (the HTML format's own read-back rules)
from readback import Failure  # noqa: E402


class SiteReader(html.parser.HTMLParser):
    """A page's ids, links, heading, and the characters of its <pre> by line."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.ids = set()
        self.links = []       # (href, text of the link, line number or None)
        self.heading = ""
        self.lines = []       # per line element: [(char, class)]
        self.line_ids = []
        self.stack = []       # open elements inside the <pre>: (tag, class)
        self.in_pre = self.in_h1 = self.in_dt = False
        self.pre_started = False
        self.link = None      # [href, text, line] of the open <a>
        self.dt = ""
        self.dts = []         # (id, name, [hrefs])

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if "id" in attrs:
            if attrs["id"] in self.ids:
                raise Failure(f"id {attrs['id']} twice")
            self.ids.add(attrs["id"])
        for key in ("src", "srcset", "action", "data", "poster"):
            if key in attrs:
                raise Failure(f"<{tag} {key}=...>: pages take nothing from elsewhere")
        if tag == "link":
            self.links.append((attrs.get("href", ""), "", None))
        elif tag == "h1":
            self.in_h1 = True
        elif tag == "dt":
            self.in_dt = True
            self.dt = ""
            self.dts.append((attrs.get("id"), None, []))
        elif tag == "pre":
            self.in_pre = self.pre_started = True
        elif tag == "a":
            if self.link:
                raise Failure("a link inside a link")
            line = len(self.lines) if self.in_pre else None
            self.link = [attrs.get("href", ""), "", line, attrs.get("class")]
            if self.dts and not self.in_pre and self.dts[-1][1] is not None:
                self.dts[-1][2].append(attrs.get("href", ""))
        if self.in_pre and tag == "span":
            cls = attrs.get("class")
            if cls == "l":
                if self.stack:
                    raise Failure("a line inside another element")
                self.lines.append([])
                self.line_ids.append(attrs.get("id"))
            self.stack.append(("span", cls))
        elif self.in_pre and tag == "a":
            self.stack.append(("a", None))
        elif self.in_pre and tag != "pre":
            raise Failure(f"<{tag}> inside the <pre>")

    def handle_endtag(self, tag):
        if tag == "h1":
            self.in_h1 = False
        elif tag == "dt":
            self.in_dt = False
            ident, _, hrefs = self.dts[-1]
            self.dts[-1] = (ident, self.dt, hrefs)
        elif tag == "pre":
            self.in_pre = False
            if self.stack:
                raise Failure("the <pre> ends inside an element")
        if tag == "a" and self.link:
            href, text, line, cls = self.link
            if cls == "n" and text:
                raise Failure("a line number anchor with text")
            if cls != "n":
                self.links.append((href, text, line))
            self.link = None
        if self.in_pre and tag in ("span", "a"):
            if not self.stack or self.stack[-1][0] != tag:
                raise Failure(f"</{tag}> does not close the open element")
            self.stack.pop()

    def handle_data(self, data):
        if self.in_h1:
            self.heading += data
        if self.in_dt:
            self.dt += data
        if self.link:
            self.link[1] += data
        if not self.in_pre:
            return
        if self.pre_started:
            self.pre_started = False
            if data.startswith("\n"):
                data = data[1:]
        if not data:
            return
        if not self.lines or not self.stack:
            raise Failure(f"text outside a line element: {data[:20]!r}")
        classes = [cls for tag, cls in self.stack if tag == "span" and cls != "l"]
        cls = classes[-1] if classes else "foreground"
        self.lines[-1].extend((c, cls) for c in data)


def read_page(path):
    with open(path, "rb") as f:
        reader = SiteReader()
        reader.feed(f.read().decode("utf-8"))
        reader.close()
    return reader


def source_of(shown, folders):
    """The source file a page's heading names: absolute, or from a folder's name on."""
    if shown.startswith("/"):
        return shown
    for folder in folders:
        folder = folder.rstrip("/")
        name = os.path.basename(folder)
        if shown.startswith(name + "/") and os.path.exists(os.path.join(os.path.dirname(folder), shown)):
            return os.path.join(os.path.dirname(folder), shown)
    raise Failure(f"no source for the page of {shown}")


def word_at(pages, target, line, word):
    """Whether line `line` of page `target` holds `word` (without regard to case)."""
    lines = pages[target].lines
    if not 1 <= line <= len(lines):
        return False
    text = "".join(c for c, _ in lines[line - 1]).lower()
    return word.lower() in text


def check_site(exe, out, folders):
    pages = {}
    for rel in ["index.html", "names.html"] + ["src/" + n for n in sorted(os.listdir(os.path.join(out, "src")))]:
        try:
            pages[rel] = read_page(os.path.join(out, rel))
        except (Failure, UnicodeDecodeError) as e:
            raise Failure(f"{rel}: {e}")
    with open(os.path.join(out, "style.css"), encoding="utf-8") as f:
        rules = readback.parse_css(f.read().split("\nbody {")[0])

    entries = {ident: name.lower() for ident, name, _ in pages["names.html"].dts}
    links = 0
    for rel, page in pages.items():
        for href, text, line in page.links:
            links += 1
            if ":" in href.split("/")[0] or href.startswith("/") or not href:
                raise Failure(f"{rel}: link {href!r} is not relative")
            path, _, fragment = href.partition("#")
            target = posixpath.normpath(posixpath.join(posixpath.dirname(rel), path)) if path else rel
            if target == "style.css":
                continue
            if target not in pages:
                raise Failure(f"{rel}: link {href!r} leads to no page of the site")
            if fragment and fragment not in pages[target].ids:
                raise Failure(f"{rel}: link {href!r} leads to no element {fragment}")
            if line is not None and fragment.startswith("L") and text and not word_at(pages, target, int(fragment[1:]), text):
                raise Failure(f"{rel} line {line}: {text!r} links to {href}, whose line does not hold it")
            if line is not None and fragment.startswith("n-") and text.lower() != entries.get(fragment):
                raise Failure(f"{rel} line {line}: {text!r} links to the A to Z entry {fragment}")
    linked = {posixpath.normpath(h.partition("#")[0]) for h, _, _ in pages["index.html"].links}
    for rel in pages:
        if rel.startswith("src/") and rel not in linked:
            raise Failure(f"{rel} is not linked from the index")

    for ident, name, hrefs in pages["names.html"].dts:
        short = name.split(".")[-1].strip("'\"")
        for href in hrefs:
            path, _, fragment = href.partition("#")
            if not word_at(pages, path, int(fragment[1:]), short):
                raise Failure(f"names.html: {name} links to {href}, whose line does not hold it")

    statuses = set()
    for rel, page in pages.items():
        if not rel.startswith("src/"):
            continue
        source = source_of(page.heading, folders)
        status, codes = readback.render(exe, ["--codes"], source)
        want, stopped = readback.expected(source, codes.decode("ascii"))
        statuses.add(3 if stopped else 0)
        got = [pair for line in page.lines for pair in line]
        if "".join(c for c, _ in got) != "".join(c for c, _ in want):
            raise Failure(f"{rel}: its text differs from {source}")
        for i, ((c, cls), (_, code)) in enumerate(zip(got, want)):
            if rules[cls] != readback.STYLES[code]:
                raise Failure(f"{rel}: character {i} {c!r} of class {cls}, code {code}")
        if page.line_ids != ["L%d" % (n + 1) for n in range(len(page.lines))]:
            raise Failure(f"{rel}: its lines are not L1, L2, ... in order")
    return links, len(pages), statuses


def main():
    if len(sys.argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    exe = sys.argv[1]
    folders = [f for f in sys.argv[2:] if os.path.isdir(f)]
    for f in sys.argv[2:]:
        if f not in folders:
            print(f"site_check: {f} is absent; skipped")
    with tempfile.TemporaryDirectory(prefix="glossel-site-") as tmp:
        made = os.path.join(tmp, "made-up")
        os.mkdir(made)
        for name, data in readback.MADE_UP.items():
            with open(os.path.join(made, name), "wb") as f:
                f.write(data)
        folders.append(made)
        out = os.path.join(tmp, "site")
        import subprocess
        proc = subprocess.run([exe, "--default-styles", "--site", out] + folders, capture_output=True)
        try:
            links, count, statuses = check_site(exe, out, folders)
            want = 3 if 3 in statuses else 0
            if proc.returncode != want:
                raise Failure(f"exit status {proc.returncode}, not {want}: {proc.stderr.decode()}")
        except Failure as e:
            print(f"FAIL: {e}")
            return 1
        print(f"site_check: {count} pages, {links} links, all resolve and read back")
        return 0


if __name__ == "__main__":
    sys.exit(main())
