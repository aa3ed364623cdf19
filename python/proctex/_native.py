"""The library itself: finding and loading it, its tables of options and maps
(read once, when it is loaded), the ProctexSettings structure laid out from
them and the prototypes of the functions this package calls."""

import ctypes
import ctypes.util
import os
import sys

from . import _table

# The header's status codes, the reason size that always holds a whole
# reason, and the two maps read through accessors of their own.
OK, ERROR_SETTINGS, ERROR_ARGUMENT, ERROR_MEMORY, ERROR_PATH, ERROR_WRITE, CANCELLED = range(7)
REASON_SIZE = 1024
MAP_HEIGHT, MAP_HEIGHT16 = 5, 6
# proctex_save_files' flags.
SAVE_GLTF, SAVE_GLB, SAVE_SMALL = 1, 2, 4
# GenerateTexture takes the first 22 members of ProctexSettings, then the path.
GENERATE_TEXTURE_ARGUMENTS = 22


class ProctexError(RuntimeError):
    """The library could not be loaded, or a call wrote no complete material."""


class SettingsError(ProctexError, ValueError):
    """Settings refused, by the library or before the call. ``reason`` is the
    one-line reason, ``option`` the option it is about (None when none)."""

    def __init__(self, reason, option=None):
        super().__init__(f"option {option}: {reason}" if option else reason)
        self.reason = reason
        self.option = option


class Tables:
    """What the loaded library describes: ``options``, ``layer_options`` (the
    keys of a layer) and ``maps`` (tuples of _table.Option and _table.Map),
    ``option``, ``layer_option`` and ``map`` by Python name, and ``Settings``
    and ``Layer``, its ProctexSettings and ProctexLayer as ctypes structures."""

    def __init__(self, library):
        self.options = _table.read_options(library, ProctexError)
        self.layer_options = _table.read_options(library, ProctexError, "layer_option")
        self.maps = _table.read_maps(library, ProctexError)
        self.option = {o.name: o for o in self.options}
        self.layer_option = {o.name: o for o in self.layer_options}
        self.map = {m.name: m for m in self.maps}
        self.Layer = _table.layer_type(self.layer_options, ProctexError)
        self.Settings = _table.settings_type(self.options, ProctexError, self.layer_options,
                                              self.Layer)


# ProctexProgress: the library's calling convention, __stdcall on Windows.
PROGRESS = (ctypes.WINFUNCTYPE if os.name == "nt" else ctypes.CFUNCTYPE)(
    ctypes.c_int, ctypes.c_float, ctypes.c_char_p, ctypes.c_void_p)

_library = None
_library_path = None
_tables = None

_c = ctypes
# Read before the settings structure exists.
_TABLE_PROTOTYPES = {
    "proctex_option_count": (_c.c_int, []),
    "proctex_option_info": (_c.c_int, [_c.c_int, _c.POINTER(_table.OptionInfo)]),
    "proctex_map_count": (_c.c_int, []),
    "proctex_map_info": (_c.c_int, [_c.c_int, _c.POINTER(_table.MapInfo)]),
    "proctex_layer_option_count": (_c.c_int, []),
    "proctex_layer_option_info": (_c.c_int, [_c.c_int, _c.POINTER(_table.OptionInfo)]),
}


def _prototypes(tables):
    settings = ctypes.POINTER(tables.Settings)
    legacy = [_table.ctype_of(o) for o in tables.options[:GENERATE_TEXTURE_ARGUMENTS]]
    return {
        "GenerateTexture": (_c.c_int, legacy + [_c.c_wchar_p]),
        "TestDLL": (_c.c_int, []),
        "proctex_settings_defaults": (_c.c_int, [settings, _c.c_size_t]),
        "proctex_settings_check": (_c.c_int, [settings, _c.c_char_p, _c.c_size_t]),
        "proctex_settings_refusal": (_c.c_int, [settings, _c.POINTER(_c.c_int), _c.c_char_p,
                                                _c.c_size_t]),
        "proctex_option_find": (_c.c_int, [_c.c_char_p]),
        "proctex_choice_parse": (_c.c_int, [_c.c_int, _c.c_char_p, _c.POINTER(_c.c_int)]),
        "proctex_colors_parse": (_c.c_int, [_c.c_char_p, settings, _c.c_char_p, _c.c_size_t]),
        "proctex_colors_text": (_c.c_size_t, [settings, _c.c_char_p, _c.c_size_t]),
        "proctex_layers_parse": (_c.c_int, [_c.c_char_p, settings, _c.c_char_p, _c.c_size_t]),
        "proctex_layers_text": (_c.c_size_t, [settings, _c.c_char_p, _c.c_size_t]),
        "proctex_layer_defaults": (_c.c_int, [_c.POINTER(tables.Layer)]),
        "proctex_naming_count": (_c.c_int, []),
        "proctex_naming_name": (_c.c_char_p, [_c.c_int]),
        "proctex_naming_suffix": (_c.c_char_p, [_c.c_int, _c.c_int]),
        "proctex_preset_count": (_c.c_int, []),
        "proctex_preset_name": (_c.c_char_p, [_c.c_int]),
        "proctex_preset_description": (_c.c_char_p, [_c.c_int]),
        "proctex_preset_settings": (_c.c_int, [_c.c_char_p, settings, _c.c_size_t]),
        "proctex_generate": (_c.c_int, [settings, _c.c_uint, _c.POINTER(_c.c_void_p),
                                        _c.c_char_p, _c.c_size_t]),
        "proctex_generate_progress": (_c.c_int, [settings, _c.c_uint, _c.POINTER(_c.c_void_p),
                                                 PROGRESS, _c.c_void_p, _c.c_char_p,
                                                 _c.c_size_t]),
        "proctex_save_files_progress": (_c.c_int, [_c.c_void_p, _c.c_char_p, _c.c_uint,
                                                   PROGRESS, _c.c_void_p, _c.c_char_p,
                                                   _c.c_size_t]),
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


def _declare(library, prototypes):
    """Sets the prototypes; names the first function the library lacks."""
    for name, (restype, argtypes) in prototypes.items():
        try:
            function = getattr(library, name)
        except AttributeError:
            return name
        function.restype = restype
        function.argtypes = argtypes
    return None


def load():
    """The loaded library, loading it on first use."""
    global _library, _library_path, _tables
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
        missing = _declare(library, _TABLE_PROTOTYPES)
        if not missing:
            tables = Tables(library)
            missing = _declare(library, _prototypes(tables))
        if missing:
            failures.append(f"{path}: has no {missing} (a library older than this module)")
            continue
        _library, _library_path, _tables = library, path, tables
        return library
    where = "PROCTEX_LIBRARY" if explicit else "the build tree, the installation or the system"
    hint = ("" if explicit else "\nSet PROCTEX_LIBRARY to the library's file (a build's "
            "build/release/libproctex.so, or an installed one).")
    raise ProctexError(f"cannot load the proctex library from {where}:\n  "
                       + "\n  ".join(failures) + hint)


def tables():
    """The loaded library's Tables."""
    load()
    return _tables


def library_path():
    load()
    return _library_path


def make_folder_for(path):
    """Makes the folder a file is to be written in, as the tool does."""
    folder = os.path.dirname(path)
    if folder:
        try:
            os.makedirs(folder, exist_ok=True)
        except OSError as error:
            raise ProctexError(f"cannot create the folder {folder}: {error}") from error


def reason_buffer():
    return ctypes.create_string_buffer(REASON_SIZE)


def text(buffer):
    return buffer.value.decode("utf-8", "replace")


def option_text(settings, option):
    """A text option of a settings struct (option.kind "colors" or "layers")
    as the library writes it; "" without entries."""
    write = getattr(load(), f"proctex_{option.kind}_text")
    size = write(ctypes.byref(settings), None, 0)
    text = ctypes.create_string_buffer(size + 1)
    write(ctypes.byref(settings), text, len(text))
    return text.value.decode("utf-8")


def set_option_text(settings, option, value):
    """Reads a text option's value into a settings struct; (status code, reason)."""
    reason = reason_buffer()
    code = getattr(load(), f"proctex_{option.kind}_parse")(value.encode("utf-8"),
                                                           ctypes.byref(settings), reason,
                                                           len(reason))
    return code, text(reason)
