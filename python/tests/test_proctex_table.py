"""The binding's options, maps and settings structure against the library's
table, read afresh through ctypes."""

import ctypes
import glob
import os
import re
import unittest
from unittest import mock

from proctex_helpers import CONTAINERS, HEADER
import proctex  # noqa: E402


class Choice(ctypes.Structure):
    _fields_ = [("value", ctypes.c_int), ("name", ctypes.c_char_p), ("label", ctypes.c_char_p),
                ("startCount", ctypes.c_int), ("startOption", ctypes.c_char_p * 2),
                ("startValue", ctypes.c_float * 2)]


class OptionInfo(ctypes.Structure):
    _fields_ = [("size", ctypes.c_size_t), ("name", ctypes.c_char_p), ("member", ctypes.c_char_p),
                ("kind", ctypes.c_int), ("offset", ctypes.c_size_t)] \
        + [(n, ctypes.c_double) for n in ("defaultValue", "usefulMin", "usefulMax", "step",
                                          "limitMin", "limitMax")] \
        + [("help", ctypes.c_char_p), ("group", ctypes.c_char_p), ("choiceCount", ctypes.c_int),
           ("choices", ctypes.POINTER(Choice))]


class MapInfo(ctypes.Structure):
    _fields_ = [("size", ctypes.c_size_t), ("map", ctypes.c_int), ("name", ctypes.c_char_p),
                ("suffix", ctypes.c_char_p)] \
        + [(n, ctypes.c_int) for n in ("channels", "bitDepth", "srgb", "legacy")] \
        + [("help", ctypes.c_char_p)]


def table_rows(kind):
    """The library's option or map table, read here through ctypes with the
    header's structs declared anew."""
    library = ctypes.CDLL(proctex.library_path())
    info_type = MapInfo if kind == "map" else OptionInfo  # "option", "layer_option"
    rows = []
    for i in range(getattr(library, f"proctex_{kind}_count")()):
        info = info_type(size=ctypes.sizeof(info_type))
        assert getattr(library, f"proctex_{kind}_info")(i, ctypes.byref(info)) == 0
        rows.append(info)
    return rows


KINDS = {0: "integer", 1: "number", 2: "flag", 3: "choice", 4: "colors",  # PROCTEX_KIND_...
         5: "layers"}
COUNTS = {"colors": "colorStopCount", "layers": "layerCount"}


class TheLibrarysTable(unittest.TestCase):
    """What the binding offers is the library's table, read afresh here."""

    def test_options_settings_and_starting_values_are_the_table(self):
        rows = table_rows("option")
        self.assertEqual(list(proctex.OPTIONS), [r.name.decode().replace("-", "_") for r in rows])
        settings = proctex._native.tables().Settings
        starts, defaults = {}, proctex.defaults()

        def float32(values):  # the table's floats, as the library holds them
            return {name: ctypes.c_float(v).value for name, v in values.items()}

        for index, row in enumerate(rows):
            option = proctex.OPTIONS[row.name.decode().replace("-", "_")]
            with self.subTest(option=option.name):
                self.assertEqual((option.index, option.cli_name, option.member, option.kind,
                                  option.help, option.group),
                                 (index, row.name.decode(), row.member.decode(), KINDS[row.kind],
                                  row.help.decode(), row.group.decode()))
                self.assertEqual((option.useful, option.step, option.limits),
                                 ((row.usefulMin, row.usefulMax), row.step,
                                  (row.limitMin, row.limitMax)))
                # Defaults as the member holds them: float32 numbers, whole others.
                self.assertEqual(defaults[option.name], option.default)
                if option.is_text:  # the text; the row counts its stops or layers
                    self.assertEqual((option.default, row.defaultValue), ("", 0))
                    self.assertEqual(getattr(settings, COUNTS[option.kind]).offset, row.offset)
                    continue
                self.assertEqual(ctypes.c_float(option.default).value
                                 if option.kind == "number" else option.default, row.defaultValue)
                self.assertIsInstance(option.default, float if option.kind == "number" else int)
                member = getattr(settings, row.member.decode())
                self.assertEqual((member.offset, member.size), (row.offset, 4))
                choices = []
                for c in row.choices[:row.choiceCount]:
                    start = {c.startOption[k].decode().replace("-", "_"): c.startValue[k]
                             for k in range(c.startCount)}
                    choices.append((c.value, c.name.decode(), c.label.decode(), start))
                    if start:
                        starts.setdefault(option.name, {})[c.value] = start
                self.assertEqual([(c.value, c.name, c.label, float32(c.start))
                                  for c in option.choices], choices)
        self.assertEqual({option: {code: float32(start) for code, start in by_code.items()}
                          for option, by_code in proctex.STARTING_VALUES.items()}, starts)
        self.assertGreater(len(starts), 0)
        self.assertEqual(ctypes.sizeof(settings) % ctypes.alignment(ctypes.c_size_t), 0)
        # A choice alone takes its starting values; given ones stay.
        for option, by_code in proctex.STARTING_VALUES.items():
            for code, start in by_code.items():
                self.assertEqual({n: proctex.check(**{option: code})[n] for n in start},
                                 start)
                given = dict.fromkeys(start, 1.5)
                chosen = proctex.check(**given, **{option: code})
                self.assertEqual({n: chosen[n] for n in start}, given)

    @unittest.skipUnless(os.path.isfile(HEADER), "needs the source tree's include/proctex.h")
    def test_the_settings_structure_has_every_member_of_the_header(self):
        text = ""
        for part in glob.glob(os.path.join(os.path.dirname(HEADER), "proctex*.h")):
            with open(part, encoding="utf-8") as f:  # proctex.h and the headers it includes
                text += f.read()
        ctypes_of = {"size_t": ctypes.c_size_t, "int": ctypes.c_int, "float": ctypes.c_float}

        def members_of(struct):
            body = re.search(r"typedef struct %s \{(.*?)\}" % struct, text, re.S)[1]
            body = re.sub(r"/\*.*?\*/", "", body, flags=re.S)  # "its color and color2;"
            members = []
            for kind, name, dims in re.findall(r"(\w+) (\w+)((?:\[\d+\])*);", body):
                ctype = ctypes_of[kind]
                for n in reversed([int(d) for d in re.findall(r"\d+", dims)]):
                    ctype = ctype * n  # float a[8][4]: eight arrays of four
                members.append((name, ctype))
            return members

        def layout(fields):  # nested structures by their members, not their class
            return [(name, ctype._length_, layout(ctype._type_._fields_))
                    if hasattr(ctype, "_type_") and hasattr(ctype._type_, "_fields_")
                    else (name, ctype) for name, ctype in fields]

        # The settings hold eight layers: ProctexLayer, read from the header first.
        ctypes_of["ProctexLayer"] = type("Layer", (ctypes.Structure,),
                                         {"_fields_": members_of("ProctexLayer")})
        self.assertEqual(layout(f for f in proctex._native.tables().Settings._fields_
                                if not f[0].startswith("_")),
                         layout(members_of("ProctexSettings")))

    def test_maps_and_their_files_are_the_table(self):
        rows = table_rows("map")
        self.assertEqual([(m.number, m.name, m.suffix, m.channels, m.bit_depth, m.srgb, m.legacy)
                          for m in proctex.MAPS.values()],
                         [(r.map, r.name.decode().replace("-", "_"), r.suffix.decode(), r.channels,
                           r.bitDepth, bool(r.srgb), bool(r.legacy)) for r in rows])
        extras = {m.name: True for m in proctex.MAPS.values() if m.suffix and not m.legacy}
        self.assertEqual(proctex.output_files("out/a.png", **extras),
                         ["out/a" + r.suffix.decode() for r in rows if r.suffix])
        for kind, numpy in CONTAINERS:
            with self.subTest(kind=kind), mock.patch.object(proctex._maps, "_numpy", numpy), \
                    proctex.render(width=24, height=16, material="marble", emission=1.0,
                                   **extras) as maps:  # a glow, so that every map is there
                for m in proctex.MAPS.values():
                    pixels = getattr(maps, m.name)
                    self.assertEqual(pixels.shape,
                                     (16, 24) + ((m.channels,) if m.channels > 1 else ()), m.name)
                    size = pixels.itemsize if numpy else ctypes.sizeof(
                        {"B": ctypes.c_uint8, "H": ctypes.c_uint16, "f": ctypes.c_float}
                        [pixels.typecode])
                    self.assertEqual(size * 8, m.bit_depth, m.name)

    def test_type_codes_by_name_give_the_codes_maps(self):
        numbered = proctex.render(width=40, height=24, material=7, pattern=6, overlay=2, base=1,
                                  height16=True)
        for names in ({"material": "lava", "pattern": "cells", "overlay": "bricks",
                       "base": "single-octave"},
                      {"material": "LAVA", "pattern": "Cells", "overlay": "BRICKS",
                       "base": "Single_Octave"},
                      {"material": "7", "pattern": 6, "overlay": "2", "base": "single_octave"}):
            with self.subTest(names=names):
                named = proctex.render(width=40, height=24, height16=True, **names)
                self.assertEqual(named.options, numbered.options)
                for m in proctex.MAPS.values():
                    mine, theirs = (getattr(r, m.name) for r in (named, numbered))
                    self.assertEqual(None if mine is None else bytes(mine),
                                     None if theirs is None else bytes(theirs), m.name)
        self.assertIsNotNone(numbered.height16)
        self.assertEqual(numbered.options["pattern"], 6)


class SettingsLayout(unittest.TestCase):
    """The structure is laid out from whatever table a library has."""

    def option(self, name, offset, kind, most=1):
        return proctex.Option(0, name, name, name, offset, kind, 0, (0, 1), 1, (0, most), "", "",
                              ())

    def test_members_take_their_offsets_with_padding_between(self):
        size_t = ctypes.sizeof(ctypes.c_size_t)
        table = [self.option("b", size_t + 12, "number"), self.option("a", size_t, "flag"),
                 self.option("c", size_t + 16, "choice"), self.option("r", size_t + 20, "colors", 8)]
        built = proctex._table.settings_type(table, proctex.ProctexError)
        self.assertEqual([(f, getattr(built, f).offset, t) for f, t in built._fields_
                          if not f.startswith("_")],
                         [("size", 0, ctypes.c_size_t), ("a", size_t, ctypes.c_int),
                          ("b", size_t + 12, ctypes.c_float), ("c", size_t + 16, ctypes.c_int),
                          # the colour ramp: its count, then as many stops as it takes
                          ("colorStopCount", size_t + 20, ctypes.c_int),
                          ("r", size_t + 24, (ctypes.c_float * 4) * 8)])
        with self.assertRaisesRegex(proctex.ProctexError, "option b at byte .*inside"):
            proctex._table.settings_type([self.option("a", size_t, "number"),
                                          self.option("b", size_t + 2, "integer")],
                                         proctex.ProctexError)

    def test_an_unknown_kind_fails_loudly(self):
        class Library:
            def proctex_option_count(self):
                return 1

            def proctex_option_info(self, index, info):
                info._obj.name, info._obj.member, info._obj.kind = b"sheen", b"sheen", 9
                return 0

        with self.assertRaisesRegex(proctex.ProctexError, "option sheen is of kind 9"):
            proctex._table.read_options(Library(), proctex.ProctexError)


if __name__ == "__main__":
    unittest.main()
