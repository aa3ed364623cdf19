/*
 * proctex: procedural PBR material textures.
 *
 * One synchronous call, GenerateTexture, builds a height field from seeded
 * gradient noise, optionally reshapes it with a pattern and carves an overlay
 * into it, adjusts its tone, colours it by material and writes 8-bit PNG files:
 *
 *   <base>_diff.png   diffuse (grey for materialType 1 and 8, RGB otherwise)
 *   <base>_nmap.png   normal map (RGB, x right, y down the rows, z out: the
 *                     DirectX convention; flip green for OpenGL tools)
 *   <base>_spec.png   specular (grey)
 *   <base>_rough.png  roughness (grey, when writeRoughness == 1)
 *   <base>_metal.png  metallic (grey, when writeMetallic == 1)
 *
 * <base> is outputPath up to its last ".png" (case-sensitive, anywhere in the
 * path; what follows it is dropped). A path without ".png" is used as it is
 * for every image, so only the last image written remains there.
 *
 * Equal arguments always give byte-identical files. The library keeps no
 * state: calls from several threads are independent as long as their output
 * paths differ. Nothing is logged and no exception escapes.
 *
 *   #include <proctex.h>
 *   int ok = GenerateTexture(512, 512, 0, 64.0f, 6, 0.5f, 2.0f, 4, 0, 0.0f,
 *                            0, 0.0f, 0.0f, 1234, 1.0f, 0.0f, 0, 0, 4.0f,
 *                            0.5f, 1, 1, L"out/stone.png");
 *   // out/stone_diff.png, _nmap, _spec, _rough and _metal.png
 */
#ifndef PROCTEX_H
#define PROCTEX_H

#include <stddef.h>
#include <wchar.h>

#if defined(_WIN32)
#define PROCTEX_CALL __stdcall
#if defined(PROCTEX_BUILDING)
#define PROCTEX_API __declspec(dllexport)
#else
#define PROCTEX_API __declspec(dllimport)
#endif
#else
#define PROCTEX_CALL
#define PROCTEX_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Generates one material set. Returns 1 when the diffuse, normal and specular
 * images were all written, 0 otherwise (nothing else is ever returned).
 *
 * For each argument: its meaning, a useful range, the default of the proctex
 * command-line tool ("CLI", with its option; those defaults make a grey
 * stone), and the outputs it affects. "All maps" means all five images: the
 * diffuse, normal, specular, roughness and metallic maps all come from the
 * one height field. Flags are tested for exactly 1: 2 or -1 count as "off".
 *
 *  1 width, height   Image size in pixels, both > 0 and width*height*3 at most
 *  2                 INT32_MAX; otherwise the call returns 0 and writes nothing.
 *                    Useful 64..4096; sizes in the other arguments are in
 *                    pixels, so a larger image shows more, not bigger, detail.
 *                    CLI --width 512, --height 512. All maps.
 *  3 baseType        1: one octave of noise (smooth, blobby relief);
 *                    anything else: fractal sum of `octaves` layers.
 *                    CLI --base 0 (fractal). All maps.
 *  4 scale           Pixels per noise cell; larger is smoother. Useful 8..256.
 *                    With seamless == 1 keep it at most the image size.
 *                    CLI --scale 24. All maps.
 *  5 octaves         Noise layers of the fractal base (ignored by baseType 1),
 *                    useful 1..10. 0 or less gives a flat field (mid grey).
 *                    CLI --octaves 6. All maps.
 *  6 persistence     Weight factor from one octave to the next (fractal only),
 *                    useful 0.3..0.8; higher is rougher.
 *                    CLI --persistence 0.72. All maps.
 *  7 lacunarity      Frequency factor per octave (fractal only), useful 1.5..3,
 *                    usually 2. CLI --lacunarity 2. All maps.
 *  8 materialType    Diffuse colouring: 1 or 8 grey height field (a one-channel
 *                    file); 2 wood browns, 3 marble whites, 4 stone greys,
 *                    5 greens, 6 blues, 7 lava; any other value a black-to-white
 *                    ramp (RGB files). CLI --material 4. Diffuse only.
 *  9 patternType     Replaces the height field with a pattern built from it:
 *                    2 rings, 3 grooves, 4 tone curve, 5 damped extremes,
 *                    6 cell borders, 7 brushed scratches, 8 staggered discs,
 *                    9 checker (ignores the field), 10 banded knots,
 *                    11 diamonds, 12 egg crate; any other value: no pattern.
 *                    CLI --pattern 0 (none). All maps.
 * 10 patternParam    2: ring spacing in pixels. 3: groove spacing (pi x param
 *                    pixels). 4: gamma, limited to 0.5..3. 5: exponent of the
 *                    darkening toward 0 and 1 (0 darkens everything by 30%).
 *                    6: cell size: one random cell per 2 x param^2 pixels
 *                    (at least 10 cells), borders param / 2 wide; negative
 *                    lights every pixel; small values ask for very many
 *                    cells (about 20 bytes each): more than one per pixel
 *                    and over 2^24 is rejected. 7: scratches per 10 000
 *                    pixels, kept within 50..500. 8: disc diameter in pixels.
 *                    9, 11: block size in pixels. 10: band and knot scale in
 *                    pixels (knots 3 x 5 param apart). 12: bump period
 *                    (pi x param pixels). Useful: 4..64 for the sizes in
 *                    pixels, 1..3 for 4 and 5, 100..300 for 7.
 *                    Rejected (the call returns 0 and writes nothing): a
 *                    param of 0, NaN or infinite for 2, 3, 6, 8, 9, 10, 11
 *                    and 12. CLI --pattern-param 0. All maps.
 * 11 overlayType     Carved into the height field: 1 veins, 2 bricks,
 *                    3 planks, 4 scratches; any other value: none (and 12,
 *                    13 are ignored). CLI --overlay 0 (none). All maps.
 * 12 overlayParam    Veins: vein spacing, lines about pi * param pixels apart
 *                    (negative mirrors them), useful 8..64; bricks: brick
 *                    width in pixels (below 6 all mortar), useful 32..160;
 *                    planks: plank length in pixels, courses length / 5 high,
 *                    useful 128..512; scratches: number of scratches,
 *                    truncated (2.9 gives 2; below 1 none), useful 10..200.
 *                    CLI --overlay-param 0. All maps.
 * 13 overlayStrength Veins and scratches: carve depth, useful 0..1;
 *                    bricks: brick height in pixels (3-pixel mortar joints,
 *                    carved 0.3 deep), useful 16..80; planks: wood grain
 *                    when > 0.5 (0.5 and NaN give plain planks).
 *                    Rejected (the call returns 0 and writes nothing): veins
 *                    with a scale of 0, NaN or infinite; bricks with a width
 *                    or height of 0, NaN or infinite; planks with a length of
 *                    0 or less, NaN or infinite.
 *                    CLI --overlay-strength 0. All maps.
 * 14 seed            Any value; every random choice follows from it.
 *                    CLI --seed 1234. All maps.
 * 15 contrast        (v - 0.5) * contrast + 0.5, skipped at exactly 1.0.
 *                    Useful 0.5..2. CLI --contrast 1.6. Diffuse only.
 * 16 brightness      Added to every value, skipped at exactly 0. Useful
 *                    -0.4..0.4. CLI --brightness 0. Diffuse only.
 * 17 invert          1 inverts the tones (1 - v), after contrast and
 *                    brightness. CLI --invert 0. Diffuse only.
 * 18 seamless        1: tileable base noise and veins (the relief repeats when
 *                    scale divides the size): all maps. Any non-zero value
 *                    makes the normal map wrap around the borders.
 *                    CLI --seamless 0.
 * 19 normalStrength  Slope factor of the normal map; 0 is flat, useful 1..10;
 *                    a negative value reads the relief upside down.
 *                    CLI --normal-strength 6. Normal map only.
 * 20 roughness       0..1; moves the whole roughness map down as it grows.
 *                    CLI --roughness 0.5. Roughness map only.
 * 21 writeRoughness  1 writes <base>_rough.png (its failure does not change
 *                    the result). CLI --roughness-map 1.
 * 22 writeMetallic   1 writes <base>_metal.png (its failure does not change
 *                    the result).
 *                    CLI --metallic-map 1.
 * 23 outputPath      NUL-terminated wide path, converted in the current C
 *                    locale (LC_CTYPE) to at most 511 bytes; it names every
 *                    file (see the top of this header). A null path, a
 *                    longer one or a character the locale cannot represent
 *                    makes the call return 0 without writing anything.
 *                    CLI: its one positional argument, e.g. out/stone.png.
 *
 * The contrast, brightness and invert options change only the diffuse image;
 * the normal, specular, roughness and metallic maps come from the height field
 * before them.
 * Files are replaced whole and as a set: each image is written in full to a
 * hidden temporary beside its file (".<name>.proctex-tmp-<host>-<pid>-<n>",
 * <host> eight hex digits naming the machine), then all are renamed into
 * place. A symlink at an output path is replaced, never written through; a
 * process killed at any moment leaves every file old or new and whole, and
 * the next call on the folder finishes or removes what a killed call left:
 * only its own temporaries, renamed onto the files they were made for (a
 * journal naming anything else is left alone). Temporaries of another
 * machine or container sharing the folder are left for an hour. A write counts as failed unless every byte reached the
 * temporary and it was closed without error (a full disk, a file size limit,
 * a name too long); its temporary is removed. A failed diffuse, normal or
 * specular file leaves every old file in place and the call returns 0. A
 * failed roughness or metallic file does not change the result: the other
 * files are replaced and any older file at the failed path is removed, so no
 * stale or partial map is left beside the new ones.
 * The maps are made and encoded side by side on threads of the call's own,
 * joined before it returns: PROCTEX_THREADS of them, read at every call
 * (unset or not a whole number from 1 up: the hardware threads; never more
 * than one per map; 1 keeps all work on the calling thread).
 */
PROCTEX_API int PROCTEX_CALL
GenerateTexture(int width, int height, int baseType, float scale, int octaves, float persistence,
                float lacunarity, int materialType, int patternType, float patternParam,
                int overlayType, float overlayParam, float overlayStrength, int seed,
                float contrast, float brightness, int invert, int seamless, float normalStrength,
                float roughness, int writeRoughness, int writeMetallic, const wchar_t* outputPath);

/* Returns 42; lets a host check that the library is loaded and callable. */
PROCTEX_API int PROCTEX_CALL TestDLL(void);

#ifdef __cplusplus
}
#endif

/* The settings API (maps in memory, reasons, progress) and the option table,
 * in headers of their own that are part of this one. */
#include "proctex_settings.h"
#include "proctex_table.h"

#endif /* PROCTEX_H */
