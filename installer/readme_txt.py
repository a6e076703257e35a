#!/usr/bin/env python3
"""Makes the release archive's README.txt, a plain-text guide that Notepad on
Windows 2000 shows as it is, from README.md, so the two never drift:

- the parts between "<!-- README.txt: leave out ... -->" and
  "<!-- README.txt: take again -->" (building and testing, the source's
  folders) are left out; every other part, new ones included, goes in;
- pictures are dropped, links keep their text (and a web address), emphasis
  and code marks go, headings are underlined, tables become columns;
- lines end with CR LF; the text is Windows-1252, or UTF-8 with a byte-order
  mark when it holds a character Windows-1252 lacks.

    readme_txt.py README.md README.txt
"""
import re
import sys

LEAVE_OUT = re.compile(r"^<!--\s*README\.txt:\s*leave out\b.*-->\s*$")
TAKE_AGAIN = re.compile(r"^<!--\s*README\.txt:\s*take again\s*-->\s*$")
COMMENT = re.compile(r"^<!--.*-->\s*$")
HEADING = re.compile(r"^(#{1,6})\s+(.*?)\s*#*\s*$")
UNDERLINES = {1: "=", 2: "-"}
IMAGE = re.compile(r"!\[[^\]]*\]\([^)]*\)")
LINK = re.compile(r"\[([^\]]+)\]\(([^)\s]+)[^)]*\)")
EMPHASIS = re.compile(r"(?<![\w*])\*(\S(?:[^*]*?\S)?)\*(?![\w*])")


def link_text(match):
    text, target = match.group(1), match.group(2)
    return f"{text} ({target})" if re.match(r"^(https?|ftp|mailto):", target) else text


class Prose:
    """Turns Markdown text lines into plain ones. A code span may go on over a
    line break, so whether a line begins inside one is carried over."""

    def __init__(self):
        self.in_code = False

    def paragraph_ends(self):
        self.in_code = False

    def plain(self, line):
        line = IMAGE.sub("", line)
        line = LINK.sub(link_text, line)
        # What a code span holds is shown as it is; the marks around go.
        pieces = line.split("`")
        for i, piece in enumerate(pieces):
            if (i % 2 == 1) != self.in_code:
                continue
            pieces[i] = EMPHASIS.sub(r"\1", piece.replace("**", ""))
        if len(pieces) % 2 == 0:
            self.in_code = not self.in_code
        return "".join(pieces)


def table(rows):
    cells = [[Prose().plain(c.strip()) for c in row.strip().strip("|").split("|")] for row in rows]
    cells = [row for row in cells if not all(re.fullmatch(r":?-+:?", c) for c in row)]
    widths = [max(len(row[i]) if i < len(row) else 0 for row in cells) for i in range(len(cells[0]))]
    lines = ["  ".join(c.ljust(w) for c, w in zip(row, widths)).rstrip() for row in cells]
    lines.insert(1, "  ".join("-" * w for w in widths))
    return lines


def convert(markdown_lines):
    out = []
    leaving_out = False
    rows = []
    previous_blank = True
    in_code = False
    prose = Prose()
    for number, raw in enumerate(markdown_lines, 1):
        line = raw.rstrip("\n").rstrip()
        if LEAVE_OUT.match(line):
            if leaving_out:
                sys.exit(f"README.md:{number}: leave out twice without take again")
            leaving_out = True
            continue
        if TAKE_AGAIN.match(line):
            if not leaving_out:
                sys.exit(f"README.md:{number}: take again without leave out")
            leaving_out = False
            continue
        if leaving_out or COMMENT.match(line):
            continue
        if line.startswith("|"):
            rows.append(line)
            continue
        if rows:
            out.extend(table(rows))
            rows = []
        in_code = line.startswith("    ") and (previous_blank or in_code)
        previous_blank = not line
        if in_code or not line:
            prose.paragraph_ends()
            out.append(line)
            continue
        heading = HEADING.match(line)
        if heading:
            prose.paragraph_ends()
            title = prose.plain(heading.group(2))
            out.append(title)
            out.append(UNDERLINES.get(len(heading.group(1)), "~") * len(title))
            continue
        text = prose.plain(line)
        if text.strip() or not IMAGE.search(line):
            out.append(text.rstrip())
    if leaving_out:
        sys.exit("README.md: leave out without take again")
    if rows:
        out.extend(table(rows))

    # One blank line between parts, none at the ends.
    lines = []
    for line in out:
        if line or (lines and lines[-1]):
            lines.append(line)
    while lines and not lines[-1]:
        lines.pop()
    return lines


def main():
    source, target = sys.argv[1], sys.argv[2]
    with open(source, encoding="utf-8") as f:
        lines = convert(f.readlines())
    text = "\r\n".join(lines) + "\r\n"
    try:
        data = text.encode("cp1252")
    except UnicodeEncodeError as error:
        print(f"README.txt: {text[error.start]!r} is not in Windows-1252; writing UTF-8 with a byte-order mark",
              file=sys.stderr)
        data = text.encode("utf-8-sig")
    with open(target, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
