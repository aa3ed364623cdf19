"""The library's options as Blender properties, shared by the operator and the
panel's scene settings. Names are the Python binding's; defaults are the
library's own. The type codes are named choices (choices.py):
``generate_material(pattern="CELLS")`` is the binding's ``pattern=6``."""

import bpy

from . import choices
from .library import proctex

# Whole-number options that are on/off switches in the library.
FLAGS = ("invert", "seamless", "roughness_map", "metallic_map", "pbr")
# The custom material's colour ramp, as text ("#2b1d0e@0,#d9b38c@1"); empty:
# none (the binding's defaults have no ``colors``).
TEXT_OPTIONS = ("colors",)
# width and height are the size's two halves: 0 takes ``size``.
SIZE_OPTIONS = ("width", "height")
# Slider ranges: the useful ranges include/proctex.h gives (the library
# checks the values itself on Generate, typed values may go beyond).
SOFT_RANGES = {
    "scale": (8.0, 256.0), "octaves": (1, 10), "persistence": (0.3, 0.8),
    "lacunarity": (1.5, 3.0), "pattern_param": (1.0, 300.0), "overlay_param": (8.0, 512.0),
    "overlay_strength": (0.0, 80.0), "contrast": (0.5, 2.0), "brightness": (-0.4, 0.4),
    "normal_strength": (1.0, 10.0), "roughness": (0.0, 1.0), "ao_radius": (0.0, 256.0),
    "ao_strength": (0.0, 16.0), "tile_size": (0.0, 100.0), "height_range": (0.0, 1.0),
}
# Their ranges depend on the choice (or are the add-on's own), told in the text.
OWN_RANGE_TEXT = ("pattern_param", "overlay_param", "overlay_strength", "tile_size",
                  "height_range")
DESCRIPTIONS = {
    "scale": "Pixels per noise cell; larger is smoother",
    "octaves": "Noise layers of the fractal base",
    "persistence": "Weight factor from one octave to the next; higher is rougher",
    "lacunarity": "Frequency factor from one octave to the next",
    "seed": "Every random choice follows from it",
    "contrast": "Diffuse tones spread around the middle (1: unchanged)",
    "brightness": "Added to the diffuse tones",
    "invert": "Diffuse tones inverted",
    "seamless": "The relief repeats across the borders (when Scale divides the size)",
    "normal_strength": "Slope factor of the normal map; 0 is flat",
    "roughness": "Moves the whole roughness map down as it grows",
    "ao_radius": "Ambient occlusion: pixels searched around each pixel",
    "ao_strength": "Ambient occlusion: darkening",
    "base": "The noise the height field starts from",
    "material": "The diffuse map's colouring",
    "pattern": "What the height field is reshaped into (Pattern Param sets its size)",
    "overlay": "What is carved into the height field (Overlay Param and Strength set it)",
    "pattern_param": "The pattern's parameter (see the pattern's tooltip): sizes in pixels "
                     "useful 4..64, tone curve and damped extremes 1..3, brushed 100..300",
    "overlay_param": "The overlay's parameter (see the overlay's tooltip): veins 8..64, "
                     "bricks 32..160, planks 128..512, scratches 10..200",
    "overlay_strength": "The overlay's strength (see the overlay's tooltip): veins and "
                        "scratches 0..1, bricks 16..80, planks grain above 0.5",
    "tile_size": "Metres one tile covers (0: not given); sets the Mapping scale, taking UVs as metres",
    "height_range": "Metres between height 0 and 1 (0: not given); sets the Displacement scale",
    "roughness_map": "Roughness from the roughness map (off: the roughness value everywhere)",
    "metallic_map": "Metallic from the metallic map (off: not metallic)",
    "pbr": "Physically plausible maps (off: GenerateTexture's maps)",
    "metal": "How metallic the material is: 0 stone, wood, paint; 1 bare metal",
    "emission": "Glow of the relief below Emission Level (0: none); the Emission input",
    "colors": "Colour ramp of the Custom Colours material: #rrggbb@position, up to eight, "
              "e.g. #2b1d0e@0,#8a5a2b@0.6,#d9b38c@1",
}


def option_names():
    """Every option of the library but width and height, in the struct's order."""
    return [name for name in proctex.defaults() if name not in SIZE_OPTIONS] + list(TEXT_OPTIONS)


def preset_items():
    """EnumProperty items: "custom" (the library's defaults) and every preset."""
    items = [("custom", "Custom", "The library's defaults with the options below")]
    for name, description in proctex.presets().items():
        items.append((name, name.replace("-", " ").title(), description))
    return items


def _description(name):
    text = DESCRIPTIONS.get(name, f"proctex option {name}")
    low, high = SOFT_RANGES.get(name, (None, None))
    if low is None or name in OWN_RANGE_TEXT:
        return text
    return f"{text}; useful {low:g}..{high:g}"


def _property(name, value):
    label = name.replace("_", " ").title().replace("Ao ", "AO ")
    description = _description(name)
    if name in TEXT_OPTIONS:
        return bpy.props.StringProperty(name=label, description=description, default=value)
    if name in choices.CHOICES:
        return bpy.props.EnumProperty(name=label, description=description,
                                      items=choices.enum_items(name),
                                      default=choices.identifier_of(name, value))
    if name in FLAGS:
        return bpy.props.BoolProperty(name=label, description=description, default=bool(value))
    low, high = SOFT_RANGES.get(name, (None, None))
    extra = {} if low is None else {"soft_min": low, "soft_max": high}
    if isinstance(value, int):
        return bpy.props.IntProperty(name=label, description=description, default=value, **extra)
    return bpy.props.FloatProperty(name=label, description=description, default=value, **extra)


def to_library(name, value):
    """A property's value as the binding takes it: a choice as its code."""
    return choices.code_of(name, value) if name in choices.CHOICES else value


def from_library(name, value):
    """A library value as the property takes it: a code as its choice, a flag as a bool."""
    if name in choices.CHOICES:
        return choices.identifier_of(name, value)
    return bool(value) if name in FLAGS else value


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
        annotations[name] = _property(name, defaults.get(name, ""))
    return annotations


ADDON_CHOICES = ("ao", "displacement", "save_png")
