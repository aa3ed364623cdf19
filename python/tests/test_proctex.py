"""The Python binding against the command-line tool: same names, same defaults,
same bytes. Needs PROCTEX_CLI (the tool) and, usually, PROCTEX_LIBRARY."""

import locale
import os
import re
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import proctex  # noqa: E402

CLI = os.environ.get("PROCTEX_CLI", "")


def read(path):
    with open(path, "rb") as f:
        return f.read()


def cli_arguments(options):
    arguments = []
    for name, value in options.items():
        arguments += ["--" + name.replace("_", "-"), str(value)]
    return arguments


@unittest.skipUnless(os.path.isfile(CLI), "PROCTEX_CLI does not name the command-line tool")
class SameAsTheCommandLine(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)

    def path(self, name):
        return os.path.join(self.dir.name, name)

    def run_cli(self, options, output):
        return subprocess.run([CLI] + cli_arguments(options) + [output],
                              capture_output=True, text=True, check=False)

    def test_names_and_defaults_are_the_tools(self):
        help_text = subprocess.run([CLI, "--help"], capture_output=True, text=True,
                                   check=True).stdout
        shown = dict(re.findall(r"--([a-z-]+) (?:INT|FLOAT)=(\S+)", help_text))
        self.assertEqual(sorted(n.replace("-", "_") for n in shown), sorted(proctex.OPTIONS))
        for name, text in shown.items():
            default = proctex.OPTIONS[name.replace("-", "_")]
            self.assertEqual(type(default)(text), default, name)

    def test_equal_options_write_identical_files(self):
        cases = [
            {"width": 48, "height": 40},
            {"width": 64, "height": 32, "material": 3, "base": 1, "scale": 24.5, "seed": -9,
             "overlay": 1, "overlay_param": 6.5, "overlay_strength": 0.45, "seamless": 1},
            {"width": 40, "height": 40, "material": 8, "pattern": 6, "pattern_param": 5,
             "contrast": 1.7, "brightness": -0.1, "invert": 1, "normal_strength": 2.25,
             "roughness": 0.1, "metallic_map": 0},
            {"width": 33, "height": 17, "material": 7, "pattern": 7, "pattern_param": 120,
             "overlay": 4, "overlay_param": 12.9, "overlay_strength": 0.7, "octaves": 3,
             "persistence": 0.35, "lacunarity": 2.5, "roughness_map": 0},
        ]
        for index, options in enumerate(cases):
            with self.subTest(options=options):
                made = proctex.generate(self.path(f"py{index}.png"), **options)
                run = self.run_cli(options, self.path(f"cli{index}.png"))
                self.assertEqual(run.returncode, 0, run.stderr)
                expected = run.stdout.split()
                self.assertEqual(len(made), len(expected))
                self.assertEqual(len(made), 3 + options.get("roughness_map", 1)
                                 + options.get("metallic_map", 1))
                for mine, theirs in zip(made, expected):
                    self.assertEqual(os.path.basename(mine).replace("py", "cli", 1),
                                     os.path.basename(theirs))
                    self.assertEqual(read(mine), read(theirs), mine)

    def test_paths_follow_the_last_png_rule(self):
        made = proctex.generate(self.path("a.png.tmp"), width=8, height=8)
        self.assertEqual(made[0], self.path("a_diff.png"))
        # Without ".png" every image lands on the one path: it is listed once.
        self.assertEqual(proctex.generate(self.path("plain"), width=8, height=8),
                         [self.path("plain")])
        self.assertEqual(proctex.output_files("x/y.PNG", metallic_map=0), ["x/y.PNG"])

    @unittest.skipUnless(locale.getpreferredencoding(False).lower().replace("-", "") == "utf8",
                         "needs a UTF-8 locale")
    def test_non_ascii_paths(self):
        made = proctex.generate(self.path("stöne.png"), width=8, height=8)
        run = self.run_cli({"width": 8, "height": 8}, self.path("cli_stöne.png"))
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(read(made[1]), read(self.path("cli_stöne_nmap.png")))


class Errors(unittest.TestCase):
    def test_dll_answers(self):
        self.assertEqual(proctex.test_dll(), 42)

    def test_a_failed_call_raises_and_says_why(self):
        with tempfile.TemporaryDirectory() as folder:
            with self.assertRaisesRegex(proctex.ProctexError, "does not exist"):
                proctex.generate(os.path.join(folder, "missing", "x.png"), width=8, height=8)
            with self.assertRaisesRegex(proctex.ProctexError, "must be positive"):
                proctex.generate(os.path.join(folder, "x.png"), width=0)
            # A cell size of 0 is refused by the library itself.
            with self.assertRaisesRegex(proctex.ProctexError, "could not all be written"):
                proctex.generate(os.path.join(folder, "y.png"), width=8, height=8, pattern=6)
            self.assertEqual(os.listdir(folder), [])

    def test_bad_options_are_refused_before_the_call(self):
        with self.assertRaisesRegex(TypeError, "unknown option 'sclae'"):
            proctex.generate("unused.png", sclae=3)
        with self.assertRaisesRegex(TypeError, "whole number"):
            proctex.generate("unused.png", octaves=2.5)
        with self.assertRaisesRegex(TypeError, "takes a number"):
            proctex.generate("unused.png", scale="big")
        with self.assertRaises(OverflowError):
            proctex.generate("unused.png", seed=2**31)
        self.assertFalse(os.path.exists("unused_diff.png"))

    def test_a_missing_library_is_a_clear_error(self):
        env = dict(os.environ, PROCTEX_LIBRARY="/nonexistent/libproctex.so")
        code = "import proctex; proctex.test_dll()"
        run = subprocess.run([sys.executable, "-c", code], env=env, capture_output=True,
                             text=True, cwd=os.path.dirname(proctex.__file__), check=False)
        self.assertNotEqual(run.returncode, 0)
        self.assertIn("ProctexError: cannot load the proctex library from PROCTEX_LIBRARY",
                      run.stderr)
        self.assertIn("/nonexistent/libproctex.so", run.stderr)


if __name__ == "__main__":
    unittest.main()
