"""Checks a Windows package (dist/vantiro-<version>-win32.zip) as an author
receives it: exactly the listed files, SHA256SUMS right, and every program
stripped, without a link time stamp, with its version resource and with
imports from Windows system DLLs only; the guide's pages name no file the
package does not hold. Prints each program's size and imports.
The version is the project's (CMakeLists.txt).
  check_package.py ZIP
  check_package.py --programs     the CMake target and file of each program,
                                  one a line (scripts/package.sh builds these)"""
import hashlib, html, os, posixpath, re, struct, sys, zipfile

# The programs of the package, one a line: file, CMake target, the
# FileDescription of its version resource, and the package's own DLLs it
# may import.
PROGRAMS = {
    "chart.dll": ("chart", "Vantiro business charts plug-in", {"rmchart.dll"}),
    "rmchart.dll": ("rmchart", "Vantiro chart engine", set()),
    "vantiro-host.exe": ("vantiro-host", "Vantiro test host", set()),
    "vantiro-designer.exe": ("vantiro-designer", "Vantiro chart designer", set()),
}
# The other files; examples/ holds the Windows examples (*.vsc), never the
# native-only or recording ones, and guide/ the guide's pages.
DOCUMENTS = {"LICENSE", "CHANGELOG.md", "SHA256SUMS", "guide/index.html"}
# DLLs that every Windows (Vista and later) has.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comdlg32.dll", "comctl32.dll",
               "shlwapi.dll", "shell32.dll", "ole32.dll", "msvcrt.dll", "gdiplus.dll",
               "ws2_32.dll"}
# Names of the source tree that mean nothing to an author holding the zip.
SOURCE_PATHS = re.compile(r"\b(?:docs|engine|plugin|testhost|scripts|tests|build|cmake|fuzz|bench)/[\w./-]*"
                          r"|\b(?!CHANGELOG\.md)[\w-]+\.md\b|\bREADME\b")

if sys.argv[1:] == ["--programs"]:
    for name, (target, _, _) in PROGRAMS.items():
        print(target, name)
    sys.exit(0)

zip_path = sys.argv[1]
root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
with open(os.path.join(root, "CMakeLists.txt")) as f:
    version = re.search(r"^project\(Vantiro VERSION ([0-9.]+)", f.read(), re.M).group(1)
top = "vantiro-%s-win32/" % version
problems = []


class Pe:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE file")
        (self.machine, sections, self.timestamp, self.symbols_at, self.symbols,
         optional_size) = struct.unpack_from("<HHIIIH", data, pe + 4)
        optional = pe + 24
        if struct.unpack_from("<H", data, optional)[0] != 0x10B:
            raise ValueError("not a 32-bit PE file")
        count = struct.unpack_from("<I", data, optional + 92)[0]
        self.dirs = [struct.unpack_from("<II", data, optional + 96 + 8 * i) for i in range(count)]
        self.sections = []
        for i in range(sections):
            at = optional + optional_size + 40 * i
            name = data[at:at + 8].rstrip(b"\0").decode("latin-1")
            vsize, rva, raw_size, raw_at = struct.unpack_from("<IIII", data, at + 8)
            self.sections.append((name, rva, max(vsize, raw_size), raw_at))

    def at(self, rva):
        for _, start, size, raw_at in self.sections:
            if start <= rva < start + size:
                return raw_at + rva - start
        raise ValueError("address %#x outside every section" % rva)

    def cstr(self, rva):
        at = self.at(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("latin-1")

    def imports(self):
        """{dll: [function names]} from the import directory."""
        result, rva = {}, self.dirs[1][0]
        while rva:
            lookup, _, _, name, thunks = struct.unpack_from("<5I", self.data, self.at(rva))
            if name == 0:
                break
            names, entry = [], lookup or thunks
            while (thunk := struct.unpack_from("<I", self.data, self.at(entry))[0]):
                names.append("#%d" % (thunk & 0xFFFF) if thunk & 0x80000000 else self.cstr(thunk + 2))
                entry += 4
            result[self.cstr(name)] = names
            rva += 20
        return result

    def version_resource(self):
        """The bytes of the first RT_VERSION resource, or None."""
        base = self.dirs[2][0]
        if not base:
            return None

        def entries(offset):
            at = self.at(base + offset)
            named, ids = struct.unpack_from("<HH", self.data, at + 12)
            return [struct.unpack_from("<II", self.data, at + 16 + 8 * i) for i in range(named + ids)]

        def first_leaf(offset):
            while offset & 0x80000000:
                offset = entries(offset & 0x7FFFFFFF)[0][1]
            rva, size = struct.unpack_from("<II", self.data, self.at(base + offset))
            return self.data[self.at(rva):self.at(rva) + size]

        for ident, offset in entries(0):
            if ident == 16:
                return first_leaf(offset)
        return None


def version_block(data, at=0):
    """One VS_VERSIONINFO-style block: (key, value bytes, is_text, children)."""
    length, value_length, is_text = struct.unpack_from("<HHH", data, at)
    end = at + length
    key_end = at + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[at + 6:key_end].decode("utf-16-le")
    value_at = (key_end + 2 + 3) & ~3
    value_size = value_length * 2 if is_text else value_length
    value = data[value_at:value_at + value_size]
    children, child = [], (value_at + value_size + 3) & ~3
    while child < end:
        children.append(version_block(data, child))
        child = (child + struct.unpack_from("<H", data, child)[0] + 3) & ~3
    return key, value, is_text, children


def version_strings(resource):
    """(FileVersion, ProductVersion) of the fixed part, and the strings of
    every StringFileInfo table."""
    key, fixed, _, children = version_block(resource)
    if key != "VS_VERSION_INFO" or struct.unpack_from("<I", fixed)[0] != 0xFEEF04BD:
        raise ValueError("not a version resource")
    ms, ls, pms, pls = struct.unpack_from("<4I", fixed, 8)
    dotted = lambda hi, lo: "%d.%d.%d.%d" % (hi >> 16, hi & 0xFFFF, lo >> 16, lo & 0xFFFF)
    strings = {}
    for name, _, _, tables in children:
        if name == "StringFileInfo":
            for _, _, _, values in tables:
                for k, v, _, _ in values:
                    strings[k] = v.decode("utf-16-le").rstrip("\0")
    return dotted(ms, ls), dotted(pms, pls), strings


def check_program(name, data):
    pe = Pe(data)
    fail = lambda what: problems.append("%s: %s" % (name, what))
    if pe.machine != 0x14C:
        fail("not a 32-bit x86 program (machine %#x)" % pe.machine)
    if pe.timestamp:
        fail("link time stamp %#x (builds would differ)" % pe.timestamp)
    if pe.symbols_at or pe.symbols:
        fail("%d COFF symbols: not stripped" % pe.symbols)
    debug = [s[0] for s in pe.sections if s[0].startswith((".debug", ".zdebug", "/"))]
    if debug:
        fail("debug sections " + ", ".join(debug))
    if len(pe.dirs) > 6 and pe.dirs[6][1]:
        fail("a debug directory")

    resource = pe.version_resource()
    if resource is None:
        fail("no version resource")
    else:
        fixed_file, fixed_product, strings = version_strings(resource)
        wanted = {"FileVersion": version, "ProductVersion": version, "ProductName": "Vantiro",
                  "FileDescription": PROGRAMS[name][1], "OriginalFilename": name}
        for key, value in wanted.items():
            if strings.get(key) != value:
                fail("%s is %r, not %r" % (key, strings.get(key), value))
        for key in ("CompanyName", "LegalCopyright"):
            if not strings.get(key):
                fail(key + " is missing")
        for what, value in (("file", fixed_file), ("product", fixed_product)):
            if value != version + ".0":
                fail("fixed %s version %s, not %s.0" % (what, value, version))

    imports = pe.imports()
    allowed = SYSTEM_DLLS | PROGRAMS[name][2]
    others = sorted(d for d in imports if d.lower() not in allowed)
    if others:
        fail("imports from DLLs that are not Windows system DLLs: " + ", ".join(others))
    print("%s: %d bytes, imports %s" % (name, len(data), "; ".join(
        "%s (%d)" % (d, len(f)) for d, f in sorted(imports.items(), key=lambda i: i[0].lower()))))


def check_guide(files):
    """Every link of a guide page leads to a page or file of the package, and
    no page names a file of the source tree."""
    pages = sorted(n for n in files if n.startswith("guide/"))
    for page in pages:
        if not page.endswith(".html"):
            problems.append("guide/ holds " + page)
            continue
        text = files[page].decode("utf-8")
        for target in re.findall(r'href="([^"#]*)[^"]*"', text):
            if target and not re.match(r"https?://", target) and \
                    posixpath.normpath(posixpath.join("guide", target)) not in files:
                problems.append("%s links to %s, which the package does not hold" % (page, target))
        visible = html.unescape(re.sub(r"<[^>]+>|data:[^\"]+", " ", text))
        for name in sorted(set(m.group(0) for m in SOURCE_PATHS.finditer(visible))):
            problems.append("%s names %s, which the package does not hold" % (page, name))


with zipfile.ZipFile(zip_path) as package:
    names = [n for n in package.namelist() if not n.endswith("/")]
    files = {n[len(top):]: package.read(n) for n in names if n.startswith(top)}
    if len(files) != len(names):
        problems.append("files outside %s: %s" % (top, [n for n in names if not n.startswith(top)]))
    examples = {n for n in files if n.startswith("examples/")}
    for n in sorted(examples):
        base = posixpath.basename(n)
        if not base.endswith(".vsc") or base.endswith("-native.vsc") or base.startswith("recording-"):
            problems.append("examples/ holds " + base)
    if not examples:
        problems.append("no examples")
    expected = set(PROGRAMS) | DOCUMENTS
    guide = {n for n in files if n.startswith("guide/")}
    for n in sorted(set(files) - expected - examples - guide):
        problems.append("unexpected file " + n)
    for n in sorted(expected - set(files)):
        problems.append("missing " + n)
    check_guide(files)

    if "SHA256SUMS" in files:
        listed = {}
        for line in files["SHA256SUMS"].decode().splitlines():
            digest, listed_name = re.fullmatch(r"([0-9a-f]{64})  (.+)", line).groups()
            listed[listed_name] = digest
        if set(listed) != set(files) - {"SHA256SUMS"}:
            problems.append("SHA256SUMS does not list exactly the other files")
        for n, digest in sorted(listed.items()):
            if n in files and hashlib.sha256(files[n]).hexdigest() != digest:
                problems.append("SHA256SUMS: wrong digest for " + n)

    for program in PROGRAMS:
        if program in files:
            try:
                check_program(program, files[program])
            except (ValueError, struct.error) as e:
                problems.append("%s: cannot read it: %s" % (program, e))

for p in problems:
    print("package: " + p, file=sys.stderr)
sys.exit(1 if problems else 0)
