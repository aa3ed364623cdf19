"""The library itself: finding and loading it, the ProctexSettings structure,
the option table and the prototypes of the functions this package calls."""

import ctypes
import ctypes.util
import os
import sys

# Python option (the command line's long name, "_" for "-") -> member of
# ProctexSettings, in the struct's order, which is also the order of
# GenerateTexture's arguments. Settings._fields_ is built from this table.
TABLE = (
    ("width", "width", ctypes.c_int),
    ("height", "height", ctypes.c_int),
    ("base", "baseType", ctypes.c_int),
    ("scale", "scale", ctypes.c_float),
    ("octaves", "octaves", ctypes.c_int),
    ("persistence", "persistence", ctypes.c_float),
    ("lacunarity", "lacunarity", ctypes.c_float),
    ("material", "materialType", ctypes.c_int),
    ("pattern", "patternType", ctypes.c_int),
    ("pattern_param", "patternParam", ctypes.c_float),
    ("overlay", "overlayType", ctypes.c_int),
    ("overlay_param", "overlayParam", ctypes.c_float),
    ("overlay_strength", "overlayStrength", ctypes.c_float),
    ("seed", "seed", ctypes.c_int),
    ("contrast", "contrast", ctypes.c_float),
    ("brightness", "brightness", ctypes.c_float),
    ("invert", "invert", ctypes.c_int),
    ("seamless", "seamless", ctypes.c_int),
    ("normal_strength", "normalStrength", ctypes.c_float),
    ("roughness", "roughness", ctypes.c_float),
    ("roughness_map", "writeRoughness", ctypes.c_int),
    ("metallic_map", "writeMetallic", ctypes.c_int),
    ("ao_radius", "aoRadius", ctypes.c_float),
    ("ao_strength", "aoStrength", ctypes.c_float),
    ("tile_size", "tileSize", ctypes.c_float),
    ("height_range", "heightRange", ctypes.c_float),
    ("pbr", "pbr", ctypes.c_int),
    ("metal", "metal", ctypes.c_float),
    ("metal_type", "metalType", ctypes.c_int),
    ("metal_mask", "metalMask", ctypes.c_int),
    ("emission", "emission", ctypes.c_float),
    ("emission_level", "emissionLevel", ctypes.c_float),
)
# GenerateTexture takes the first 22 members, in this order, then the path.
GENERATE_TEXTURE_ARGUMENTS = 22
MEMBER = {option: member for option, member, _ in TABLE}
OPTION = {member: option for option, member, _ in TABLE}
CTYPE = {option: ctype for option, _, ctype in TABLE}


class Settings(ctypes.Structure):
    """ProctexSettings of include/proctex.h, member for member."""
    _fields_ = ([("size", ctypes.c_size_t)] + [(member, ctype) for _, member, ctype in TABLE]
                + [("colorStopCount", ctypes.c_int), ("colorStops", (ctypes.c_float * 4) * 8)])


# Status codes and map numbers of the header.
OK, ERROR_SETTINGS, ERROR_ARGUMENT, ERROR_MEMORY, ERROR_PATH, ERROR_WRITE = range(6)
MAP_DIFFUSE, MAP_NORMAL, MAP_SPECULAR, MAP_ROUGHNESS, MAP_METALLIC, MAP_HEIGHT = range(6)
MAP_HEIGHT16, MAP_AO, MAP_NORMAL_GL, MAP_ORM, MAP_EMISSIVE = range(6, 11)
MAP_NAMES = ("diffuse", "normal", "specular", "roughness", "metallic")
# The 8-bit extra maps read through proctex_maps_pixels: number -> attribute.
EXTRA_MAPS = ((MAP_AO, "ao"), (MAP_NORMAL_GL, "normal_gl"), (MAP_ORM, "orm"),
              (MAP_EMISSIVE, "emissive"))
REASON_SIZE = 512


class ProctexError(RuntimeError):
    """The library could not be loaded, or a call wrote no complete material."""


_library = None
_library_path = None

_c = ctypes
_SETTINGS_P = ctypes.POINTER(Settings)
_PROTOTYPES = {
    "GenerateTexture": (_c.c_int, [ctype for _, _, ctype in TABLE[:GENERATE_TEXTURE_ARGUMENTS]]
                        + [_c.c_wchar_p]),
    "TestDLL": (_c.c_int, []),
    "proctex_settings_defaults": (_c.c_int, [_SETTINGS_P, _c.c_size_t]),
    "proctex_settings_check": (_c.c_int, [_SETTINGS_P, _c.c_char_p, _c.c_size_t]),
    "proctex_preset_count": (_c.c_int, []),
    "proctex_preset_name": (_c.c_char_p, [_c.c_int]),
    "proctex_preset_description": (_c.c_char_p, [_c.c_int]),
    "proctex_preset_settings": (_c.c_int, [_c.c_char_p, _SETTINGS_P, _c.c_size_t]),
    "proctex_generate": (_c.c_int, [_SETTINGS_P, _c.c_uint, _c.POINTER(_c.c_void_p),
                                    _c.c_char_p, _c.c_size_t]),
    "proctex_maps_pixels": (_c.c_void_p, [_c.c_void_p, _c.c_int, _c.POINTER(_c.c_int),
                                          _c.POINTER(_c.c_int), _c.POINTER(_c.c_int)]),
    "proctex_maps_height": (_c.c_void_p, [_c.c_void_p, _c.POINTER(_c.c_int),
                                          _c.POINTER(_c.c_int)]),
    "proctex_maps_height16": (_c.c_void_p, [_c.c_void_p, _c.POINTER(_c.c_int),
                                            _c.POINTER(_c.c_int)]),
    "proctex_maps_free": (None, [_c.c_void_p]),
    "proctex_save": (_c.c_int, [_c.c_void_p, _c.c_char_p, _c.c_char_p, _c.c_size_t]),
    "proctex_encode_png": (_c.c_int, [_c.c_void_p, _c.c_int, _c.c_int, _c.c_int, _c.c_int,
                                      _c.POINTER(_c.c_void_p), _c.POINTER(_c.c_size_t)]),
    "proctex_free": (None, [_c.c_void_p]),
    "proctex_version": (_c.c_char_p, []),
}


def _library_names():
    if os.name == "nt":
        return ["proctex.dll"]
    if sys.platform == "darwin":
        return ["libproctex.dylib"]
    return ["libproctex.so", "libproctex.so.0"]


def _build_tree_candidates():
    # This file is python/proctex/_native.py in the source tree.
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    build = os.path.join(root, "build")
    if not os.path.isdir(build):
        return []
    folders = sorted(os.listdir(build), key=lambda f: (f != "release", f))
    found = []
    for folder in folders:
        for sub in ("", "bin"):
            for name in _library_names():
                found.append(os.path.join(build, folder, sub, name))
    return found


def _installed_candidates():
    # Installed, the package is PREFIX/share/proctex/python/proctex: walk up
    # and look into the lib folders of every level.
    found = []
    here = os.path.dirname(os.path.abspath(__file__))
    parent = os.path.dirname(here)
    while parent != here:
        for libdir in ("lib", "lib64", "bin"):
            top = os.path.join(here, libdir)
            if not os.path.isdir(top):
                continue
            dirs = [top] + [os.path.join(top, d) for d in sorted(os.listdir(top))]
            for d in dirs:
                for name in _library_names():
                    found.append(os.path.join(d, name))
        here, parent = parent, os.path.dirname(parent)
    return found


def _declare(library):
    """Sets the prototypes; names the first function the library lacks."""
    for name, (restype, argtypes) in _PROTOTYPES.items():
        try:
            function = getattr(library, name)
        except AttributeError:
            return name
        function.restype = restype
        function.argtypes = argtypes
    return None


def load():
    """The loaded library, loading it on first use."""
    global _library, _library_path
    if _library is not None:
        return _library
    loader = ctypes.WinDLL if os.name == "nt" else ctypes.CDLL
    explicit = os.environ.get("PROCTEX_LIBRARY")
    if explicit:
        candidates = [explicit]
    else:
        candidates = [p for p in _build_tree_candidates() + _installed_candidates()
                      if os.path.isfile(p)]
        system = ctypes.util.find_library("proctex")
        candidates.append(system or _library_names()[-1])
    failures = []
    for path in candidates:
        try:
            library = loader(path)
        except OSError as error:
            failures.append(f"{path}: {error}")
            continue
        missing = _declare(library)
        if missing:
            failures.append(f"{path}: has no {missing} (a library older than this module)")
            continue
        _library, _library_path = library, path
        return library
    where = "PROCTEX_LIBRARY" if explicit else "the build tree, the installation or the system"
    raise ProctexError(f"cannot load the proctex library from {where}:\n  "
                       + "\n  ".join(failures))


def library_path():
    load()
    return _library_path


def reason_buffer():
    return ctypes.create_string_buffer(REASON_SIZE)


def text(buffer):
    return buffer.value.decode("utf-8", "replace")
