"""The library's options as Blender properties, shared by the operator and the
panel's scene settings. Names are the Python binding's; defaults are the
library's own."""

import bpy

from .library import proctex

# Whole-number options that are on/off switches in the library.
FLAGS = ("invert", "seamless", "roughness_map", "metallic_map")
# width and height are the size's two halves: 0 takes ``size``.
SIZE_OPTIONS = ("width", "height")
# Slider ranges only (the library checks the values itself on Generate).
SOFT_RANGES = {
    "scale": (1.0, 1024.0), "octaves": (1, 12), "persistence": (0.0, 1.0),
    "lacunarity": (1.0, 4.0), "material": (0, 12), "pattern": (0, 12),
    "pattern_param": (0.0, 256.0), "overlay": (0, 8), "overlay_param": (0.0, 256.0),
    "overlay_strength": (0.0, 1.0), "contrast": (0.0, 4.0), "brightness": (-1.0, 1.0),
    "normal_strength": (0.0, 20.0), "roughness": (0.0, 1.0), "ao_radius": (0.0, 256.0),
    "ao_strength": (0.0, 16.0), "tile_size": (0.0, 100.0), "height_range": (0.0, 1.0),
    "base": (0, 2),
}
DESCRIPTIONS = {
    "tile_size": "Metres one tile covers (0: not given); sets the Mapping scale, taking UVs as metres",
    "height_range": "Metres between height 0 and 1 (0: not given); sets the Displacement scale",
    "roughness_map": "Roughness from the roughness map (off: the roughness value everywhere)",
    "metallic_map": "Metallic from the metallic map (off: not metallic)",
}


def option_names():
    """Every option of the library but width and height, in the struct's order."""
    return [name for name in proctex.defaults() if name not in SIZE_OPTIONS]


def preset_items():
    """EnumProperty items: "custom" (the library's defaults) and every preset."""
    items = [("custom", "Custom", "The library's defaults with the options below")]
    for name, description in proctex.presets().items():
        items.append((name, name.replace("-", " ").title(), description))
    return items


def _property(name, value):
    label = name.replace("_", " ").title().replace("Ao ", "AO ")
    description = DESCRIPTIONS.get(name, f"proctex option {name}")
    if name in FLAGS:
        return bpy.props.BoolProperty(name=label, description=description, default=bool(value))
    low, high = SOFT_RANGES.get(name, (None, None))
    extra = {} if low is None else {"soft_min": low, "soft_max": high}
    if isinstance(value, int):
        return bpy.props.IntProperty(name=label, description=description, default=value, **extra)
    return bpy.props.FloatProperty(name=label, description=description, default=value, **extra)


def generation_properties(on_preset=None):
    """Annotations shared by the operator and the scene settings: the preset
    (``on_preset`` called when it changes), the size, every option and the
    add-on's own choices."""
    preset = {"update": on_preset} if on_preset else {}
    annotations = {
        "preset": bpy.props.EnumProperty(name="Preset", items=preset_items(), default="custom",
                                         description="The named material to start from",
                                         **preset),
        "size": bpy.props.IntProperty(name="Size", default=1024, min=1, soft_max=4096,
                                      description="Width and height of the maps in pixels"),
        "width": bpy.props.IntProperty(name="Width", default=0, min=0, soft_max=4096,
                                       description="Map width in pixels (0: the size)"),
        "height": bpy.props.IntProperty(name="Height", default=0, min=0, soft_max=4096,
                                        description="Map height in pixels (0: the size)"),
        "ao": bpy.props.BoolProperty(
            name="Ambient Occlusion", default=True,
            description="Occlusion into the glTF Material Output group (never into the colour)"),
        "displacement": bpy.props.BoolProperty(
            name="Displacement", default=False,
            description="Displace the surface by the 16-bit height map"),
        "save_png": bpy.props.BoolProperty(
            name="Save PNG Files", default=False,
            description="Save the maps as PNG next to the .blend instead of packing them into it"),
    }
    defaults = proctex.defaults()
    for name in option_names():
        annotations[name] = _property(name, defaults[name])
    return annotations


ADDON_CHOICES = ("ao", "displacement", "save_png")
