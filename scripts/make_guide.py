"""Writes the author's guide as self-contained HTML pages, one per Markdown
page of docs/guide/ (in the order of PAGES), with the pictures embedded.
Links between pages become links between the HTML pages; a link to any
other file stops it, since the package would not hold that file.
  make_guide.py VERSION GUIDE_DIR OUT_DIR"""
import base64, html, os, re, sys

# Each page and its name in the bar of links at the top of every page.
NAV = {"index.md": "Start", "first-chart.md": "First chart", "tutorial.md": "Tutorial",
       "reference.md": "Actions", "troubleshooting.md": "Troubleshooting",
       "test-host.md": "Test host", "drawing.md": "Drawing", "chart-files.md": "Chart files"}
PAGES = list(NAV)

version, guide_dir, out_dir = sys.argv[1:4]
found = sorted(n for n in os.listdir(guide_dir) if n.endswith(".md"))
if sorted(PAGES) != found:
    sys.exit("make_guide.py: docs/guide holds %s, PAGES lists %s" % (found, sorted(PAGES)))


def fail(page, what):
    sys.exit("make_guide.py: %s: %s" % (page, what))


def slug(title):
    return re.sub(r"[^a-z0-9]+", "-", re.sub(r"<[^>]+>", "", title).lower()).strip("-")


def image(page, path, alt):
    with open(os.path.normpath(os.path.join(guide_dir, path)), "rb") as f:
        data = base64.b64encode(f.read()).decode()
    return '<img alt="%s" src="data:image/png;base64,%s">' % (html.escape(alt), data)


def link(page, text, target):
    if re.match(r"https?://", target):
        return '<a href="%s">%s</a>' % (target, text)
    name, _, anchor = target.partition("#")
    if name and name not in PAGES:
        fail(page, "links to %s, which is no page of the guide" % target)
    if anchor:
        anchors.append((page, name or page, anchor))
    href = (name[:-3] + ".html" if name else "") + ("#" + anchor if anchor else "")
    return '<a href="%s">%s</a>' % (href, text)


def inline(page, s):
    codes = []

    def keep(m):  # code spans are taken as they are; long field lists break after a |
        code = html.escape(m.group(1).replace("\\|", "|"), quote=False)
        codes.append("<code>%s</code>" % code.replace("|", "|<wbr>"))
        return "\0%d\0" % (len(codes) - 1)

    s = re.sub(r"`([^`]+)`", keep, s)
    s = html.escape(s, quote=False).replace("\\|", "|")
    s = re.sub(r"\\([*_#\[\]])", lambda m: "&#%d;" % ord(m.group(1)), s)  # escaped punctuation
    s = re.sub(r"!\[([^\]]*)\]\(([^)]+)\)", lambda m: image(page, m.group(2), m.group(1)), s)
    s = re.sub(r"\[([^\]]+)\]\(([^)]+)\)", lambda m: link(page, m.group(1), m.group(2)), s)
    s = re.sub(r"\*\*([^*]+)\*\*", r"<b>\1</b>", s)
    s = re.sub(r"(?<![\w*])\*([^*\s][^*]*)\*(?![\w*])", r"<i>\1</i>", s)
    return re.sub(r"\0(\d+)\0", lambda m: codes[int(m.group(1))], s)


def cells(line):
    return [c.strip() for c in re.split(r"(?<!\\)\|", line.strip())[1:-1]]


def render(page, md):
    out, para, lines, i = [], [], md.split("\n"), 0

    def flush():
        if para:
            out.append("<p>" + inline(page, " ".join(para)) + "</p>")
        para.clear()

    while i < len(lines):
        line = lines[i]
        if line.startswith("```"):
            flush()
            j = i + 1
            while j < len(lines) and not lines[j].startswith("```"):
                j += 1
            out.append("<pre>" + html.escape("\n".join(lines[i + 1:j]), quote=False) + "</pre>")
            i = j + 1
            continue
        if m := re.match(r"(#+) (.*)", line):
            flush()
            n, title = len(m.group(1)), inline(page, m.group(2))
            out.append('<h%d id="%s">%s</h%d>' % (n, slug(title), title, n))
        elif line.startswith("|"):
            flush()
            rows = []
            while i < len(lines) and lines[i].startswith("|"):
                if not all(re.fullmatch(r":?-+:?", c) for c in cells(lines[i])):
                    rows.append(cells(lines[i]))
                i += 1
            if len({len(r) for r in rows}) != 1:
                fail(page, "a table whose rows have different numbers of cells (an unescaped |?): "
                     + " / ".join("|".join(r) for r in rows if len(r) != len(rows[0]))[:200])
            head = "".join("<th>%s</th>" % inline(page, c) for c in rows[0])
            body = "".join("<tr>" + "".join("<td>%s</td>" % inline(page, c) for c in r) + "</tr>"
                           for r in rows[1:])
            out.append("<table><tr>%s</tr>%s</table>" % (head, body))
            continue
        elif m := re.match(r"\s*(- |\d+\. )", line):
            flush()
            tag = "ul" if m.group(1) == "- " else "ol"
            items = []
            while i < len(lines) and (re.match(r"\s*(- |\d+\. )", lines[i])
                                      or (lines[i].startswith("  ") and items)):
                if item := re.match(r"\s*(?:- |\d+\. )(.*)", lines[i]):
                    items.append(item.group(1))
                else:
                    items[-1] += " " + lines[i].strip()
                i += 1
            out.append("<%s>%s</%s>" % (tag, "".join("<li>%s</li>" % inline(page, t) for t in items), tag))
            continue
        elif not line.strip():
            flush()
        else:
            para.append(line.strip())
        i += 1
    flush()
    return "\n".join(out)


STYLE = ("body{font-family:sans-serif;max-width:62em;margin:auto;padding:0 1em;line-height:1.4}"
         "nav{border-bottom:1px solid #ccc;padding:.5em 0}nav a{margin-right:1em}"
         "table{border-collapse:collapse;margin:.5em 0}th{background:#f0f0f0;text-align:left}"
         "td,th{border:1px solid #ccc;padding:2px 6px;vertical-align:top}"
         "code{background:#f4f4f4}"
         "pre{background:#f4f4f4;padding:.5em;white-space:pre-wrap;overflow-wrap:anywhere}"
         "img{max-width:100%}")

pages, anchors = {}, []  # anchors: (page, linked page, anchor) of every link
for page in PAGES:
    with open(os.path.join(guide_dir, page), encoding="utf-8") as f:
        md = f.read()
    title = re.match(r"# (.*)", md).group(1)
    pages[page] = (title, render(page, md))

for page, target, anchor in anchors:
    if 'id="%s"' % anchor not in pages[target][1]:
        fail(page, "links to %s#%s, a heading that page does not have" % (target, anchor))

os.makedirs(out_dir, exist_ok=True)
for page, (title, body) in pages.items():
    nav = "".join('<a href="%s">%s</a>' % (p[:-3] + ".html", NAV[p]) for p in PAGES)
    with open(os.path.join(out_dir, page[:-3] + ".html"), "w", encoding="utf-8") as f:
        f.write('<!DOCTYPE html>\n<html><head><meta charset="utf-8"><title>%s: Vantiro %s</title>'
                "<style>%s</style></head><body>\n<nav>%s</nav>\n%s\n</body></html>\n"
                % (html.escape(title), version, STYLE, nav, body))
