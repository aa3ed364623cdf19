"""The library's options as Blender properties, shared by the operator and the
panel's scene settings, all from the library's table (``proctex.OPTIONS``):
names are the Python binding's, defaults, slider ranges (the useful range),
hard limits and tooltips the library's. The type codes are named choices
(choices.py): ``generate_material(pattern="CELLS")`` is the binding's
``pattern="cells"``. The options of the "size" group are the maps' own
width and height: 0 takes the add-on's ``size``."""

import math

import bpy

from . import choices
from .library import proctex

SIZE_GROUP = "size"
# Words the labels write in capitals.
ABBREVIATIONS = {"Ao": "AO", "Orm": "ORM", "Gl": "GL"}


def option_names():
    """Every option of the library but the sizes, in the table's order."""
    return [o.name for o in proctex.OPTIONS.values() if o.group != SIZE_GROUP]


def size_names():
    """The options the size stands in for when they are 0."""
    return [o.name for o in proctex.OPTIONS.values() if o.group == SIZE_GROUP]


def groups():
    """(group, option names) in the table's order, sizes left out."""
    found = {}
    for name in option_names():
        found.setdefault(proctex.OPTIONS[name].group, []).append(name)
    return list(found.items())


def preset_items():
    """EnumProperty items: "custom" (the library's defaults) and every preset."""
    items = [("custom", "Custom", "The library's defaults with the options below")]
    for name, description in proctex.presets().items():
        items.append((name, name.replace("-", " ").title(), description))
    return items


def label(name):
    return " ".join(ABBREVIATIONS.get(w, w) for w in name.replace("_", " ").title().split())


def description(option):
    """The library's help, with the useful range of a number, or the keys of
    a layer from the library's layer table."""
    if option.kind in ("integer", "number"):
        low, high = option.useful
        return f"{option.help}; useful {low:g}..{high:g}"
    if option.kind == "layers":
        keys = ", ".join(k.cli_name for k in proctex.LAYER_OPTIONS.values())
        return f"{option.help}; key=value words, ';' between layers. Keys: {keys}"
    return option.help


def _number_steps(option):
    """Blender's step (hundredths for floats, 1..100) and display precision."""
    if option.kind == "integer":
        return {"step": min(100, max(1, int(option.step)))}
    digits = max(0, -math.floor(math.log10(option.step))) if option.step > 0 else 2
    return {"step": min(100, max(1, round(option.step * 100))), "precision": max(2, digits)}


def _property(option):
    common = {"name": label(option.name), "description": description(option)}
    if option.kind == "choice":
        return bpy.props.EnumProperty(items=choices.enum_items(option.name),
                                      default=choices.identifier_of(option.name, option.default),
                                      **common)
    if option.kind == "flag":
        return bpy.props.BoolProperty(default=bool(option.default), **common)
    if option.is_text:
        # The operator takes the text: a ramp's "#2b1d0e@0,#d9b38c@1" (the
        # panel shows its stops, ramp.py), the layers' "mask=joints ...; ...".
        return bpy.props.StringProperty(default=option.default, **common)
    ranges = {"soft_min": option.useful[0], "soft_max": option.useful[1],
              "min": option.limits[0], "max": option.limits[1]}
    if option.kind == "integer":
        return bpy.props.IntProperty(default=option.default, **ranges, **_number_steps(option),
                                     **common)
    if option.kind == "number":
        return bpy.props.FloatProperty(default=option.default, **ranges, **_number_steps(option),
                                       **common)
    raise ValueError(f"option {option.name} is of kind {option.kind}, which the add-on "
                     "cannot show")


def _size_property(option):
    """A map size: 0 takes the add-on's size."""
    return bpy.props.IntProperty(name=label(option.name), default=0, min=0,
                                 max=option.limits[1], soft_max=option.useful[1],
                                 description=f"{option.help} (0: the size)")


def used(settings, name):
    """Whether option `name` changes the maps with the panel's other settings."""
    def library_value(other):
        value = getattr(settings, other)
        if proctex.OPTIONS[other].kind == "choice":
            return choices.code_of(other, value)
        return int(value)
    return proctex.OPTIONS[name].used(library_value)


def from_library(name, value):
    """A library value as the property takes it: a code as its choice, a flag as a bool."""
    option = proctex.OPTIONS[name]
    if option.kind == "choice":
        return choices.identifier_of(name, value)
    return bool(value) if option.kind == "flag" else value


def generation_properties(on_preset=None, stop_type=None):
    """Annotations shared by the operator and the scene settings: the preset
    (``on_preset`` called when it changes), the size, every option and the
    add-on's own choices. With ``stop_type`` (the scene's), a colour ramp is
    a collection of those stops rather than the text the operator takes."""
    preset = {"update": on_preset} if on_preset else {}
    annotations = {
        "preset": bpy.props.EnumProperty(name="Preset", items=preset_items(), default="custom",
                                         description="The named material to start from",
                                         **preset),
        "size": bpy.props.IntProperty(name="Size", default=1024, min=1, soft_max=4096,
                                      description="Width and height of the maps in pixels"),
    }
    for name in size_names():
        annotations[name] = _size_property(proctex.OPTIONS[name])
    annotations.update({
        "ao": bpy.props.BoolProperty(
            name="Ambient Occlusion", default=True,
            description="Occlusion into the glTF Material Output group (never into the colour)"),
        "displacement": bpy.props.BoolProperty(
            name="Displacement", default=False,
            description="Displace the surface by the 16-bit height map"),
        "save_png": bpy.props.BoolProperty(
            name="Save PNG Files", default=False,
            description="Save the maps as PNG next to the .blend instead of packing them into it"),
    })
    for name in option_names():
        option = proctex.OPTIONS[name]
        if stop_type is not None and option.kind == "colors":
            annotations[name] = bpy.props.CollectionProperty(
                type=stop_type, name=label(name),
                description=f"{option.help} (up to {option.limits[1]} stops)")
        else:
            annotations[name] = _property(option)
    return annotations


ADDON_CHOICES = ("ao", "displacement", "save_png")
