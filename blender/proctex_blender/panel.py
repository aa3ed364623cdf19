"""The panel: in the Properties editor's Material tab and the Shader Editor's
sidebar, over settings kept in the scene."""

import bpy

from . import options, ramp
from .library import proctex


def _load_preset(settings, _context):
    """Choosing a preset shows its values in the option fields, its colour
    ramp in the ramp's stops (none when it has no ramp)."""
    values = proctex.defaults(None if settings.preset == "custom" else settings.preset)
    for name in options.option_names():
        if ramp.is_ramp(name):
            ramp.set_stops(getattr(settings, name), values.get(name) or "")
        else:
            setattr(settings, name, options.from_library(name, values.get(name, "")))


class ProctexSettings(bpy.types.PropertyGroup):
    pass


def draw_settings(layout, settings):
    layout.prop(settings, "preset")
    row = layout.row(align=True)
    for name in ["size"] + options.size_names():
        row.prop(settings, name)
    row = layout.row(align=True)
    for name in options.ADDON_CHOICES:
        row.prop(settings, name, toggle=True)
    button = layout.operator("proctex.generate_material", icon="MATERIAL")
    for name in ["preset", "size"] + options.size_names() + list(options.ADDON_CHOICES):
        setattr(button, name, getattr(settings, name))
    for name in options.option_names():
        setattr(button, name, ramp.field_value(settings, name))
    # The options in the library's groups.
    for group, names in options.groups():
        column = layout.column(align=True)
        column.use_property_split = True
        column.label(text=options.label(group))
        for name in names:
            # An option that changes nothing with the other settings is not shown.
            if not options.used(settings, name):
                continue
            if ramp.is_ramp(name):
                ramp.draw(column, settings, name, options.label(name))
            else:
                column.prop(settings, name)


class _Panel:
    bl_label = "proctex"

    def draw(self, context):
        draw_settings(self.layout, context.scene.proctex)


class PROCTEX_PT_material(_Panel, bpy.types.Panel):
    bl_idname = "PROCTEX_PT_material"
    bl_space_type = "PROPERTIES"
    bl_region_type = "WINDOW"
    bl_context = "material"


class PROCTEX_PT_shader_editor(_Panel, bpy.types.Panel):
    bl_idname = "PROCTEX_PT_shader_editor"
    bl_space_type = "NODE_EDITOR"
    bl_region_type = "UI"
    bl_category = "proctex"

    @classmethod
    def poll(cls, context):
        space = context.space_data
        return space is not None and getattr(space, "tree_type", "") == "ShaderNodeTree"


_CLASSES = ramp.CLASSES + (ProctexSettings, PROCTEX_PT_material, PROCTEX_PT_shader_editor)


def register():
    annotations = options.generation_properties(on_preset=_load_preset,
                                                stop_type=ramp.ProctexColorStop)
    ProctexSettings.__annotations__ = annotations
    for cls in _CLASSES:
        bpy.utils.register_class(cls)
    bpy.types.Scene.proctex = bpy.props.PointerProperty(type=ProctexSettings)


def unregister():
    del bpy.types.Scene.proctex
    for cls in reversed(_CLASSES):
        bpy.utils.unregister_class(cls)
