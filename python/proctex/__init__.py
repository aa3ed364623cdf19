"""Procedural PBR material textures from Python.

A thin ctypes binding of the proctex shared library (standard library only)::

    import proctex
    files = proctex.generate("out/lava.png", material=7, scale=128, seed=7)
    # ['out/lava_diff.png', 'out/lava_nmap.png', 'out/lava_spec.png',
    #  'out/lava_rough.png', 'out/lava_metal.png']

The options have the names of the command-line tool's long options, with
underscores for dashes (``pattern_param`` for ``--pattern-param``), and the
same defaults, so equal options give byte-identical files from both.

The library is found, in this order: the file named by the environment variable
PROCTEX_LIBRARY; a build of this source tree (build/release, then the other
build folders); an installation around this module (the lib folders of a
prefix above it); the system's library search path.
"""

import ctypes
import ctypes.util
import os
import sys

__all__ = ["OPTIONS", "ProctexError", "generate", "output_files", "test_dll", "library_path"]

# (name, C type, default) in the order of GenerateTexture's arguments; the
# defaults make a 512 x 512 grey stone, as the command line does.
_ARGUMENTS = (
    ("width", ctypes.c_int, 512),
    ("height", ctypes.c_int, 512),
    ("base", ctypes.c_int, 0),
    ("scale", ctypes.c_float, 96.0),
    ("octaves", ctypes.c_int, 7),
    ("persistence", ctypes.c_float, 0.55),
    ("lacunarity", ctypes.c_float, 2.0),
    ("material", ctypes.c_int, 4),
    ("pattern", ctypes.c_int, 0),
    ("pattern_param", ctypes.c_float, 0.0),
    ("overlay", ctypes.c_int, 0),
    ("overlay_param", ctypes.c_float, 0.0),
    ("overlay_strength", ctypes.c_float, 0.0),
    ("seed", ctypes.c_int, 1234),
    ("contrast", ctypes.c_float, 1.2),
    ("brightness", ctypes.c_float, 0.0),
    ("invert", ctypes.c_int, 0),
    ("seamless", ctypes.c_int, 0),
    ("normal_strength", ctypes.c_float, 6.0),
    ("roughness", ctypes.c_float, 0.5),
    ("roughness_map", ctypes.c_int, 1),
    ("metallic_map", ctypes.c_int, 1),
)

#: Every option of generate() with its default.
OPTIONS = {name: default for name, _, default in _ARGUMENTS}

_SUFFIXES = ("_diff.png", "_nmap.png", "_spec.png", "_rough.png", "_metal.png")
_INT32 = (-(2**31), 2**31 - 1)


class ProctexError(RuntimeError):
    """The library could not be loaded, or a call wrote no complete material."""


_library = None
_library_path = None


def _library_names():
    if os.name == "nt":
        return ["proctex.dll"]
    if sys.platform == "darwin":
        return ["libproctex.dylib"]
    return ["libproctex.so", "libproctex.so.0"]


def _build_tree_candidates():
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


def _load():
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
        library.GenerateTexture.restype = ctypes.c_int
        library.GenerateTexture.argtypes = [t for _, t, _ in _ARGUMENTS] + [ctypes.c_wchar_p]
        library.TestDLL.restype = ctypes.c_int
        library.TestDLL.argtypes = []
        _library, _library_path = library, path
        return library
    where = "PROCTEX_LIBRARY" if explicit else "the build tree, the installation or the system"
    raise ProctexError(f"cannot load the proctex library from {where}:\n  "
                       + "\n  ".join(failures))


def library_path():
    """The path (or name) the library was loaded from."""
    _load()
    return _library_path


def test_dll():
    """Returns 42 when the library is loaded and callable."""
    return _load().TestDLL()


def output_files(path, roughness_map=1, metallic_map=1):
    """The files a call with this output path writes, in writing order.

    Everything from the last ".png" of the path on is replaced by each image's
    suffix; a path without ".png" takes every image in turn.
    """
    path = os.fsdecode(path)
    cut = path.rfind(".png")
    names = []
    for suffix in _SUFFIXES:
        if suffix == "_rough.png" and roughness_map != 1:
            continue
        if suffix == "_metal.png" and metallic_map != 1:
            continue
        name = path if cut < 0 else path[:cut] + suffix
        if name not in names:
            names.append(name)
    return names


def _value(name, ctype, value):
    if ctype is ctypes.c_int:
        if isinstance(value, bool):
            return int(value)
        if not isinstance(value, int):
            raise TypeError(f"option {name} takes a whole number, not {value!r}")
        if not _INT32[0] <= value <= _INT32[1]:
            raise OverflowError(f"option {name} is out of the 32-bit range: {value}")
        return value
    if isinstance(value, bool) or not isinstance(value, (int, float)):
        raise TypeError(f"option {name} takes a number, not {value!r}")
    return float(value)


def _explain(values, path):
    if values["width"] <= 0 or values["height"] <= 0:
        return "width and height must be positive"
    if values["width"] * values["height"] * 3 > _INT32[1]:
        return "the image is too large (width x height x 3 must stay below 2^31)"
    folder = os.path.dirname(path)
    if folder and not os.path.isdir(folder):
        return f"output directory '{folder}' does not exist"
    return ("the images could not all be written (check the output path, its length "
            "(at most 511 bytes in the current locale) and the parameters)")


def generate(path, **options):
    """Writes one material set and returns the list of files written.

    ``path`` names the set ("out/stone.png" gives out/stone_diff.png and so on);
    ``options`` are any of OPTIONS. Raises ProctexError when the call fails,
    TypeError for an unknown option or a value of the wrong kind.
    """
    values = dict(OPTIONS)
    for key, value in options.items():
        name = key.replace("-", "_")
        if name not in values:
            raise TypeError(f"unknown option {key!r}; the options are: " + ", ".join(OPTIONS))
        values[name] = value
    arguments = [_value(name, ctype, values[name]) for name, ctype, _ in _ARGUMENTS]
    path = os.fsdecode(os.fspath(path))
    result = _load().GenerateTexture(*arguments, path)
    if result != 1:
        raise ProctexError(f"generation of {path} failed: {_explain(values, path)}")
    return [f for f in output_files(path, values["roughness_map"], values["metallic_map"])
            if os.path.exists(f)]
