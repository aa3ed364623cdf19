"""bpy.ops.proctex.generate_material: the maps, the material, the assignment."""

import time

import bpy

from . import material, options, progress
from .library import proctex


def requested_options(operator):
    """The options to pass over the preset: those given to the operator (every
    one when the panel calls it; a choice by its identifier, which the binding
    takes as the choice's name; a colour ramp and the layers as their text,
    "" clearing a preset's), the sizes always."""
    given = {name: getattr(operator, name)
             for name in options.option_names() if operator.properties.is_property_set(name)}
    for name in options.size_names():
        given[name] = getattr(operator, name) or operator.size
    return given


class PROCTEX_OT_generate_material(bpy.types.Operator):
    """Generate a proctex material and put it on the active object"""

    bl_idname = "proctex.generate_material"
    bl_label = "Generate proctex Material"
    bl_options = {"REGISTER", "UNDO"}

    def execute(self, context):
        preset = None if self.preset == "custom" else self.preset
        started = time.perf_counter()
        try:
            with progress.shown(context.window_manager) as follow:
                made = material.generate(preset, requested_options(self), ao=self.ao,
                                         displacement=self.displacement, save_png=self.save_png,
                                         progress=follow)
        except (proctex.ProctexError, ValueError, TypeError, OSError) as error:
            self.report({"ERROR"}, str(error))
            return {"CANCELLED"}
        obj = getattr(context, "active_object", None)
        assigned = material.assign(obj, made)
        where = f" on {obj.name}" if assigned else ""
        self.report({"INFO"}, f"{made.name}{where} in {time.perf_counter() - started:.2f} s")
        return {"FINISHED"}


def register():
    PROCTEX_OT_generate_material.__annotations__ = options.generation_properties()
    bpy.utils.register_class(PROCTEX_OT_generate_material)


def unregister():
    bpy.utils.unregister_class(PROCTEX_OT_generate_material)
