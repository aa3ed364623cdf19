"""Maps from the library into Blender images: pixels set in memory, then
packed into the .blend, or the library's PNG files next to the .blend."""

import os

import bpy
import numpy as np

BYTE_TO_UNIT = np.float32(1.0 / 255.0)
WORD_TO_UNIT = np.float32(1.0 / 65535.0)

# Colour-space names by role, in order of preference, for the configurations
# Blender ships (3.x, 4.x) and common ACES / custom ones.
COLOUR_NAMES = ("sRGB", "sRGB 2.2", "Utility - sRGB - Texture", "Input - Generic - sRGB - Texture")
DATA_NAMES = ("Non-Color", "Generic Data", "Raw", "Utility - Raw", "Linear", "Utility - Linear - sRGB")


def rgba_rows(pixels, scale=BYTE_TO_UNIT):
    """Blender's pixel layout of a library map: float RGBA, rows from the bottom.
    ``pixels`` is H x W (grey) or H x W x 3, top row first."""
    height, width = pixels.shape[:2]
    out = np.empty((height, width, 4), dtype=np.float32)
    rows = pixels[::-1]
    if rows.ndim == 2:
        np.multiply(rows, scale, out=out[..., 0], casting="unsafe")
        out[..., 1] = out[..., 0]
        out[..., 2] = out[..., 0]
    else:
        np.multiply(rows, scale, out=out[..., :3], casting="unsafe")
    out[..., 3] = 1.0
    return out.reshape(-1)


def colour_space_for(role, available):
    """The colour-space name for "colour" or "data" among ``available``, or None."""
    for name in COLOUR_NAMES if role == "colour" else DATA_NAMES:
        if name in available:
            return name
    return None


def _available_colour_spaces(image):
    prop = image.colorspace_settings.bl_rna.properties["name"]
    return {item.identifier for item in prop.enum_items}


def set_role(image, role):
    """Colour space by role, falling back to the data flag when the
    configuration has no data space by any known name."""
    name = colour_space_for(role, _available_colour_spaces(image))
    if name:
        image.colorspace_settings.name = name
    if role == "data" and hasattr(image.colorspace_settings, "is_data"):
        image.colorspace_settings.is_data = True


def _fresh_image(name, width, height, float_buffer):
    old = bpy.data.images.get(name)
    if old is not None:
        bpy.data.images.remove(old)
    return bpy.data.images.new(name, width, height, alpha=False, float_buffer=float_buffer)


def packed_image(name, pixels, role, scale=BYTE_TO_UNIT, float_buffer=False):
    """A new image (replacing one of the same name) holding ``pixels``,
    packed into the .blend."""
    height, width = pixels.shape[:2]
    image = _fresh_image(name, width, height, float_buffer)
    set_role(image, role)
    image.pixels.foreach_set(rgba_rows(pixels, scale))
    # Packing turns the generated image into a file image whose data lives in
    # the .blend: renders and reloads read the same pixels.
    image.pack()
    return image


def file_image(name, path, role):
    """An image (replacing one of the same name) read from a PNG the library wrote."""
    old = bpy.data.images.get(name)
    if old is not None:
        bpy.data.images.remove(old)
    image = bpy.data.images.load(path)
    image.name = name
    set_role(image, role)
    if bpy.data.filepath:
        try:
            image.filepath = bpy.path.relpath(path)
        except ValueError:  # another drive on Windows
            pass
    return image


def png_base(material_name):
    """The path the library's files are saved under: <blend folder>/<name>.png."""
    if not bpy.data.filepath:
        raise ValueError("save the .blend first: the PNG files go next to it")
    folder = os.path.dirname(bpy.path.abspath(bpy.data.filepath))
    safe = bpy.path.clean_name(material_name)
    return os.path.join(folder, safe + ".png")
