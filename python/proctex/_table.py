"""The library's tables of options and maps as Python records, and the
ProctexSettings structure laid out from them: nothing here names an option
or a map, so a library with more of them gives a binding with more of them."""

import ctypes
import dataclasses
import math
import types

# PROCTEX_KIND_INTEGER .. PROCTEX_KIND_COLOR, and the C type of each kind's member
# (the colour ramp's and the layers' members are laid out by pair_fields).
KINDS = ("integer", "number", "flag", "choice", "colors", "layers", "color")
_CTYPES = {"integer": ctypes.c_int, "number": ctypes.c_float, "flag": ctypes.c_int,
           "choice": ctypes.c_int, "color": ctypes.c_float * 3}
# The offset of a layer key kept beside the layers rather than in ProctexLayer
# (the palette, in ProctexSettings.layerPalette): (size_t)-1.
BESIDE_THE_LAYERS = (1 << (8 * ctypes.sizeof(ctypes.c_size_t))) - 1
# The kinds read and written as text through the library, and what parts
# the entries of that text (stops, layers).
TEXT_SEPARATORS = {"colors": ",", "layers": ";"}


class ChoiceInfo(ctypes.Structure):
    """ProctexChoice of include/proctex_table.h."""
    _fields_ = [("value", ctypes.c_int), ("name", ctypes.c_char_p), ("label", ctypes.c_char_p),
                ("startCount", ctypes.c_int), ("startOption", ctypes.c_char_p * 2),
                ("startValue", ctypes.c_float * 2)]


class OptionInfo(ctypes.Structure):
    """ProctexOptionInfo of include/proctex_table.h."""
    _fields_ = [("size", ctypes.c_size_t), ("name", ctypes.c_char_p),
                ("member", ctypes.c_char_p), ("kind", ctypes.c_int),
                ("offset", ctypes.c_size_t), ("defaultValue", ctypes.c_double),
                ("usefulMin", ctypes.c_double), ("usefulMax", ctypes.c_double),
                ("step", ctypes.c_double), ("limitMin", ctypes.c_double),
                ("limitMax", ctypes.c_double), ("help", ctypes.c_char_p),
                ("group", ctypes.c_char_p), ("choiceCount", ctypes.c_int),
                ("choices", ctypes.POINTER(ChoiceInfo)), ("workMax", ctypes.c_double),
                ("usedWithOption", ctypes.c_int), ("usedWithValue", ctypes.c_int)]


class MapInfo(ctypes.Structure):
    """ProctexMapInfo of include/proctex_table.h."""
    _fields_ = [("size", ctypes.c_size_t), ("map", ctypes.c_int), ("name", ctypes.c_char_p),
                ("suffix", ctypes.c_char_p), ("channels", ctypes.c_int),
                ("bitDepth", ctypes.c_int), ("srgb", ctypes.c_int), ("legacy", ctypes.c_int),
                ("help", ctypes.c_char_p)]


def python_name(name):
    """The library's name of an option or map as Python spells it: "pattern_param"."""
    return name.replace("-", "_")


def float32_text(value):
    """The shortest decimal that gives this float32 back (0.55, not 0.550000011920929)."""
    if not math.isfinite(value):
        return value
    for digits in range(1, 10):
        short = float(f"{value:.{digits}g}")
        if ctypes.c_float(short).value == value:
            return short
    return value


@dataclasses.dataclass(frozen=True)
class Choice:
    """A named value of a choice option. ``start``: the options (Python names)
    and values that choosing it alone gives them."""
    value: int
    name: str
    label: str
    start: types.MappingProxyType


@dataclasses.dataclass(frozen=True)
class Option:
    """One option of the library's table. ``name`` is Python's ("pattern_param"),
    ``cli_name`` the command line's and manifests' ("pattern-param"),
    ``member`` the ProctexSettings member (at byte ``offset``); ``kind`` one of
    "integer", "number", "flag", "choice", "colors" (the colour ramp) or
    "layers" (the material's layers), the last two read and written as text
    through the library. The keys of a layer are Options too: ``member`` and
    ``offset`` are ProctexLayer's (offset None for the palette, kept beside
    the layers), and "color" is the kind of a layer's colours ("#rrggbb"). ``useful`` is the range sliders
    cover, ``limits`` the values accepted at all (numbers must also be finite),
    ``index`` the option's number in the library's table. ``used_with`` is
    (option name, value) when the option changes the maps only while that
    option holds that value (None when it always counts)."""
    index: int
    name: str
    cli_name: str
    member: str
    offset: int
    kind: str
    default: object
    useful: tuple
    step: float
    limits: tuple
    help: str
    group: str
    choices: tuple
    used_with: tuple = None

    @property
    def is_text(self):
        """Whether the option is read and written as text (the ramp, the layers)."""
        return self.kind in TEXT_SEPARATORS

    def used(self, value_of):
        """Whether the option counts, given ``value_of(name)``: the other
        options' values as the library takes them."""
        if self.used_with is None:
            return True
        name, value = self.used_with
        return int(value_of(name)) == value

    def choice(self, code):
        """The Choice of a code, or None."""
        for c in self.choices:
            if c.value == code:
                return c
        return None

    def value_of(self, number):
        """A number from the table as this option holds it: int or float32."""
        if self.kind == "number":
            return float32_text(ctypes.c_float(number).value) if math.isfinite(number) \
                else number
        return int(number)


@dataclasses.dataclass(frozen=True)
class Map:
    """One map of the library's table. ``name`` is Python's ("normal_gl"),
    ``number`` the PROCTEX_MAP_ number, ``suffix`` the file suffix ("" for a
    map with no file of its own), ``legacy`` whether GenerateTexture writes it."""
    number: int
    name: str
    suffix: str
    channels: int
    bit_depth: int
    srgb: bool
    legacy: bool
    help: str


def _text(raw):
    return raw.decode("utf-8") if raw is not None else ""


def _choices(info):
    choices = []
    for i in range(info.choiceCount):
        c = info.choices[i]
        start = {python_name(_text(c.startOption[k])): float32_text(c.startValue[k])
                 for k in range(c.startCount)}
        choices.append(Choice(c.value, _text(c.name), _text(c.label),
                              types.MappingProxyType(start)))
    return tuple(choices)


def read_options(library, error, table="option"):
    """Every option of the library, in its table's (and the struct's) order;
    with table="layer_option", every key of a layer. ``error`` is the
    exception type for a table this binding cannot read."""
    options = []
    for index in range(getattr(library, f"proctex_{table}_count")()):
        info = OptionInfo(size=ctypes.sizeof(OptionInfo))
        code = getattr(library, f"proctex_{table}_info")(index, ctypes.byref(info))
        what = table.replace("_", " ")
        if code != 0:
            raise error(f"the library describes no {what} {index} (code {code})")
        name = _text(info.name)
        if not 0 <= info.kind < len(KINDS):
            raise error(f"the library's {what} {name} is of kind {info.kind}, which this "
                        "binding does not know: use the binding that came with the library")
        offset = None if info.offset == BESIDE_THE_LAYERS else info.offset
        option = Option(index, python_name(name), name, _text(info.member), offset,
                        KINDS[info.kind],
                        None, (info.usefulMin, info.usefulMax), info.step,
                        (info.limitMin, info.limitMax), _text(info.help), _text(info.group),
                        _choices(info))
        whole = option.kind not in ("number", "color")
        option = dataclasses.replace(
            option,
            default="" if option.is_text else info.defaultValue if option.kind == "color"
            else option.value_of(info.defaultValue),
            useful=tuple(int(v) if whole else v for v in option.useful),
            limits=tuple(int(v) if whole else v for v in option.limits))
        options.append((option, info.usedWithOption, info.usedWithValue))
    return tuple(dataclasses.replace(option, used_with=(options[other][0].name, value))
                 if 0 <= other < len(options) else option
                 for option, other, value in options)


def read_maps(library, error):
    """Every map of the library, by number."""
    maps = []
    for number in range(library.proctex_map_count()):
        info = MapInfo(size=ctypes.sizeof(MapInfo))
        code = library.proctex_map_info(number, ctypes.byref(info))
        if code != 0:
            raise error(f"the library describes no map {number} (code {code})")
        maps.append(Map(info.map, python_name(_text(info.name)), _text(info.suffix),
                        info.channels, info.bitDepth, bool(info.srgb), bool(info.legacy),
                        _text(info.help)))
    return tuple(maps)


# Zeros after the colour ramp, for members of later libraries.
BEYOND_THE_TABLE = 128


def _laid_out(name, options, members_of, fields, error, doc, tail=()):
    """A ctypes structure: ``fields``, then each option's members (``members_of``)
    at the offset the library gives, padding between them if any, then ``tail``."""
    end = sum(ctypes.sizeof(ctype) for _, ctype in fields)
    for option in sorted(options, key=lambda o: o.offset):
        offset = option.offset
        if offset < end:
            raise error(f"the library puts option {option.name} at byte {offset}, inside "
                        "another member")
        if offset > end:
            fields.append((f"_padding_{end}", ctypes.c_char * (offset - end)))
        members = members_of(option)
        fields += members
        end = offset + sum(ctypes.sizeof(ctype) for _, ctype in members)
    structure = type(name, (ctypes.Structure,), {"_fields_": fields + list(tail),
                                                 "__doc__": doc})
    for option in options:
        if getattr(structure, members_of(option)[0][0]).offset != option.offset:
            raise error(f"option {option.name} cannot sit at byte "
                        f"{option.offset} in a ctypes structure")
    return structure


def layer_type(layer_options, error):
    """ProctexLayer as a ctypes structure, laid out from the layer table: the
    keys with a place in it (not the palette, kept beside the layers)."""
    inside = [o for o in layer_options if o.offset is not None]
    return _laid_out("Layer", inside, lambda o: [(o.member, ctype_of(o))], [], error,
                     "ProctexLayer of the loaded library, laid out from its layer table.")


def settings_type(options, error, layer_options=(), layer=None):
    """ProctexSettings as a ctypes structure: ``size``, then each option's
    member at the offset the library gives, padding between them if any; the
    layers' members from ``layer_options``, the library's layer table
    (``layer``: its layer_type, made here when None)."""
    if layer is None:
        layer = layer_type(layer_options, error)
    beside = [o.member for o in layer_options if o.offset is None]
    # A tail of zeros for members of later libraries: the library takes a
    # larger struct whose bytes beyond its own are zero.
    return _laid_out(
        "Settings", options,
        lambda o: pair_fields(o, layer, beside) if o.is_text else [(o.member, ctype_of(o))],
        [("size", ctypes.c_size_t)], error,
        "ProctexSettings of the loaded library, laid out from its option table.",
        tail=[("_beyond_the_table", ctypes.c_char * BEYOND_THE_TABLE)])


def pair_fields(option, layer=None, beside=()):
    """A text option's members as the header lays them out from the option's
    offset: the number of entries, then the entries, as many as the option's
    upper limit: the colour ramp's stops (red, green, blue, position) or the
    layers (``layer``, their structure), followed by each member kept beside
    the layers (``beside``: the palette), one int per layer."""
    most = int(option.limits[1])
    if option.kind == "colors":
        return [("colorStopCount", ctypes.c_int), (option.member, (ctypes.c_float * 4) * most)]
    return ([("layerCount", ctypes.c_int), (option.member, layer * most)]
            + [(member, ctypes.c_int * most) for member in beside])


def ctype_of(option):
    """The C type of an option's member."""
    return _CTYPES[option.kind]
