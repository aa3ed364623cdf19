"""The custom material's colour ramp in the panel: for each option of kind
"colors" in the library's table, a list of stops (a colour and a position
each, as many as the option's upper limit), with add and remove buttons.
The generator takes the ramp as the binding's text, "#rrggbb@position,...",
whose colours are sRGB.

Blender keeps a COLOR property in scene-linear values, and its picker shows
the hex code sRGB-encoded. So the text encodes each colour with the sRGB
curve and rounds it to a byte, and a preset's bytes are decoded to linear
when shown: the hex code in Blender's picker is the one the library gets,
and the swatch shows the colour the diffuse map will have."""

import bpy
import numpy as np

from .library import proctex

KIND = "colors"


def ramp_names():
    """The options that are colour ramps, in the table's order."""
    return [o.name for o in proctex.OPTIONS.values() if o.kind == KIND]


def is_ramp(name):
    return proctex.OPTIONS[name].kind == KIND


def most_stops(name):
    return int(proctex.OPTIONS[name].limits[1])


def srgb_from_linear(value):
    value = min(max(float(value), 0.0), 1.0)
    return value * 12.92 if value <= 0.0031308 else 1.055 * value ** (1 / 2.4) - 0.055


def linear_from_srgb(value):
    return value / 12.92 if value <= 0.04045 else ((value + 0.055) / 1.055) ** 2.4


class ProctexColorStop(bpy.types.PropertyGroup):
    color: bpy.props.FloatVectorProperty(
        name="Colour", subtype="COLOR", size=3, min=0.0, max=1.0, default=(0.5, 0.5, 0.5),
        description="The colour at this height (the hex code is the sRGB one the library gets)")
    position: bpy.props.FloatProperty(
        name="Position", min=0.0, max=1.0, default=0.5, step=1, precision=3,
        description="Where on the relief the colour sits: 0 the lowest, 1 the highest")


def _position_text(position):
    # The shortest decimal of the float32 Blender holds, as the library writes
    # it: 0.45, not 0.449999988; 0 and 1, not 0.0 and 1.0.
    return format(proctex.float32_text(float(np.float32(position))), ".9g")


def stops_text(stops):
    """The ramp as the binding's colors= text, stops in rising position
    (stable: stops at one place keep their order, a hard edge); "" for none."""
    ordered = sorted(stops, key=lambda stop: stop.position)
    parts = []
    for stop in ordered:
        rgb = (round(srgb_from_linear(c) * 255) for c in stop.color)
        parts.append("#{:02x}{:02x}{:02x}@{}".format(*rgb, _position_text(stop.position)))
    return ",".join(parts)


def set_stops(stops, text):
    """Fills the list from colors= text ("" empties it)."""
    stops.clear()
    for part in filter(None, (p.strip() for p in text.split(","))):
        colour, position = part.split("@")
        stop = stops.add()
        stop.color = [linear_from_srgb(int(colour[i:i + 2], 16) / 255) for i in (1, 3, 5)]
        stop.position = float(position)


def field_value(settings, name):
    """An option of the panel's settings as the generator takes it: a ramp as
    its text, anything else as it is."""
    return stops_text(getattr(settings, name)) if is_ramp(name) else getattr(settings, name)


def _new_stop(stops):
    """Position and linear colour of a stop in the middle of the widest gap,
    in the colour the ramp has there (mixed in sRGB, as the library mixes)."""
    ordered = sorted(stops, key=lambda stop: stop.position)
    edges = [0.0] + [s.position for s in ordered] + [1.0]
    gap = max(range(len(edges) - 1), key=lambda i: edges[i + 1] - edges[i])
    position = round((edges[gap] + edges[gap + 1]) / 2, 3)
    if not ordered:
        return position, (0.5, 0.5, 0.5)
    below = [s for s in ordered if s.position <= position]
    above = [s for s in ordered if s.position > position]
    low = below[-1] if below else above[0]
    high = above[0] if above else below[-1]
    span = high.position - low.position
    t = (position - low.position) / span if span > 0 else 0.0
    mixed = [srgb_from_linear(a) + (srgb_from_linear(b) - srgb_from_linear(a)) * t
             for a, b in zip(low.color, high.color)]
    return position, [linear_from_srgb(c) for c in mixed]


class PROCTEX_OT_ramp_stop_add(bpy.types.Operator):
    """Add a colour stop to the ramp (a ramp makes the material custom)"""

    bl_idname = "proctex.ramp_stop_add"
    bl_label = "Add Colour Stop"
    bl_options = {"REGISTER", "UNDO", "INTERNAL"}

    option: bpy.props.StringProperty(options={"HIDDEN"})

    def execute(self, context):
        stops = getattr(context.scene.proctex, self.option)
        if len(stops) >= most_stops(self.option):
            self.report({"ERROR"}, f"at most {most_stops(self.option)} colour stops")
            return {"CANCELLED"}
        position, colour = _new_stop(stops)
        stop = stops.add()
        stop.position, stop.color = position, colour
        return {"FINISHED"}


class PROCTEX_OT_ramp_stop_remove(bpy.types.Operator):
    """Remove this colour stop (with none left, no ramp: a preset's is cleared)"""

    bl_idname = "proctex.ramp_stop_remove"
    bl_label = "Remove Colour Stop"
    bl_options = {"REGISTER", "UNDO", "INTERNAL"}

    option: bpy.props.StringProperty(options={"HIDDEN"})
    index: bpy.props.IntProperty(options={"HIDDEN"})

    def execute(self, context):
        stops = getattr(context.scene.proctex, self.option)
        if not 0 <= self.index < len(stops):
            return {"CANCELLED"}
        stops.remove(self.index)
        return {"FINISHED"}


def draw(layout, settings, name, title):
    """The ramp's rows under ``title``: colour, position and a remove button
    per stop, then the add button."""
    stops = getattr(settings, name)
    column = layout.column(align=True)
    column.use_property_split = False
    column.use_property_decorate = False
    column.label(text=f"{title}: {len(stops)} stops" if len(stops) else f"{title}: none")
    for index, stop in enumerate(stops):
        split = column.split(factor=0.4, align=True)
        split.prop(stop, "color", text="")
        row = split.row(align=True)
        row.prop(stop, "position", text="At")
        remove = row.operator(PROCTEX_OT_ramp_stop_remove.bl_idname, text="", icon="X")
        remove.option, remove.index = name, index
    row = column.row(align=True)
    row.enabled = len(stops) < most_stops(name)
    add = row.operator(PROCTEX_OT_ramp_stop_add.bl_idname, icon="ADD")
    add.option = name


CLASSES = (ProctexColorStop, PROCTEX_OT_ramp_stop_add, PROCTEX_OT_ramp_stop_remove)
