"""Download throughput: curl_http_download in a webshell program against two baselines fetching
the same file from the same loopback server in one run: the curl command-line program of the
machine (native, no Wine), and curl_fetch, one transfer with the same libcurl in a Windows
program under Wine beside webshell.

webshell's time is measured by its page, from the call to the last progress call (the file
complete on disk), so the program's own start-up is not counted; curl_fetch times its own
transfer; the curl program's is the wall time of the process. All write to the same folder."""
import argparse
import hashlib
import json
import os
import random
import shutil
import subprocess
import sys
import time
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "transfer"))
from download_server import Server  # noqa: E402

PAGE = """<html><body><script>
var started = Date.now();
curl_http_download(%s, %s, function (d, t) {
  if (d == t) { console.log('elapsed ' + (Date.now() - started)); PostMessage('', 0x10, 0, 0); }
}, 1000);
</script></body></html>"""


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def main():
    parser = argparse.ArgumentParser()
    for name in ("--host", "--engine", "--curl-fetch", "--work"):
        parser.add_argument(name, required=True)
    parser.add_argument("--megabytes", type=int, default=200)
    parser.add_argument("--rounds", type=int, default=3)
    options = parser.parse_args()
    os.makedirs(options.work, exist_ok=True)
    size = options.megabytes * 1024 * 1024
    data = random.Random(1).randbytes(size)
    digest = hashlib.sha256(data).hexdigest()
    wine_run = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "wine-run")
    curl = shutil.which("curl")
    rows = []
    with Server() as server:
        server.files.put("big.bin", data)
        url = server.url("/plain/big.bin")
        for round_ in range(options.rounds):
            target = os.path.join(options.work, "webshell.bin")
            for leftover in (target, target + ".json"):
                if os.path.exists(leftover):
                    os.remove(leftover)
            app = os.path.join(options.work, "bench-download.exe")
            shutil.copyfile(options.host, app)
            with zipfile.ZipFile(app, "a", zipfile.ZIP_DEFLATED) as archive:
                archive.writestr("exe.zip.index.html", PAGE % (json.dumps(url), json.dumps(windows_path(target))))
                archive.write(options.engine, "wke.dll")
            console = os.path.join(options.work, "console.log")
            if os.path.exists(console):
                os.remove(console)
            subprocess.run([wine_run, app], env={**os.environ, "WEBSHELL_CONSOLE": windows_path(console)},
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=600)
            with open(console, encoding="utf-8") as log:
                elapsed = [int(line.split()[-1]) for line in log if "elapsed" in line][0] / 1000.0
            with open(target, "rb") as result:
                if hashlib.sha256(result.read()).hexdigest() != digest:
                    raise SystemExit("webshell's file differs from the served one")
            curl_target = os.path.join(options.work, "curl.bin")
            begun = time.monotonic()
            subprocess.run([curl, "-s", "-o", curl_target, url], check=True)
            curl_elapsed = time.monotonic() - begun
            fetched = subprocess.run([wine_run, options.curl_fetch, url, windows_path(curl_target)], check=True,
                                     capture_output=True, text=True)
            fetch_elapsed = float(fetched.stdout.split()[-1])
            rows.append((elapsed, curl_elapsed, fetch_elapsed))
            print("round %d: webshell %.2f s (%.0f MB/s), curl_fetch under Wine %.2f s (%.0f MB/s), "
                  "curl %.2f s (%.0f MB/s)" % (round_ + 1, elapsed, options.megabytes / elapsed, fetch_elapsed,
                                               options.megabytes / fetch_elapsed, curl_elapsed,
                                               options.megabytes / curl_elapsed))
    best = [min(row[i] for row in rows) for i in range(3)]
    mb = options.megabytes
    print("best of %d, %d MB over loopback: webshell %.0f MB/s; curl_fetch under Wine %.0f MB/s (webshell %.2f of "
          "it); curl %.0f MB/s (webshell %.2f of it)" % (options.rounds, mb, mb / best[0], mb / best[2],
                                                         best[2] / best[0], mb / best[1], best[1] / best[0]))


if __name__ == "__main__":
    main()
