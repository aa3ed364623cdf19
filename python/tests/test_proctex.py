"""The Python binding against the command-line tool: same names, same defaults,
same bytes. Needs PROCTEX_CLI (the tool) and, usually, PROCTEX_LIBRARY."""

import ctypes
import json
import locale
import glob
import os
import re
import struct
import subprocess
import sys
import tempfile
import threading
import unittest
import zlib
from unittest import mock

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import proctex  # noqa: E402

CLI = os.environ.get("PROCTEX_CLI", "")
HEADER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "include",
                      "proctex.h")
# Every test of maps in memory runs with numpy (when it is there) and without.
CONTAINERS = ([("numpy", proctex._maps._numpy)] if proctex._maps._numpy else []) \
    + [("bytes", None)]


def read(path):
    with open(path, "rb") as f:
        return f.read()


def decode_png(data, depth=8):
    """(width, height, channels, pixels) of a non-interlaced PNG of 8 bits per
    sample, or of 16 (the samples then big-endian, as stored)."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    position, packed = 8, b""
    while position < len(data):
        length, kind = struct.unpack(">I4s", data[position:position + 8])
        body = data[position + 8:position + 8 + length]
        position += length + 12
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert (body[8], interlace) == (depth, 0)
        elif kind == b"IDAT":
            packed += body
    channels = {0: 1, 4: 2, 2: 3, 6: 4}[colour]
    step = channels * depth // 8  # bytes per pixel: the filters' distance to "left"
    raw, row, pixels = zlib.decompress(packed), width * step, bytearray()
    previous = bytearray(row)
    for y in range(height):
        kind, line = raw[y * (row + 1)], bytearray(raw[y * (row + 1) + 1:(y + 1) * (row + 1)])
        for i in range(row):
            a = line[i - step] if i >= step else 0
            b, c = previous[i], previous[i - step] if i >= step else 0
            paeth = min((abs(b - c), 0, a), (abs(a - c), 1, b), (abs(a + b - 2 * c), 2, c))[2]
            line[i] = (line[i] + (0, a, b, (a + b) // 2, paeth)[kind]) & 255
        pixels += line
        previous = line
    return width, height, channels, bytes(pixels)


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
                    self.assertEqual(read(mine), read(mine.replace("py", "batch", 1)), mine)

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


class MapsInMemory(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)

    def test_close_from_another_thread_waits_for_a_running_save(self):
        # Without the lock the library's copy was freed under a running save.
        outcomes = []
        for attempt in range(5):
            maps = proctex.render(width=512, height=512, ao=True, orm=True)
            started = threading.Event()

            def save():
                started.set()
                try:
                    outcomes.append(len(maps.save(self.path(f"r{attempt}.png"))))
                except proctex.ProctexError as error:
                    outcomes.append(str(error))

            saver = threading.Thread(target=save)
            saver.start()
            started.wait()
            maps.close()
            saver.join()
            with self.assertRaisesRegex(proctex.ProctexError, "after close"):
                maps.save(self.path("late.png"))
        self.assertEqual(len(outcomes), 5)
        for outcome in outcomes:
            self.assertTrue(outcome == 7 or "after close" in str(outcome), outcome)

    def path(self, name):
        return os.path.join(self.dir.name, name)

    def test_maps_hold_the_pixels_of_the_files(self):
        # A grey diffuse has one channel with GenerateTexture's maps (pbr off).
        cases = [(None, {"width": 40, "height": 24, "material": 1, "roughness_map": False,
                         "pbr": False}),
                 ("brick-wall", {"width": 33, "height": 20, "metallic_map": True}),
                 (None, {"width": 24, "height": 16, "material": 5, "seamless": True,
                         "pattern": 6, "pattern_param": 4})]
        for (preset, options), (kind, numpy) in [(c, k) for c in cases for k in CONTAINERS]:
            with self.subTest(preset=preset, options=options, kind=kind), \
                    mock.patch.object(proctex._maps, "_numpy", numpy):
                base = os.path.join(self.dir.name, f"{kind}{len(os.listdir(self.dir.name))}")
                files = proctex.generate(base + "a.png", preset, **options)
                with proctex.render(preset, **options) as maps:
                    saved = maps.save(base + "b.png")
                self.assertEqual([read(f) for f in saved], [read(f) for f in files])
                w, h = options["width"], options["height"]
                self.assertEqual(maps.size, (w, h))
                grey = options.get("material") == 1
                self.assertEqual(maps.diffuse.shape, (h, w) if grey else (h, w, 3))
                self.assertEqual(maps.height.shape, (h, w))
                self.assertEqual(len(bytes(maps.height)), w * h * 4)
                self.assertEqual(maps.roughness is None, options.get("roughness_map") is False)
                held = [getattr(maps, name) for name in ("diffuse", "normal", "specular",
                                                         "roughness", "metallic")]
                held = [m for m in held if m is not None]
                self.assertEqual(len(held), len(files))
                for image, file in zip(held, files):
                    self.assertIsInstance(image, bytes if numpy is None else numpy.ndarray)
                    channels = 1 if len(image.shape) == 2 else image.shape[2]
                    self.assertEqual(decode_png(read(file)), (w, h, channels, bytes(image)))
                    self.assertEqual(proctex.encode_png(image), read(file))
        with self.assertRaisesRegex(proctex.ProctexError, "after close"):
            maps.save(os.path.join(self.dir.name, "closed.png"))

    def test_encode_png_takes_any_layout(self):
        pattern = bytes((i * 37 + i // 7) & 255 for i in range(4 * 9 * 10))
        # Rows of 2 RGB pixels, 7 bytes apart, from raw bytes.
        self.assertEqual(decode_png(proctex.encode_png(pattern[:7 * 3], 2, 3, 3, stride=7)),
                         (2, 3, 3, b"".join(pattern[r * 7:r * 7 + 6] for r in range(3))))
        with self.assertRaisesRegex(ValueError, "need 20 bytes, got 19"):
            proctex.encode_png(pattern[:19], 2, 3, 3, stride=7)
        numpy = proctex._maps._numpy
        if numpy is None:
            self.skipTest("numpy is not available")
        whole = numpy.frombuffer(pattern, numpy.uint8).reshape(9, 10, 4)
        views = [whole[:, :, 0], whole[:, :, :1], whole[1:, 2:7, :2], whole[:, :, :3],
                 whole, whole[::-1, ::3], whole[:, :, 2::-1], whole[:, :, 0].T, whole[:1, :1],
                 whole.reshape(9, 40)[:, 3:11], whole[2:, 1:4]]
        for view in views:
            with self.subTest(shape=view.shape, strides=view.strides):
                channels = 1 if view.ndim == 2 else view.shape[2]
                self.assertEqual(decode_png(proctex.encode_png(view)),
                                 (view.shape[1], view.shape[0], channels, view.tobytes()))
        with self.assertRaisesRegex(TypeError, "uint8"):
            proctex.encode_png(whole.astype(numpy.float32))
        with self.assertRaisesRegex(ValueError, "H x W x 1..4"):
            proctex.encode_png(numpy.zeros((2, 2, 5), numpy.uint8))


def values(image, typecode="B"):
    """The samples of a map (numpy array or Pixels) as one flat list."""
    return memoryview(bytes(image)).cast(typecode).tolist()


def height16_of(value):
    """The 16-bit sample of one float32 height: clamped to 0..1, x 65535 and
    rounded to nearest, each step in float32 as the library computes it."""
    scaled = ctypes.c_float(min(max(value, 0.0), 1.0) * 65535).value
    return int(ctypes.c_float(scaled + 0.5).value)


class ExtraMaps(unittest.TestCase):
    EXTRAS = {"height16": True, "ao": True, "opengl_normal": True, "orm": True}

    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)

    def test_extras_follow_the_five_maps_and_pack_them(self):
        options = {"width": 37, "height": 21, "ao_radius": 6}
        for kind, numpy in CONTAINERS:
            with self.subTest(kind=kind), mock.patch.object(proctex._maps, "_numpy", numpy):
                base = os.path.join(self.dir.name, kind)
                files = proctex.generate(base + "a.png", "brick-wall", **options, **self.EXTRAS)
                with proctex.render("brick-wall", **options, **self.EXTRAS) as maps:
                    saved = maps.save(base + "b.png")
                # The five maps, then the extras in the header's order.
                self.assertEqual(saved, proctex.output_files(base + "b.png", **self.EXTRAS))
                self.assertEqual(len(saved), 9)
                extras = ["_height.png", "_ao.png", "_nmap_gl.png", "_orm.png"]
                for name, suffix in zip(saved[5:], extras):
                    self.assertTrue(name.endswith("b" + suffix), name)
                self.assertEqual([read(f) for f in saved], [read(f) for f in files])
                self.assertEqual([maps.height16.shape, maps.ao.shape, maps.orm.shape],
                                 [(21, 37), (21, 37), (21, 37, 3)])
                normal = bytes(maps.normal)
                flipped = bytearray(normal)
                flipped[1::3] = bytes(255 - g for g in normal[1::3])
                self.assertEqual(bytes(maps.normal_gl), bytes(flipped))
                orm = bytes(maps.orm)
                self.assertEqual([orm[0::3], orm[1::3], orm[2::3]],
                                 [bytes(maps.ao), bytes(maps.roughness), bytes(maps.metallic)])
                self.assertLess(min(bytes(maps.ao)), 255)  # the mortar joints are occluded
                self.assertEqual(decode_png(read(saved[6])), (37, 21, 1, bytes(maps.ao)))
                width, height, channels, big = decode_png(read(saved[5]), depth=16)
                self.assertEqual((width, height, channels), (37, 21, 1))
                self.assertEqual(list(struct.unpack(f">{37 * 21}H", big)),
                                 values(maps.height16, "H"))
                self.assertEqual(values(maps.height16, "H"),
                                 [height16_of(v) for v in values(maps.height, "f")])

    def test_orm_packs_constants_for_maps_not_asked(self):
        # No roughness map: the roughness option as a byte (0.45 x 255 = 114.75
        # gives 114); no occlusion asked: 255; no metallic map: 0.
        maps = proctex.render(width=16, height=8, roughness=0.45, roughness_map=0,
                              metallic_map=0, orm=True)
        self.assertEqual((maps.ao, maps.roughness, maps.metallic, maps.height16),
                         (None, None, None, None))
        self.assertEqual(bytes(maps.orm), bytes([255, 114, 0]) * (16 * 8))
        files = proctex.generate(os.path.join(self.dir.name, "m.png"), width=8, height=8,
                                 roughness_map=0, orm=True)
        self.assertEqual([os.path.basename(f) for f in files],
                         ["m_diff.png", "m_nmap.png", "m_spec.png", "m_metal.png", "m_orm.png"])


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
    info_type = OptionInfo if kind == "option" else MapInfo
    rows = []
    for i in range(getattr(library, f"proctex_{kind}_count")()):
        info = info_type(size=ctypes.sizeof(info_type))
        assert getattr(library, f"proctex_{kind}_info")(i, ctypes.byref(info)) == 0
        rows.append(info)
    return rows


KINDS = {0: "integer", 1: "number", 2: "flag", 3: "choice", 4: "colors"}  # PROCTEX_KIND_...


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
                if option.kind == "colors":  # the ramp's text; the row counts its stops
                    self.assertEqual((option.default, row.defaultValue), ("", 0))
                    self.assertEqual(settings.colorStopCount.offset, row.offset)
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
        body = re.search(r"typedef struct ProctexSettings \{(.*?)\}", text, re.S)[1]
        ctypes_of = {"size_t": ctypes.c_size_t, "int": ctypes.c_int, "float": ctypes.c_float}
        members = []
        for kind, name, dims in re.findall(r"(\w+) (\w+)((?:\[\d+\])*);", body):
            ctype = ctypes_of[kind]
            for n in reversed([int(d) for d in re.findall(r"\d+", dims)]):
                ctype = ctype * n  # float a[8][4]: eight arrays of four
            members.append((name, ctype))
        self.assertEqual([f for f in proctex._native.tables().Settings._fields_
                          if not f[0].startswith("_")], members)

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

    def test_dll_answers(self):
        self.assertEqual(proctex.test_dll(), 42)

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
