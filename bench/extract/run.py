"""Extraction throughput, each side by side with the machine's own program in one run: unzip in a
webshell program against Info-ZIP's unzip on a ~200 MB ZIP archive (many small files and a few
large ones), and un7z with plugins\\7zC.dll against 7-Zip's own program, single-threaded
(7zz x -mmt1), on a 7z archive of the same files.

webshell's time is measured by its page, from the call to the report with done == total (every
file written), so the program's start-up is not counted; the baselines' is the wall time of the
process. webshell runs under Wine, whose file calls cost more than native ones; the baselines
run natively. All write to the same folder. The peak resident set of the webshell program
during the 7z extraction is reported too."""
import argparse
import filecmp
import json
import os
import random
import re
import shutil
import subprocess
import sys
import time
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "e2e"))
import harness  # noqa: E402

PAGE = """<html><body><script>
var started = Date.now();
function finished(done, total) {
  if (done != total) return;
  console.log('elapsed ' + (Date.now() - started));
  setTimeout(function () { PostMessage('', 0x10, 0, 0); }, 1500);
}
%s
</script></body></html>"""
UNZIP_CALL = "unzip(%s, '', %s, function (d, t) { finished(d, t); });"
UN7Z_CALL = "un7z(%s, %s, '', '', function (text, number, d, t) { if (number) console.log('failed ' + number); finished(d, t); });"

WORDS = ("lantern", "harbor", "quill", "moor", "tide", "rope", "anchor", "gull", "salt", "keel", "mast", "sail")


def make_files(folder, megabytes):
    """About megabytes MB: many small text-like files and four large ones (text and binary)."""
    rng = random.Random(1)
    total = 0
    large = megabytes * 1024 * 1024 * 6 // 10
    for index in range(4):
        size = large // 4
        path = os.path.join(folder, "large", "part%d.bin" % index)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        if index % 2:
            text = " ".join(rng.choice(WORDS) for _ in range(size // 5)).encode()
            block = text[:size]
        else:
            half = rng.randbytes(size // 2)
            block = half + bytes(range(256)) * (size // 2 // 256)
        with open(path, "wb") as handle:
            handle.write(block)
        total += len(block)
    index = 0
    while total < megabytes * 1024 * 1024:
        size = rng.randrange(512, 16384)
        text = " ".join(rng.choice(WORDS) for _ in range(size // 6)).encode()[:size]
        path = os.path.join(folder, "small", "d%03d" % (index // 100), "f%05d.txt" % index)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as handle:
            handle.write(text)
        total += len(text)
        index += 1
    return total, index + 4


def same_tree(left, right):
    comparison = filecmp.dircmp(left, right)
    if comparison.left_only or comparison.right_only or comparison.diff_files or comparison.funny_files:
        return False
    _, mismatch, errors = filecmp.cmpfiles(left, right, comparison.common_files, shallow=False)
    if mismatch or errors:
        return False
    return all(same_tree(os.path.join(left, name), os.path.join(right, name)) for name in comparison.common_dirs)


def run_page(options, call, name):
    """Runs a webshell program whose page makes the call; returns (seconds, peak KiB)."""
    wine_run = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "wine-run")
    folder = os.path.join(options.work, "program")
    os.makedirs(os.path.join(folder, "plugins"), exist_ok=True)
    shutil.copyfile(options.plugin, os.path.join(folder, "plugins", "7zC.dll"))
    app = os.path.join(folder, name)
    shutil.copyfile(options.host, app)
    with zipfile.ZipFile(app, "a", zipfile.ZIP_DEFLATED) as archive:
        archive.writestr("exe.zip.index.html", PAGE % call)
        archive.write(options.engine, "wke.dll")
    console = os.path.join(folder, "console.log")
    if os.path.exists(console):
        os.remove(console)
    process = subprocess.Popen([wine_run, app], env={**os.environ, "WEBSHELL_CONSOLE": harness.windows_path(console)},
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    peak = 0
    while process.poll() is None:
        peak = max(peak, harness.peak_resident_kib(name.encode()))
        time.sleep(0.2)
    with open(console, encoding="utf-8") as log:
        lines = log.read()
    if "failed" in lines or "elapsed" not in lines:
        raise SystemExit("webshell did not finish: " + lines)
    return int(re.search(r"elapsed (\d+)", lines).group(1)) / 1000.0, peak


def timed(command, **arguments):
    begun = time.monotonic()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, **arguments)
    return time.monotonic() - begun


def main():
    parser = argparse.ArgumentParser()
    for name in ("--host", "--engine", "--plugin", "--work"):
        parser.add_argument(name, required=True)
    parser.add_argument("--megabytes", type=int, default=200)
    parser.add_argument("--rounds", type=int, default=2)
    options = parser.parse_args()
    info_zip = shutil.which("unzip")
    seven = next((shutil.which(name) for name in ("7zz", "7z", "7za") if shutil.which(name)), None)
    if not info_zip or not seven:
        raise SystemExit("needs Info-ZIP's unzip and 7-Zip's 7zz, 7z or 7za")
    source = os.path.join(options.work, "source")
    zip_path = os.path.join(options.work, "set.zip")
    seven_path = os.path.join(options.work, "set.7z")
    # The files and archives are made once per size and kept for later runs.
    ready = os.path.join(options.work, "ready-%d.json" % options.megabytes)
    if os.path.exists(ready):
        with open(ready) as marker:
            size, count = json.load(marker)
    else:
        shutil.rmtree(options.work, True)
        size, count = make_files(source, options.megabytes)
        with zipfile.ZipFile(zip_path, "w", zipfile.ZIP_DEFLATED, compresslevel=6) as archive:
            for root, _, files in sorted(os.walk(source)):
                for name in sorted(files):
                    path = os.path.join(root, name)
                    archive.write(path, os.path.relpath(path, source))
        subprocess.run([seven, "a", "-t7z", "-mx5", "-bso0", "-bsp0", seven_path, "."], cwd=source, check=True)
        with open(ready, "w") as marker:
            json.dump([size, count], marker)
    mb = size / 1e6
    print("%d files, %.0f MB; ZIP %.0f MB, 7z %.0f MB" % (count, mb, os.path.getsize(zip_path) / 1e6,
                                                        os.path.getsize(seven_path) / 1e6))
    rows = []
    for round_ in range(options.rounds):
        outputs = {name: os.path.join(options.work, name) for name in ("ws-zip", "infozip", "ws-7z", "7zz")}
        for folder in outputs.values():
            shutil.rmtree(folder, True)
            os.makedirs(folder)
        ws_zip, _ = run_page(options, UNZIP_CALL % (json.dumps(harness.windows_path(zip_path)),
                                                     json.dumps(harness.windows_path(outputs["ws-zip"]) + "\\")), "bench-unzip.exe")
        info = timed([info_zip, "-q", "-o", zip_path, "-d", outputs["infozip"]])
        ws_7z, peak = run_page(options, UN7Z_CALL % (json.dumps(harness.windows_path(seven_path)),
                                                      json.dumps(harness.windows_path(outputs["ws-7z"]) + "\\")), "bench-un7z.exe")
        native_7z = timed([seven, "x", "-mmt1", "-y", "-bso0", "-bsp0", "-o" + outputs["7zz"], seven_path])
        for name in outputs:
            if not same_tree(source, outputs[name]):
                raise SystemExit("%s did not extract the same files" % name)
        rows.append((ws_zip, info, ws_7z, native_7z, peak))
        print("round %d: unzip %.2f s (%.0f MB/s), Info-ZIP %.2f s (%.0f MB/s); un7z %.2f s (%.0f MB/s), "
              "7-Zip -mmt1 %.2f s (%.0f MB/s); peak resident set during un7z %d MiB"
              % (round_ + 1, ws_zip, mb / ws_zip, info, mb / info, ws_7z, mb / ws_7z, native_7z, mb / native_7z,
                 peak // 1024))
    best = [min(row[i] for row in rows) for i in range(4)]
    print("best of %d, %d files, %.0f MB: unzip %.0f MB/s vs Info-ZIP %.0f MB/s = %.2fx; un7z %.0f MB/s vs "
          "7-Zip single-threaded %.0f MB/s = %.2fx (webshell under Wine, baselines native)"
          % (options.rounds, count, mb, mb / best[0], mb / best[1], best[1] / best[0], mb / best[2], mb / best[3],
             best[3] / best[2]))


if __name__ == "__main__":
    main()
