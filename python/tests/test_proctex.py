"""The Python binding against the command-line tool: same names, same defaults,
same bytes. Needs PROCTEX_CLI (the tool) and, usually, PROCTEX_LIBRARY."""

import json
import locale
import os
import subprocess
import tempfile
import unittest

from proctex_helpers import CLI, cli_arguments, read  # puts the binding on the path
import proctex  # noqa: E402


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
            # Type codes by name, the command line's way and Python's.
            {"width": 40, "height": 24, "material": "lava", "pattern": "egg-crate",
             "overlay": "BRICKS", "base": "single_octave"},
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

    def test_cli_batch_and_python_write_identical_files(self):
        # Flags as true/false, presets, and patterns and overlays on their starting values.
        cases = [
            ("marble", {"width": 40, "height": 32, "seamless": True, "invert": False}),
            (None, {"width": 36, "height": 28, "pattern": 8, "overlay": 2, "metallic_map": False}),
            ("granite", {"width": 32, "height": 32, "pattern": 6, "overlay": 4, "invert": True}),
            ("oak-planks", {"width": 48, "height": 24, "overlay_param": 90}),
        ]
        manifest = []
        for index, (preset, options) in enumerate(cases):
            item = {k.replace("_", "-"): v for k, v in options.items()}
            if preset:
                item["preset"] = preset
            manifest.append(dict(item, output=self.path(f"batch{index}.png")))
        with open(self.path("m.json"), "w", encoding="utf-8") as f:
            json.dump(manifest, f)
        batch = subprocess.run([CLI, "batch", "--progress", "quiet", self.path("m.json")],
                               capture_output=True, text=True, check=False)
        self.assertEqual(batch.returncode, 0, batch.stdout + batch.stderr)
        for index, (preset, options) in enumerate(cases):
            with self.subTest(preset=preset, options=options):
                made = proctex.generate(self.path(f"py{index}.png"), preset, **options)
                flags = {k: str(v).lower() if isinstance(v, bool) else v
                         for k, v in options.items()}
                if preset:
                    flags["preset"] = preset
                run = self.run_cli(flags, self.path(f"cli{index}.png"))
                self.assertEqual(run.returncode, 0, run.stderr)
                self.assertEqual(len(made), len(run.stdout.split()))
                for mine, theirs in zip(made, run.stdout.split()):
                    self.assertEqual(read(mine), read(theirs), mine)
                    # The batch's file of the same map: only the file name differs (a
                    # temporary folder's name may hold "py" too).
                    folder, name = os.path.split(mine)
                    batch_file = os.path.join(folder, name.replace("py", "batch", 1))
                    self.assertEqual(read(mine), read(batch_file), mine)

    def test_paths_follow_the_last_png_rule(self):
        # The tool's rules: a path that does not end in ".png" writes every map
        # into one file, so it is refused unless single_file asks for that.
        for refused in ("x.PNG", "a.png.tmp", "plain", "a\x01.png", self.dir.name):
            with self.subTest(path=refused), \
                    self.assertRaisesRegex(proctex.ProctexError, "output"):
                proctex.generate(os.path.join(self.dir.name, refused), width=8, height=8)
        self.assertEqual(sorted(os.listdir(self.dir.name)), [])
        made = proctex.generate(self.path("a.png.tmp"), width=8, height=8, single_file=True)
        self.assertEqual(made[0], self.path("a_diff.png"))
        # Without ".png" every image lands on the one path: it is listed once.
        self.assertEqual(proctex.generate(self.path("plain"), width=8, height=8,
                                          single_file=True), [self.path("plain")])
        self.assertEqual(proctex.output_files("x/y.PNG", metallic_map=0), ["x/y.PNG"])

    def test_presets_are_the_tools(self):
        listed = subprocess.run([CLI, "--list-presets"], capture_output=True, text=True,
                                check=True).stdout.splitlines()
        self.assertEqual(list(proctex.presets()), [line.split()[0] for line in listed])
        options = {"width": 40, "height": 24, "seed": 5}
        made = proctex.generate(self.path("py.png"), "marble", **options)
        run = self.run_cli(dict(options, preset="marble"), self.path("cli.png"))
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual([read(f) for f in made], [read(f) for f in run.stdout.split()])
        self.assertEqual(proctex.check("marble", **options),
                         dict(proctex.defaults("marble"), **options))
        self.assertNotEqual(proctex.defaults("marble"), proctex.defaults())

    @unittest.skipUnless(locale.getpreferredencoding(False).lower().replace("-", "") == "utf8",
                         "needs a UTF-8 locale")
    def test_non_ascii_paths(self):
        made = proctex.generate(self.path("stöne.png"), width=8, height=8)
        run = self.run_cli({"width": 8, "height": 8}, self.path("cli_stöne.png"))
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(read(made[1]), read(self.path("cli_stöne_nmap.png")))


    def test_pbr_presets_and_their_glow_are_the_tools(self):
        # A preset's ramp and glow reach Python through the settings it reads,
        # though no option names the ramp; the files are the tool's.
        made = proctex.generate(self.path("py.png"), "lava", width=32, height=24, emissive=True)
        run = subprocess.run([CLI] + cli_arguments({"preset": "lava", "width": 32, "height": 24})
                             + ["--emissive", self.path("cli.png")],
                             capture_output=True, text=True, check=False)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual([read(f) for f in made], [read(f) for f in run.stdout.split()])
        self.assertIn(self.path("py_emissive.png"), made)
        with proctex.render("granite", width=32, height=32, emissive=True) as granite:
            self.assertIsNone(granite.emissive)
            self.assertEqual(set(bytes(granite.metallic)), {0})
        self.assertEqual(proctex.defaults()["pbr"], 1)
        # The ramp as --colors writes it, and its text back; lava's read from its preset.
        ramp = "#2b1d0e@0,#8a5a2b@0.6,#d9b38c@1"
        made = proctex.generate(self.path("r.png"), width=24, height=16, colors=ramp)
        run = subprocess.run([CLI, "--width", "24", "--height", "16", "--colors", ramp,
                              self.path("rc.png")], capture_output=True, text=True, check=False)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual([read(f) for f in made], [read(f) for f in run.stdout.split()])
        self.assertEqual((proctex.check(colors=ramp)["colors"], proctex.check(colors=ramp)["material"]),
                         (ramp, 9))
        self.assertEqual(proctex.defaults("lava")["colors"],
                         "#731f0d@0,#331f1a@0.45,#1f1c1c@0.8,#33302e@1")
        with self.assertRaises(proctex.SettingsError):
            proctex.check(colors="#ff0000@0.8,#00ff00@0.2")


if __name__ == "__main__":
    unittest.main()
