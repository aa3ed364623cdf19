"""Every preset on a sphere under the same light, rendered with Cycles and
assembled into one sheet, each cell named by the preset (run by render-sheet).

    blender -b --factory-startup --python render_sheet.py -- ADDON.zip OUT.png WORKDIR
"""

import os
import sys

import bpy
import numpy as np

ZIP, OUT, WORK = sys.argv[sys.argv.index("--") + 1:][:3]
CELL = 200          # pixels per render, square
LABEL = 32          # pixels of the name strip under each sphere (rendered in the scene)
COLUMNS = 6
MAP_SIZE = 512
SAMPLES = 32


def install_addon():
    bpy.ops.preferences.addon_install(filepath=ZIP, overwrite=True)
    bpy.ops.preferences.addon_enable(module="proctex_blender")
    import proctex_blender.library
    return proctex_blender.library.proctex


def clear_scene():
    for collection in (bpy.data.objects, bpy.data.meshes, bpy.data.materials, bpy.data.images,
                       bpy.data.cameras, bpy.data.lights, bpy.data.curves):
        for block in list(collection):
            if getattr(block, "type", "") != "RENDER_RESULT":
                collection.remove(block)


def label_material():
    material = bpy.data.materials.new("label")
    material.use_nodes = True
    nodes = material.node_tree.nodes
    nodes.clear()
    emission = nodes.new("ShaderNodeEmission")
    emission.inputs["Color"].default_value = (0.9, 0.9, 0.9, 1.0)
    output = nodes.new("ShaderNodeOutputMaterial")
    material.node_tree.links.new(emission.outputs[0], output.inputs["Surface"])
    return material


def stage(scene, name):
    """The same camera, light and world for every preset, and the name below."""
    camera = bpy.data.objects.new("camera", bpy.data.cameras.new("camera"))
    camera.data.type = "ORTHO"
    camera.data.ortho_scale = 2.5 * (CELL + LABEL) / CELL
    camera.location = (0.0, -6.0, -0.19)
    camera.rotation_euler = (1.5708, 0.0, 0.0)
    scene.collection.objects.link(camera)
    scene.camera = camera
    sun = bpy.data.objects.new("sun", bpy.data.lights.new("sun", "SUN"))
    sun.data.energy = 3.5
    sun.rotation_euler = (0.9, 0.0, 0.7)
    scene.collection.objects.link(sun)
    world = scene.world or bpy.data.worlds.new("world")
    scene.world = world
    world.use_nodes = True
    world.node_tree.nodes["Background"].inputs["Color"].default_value = (0.05, 0.05, 0.055, 1)
    world.node_tree.nodes["Background"].inputs["Strength"].default_value = 1.0
    text = bpy.data.curves.new("label", "FONT")
    text.body = name
    text.align_x = "CENTER"
    text.size = 0.2
    label = bpy.data.objects.new("label", text)
    label.location = (0.0, 0.0, -1.36)
    label.rotation_euler = (1.5708, 0.0, 0.0)
    label.data.materials.append(label_material())
    scene.collection.objects.link(label)


def render(scene, preset):
    clear_scene()
    bpy.ops.mesh.primitive_uv_sphere_add(segments=96, ring_count=48, radius=1.0)
    bpy.ops.object.shade_smooth()
    bpy.ops.proctex.generate_material(preset=preset, size=MAP_SIZE)
    stage(scene, preset)
    scene.render.filepath = os.path.join(WORK, f"{preset}.png")
    bpy.ops.render.render(write_still=True)
    image = bpy.data.images.load(scene.render.filepath)
    width, height = image.size
    pixels = np.empty(width * height * 4, dtype=np.float32)
    image.pixels.foreach_get(pixels)
    bpy.data.images.remove(image)
    rows = pixels.reshape(height, width, 4)[::-1, :, :3]
    return np.rint(np.clip(rows, 0.0, 1.0) * 255).astype(np.uint8)


def main():
    proctex = install_addon()
    os.makedirs(WORK, exist_ok=True)
    scene = bpy.context.scene
    scene.render.engine = "CYCLES"
    scene.cycles.device = "CPU"
    scene.cycles.samples = SAMPLES
    scene.cycles.use_denoising = False
    scene.view_settings.view_transform = "Standard"
    scene.render.resolution_x, scene.render.resolution_y = CELL, CELL + LABEL
    scene.render.resolution_percentage = 100
    scene.render.image_settings.file_format = "PNG"
    presets = list(proctex.presets())
    rows = (len(presets) + COLUMNS - 1) // COLUMNS
    sheet = np.zeros((rows * (CELL + LABEL), COLUMNS * CELL, 3), dtype=np.uint8)
    for index, preset in enumerate(presets):
        row, column = divmod(index, COLUMNS)
        sheet[row * (CELL + LABEL):(row + 1) * (CELL + LABEL),
              column * CELL:(column + 1) * CELL] = render(scene, preset)
        print(f"render-sheet: {preset}", flush=True)
    # Cells after the last preset take the renders' background, not black.
    for index in range(len(presets), rows * COLUMNS):
        row, column = divmod(index, COLUMNS)
        sheet[row * (CELL + LABEL):(row + 1) * (CELL + LABEL),
              column * CELL:(column + 1) * CELL] = sheet[0, 0]
    os.makedirs(os.path.dirname(os.path.abspath(OUT)), exist_ok=True)
    with open(OUT, "wb") as out:
        out.write(proctex.encode_png(sheet))
    print(f"render-sheet: {OUT} ({len(presets)} presets)")


main()
