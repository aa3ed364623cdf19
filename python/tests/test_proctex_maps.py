"""Maps held in memory: the pixels of the files, PNG encoding of any layout,
closing under a running save, and the extra maps packed from the five."""

import os
import struct
import tempfile
import threading
import unittest
from unittest import mock

from proctex_helpers import CONTAINERS, decode_png, height16_of, read, values
import proctex  # noqa: E402


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


class ExtraMaps(unittest.TestCase):
    EXTRAS = {"height16": True, "ao": True, "opengl_normal": True, "orm": True}

    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)

    def test_extras_follow_the_five_maps_and_pack_them(self):
        options = {"width": 67, "height": 41, "ao_radius": 6, "units": "pixels"}
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
                                 [(41, 67), (41, 67), (41, 67, 3)])
                normal = bytes(maps.normal)
                flipped = bytearray(normal)
                flipped[1::3] = bytes(255 - g for g in normal[1::3])
                self.assertEqual(bytes(maps.normal_gl), bytes(flipped))
                orm = bytes(maps.orm)
                self.assertEqual([orm[0::3], orm[1::3], orm[2::3]],
                                 [bytes(maps.ao), bytes(maps.roughness), bytes(maps.metallic)])
                self.assertLess(min(bytes(maps.ao)), 255)  # the mortar joints are occluded
                self.assertEqual(decode_png(read(saved[6])), (67, 41, 1, bytes(maps.ao)))
                width, height, channels, big = decode_png(read(saved[5]), depth=16)
                self.assertEqual((width, height, channels), (67, 41, 1))
                self.assertEqual(list(struct.unpack(f">{67 * 41}H", big)),
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


if __name__ == "__main__":
    unittest.main()
