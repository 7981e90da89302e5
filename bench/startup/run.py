"""Packs a small entry page into a webshell program and runs the first-frame benchmark against
the minimal layered-window baseline."""
import argparse
import os
import shutil
import subprocess
import zipfile

ENTRY_PAGE = """<html><head><style>
body { background: rgba(20, 40, 80, 0.9); }
#card { position: absolute; left: 20px; top: 20px; width: 360px; height: 120px; background-color: #3060c0; }
</style></head>
<body><div id="card">webshell</div>
<script>SetWindowPos('', '0', 0x40, 100, 100, 400, 400);</script>
</body></html>"""


def main():
    parser = argparse.ArgumentParser()
    for name in ("--host", "--engine", "--bench", "--baseline", "--work"):
        parser.add_argument(name, required=True)
    parser.add_argument("--rounds", default="10")
    options = parser.parse_args()
    os.makedirs(options.work, exist_ok=True)
    app = os.path.join(options.work, "bench-app.exe")
    shutil.copyfile(options.host, app)
    with zipfile.ZipFile(app, "a", zipfile.ZIP_DEFLATED) as archive:
        archive.writestr("exe.zip.index.html", ENTRY_PAGE)
        archive.write(options.engine, "wke.dll")
    wine_run = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "wine-run")
    subprocess.run([wine_run, options.bench, app, options.baseline, options.rounds], check=True)


if __name__ == "__main__":
    main()
