"""Procedural PBR material textures from Python.

A ctypes binding of the proctex shared library (standard library only; numpy
is used when it is there)::

    import proctex
    files = proctex.generate("out/lava.png", material="lava", scale=128, seed=7)
    # ['out/lava_diff.png', 'out/lava_nmap.png', 'out/lava_spec.png',
    #  'out/lava_rough.png', 'out/lava_metal.png']

    maps = proctex.render("marble", width=256, height=256)   # in memory
    maps.normal.shape                     # (256, 256, 3), uint8
    png = proctex.encode_png(maps.diffuse)
    proctex.check(pattern="cells", pattern_param=0)  # SettingsError: option pattern_param: ...
    maps = proctex.render("brick-wall", ao=True, orm=True)  # extra maps when asked
    proctex.generate("out/m.png", "moss", gltf=True, sidecar=True, naming="unreal")
    mortar = proctex.Layer(mask="joints", color="#9a948a", roughness=0.92, height=-0.03)
    maps = proctex.render("brick-wall", layers=[mortar])  # or layers="mask=joints ..."

    def progress(fraction, stage):        # fraction rises to 1; stage: "noise", ...
        print(f"{fraction:4.0%} {stage}")
        return not stop_requested()       # False stops: the call raises proctex.Cancelled
    maps = proctex.render("marble", width=8192, height=8192, progress=progress)

generate() takes the command-line tool's outputs with its rules and defaults:
``gltf``, ``glb``, ``sidecar`` (the same record the tool writes), ``naming``
(NAMING_CONVENTIONS), ``compression`` and ``single_file``; like the tool it
refuses a path that is a folder or does not end in ".png" (lower case)
unless single_file=True. render() takes them too and its Maps.save() writes
them.

Everything about the options and maps comes from the library's own tables,
read when it is loaded:

- ``OPTIONS``: every option by name (:class:`Option`: kind, default, useful
  range, limits, help, named choices). The names are the command-line tool's
  long options with underscores for dashes (``pattern_param`` for
  ``--pattern-param``); presets have the tool's names (``proctex.presets()``)
  and options override them. Flags take True/False as well as 1/0. Choice
  options take a name of their choices, in any case and with '-' or '_'
  (``pattern="egg-crate"``), or its code (``pattern=12``). The colour ramp
  (``colors``) and the layers (``layers``) take their text, as the tool's
  --colors and --layers do, or a list of entries: stops, or :class:`Layer`
  records (or each layer's text); options and check() give the text back.
- ``LAYER_OPTIONS``: every key of a layer by name (:class:`Option`, as the
  library's layer table describes it: kind, default, ranges, help, the names
  of masks, combines, metal types and palettes); :class:`Layer` takes them
  as keywords.
- ``STARTING_VALUES``: what choosing a value of a choice option alone gives
  other options, e.g. ``{"pattern": {6: {"pattern_param": 16.0}}, ...}``;
  values given explicitly, 0 included, stay.
- ``MAPS``: every map by name (:class:`Map`: number, file suffix, channels,
  bit depth, colour space). The maps not written by default each have a
  keyword flag of render() and generate() named after them (``height16``,
  ``ao``, ``normal_gl``, ``orm``; ``opengl_normal`` is an earlier name of
  ``normal_gl``); :class:`Maps` has an attribute per map.

Equal options give byte-identical files from Python and the tool.

Without numpy (or with PROCTEX_NUMPY=0 in the environment) the maps are
:class:`Pixels`: bytes with a numpy-like ``shape`` and a ``typecode``.

Installed with ``pip install ./python`` (offline: ``--no-index --no-build-isolation``)
or used from the source tree (python/ on sys.path), the package loads the
library when first used, from, in this order: the file named by the
environment variable PROCTEX_LIBRARY (e.g. build/release/libproctex.so); a
build of this source tree (build/release, then the other build folders); an
installation around this module (the lib folders of a prefix above it, as
``make install`` and a pip install into that prefix leave them); the system's
library search path. A pip-installed copy outside the source tree needs
PROCTEX_LIBRARY to use a build.
"""

import ctypes
import difflib
import math
import numbers
import os
import re

from . import _native, _outputs, _progress
from ._maps import Maps, Pixels, encode_png
from ._native import ProctexError, SettingsError
from ._layer import Layer
from ._progress import Cancelled
from ._table import TEXT_SEPARATORS as _TEXT_SEPARATORS, float32_text
from ._table import Map, Option

# The VERSION file's number (scripts/test-packages checks that they agree).
__version__ = "0.2.0"

for _public in (ProctexError, SettingsError, Cancelled, Maps, Pixels, Map, Option, Layer):
    _public.__module__ = __name__

__all__ = ["OPTIONS", "LAYER_OPTIONS", "STARTING_VALUES", "MAPS", "NAMING_CONVENTIONS", "ProctexError",
           "SettingsError", "Cancelled", "Option", "Map", "Layer",
           "Maps", "Pixels", "generate", "render", "check", "defaults", "presets", "encode_png",
           "version", "output_files", "test_dll", "library_path"]

_FLOAT_MAX = float.fromhex("0x1.fffffep+127")
# Earlier names of maps, still taken as keywords.
_MAP_ALIASES = {"opengl_normal": "normal_gl"}


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


def __getattr__(name):
    # Read from the library on first use, so that importing never loads it.
    if name == "OPTIONS":
        return dict(_native.tables().option)
    if name == "LAYER_OPTIONS":
        return dict(_native.tables().layer_option)
    if name == "MAPS":
        return dict(_native.tables().map)
    if name == "NAMING_CONVENTIONS":
        return tuple(_outputs.conventions())
    if name == "STARTING_VALUES":
        return {o.name: {c.value: dict(c.start) for c in o.choices if c.start}
                for o in _native.tables().options if any(c.start for c in o.choices)}
    raise AttributeError(f"module 'proctex' has no attribute {name!r}")


# ---------------------------------------------------------------- maps


def _extra_maps():
    """The maps written only when asked for, each by a keyword flag."""
    return [m for m in _native.tables().maps if m.suffix and not m.legacy]


def _switch(m):
    """The flag option that turns a map GenerateTexture writes off, if it has
    one: the option named after the map ("<map>_map")."""
    option = _native.tables().option.get(m.name + "_map")
    return option if option is not None and option.kind == "flag" else None


def _split(options):
    """(settings options, {extra map name: asked}) of render()'s or generate()'s keywords."""
    extras = {m.name: False for m in _extra_maps()}
    given, settings = {}, {}
    for key, value in options.items():
        name = key.replace("-", "_")
        name = _MAP_ALIASES.get(name, name)
        if name not in extras:
            settings[key] = value
            continue
        if name in given:
            raise TypeError(f"the {name} map is asked for twice ({given[name]!r} and {key!r})")
        if not isinstance(value, bool) and value not in (0, 1):
            raise TypeError(f"{key} takes True or False, not {value!r}")
        given[name], extras[name] = key, bool(value)
    return settings, extras


def _written(maps, on):
    """The maps with a file that a call writes, in writing order: those
    GenerateTexture writes unless their flag option (in ``on``) is off, then
    the extras ``on`` asks for."""
    written = []
    for m in maps:
        if not m.suffix:
            continue
        if m.legacy:
            switch = _switch(m)
            if switch is None or on.get(switch.name, switch.default) == 1:
                written.append(m)
        elif on.get(m.name):
            written.append(m)
    return written


def output_files(path, **maps):
    """The files a call with this output path writes, in writing order.

    ``maps``: the flag options that turn maps off (``roughness_map=0``), the
    extra maps asked for (``ao=True``) and the outputs (``gltf``, ``glb``,
    ``sidecar``, ``naming``), as render() and generate() take them.
    """
    outputs = _outputs.take(maps)
    flags, extras = _split(maps)
    on = _outputs.needed_extras(outputs, extras)
    for key, value in flags.items():
        name = key.replace("-", "_")
        option = _native.tables().option.get(name)
        if option is None or not any(_switch(m) is option for m in _native.tables().maps):
            raise TypeError(f"output_files takes map flags and outputs, not {key!r}")
        on[name] = int(value)
    path = os.fsdecode(os.fspath(path))
    files = _outputs.files(path, outputs, _written(_native.tables().maps, on))
    return files + ([_outputs.sidecar_path(path)] if outputs.sidecar else [])


def _mask(settings, extras, height=False):
    """The bits of the maps the files of these settings need, plus the extras
    (and the float height field when asked)."""
    tables = _native.tables()
    on = {o.name: getattr(settings, o.member) for o in tables.options if o.kind == "flag"}
    chosen = [m.number for m in _written(tables.maps, dict(on, **extras))]
    if height:
        chosen.append(_native.MAP_HEIGHT)
    return sum(1 << n for n in chosen)


# ---------------------------------------------------------------- options


def _near(text, names):
    near = difflib.get_close_matches(text, names, n=1, cutoff=0.6)
    return near[0] if near else None


def _accepted(option):
    """The values an option takes, as the command-line tool words them."""
    if option.kind == "flag":
        return "True or False (or 1 or 0)"
    if option.kind == "choice":
        return ", ".join(f"{c.name} ({c.value})" for c in option.choices)
    low, high = option.limits
    if option.kind == "number":
        if low <= -_FLOAT_MAX and high >= _FLOAT_MAX:
            return "a finite number"
        return f"a number from {low:g} to {high:g}"
    return f"a whole number from {low} to {high}"


def _unknown_choice(option, value):
    text = str(value).lower().replace("_", "-")
    message = f"unknown {option.name} {value!r}"
    near = _near(text, [c.name for c in option.choices])
    if near:
        message += f" (did you mean {near}?)"
    return SettingsError(f"{message}; choose one of {_accepted(option)}", option.name)


def _choice_code(option, value):
    if isinstance(value, str):
        code = ctypes.c_int()
        found = _native.load().proctex_choice_parse(option.index, value.encode("utf-8"),
                                                    ctypes.byref(code))
        if found == _native.OK:
            return code.value
    elif isinstance(value, numbers.Integral) and not isinstance(value, bool):
        if option.choice(int(value)) is not None:
            return int(value)
    else:
        raise TypeError(f"option {option.name} takes a name or a code, not {value!r}")
    raise _unknown_choice(option, value)


def _value(option, value):
    """The value as the member takes it; TypeError for the wrong kind,
    SettingsError outside the option's limits."""
    if option.kind == "choice":
        return _choice_code(option, value)
    if option.kind == "number":
        if isinstance(value, bool) or not isinstance(value, numbers.Real):
            raise TypeError(f"option {option.name} takes a number, not {value!r}")
        try:
            number = float(value)
        except OverflowError:
            number = math.inf
    else:
        if not isinstance(value, numbers.Integral):
            kind = "True or False" if option.kind == "flag" else "a whole number"
            raise TypeError(f"option {option.name} takes {kind}, not {value!r}")
        number = int(value)
    low, high = option.limits
    if not (math.isfinite(number) and low <= number <= high):
        raise SettingsError(f"must be {_accepted(option)} (got {value!r})", option.name)
    return number


def _unknown_option(key):
    names = list(_native.tables().option)
    near = _near(key.replace("-", "_"), names)
    hint = f"did you mean {near!r}?" if near else "the options are: " + ", ".join(names)
    return TypeError(f"unknown option {key!r}; {hint}")


def _unknown_preset(name):
    names = list(presets())
    lowered = {n.lower(): n for n in names}
    near = _near(name.lower(), list(lowered))
    hint = f"did you mean {lowered[near]!r}?" if near else "the presets are: " + ", ".join(names)
    return f"no preset is called {name!r}; {hint}"


# What a text option takes, for messages: an example of its text, its entries.
_TEXT_FORMS = {"colors": ("'#2b1d0e@0,#d9b38c@1'", "its stops"),
               "layers": ("'mask=joints color=#9a948a'", "proctex.Layer")}


def _entries_text(option, entries):
    """A list of a text option's entries (a Layer, or an entry's text) as its
    text. An entry holding the separator or nothing would shift the numbers
    of the library's reasons ("layer 2 ...") off the list's."""
    separator = _TEXT_SEPARATORS[option.kind]
    texts = []
    for number, entry in enumerate(entries, 1):
        if isinstance(entry, Layer) and option.kind == "layers":
            entry = str(entry)
        if not isinstance(entry, str):
            raise TypeError(f"option {option.name} takes {_TEXT_FORMS[option.kind][1]} or "
                            f"text as entries, not {entry!r}")
        if not entry.strip():
            raise SettingsError(f"entry {number} is empty", option.name)
        if separator in entry:
            raise SettingsError(f"entry {number} holds '{separator}': give each its own entry",
                                option.name)
        texts.append(entry)
    return f"{separator} ".join(texts)


def _set_text(settings, option, value):
    """A text option (the ramp, the layers) from its text or a list of its
    entries, read by the library; "" clears it. A ramp chooses the custom
    material."""
    if isinstance(value, Layer) and option.kind == "layers":
        value = [value]
    if isinstance(value, (list, tuple)):
        value = _entries_text(option, value)
    if not isinstance(value, str):
        example, entries = _TEXT_FORMS[option.kind]
        raise TypeError(f"option {option.name} takes a text such as {example} or a list of "
                        f"{entries}, not {value!r}")
    code, reason = _native.set_option_text(settings, option, value)
    if code != _native.OK:
        raise _refusal(code, reason, option.index)


def _settings(preset, options):
    """A ProctexSettings: the defaults or the preset, then the options, then
    the starting values of choices given without the options they start."""
    tables = _native.tables()
    values, texts = {}, {}
    for key, value in options.items():
        option = tables.option.get(key.replace("-", "_"))
        if option is None:
            raise _unknown_option(key)
        if option.is_text:
            texts[option.name] = value
        else:
            values[option.name] = _value(option, value)
    library = _native.load()
    settings = tables.Settings()
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
    for name, value in values.items():
        setattr(settings, tables.option[name].member, value)
    for name, value in texts.items():
        _set_text(settings, tables.option[name], value)
    for name in values:
        chosen = tables.option[name]
        if chosen.kind != "choice":
            continue
        for start, value in chosen.choice(getattr(settings, chosen.member)).start.items():
            if start not in values:
                started = tables.option[start]
                setattr(settings, started.member, started.value_of(value))
    return settings


def _refusal(code, reason, index=-1):
    if code == _native.ERROR_SETTINGS:
        options = _native.tables().options
        return SettingsError(reason, options[index].name if 0 <= index < len(options) else None)
    if code == _native.ERROR_MEMORY:
        return MemoryError(reason)
    return ProctexError(reason)


def _check(settings):
    reason, index = _native.reason_buffer(), ctypes.c_int(-1)
    code = _native.load().proctex_settings_refusal(ctypes.byref(settings), ctypes.byref(index),
                                                   reason, len(reason))
    if code != _native.OK:
        raise _refusal(code, _native.text(reason), index.value)


def _options(settings):
    options = {}
    for o in _native.tables().options:
        if o.is_text:  # the ramp or the layers as their text, "" without entries
            options[o.name] = _native.option_text(settings, o)
        else:
            options[o.name] = o.value_of(getattr(settings, o.member))
    return options


def defaults(preset=None):
    """Every option with its value by default, or in the named preset."""
    return _options(_settings(preset, {}))


def check(preset=None, **options):
    """Returns every option as the library would take them, or raises
    SettingsError (a ValueError) with the reason and the option."""
    settings = _settings(preset, options)
    _check(settings)
    return _options(settings)


def _generate(settings, mask, following):
    _check(settings)
    handle = ctypes.c_void_p()
    reason = _native.reason_buffer()
    code = _native.load().proctex_generate_progress(ctypes.byref(settings), mask,
                                                    ctypes.byref(handle), following.function,
                                                    None, reason, len(reason))
    following.finish(code)
    if code != _native.OK:
        raise _refusal(code, _native.text(reason))
    return handle.value


_OUTPUTS_HELP = """
    Outputs, as the command-line tool's options of the same names:
    ``gltf=True`` also writes <base>.gltf and <base>.bin (a glTF material on a
    preview sphere; the diffuse, OpenGL normal and ORM maps it is made of are
    computed and written too), ``glb=True`` <base>.glb, ``sidecar=True``
    <base>.json (every option, the outputs, each file's size and SHA-256),
    ``naming`` one of NAMING_CONVENTIONS (copies of the maps under the names
    that tool expects, with the extra maps it has names for),
    ``compression="small"`` (the same pixels in fewer bytes, slower) and
    ``single_file=True`` (accept a path without ".png").

    ``progress`` is called as ``progress(fraction, stage)`` while the call
    works, fraction rising to 1; returning False stops the call, which then
    raises Cancelled having written nothing. An exception the function raises
    stops the call too and comes out of it.
"""


def render(preset=None, *, progress=None, **options):
    """Computes the maps in memory and returns them as a :class:`Maps`.

    The maps are the pixels of the files generate() writes for the same preset
    and options, plus the float height field; a map whose flag option turns
    its file off (``roughness_map=0``) is None. The extra maps' flags
    (``ao=True``; see MAPS) add them, each None when not asked; in the ORM map
    a map not asked for packs as a constant (occlusion 255, the roughness
    option, metallic 0). The outputs below add the maps they need and are
    kept for Maps.save(). SettingsError (a ValueError) names the refused
    option.
    """
    outputs = _outputs.take(options)
    options, extras = _split(options)
    settings = _settings(preset, options)
    mask = _mask(settings, _outputs.needed_extras(outputs, extras, settings), height=True)
    handle = _generate(settings, mask, _progress.Following(progress))
    try:
        return Maps(handle, _options(settings), (settings, extras, outputs))
    except BaseException:
        _native.load().proctex_maps_free(handle)
        raise


def generate(path, preset=None, *, progress=None, **options):
    """Writes one material set and returns the list of files written.

    ``path`` names the set ("out/stone.png" gives out/stone_diff.png and so on;
    a missing folder is made; like the command-line tool, a path that is a
    folder or does not end in ".png" is refused);
    ``options`` are any of OPTIONS, over the defaults or the named preset, and
    the extra maps' flags (``orm=True``), written after the others.
    Raises SettingsError (a ProctexError and a ValueError) naming the option
    for refused settings or paths, ProctexError when a file cannot be written
    (naming every such file and the system's reason),
    TypeError for an unknown option or a value of the wrong kind.
    """
    outputs = _outputs.take(options)
    options, extras = _split(options)
    path = os.fsdecode(os.fspath(path))
    problem = _outputs.path_problem(path, outputs.single_file)
    if problem:
        raise SettingsError(problem)
    settings = _settings(preset, options)
    needed = _outputs.needed_extras(outputs, extras, settings)
    if not _outputs.glows(settings):
        needed.pop(_outputs.GLOW, None)  # asked for, but there is no glow to write
    following = _progress.Following(progress)
    following.span = (0.0, 0.7)
    handle = _generate(settings, _mask(settings, needed), following)
    try:
        _native.make_folder_for(path)
        on = dict(needed, **{o.name: getattr(settings, o.member)
                             for o in _native.tables().options if o.kind == "flag"})
        following.span = (0.7, 1.0)
        held = _written(_native.tables().maps, on)
        return _outputs.write(handle, path, settings, extras, outputs, held, following)
    finally:
        _native.load().proctex_maps_free(handle)


for _documented in (render, generate):
    if _documented.__doc__:  # none under python -OO
        _documented.__doc__ += _OUTPUTS_HELP
