"""Procedural PBR material textures from Python.

A ctypes binding of the proctex shared library (standard library only; numpy
is used when it is there)::

    import proctex
    files = proctex.generate("out/lava.png", material=7, scale=128, seed=7)
    # ['out/lava_diff.png', 'out/lava_nmap.png', 'out/lava_spec.png',
    #  'out/lava_rough.png', 'out/lava_metal.png']

    maps = proctex.render("marble", width=256, height=256)   # in memory
    maps.normal.shape                     # (256, 256, 3), uint8
    png = proctex.encode_png(maps.diffuse)
    proctex.check(pattern=6)              # ValueError: ... patternParam ...
    maps = proctex.render("brick-wall", ao=True, orm=True)  # extra maps when asked

The extra maps, each a keyword flag of render() and generate() (off by
default): ``height16`` (16-bit height, <base>_height.png), ``ao`` (ambient
occlusion, _ao.png), ``opengl_normal`` (the normal map with green flipped,
_nmap_gl.png, ``Maps.normal_gl``) and ``orm`` (occlusion, roughness,
metallic in R, G, B, _orm.png).

The options have the names of the command-line tool's long options, with
underscores for dashes (``pattern_param`` for ``--pattern-param``), and the
same defaults, which come from the library; presets have the tool's names
(``proctex.presets()``) and options override them. A pattern or overlay
chosen without its parameters takes the tool's starting values
(``STARTING_VALUES``). Equal options give
byte-identical files from both. Flags (invert, seamless, roughness_map,
metallic_map) take True/False as well as 1/0.

Without numpy (or with PROCTEX_NUMPY=0 in the environment) the maps are
:class:`Pixels`: bytes with a numpy-like ``shape`` and a ``typecode``.

The library is found, in this order: the file named by the environment variable
PROCTEX_LIBRARY; a build of this source tree (build/release, then the other
build folders); an installation around this module (the lib folders of a
prefix above it); the system's library search path.
"""

import ctypes
import difflib
import math
import numbers
import os
import re

from . import _maps, _native
from ._maps import Maps, Pixels, encode_png
from ._native import ProctexError

for _public in (ProctexError, Maps, Pixels):
    _public.__module__ = __name__

__all__ = ["OPTIONS", "STARTING_VALUES", "ProctexError", "SettingsError", "Maps", "Pixels", "generate", "render",
           "check", "defaults", "presets", "encode_png", "version", "output_files", "test_dll",
           "library_path"]

_SUFFIXES = ("_diff.png", "_nmap.png", "_spec.png", "_rough.png", "_metal.png")
# The extra maps: keyword flag of render() / generate(), map number, file suffix,
# in the order proctex_save writes them after the five maps.
_EXTRAS = (("height16", _native.MAP_HEIGHT16, "_height.png"),
           ("ao", _native.MAP_AO, "_ao.png"),
           ("opengl_normal", _native.MAP_NORMAL_GL, "_nmap_gl.png"),
           ("orm", _native.MAP_ORM, "_orm.png"),
           ("emissive", _native.MAP_EMISSIVE, "_emissive.png"))
_INT32 = (-(2**31), 2**31 - 1)
# The starting values of a pattern or overlay chosen without its parameters:
# the command-line tool's table (``proctex --starting-values``; a test keeps
# the two equal). Pattern type: pattern_param; overlay type: (overlay_param,
# overlay_strength).
STARTING_VALUES = {
    "pattern": {2: 16.0, 3: 8.0, 4: 0.5, 5: 0.5, 6: 16.0, 7: 200.0, 8: 24.0, 9: 32.0, 10: 10.0,
                11: 32.0, 12: 10.0},
    "overlay": {1: (16.0, 0.6), 2: (96.0, 40.0), 3: (256.0, 1.0), 4: (60.0, 0.6)},
}
_MEMBER_WORD = re.compile(r"\b(" + "|".join(_native.OPTION) + r")\b")


class SettingsError(ProctexError, ValueError):
    """Settings the library refuses. ``reason`` is the library's one-line reason,
    ``option`` the option it names (None when it names none)."""

    def __init__(self, reason, option=None):
        super().__init__(f"option {option}: {reason}" if option else reason)
        self.reason = reason
        self.option = option


def library_path():
    """The path (or name) the library was loaded from."""
    return _native.library_path()


def test_dll():
    """Returns 42 when the library is loaded and callable."""
    return _native.load().TestDLL()


def version():
    """The library's version, "MAJOR.MINOR.PATCH"."""
    return _native.load().proctex_version().decode("ascii")


def presets():
    """The named materials of the library: {name: one-line description}."""
    library = _native.load()
    return {library.proctex_preset_name(i).decode("utf-8"):
            library.proctex_preset_description(i).decode("utf-8")
            for i in range(library.proctex_preset_count())}


def output_files(path, roughness_map=1, metallic_map=1, height16=False, ao=False,
                 opengl_normal=False, orm=False, emissive=False):
    """The files a call with this output path writes, in writing order.

    Everything from the last ".png" of the path on is replaced by each image's
    suffix; a path without ".png" takes every image in turn. The extras follow
    the five maps when their flags are set.
    """
    path = os.fsdecode(path)
    cut = path.rfind(".png")
    wanted = {"_rough.png": roughness_map == 1, "_metal.png": metallic_map == 1,
              "_height.png": height16, "_ao.png": ao, "_nmap_gl.png": opengl_normal,
              "_orm.png": orm, "_emissive.png": emissive}
    names = []
    for suffix in _SUFFIXES + tuple(suffix for _, _, suffix in _EXTRAS):
        if not wanted.get(suffix, True):
            continue
        name = path if cut < 0 else path[:cut] + suffix
        if name not in names:
            names.append(name)
    return names


def _value(name, ctype, value):
    if ctype is ctypes.c_int:
        if isinstance(value, bool):
            return int(value)
        if not isinstance(value, numbers.Integral):
            raise TypeError(f"option {name} takes a whole number, not {value!r}")
        value = int(value)
        if not _INT32[0] <= value <= _INT32[1]:
            raise OverflowError(f"option {name} is out of the 32-bit range: {value}")
        return value
    if isinstance(value, bool) or not isinstance(value, numbers.Real):
        raise TypeError(f"option {name} takes a number, not {value!r}")
    return float(value)


def _set_colors(settings, text):
    """colors="#2b1d0e@0,#8a5a2b@0.6,#d9b38c@1": the custom material's ramp of
    one to eight stops, as the command line's --colors (the library checks
    the positions)."""
    if not isinstance(text, str):
        raise TypeError(f"option colors takes a text such as '#2b1d0e@0,#d9b38c@1', not {text!r}")
    parts = [part.strip() for part in text.split(",")]
    if len(parts) > 8:
        raise SettingsError("at most eight colour stops", "colors")
    for i, part in enumerate(parts):
        colour, at, position = part.partition("@")
        try:
            if not at or not re.fullmatch(r"#[0-9a-fA-F]{6}", colour):
                raise ValueError
            settings.colorStops[i][3] = float(position)
        except ValueError:
            raise SettingsError("a colour stop is #rrggbb@position, e.g. #8a5a2b@0.6 "
                                f"(got {part!r})", "colors") from None
        for c in range(3):
            settings.colorStops[i][c] = int(colour[1 + 2 * c:3 + 2 * c], 16) / 255
    settings.colorStopCount = len(parts)
    settings.materialType = 9


def _colors_text(settings):
    stops = []
    for i in range(min(max(settings.colorStopCount, 0), 8)):
        stop = settings.colorStops[i]
        rgb = "".join(f"{round(min(max(stop[c], 0.0), 1.0) * 255):02x}" for c in range(3))
        stops.append(f"#{rgb}@{_float32_text(stop[3]):.9g}")
    return ",".join(stops)


def _settings(preset, options):
    """A ProctexSettings: the defaults or the preset, then the options."""
    values = []
    colors = options.pop("colors", None)
    for key, value in options.items():
        name = key.replace("-", "_")
        if name not in _native.MEMBER:
            raise TypeError(f"unknown option {key!r}; the options are: "
                            + ", ".join(_native.MEMBER))
        values.append((name, _value(name, _native.CTYPE[name], value)))
    library = _native.load()
    settings = _native.Settings()
    size = ctypes.sizeof(settings)
    if preset is None:
        code = library.proctex_settings_defaults(ctypes.byref(settings), size)
    elif not isinstance(preset, str):
        raise TypeError(f"preset takes a name, not {preset!r}")
    else:
        code = library.proctex_preset_settings(preset.encode("utf-8"), ctypes.byref(settings),
                                               size)
        if code == _native.ERROR_ARGUMENT:
            raise SettingsError(_unknown_preset(preset), "preset")
    if code != _native.OK:
        raise ProctexError(f"the library refused a settings struct of {size} bytes "
                           f"(code {code})")
    for name, value in values:
        setattr(settings, _native.MEMBER[name], value)
    if colors is not None:
        _set_colors(settings, colors)
    _apply_starting_values(settings, {name for name, _ in values})
    return settings


def _unknown_preset(name):
    names = list(presets())
    lowered = {n.lower(): n for n in names}
    near = difflib.get_close_matches(name.lower(), list(lowered), n=1, cutoff=0.6)
    hint = f"did you mean {lowered[near[0]]!r}?" if near else "the presets are: " + ", ".join(names)
    return f"no preset is called {name!r}; {hint}"


def _apply_starting_values(settings, given):
    """A pattern or overlay chosen without its parameters takes their starting
    values; explicit values, 0 included, stay."""
    if "pattern" in given and "pattern_param" not in given:
        start = STARTING_VALUES["pattern"].get(settings.patternType)
        if start is not None:
            settings.patternParam = start
    start = STARTING_VALUES["overlay"].get(settings.overlayType)
    if "overlay" in given and start is not None:
        if "overlay_param" not in given:
            settings.overlayParam = start[0]
        if "overlay_strength" not in given:
            settings.overlayStrength = start[1]


def _refusal(code, reason):
    if code == _native.ERROR_SETTINGS:
        named = _MEMBER_WORD.search(reason)
        return SettingsError(reason, _native.OPTION[named.group(1)] if named else None)
    if code == _native.ERROR_MEMORY:
        return MemoryError(reason)
    return ProctexError(reason)


def _check(settings):
    reason = _native.reason_buffer()
    code = _native.load().proctex_settings_check(ctypes.byref(settings), reason, len(reason))
    if code != _native.OK:
        raise _refusal(code, _native.text(reason))


def _float32_text(value):
    """The shortest decimal that gives this float32 back (0.55, not 0.550000011920929)."""
    if not math.isfinite(value):
        return value
    for digits in range(1, 10):
        short = float(f"{value:.{digits}g}")
        if ctypes.c_float(short).value == value:
            return short
    return value


def _options(settings):
    options = {option: _float32_text(getattr(settings, member)) if ctype is ctypes.c_float
               else getattr(settings, member)
               for option, member, ctype in _native.TABLE}
    # A ramp of the caller's (or a preset's) comes back as the text colors takes.
    if settings.colorStopCount > 0:
        options["colors"] = _colors_text(settings)
    return options


def defaults(preset=None):
    """Every option with its value by default, or in the named preset."""
    return _options(_settings(preset, {}))


def __getattr__(name):
    # OPTIONS is read from the library on first use.
    if name == "OPTIONS":
        return defaults()
    raise AttributeError(f"module 'proctex' has no attribute {name!r}")


def check(preset=None, **options):
    """Returns every option as the library would take them, or raises
    SettingsError (a ValueError) with the library's reason and the option."""
    settings = _settings(preset, options)
    _check(settings)
    return _options(settings)


def _generate(settings, mask):
    _check(settings)
    handle = ctypes.c_void_p()
    reason = _native.reason_buffer()
    code = _native.load().proctex_generate(ctypes.byref(settings), mask, ctypes.byref(handle),
                                           reason, len(reason))
    if code != _native.OK:
        raise _refusal(code, _native.text(reason))
    return handle.value


def _extras(flags):
    """The map numbers of the extras asked for by render()'s or generate()'s flags."""
    numbers = []
    for name, number, _ in _EXTRAS:
        value = flags[name]
        if not isinstance(value, bool) and value not in (0, 1):
            raise TypeError(f"{name} takes True or False, not {value!r}")
        if value:
            numbers.append(number)
    return numbers


def _mask(settings, extras, height=False):
    """The bits of the maps the files of these settings need, plus the extras."""
    maps = [_native.MAP_DIFFUSE, _native.MAP_NORMAL, _native.MAP_SPECULAR] + extras
    if settings.writeRoughness == 1:
        maps.append(_native.MAP_ROUGHNESS)
    if settings.writeMetallic == 1:
        maps.append(_native.MAP_METALLIC)
    if height:
        maps.append(_native.MAP_HEIGHT)
    return sum(1 << m for m in maps)


def render(preset=None, *, height16=False, ao=False, opengl_normal=False, orm=False,
           emissive=False, **options):
    """Computes the maps in memory and returns them as a :class:`Maps`.

    The maps are the pixels of the files generate() writes for the same preset
    and options, plus the float height field; roughness and metallic are None
    when roughness_map or metallic_map is off. The flags height16, ao,
    opengl_normal and orm add those maps (``Maps.height16``, ``.ao``,
    ``.normal_gl``, ``.orm``; None when not asked); in ORM a map not asked for
    packs as a constant (occlusion 255, the roughness option, metallic 0).
    emissive adds ``Maps.emissive`` (H x W x 3), the glow of a material with
    pbr and emission on (None for the others).
    SettingsError (a ValueError) names the refused option.
    """
    extras = _extras({"height16": height16, "ao": ao, "opengl_normal": opengl_normal,
                      "orm": orm, "emissive": emissive})
    settings = _settings(preset, options)
    handle = _generate(settings, _mask(settings, extras, height=True))
    try:
        return Maps(handle, _options(settings), output_files)
    except BaseException:
        _native.load().proctex_maps_free(handle)
        raise


def generate(path, preset=None, *, height16=False, ao=False, opengl_normal=False, orm=False,
             emissive=False, **options):
    """Writes one material set and returns the list of files written.

    ``path`` names the set ("out/stone.png" gives out/stone_diff.png and so on;
    a missing folder is made, as the command-line tool does);
    ``options`` are any of OPTIONS, over the defaults or the named preset. The
    flags height16, ao, opengl_normal and orm also write <base>_height.png,
    _ao.png, _nmap_gl.png and _orm.png, after the five maps.
    Raises SettingsError (a ProctexError and a ValueError) with the library's
    reason for refused settings, ProctexError when a file cannot be written,
    TypeError for an unknown option or a value of the wrong kind.
    """
    flags = {"height16": height16, "ao": ao, "opengl_normal": opengl_normal, "orm": orm,
             "emissive": emissive}
    extras = _extras(flags)
    settings = _settings(preset, options)
    path = os.fsdecode(os.fspath(path))
    handle = _generate(settings, _mask(settings, extras))
    folder = os.path.dirname(path)
    if folder:
        try:
            os.makedirs(folder, exist_ok=True)
        except OSError as error:
            _native.load().proctex_maps_free(handle)
            raise ProctexError(f"cannot create the folder {folder}: {error}") from error
    try:
        return _maps.save_handle(handle, path,
                                 dict(flags, roughness_map=settings.writeRoughness,
                                      metallic_map=settings.writeMetallic), output_files)
    finally:
        _native.load().proctex_maps_free(handle)
