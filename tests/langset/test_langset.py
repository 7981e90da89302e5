"""langset.exe under Wine: the registry values it writes, its exit code and its silence."""
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import harness  # noqa: E402
from harness import Registry, options  # noqa: E402

from harness import GAME_KEY, GAME_SETTINGS_KEY as SETTINGS_KEY, GAME_VENDOR_KEY as VENDOR_KEY  # noqa: E402


def langset(arguments=""):
    """Runs langset with this exact command-line tail; returns its exit code."""
    command_line = '"' + harness.windows_path(options.langset) + '"'
    if arguments:
        command_line += " " + arguments
    return harness.spawn(command_line)


class WritesLanguages(unittest.TestCase):
    def setUp(self):
        Registry.delete(VENDOR_KEY)

    def tearDown(self):
        Registry.delete(VENDOR_KEY)

    def test_no_arguments_restore_defaults_and_create_missing_parents(self):
        self.assertIsNone(Registry.values(VENDOR_KEY))
        self.assertEqual(langset(), 0)
        self.assertEqual(Registry.values(SETTINGS_KEY), {"Language": 1, "LanguageVoice": 0})

    def test_two_numbers(self):
        self.assertEqual(langset("4 2"), 0)
        self.assertEqual(Registry.values(SETTINGS_KEY), {"Language": 4, "LanguageVoice": 2})

    def test_one_argument_changes_only_the_text_language(self):
        Registry.set_dword(SETTINGS_KEY, "LanguageVoice", 2)
        self.assertEqual(langset("5"), 0)
        self.assertEqual(Registry.values(SETTINGS_KEY), {"Language": 5, "LanguageVoice": 2})

    def test_one_argument_leaves_voice_absent(self):
        self.assertEqual(langset("5"), 0)
        self.assertEqual(Registry.values(SETTINGS_KEY), {"Language": 5})

    def test_quoted_numbers_behave_like_bare_ones(self):
        self.assertEqual(langset('"5" "1"'), 0)
        self.assertEqual(Registry.values(SETTINGS_KEY), {"Language": 5, "LanguageVoice": 1})

    def test_conversion_of_odd_arguments(self):
        self.assertEqual(langset("-1 7abc extra ignored"), 0)
        self.assertEqual(Registry.values(SETTINGS_KEY), {"Language": 4294967295, "LanguageVoice": 7})
        self.assertEqual(langset("abc 99999999999"), 0)
        self.assertEqual(Registry.values(SETTINGS_KEY), {"Language": 0, "LanguageVoice": 4294967295})

    def test_exit_code_is_zero_when_the_key_cannot_be_written(self):
        # A volatile parent refuses non-volatile children, so creating the settings key fails.
        Registry.create_volatile(GAME_KEY)
        self.assertEqual(langset("5 1"), 0)
        self.assertEqual(Registry.values(GAME_KEY), {})
        self.assertIsNone(Registry.values(SETTINGS_KEY))

    def test_prints_nothing(self):
        result = harness.run(options.langset, "1", "1")
        self.assertEqual(result.returncode, 0)
        self.assertEqual(result.stdout, "")


if __name__ == "__main__":
    harness.main(["--langset"])
