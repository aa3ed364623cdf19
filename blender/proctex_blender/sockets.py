"""Node sockets and node-group interfaces across Blender versions (the
Principled BSDF's inputs were renamed in 4.0, group interfaces moved too)."""

import bpy

# Principled BSDF input -> its names, newest first.
PRINCIPLED = {
    "base_color": ("Base Color",),
    "roughness": ("Roughness",),
    "metallic": ("Metallic",),
    "normal": ("Normal",),
    "emission_strength": ("Emission Strength",),
    "specular": ("Specular IOR Level", "Specular"),
    "subsurface": ("Subsurface Weight", "Subsurface"),
    "emission": ("Emission Color", "Emission"),
}


def socket(sockets, names):
    """The first socket found under one of ``names``; KeyError naming them all."""
    for name in names:
        found = sockets.get(name)
        if found is not None:
            return found
    raise KeyError(f"no socket named {' or '.join(names)}")


def principled_input(node, role):
    return socket(node.inputs, PRINCIPLED[role])


def separate_color_node(nodes):
    """A colour splitter (Separate Color since 3.3, Separate RGB before) and
    the names of its R, G, B outputs."""
    try:
        node = nodes.new("ShaderNodeSeparateColor")
        return node, ("Red", "Green", "Blue")
    except RuntimeError:
        return nodes.new("ShaderNodeSeparateRGB"), ("R", "G", "B")


def _add_group_input(group, name, default):
    if hasattr(group, "interface"):  # 4.0 and later
        item = group.interface.new_socket(name, in_out="INPUT", socket_type="NodeSocketFloat")
    else:
        item = group.inputs.new("NodeSocketFloat", name)
    item.default_value = default


def _group_has_input(group, name):
    if hasattr(group, "interface"):
        return any(getattr(item, "in_out", "") == "INPUT" and item.name == name
                   for item in group.interface.items_tree)
    return name in group.inputs


# The glTF exporter reads occlusion from a group node of one of these names,
# the first being the current one.
GLTF_GROUP_NAMES = ("glTF Material Output", "glTF Settings")


def gltf_output_group():
    """The glTF exporter's material output group, made as the exporter makes
    it when the file has none."""
    for name in GLTF_GROUP_NAMES:
        group = bpy.data.node_groups.get(name)
        if group is not None and group.bl_idname == "ShaderNodeTree":
            break
    else:
        group = bpy.data.node_groups.new(GLTF_GROUP_NAMES[0], "ShaderNodeTree")
        group.nodes.new("NodeGroupInput").location = (-200, 0)
        group.nodes.new("NodeGroupOutput")
    if not _group_has_input(group, "Occlusion"):
        _add_group_input(group, "Occlusion", 1.0)
    if not _group_has_input(group, "Thickness"):
        _add_group_input(group, "Thickness", 0.0)
    return group


def set_displacement_method(material, method):
    """Cycles' displacement method: a material setting since 4.1, Cycles' before."""
    if hasattr(material, "displacement_method"):
        material.displacement_method = method
    elif hasattr(material, "cycles"):
        material.cycles.displacement_method = method
