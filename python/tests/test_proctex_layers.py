"""Layers from Python: proctex.Layer as the layers' text, read and refused by
the library, and the record the tool writes. Needs PROCTEX_CLI for the last."""

import dataclasses
import os
import subprocess
import tempfile
import unittest

from proctex_helpers import CLI, read  # puts the binding on the path
import proctex  # noqa: E402


class Layers(unittest.TestCase):
    def test_every_field_is_a_key_the_library_writes_back_as_given(self):
        layer = proctex.Layer(
            mask="joints", threshold=0.4, softness=0.2, invert=True, mask2="noise",
            threshold2=0.6, softness2=0.15, invert2=True, combine="max", noise_scale=40,
            noise_octaves=3, noise_seed=7, color="#102030", color2="#405060", piece_tint=0.25,
            roughness=0.6, metal=0.5, metal_type=proctex.OPTIONS["metal_type"].choices[-1].name,
            emission=2, height=-0.05, detail=0.3)
        self.assertTrue(all(getattr(layer, f.name) is not None
                            for f in dataclasses.fields(layer)))
        # Every value differs from the default: the library writes each key, in its order.
        self.assertEqual(proctex.check(layers=[layer])["layers"], str(layer))
        # A list is the text with ';' between, its entries Layers or text alike.
        moss = "mask=height threshold=0.35 invert=1 color=#4d5a2a"
        as_text = proctex.check(layers=f"{layer}; {moss}")["layers"]
        self.assertEqual(proctex.check(layers=[layer, moss])["layers"], as_text)
        self.assertEqual(proctex.check(layers=as_text)["layers"], as_text)
        # A layer that says nothing is still a layer; "" clears them.
        self.assertEqual(proctex.check(layers=proctex.Layer())["layers"], str(proctex.Layer()))
        self.assertEqual(proctex.check(layers="")["layers"], proctex.defaults()["layers"])
        self.assertEqual(proctex.defaults()["layers"], "")

    def test_refusals_name_the_layer_and_the_key(self):
        with self.assertRaises(proctex.SettingsError) as caught:
            proctex.render(width=8, height=8, layers=[proctex.Layer(mask="joints"),
                                                      proctex.Layer(mask="joints", height=2)])
        self.assertEqual(caught.exception.option, "layers")
        self.assertRegex(caught.exception.reason, "^layer 2 height must be")
        with self.assertRaisesRegex(proctex.SettingsError, "layer 1 mask must be one of .*joints"):
            proctex.check(layers=proctex.Layer(mask="jionts"))
        # Entries that would shift the library's count of layers.
        for entries in (["mask=joints; mask=all"], ["mask=joints", " "]):
            with self.subTest(entries=entries), \
                    self.assertRaisesRegex(proctex.SettingsError, "entry"):
                proctex.check(layers=entries)
        for value in (5, [proctex.Layer(), 3], {"mask": "joints"}):
            with self.subTest(value=value), self.assertRaises(TypeError):
                proctex.check(layers=value)

    @unittest.skipUnless(os.path.isfile(CLI), "PROCTEX_CLI does not name the command-line tool")
    def test_files_and_record_are_the_tools(self):
        mortar = proctex.Layer(mask="joints", color="#9a948a", roughness=0.92, height=-0.03)
        with tempfile.TemporaryDirectory() as folder:
            made = proctex.generate(os.path.join(folder, "py.png"), "brick-wall", width=24,
                                    height=24, layers=[mortar], sidecar=True)
            run = subprocess.run([CLI, "--preset", "brick-wall", "--width", "24", "--height",
                                  "24", "--layers", str(mortar), "--sidecar",
                                  os.path.join(folder, "cli.png")],
                                 capture_output=True, text=True, check=False)
            self.assertEqual(run.returncode, 0, run.stderr)
            theirs = run.stdout.split()
            self.assertEqual([read(f) for f in made[:-1]], [read(f) for f in theirs[:-1]])
            self.assertIn(b'"layers": "mask=joints', read(made[-1]))
            self.assertEqual(read(made[-1]).replace(b"py_", b"cli_"), read(theirs[-1]))


if __name__ == "__main__":
    unittest.main()
