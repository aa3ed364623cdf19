"""The Blender add-on, headless: installed from its zip into a fresh user
folder, its material checked node by node and pixel by pixel against
proctex.render, and rendered with Cycles.

    blender -b --factory-startup --python-exit-code 1 --python addon_test.py -- ZIP WORKDIR HEADER

HEADER is include/proctex.h, whose PROCTEX_<OPTION>_<NAME> codes the named
choices are checked against; the properties are checked against the
library's option table.
"""

import glob
import os
import re
import sys
import unittest

import bpy
import numpy as np

ZIP, WORK, HEADER = sys.argv[sys.argv.index("--") + 1:][:3]
SIZE = 48


def install_addon():
    bpy.ops.preferences.addon_install(filepath=ZIP, overwrite=True)
    bpy.ops.preferences.addon_enable(module="proctex_blender")
    import proctex_blender.library
    return proctex_blender.library.proctex


proctex = install_addon()


def image_rows(image, channels):
    """An image's pixels as the library's arrays: top row first, 0..255 (or
    0..65535 for the height), the first ``channels`` channels."""
    width, height = image.size
    flat = np.empty(width * height * 4, dtype=np.float32)
    image.pixels.foreach_get(flat)
    return flat.reshape(height, width, 4)[::-1, :, :channels]


def linked_from(socket):
    """The node feeding an input socket and the output's name."""
    assert socket.is_linked, f"{socket.name} is not linked"
    link = socket.links[0]
    return link.from_node, link.from_socket.name


def empty_scene():
    """Everything removed, the add-on kept (reading the factory settings would
    disable it)."""
    for collection in (bpy.data.objects, bpy.data.meshes, bpy.data.materials, bpy.data.images,
                       bpy.data.node_groups, bpy.data.cameras, bpy.data.lights):
        for block in list(collection):
            if getattr(block, "type", "") != "RENDER_RESULT":
                collection.remove(block)


def new_scene_with_sphere():
    empty_scene()
    bpy.ops.mesh.primitive_uv_sphere_add(segments=48, ring_count=24, radius=1.0)
    bpy.ops.object.shade_smooth()
    return bpy.context.active_object


def header_codes(path):
    """(option, name) -> code of the header's PROCTEX_<OPTION>_<NAME>
    definitions, for every choice option of the table."""
    text = ""
    for part in sorted(glob.glob(os.path.join(os.path.dirname(path), "proctex*.h"))):
        with open(part) as header:  # proctex.h and the headers it includes
            text += header.read()
    found = dict(re.findall(r"^#define PROCTEX_(\w+) (-?\d+)\b", text, re.M))
    codes = {}
    for option in proctex.OPTIONS.values():
        if option.kind == "choice":
            prefix = option.name.upper() + "_"
            codes.update({(option.name, name[len(prefix):]): int(code)
                          for name, code in found.items() if name.startswith(prefix)})
    return codes


HEADER_CODES = header_codes(HEADER)


def principled(material):
    return next(n for n in material.node_tree.nodes if n.bl_idname == "ShaderNodeBsdfPrincipled")


class MaterialNodes(unittest.TestCase):
    """The node tree and the images of generated materials."""

    def setUp(self):
        self.sphere = new_scene_with_sphere()

    def check_material(self, preset, width, height, **options):
        bpy.ops.proctex.generate_material(preset=preset, size=width, height=height, **options)
        material = bpy.data.materials[f"proctex {preset}"]
        self.assertIs(self.sphere.active_material, material)
        # The binding takes the header's code of each named choice.
        codes = {name: HEADER_CODES.get((name, value), value) for name, value in options.items()}
        maps = proctex.render(preset, width=width, height=height, normal_gl=True, orm=True,
                              ao=True, **codes)
        bsdf = principled(material)

        diffuse, output = linked_from(bsdf.inputs["Base Color"])
        self.assertEqual((diffuse.bl_idname, output), ("ShaderNodeTexImage", "Color"))
        expected = maps.diffuse if maps.diffuse.ndim == 3 else np.dstack([maps.diffuse] * 3)
        self.check_image(diffuse.image, expected, (width, height), "sRGB")

        split, channel = linked_from(bsdf.inputs["Roughness"])
        metal_split, metal_channel = linked_from(bsdf.inputs["Metallic"])
        self.assertEqual(split, metal_split)
        self.assertEqual((channel[0], metal_channel[0]), ("G", "B"))
        orm, _ = linked_from(split.inputs[0])
        self.check_image(orm.image, maps.orm, (width, height), "Non-Color")
        if maps.roughness is not None:
            np.testing.assert_array_equal(maps.orm[..., 1], maps.roughness)

        normal_map, _ = linked_from(bsdf.inputs["Normal"])
        self.assertEqual(normal_map.bl_idname, "ShaderNodeNormalMap")
        normal, _ = linked_from(normal_map.inputs["Color"])
        self.check_image(normal.image, maps.normal_gl, (width, height), "Non-Color")

        # Occlusion goes to the glTF exporter's group, never into the colour.
        group = next(n for n in material.node_tree.nodes if n.bl_idname == "ShaderNodeGroup")
        self.assertEqual(group.node_tree.name, "glTF Material Output")
        occlusion_from, occlusion_channel = linked_from(group.inputs["Occlusion"])
        self.assertEqual((occlusion_from, occlusion_channel[0]), (split, "R"))
        for image_node in (diffuse, orm, normal):
            mapping, _ = linked_from(image_node.inputs["Vector"])
            self.assertEqual(mapping.bl_idname, "ShaderNodeMapping")
        return material

    def check_image(self, image, expected, size, colour_space):
        self.assertEqual(tuple(image.size), size)
        self.assertEqual(image.colorspace_settings.name, colour_space)
        # Exactly the library's bytes: a byte image stores round(255 x pixel).
        got = np.rint(image_rows(image, 3) * 255).astype(np.uint8)
        np.testing.assert_array_equal(got, expected, err_msg=image.name)

    def test_presets_make_principled_materials_of_the_library_maps(self):
        self.check_material("marble", SIZE, SIZE)
        self.check_material("brick-wall", 64, 40, seed=11)
        self.check_material("brushed-steel", SIZE, SIZE, roughness_map=False)
        self.check_material("granite", SIZE, SIZE, material="GREY")  # a grey diffuse map
        self.check_material("cobblestone", 40, SIZE, base="SINGLE_OCTAVE", material="WOOD",
                            pattern="DISCS", pattern_param=7.0, overlay="SCRATCHES",
                            overlay_param=30.0, overlay_strength=0.6)

    def test_generating_again_updates_in_place(self):
        first = self.check_material("lava", SIZE, SIZE)
        counts = (len(bpy.data.materials), len(bpy.data.images))
        second = self.check_material("lava", 32, 32, seed=3)
        self.assertEqual(first.as_pointer(), second.as_pointer())
        # Same size: the images themselves take the new pixels.
        diffuse = bpy.data.images["proctex lava diffuse"].as_pointer()
        self.check_material("lava", 32, 32, seed=4)
        self.assertEqual(bpy.data.images["proctex lava diffuse"].as_pointer(), diffuse)
        self.assertEqual((len(bpy.data.materials), len(bpy.data.images)), counts)
        self.assertFalse([d.name for d in list(bpy.data.materials) + list(bpy.data.images)
                          if d.name.endswith(".001")])

    def test_tile_size_height_range_and_displacement(self):
        bpy.ops.proctex.generate_material(preset="cobblestone", size=SIZE, displacement=True,
                                          tile_size=2.0, height_range=0.04)
        material = bpy.data.materials["proctex cobblestone"]
        nodes = material.node_tree.nodes
        mapping = next(n for n in nodes if n.bl_idname == "ShaderNodeMapping")
        self.assertEqual(tuple(mapping.inputs["Scale"].default_value), (0.5, 0.5, 0.5))
        output = next(n for n in nodes if n.bl_idname == "ShaderNodeOutputMaterial")
        displace, _ = linked_from(output.inputs["Displacement"])
        self.assertAlmostEqual(displace.inputs["Scale"].default_value, 0.04, places=6)
        height, _ = linked_from(displace.inputs["Height"])
        self.assertEqual(height.image.colorspace_settings.name, "Non-Color")
        maps = proctex.render("cobblestone", width=SIZE, height=SIZE, height16=True)
        got = np.rint(image_rows(height.image, 1)[..., 0] * 65535).astype(np.uint16)
        np.testing.assert_array_equal(got, maps.height16)
        # A material setting since Blender 4.1, Cycles' before.
        holder = material if hasattr(material, "displacement_method") else material.cycles
        self.assertEqual(holder.displacement_method, "BOTH")

    def test_refused_settings_are_reported_and_make_nothing(self):
        with self.assertRaisesRegex(RuntimeError, "option pattern_param: patternParam"):
            bpy.ops.proctex.generate_material(preset="moss", size=SIZE, pattern="CELLS",
                                              pattern_param=0.0)
        self.assertNotIn("proctex moss", bpy.data.materials)

    def test_the_panel_shows_a_preset_in_the_option_fields(self):
        from proctex_blender import ramp
        settings = bpy.context.scene.proctex
        settings.preset = "ocean"
        for name, value in proctex.defaults("ocean").items():
            if proctex.OPTIONS[name].kind == "colors":
                self.assertEqual(ramp.stops_text(getattr(settings, name)), value, name)
            elif proctex.OPTIONS[name].is_text:
                self.assertEqual(getattr(settings, name), value, name)
            elif proctex.OPTIONS[name].kind == "choice":
                self.assertEqual(HEADER_CODES[(name, getattr(settings, name))], value, name)
            elif name not in ("width", "height"):
                self.assertAlmostEqual(float(getattr(settings, name)), float(value), places=5,
                                       msg=name)

    def test_every_preset_from_the_panel_fields_makes_the_preset(self):
        """What the panel's button passes (every field) gives the preset's maps:
        a preset's ramp too, through the linear colours Blender shows."""
        from proctex_blender import options, ramp
        settings = bpy.context.scene.proctex
        fields = options.option_names()
        for preset in proctex.presets():
            settings.preset = preset
            given = {name: ramp.field_value(settings, name) for name in fields}
            bpy.ops.proctex.generate_material(preset=preset, size=24, **given)
            maps = proctex.render(preset, width=24, height=24, normal_gl=True)
            expected = maps.diffuse if maps.diffuse.ndim == 3 else np.dstack([maps.diffuse] * 3)
            for role, pixels in (("diffuse", expected), ("normal", maps.normal_gl)):
                image = bpy.data.images[f"proctex {preset} {role}"]
                got = np.rint(image_rows(image, 3) * 255).astype(np.uint8)
                np.testing.assert_array_equal(got, pixels, err_msg=image.name)


class ColourRamp(unittest.TestCase):
    """The ramp of the panel: stops picked as a person picks them, the
    generator's diffuse map in their colours."""

    def test_two_picked_stops_colour_the_diffuse_map(self):
        from mathutils import Color
        from proctex_blender import options, ramp
        new_scene_with_sphere()
        settings = bpy.context.scene.proctex
        settings.preset = "granite"  # no ramp of its own
        name = ramp.ramp_names()[0]
        stops = getattr(settings, name)
        self.assertEqual(len(stops), 0)
        bpy.ops.proctex.ramp_stop_add(option=name)
        bpy.ops.proctex.ramp_stop_add(option=name)
        # The picker's hex code is sRGB, the property scene-linear: Blender's
        # own conversion, not the add-on's.
        low, high = (0xc0, 0x18, 0x30), (0x20, 0xa0, 0xf0)
        for stop, rgb, position in zip(stops, (low, high), (0.2, 0.8)):
            stop.color = Color([c / 255 for c in rgb]).from_srgb_to_scene_linear()
            stop.position = position
        settings.pbr = False  # the diffuse map holds the ramp's own colours
        given = {n: ramp.field_value(settings, n) for n in options.option_names()}
        self.assertEqual(given[name], "#c01830@0.2,#20a0f0@0.8")
        bpy.ops.proctex.generate_material(preset="granite", size=SIZE, **given)

        got = np.rint(image_rows(bpy.data.images["proctex granite diffuse"], 3) * 255)
        relief = proctex.render("granite", width=SIZE, height=SIZE, pbr=False).height
        low, high = np.array(low), np.array(high)
        # Relief below the first stop in its colour, above the last in the
        # last's, and every pixel on the line from one to the other.
        np.testing.assert_array_equal(got[relief < 0.2], np.broadcast_to(low, got[relief < 0.2].shape))
        np.testing.assert_array_equal(got[relief > 0.8], np.broadcast_to(high, got[relief > 0.8].shape))
        self.assertGreater(min((relief < 0.2).sum(), (relief > 0.8).sum()), 0)
        along = np.clip((got - low) @ (high - low) / ((high - low) @ (high - low)), 0, 1)
        self.assertLessEqual(np.abs(got - (low + along[..., None] * (high - low))).max(), 1.5)

        # Up to the table's most stops, down to none.
        for _ in range(len(stops), ramp.most_stops(name)):
            bpy.ops.proctex.ramp_stop_add(option=name)
        self.assertEqual(len(stops), proctex.OPTIONS[name].limits[1])
        with self.assertRaisesRegex(RuntimeError, "at most"):
            bpy.ops.proctex.ramp_stop_add(option=name)
        positions = [stop.position for stop in sorted(stops, key=lambda s: s.position)]
        self.assertEqual(len(set(positions)), len(positions))  # each new stop in a gap
        while len(stops):
            bpy.ops.proctex.ramp_stop_remove(option=name, index=0)
        self.assertEqual(ramp.field_value(settings, name), "")


class Layers(unittest.TestCase):
    """The layers' text as the panel's field holds it goes through the
    operator into the library's call as it is; a refusal names the layer."""

    def test_the_text_reaches_the_maps_call_and_its_maps(self):
        from unittest import mock
        from proctex_blender import material, options, ramp
        new_scene_with_sphere()
        settings = bpy.context.scene.proctex
        settings.preset = "brick-wall"
        text = ("mask=joints color=#9a948a roughness=0.92 height=-0.03; "
                "mask=noise noise-scale=40 color=#4d5a2a palette=wood")
        settings.layers = text
        given = {n: ramp.field_value(settings, n) for n in options.option_names()}
        with mock.patch.object(material.proctex, "render", wraps=material.proctex.render) as call:
            bpy.ops.proctex.generate_material(preset="brick-wall", size=SIZE, **given)
        self.assertEqual(call.call_args.kwargs["layers"], text)
        self.assertEqual(proctex.check("brick-wall", layers=text)["layers"], text)
        maps = proctex.render("brick-wall", width=SIZE, height=SIZE, layers=text)
        got = np.rint(image_rows(bpy.data.images["proctex brick-wall diffuse"], 3) * 255)
        np.testing.assert_array_equal(got.astype(np.uint8), maps.diffuse)

        with self.assertRaisesRegex(RuntimeError, "option layers: layer 2 mask must be"):
            bpy.ops.proctex.generate_material(preset="moss", size=SIZE,
                                              layers="mask=joints; mask=nosie")
        self.assertNotIn("proctex moss", bpy.data.materials)


class WindowManagerRecorder:
    """The progress calls of a window manager, in order."""

    def __init__(self):
        self.calls = []

    def progress_begin(self, low, high):
        self.calls.append(("begin", low, high))

    def progress_update(self, value):
        self.calls.append(("update", value))

    def progress_end(self):
        self.calls.append(("end",))


class Progress(unittest.TestCase):
    """Blender's progress indicator follows the library's work."""

    def test_the_indicator_rises_to_the_end_and_always_ends(self):
        from proctex_blender import material
        from proctex_blender import progress as indicator
        window_manager = WindowManagerRecorder()
        with indicator.shown(window_manager) as follow:
            material.generate("moss", {"width": SIZE, "height": SIZE}, displacement=True,
                              progress=follow)
        calls = window_manager.calls
        self.assertEqual((calls[0], calls[-1]), (("begin", 0, 100), ("end",)))
        steps = [call[1] for call in calls[1:-1]]
        self.assertEqual(steps, sorted(set(steps)))  # rising, each step drawn once
        self.assertGreater(len(steps), 5)
        self.assertEqual(steps[-1], 100)
        # A refused call ends the indicator too.
        window_manager = WindowManagerRecorder()
        with self.assertRaises(proctex.SettingsError):
            with indicator.shown(window_manager) as follow:
                material.generate("moss", {"width": SIZE, "height": SIZE, "pattern": 6,
                                           "pattern_param": 0.0}, progress=follow)
        self.assertEqual(window_manager.calls, [("begin", 0, 100), ("end",)])


def registered_properties():
    """The RNA of the operator's and the panel's settings."""
    return (bpy.ops.proctex.generate_material.get_rna_type(), bpy.context.scene.proctex.bl_rna)


def as_float32(value):
    return float(np.float32(value))


class TheLibrarysTable(unittest.TestCase):
    """The properties are the library's option table: ranges, defaults, help
    and named choices, the type codes each the header's code of its name."""

    def test_properties_are_the_options_of_the_table(self):
        for registered in registered_properties():
            for option in proctex.OPTIONS.values():
                prop = registered.properties[option.name]
                with self.subTest(option=option.name, rna=registered.identifier):
                    self.assertIn(option.help, prop.description)
                    if option.group == "size":  # 0 takes the add-on's size
                        self.assertEqual((prop.default, prop.hard_min, prop.hard_max,
                                          prop.soft_max), (0, 0, option.limits[1],
                                                           option.useful[1]))
                    elif option.kind == "choice":
                        self.assertEqual([(i.identifier, i.value, i.name.lower())
                                          for i in prop.enum_items],
                                         [(c.name.upper().replace("-", "_"), c.value, c.label)
                                          for c in option.choices])
                        self.assertEqual(prop.enum_items[prop.default].value, option.default)
                    elif option.kind == "flag":
                        self.assertEqual((prop.type, prop.default), ("BOOLEAN",
                                                                     bool(option.default)))
                    elif option.kind == "colors":  # the operator's text, the panel's stops
                        if prop.type == "STRING":
                            self.assertEqual(prop.default, "")
                        else:
                            self.assertEqual(prop.type, "COLLECTION")
                            colour = prop.fixed_type.properties["color"]
                            self.assertEqual((colour.subtype, colour.array_length),
                                             ("COLOR", 3))
                            self.assertIn("position", prop.fixed_type.properties)
                    elif option.kind == "layers":  # their text, in panel and operator alike
                        self.assertEqual((prop.type, prop.default), ("STRING", ""))
                        for key in proctex.LAYER_OPTIONS.values():  # the keys in the tooltip
                            self.assertIn(key.cli_name, prop.description)
                    else:
                        cast = int if option.kind == "integer" else as_float32
                        self.assertEqual(prop.type, "INT" if option.kind == "integer" else "FLOAT")
                        self.assertEqual([prop.default, prop.soft_min, prop.soft_max,
                                          prop.hard_min, prop.hard_max],
                                         [cast(v) for v in (option.default,) + option.useful
                                          + option.limits])
                        self.assertIn(f"useful {option.useful[0]:g}..{option.useful[1]:g}",
                                      prop.description)

    def test_every_choice_is_the_header_code_of_its_name(self):
        named = set()
        for option in proctex.OPTIONS.values():
            if option.kind != "choice":
                continue
            for registered in registered_properties():
                for item in registered.properties[option.name].enum_items:
                    self.assertEqual(HEADER_CODES[(option.name, item.identifier)], item.value)
                    named.add((option.name, item.identifier))
        self.assertEqual(named, set(HEADER_CODES))

    def test_a_value_outside_the_limits_stops_at_them(self):
        settings = bpy.context.scene.proctex
        limited = [o for o in proctex.OPTIONS.values() if o.kind == "number"
                   and o.limits[1] < 1e30]
        self.assertTrue(limited)
        for option in limited:
            kept = getattr(settings, option.name)
            setattr(settings, option.name, option.limits[1] * 4 + 1)
            self.assertEqual(getattr(settings, option.name), as_float32(option.limits[1]))
            setattr(settings, option.name, kept)

    def test_an_unknown_choice_is_refused(self):
        with self.assertRaises(TypeError):
            bpy.ops.proctex.generate_material(preset="moss", size=SIZE, pattern="SPIRALS")
        with self.assertRaises(TypeError):
            bpy.ops.proctex.generate_material(preset="moss", size=SIZE, pattern=6)


class Compatibility(unittest.TestCase):
    """Names that differ between Blender versions and colour configurations."""

    def test_principled_inputs_are_found_under_either_name(self):
        from proctex_blender import sockets
        tree = bpy.data.node_groups.new("probe", "ShaderNodeTree")
        bsdf = tree.nodes.new("ShaderNodeBsdfPrincipled")
        for role, names in sockets.PRINCIPLED.items():
            self.assertIn(sockets.principled_input(bsdf, role).name, names)
        with self.assertRaisesRegex(KeyError, "Wobble or Wobble Amount"):
            sockets.socket(bsdf.inputs, ("Wobble", "Wobble Amount"))
        bpy.data.node_groups.remove(tree)

    def test_colour_spaces_fall_back_by_role(self):
        from proctex_blender import images
        aces = {"Utility - sRGB - Texture", "Utility - Raw", "ACES - ACEScg"}
        self.assertEqual(images.colour_space_for("colour", aces), "Utility - sRGB - Texture")
        self.assertEqual(images.colour_space_for("data", aces), "Utility - Raw")
        self.assertIsNone(images.colour_space_for("data", {"sRGB", "Filmic Log"}))


class GltfExport(unittest.TestCase):
    """Blender's own glTF exporter finds every map, occlusion included."""

    def test_exported_material_has_every_texture(self):
        import json
        new_scene_with_sphere()
        bpy.ops.proctex.generate_material(preset="rusted-plate", size=32)
        path = os.path.join(WORK, "export", "sphere.gltf")
        os.makedirs(os.path.dirname(path), exist_ok=True)
        bpy.ops.export_scene.gltf(filepath=path, export_format="GLTF_SEPARATE")
        with open(path) as file:
            exported = json.load(file)["materials"][0]
        pbr = exported["pbrMetallicRoughness"]
        for key, holder in (("baseColorTexture", pbr), ("metallicRoughnessTexture", pbr),
                            ("normalTexture", exported), ("occlusionTexture", exported)):
            self.assertIn(key, holder)


class Files(unittest.TestCase):
    """Packed maps survive a save and reload; saved PNGs sit next to the .blend."""

    def test_packed_images_come_back_from_the_blend(self):
        new_scene_with_sphere()
        bpy.ops.proctex.generate_material(preset="moss", size=SIZE, displacement=True)
        path = os.path.join(WORK, "packed.blend")
        os.makedirs(WORK, exist_ok=True)
        bpy.ops.wm.save_as_mainfile(filepath=path)
        bpy.ops.wm.open_mainfile(filepath=path)
        maps = proctex.render("moss", width=SIZE, height=SIZE, normal_gl=True, height16=True)
        image = bpy.data.images["proctex moss normal"]
        self.assertIsNotNone(image.packed_file, "saving did not pack the maps")
        got = np.rint(image_rows(image, 3) * 255).astype(np.uint8)
        np.testing.assert_array_equal(got, maps.normal_gl)
        # All 16 bits of the height come back.
        height = bpy.data.images["proctex moss height"]
        got = np.rint(image_rows(height, 1)[..., 0] * 65535).astype(np.uint16)
        np.testing.assert_array_equal(got, maps.height16)

    def test_saved_png_files_next_to_the_blend(self):
        new_scene_with_sphere()
        folder = os.path.join(WORK, "with png")
        os.makedirs(folder, exist_ok=True)
        bpy.ops.wm.save_as_mainfile(filepath=os.path.join(folder, "scene.blend"))
        bpy.ops.proctex.generate_material(preset="sand-ripples", size=SIZE, save_png=True)
        image = bpy.data.images["proctex sand-ripples diffuse"]
        self.assertTrue(image.filepath.startswith("//"), image.filepath)
        self.assertTrue(os.path.isfile(bpy.path.abspath(image.filepath)))
        self.assertIsNone(image.packed_file)
        maps = proctex.render("sand-ripples", width=SIZE, height=SIZE)
        expected = maps.diffuse if maps.diffuse.ndim == 3 else np.dstack([maps.diffuse] * 3)
        got = np.rint(image_rows(image, 3) * 255).astype(np.uint8)
        np.testing.assert_array_equal(got, expected)

    def test_saving_png_needs_a_saved_blend(self):
        bpy.ops.wm.read_homefile()
        with self.assertRaisesRegex(RuntimeError, "save the .blend first"):
            bpy.ops.proctex.generate_material(preset="moss", size=SIZE, save_png=True)


def render_sphere(preset):
    """A 128 x 128 Cycles render (CPU, no denoising) of a UV sphere in the preset."""
    new_scene_with_sphere()
    bpy.ops.proctex.generate_material(preset=preset, size=128)
    scene = bpy.context.scene
    camera = bpy.data.objects.new("camera", bpy.data.cameras.new("camera"))
    scene.collection.objects.link(camera)
    camera.location = (0.0, -3.6, 0.0)
    camera.rotation_euler = (1.5708, 0.0, 0.0)
    scene.camera = camera
    light = bpy.data.objects.new("sun", bpy.data.lights.new("sun", "SUN"))
    light.data.energy = 4.0
    light.rotation_euler = (0.8, 0.0, 0.6)
    scene.collection.objects.link(light)
    scene.render.engine = "CYCLES"
    scene.cycles.device = "CPU"
    scene.cycles.samples = 4
    scene.cycles.use_denoising = False
    scene.render.resolution_x = scene.render.resolution_y = 128
    scene.render.resolution_percentage = 100
    scene.render.image_settings.file_format = "PNG"
    scene.render.filepath = os.path.join(WORK, f"render-{preset}.png")
    bpy.ops.render.render(write_still=True)
    result = bpy.data.images.load(scene.render.filepath)
    return image_rows(result, 3)


class CyclesRender(unittest.TestCase):
    """What the renderer sees, not only the node tree: textured pixels."""

    def test_presets_render_textured_and_different(self):
        os.makedirs(WORK, exist_ok=True)
        marble = render_sphere("marble")
        brick = render_sphere("brick-wall")
        # The middle of the sphere, where only the material varies the light little.
        centre = np.s_[44:84, 44:84]
        for name, pixels in (("marble", marble), ("brick-wall", brick)):
            self.assertGreater(float(pixels[centre].std()), 0.02, f"{name} renders flat")
        self.assertGreater(float(np.abs(marble[centre] - brick[centre]).mean()), 0.03)


def main():
    result = unittest.TextTestRunner(verbosity=2).run(
        unittest.defaultTestLoader.loadTestsFromModule(sys.modules[__name__]))
    if not result.wasSuccessful():
        raise SystemExit(1)


main()
