"""The guide's examples work as printed: every script block (```vsc) of
docs/guide/ and the README passes vantiro-host --check without a warning and runs with
every status "Ok"; every chart file block (```rmc) reads back; every other
block of action lines passes --check (the fields of the reference).
  guide_test.py VANTIRO_HOST GUIDE_DIR README"""
import glob, os, re, subprocess, sys, tempfile

host, guide, readme = os.path.abspath(sys.argv[1]), sys.argv[2], sys.argv[3]
failures, count = [], 0
with tempfile.TemporaryDirectory() as work:
    for page in sorted(glob.glob(os.path.join(guide, "*.md"))) + [readme]:
        text = open(page, encoding="utf-8").read()
        for n, (kind, block) in enumerate(re.findall(r"^```(\w*)\n(.*?)^```", text, re.M | re.S)):
            modes = [["--check"], ["--strict", "--quiet"]]
            if kind == "rmc":
                with open(os.path.join(work, "guide-%d.rmc" % count), "w") as f:
                    f.write(block)
                block = "ae_Graph_CreateChartfromFile 0|1|0|0|1|guide-%d.rmc\n" % count
            elif kind != "vsc":
                if not all(line.startswith("ae_") for line in block.splitlines()):
                    continue
                # A fragment: its fields are checked, with the files it reads
                # there and the rectangle handle set, as on the page.
                for name in re.findall(r"[\w-]+\.(?:rmc|png|jpg|bmp)\b", block):
                    open(os.path.join(work, name), "a").close()
                block, modes = "!set RectHandle 0\n" + block, [["--check"]]
            count += 1
            where = "%s, block %d" % (os.path.basename(page), n + 1)
            script = os.path.join(work, "guide-%d.vsc" % count)
            with open(script, "w", encoding="utf-8") as f:
                f.write(block)
            for mode in modes:
                run = subprocess.run([host, *mode, script], cwd=work, capture_output=True, text=True)
                if run.returncode != 0 or (mode == ["--check"] and run.stdout.strip()):
                    failures.append("%s: vantiro-host %s exited %d:\n%s%s"
                                    % (where, mode[0], run.returncode, run.stdout, run.stderr))
for f in failures:
    print(f)
print("%d guide examples, %d failures" % (count, len(failures)))
sys.exit(1 if failures or count == 0 else 0)
