"""The outputs Python shares with the command-line tool (glTF, naming
conventions, sidecar record, path rules) checked against the tool itself, and
progress and cancellation of render() and generate(). Needs PROCTEX_CLI for
the comparisons and, usually, PROCTEX_LIBRARY."""

import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import proctex  # noqa: E402

CLI = os.environ.get("PROCTEX_CLI", "")
STAGES = {"noise", "pattern", "overlay", "maps", "encode", "write", "done"}


def read(path):
    with open(path, "rb") as f:
        return f.read()


def files_below(folder):
    return sorted(os.path.join(d, f) for d, _, names in os.walk(folder) for f in names)


def tool_arguments(options):
    arguments = []
    for name, value in options.items():
        name = "--" + name.replace("_", "-")
        if value is True:
            arguments.append(name)
        else:
            arguments += [name, str(value)]
    return arguments


class Folder(unittest.TestCase):
    def setUp(self):
        folder = tempfile.TemporaryDirectory()
        self.addCleanup(folder.cleanup)
        self.dir = folder.name

    def path(self, *names):
        return os.path.join(self.dir, *names)


@unittest.skipUnless(os.path.isfile(CLI), "PROCTEX_CLI does not name the command-line tool")
class OutputsOfTheTool(Folder):
    # Numbers in the record's every layout: whole, "1e+05" read back as
    # 100000.0, "1e-05", "-0.0001", plain fractions.
    CASES = [
        ("marble", dict(naming="unity", gltf=True, tile_size=100000, height_range=1e-05)),
        ("moss", dict(naming="ambientcg", glb=True, compression="small", brightness=-0.0001)),
        ("brick-wall", dict(naming="godot", ao=True, roughness_map=0, contrast=1.25,
                            tile_size=1000000)),
        ("rusted-plate", dict(naming="unreal", height16=True, normal_gl=True, gltf=True,
                              glb=True, seamless=1)),
        (None, dict(pattern="cells", tile_size=10000, height_range=2.5)),
    ]

    def run_tool(self, preset, options, output):
        preset_arguments = ["--preset", preset] if preset else []
        return subprocess.run([CLI, "--progress", "quiet"] + preset_arguments
                              + tool_arguments(options) + [output],
                              capture_output=True, text=True, check=False)

    def test_files_copies_and_sidecar_are_the_tools(self):
        for index, (preset, options) in enumerate(self.CASES):
            with self.subTest(preset=preset, **options):
                options = dict(options, width=24, height=16, sidecar=True)
                ours = proctex.generate(self.path(f"py{index}", "m.png"), preset, **options)
                run = self.run_tool(preset, options, self.path(f"cli{index}", "m.png"))
                self.assertEqual(run.returncode, 0, run.stderr)
                theirs = run.stdout.split()
                self.assertEqual([os.path.basename(f) for f in ours],
                                 [os.path.basename(f) for f in theirs])
                # The record names the files by their base names, so it is the
                # same text when every file is the same.
                for mine, tools in zip(ours, theirs):
                    self.assertEqual(read(mine), read(tools), os.path.basename(mine))
                self.assertEqual(files_below(self.path(f"py{index}")), sorted(ours))
                self.assertEqual(proctex.output_files(self.path(f"py{index}", "m.png"),
                                                      **{k: v for k, v in options.items()
                                                         if k not in proctex.OPTIONS
                                                         or k.endswith("_map")}), ours)

    def test_saved_renders_write_what_generate_writes(self):
        options = dict(width=20, height=12, naming="godot", gltf=True, sidecar=True, ao=True)
        made = proctex.generate(self.path("g", "m.png"), "lava", **options)
        with proctex.render("lava", **options) as maps:
            self.assertIsNotNone(maps.orm)  # computed for the glTF
            saved = maps.save(self.path("s", "m.png"))
        self.assertEqual([os.path.basename(f) for f in saved],
                         [os.path.basename(f) for f in made])
        self.assertEqual([read(f) for f in saved], [read(f) for f in made])

    def test_output_paths_are_refused_as_the_tool_refuses_them(self):
        os.mkdir(self.path("folder"))
        for path, single in ((self.path("folder"), False), (self.path("folder"), True),
                             (self.path("m.PNG"), False), (self.path("plain"), False)):
            with self.subTest(path=path, single_file=single):
                options = {"single_file": True} if single else {}
                with self.assertRaises(proctex.SettingsError) as refused:
                    proctex.generate(path, width=8, height=8, **options)
                self.assertIn(os.path.basename(path), str(refused.exception))
                run = self.run_tool(None, dict(width=8, height=8, **options), path)
                self.assertEqual(run.returncode, 2, run.stderr)
        self.assertEqual(files_below(self.dir), [])
        # Accepted with single_file: every map on the one path, or split at
        # the last ".png".
        self.assertEqual(proctex.generate(self.path("plain"), width=8, height=8,
                                          single_file=True, sidecar=True),
                         [self.path("plain"), self.path("plain.json")])
        self.assertEqual(proctex.generate(self.path("a.png.tmp"), width=8, height=8,
                                          single_file=True)[0], self.path("a_diff.png"))

    def test_output_keywords_take_only_their_values(self):
        with self.assertRaises(proctex.SettingsError) as refused:
            proctex.generate(self.path("m.png"), naming="blender")
        self.assertEqual(refused.exception.option, "naming")
        for name in proctex.NAMING_CONVENTIONS:
            self.assertIn(name, refused.exception.reason)
        with self.assertRaises(proctex.SettingsError):
            proctex.render(compression="tiny")
        with self.assertRaises(TypeError):
            proctex.render(gltf="yes")
        self.assertEqual(files_below(self.dir), [])


class Progress(Folder):
    def test_fractions_rise_to_one_through_the_stages(self):
        for call in ("render", "generate"):
            with self.subTest(call=call):
                heard = []
                progress = lambda fraction, stage: heard.append((fraction, stage))  # noqa: E731
                if call == "render":
                    proctex.render("marble", width=128, height=128, progress=progress).close()
                else:
                    proctex.generate(self.path("m.png"), "marble", width=128, height=128,
                                     gltf=True, progress=progress)
                fractions = [f for f, _ in heard]
                self.assertGreater(len(heard), 3)
                self.assertEqual(fractions, sorted(fractions))
                self.assertTrue(0.0 <= fractions[0] < 0.5)
                self.assertEqual(heard[-1], (1.0, "done"))
                self.assertEqual([s for _, s in heard].count("done"), 1)
                self.assertLessEqual({s for _, s in heard}, STAGES)
                if call == "generate":
                    self.assertIn("write", {s for _, s in heard})

    def test_false_stops_the_call_and_nothing_is_written(self):
        for at in (0.1, 0.5, 0.9):
            for answer in (False, 0):
                with self.subTest(at=at, answer=answer):
                    heard = []

                    def progress(fraction, stage):
                        heard.append(fraction)
                        return answer if fraction >= at else None

                    with self.assertRaises(proctex.Cancelled):
                        proctex.generate(self.path(f"sub{at}", "m.png"), width=256, height=256,
                                         gltf=True, sidecar=True, progress=progress)
                    self.assertEqual(files_below(self.dir), [])
                    self.assertGreaterEqual(heard[-1], at)
                    self.assertLess(heard[-1], 1.0)
        with self.assertRaises(proctex.Cancelled):
            proctex.render(width=256, height=256, progress=lambda f, s: f < 0.5)
        self.assertTrue(issubclass(proctex.Cancelled, proctex.ProctexError))

    def test_an_exception_in_the_callback_comes_out_of_the_call(self):
        class Stop(Exception):
            pass

        for error in (Stop("from the callback"), KeyboardInterrupt()):
            with self.subTest(error=type(error).__name__):
                calls = []

                def progress(fraction, stage):
                    calls.append(fraction)
                    if fraction >= 0.3:
                        raise error

                with self.assertRaises(type(error)) as raised:
                    proctex.generate(self.path("m.png"), width=256, height=256,
                                     progress=progress)
                self.assertIs(raised.exception, error)
                self.assertGreaterEqual(calls[-1], 0.3)
                self.assertEqual(len([f for f in calls if f >= 0.3]), 1)  # never called again
                self.assertEqual(files_below(self.dir), [])
        # Afterwards the binding works as before.
        self.assertEqual(proctex.render(width=8, height=8).size, (8, 8))
        with self.assertRaises(TypeError):
            proctex.render(width=8, height=8, progress="50%")


if __name__ == "__main__":
    unittest.main()
