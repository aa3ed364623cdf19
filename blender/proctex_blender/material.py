"""The Principled BSDF material made from one set of maps."""

import bpy

from . import images, sockets
from .progress import part as progress_part
from .library import proctex

# Blender units, when the options give no height range.
DEFAULT_DISPLACEMENT_SCALE = 0.1


def material_name(preset):
    return f"proctex {preset or 'custom'}"


def render_maps(preset, options, ao, displacement, progress=None):
    """The library's maps for the material: the OpenGL normal map, occlusion /
    roughness / metallic packed in one image, the 16-bit height when displacing,
    the glow of a material that has one."""
    return proctex.render(preset, normal_gl=True, orm=True, ao=ao, height16=displacement,
                          emissive=True, progress=progress, **options)


# The library's map (proctex.MAPS) behind each texture of the material.
ROLE_MAPS = {"diffuse": "diffuse", "normal": "normal_gl", "orm": "orm", "height": "height16",
             "emissive": "emissive"}


def _images(name, maps, displacement, save_png, progress=None):
    """Image per role: diffuse, normal, orm and (when displacing) height, each
    in the colour space of its map (colour when sRGB, else data)."""
    wanted = ["diffuse", "normal", "orm"] + (["height"] if displacement else [])
    if getattr(maps, "emissive", None) is not None:
        wanted.append("emissive")  # only materials that glow have the map
    library_maps = {role: proctex.MAPS[ROLE_MAPS[role]] for role in wanted}
    space = {role: "colour" if m.srgb else "data" for role, m in library_maps.items()}
    if save_png:
        base = images.png_base(name)
        maps.save(base, progress=progress)
        return {role: images.file_image(f"{name} {role}", base[:-4] + m.suffix, space[role])
                for role, m in library_maps.items()}
    made = []
    for role, m in library_maps.items():
        pixels = getattr(maps, m.name)
        if m.bit_depth == 16:
            # A float image keeps the 16 bits.
            made.append(images.MemoryMap(f"{name} {role}", pixels, space[role],
                                         scale=images.WORD_TO_UNIT, float_buffer=True))
        else:
            made.append(images.MemoryMap(f"{name} {role}", pixels, space[role]))
    return dict(zip(wanted, images.memory_images(made)))


def _texture(nodes, links, image, vector, location):
    node = nodes.new("ShaderNodeTexImage")
    node.image = image
    node.interpolation = "Linear"
    node.extension = "REPEAT"
    node.location = location
    links.new(vector, node.inputs["Vector"])
    return node


def build_nodes(material, textures, options, ao, displacement):
    """Replaces the material's node tree: UV -> Mapping -> textures ->
    Principled BSDF (+ Normal Map, Displacement, glTF occlusion)."""
    material.use_nodes = True
    tree = material.node_tree
    nodes, links = tree.nodes, tree.links
    nodes.clear()

    coordinates = nodes.new("ShaderNodeTexCoord")
    coordinates.location = (-1200, 0)
    mapping = nodes.new("ShaderNodeMapping")
    mapping.location = (-1000, 0)
    tile = options.get("tile_size", 0.0)
    repeats = 1.0 / tile if tile > 0 else 1.0
    mapping.inputs["Scale"].default_value = (repeats, repeats, repeats)
    links.new(coordinates.outputs["UV"], mapping.inputs["Vector"])
    vector = mapping.outputs["Vector"]

    bsdf = nodes.new("ShaderNodeBsdfPrincipled")
    bsdf.location = (100, 200)
    output = nodes.new("ShaderNodeOutputMaterial")
    output.location = (450, 200)
    links.new(bsdf.outputs["BSDF"], output.inputs["Surface"])

    diffuse = _texture(nodes, links, textures["diffuse"], vector, (-600, 500))
    links.new(diffuse.outputs["Color"], sockets.principled_input(bsdf, "base_color"))

    orm = _texture(nodes, links, textures["orm"], vector, (-600, 200))
    split, channel = sockets.separate_color_node(nodes)
    split.location = (-300, 200)
    links.new(orm.outputs["Color"], split.inputs[0])
    links.new(split.outputs[channel[1]], sockets.principled_input(bsdf, "roughness"))
    links.new(split.outputs[channel[2]], sockets.principled_input(bsdf, "metallic"))

    normal = _texture(nodes, links, textures["normal"], vector, (-600, -100))
    normal_map = nodes.new("ShaderNodeNormalMap")
    normal_map.location = (-300, -100)
    links.new(normal.outputs["Color"], normal_map.inputs["Color"])
    links.new(normal_map.outputs["Normal"], sockets.principled_input(bsdf, "normal"))

    if "emissive" in textures:
        # The glow texture at full colour, as bright as the material's emission.
        glow = _texture(nodes, links, textures["emissive"], vector, (-600, 800))
        links.new(glow.outputs["Color"], sockets.principled_input(bsdf, "emission"))
        strength = max(float(options.get("emission", 1.0)), 1.0)
        try:
            sockets.principled_input(bsdf, "emission_strength").default_value = strength
        except KeyError:
            pass  # Blender before 2.91 has no strength input: the colour alone

    if ao:
        gltf = nodes.new("ShaderNodeGroup")
        gltf.node_tree = sockets.gltf_output_group()
        gltf.location = (450, -100)
        links.new(split.outputs[channel[0]], gltf.inputs["Occlusion"])

    if displacement:
        height = _texture(nodes, links, textures["height"], vector, (-600, -400))
        displace = nodes.new("ShaderNodeDisplacement")
        displace.location = (100, -400)
        links.new(height.outputs["Color"], displace.inputs["Height"])
        displace.inputs["Midlevel"].default_value = 0.5
        span = options.get("height_range", 0.0)
        displace.inputs["Scale"].default_value = span if span > 0 else DEFAULT_DISPLACEMENT_SCALE
        links.new(displace.outputs["Displacement"], output.inputs["Displacement"])
    sockets.set_displacement_method(material, "BOTH" if displacement else "BUMP")
    return bsdf


def generate(preset, options, ao=True, displacement=False, save_png=False, progress=None):
    """Makes (or remakes, keeping the datablock) the material "proctex <preset>".
    ``progress(fraction, stage)`` follows the work (see progress.py)."""
    name = material_name(preset)
    # Saving the PNG files is the last tenth of the work.
    rendered = 0.9 if save_png else 1.0
    maps = render_maps(preset, options, ao, displacement,
                       progress_part(progress, 0.0, rendered))
    try:
        textures = _images(name, maps, displacement, save_png,
                           progress_part(progress, rendered, 1.0))
    finally:
        maps.close()
    material = bpy.data.materials.get(name) or bpy.data.materials.new(name)
    build_nodes(material, textures, maps.options, ao, displacement)
    return material


def assign(obj, material):
    """Puts the material into the object's active slot (adding one if it has none)."""
    if obj is None or not hasattr(obj.data, "materials"):
        return False
    if len(obj.material_slots) == 0:
        obj.data.materials.append(material)
    else:
        obj.active_material = material
    return True
