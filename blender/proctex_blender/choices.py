"""The library's type codes (base, material, pattern, overlay) as named
choices. An identifier is the name of the code in include/proctex.h without
its prefix: PROCTEX_PATTERN_CELLS is pattern "CELLS"."""

# Option -> (identifier, label, description, code), codes as include/proctex.h has them.
CHOICES = {
    "base": (
        ("FRACTAL", "Fractal", "Fractal sum of Octaves layers of noise", 0),
        ("SINGLE_OCTAVE", "Single Octave", "One octave of noise: a smooth, blobby relief", 1),
    ),
    "material": (
        ("RAMP", "Black to White", "The height field as a black-to-white ramp (RGB)", 0),
        ("GREY", "Grey", "The grey height field (a one-channel diffuse map)", 1),
        ("WOOD", "Wood", "Wood browns", 2),
        ("MARBLE", "Marble", "Marble whites", 3),
        ("STONE", "Stone", "Stone greys", 4),
        ("GREEN", "Greens", "Greens", 5),
        ("BLUE", "Blues", "Blues", 6),
        ("LAVA", "Lava", "Lava", 7),
        ("CUSTOM", "Custom Colours", "Your own colour ramp (Colors)", 9),
    ),
    "pattern": (
        ("NONE", "None", "The height field as it is", 0),
        ("RINGS", "Rings", "Rings; Pattern Param: ring spacing in pixels, useful 4..64", 2),
        ("GROOVES", "Grooves", "Grooves; Pattern Param: spacing (pi x param pixels), useful 4..64",
         3),
        ("TONE_CURVE", "Tone Curve", "A tone curve; Pattern Param: gamma, useful 1..3", 4),
        ("DAMPED_EXTREMES", "Damped Extremes",
         "Darkening toward 0 and 1; Pattern Param: its exponent, useful 1..3", 5),
        ("CELLS", "Cells", "Cell borders; Pattern Param: cell size in pixels, useful 4..64", 6),
        ("BRUSHED", "Brushed", "Brushed scratches; Pattern Param: scratches per 10 000 pixels, "
         "useful 100..300", 7),
        ("DISCS", "Discs", "Staggered discs; Pattern Param: disc diameter in pixels, useful 4..64",
         8),
        ("CHECKER", "Checker", "A checker (ignores the noise); Pattern Param: block size in pixels",
         9),
        ("KNOTS", "Knots", "Banded knots; Pattern Param: band and knot scale in pixels", 10),
        ("DIAMONDS", "Diamonds", "Diamonds; Pattern Param: block size in pixels", 11),
        ("EGG_CRATE", "Egg Crate", "Egg crate bumps; Pattern Param: period (pi x param pixels)",
         12),
    ),
    "overlay": (
        ("NONE", "None", "Nothing carved", 0),
        ("VEINS", "Veins", "Veins; Overlay Param: spacing (about pi x param pixels), useful "
         "8..64; Overlay Strength: depth, useful 0..1", 1),
        ("BRICKS", "Bricks", "Bricks; Overlay Param: brick width in pixels, useful 32..160; "
         "Overlay Strength: brick height in pixels, useful 16..80", 2),
        ("PLANKS", "Planks", "Planks; Overlay Param: plank length in pixels, useful 128..512; "
         "Overlay Strength: wood grain above 0.5", 3),
        ("SCRATCHES", "Scratches", "Scratches; Overlay Param: how many, useful 10..200; "
         "Overlay Strength: depth, useful 0..1", 4),
    ),
}

# The code the library reads a code with no choice of its own as (e.g. any
# material but 1..8 is the ramp). Material 8 makes the same files as 1.
EQUIVALENT = {"material": {8: 1}}


def enum_items(option):
    """EnumProperty items of an option: the code is the item's number."""
    return [tuple(item) for item in CHOICES[option]]


def code_of(option, identifier):
    """The library's code of a choice."""
    for item in CHOICES[option]:
        if item[0] == identifier:
            return item[3]
    raise KeyError(f"{option} has no choice {identifier!r}")


def identifier_of(option, code):
    """The choice making what the library makes of ``code``: its own, or for a
    code without one the choice the library takes it as."""
    code = EQUIVALENT.get(option, {}).get(code, code)
    for item in CHOICES[option]:
        if item[3] == code:
            return item[0]
    return CHOICES[option][0][0]  # every code 0 stands for: ramp, fractal, none
