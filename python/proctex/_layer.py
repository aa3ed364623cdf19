"""One layer of a material as Python names it: a small record that turns
into the layers' text form, which the library reads and checks."""

import ctypes
import dataclasses

from . import _native


@dataclasses.dataclass(frozen=True)
class Layer:
    """A layer over the material's base: where it shows (its mask through a
    threshold and a softness, with an optional second source) and what it
    brings there (colour, roughness, metal, glow, relief). The fields are the
    keys of the layers' text with '_' for '-'; None leaves the library's
    default. Masks, combines and metal types take their names
    (``mask="joints"``), colours "#rrggbb". ``str(layer)`` is its text::

        proctex.render("brick-wall", layers=[
            proctex.Layer(mask="joints", color="#9a948a", roughness=0.92, height=-0.03)])
    """
    mask: str = None
    threshold: float = None
    softness: float = None
    invert: bool = None
    mask2: str = None
    threshold2: float = None
    softness2: float = None
    invert2: bool = None
    combine: str = None
    noise_scale: float = None
    noise_octaves: int = None
    noise_seed: int = None
    color: str = None
    color2: str = None
    piece_tint: float = None
    roughness: float = None
    metal: float = None
    metal_type: str = None
    emission: float = None
    height: float = None
    detail: float = None

    def __str__(self):
        words = [f"{f.name.replace('_', '-')}={_word(getattr(self, f.name))}"
                 for f in dataclasses.fields(self) if getattr(self, f.name) is not None]
        # A layer of defaults still is a layer: as the library writes one.
        return " ".join(words) or _default_layer_text()


def _word(value):
    if isinstance(value, bool):
        return "1" if value else "0"
    return str(value)


def _default_layer_text():
    """The library's text of one layer that says nothing ("mask=all")."""
    tables = _native.tables()
    option = next(o for o in tables.options if o.kind == "layers")
    settings = tables.Settings()
    _native.load().proctex_settings_defaults(ctypes.byref(settings), ctypes.sizeof(settings))
    settings.layerCount = 1
    _native.load().proctex_layer_defaults(ctypes.byref(getattr(settings, option.member)[0]))
    return _native.option_text(settings, option)
