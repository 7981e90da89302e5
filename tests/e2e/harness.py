"""Shared pieces of the end-to-end drivers: running Windows programs under Wine through
tools/wine-run and reading back what they left behind."""
import argparse
import os
import subprocess
import sys
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
WINE_RUN = os.path.join(ROOT, "tools", "wine-run")

options = argparse.Namespace()


def windows_path(path):
    """Wine maps drive Z: to the Unix root."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def run(exe, *args, timeout=60, env=None):
    """Runs a Windows program with wine's own argument quoting; returns CompletedProcess."""
    merged = dict(os.environ)
    if env:
        merged.update(env)
    return subprocess.run([WINE_RUN, exe, *args], capture_output=True, timeout=timeout,
                          env=merged, text=True, encoding="utf-8", errors="replace")


def spawn(command_line, timeout_ms=30000):
    """Starts a program with exactly this Windows command line; returns its exit code."""
    result = run(options.spawn, str(timeout_ms), env={"WEBSHELL_SPAWN_COMMAND_LINE": command_line},
                 timeout=timeout_ms / 1000 + 30)
    if result.returncode in (124, 125):
        raise AssertionError("spawn failed: " + result.stdout + result.stderr)
    return result.returncode


class Registry:
    """HKEY_CURRENT_USER keys of the test prefix, through the regtool helper."""

    @staticmethod
    def values(subkey):
        """None when the key is missing, else {name: value} (DWORDs as int)."""
        out = run(options.regtool, "get", subkey).stdout.splitlines()
        if out == ["missing"]:
            return None
        values = {}
        for line in out:
            name, _, typed = line.partition("=")
            kind, _, value = typed.partition(":")
            values[name] = int(value) if kind == "dword" else value
        return values

    @staticmethod
    def delete(subkey):
        assert run(options.regtool, "delete", subkey).returncode == 0

    @staticmethod
    def create_volatile(subkey):
        assert run(options.regtool, "create-volatile", subkey).returncode == 0

    @staticmethod
    def set_dword(subkey, name, value):
        assert run(options.regtool, "set-dword", subkey, name, str(value)).returncode == 0


def main(extra_arguments=()):
    """Parses --build-dir and the driver's own options, then runs its unittest cases."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--regtool")
    parser.add_argument("--spawn")
    for name in extra_arguments:
        parser.add_argument(name)
    known, rest = parser.parse_known_args()
    vars(options).update(vars(known))
    program = unittest.main(argv=[sys.argv[0], *rest], exit=False, verbosity=2)
    result = program.result
    failed = len(result.failures) + len(result.errors)
    print(f"{result.testsRun - failed} passed, {failed} failed")
    sys.exit(0 if result.wasSuccessful() else 1)
