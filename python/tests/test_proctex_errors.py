"""Refusals and failures: bad options, refused settings, blocked files, a
missing library; and that every pattern and overlay changes the maps."""

import os
import subprocess
import sys
import tempfile
import unittest

import proctex_helpers  # noqa: F401 (puts the binding on the path)
import proctex  # noqa: E402


class Errors(unittest.TestCase):
    def test_every_pattern_and_overlay_alone_changes_the_maps(self):
        size = {"width": 64, "height": 64, "roughness_map": 0, "metallic_map": 0}
        with proctex.render(**size) as plain:
            base = bytes(plain.diffuse) + bytes(plain.normal)
        kinds = [("pattern", t) for t in proctex.STARTING_VALUES["pattern"]] + \
            [("overlay", t) for t in proctex.STARTING_VALUES["overlay"]]
        for option, kind in kinds:
            with self.subTest(option=option, type=kind), \
                    proctex.render(**size, **{option: kind}) as maps:
                pixels = bytes(maps.diffuse) + bytes(maps.normal)
                changed = sum(abs(a - b) for a, b in zip(pixels, base)) / len(base)
                self.assertGreater(changed, 0.5)
        # Explicit values, 0 included, are the caller's.
        self.assertEqual(proctex.check(pattern=4, pattern_param=0)["pattern_param"], 0)
        self.assertEqual(proctex.check(overlay=1)["overlay_strength"], 0.6)
        self.assertEqual(proctex.check("lava", seed=2)["pattern_param"],
                         proctex.defaults("lava")["pattern_param"])

    def test_missing_folders_are_made(self):
        with tempfile.TemporaryDirectory() as folder:
            made = proctex.generate(os.path.join(folder, "a", "b", "x.png"), width=8, height=8)
            self.assertTrue(all(os.path.isfile(f) for f in made))

    def test_every_control_character_in_an_output_is_refused(self):
        with tempfile.TemporaryDirectory() as folder:
            for code in list(range(0x20)) + [0x7F]:
                with self.subTest(code=code), self.assertRaises(ValueError) as caught:
                    proctex.generate(os.path.join(folder, f"a{chr(code)}b.png"), width=8, height=8)
                self.assertIn("control character", str(caught.exception))
            self.assertEqual(os.listdir(folder), [])
            proctex.generate(os.path.join(folder, "a b\u00e9.png"), width=8, height=8)

    def test_dll_answers(self):
        self.assertEqual(proctex.test_dll(), 42)

    def test_exit_while_daemon_threads_render_with_progress(self):
        # The interpreter ends such threads by unwinding them through the
        # library, which must let that pass instead of aborting the process.
        script = ("import threading, time, proctex\n"
                  "def work():\n"
                  "    while True:\n"
                  "        proctex.render(width=512, height=512, progress=lambda f, s: True)\n"
                  "for _ in range(3):\n"
                  "    threading.Thread(target=work, daemon=True).start()\n"
                  "time.sleep(0.2)\n")
        path = os.pathsep.join([os.path.dirname(os.path.dirname(proctex.__file__))]
                               + sys.path)
        for _ in range(3):
            run = subprocess.run([sys.executable, "-c", script], capture_output=True,
                                 env=dict(os.environ, PYTHONPATH=path), timeout=60)
            self.assertEqual(run.returncode, 0, run.stderr.decode(errors="replace")[-300:])

    def test_a_failed_call_raises_and_says_why(self):
        with tempfile.TemporaryDirectory() as folder:
            blocked = os.path.join(folder, "x_nmap.png")
            os.mkdir(blocked)
            with self.assertRaisesRegex(proctex.ProctexError, "x_nmap.png: Is a directory"):
                proctex.generate(os.path.join(folder, "x.png"), width=8, height=8)
            os.rmdir(blocked)
            # An optional map that fails is a failure too, and leaves no file.
            os.mkdir(os.path.join(folder, "x_metal.png"))
            with self.assertRaisesRegex(proctex.ProctexError, "x_metal.png: Is a directory"):
                proctex.generate(os.path.join(folder, "x.png"), width=8, height=8)
            os.rmdir(os.path.join(folder, "x_metal.png"))
            for name in ("x_diff.png", "x_nmap.png", "x_spec.png", "x_rough.png"):
                os.remove(os.path.join(folder, name))
            # Refused settings: the option and the reason (the library's, or the
            # table's limits and names before the call), and nothing written.
            for options, option, reason in [
                    ({"width": 0}, "width", "must be a whole number from 1 to 2147483647 (got 0)"),
                    ({"pattern": 6, "pattern_param": 0}, "pattern_param", "patternParam"),
                    ({"ao_radius": -1}, "ao_radius", "must be a number from 0 to 256 (got -1)"),
                    ({"ao_radius": 256.5}, "ao_radius", "got 256.5"),
                    ({"seed": 2**31}, "seed", "from -2147483648 to 2147483647"),
                    ({"scale": float("inf")}, "scale", "must be a finite number (got inf)"),
                    ({"scale": 1e39}, "scale", "must be a finite number"),
                    ({"contrast": float("nan")}, "contrast", "got nan"),
                    ({"invert": 2}, "invert", "must be True or False"),
                    ({"pattern": "cels"}, "pattern", "unknown pattern 'cels' (did you mean "
                                                     "cells?); choose one of none (0), rings (2)"),
                    ({"overlay": "brick"}, "overlay", "(did you mean bricks?)"),
                    ({"pattern": 99}, "pattern", "unknown pattern 99; choose one of"),
                    ({"pattern": 1}, "pattern", "unknown pattern 1"),
                    ({"material": 42}, "material", "unknown material 42"),
                    ({"base": "spiral"}, "base", "choose one of fractal (0), single-octave (1)")]:
                for call in (lambda: proctex.check(**options),
                             lambda: proctex.render(**options),
                             lambda: proctex.generate(os.path.join(folder, "y.png"), **options)):
                    with self.subTest(options=options), \
                            self.assertRaises(proctex.SettingsError) as caught:
                        call()
                    self.assertIsInstance(caught.exception, ValueError)
                    self.assertIsInstance(caught.exception, proctex.ProctexError)
                    self.assertEqual(caught.exception.option, option)
                    self.assertIn(reason, caught.exception.reason)
                    self.assertEqual(str(caught.exception), f"option {option}: "
                                     + caught.exception.reason)
            with self.assertRaisesRegex(ValueError, "no preset is called 'Marbel'; did you mean "
                                                    "'marble'"):
                proctex.render("Marbel")
            self.assertEqual(os.listdir(folder), [])

    def test_bad_options_are_refused_before_the_call(self):
        with self.assertRaisesRegex(TypeError, "unknown option 'sclae'; did you mean 'scale'"):
            proctex.generate("unused.png", sclae=3)
        with self.assertRaisesRegex(TypeError, "whole number"):
            proctex.generate("unused.png", octaves=2.5)
        with self.assertRaisesRegex(TypeError, "takes a number"):
            proctex.generate("unused.png", scale="big")
        with self.assertRaisesRegex(TypeError, "takes a name or a code, not 6.0"):
            proctex.generate("unused.png", pattern=6.0)
        with self.assertRaisesRegex(TypeError, "normal_gl map is asked for twice"):
            proctex.render(normal_gl=True, opengl_normal=False)
        with self.assertRaisesRegex(TypeError, "ao takes True or False"):
            proctex.render(ao="yes")
        self.assertFalse(os.path.exists("unused_diff.png"))

    def test_a_missing_library_is_a_clear_error(self):
        env = dict(os.environ, PROCTEX_LIBRARY="/nonexistent/libproctex.so")
        code = "import proctex; proctex.test_dll()"
        run = subprocess.run([sys.executable, "-c", code], env=env, capture_output=True,
                             text=True, check=False,
                             cwd=os.path.dirname(os.path.dirname(proctex.__file__)))
        self.assertNotEqual(run.returncode, 0)
        self.assertIn("ProctexError: cannot load the proctex library from PROCTEX_LIBRARY",
                      run.stderr)
        self.assertIn("/nonexistent/libproctex.so", run.stderr)


if __name__ == "__main__":
    unittest.main()
