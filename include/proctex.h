/*
 * proctex: procedural PBR material textures.
 *
 * One synchronous call, GenerateTexture, builds a height field from seeded
 * gradient noise, optionally reshapes it with a pattern and carves an overlay
 * into it, adjusts its tone, colours it by material and writes 8-bit PNG files:
 *
 *   <base>_diff.png   diffuse (grey for materialType 1 and 8, RGB otherwise)
 *   <base>_nmap.png   normal map (RGB, x right, y down the rows, z out)
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
 * Flags are tested for exactly 1: 2 or -1 count as "off".
 *
 *  1 width, height   Image size in pixels, both > 0 and width*height*3 at most
 *  2                 INT32_MAX; otherwise the call returns 0 and writes nothing.
 *  3 baseType        1: one octave of noise (smooth, blobby relief);
 *                    anything else: fractal sum of `octaves` layers.
 *  4 scale           Pixels per noise cell; larger is smoother. Typical 16..256.
 *                    With seamless == 1 keep it at most the image size.
 *  5 octaves         Noise layers of the fractal base, typically 1..10. 0 or
 *                    less gives a flat field (mid grey).
 *  6 persistence     Weight factor from one octave to the next (fractal only),
 *                    typically 0.3..0.7; higher is rougher.
 *  7 lacunarity      Frequency factor per octave (fractal only), typically 2.
 *  8 materialType    Diffuse colouring: 1 or 8 grey height field; 2 wood
 *                    browns, 3 marble whites, 4 stone greys, 5 greens, 6 blues,
 *                    7 lava; any other value a black-to-white ramp.
 *  9 patternType     Replaces the height field with a pattern built from it:
 *                    2 rings, 3 grooves, 4 tone curve, 5 damped extremes,
 *                    6 cell borders, 7 brushed scratches, 8 staggered discs,
 *                    9 checker (ignores the field), 10 banded knots,
 *                    11 diamonds, 12 egg crate; any other value: no pattern.
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
 *                    (pi x param pixels).
 *                    Rejected (the call returns 0 and writes nothing): a
 *                    param of 0, NaN or infinite for 2, 3, 6, 8, 9, 10, 11
 *                    and 12.
 * 11 overlayType     Carved into the height field: 1 veins, 2 bricks,
 *                    3 planks, 4 scratches; any other value: none (and 12,
 *                    13 are ignored).
 * 12 overlayParam    Veins: vein spacing, lines about pi * param pixels apart
 *                    (negative mirrors them); bricks: brick width in pixels
 *                    (below 6 all mortar); planks: plank length in pixels,
 *                    courses length / 5 high; scratches: number of scratches,
 *                    truncated (2.9 gives 2; below 1 none).
 * 13 overlayStrength Veins and scratches: carve depth, typically 0..1;
 *                    bricks: brick height in pixels (3-pixel mortar joints,
 *                    carved 0.3 deep); planks: wood grain when > 0.5 (0.5
 *                    and NaN give plain planks).
 *                    Rejected (the call returns 0 and writes nothing): veins
 *                    with a scale of 0, NaN or infinite; bricks with a width
 *                    or height of 0, NaN or infinite; planks with a length of
 *                    0 or less, NaN or infinite.
 * 14 seed            Any value; every random choice follows from it.
 * 15 contrast        Diffuse only: (v - 0.5) * contrast + 0.5, skipped at
 *                    exactly 1.0. Typical 0.5..2.
 * 16 brightness      Diffuse only: added to every value, skipped at exactly 0.
 * 17 invert          1 inverts the diffuse tones (1 - v).
 * 18 seamless        1: tileable base noise and veins (the relief repeats when
 *                    scale divides the size). Any non-zero value makes the
 *                    normal map wrap around the borders.
 * 19 normalStrength  Slope factor of the normal map; 0 is flat, typical 1..10.
 * 20 roughness       0..1; moves the whole roughness map down as it grows.
 * 21 writeRoughness  1 writes <base>_rough.png (its failure is ignored).
 * 22 writeMetallic   1 writes <base>_metal.png (its failure is ignored).
 * 23 outputPath      NUL-terminated wide path, converted in the current C
 *                    locale (LC_CTYPE) to at most 511 bytes. A null path, a
 *                    longer one or a character the locale cannot represent
 *                    makes the call return 0 without writing anything.
 *
 * The contrast, brightness and invert options change only the diffuse image;
 * the normal, specular, roughness and metallic maps come from the height field
 * before them. Files already written stay when a later write fails. A failed
 * diffuse write stops the call; a failed normal write stops it after the
 * diffuse file; a failed specular write still lets roughness and metallic be
 * written but the call returns 0.
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

#endif /* PROCTEX_H */
