"""Maps from the library into Blender images: pixels set in memory, then
packed into the .blend, or the library's PNG files next to the .blend."""

import os
from concurrent.futures import ThreadPoolExecutor

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
    ``pixels`` is H x W (grey) or H x W x 3, top row first, 8 or 16 bits."""
    height, width = pixels.shape[:2]
    # Gathered in the map's own type first: one contiguous conversion to float
    # afterwards is several times faster than converting into strided channels.
    whole = np.empty((height, width, 4), dtype=pixels.dtype)
    rows = pixels[::-1]
    whole[..., :3] = rows[..., None] if rows.ndim == 2 else rows
    whole[..., 3] = np.iinfo(pixels.dtype).max
    out = np.empty(whole.size, dtype=np.float32)
    np.multiply(whole.reshape(-1), scale, out=out, casting="unsafe")
    return out


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


# Marks the images the add-on made, so that saving the .blend packs them.
MADE_BY = "proctex"


def _image_for(name, width, height, float_buffer):
    """The image of this name when it can take the pixels as it is (made in
    memory, same size and depth), else a new one in its place."""
    image = bpy.data.images.get(name)
    if (image is not None and image.source == "GENERATED" and image.packed_file is None
            and tuple(image.size) == (width, height)
            and image.use_generated_float == float_buffer):
        return image
    if image is not None:
        bpy.data.images.remove(image)
    image = bpy.data.images.new(name, width, height, alpha=False, float_buffer=float_buffer)
    image[MADE_BY] = True
    return image


class MemoryMap:
    """One map to become an image: its name, pixels, role and depth."""

    def __init__(self, name, pixels, role, scale=BYTE_TO_UNIT, float_buffer=False):
        self.name, self.pixels, self.role = name, pixels, role
        self.scale, self.float_buffer = scale, float_buffer


def memory_images(maps):
    """An image per MemoryMap holding its pixels, each updated in place when it
    exists. They are packed into the .blend when the file is saved
    (pack_made_images)."""
    # numpy lets go of the interpreter while it converts: the maps convert side by side.
    with ThreadPoolExecutor(max_workers=min(len(maps), os.cpu_count() or 1)) as pool:
        converted = list(pool.map(lambda m: rgba_rows(m.pixels, m.scale), maps))
    made = []
    for one, pixels in zip(maps, converted):
        height, width = one.pixels.shape[:2]
        image = _image_for(one.name, width, height, one.float_buffer)
        set_role(image, one.role)
        image.pixels.foreach_set(pixels)
        image.update()
        made.append(image)
    return made


@bpy.app.handlers.persistent
def pack_made_images(*_):
    """Packs the images made in memory, so that the .blend keeps their pixels
    (encoding them as PNG takes longer than making them: it waits until here)."""
    for image in bpy.data.images:
        if image.get(MADE_BY) and image.source == "GENERATED" and image.packed_file is None:
            image.pack()


def register():
    bpy.app.handlers.save_pre.append(pack_made_images)


def unregister():
    if pack_made_images in bpy.app.handlers.save_pre:
        bpy.app.handlers.save_pre.remove(pack_made_images)


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
