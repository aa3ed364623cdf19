"""proctex materials in Blender: pick a preset or set the options, press
Generate, get a Principled BSDF material on the active object.

    bpy.ops.proctex.generate_material(preset="marble", size=1024)
"""

bl_info = {
    "name": "proctex materials",
    "author": "proctex",
    "version": (0, 2, 0),  # blender/package.py writes the VERSION file's
    "blender": (3, 4, 0),
    "location": "Properties > Material > proctex; Shader Editor > Sidebar > proctex",
    "description": "Procedural PBR materials from the proctex library",
    "category": "Material",
}

from . import images, operator, panel  # noqa: E402  (bl_info must come first)


def register():
    images.register()
    operator.register()
    panel.register()


def unregister():
    panel.unregister()
    operator.unregister()
    images.unregister()
