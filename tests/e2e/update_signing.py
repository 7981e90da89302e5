"""Keys, manifests and signatures of signed updates for the tests, through tools/update-sign
(which runs the OpenSSL command-line tool)."""
import hashlib
import json
import os
import subprocess
import sys
import tempfile

UPDATE_SIGN = os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))),
                           "tools", "update-sign")


def keygen(folder):
    """Makes folder/update-key.pem and folder/update-key.pub; returns the public key's text."""
    subprocess.run([sys.executable, UPDATE_SIGN, "keygen", folder], check=True)
    with open(os.path.join(folder, "update-key.pub")) as key:
        return key.read()


def signature(key_folder, manifest_bytes):
    """The .sig file's bytes for these exact manifest bytes, signed with key_folder's key."""
    with tempfile.TemporaryDirectory() as work:
        path = os.path.join(work, "manifest.json")
        with open(path, "wb") as manifest:
            manifest.write(manifest_bytes)
        subprocess.run([sys.executable, UPDATE_SIGN, "sign", os.path.join(key_folder, "update-key.pem"), path],
                       check=True)
        with open(path + ".sig", "rb") as sig:
            return sig.read()


def manifest_for(data, url, version, sha256_of=None):
    """The compact manifest of data served at url; sha256_of names other bytes for the hash."""
    digest = hashlib.sha256(data if sha256_of is None else sha256_of).hexdigest()
    return json.dumps({"version": version, "url": url, "size": len(data), "sha256": digest},
                      separators=(",", ":")).encode()
