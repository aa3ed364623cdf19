"""Time of generating a material in Blender against proctex.render alone for
the same settings (the maps the add-on asks for), at 1024 x 1024.

    blender -b --factory-startup --python blender/measure.py [-- SIZE ROUNDS]

Runs the add-on from this source tree (the library of build/release, or
PROCTEX_LIBRARY). Rounds alternate the two so that a busy machine slows both;
the medians are compared with the target 1.5 x render + 150 ms.
"""

import os
import statistics
import sys
import time

import bpy

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import proctex_blender  # noqa: E402
from proctex_blender import material  # noqa: E402
from proctex_blender.library import proctex  # noqa: E402

PRESETS = ("marble", "brick-wall", "oak-planks")


def timed(call):
    started = time.perf_counter()
    call()
    return time.perf_counter() - started


def main():
    args = sys.argv[sys.argv.index("--") + 1:] if "--" in sys.argv else []
    size = int(args[0]) if args else 1024
    rounds = int(args[1]) if len(args) > 1 else 5
    proctex_blender.register()
    bpy.ops.mesh.primitive_uv_sphere_add()
    print(f"measure: {size} x {size}, {rounds} rounds, library {proctex.library_path()}")
    worst = 0.0
    for preset in PRESETS:
        options = {"width": size, "height": size}
        renders, generates = [], []
        for _ in range(rounds):
            renders.append(timed(lambda: material.render_maps(preset, options, True, False)))
            generates.append(timed(lambda: bpy.ops.proctex.generate_material(
                preset=preset, size=size)))
        render, generate = statistics.median(renders), statistics.median(generates)
        bound = 1.5 * render + 0.150
        worst = max(worst, generate / bound)
        print(f"measure: {preset:12s} proctex.render {render * 1000:7.1f} ms   "
              f"generate_material {generate * 1000:7.1f} ms   "
              f"target <= {bound * 1000:7.1f} ms   {'ok' if generate <= bound else 'OVER'}")
    print(f"measure: worst generate / target = {worst:.2f}")


main()
