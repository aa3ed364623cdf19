"""The panel in a real Blender window, saved as a picture (run by
screenshot-panel under Xvfb):

    blender --factory-startup SCENE.blend --python screenshot.py -- ADDON.zip OUT.png
"""

import sys

import bpy

ZIP, OUT = sys.argv[sys.argv.index("--") + 1:][:2]


def prepare():
    """Add-on on with cobblestone chosen (named pattern and material), the big area showing the Material tab."""
    bpy.ops.preferences.addon_install(filepath=ZIP, overwrite=True)
    bpy.ops.preferences.addon_enable(module="proctex_blender")
    cube = bpy.data.objects["Cube"]
    bpy.context.view_layer.objects.active = cube
    bpy.context.scene.proctex.preset = "cobblestone"
    # Without a material on the cube the node inputs of the Surface panel
    # leave the panel the room.
    cube.data.materials.clear()
    window = bpy.context.window_manager.windows[0]
    area = max(window.screen.areas, key=lambda a: a.width * a.height)
    area.type = "PROPERTIES"
    return window, area


def show_material_tab():
    """The tab can be chosen once the new Properties editor has been drawn."""
    window, area = TARGET
    try:
        area.spaces.active.context = "MATERIAL"
    except TypeError:
        return 0.5
    bpy.app.timers.register(shoot, first_interval=3.0)
    return None


def shoot():
    window, area = TARGET
    try:
        with bpy.context.temp_override(window=window, area=area, screen=window.screen):
            bpy.ops.screen.screenshot_area(filepath=OUT)
        print(f"screenshot: {OUT}")
    finally:
        with bpy.context.temp_override(window=window):
            bpy.ops.wm.quit_blender()
    return None


TARGET = prepare()
bpy.app.timers.register(show_material_tab, first_interval=1.0)
