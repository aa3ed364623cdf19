"""What a call writes besides the maps, as the command-line tool writes it: the
glTF files, the copies under a tool's naming convention, the sidecar record;
and the tool's rules for output paths."""

import ctypes
import dataclasses
import decimal
import hashlib
import json
import math
import os
import shutil
import warnings

from . import _native
from ._maps import encode_path
from ._native import ProctexError, SettingsError

def conventions():
    """The library's naming conventions: name -> the suffix of each map (by
    map number, without ".png"; None where it keeps ours), as the tool's
    --naming reads them. A map the convention names is written under that
    name only, unless the .gltf names our file."""
    global _conventions
    if _conventions is None:
        library, count = _native.load(), len(_native.tables().maps)
        _conventions = {}
        for i in range(library.proctex_naming_count()):
            suffixes = (library.proctex_naming_suffix(i, m) for m in range(count))
            _conventions[library.proctex_naming_name(i).decode("ascii")] = tuple(
                s.decode("ascii") if s is not None else None for s in suffixes)
    return _conventions


_conventions = None
COMPRESSIONS = ("default", "small")
# The maps the glTF material is made of, besides the diffuse map; and its
# glow, for a material that has one (the library makes none for the others).
GLTF_MAPS = ("normal_gl", "orm")
GLOW = "emissive"


@dataclasses.dataclass(frozen=True)
class Outputs:
    """The outputs of a call beyond the maps, as the tool's options name them."""
    gltf: bool = False
    glb: bool = False
    sidecar: bool = False
    naming: str = "proctex"
    compression: str = "default"
    single_file: bool = False

    def flags(self):
        return ((_native.SAVE_GLTF if self.gltf else 0) | (_native.SAVE_GLB if self.glb else 0)
                | (_native.SAVE_SMALL if self.compression == "small" else 0))


def _flag(name, value):
    if not isinstance(value, bool) and value not in (0, 1):
        raise TypeError(f"{name} takes True or False, not {value!r}")
    return bool(value)


def _one_of(name, value, accepted):
    if not isinstance(value, str):
        raise TypeError(f"{name} takes a name, not {value!r}")
    if value not in accepted:
        raise SettingsError(f"must be one of {', '.join(accepted)} (got {value!r})", name)
    return value


def take(options):
    """The Outputs among a call's keywords, removed from ``options``."""
    given = {}
    for field in dataclasses.fields(Outputs):
        if field.name in options:
            given[field.name] = options.pop(field.name)
    for name in ("gltf", "glb", "sidecar", "single_file"):
        if name in given:
            given[name] = _flag(name, given[name])
    if "naming" in given:
        _one_of("naming", given["naming"], tuple(conventions()))
    if "compression" in given:
        _one_of("compression", given["compression"], COMPRESSIONS)
    return Outputs(**given)


def glows(settings):
    """Whether the library makes a glow map for these settings."""
    return settings is not None and settings.pbr == 1 and settings.emission > 0


def needed_extras(outputs, extras, settings=None):
    """The extra maps to compute: those asked for, the glTF's, and those the
    naming convention has names for; the glow with them only for settings
    that glow (without settings, only when asked for)."""
    needed = dict(extras)
    if outputs.gltf or outputs.glb:
        needed.update((name, True) for name in GLTF_MAPS)
        if glows(settings):
            needed[GLOW] = True
    suffixes = conventions()[outputs.naming]
    for m in _native.tables().maps:
        if m.name == GLOW and not glows(settings):
            continue
        if m.name in needed and m.number < len(suffixes) and suffixes[m.number]:
            needed[m.name] = True
    return needed


def path_problem(path, single_file):
    """Why the tool would refuse this output path, or None."""
    if not path:
        return "the output path is empty"
    if any(ord(c) < 0x20 or c == "\x7f" for c in path):
        return f"the output {path!r} holds a control character"
    if os.path.isdir(path):
        return (f"the output {path} is a folder; name the files, e.g. "
                f"{os.path.join(path, 'stone.png')}")
    if not path.endswith(".png") and not single_file:
        return (f"the output {path} does not end in .png (lower case): every map would "
                "overwrite that one file; name it like out/stone.png (maps go to "
                "out/stone_diff.png, ...), or give single_file=True")
    return None


def _base(path):
    """The glTF files' and the sidecar's name: the path up to its last ".png"."""
    cut = path.rfind(".png")
    return path if cut < 0 else path[:cut]


def _map_path(path, m):
    cut = path.rfind(".png")
    return path if cut < 0 else path[:cut] + m.suffix


def _gltf_names(outputs, m):
    """Whether the .gltf refers to our file of map ``m``, which must then stay."""
    return outputs.gltf and (m.name in ("diffuse", GLOW) or m.name in GLTF_MAPS)


def copies(path, outputs, held):
    """(our file, its name) for the naming convention, for the maps ``held``:
    ours is renamed, or copied when the .gltf names it."""
    if path.rfind(".png") < 0:
        return []
    suffixes = conventions()[outputs.naming]
    pairs = []
    for m in held:
        if m.number < len(suffixes) and suffixes[m.number]:
            ours, copy = _map_path(path, m), _base(path) + suffixes[m.number] + ".png"
            if copy != ours:
                pairs.append((ours, copy))
    return pairs


def files(path, outputs, held):
    """Every file a call writes, in writing order (the sidecar aside)."""
    names = []
    renamed = {ours for ours, _ in copies(path, outputs, held)}
    kept = {_map_path(path, m) for m in held if _gltf_names(outputs, m)}
    for m in held:
        name = _map_path(path, m)
        if name not in names and (name not in renamed or name in kept):
            names.append(name)
    base = _base(path)
    if outputs.gltf:
        names += [base + ".bin", base + ".gltf"]
    if outputs.glb:
        names.append(base + ".glb")
    return names + [copy for _, copy in copies(path, outputs, held)]


def sidecar_path(path):
    return _base(path) + ".json"


# ------------------------------------------------------------ the sidecar


def _float_text(value):
    """The shortest text of a float32 as the tool spells numbers: the shorter
    of plain and exponent notation (plain on a tie), "0.72", "1e+20"."""
    if value == 0:
        return "-0" if math.copysign(1.0, value) < 0 else "0"
    sign, size = ("-" if value < 0 else ""), abs(value)
    for precision in range(9):
        text = f"{size:.{precision}e}"
        if ctypes.c_float(float(text)).value == size:
            break
    mantissa, exponent = text.split("e")
    digits, exponent = mantissa.replace(".", "").rstrip("0") or "0", int(exponent)
    count = len(digits)
    scientific = (digits[0] + ("." + digits[1:] if count > 1 else "")
                  + f"e{'-' if exponent < 0 else '+'}{abs(exponent):02d}")
    if exponent < 0:
        plain = "0." + "0" * (-exponent - 1) + digits
    elif count <= exponent + 1:
        plain = digits + "0" * (exponent + 1 - count)
    else:
        plain = digits[:exponent + 1] + "." + digits[exponent + 1:]
    return sign + (plain if len(plain) <= len(scientific) else scientific)


def _json_number(text):
    """A number's text as the tool's JSON writer prints it after reading it
    back: whole numbers as written, others as the shortest double in its
    layout ("100000.0", "0.0001", "1e-05", "1e+16")."""
    if not any(c in text for c in ".eE"):
        return str(int(text))
    number = float(text)
    parts = decimal.Decimal(repr(abs(number))).as_tuple()
    raw = "".join(map(str, parts.digits))
    digits = raw.rstrip("0") or "0"
    exponent = parts.exponent + len(raw) - len(digits)
    count = len(digits)
    point = count + exponent  # where the decimal point goes among the digits
    head = "-" if number < 0 else ""
    if count <= point <= 15:
        return head + digits + "0" * (point - count) + ".0"
    if 0 < point <= 15:
        return head + digits[:point] + "." + digits[point:]
    if -4 < point <= 0:
        return head + "0." + "0" * -point + digits
    power = point - 1
    return (head + digits[0] + ("." + digits[1:] if count > 1 else "")
            + f"e{'-' if power < 0 else '+'}{abs(power):02d}")


def _file_record(path):
    with open(path, "rb") as f:
        data = f.read()
    return {"name": os.path.basename(path), "bytes": len(data),
            "sha256": hashlib.sha256(data).hexdigest()}


def sidecar_text(settings, extras, outputs, written):
    """The record the tool writes with --sidecar: its version, every option
    as the tool spells it, the outputs asked for, each file's size and
    SHA-256; laid out as the tool lays it out."""
    tables = _native.tables()
    entries = [("proctex", json.dumps(_native.load().proctex_version().decode("ascii")))]
    for o in tables.options:
        if o.is_text:
            text = _native.option_text(settings, o)
            if text:  # as the tool records it: only a ramp or layers that are there
                entries.append((o.cli_name, json.dumps(text)))
            continue
        value = getattr(settings, o.member)
        text = _float_text(value) if o.kind == "number" else str(int(value))
        entries.append((o.cli_name, _json_number(text)))
    for m in tables.maps:
        if m.suffix and not m.legacy:
            entries.append((m.name.replace("_", "-"), json.dumps(bool(extras.get(m.name)))))
    entries += [("gltf", json.dumps(outputs.gltf)), ("glb", json.dumps(outputs.glb)),
                ("sidecar", json.dumps(outputs.sidecar)),
                ("naming", json.dumps(outputs.naming)),
                ("compression", json.dumps(outputs.compression))]
    records = [json.dumps(_file_record(f), indent=2, ensure_ascii=False).replace("\n", "\n    ")
               for f in written]
    listed = "[\n    " + ",\n    ".join(records) + "\n  ]" if records else "[]"
    entries.append(("files", listed))
    lines = [f"  {json.dumps(key)}: {value}" for key, value in entries]
    return "{\n" + ",\n".join(lines) + "\n}\n"


# ------------------------------------------------------------ writing


def write(handle, path, settings, extras, outputs, held, following):
    """Saves a result's maps and the outputs as the tool does: the maps and
    glTF files through the library, the convention's copies, the sidecar.
    Returns the files written, the sidecar last."""
    reason = _native.reason_buffer()
    code = _native.load().proctex_save_files_progress(handle, encode_path(path),
                                                      outputs.flags(), following.function,
                                                      None, reason, len(reason))
    following.finish(code)
    if code != _native.OK:
        message = f"saving {path} failed: {_native.text(reason)}"
        folder = os.path.dirname(path)
        if folder and not os.path.isdir(folder):
            message += f"; output directory '{folder}' does not exist"
        raise ProctexError(message)
    if reason.value:
        warnings.warn(_native.text(reason), stacklevel=3)
    kept = {_map_path(path, m) for m in held if _gltf_names(outputs, m)}
    for ours, copy in copies(path, outputs, held):
        try:
            if ours in kept:
                shutil.copyfile(ours, copy)
            else:
                os.replace(ours, copy)
        except OSError as error:
            raise ProctexError(f"could not write {copy} ({error.strerror})") from error
    written = [f for f in files(path, outputs, held) if os.path.isfile(f)]
    if outputs.sidecar:
        record = sidecar_path(path)
        try:
            with open(record, "w", encoding="utf-8", newline="\n") as f:
                f.write(sidecar_text(settings, extras, outputs, written))
        except OSError as error:
            raise ProctexError(f"could not write {record}") from error
        written.append(record)
    return written
