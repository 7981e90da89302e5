"""The TypeScript declarations (docs/webshell.d.ts) under the real compiler: a sample script
written as a page author would type-checks, and a deliberately wrong call fails on its own line.
The compiler comes from the npm registry into ~/.cache/webshell/node (tools/setup-typescript.sh).

    test_typescript.py good|wrong
"""
import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
HERE = os.path.dirname(os.path.abspath(__file__))
NODE_DIR = os.environ.get("WEBSHELL_NODE_DIR", os.path.join(os.path.expanduser("~"), ".cache", "webshell", "node"))
TSC = os.path.join(NODE_DIR, "node_modules", ".bin", "tsc")
SKIP = 77


def compile_sample(name):
    sample = os.path.join(HERE, "typescript", name)
    command = [TSC, "--noEmit", "--strict", "--pretty", "false", "--lib", "es2015,dom",
               os.path.join(ROOT, "docs", "webshell.d.ts"), sample]
    result = subprocess.run(command, capture_output=True, text=True, cwd=HERE)
    return sample, result.returncode, result.stdout + result.stderr


def main(mode):
    if not os.path.exists(TSC):
        reason_file = os.path.join(NODE_DIR, "unreachable")
        if os.path.exists(reason_file):
            with open(reason_file, encoding="utf-8") as f:
                print("SKIPPED: the TypeScript compiler could not be installed from the npm registry:\n" + f.read())
            return SKIP
        print("FAILED: no TypeScript compiler at %s; run tools/setup-typescript.sh (or tools/setup-machine.sh)" % TSC)
        return 1
    if mode == "good":
        sample, code, output = compile_sample("good.ts")
        print(output)
        if code != 0:
            print("FAILED: the sample script does not type-check against docs/webshell.d.ts")
            return 1
        print("the sample script type-checks")
        return 0
    sample, code, output = compile_sample("wrong.ts")
    print(output)
    with open(sample, encoding="utf-8") as f:
        lines = f.read().splitlines()
    wrong_line = next(i + 1 for i, line in enumerate(lines) if line.rstrip().endswith("// wrong call"))
    errors = re.findall(r"wrong\.ts\((\d+),(\d+)\): error (TS\d+): (.*)", output)
    if code == 0 or not errors:
        print("FAILED: the wrong call type-checked")
        return 1
    if [int(line) for line, _, _, _ in errors] != [wrong_line]:
        print("FAILED: expected one error, on line %d (the wrong call), got %s" % (wrong_line, errors))
        return 1
    line, column, number, message = errors[0]
    called = lines[wrong_line - 1]
    if "SetWindowPos(" not in called[:int(column)] or "'number'" not in message:
        print("FAILED: the error does not point into the SetWindowPos call's flags: " + str(errors[0]))
        return 1
    print("the wrong call fails type-checking as it should: %s %s" % (number, message))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "good"))
