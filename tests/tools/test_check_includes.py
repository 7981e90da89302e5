"""tools/check-includes: the tree's folders include each other only the allowed way, and the
check itself finds a wrong include, a cycle and a rule for a missing folder."""
import os
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
TOOL = os.path.join(ROOT, "tools", "check-includes")


def check(*arguments):
    return subprocess.run([sys.executable, TOOL, *arguments], capture_output=True, text=True)


class Tree(unittest.TestCase):
    def test_the_tree_keeps_its_rules(self):
        result = check()
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)

    def test_the_folder_graph_has_no_cycle_and_app_is_on_top(self):
        result = check("--graph")
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        graph = {line.split(" -> ")[0]: line.split(" -> ")[1].split() for line in result.stdout.splitlines()
                 if " -> " in line}
        self.assertEqual(graph["base"], ["(nothing)"])
        for folder, targets in graph.items():
            self.assertNotIn("app", targets, folder)


class Planted(unittest.TestCase):
    """A small tree of its own: low/ below high/, each with a header."""

    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="check-includes-")
        self.write("low/low.h", "#pragma once\n")
        self.write("low/low.cpp", '#include "low.h"\n#include <windows.h>\n#include "zlib.h"\n')
        self.write("high/high.h", '#pragma once\n#include "low/low.h"\n')
        self.write("high/deep/deep.h", '#pragma once\n#include "high/high.h"\n')
        self.write("tests/anything.cpp", '#include "high/high.h"\n#include "low/low.h"\n')
        self.rules = self.write("rules.txt", "search: .\nlow:\nhigh: low\nhigh/deep: high low\n")

    def write(self, relative, text):
        path = os.path.join(self.root, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w") as out:
            out.write(text)
        return path

    def run_check(self, *extra):
        return check("--root", self.root, "--rules", self.rules, *extra)

    def test_a_tree_that_keeps_the_rules_passes(self):
        result = self.run_check()
        self.assertEqual(result.returncode, 0, result.stdout)
        graph = self.run_check("--graph").stdout
        self.assertIn("high -> low", graph)
        self.assertIn("high/deep -> high\n", graph)
        self.assertIn("low -> (nothing)", graph)

    def test_a_wrong_include_fails_and_is_named(self):
        self.write("low/upward.cpp", '#include "high/high.h"\n')
        result = self.run_check()
        self.assertEqual(result.returncode, 1)
        self.assertIn('low/upward.cpp:1: low/ may not include high/ ("high/high.h")', result.stdout)

    def test_a_wrong_include_through_a_relative_path_is_found_too(self):
        self.write("low/sneaky.h", '#pragma once\n\n#include "../high/deep/deep.h"\n')
        result = self.run_check()
        self.assertEqual(result.returncode, 1)
        self.assertIn("low/sneaky.h:3: low/ may not include high/deep/", result.stdout)

    def test_a_cycle_fails_even_when_the_rules_allow_it(self):
        self.write("low/upward.cpp", '#include "high/high.h"\n')
        with open(self.rules, "w") as rules:
            rules.write("search: .\nlow: high\nhigh: low\nhigh/deep: high low\n")
        result = self.run_check()
        self.assertEqual(result.returncode, 1)
        self.assertIn("cycle", result.stdout)

    def test_a_rule_for_a_missing_folder_fails(self):
        with open(self.rules, "a") as rules:
            rules.write("gone: low\n")
        result = self.run_check()
        self.assertEqual(result.returncode, 1)
        self.assertIn("gone/", result.stderr)


if __name__ == "__main__":
    unittest.main(verbosity=2)
