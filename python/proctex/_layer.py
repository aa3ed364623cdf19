"""One layer of a material as Python names it: a small record that turns
into the layers' text form, which the library reads and checks. Its keys are
the library's layer table (``proctex.LAYER_OPTIONS``): a key the library
adds is a keyword here with no change to this file."""

import ctypes
import difflib

from . import _native


class Layer:
    """A layer over the material's base: where it shows (its mask through a
    threshold and a softness, with an optional second source) and what it
    brings there (colour, roughness, metal, glow, relief, a palette). The
    keywords are the keys of the layers' text with '_' for '-', as the
    library's layer table names them (``Layer.keys()``); a key not given
    (or None) keeps the library's default. Masks, combines, metal types and
    palettes take their names (``mask="joints"``, ``palette="wood"``),
    colours "#rrggbb", flags True/False. ``str(layer)`` is its text::

        proctex.render("brick-wall", layers=[
            proctex.Layer(mask="joints", color="#9a948a", roughness=0.92, height=-0.03)])

    A Layer is immutable; ``layer.replace(height=0.02)`` gives a changed copy.
    """
    __slots__ = ("_values",)

    def __init__(self, **keys):
        table = _native.tables().layer_option
        keys = {name.replace("-", "_"): value for name, value in keys.items()}
        for name in keys:
            if name not in table:
                near = difflib.get_close_matches(name, list(table), n=1)
                hint = f"did you mean {near[0]!r}?" if near else \
                    "the keys are: " + ", ".join(table)
                raise TypeError(f"a layer has no key {name!r}; {hint}")
        # In the table's order: the order the library writes the text in.
        values = tuple((n, keys[n]) for n in table if keys.get(n) is not None)
        object.__setattr__(self, "_values", values)

    @staticmethod
    def keys():
        """Every key a layer takes, in the library's order."""
        return tuple(_native.tables().layer_option)

    def __getattr__(self, name):
        if not name.startswith("_") and name in _native.tables().layer_option:
            return dict(self._values).get(name)
        raise AttributeError(f"a layer has no key {name!r}")

    def __setattr__(self, name, value):
        raise AttributeError("a Layer cannot be changed: use layer.replace(...)")

    def replace(self, **changes):
        return Layer(**{**dict(self._values), **changes})

    def __eq__(self, other):
        return isinstance(other, Layer) and self._values == other._values

    def __hash__(self):
        return hash(self._values)

    def __repr__(self):
        return "Layer(" + ", ".join(f"{n}={v!r}" for n, v in self._values) + ")"

    def __str__(self):
        words = [f"{name.replace('_', '-')}={_word(value)}" for name, value in self._values]
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
