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
    to the name's entry in the A to Z, or (a definition's own name) to its list of
    uses; an entry's links lead to lines that hold its name, and to its list of uses,
    which counts as many uses as it marks;
  - every list of uses (refs/) links its definition's line and every use's line, each
    of which holds the name;
  - the search index (search-index.js) lists the A to Z's definitions, in its order,
    with the same names, kinds and links; pages load no script but the site's own.

usage: site_check.py GLOSSEL_RENDER FOLDER...  (missing folders are skipped)
"""
import html.parser
import json
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
        self.dts = []         # (id, name, [(href, class)])
        self.scripts = []     # the src of every <script>
        self.sections = []    # lists of uses: {id, name, definition, uses, marks, count}
        self.in_h2 = self.in_count = self.in_li = self.in_dd = self.in_kind = False
        self.kinds = []       # the kind of every <dd> of the A to Z

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if "id" in attrs:
            if attrs["id"] in self.ids:
                raise Failure(f"id {attrs['id']} twice")
            self.ids.add(attrs["id"])
        for key in ("src", "srcset", "action", "data", "poster"):
            if key in attrs and not (tag == "script" and key == "src"):
                raise Failure(f"<{tag} {key}=...>: pages take nothing from elsewhere")
        if tag == "script":
            self.scripts.append(attrs.get("src", ""))
            self.links.append((attrs.get("src", ""), "", None))
        elif tag == "section":
            self.sections.append({"id": attrs.get("id"), "name": "", "definition": None, "uses": [], "marks": 0,
                                  "count": ""})
        elif tag == "h2":
            self.in_h2 = True
        elif tag == "li":
            self.in_li = True
        elif tag == "mark" and self.sections:
            self.sections[-1]["marks"] += 1
        elif tag == "span" and attrs.get("class") == "count":
            self.in_count = True
        elif tag == "dd":
            self.in_dd = True
            self.kinds.append("")
        elif tag == "span" and attrs.get("class") == "k" and self.in_dd:
            self.in_kind = True
        if tag == "a" and self.sections and not self.in_pre:
            if self.in_h2 and self.sections[-1]["definition"] is None:
                self.sections[-1]["definition"] = attrs.get("href", "")
            elif self.in_li:
                self.sections[-1]["uses"].append(attrs.get("href", ""))
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
                self.dts[-1][2].append((attrs.get("href", ""), attrs.get("class")))
        if self.in_pre and tag == "span":
            cls = attrs.get("class")
            if cls in ("l", "l skipped"):
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
        if tag == "h2":
            self.in_h2 = False
        elif tag == "li":
            self.in_li = False
        elif tag == "span" and self.in_count:
            self.in_count = False
        elif tag == "span" and self.in_kind:
            self.in_kind = False
        elif tag == "dd":
            self.in_dd = False
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
        if self.sections and self.in_h2 and self.link and not self.sections[-1]["name"]:
            self.sections[-1]["name"] = data
        if self.sections and self.in_count:
            self.sections[-1]["count"] += data
        if self.in_kind:
            self.kinds[-1] += data
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
        classes = [cls for tag, cls in self.stack if tag == "span" and cls not in ("l", "l skipped")]
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
    page = pages[target]
    if not hasattr(page, "texts"):
        page.texts = ["".join(c for c, _ in chars).lower() for chars in page.lines]
    if not 1 <= line <= len(page.texts):
        return False
    return word.lower() in page.texts[line - 1]


def check_site(exe, out, folders):
    pages = {}
    rels = ["index.html", "names.html"] + ["src/" + n for n in sorted(os.listdir(os.path.join(out, "src")))]
    rels += ["refs/" + n for n in sorted(os.listdir(os.path.join(out, "refs")))]
    for rel in rels:
        try:
            pages[rel] = read_page(os.path.join(out, rel))
        except (Failure, UnicodeDecodeError) as e:
            raise Failure(f"{rel}: {e}")
    with open(os.path.join(out, "style.css"), encoding="utf-8") as f:
        rules = readback.parse_css(f.read().split("\nbody {")[0])

    entries = {ident: name.lower() for ident, name, _ in pages["names.html"].dts}
    lists = {rel: {section["id"]: section for section in page.sections}
             for rel, page in pages.items() if rel.startswith("refs/")}
    links = 0
    for rel, page in pages.items():
        for href, text, line in page.links:
            links += 1
            if ":" in href.split("/")[0] or href.startswith("/") or not href:
                raise Failure(f"{rel}: link {href!r} is not relative")
            path, _, fragment = href.partition("#")
            target = posixpath.normpath(posixpath.join(posixpath.dirname(rel), path)) if path else rel
            if target in ("style.css", "search.js"):
                if not os.path.isfile(os.path.join(out, target)):
                    raise Failure(f"{rel}: {href} is not there")
                continue
            if target not in pages:
                raise Failure(f"{rel}: link {href!r} leads to no page of the site")
            if fragment and fragment not in pages[target].ids:
                raise Failure(f"{rel}: link {href!r} leads to no element {fragment}")
            if line is not None and fragment.startswith("L") and text and not word_at(pages, target, int(fragment[1:]), text):
                raise Failure(f"{rel} line {line}: {text!r} links to {href}, whose line does not hold it")
            # An action's name (-> Take, ##Take, <Take>) leads to the routine that carries it out.
            if line is not None and target == "names.html" and entries.get(fragment) not in (text.lower(), text.lower() + "sub"):
                raise Failure(f"{rel} line {line}: {text!r} links to the A to Z entry {fragment}")
            if line is not None and target.startswith("refs/") and text.lower() != lists[target][fragment]["name"].lower():
                raise Failure(f"{rel} line {line}: {text!r} links to the list of uses {href}")
    linked = {posixpath.normpath(h.partition("#")[0]) for h, _, _ in pages["index.html"].links}
    for rel in pages:
        if rel.startswith("src/") and rel not in linked:
            raise Failure(f"{rel} is not linked from the index")

    # The A to Z: each definition's line holds its name; its list of uses is that
    # definition's and marks as many uses as the entry counts.
    listed = []
    for ident, name, hrefs in pages["names.html"].dts:
        short = name.split(".")[-1].strip("'\"")
        definition = None
        for href, cls in hrefs:
            path, _, fragment = href.partition("#")
            if cls != "u":
                definition = href
                listed.append((name.lower(), href))
                if not word_at(pages, path, int(fragment[1:]), short):
                    raise Failure(f"names.html: {name} links to {href}, whose line does not hold it")
                continue
            section = lists.get(path, {}).get(fragment)
            if section is None or section["definition"] != "../" + definition:
                raise Failure(f"names.html: the uses of {name} at {definition} link to {href}, another list")
            count = 0 if section["count"] == "no uses" else int(section["count"].split()[0])
            if count <= 5000 and section["marks"] != count:
                raise Failure(f"{href}: {section['count']}, but {section['marks']} marked")

    # Every list of uses: its definition's line and its uses' lines hold its name.
    uses = 0
    for rel, sections in lists.items():
        for ident, section in sections.items():
            short = section["name"].split(".")[-1].strip("'\"")
            for href in [section["definition"]] + section["uses"]:
                uses += 1
                path, _, fragment = href.partition("#")
                target = posixpath.normpath(posixpath.join(posixpath.dirname(rel), path))
                # A routine XSub is used by its action's name X as well.
                action = short[:-3] if short.lower().endswith("sub") and len(short) > 3 else short
                if not word_at(pages, target, int(fragment[1:]), action):
                    raise Failure(f"{rel}#{ident}: {href} leads to a line that does not hold {short}")

    # The search index against the A to Z.
    with open(os.path.join(out, "search-index.js"), encoding="utf-8") as f:
        text = f.read()
    if not text.startswith("glosselNames(") or not text.rstrip().endswith(");"):
        raise Failure("search-index.js is not one call of glosselNames")
    index = json.loads(text[len("glosselNames("):text.rstrip().rindex(")")])
    found = [(row[0].lower(), "src/%s#L%d" % (index["files"][row[2]][1], row[3]), index["kinds"][row[1]])
             for row in index["names"]]
    listed = [(name, href, kind) for (name, href), kind in zip(listed, pages["names.html"].kinds)]
    if found != listed:
        diff = next(i for i, (a, b) in enumerate(zip(found + [None], listed + [None])) if a != b)
        raise Failure(f"search-index.js differs from the A to Z at definition {diff}: "
                      f"{found[diff:diff + 1]} against {listed[diff:diff + 1]}")
    for rel, page in pages.items():
        if page.scripts != [("../" if "/" in rel else "") + "search.js"]:
            raise Failure(f"{rel}: its scripts are {page.scripts}, not the site's search")

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
    return links, uses, len(pages), statuses


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
            links, uses, count, statuses = check_site(exe, out, folders)
            want = 3 if 3 in statuses else 0
            if proc.returncode != want:
                raise Failure(f"exit status {proc.returncode}, not {want}: {proc.stderr.decode()}")
        except Failure as e:
            print(f"FAIL: {e}")
            return 1
        print(f"site_check: {count} pages, {links} links, {uses} links of lists of uses, all resolve and read back")
        return 0


if __name__ == "__main__":
    sys.exit(main())
