#!/usr/bin/env python3
"""Makes the release archive's README.txt, a plain-text guide that Notepad on
Windows 2000 shows as it is, from README.md, so the two never drift:

- the parts between "<!-- README.txt: leave out ... -->" and
  "<!-- README.txt: take again -->" (building and testing, the source's
  folders) are left out; every other part, new ones included, goes in;
- the title names the program's version;
- pictures are dropped, links keep their text (and a web address), emphasis
  and code marks go, also when they span a line break, headings are
  underlined, tables become columns no wider than 100 characters, their
  widest cells wrapped;
- lines end with CR LF; the text is Windows-1252, or UTF-8 with a byte-order
  mark when it holds a character Windows-1252 lacks.

    readme_txt.py README.md README.txt [VERSION]
"""
import re
import sys
import textwrap

LEAVE_OUT = re.compile(r"^<!--\s*README\.txt:\s*leave out\b.*-->\s*$")
TAKE_AGAIN = re.compile(r"^<!--\s*README\.txt:\s*take again\s*-->\s*$")
COMMENT = re.compile(r"^<!--.*-->\s*$")
HEADING = re.compile(r"^(#{1,6})\s+(.*?)\s*#*\s*$")
UNDERLINES = {1: "=", 2: "-"}
IMAGE = re.compile(r"!\[[^\]]*\]\([^)]*\)")
LINK = re.compile(r"\[([^\]]+)\]\(([^)\s]+)[^)]*\)")
WIDTH = 100  # Notepad's window on an 800x600 screen shows about as much
EMPHASIS = re.compile(r"(?<![\w*])\*(\S(?:[^*]*?\S)?)\*(?![\w*])")


def link_text(match):
    text, target = match.group(1), match.group(2)
    return f"{text} ({target})" if re.match(r"^(https?|ftp|mailto):", target) else text


def plain(text):
    """Markdown text, one paragraph or a table's cell, as plain text. Emphasis
    and code spans may go on over a line break."""
    text = IMAGE.sub("", text)
    text = LINK.sub(link_text, text)
    # What a code span holds is shown as it is; the marks around go.
    pieces = text.split("`")
    for i in range(0, len(pieces), 2):
        pieces[i] = EMPHASIS.sub(r"\1", pieces[i].replace("**", ""))
    return "".join(pieces)


def wrapped(cell, width):
    return textwrap.wrap(cell, width, break_long_words=False, break_on_hyphens=False) or [""]


def table(rows):
    """A Markdown table as columns within WIDTH characters: the widest columns
    are wrapped, and when a row takes more than one line, a blank line
    separates the rows."""
    cells = [[plain(c.strip()) for c in row.strip().strip("|").split("|")] for row in rows]
    cells = [row for row in cells if not all(re.fullmatch(r":?-+:?", c) for c in row)]
    columns = len(cells[0])
    cells = [row + [""] * (columns - len(row)) for row in cells]
    widths = [max(len(row[i]) for row in cells) for i in range(columns)]
    gap = 2
    while sum(widths) + gap * (columns - 1) > WIDTH:
        widest = widths.index(max(widths))
        widths[widest] -= 1
    rows_lines = []
    for row in cells:
        parts = [wrapped(cell, width) for cell, width in zip(row, widths)]
        height = max(len(part) for part in parts)
        rows_lines.append([(" " * gap).join((part[i] if i < len(part) else "").ljust(width)
                                            for part, width in zip(parts, widths)).rstrip()
                           for i in range(height)])
    ruler = (" " * gap).join("-" * w for w in widths)
    between = [""] if any(len(row) > 1 for row in rows_lines[1:]) else []
    lines = rows_lines[0] + [ruler]
    for number, row in enumerate(rows_lines[1:]):
        lines += (between if number else []) + row
    return lines


def convert(markdown_lines, version=None):
    out = []
    leaving_out = False
    rows = []
    paragraph = []
    previous_blank = True
    in_code = False
    titled = False

    def end_paragraph():
        if paragraph:
            out.extend(line.rstrip() for line in plain("\n".join(paragraph)).split("\n") if line.strip())
            paragraph.clear()

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
            end_paragraph()
            rows.append(line)
            continue
        if rows:
            out.extend(table(rows))
            rows = []
        in_code = line.startswith("    ") and (previous_blank or in_code)
        previous_blank = not line
        if in_code or not line:
            end_paragraph()
            out.append(line)
            continue
        heading = HEADING.match(line)
        if heading:
            end_paragraph()
            title = plain(heading.group(2))
            if version and not titled:
                title = f"{title} {version}"
            titled = True
            out.append(title)
            out.append(UNDERLINES.get(len(heading.group(1)), "~") * len(title))
            continue
        paragraph.append(line)
    end_paragraph()
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
    version = sys.argv[3] if len(sys.argv) > 3 else None
    with open(source, encoding="utf-8") as f:
        lines = convert(f.readlines(), version)
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
