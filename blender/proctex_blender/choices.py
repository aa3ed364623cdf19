"""The library's choice options (its type codes) as Blender enum items, from
the library's table. An identifier is the choice's name in capitals with '_',
which is the name of the code in include/proctex.h without its prefix:
PROCTEX_PATTERN_EGG_CRATE is pattern "EGG_CRATE"; the binding takes it as it
is, and the item's number is the code."""

from .library import proctex


def choice_options():
    """The names of the options that are named choices, in the table's order."""
    return [o.name for o in proctex.OPTIONS.values() if o.kind == "choice"]


def identifier(choice):
    return choice.name.upper().replace("-", "_")


def label(text):
    """A menu label: "egg crate" -> "Egg crate"."""
    return text[:1].upper() + text[1:]


def _description(option, choice):
    starts = [f"{label(name.replace('_', ' '))} {value:g}" for name, value in choice.start.items()]
    return label(choice.label) + (f"; starts {', '.join(starts)}" if starts else "")


def enum_items(name):
    """EnumProperty items of a choice option: (identifier, label, description, code)."""
    option = proctex.OPTIONS[name]
    return [(identifier(c), label(c.label), _description(option, c), c.value)
            for c in option.choices]


def code_of(name, ident):
    """The library's code of a choice."""
    for c in proctex.OPTIONS[name].choices:
        if identifier(c) == ident:
            return c.value
    raise KeyError(f"{name} has no choice {ident!r}")


def identifier_of(name, code):
    """The identifier of the choice with this code."""
    choice = proctex.OPTIONS[name].choice(code)
    if choice is None:
        raise ValueError(f"{name} has no choice of code {code}")
    return identifier(choice)
