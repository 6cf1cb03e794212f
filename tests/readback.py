#!/usr/bin/env python3
"""Reads back what glossel-render writes in HTML and for terminals, for every corpus
file, every example and a few made-up files of awkward bytes, and compares it with the
source and with its style codes:

  - the text of the page's <pre>, read with Python's HTML parser, and the text of the
    terminal output without its SGR sequences, equal the source as the viewer decodes
    it (UTF-8 when valid and not plain ASCII, else Windows-1252), with control
    characters shown as their stand-ins, bidirectional controls as their marks and the
    byte-order mark left out;
  - the colour, weight and slant of every character (from the page's own style sheet,
    or from the SGR sequences) equal those of its style code from --format codes.

Everything here is worked out from the formats' descriptions, independently of the
program's code. usage: readback.py GLOSSEL_RENDER CORPUS_DIR EXAMPLES_DIR
"""
import html.parser
import os
import re
import subprocess
import sys
import tempfile

MAX_LINE = 1020

# The built-in styles by code: colour (r, g, b), bold, italic.
STYLES = [
    ((0, 0, 160), False, False), ((128, 128, 128), False, False), ((128, 0, 128), False, True),
    ((0, 0, 0), True, False), ((192, 0, 0), False, False), ((160, 0, 0), False, False),
    ((0, 0, 128), False, False), ((0, 128, 0), False, False), ((160, 160, 0), False, True),
    ((192, 0, 0), False, False), ((0, 0, 160), True, False), ((0, 128, 0), True, False),
]
CLASSES = ["foreground", "quoted-text", "comment", "directive", "property", "function", "code",
           "code-alpha", "assembly", "escape-character", "number", "code-number"]

CP1252_HIGH = [0x20AC, 0x81, 0x201A, 0x192, 0x201E, 0x2026, 0x2020, 0x2021, 0x2C6, 0x2030, 0x160,
               0x2039, 0x152, 0x8D, 0x17D, 0x8F, 0x90, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
               0x2013, 0x2014, 0x2DC, 0x2122, 0x161, 0x203A, 0x153, 0x9D, 0x17E, 0x178]


class Failure(Exception):
    pass


def text_mode(data):
    """The text as the viewer loads it: up to a NUL or Ctrl-Z, CR LF as LF."""
    for stop in (b"\0", b"\x1a"):
        at = data.find(stop)
        if at >= 0:
            data = data[:at]
    return data.replace(b"\r\n", b"\n")


def shown_lines(text):
    """The lines a render shows, each with its line feed; and whether it stopped early."""
    lines = text.split(b"\n")
    if lines and lines[-1] == b"":
        lines.pop()
    shown = []
    for line in lines:
        if len(line) >= MAX_LINE:
            return shown, True
        shown.append(line + b"\n")
    return shown, False


# The bidirectional controls, each shown as its name between U+2039 and U+203A.
BIDI_NAMES = {0x061C: "ALM", 0x200E: "LRM", 0x200F: "RLM", 0x202A: "LRE", 0x202B: "RLE", 0x202C: "PDF",
              0x202D: "LRO", 0x202E: "RLO", 0x2066: "LRI", 0x2067: "RLI", 0x2068: "FSI", 0x2069: "PDI"}


def stand_in(c):
    """The characters written for code point c, or None when it is left out."""
    if c in BIDI_NAMES:
        return "\u2039" + BIDI_NAMES[c] + "\u203a"
    if c in (9, 10):
        return chr(c)
    if c < 0x20:
        return chr(0x2400 + c)
    if c == 0x7F:
        return "\u2421"
    if 0x80 <= c <= 0x9F:
        return "\ufffd"
    if c == 0xFEFF:
        return None
    if 0xFDD0 <= c <= 0xFDEF or (c & 0xFFFE) == 0xFFFE:
        return "\ufffd"
    return chr(c)


def decode(lines):
    """The characters shown, each with the index of its first byte in the line it is in."""
    data = b"".join(lines)
    try:
        data.decode("utf-8")
        utf8 = any(b >= 0x80 for b in data)
    except UnicodeDecodeError:
        utf8 = False
    result = []  # per line: list of (char or None, first byte index)
    for line in lines:
        chars = []
        if utf8:
            i = 0
            for ch in line.decode("utf-8"):
                chars.append((stand_in(ord(ch)), i))
                i += len(ch.encode("utf-8"))
        else:
            for i, b in enumerate(line):
                c = CP1252_HIGH[b - 0x80] if 0x80 <= b <= 0x9F else b
                chars.append((stand_in(c), i))
        result.append(chars)
    return result


def expected(path, codes_out):
    """The shown characters and their codes, one (char, code) per character kept."""
    data = text_mode(open(path, "rb").read())
    lines, stopped = shown_lines(data)
    code_lines = codes_out.splitlines()
    if len(code_lines) != len(lines):
        raise Failure(f"{len(code_lines)} lines of codes for {len(lines)} lines")
    out = []
    for line, chars, codes in zip(lines, decode(lines), code_lines):
        digits = codes.split(" ")[0]
        if len(digits) != len(line):
            raise Failure(f"{len(digits)} codes for a line of {len(line)} bytes")
        for ch, first in chars:
            for c in ch or "":
                out.append((c, int(digits[first], 16)))
    return out, stopped


def render(exe, args, path):
    proc = subprocess.run([exe, "--default-styles"] + args + [path], capture_output=True)
    return proc.returncode, proc.stdout


class PageReader(html.parser.HTMLParser):
    """Collects the page's style sheet and the characters of its <pre> with their class."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.stack = []
        self.in_pre = False
        self.in_style = False
        self.style = ""
        self.chars = []  # (char, class)
        self.pre_started = False
        self.doctype = False
        self.pres = 0

    def handle_decl(self, decl):
        self.doctype = decl.lower() == "doctype html"

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag == "pre":
            if attrs.get("class") != "glossel":
                raise Failure("a <pre> without the class glossel")
            self.in_pre = True
            self.pre_started = True
            self.pres += 1
        elif tag == "span":
            if not self.in_pre:
                raise Failure("a <span> outside the <pre>")
            self.stack.append(attrs.get("class"))
        elif tag == "style":
            self.in_style = True
        elif self.in_pre:
            raise Failure(f"<{tag}> inside the <pre>")

    def handle_endtag(self, tag):
        if tag == "span":
            if not self.stack:
                raise Failure("</span> without <span>")
            self.stack.pop()
        elif tag == "pre":
            self.in_pre = False
        elif tag == "style":
            self.in_style = False

    def handle_data(self, data):
        if self.in_style:
            self.style += data
        elif self.in_pre:
            if self.pre_started:
                # The HTML parsing rules drop one line feed right after <pre>.
                self.pre_started = False
                if data.startswith("\n"):
                    data = data[1:]
            cls = self.stack[-1] if self.stack else "foreground"
            self.chars.extend((c, cls) for c in data)


def parse_css(css):
    """Class name -> (colour, bold, italic), from the page's own rules."""
    rules = {}
    for selectors, body in re.findall(r"([^{}]+)\{([^}]*)\}", css):
        props = dict((k.strip(), v.strip()) for k, v in
                     (p.split(":", 1) for p in body.split(";") if ":" in p))
        if "color" not in props:
            continue
        m = re.fullmatch(r"#([0-9a-f]{2})([0-9a-f]{2})([0-9a-f]{2})", props["color"])
        attrs = (tuple(int(x, 16) for x in m.groups()), props["font-weight"] == "bold",
                 props["font-style"] == "italic")
        for sel in selectors.split(","):
            sel = sel.strip()
            name = sel.split(".")[-1] if " " in sel else "foreground"
            rules[name] = attrs
    return rules


def check_html(exe, path, want):
    status, out = render(exe, ["-f", "html"], path)
    page = out.decode("utf-8")  # strict: a page is UTF-8
    reader = PageReader()
    reader.feed(page)
    reader.close()
    if not reader.doctype or reader.pres != 1 or reader.stack:
        raise Failure("the page is not one whole HTML5 document with one <pre>")
    rules = parse_css(reader.style)
    got_text = "".join(c for c, _ in reader.chars)
    want_text = "".join(c for c, _ in want)
    if got_text != want_text:
        at = next((i for i, (a, b) in enumerate(zip(got_text, want_text)) if a != b),
                  min(len(got_text), len(want_text)))
        raise Failure(f"html text differs at {at}: {got_text[at:at + 20]!r} != {want_text[at:at + 20]!r}")
    for i, ((c, cls), (_, code)) in enumerate(zip(reader.chars, want)):
        if rules[cls] != STYLES[code]:
            raise Failure(f"html character {i} {c!r}: class {cls} is {rules[cls]}, code {code} wants {STYLES[code]}")
    return status


XTERM = [None] * 16
LEVELS = [0, 95, 135, 175, 215, 255]
for n in range(16, 232):
    k = n - 16
    XTERM.append((LEVELS[k // 36], LEVELS[(k // 6) % 6], LEVELS[k % 6]))
for n in range(232, 256):
    XTERM.append((8 + 10 * (n - 232),) * 3)


NEAREST = {}


def nearest(colour):
    if colour not in NEAREST:
        NEAREST[colour] = min(range(16, 256),
                              key=lambda n: (sum((a - b) ** 2 for a, b in zip(XTERM[n], colour)), n))
    return NEAREST[colour]


SGR = re.compile(r"\x1b\[([0-9;]*)m")


def check_ansi(exe, path, want, palette):
    args = ["-f", "ansi"] + (["--ansi-colours", "256"] if palette else [])
    status, out = render(exe, args, path)
    text = out.decode("utf-8")
    bad = [c for c in SGR.sub("", text) if (ord(c) < 0x20 and c not in "\t\n") or 0x7F <= ord(c) <= 0x9F]
    if bad:
        raise Failure(f"ansi output holds control characters {bad[:5]!r}")
    state = (None, False, False)
    chars = []  # (char, attributes)
    pos = 0
    for m in list(SGR.finditer(text)) + [None]:
        end = m.start() if m else len(text)
        for c in text[pos:end]:
            if c == "\n":
                if state != (None, False, False):
                    raise Failure("a line ends without its reset")
            chars.append((c, state))
        if not m:
            break
        pos = m.end()
        params = [int(p) for p in m.group(1).split(";")] if m.group(1) else [0]
        colour, bold, italic = state
        i = 0
        while i < len(params):
            p = params[i]
            if p == 0:
                colour, bold, italic = None, False, False
            elif p == 1:
                bold = True
            elif p == 3:
                italic = True
            elif p == 38 and params[i + 1] == 2:
                colour = tuple(params[i + 2:i + 5])
                i += 4
            elif p == 38 and params[i + 1] == 5:
                colour = ("xterm", params[i + 2])
                i += 2
            else:
                raise Failure(f"unexpected SGR parameter {p}")
            i += 1
        state = (colour, bold, italic)
    got_text = "".join(c for c, _ in chars)
    want_text = "".join(c for c, _ in want)
    if got_text != want_text:
        raise Failure("ansi text differs from the source")
    for i, ((c, (colour, bold, italic)), (_, code)) in enumerate(zip(chars, want)):
        if c == "\n":
            continue  # a line feed ends its line plain
        style = STYLES[code]
        want_colour = ("xterm", nearest(style[0])) if palette else style[0]
        if (colour, bold, italic) != (want_colour, style[1], style[2]):
            raise Failure(f"ansi character {i} {c!r}: {(colour, bold, italic)} for code {code}")
    return status


# Files of awkward bytes: encodings, controls, a byte-order mark, long lines.
MADE_UP = {
    "utf8-bom.inf": b"\xef\xbb\xbf! caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x92\xa1\r\nObject lamp \"l\xc3\xa4mp\";\n",
    "latin1.inf": b"! caf\xe9 \x80\x81\x9d\nObject lamp \"l\xe4mp\" with name 'x';\n",
    "controls.inf": b"! \x1b[2J\x07 back\rover\x08\x7f\n[ Main; print \"\x1b]0;t\x07\"; ];\n\x0c\x0b\n",
    "c1-in-utf8.inf": b"! \xc2\x9b31m \xc2\x85 \xef\xbf\xbe \xc3\xa9\n",
    "long-line.inf": b"x;\n\xc3\xa9\n" + b"a" * 1020 + b"\n\xe9\n",
    "no-final-lf.inf": b"[ Main;\n  @add x 1 -> y; ]",
    "html-specials.inf": b"Constant X \"<b>&amp;</b>\"; ! a < b && c > d\n",
    "empty-first-line.inf": b"\n\n  x;\n",
    "bidi-controls.inf": ("Constant S \"user\u202e rewop \u202c done\";\n"
                          "[ Main; if (x == 1) { ! \u202e } \u2066 if (x == 0) \u2069 \u2066 ! admin only\n"
                          "  print \"\u061c\u200e\u200f\u202a\u202b\u202d\u2067\u2068\"; ];\n").encode(),
}


def main():
    if len(sys.argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    exe, corpus, examples = sys.argv[1:]
    files = []
    for root in (corpus, examples):
        if not os.path.isdir(root):
            print(f"readback: {root} is absent; its files are skipped")
            continue
        for dirpath, _, names in os.walk(root):
            files += [os.path.join(dirpath, n) for n in sorted(names) if n.endswith((".inf", ".h"))]
    with tempfile.TemporaryDirectory(prefix="glossel-readback-") as tmp:
        for name, data in MADE_UP.items():
            path = os.path.join(tmp, name)
            with open(path, "wb") as f:
                f.write(data)
            files.append(path)
        failed = 0
        for path in files:
            try:
                status, codes = render(exe, ["--codes"], path)
                want, stopped = expected(path, codes.decode("ascii"))
                statuses = {status, check_html(exe, path, want), check_ansi(exe, path, want, False),
                            check_ansi(exe, path, want, True)}
                if statuses != {3 if stopped else 0}:
                    raise Failure(f"exit statuses {statuses}, long line: {stopped}")
            except (Failure, UnicodeDecodeError, KeyError) as e:
                failed += 1
                print(f"FAIL {path}: {e}")
        print(f"{len(files) - failed} passed, {failed} failed")
        return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
