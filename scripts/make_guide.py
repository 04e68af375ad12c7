"""Writes the author's guide as one self-contained HTML page: the guide's own
Markdown, the action reference and engine rules of the README, and a gallery
of the example pictures (embedded).
  make_guide.py GUIDE.md README.md IMAGES_DIR OUT.html"""
import base64, html, os, re, sys

guide, readme, images, out = sys.argv[1:5]

def section(text, title):
    m = re.search(r"^## " + re.escape(title) + r"\n(.*?)(?=^## |\Z)", text, re.M | re.S)
    return "## " + title + "\n" + m.group(1) if m else ""

def inline(s):
    s = html.escape(s, quote=False)
    s = re.sub(r"!\[([^\]]*)\]\(docs/images/([^)]+)\)", lambda m: img(m.group(2), m.group(1)), s)
    s = re.sub(r"\[([^\]]+)\]\([^)]+\)", r"\1", s)
    s = re.sub(r"`([^`]+)`", r"<code>\1</code>", s)
    s = re.sub(r"\*\*([^*]+)\*\*", r"<b>\1</b>", s)
    return s

def img(name, alt):
    with open(os.path.join(images, name), "rb") as f:
        data = base64.b64encode(f.read()).decode()
    return '<img alt="%s" src="data:image/png;base64,%s">' % (html.escape(alt), data)

def render(md):
    out, para, lines, i = [], [], md.split("\n"), 0
    def flush():
        if para: out.append("<p>" + inline(" ".join(para)) + "</p>")
        para.clear()
    while i < len(lines):
        line = lines[i]
        if line.startswith("```"):
            flush(); j = i + 1
            while j < len(lines) and not lines[j].startswith("```"): j += 1
            out.append("<pre>" + html.escape("\n".join(lines[i + 1:j])) + "</pre>"); i = j + 1; continue
        if m := re.match(r"(#+) (.*)", line):
            flush(); n = len(m.group(1)); out.append("<h%d>%s</h%d>" % (n, inline(m.group(2)), n))
        elif line.startswith("|"):
            flush(); rows = []
            while i < len(lines) and lines[i].startswith("|"):
                cells = [c.strip() for c in re.split(r"(?<!\\)\|", lines[i].strip())[1:-1]]
                if not all(re.fullmatch(r"-+", c) for c in cells): rows.append(cells)
                i += 1
            out.append("<table>" + "".join("<tr>" + "".join("<td>%s</td>" % inline(c.replace("\\|", "|")) for c in r) + "</tr>" for r in rows) + "</table>"); continue
        elif re.match(r"\s*- ", line):
            flush(); items = []
            while i < len(lines) and (re.match(r"\s*- ", lines[i]) or (lines[i].startswith("  ") and items)):
                if re.match(r"\s*- ", lines[i]): items.append(lines[i].split("- ", 1)[1])
                else: items[-1] += " " + lines[i].strip()
                i += 1
            out.append("<ul>" + "".join("<li>%s</li>" % inline(t) for t in items) + "</ul>"); continue
        elif not line.strip(): flush()
        else: para.append(line.strip())
        i += 1
    flush()
    return "\n".join(out)

text = open(readme, encoding="utf-8").read()
md = open(guide, encoding="utf-8").read()
md += "\n" + section(text, "Action reference") + "\n" + section(text, "How the engine draws")
md += "\n## Gallery\n\n" + "\n\n".join("![%s](docs/images/%s)" % (n[:-4], n) for n in sorted(os.listdir(images)) if n.endswith(".png"))
body = render(md)
with open(out, "w", encoding="utf-8") as f:
    f.write('<!DOCTYPE html>\n<html><head><meta charset="utf-8"><title>Vantiro author\'s guide</title>'
            "<style>body{font-family:sans-serif;max-width:60em;margin:auto}table{border-collapse:collapse}"
            "td{border:1px solid #ccc;padding:2px 6px;vertical-align:top}img{max-width:100%}</style></head><body>\n")
    f.write(body + "\n</body></html>\n")
