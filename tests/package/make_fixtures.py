"""Builds the archives the package tests search: a dummy executable with a ZIP archive appended
(so the archive's offsets do not start at 0 of the file), a second archive meant to be named
"res", and beside them the bytes every entry must deliver, under expected/."""
import io
import os
import sys
import zipfile

LONG_259 = "long/" + "n" * (259 - len("long/") - len(".txt")) + ".txt"
LONG_260 = "long/" + "m" * (260 - len("long/") - len(".txt")) + ".txt"


def big_content():
    lines = [f"{i:06d} the quick brown fox jumps over the lazy dog {i * 7919 % 10007}\n" for i in range(6000)]
    return "".join(lines).encode()


# (entry name, expected-file name or None for folder entries, compression)
PACKAGE = [
    ("exe.zip.index.html", "index.html", zipfile.ZIP_STORED, b"<html><body>entry page</body></html>\n"),
    ("main.html", "main.html", zipfile.ZIP_STORED, b"<html><body>main from the package</body></html>\n"),
    ("css/", None, zipfile.ZIP_STORED, b""),
    ("css/site.css", "site.css", zipfile.ZIP_DEFLATED, b"body { margin: 0; }\n" * 40),
    ("img\\", None, zipfile.ZIP_STORED, b""),
    ("js/common.js", "common.js", zipfile.ZIP_DEFLATED, b"function common() { return 42; }\n" * 60),
    ("big.bin", "big.bin", zipfile.ZIP_DEFLATED, big_content()),
    ("Dup.txt", "dup-first.txt", zipfile.ZIP_STORED, b"first of two entries\n"),
    ("dup.txt", "dup-second.txt", zipfile.ZIP_STORED, b"second of two entries\n"),
    # LZMA is a method the reader does not support: the entry matches but cannot be opened.
    ("broken.txt", "broken-unreadable.txt", zipfile.ZIP_LZMA, b"this entry cannot be opened\n"),
    ("BROKEN.TXT", "broken-readable.txt", zipfile.ZIP_DEFLATED, b"the later entry of the same name\n" * 5),
    ("\u00c4rger.txt", "aerger.txt", zipfile.ZIP_DEFLATED, "\u00c4rger mit Umlauten\n".encode()),
    (LONG_259, "long259.txt", zipfile.ZIP_STORED, b"a name of 259 bytes\n"),
    (LONG_260, "long260.txt", zipfile.ZIP_STORED, b"a name of 260 bytes\n"),
    ("empty.txt", "empty.txt", zipfile.ZIP_DEFLATED, b""),
]

RES = [
    ("main.html", "res-main.html", zipfile.ZIP_DEFLATED, b"<html><body>main from res</body></html>\n"),
    ("only-in-res.txt", "only-in-res.txt", zipfile.ZIP_STORED, b"only the res archive has this\n"),
]


def archive(entries, expected_dir):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w") as zf:
        for name, expected, method, data in entries:
            info = zipfile.ZipInfo(name, date_time=(2020, 1, 2, 3, 4, 6))
            info.compress_type = method
            zf.writestr(info, data)
            if expected is not None:
                with open(os.path.join(expected_dir, expected), "wb") as f:
                    f.write(data)
    return buffer.getvalue()


def main():
    out = sys.argv[1]
    expected_dir = os.path.join(out, "expected")
    os.makedirs(expected_dir, exist_ok=True)
    stub = b"MZ" + bytes((i * 31 + 7) & 0xFF for i in range(6142))
    with open(os.path.join(out, "package.exe"), "wb") as f:
        f.write(stub + archive(PACKAGE, expected_dir))
    with open(os.path.join(out, "res.zip"), "wb") as f:
        f.write(archive(RES, expected_dir))
    with open(os.path.join(out, "names.txt"), "w") as f:
        f.write(LONG_259 + "\n" + LONG_260 + "\n")


if __name__ == "__main__":
    main()
