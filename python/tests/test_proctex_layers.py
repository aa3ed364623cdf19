"""Layers from Python: proctex.Layer as the layers' text, read and refused by
the library, and the record the tool writes. Needs PROCTEX_CLI for the last."""

import dataclasses
import os
import subprocess
import tempfile
import unittest

from proctex_helpers import CLI, read  # puts the binding on the path
from test_proctex_table import table_rows
import proctex  # noqa: E402


def unlike_default(option):
    """A value of a layer key other than its default, as the library writes it."""
    if option.kind == "choice":
        return next(c.name for c in option.choices if c.value != option.default)
    if option.kind == "flag":
        return not option.default
    if option.kind == "color":  # each its own (color2 unsaid follows color)
        return f"#{option.index:02x}2030"
    low, high = option.useful
    value = (low + high) / 2
    if value == option.default:
        value = (low + value) / 2
    return int(value) if option.kind == "integer" or value == int(value) else value


class Layers(unittest.TestCase):
    def test_the_keys_are_the_librarys_table_each_written_back_as_given(self):
        rows = table_rows("layer_option")
        self.assertEqual(proctex.Layer.keys(),
                         tuple(r.name.decode().replace("-", "_") for r in rows))
        self.assertEqual(tuple(proctex.LAYER_OPTIONS), proctex.Layer.keys())
        # A value unlike the default for every key of the table: the library
        # writes each key back, in its order.
        layer = proctex.Layer(**{o.name: unlike_default(o)
                                 for o in proctex.LAYER_OPTIONS.values()})
        self.assertEqual(proctex.check(layers=[layer])["layers"], str(layer))
        self.assertEqual(str(layer).count("="), len(rows))
        self.assertEqual(layer.replace(height=None), proctex.Layer(**{
            k: getattr(layer, k) for k in proctex.Layer.keys() if k != "height"}))
        with self.assertRaisesRegex(TypeError, "no key 'noise_scal'; did you mean 'noise_scale'"):
            proctex.Layer(noise_scal=3)
        # A list is the text with ';' between, its entries Layers or text alike.
        moss = "mask=height threshold=0.35 invert=1 color=#4d5a2a"
        as_text = proctex.check(layers=f"{layer}; {moss}")["layers"]
        self.assertEqual(proctex.check(layers=[layer, moss])["layers"], as_text)
        self.assertEqual(proctex.check(layers=as_text)["layers"], as_text)
        # A layer that says nothing is still a layer; "" clears them.
        self.assertEqual(proctex.check(layers=proctex.Layer())["layers"], str(proctex.Layer()))
        self.assertEqual(proctex.check(layers="")["layers"], proctex.defaults()["layers"])
        self.assertEqual(proctex.defaults()["layers"], "")

    def test_a_palette_colours_the_layer_only_where_it_shows(self):
        def diffuse(*layers):
            return bytes(proctex.render("brick-wall", width=48, height=48,
                                        layers=list(layers)).diffuse)

        def pixels(data):
            return [data[i:i + 3] for i in range(0, len(data), 3)]

        mortar = proctex.Layer(mask="joints", color="#9a948a")
        base, own = pixels(diffuse()), pixels(diffuse(mortar))
        self.assertEqual(diffuse(mortar.replace(palette="own")), diffuse(mortar))
        for palette in ("wood", "custom"):
            with self.subTest(palette=palette):
                painted = pixels(diffuse(mortar.replace(palette=palette)))
                shown = [b != o for b, o in zip(base, own)]
                self.assertTrue(any(p != o for p, o in zip(painted, own)))
                # Where the layer does not show, the palette changes nothing.
                self.assertEqual([p for p, s in zip(painted, shown) if not s],
                                 [b for b, s in zip(base, shown) if not s])
                self.assertGreater(sum(shown), len(shown) // 20)
        with self.assertRaisesRegex(proctex.SettingsError, "layer 1 palette must be one of"):
            proctex.check(layers=mortar.replace(palette="woood"))

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
