/*
 * proctex: the settings API: settings by name, maps in memory, reasons for refusals, progress.
 * Part of <proctex.h>; include that header, not this one.
 */
#ifndef PROCTEX_SETTINGS_H
#define PROCTEX_SETTINGS_H

#ifndef PROCTEX_H
#error "include <proctex.h>"
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ======================================================================
 * The settings API: maps in memory, reasons for refusals.
 *
 * The same computation as GenerateTexture, with the arguments as named
 * members of one struct, the maps handed back in memory, and a one-line
 * reason for every refusal. GenerateTexture itself is check + generate +
 * save with tileable 0, so both give the same bytes for the same settings
 * when tileable is 0 (and the pattern is one GenerateTexture knows, 0..12).
 *
 *   ProctexSettings s;
 *   proctex_settings_init(&s);            // the grey stone of the CLI
 *   // or: proctex_preset_settings("marble", &s, sizeof s);
 *   s.width = s.height = 1024;
 *   s.patternType = PROCTEX_PATTERN_CELLS;
 *   s.patternParam = 16.0f;
 *   char why[256];
 *   ProctexMaps* maps = NULL;
 *   if (proctex_generate(&s, PROCTEX_MAPS_ALL, &maps, why, sizeof why) != PROCTEX_OK) {
 *       fprintf(stderr, "proctex: %s\n", why);   // names the setting and the rule
 *       return 1;
 *   }
 *   int w, h, channels;
 *   const unsigned char* rgb = proctex_maps_pixels(maps, PROCTEX_MAP_NORMAL, &w, &h, &channels);
 *   ...                                    // w * h * channels bytes, rows top to bottom
 *   proctex_save(maps, "out/cells.png", why, sizeof why);   // the PNG files, if wanted
 *   proctex_maps_free(maps);
 *
 * Every function here is safe to call from several threads at once on
 * different objects; none keeps state between calls or throws.
 * ====================================================================== */

/* Status codes; 0 is success. Every non-zero code comes with a reason. */
#define PROCTEX_OK 0
#define PROCTEX_ERROR_SETTINGS 1 /* a setting the computation cannot take */
#define PROCTEX_ERROR_ARGUMENT 2 /* a null pointer or unknown struct size */
#define PROCTEX_ERROR_MEMORY 3   /* an allocation failed; nothing is returned */
#define PROCTEX_ERROR_PATH 4     /* an output path that cannot name a file */
#define PROCTEX_ERROR_WRITE 5    /* a file could not be written */
#define PROCTEX_CANCELLED 6      /* the progress callback asked the call to stop */

/* materialType: the diffuse colouring. */
#define PROCTEX_MATERIAL_RAMP 0   /* black to white (also every unlisted value) */
#define PROCTEX_MATERIAL_GREY 1   /* the grey height field, one channel */
#define PROCTEX_MATERIAL_WOOD 2
#define PROCTEX_MATERIAL_MARBLE 3
#define PROCTEX_MATERIAL_STONE 4
#define PROCTEX_MATERIAL_GREEN 5
#define PROCTEX_MATERIAL_BLUE 6
#define PROCTEX_MATERIAL_LAVA 7
#define PROCTEX_MATERIAL_GREY_ALT 8 /* the same grey diffuse as 1 */

/* baseType */
#define PROCTEX_BASE_FRACTAL 0 /* also every value but 1 */
#define PROCTEX_BASE_SINGLE_OCTAVE 1

/* patternType (see patternParam above for each parameter) */
#define PROCTEX_PATTERN_NONE 0 /* also every unlisted value */
#define PROCTEX_PATTERN_RINGS 2
#define PROCTEX_PATTERN_GROOVES 3
#define PROCTEX_PATTERN_TONE_CURVE 4
#define PROCTEX_PATTERN_DAMPED_EXTREMES 5
#define PROCTEX_PATTERN_CELLS 6
#define PROCTEX_PATTERN_BRUSHED 7
#define PROCTEX_PATTERN_DISCS 8
#define PROCTEX_PATTERN_CHECKER 9
#define PROCTEX_PATTERN_KNOTS 10
#define PROCTEX_PATTERN_DIAMONDS 11
#define PROCTEX_PATTERN_EGG_CRATE 12
/* Structures and surfaces, for the settings API only (GenerateTexture takes
 * 13 and above as no pattern, as it always has). Each replaces the relief
 * with something that looks like the thing, the base relief as its grain;
 * patternParam is the main size (below), a finite non-zero number (its
 * magnitude is used, but for fine scratches, where the sign chooses). The
 * layout changes with the seed, fits whole periods when the material tiles,
 * and the pieces and joints of 13 to 19 feed the layers' masks
 * (PROCTEX_MASK_PIECES, PROCTEX_MASK_JOINTS). New kinds of relief are
 * patterns; the overlays stay the four below. */
#define PROCTEX_PATTERN_COBBLES 13      /* rounded stones in mortar; stone size */
#define PROCTEX_PATTERN_HEX_TILES 14    /* hexagonal tiles in grout; across the flats */
#define PROCTEX_PATTERN_SQUARE_TILES 15 /* square tiles in grout; their side */
#define PROCTEX_PATTERN_BOND_BRICKS 16  /* running bond, each brick its own length, a
                                           third as high; brick length */
#define PROCTEX_PATTERN_BOARDS 17       /* boards of random lengths with wood grain;
                                           board width */
#define PROCTEX_PATTERN_HERRINGBONE 18  /* parquet of boards four widths long; board width */
#define PROCTEX_PATTERN_ROOF_TILES 19   /* staggered courses of tiles with rounded lower
                                           ends, each over the one below; tile width */
/* Surfaces without pieces (the joints mask is 0 on them, the pieces mask one value): */
#define PROCTEX_PATTERN_HAMMERED 20     /* overlapping spherical hammer dents, the deepest
                                           winning; mean dent diameter */
#define PROCTEX_PATTERN_DIAMOND_PLATE 21 /* tread plate: rounded lozenges at +-45 degrees,
                                            alternating in a checker; their spacing */
#define PROCTEX_PATTERN_FINE_SCRATCHES 22 /* thin grooves, mostly along the rows, crossing;
                                             mean scratch length. Negative: the same over
                                             a brushing of very fine grooves along the rows */
#define PROCTEX_PATTERN_TILING_RINGS 23 /* end grain: irregular growth rings around a pith,
                                           bent by the relief, a few radial cracks; tiling
                                           without a crease; mean ring width */

/* overlayType */
#define PROCTEX_OVERLAY_NONE 0 /* also every unlisted value */
#define PROCTEX_OVERLAY_VEINS 1
#define PROCTEX_OVERLAY_BRICKS 2
#define PROCTEX_OVERLAY_PLANKS 3
#define PROCTEX_OVERLAY_SCRATCHES 4

/*
 * Layers (pbr == 1). A material is its base (the relief and colours above)
 * plus up to PROCTEX_MAX_LAYERS layers, applied in order: mortar in the
 * joints, rust in the pits, moss on low ground, paint chipped at the edges.
 * Each layer shows where its mask says (a value 0..1 per pixel from the
 * relief, the pattern or its own noise, through a threshold and a softness;
 * a second source may be combined with it), and where it shows it brings
 * its colour, roughness, metal and glow and moves the relief by its height
 * (and its own detail noise), so every map (normal, occlusion, height,
 * albedo, roughness, metallic, emission) comes from the one combined
 * surface. Masks are made from the base relief and the pattern, so a
 * layer's mask does not see the layers before it; a later layer paints over
 * an earlier one. With pbr 0 layers are not used.
 * The text form (proctex_layers_parse, proctex_layers_text, the option
 * "layers" of every front end) is one layer per ';', each a list of
 * key=value words:
 *   "mask=joints color=#8f8a82 roughness=0.9 height=-0.04;
 *    mask=height invert=1 threshold=0.35 softness=0.1 mask2=noise
 *    noise-scale=40 color=#4d5a2a color2=#6b7435 roughness=0.85 height=0.02"
 * Keys are the members' names in lower case with '-' (mask, threshold,
 * softness, invert, mask2, threshold2, softness2, invert2, combine,
 * noise-scale, noise-octaves, noise-seed, color, color2, piece-tint,
 * roughness, metal, metal-type, emission, height, detail), and palette
 * for layerPalette; masks, combines, metal types and palettes take their
 * names. What a layer does not say keeps the default of
 * proctex_layer_defaults. proctex_layer_option_info describes every key.
 */
#define PROCTEX_MAX_LAYERS 8
/* layerPalette: the layer's own two colours (other values: material types). */
#define PROCTEX_LAYER_PALETTE_OWN 0

/* mask and mask2: where a layer shows, each 0..1 per pixel. */
#define PROCTEX_MASK_NONE 0      /* mask2 only: no second source */
#define PROCTEX_MASK_ALL 1       /* everywhere (1) */
#define PROCTEX_MASK_HEIGHT 2    /* the base relief's height: low 0, high 1 */
#define PROCTEX_MASK_CAVITY 3    /* concave ground: joints, pits, grooves */
#define PROCTEX_MASK_EDGES 4     /* convex ground: ridges and edges, where wear shows */
#define PROCTEX_MASK_SLOPE 5     /* steepness: 0 flat, 1 at 45 degrees and more */
#define PROCTEX_MASK_OCCLUSION 6 /* how hidden the ground is: 1 - occlusion */
#define PROCTEX_MASK_JOINTS 7    /* the pattern's joints: mortar, gaps between
                                    boards, cell borders (1), faces (0) */
#define PROCTEX_MASK_PIECES 8    /* one random value per piece: brick, board, cell */
#define PROCTEX_MASK_NOISE 9     /* the layer's own fractal noise: patches, stains */

/* combine: how the second source meets the first. */
#define PROCTEX_COMBINE_MULTIPLY 0
#define PROCTEX_COMBINE_MIN 1
#define PROCTEX_COMBINE_MAX 2

typedef struct ProctexLayer {
    int mask;            /* PROCTEX_MASK_*, default ALL */
    float threshold;     /* the mask value where the layer is half in, 0..1 (0.5) */
    float softness;      /* half the width of the blend around it, 0..1 (0.05) */
    int invert;          /* 1: the layer shows where the mask is below the
                            threshold instead of above it */
    int mask2;           /* a second source, default PROCTEX_MASK_NONE */
    float threshold2;
    float softness2;
    int invert2;
    int combine;         /* PROCTEX_COMBINE_*: the two shares, multiplied (default),
                            the smaller or the larger */
    float noiseScale;    /* the layer's noise (mask NOISE, color2, detail): its
                            cell size, in the material's units (default 32) */
    int noiseOctaves;    /* 1..10 (4) */
    int noiseSeed;       /* varies the layer's noise: added to the seed the
                            material's seed and the layer's place give it (0) */
    float color[3];      /* sRGB 0..1 (a mid grey) */
    float color2[3];     /* mixed in by the layer's noise and the relief under
                            it, more on high ground (the same as color) */
    float pieceTint;     /* 0..1: how far each piece's brightness strays (0) */
    float roughness;     /* 0..1 (0.8) */
    float metal;         /* 0..1 (0) */
    int metalType;       /* PROCTEX_METAL_TYPE_* of the metal */
    float emission;      /* glow of the layer's colour, 0..100 (0) */
    float height;        /* relief the layer adds where it shows, -1..1 (0):
                            negative sinks it (mortar), positive raises it */
    float detail;        /* relief of its own noise, 0..1 (0) */
} ProctexLayer;

/*
 * The 22 value arguments of GenerateTexture, by name, with the same meaning,
 * types and rules (see the table above). `size` comes first and must be
 * sizeof(ProctexSettings) as the caller was compiled with it (init sets it):
 * later versions only add members at the end, and a library reads the
 * members the caller's size covers and gives any newer ones their defaults.
 * A caller's struct larger than the library's is taken when every byte the
 * library does not know is zero, and refused otherwise.
 */
typedef struct ProctexSettings {
    size_t size;
    int width;
    int height;
    int baseType;
    float scale;
    int octaves;
    float persistence;
    float lacunarity;
    int materialType;
    int patternType;
    float patternParam;
    int overlayType;
    float overlayParam;
    float overlayStrength;
    int seed;
    float contrast;
    float brightness;
    int invert;
    int seamless;
    float normalStrength;
    float roughness;
    int writeRoughness;
    int writeMetallic;
    /* Added in 0.2; a caller's older struct gets the defaults for these. */
    float aoRadius;    /* ambient occlusion: how far around each pixel walls are
                          looked for (pixels, or units on the tile), 0..256,
                          default 16 (see PROCTEX_MAP_AO) */
    float aoStrength;  /* ambient occlusion: darkening, 0..16, default 1.5 */
    float tileSize;    /* metres one tile of the material covers, 0 (the
                          default) when not given. Only recorded (glTF, sidecar) */
    float heightRange; /* metres between height 0 and 1, 0 when not given.
                          Only recorded, for displacement on import (with
                          pbr == 1 it also drives the maps, see below) */
    /* Added after heightRange. */
    int tileable; /* 1: the material tiles. Every stage wraps at the image
                     edges, so the maps repeat with the image as one period
                     in both directions, at any size: the noise lattice of
                     every octave holds a whole number of cells across the
                     width and the height (scale and lacunarity move to the
                     nearest whole count), and the periodic patterns and
                     overlays fit a whole number of periods (grooves,
                     discs, checker squares in even counts, knots, diamonds,
                     bumps, veins, courses of bricks and planks in even
                     counts, bricks and boards along a course); rings and
                     cells measure distances on the torus, strokes and
                     scratches continue across the edges, and the normal
                     map and the occlusion wrap. Feature sizes change
                     by less than half a period over the image. 0: today's
                     results exactly, as GenerateTexture (which never tiles)
                     gives them.
                     proctex_settings_init and the presets give 1: what a
                     user makes tiles unless told otherwise. A caller's older
                     struct without this member gets 0, so its results do
                     not change. */
    /* Added in 0.3 */
    int pbr;               /* 1: physically plausible maps (see "PBR maps" below);
                              0: GenerateTexture's maps. Default 1 from
                              proctex_settings_init, 0 for an older struct */
    float metal;           /* pbr: how metallic the material is, 0 (stone, wood,
                              paint) .. 1 (bare metal), default 0 */
    int metalType;         /* pbr: the metal's measured colour, PROCTEX_METAL_TYPE_*,
                              default PROCTEX_METAL_TYPE_IRON */
    int metalMask;         /* pbr: where the metal shows, PROCTEX_METAL_MASK_*,
                              default PROCTEX_METAL_MASK_NONE */
    float emission;        /* pbr: glow of the surface below emissionLevel, 0 (the
                              default) none; 1 full colour, above 1 brighter
                              (KHR_materials_emissive_strength in glTF), 0..100 */
    float emissionLevel;   /* pbr: relief height (0..1) below which the surface
                              glows, default 0.3 */
    int colorStopCount;    /* the colour ramp of PROCTEX_MATERIAL_CUSTOM: 0..8 */
    float colorStops[8][4]; /* stop i: red, green, blue (sRGB, 0..1) and its
                               position on the relief (0..1, rising from stop to
                               stop); heights before the first stop take its
                               colour, after the last the last one's */
    /* Added after colorStops. */
    int units;             /* how the sizes above are meant: PROCTEX_UNITS_TILE
                              (proctex_settings_init and the presets) or
                              PROCTEX_UNITS_PIXELS (GenerateTexture, and an
                              older struct); see "Sizes on the tile" below */
    /* Added after units: the material's layers (see "Layers" below). */
    int layerCount;        /* 0..PROCTEX_MAX_LAYERS */
    ProctexLayer layers[8];
    /* Added after layers: where each layer's colours come from.
       PROCTEX_LAYER_PALETTE_OWN (0, the default): its color and color2.
       PROCTEX_MATERIAL_WOOD..LAVA: that material's palette.
       PROCTEX_MATERIAL_CUSTOM: the material's own colour ramp (colorStops).
       A palette or ramp is read along the layer's mix of noise and relief,
       the value that takes color towards color2. */
    int layerPalette[8];
} ProctexSettings;

/*
 * Sizes on the tile (units == PROCTEX_UNITS_TILE). A material is one tile,
 * 512 units across, whatever the pixels: width and height only choose how
 * finely the tile is sampled, so a material rendered at 512 and at 4096 is
 * the same material, the larger one with finer detail. In units of 1/512 of
 * the tile's width are: scale, patternParam where it is a size (rings,
 * grooves, cells, discs, checker, knots, diamonds, egg crate), the
 * brushed pattern's scratches per 10 000 square units, overlayParam and
 * overlayStrength where they are sizes (vein scale, brick width and height,
 * plank length), the overlays' joints, seams, grain and scratch widths,
 * and aoRadius. A non-square image keeps the sizes of a square one of its
 * width (the tile's height is height / width of its width), and the
 * scratches overlay's count is per square tile. The fractal gains an octave
 * per doubling of the width beyond 512 (at most 4 more) and drops one per
 * halving below it (at least 1 remains), so grain a larger map can hold is
 * there and averages away to the 512 look. The normal map and the occlusion
 * follow the relief's physical size (tileSize, heightRange; with pbr 0, a
 * normalStrength meant at 512 pixels). A square image 512 pixels wide gives
 * the same maps in both units.
 * PROCTEX_UNITS_PIXELS: every size is in pixels, as GenerateTexture reads its
 * arguments; results are today's bytes.
 */
#define PROCTEX_UNITS_PIXELS 0
#define PROCTEX_UNITS_TILE 1
/* The tile's width in units. */
#define PROCTEX_TILE_UNITS 512

/* materialType PROCTEX_MATERIAL_CUSTOM colours the relief with the ramp of
 * colorStops (with pbr or without); with colorStopCount 0 it is the black to
 * white ramp of every unlisted type. */
#define PROCTEX_MATERIAL_CUSTOM 9

/* metalType: the metals' colours are their measured reflectances at normal
 * incidence (see src/material/metal_colors.cpp for the values and sources). */
#define PROCTEX_METAL_TYPE_IRON 0
#define PROCTEX_METAL_TYPE_STEEL 1
#define PROCTEX_METAL_TYPE_ALUMINIUM 2
#define PROCTEX_METAL_TYPE_COPPER 3
#define PROCTEX_METAL_TYPE_GOLD 4
#define PROCTEX_METAL_TYPE_BRASS 5
#define PROCTEX_METAL_TYPE_CHROME 6

/* metalMask */
#define PROCTEX_METAL_MASK_NONE 0   /* metal everywhere */
#define PROCTEX_METAL_MASK_TOPS 1   /* bare metal on the tops, rust or dirt
                                       (the material's colours) in the pits */
#define PROCTEX_METAL_MASK_PITS 2   /* the reverse: paint or crust on the
                                       tops, bare metal in the pits */

/*
 * PBR maps (pbr == 1). One relief, the height field after pattern and overlay,
 * turned over when invert == 1 (so sunken stones are sunken in every map),
 * drives every map, with its physical size: one tile covers tileSize metres
 * (0: 1 m) and heights 0..1 span heightRange metres (0: 0.02 m).
 *  - normal map: the relief's true slope, tilting away from rising ground;
 *    normalStrength is not used (heightRange is the bump's knob);
 *  - diffuse: the material's colours (contrast and brightness as ever) kept
 *    within 30..240 of 255 per channel, as dielectrics reflect; where the
 *    material is metal, the metal's measured colour;
 *  - metallic: metal, where metalMask lets the metal show, else 0; the
 *    specular map (GenerateTexture's) stays as it is;
 *  - roughness: `roughness` (0 mirror .. 1 matte) at mid relief, 0.15 lower
 *    on the tops and higher in the pits, rust and dirt rougher still;
 *  - occlusion: 1 on open ground, dark only where the relief really walls a
 *    pixel in (horizons below about 9 degrees count as open), on the relief
 *    smoothed over 1 pixel around so fine grain stays open;
 *  - emissive (PROCTEX_MAP_EMISSIVE): when emission > 0, the glow of molten
 *    rock below emissionLevel, black above it.
 * The height maps are the relief.
 */

/* Fills a struct of `size` bytes (sizeof(ProctexSettings) of the caller's
 * header) with the command line's defaults, a 512 x 512 grey stone with a
 * crisp grain: fractal base, scale 24, 6 octaves, persistence 0.72,
 * lacunarity 2, stone colours, no pattern or overlay, seed 1234, contrast 1.6,
 * brightness 0, normal strength 6, roughness 0.5, both optional maps on,
 * tileable 1 (set it to 0 for GenerateTexture's results), PBR maps
 * (pbr 1, tileSize 1 m, heightRange 0.02 m, not metal) and sizes on the tile
 * (units PROCTEX_UNITS_TILE; PROCTEX_UNITS_PIXELS, with tileable 0 and pbr
 * 0, gives GenerateTexture's bytes); sets
 * settings->size. A caller's struct too small for the pbr member gets pbr 0,
 * and so GenerateTexture's maps, as before.
 * Bytes of a larger struct that this library does not know become 0.
 * PROCTEX_ERROR_ARGUMENT for a null pointer or a size too small for the
 * first version of the struct. C and C++ callers use proctex_settings_init. */
PROCTEX_API int PROCTEX_CALL proctex_settings_defaults(ProctexSettings* settings, size_t size);

/* The defaults of a layer (see ProctexLayer); PROCTEX_ERROR_ARGUMENT for null. */
PROCTEX_API int PROCTEX_CALL proctex_layer_defaults(ProctexLayer* layer);

/* The layers as text: proctex_layers_parse sets settings->layers and
 * layerCount from `text` ("" clears them); PROCTEX_ERROR_SETTINGS with a
 * reason naming the layer and key when the text is not layers (settings
 * untouched), PROCTEX_ERROR_ARGUMENT for null text or settings.
 * proctex_layers_text writes the layers as that text (keys that differ from
 * the defaults), cut to size - 1 bytes and terminated when size > 0, and
 * returns the whole text's length. */
PROCTEX_API int PROCTEX_CALL proctex_layers_parse(const char* text, ProctexSettings* settings,
                                                  char* reason, size_t size);
PROCTEX_API size_t PROCTEX_CALL proctex_layers_text(const ProctexSettings* settings, char* text,
                                                    size_t size);

static inline void proctex_settings_init(ProctexSettings* settings) {
    (void)proctex_settings_defaults(settings, sizeof *settings);
}

/* The named materials of the command line ("granite", "marble", ...):
 * index 0 .. proctex_preset_count() - 1 gives the name and a one-line
 * description (null outside that range); proctex_preset_settings fills a
 * struct of `size` bytes as proctex_settings_defaults does, then applies the
 * preset. Names are read in any case, '-' and '_' alike ("Brick_Wall").
 * PROCTEX_ERROR_ARGUMENT with nothing written for an unknown name. */
PROCTEX_API int PROCTEX_CALL proctex_preset_count(void);
PROCTEX_API const char* PROCTEX_CALL proctex_preset_name(int index);
PROCTEX_API const char* PROCTEX_CALL proctex_preset_description(int index);
PROCTEX_API int PROCTEX_CALL proctex_preset_settings(const char* name, ProctexSettings* settings,
                                                     size_t size);

/* PROCTEX_OK when proctex_generate (and GenerateTexture, given a usable
 * path) would compute with these settings; otherwise a non-zero code and,
 * when reason is not null, a one-line reason of at most size - 1 bytes that
 * names the setting and the rule, e.g. "patternParam must be a finite,
 * non-zero number for the cell pattern (got 0)". reason may be null. */
PROCTEX_API int PROCTEX_CALL proctex_settings_check(const ProctexSettings* settings, char* reason,
                                                    size_t size);

/* The maps, numbered for proctex_maps_pixels and as bits of a mask. */
#define PROCTEX_MAP_DIFFUSE 0   /* 1 channel for materialType 1 and 8 with
                                   pbr 0, else 3 */
#define PROCTEX_MAP_NORMAL 1    /* 3 channels, DirectX convention */
#define PROCTEX_MAP_SPECULAR 2  /* 1 channel */
#define PROCTEX_MAP_ROUGHNESS 3 /* 1 channel */
#define PROCTEX_MAP_METALLIC 4  /* 1 channel */
#define PROCTEX_MAP_HEIGHT 5    /* the float height field (proctex_maps_height) */
/* Extra, engine-ready maps (never written by GenerateTexture): */
#define PROCTEX_MAP_HEIGHT16 6  /* the height field clamped to 0..1 as 16-bit grey,
                                   rounded to nearest (proctex_maps_height16) */
#define PROCTEX_MAP_AO 7        /* ambient occlusion, 1 channel, 255 = open */
#define PROCTEX_MAP_NORMAL_GL 8 /* the normal map in the OpenGL convention:
                                   green = 255 - green of PROCTEX_MAP_NORMAL */
#define PROCTEX_MAP_ORM 9       /* RGB = occlusion, roughness, metallic, as glTF
                                   and Unreal pack them */
#define PROCTEX_MAP_EMISSIVE 10 /* glow, RGB (sRGB); made only when emission > 0
                                   with pbr == 1, absent otherwise */
#define PROCTEX_MAP_METALLIC_SMOOTHNESS 11 /* RGBA: metallic in R, G and B,
                                   smoothness (255 - roughness) in A, as Unity's
                                   Standard and URP shaders read it */
#define PROCTEX_MAP_MASK 12     /* RGBA: metallic, occlusion, detail mask (255),
                                   smoothness: Unity HDRP's mask map */
#define PROCTEX_MAP_CURVATURE 13 /* the relief's curvature, 1 channel: 128 flat, brighter
                                    on ridges and edges, darker in joints and pits */
#define PROCTEX_MAP_ID 14       /* RGB: one flat colour per piece (brick, board, cell)
                                   and per layer where a layer covers more than half,
                                   for masking in other tools */
#define PROCTEX_MAP_BIT(map) (1u << (map))
/* Every map. 0.2 had 0x3FF (maps 0..9), 0x1FFF came next: callers passing
 * those get those maps as before. */
#define PROCTEX_MAPS_ALL 0x7FFFu
/* The maps GenerateTexture writes for these settings: diffuse, normal and
 * specular, roughness when writeRoughness == 1, metallic when
 * writeMetallic == 1. */
#define PROCTEX_MAPS_AS_SETTINGS 0u
/* Given with the maps' bits: keep each layer's mask with the maps too, for
 * proctex_maps_layer_mask (a studio showing where a layer lies). */
#define PROCTEX_KEEP_LAYER_MASKS 0x40000000u

/* The result of proctex_generate; read it through the functions below. */
typedef struct ProctexMaps ProctexMaps;

/*
 * Computes the maps chosen by `maps` (bits PROCTEX_MAP_BIT(...), or
 * PROCTEX_MAPS_ALL, or PROCTEX_MAPS_AS_SETTINGS) in memory and stores the
 * result in *result. With pbr 0 each 8-bit map holds exactly the pixels of
 * the PNG file GenerateTexture writes for the same settings; the height field
 * is the one the normal, specular, roughness and metallic maps are derived
 * from (after pattern and overlay, before contrast, brightness and invert;
 * with pbr 1 the relief, turned over by invert). Bits above PROCTEX_MAPS_ALL
 * other than PROCTEX_KEEP_LAYER_MASKS are ignored; the packed maps make the
 * maps they pack as well.
 *
 * On a refusal or an allocation failure returns a non-zero code with the
 * reason, and sets *result to null: never a partial result. Release a result
 * with proctex_maps_free.
 */
PROCTEX_API int PROCTEX_CALL proctex_generate(const ProctexSettings* settings, unsigned maps,
                                              ProctexMaps** result, char* reason, size_t size);

/* The 8-bit pixels of one map (PROCTEX_MAP_DIFFUSE .. PROCTEX_MAP_METALLIC,
 * PROCTEX_MAP_AO .. PROCTEX_MAP_MASK):
 * width x height pixels of `channels` bytes, row by row from the top with no
 * padding. Null (and the outputs left alone) when the map was not computed.
 * Any of the output pointers may be null. Valid until proctex_maps_free. */
PROCTEX_API const unsigned char* PROCTEX_CALL proctex_maps_pixels(const ProctexMaps* maps, int map,
                                                                   int* width, int* height,
                                                                   int* channels);

/* How much of layer `layer` (0 .. layerCount - 1) shows at each pixel, 0..255,
 * width x height bytes row by row: the mask after its threshold, softness
 * and second source, as the maps were painted with it. Null when the maps
 * were made without PROCTEX_KEEP_LAYER_MASKS or have no such layer (pbr 0
 * has none). Valid until proctex_maps_free. */
PROCTEX_API const unsigned char* PROCTEX_CALL proctex_maps_layer_mask(const ProctexMaps* maps,
                                                                      int layer, int* width,
                                                                      int* height);

/*
 * Ambient occlusion (PROCTEX_MAP_AO) is a horizon estimate: from each pixel
 * the height field is walked in eight directions out to aoRadius pixels (a
 * height of 1 standing 16 pixels tall), each direction keeps the sine of its
 * highest horizon, and occlusion = 1 - aoStrength x their mean, clamped to
 * 0..1. On the tile the radius and the height are in units, and the walks
 * are made on the relief box-filtered to at most 2 pixels per unit, their
 * result interpolated back to the image. Tiling (tileable == 1) and seamless (seamless == 1) materials wrap at
 * the borders, others clamp.
 * PROCTEX_MAP_ORM packs the occlusion, roughness and metallic maps; one that
 * was not asked for packs as a constant: 255 for occlusion, the roughness
 * setting as a byte (0..1 to 0..255) for roughness, 0 for metallic.
 */

/* The float height field, width x height values row by row; null when it
 * was not computed. Valid until proctex_maps_free. */
PROCTEX_API const float* PROCTEX_CALL proctex_maps_height(const ProctexMaps* maps, int* width,
                                                         int* height);

/* The 16-bit height map (PROCTEX_MAP_HEIGHT16), width x height values row by
 * row; null when it was not computed. Valid until proctex_maps_free. */
PROCTEX_API const unsigned short* PROCTEX_CALL proctex_maps_height16(const ProctexMaps* maps,
                                                                    int* width, int* height);

/* Releases a result; null is allowed. */
PROCTEX_API void PROCTEX_CALL proctex_maps_free(ProctexMaps* maps);

/*
 * Writes the maps of a result as GenerateTexture would: the same names
 * (derived from `path`, narrow and in the platform's file-name encoding,
 * at most 511 bytes), the same bytes, in the same order diffuse, normal,
 * specular, roughness, metallic, skipping maps the result does not hold,
 * as one set with the same rules (temporaries renamed into place; a failed
 * diffuse, normal or specular file replaces nothing; any other failed file
 * has its older file removed and the rest of the set replaced).
 * Returns PROCTEX_OK when every file was written, else PROCTEX_ERROR_WRITE
 * with every failed file and the system's reason in the reason, e.g.
 * "could not write out/a_rough.png: No space left on device" (or
 * PROCTEX_ERROR_PATH / PROCTEX_ERROR_ARGUMENT). A short write or a failed
 * close is a failed write. Before writing, the folder is tidied: files a
 * killed save left are finished or removed. A journal there that names
 * anything but its own set's files is left alone, and on success the reason
 * then says which (otherwise it is empty). The maps are encoded side by side on
 * PROCTEX_THREADS threads (see GenerateTexture), the files then created one
 * after the other.
 * Extra maps the result holds follow, in the order <base>_height.png (16-bit
 * grey), _ao.png, _nmap_gl.png, _orm.png, _emissive.png, _metal_smooth.png,
 * _mask.png, _curvature.png, _id.png, in the same set; each is attempted.
 */
PROCTEX_API int PROCTEX_CALL proctex_save(const ProctexMaps* maps, const char* path, char* reason,
                                          size_t size);

/* The file name proctex_save and GenerateTexture give `map` for `path`
 * (any map but PROCTEX_MAP_HEIGHT): path up to its last ".png" followed by
 * "_diff.png", "_nmap.png", "_spec.png", "_rough.png", "_metal.png",
 * "_height.png", "_ao.png", "_nmap_gl.png", "_orm.png", "_emissive.png",
 * "_metal_smooth.png", "_mask.png", "_curvature.png" or "_id.png"; a path without
 * ".png" unchanged. Copies it with its
 * terminator into out; PROCTEX_ERROR_ARGUMENT when an argument is null, the
 * map unknown or out too small (out then holds the empty string if size > 0). */
PROCTEX_API int PROCTEX_CALL proctex_map_path(const char* path, int map, char* out, size_t size);

/* More ways of saving, for proctex_save_files (bits, combined with |). */
#define PROCTEX_SAVE_GLTF 1u /* also <base>.gltf, a glTF 2.0 material on a preview
                                sphere, with <base>.bin beside it; it names the
                                _diff.png, _nmap_gl.png and _orm.png files */
#define PROCTEX_SAVE_GLB 2u  /* also <base>.glb: the same with everything inside */
#define PROCTEX_SAVE_SMALL 4u /* 8-bit PNGs compressed harder (libdeflate): the
                                 same pixels in about a third fewer bytes, not the
                                 default's bytes, several times slower; builds
                                 without libdeflate write the default encoding */

/*
 * proctex_save, and with flags the glTF files of the material (<base> is the
 * path up to its last ".png", or the path itself). The glTF material takes
 * its base colour from the diffuse map (sRGB), its normals from the OpenGL
 * normal map and occlusion, roughness and metallic from the ORM map (linear),
 * so the result must hold PROCTEX_MAP_DIFFUSE, PROCTEX_MAP_NORMAL_GL and
 * PROCTEX_MAP_ORM (else PROCTEX_ERROR_ARGUMENT before anything is written).
 * A tiling or seamless material (tileable == 1 or seamless == 1) repeats on
 * the sphere (its samplers repeat); tileSize and heightRange, when given
 * (with pbr 1: as the maps used them), go into the material's extras. A
 * result holding PROCTEX_MAP_EMISSIVE adds it as the emissiveTexture, with
 * KHR_materials_emissive_strength for emission above 1. The glTF files are
 * written after the maps, in the same set; their failure is
 * PROCTEX_ERROR_WRITE.
 */
PROCTEX_API int PROCTEX_CALL proctex_save_files(const ProctexMaps* maps, const char* path,
                                                unsigned flags, char* reason, size_t size);

/*
 * Encodes one 8-bit image as PNG bytes in memory: the bytes stbi_write_png
 * of stb_image_write writes for the same pixels at its default settings.
 * channels 1 (grey), 2 (grey + alpha), 3 (RGB) or 4 (RGBA); rows `stride`
 * bytes apart (at least width x channels; 0 means exactly that), with
 * (width x channels + 1) x height and stride x height at most 2^30. On success *bytes points to
 * *length bytes to be released with proctex_free. On failure (bad
 * arguments: PROCTEX_ERROR_ARGUMENT; no memory: PROCTEX_ERROR_MEMORY) *bytes
 * is null and *length 0.
 */
PROCTEX_API int PROCTEX_CALL proctex_encode_png(const unsigned char* pixels, int width, int height,
                                                int channels, int stride, unsigned char** bytes,
                                                size_t* length);

/*
 * Encodes width x height 16-bit samples (row by row, no padding) as a grey
 * 16-bit PNG: the bytes of the _height.png file PROCTEX_MAP_HEIGHT16 is saved
 * as, for the same samples (proctex_maps_height16). (2 x width + 1) x height
 * at most 2^30. Results and failures as proctex_encode_png.
 */
PROCTEX_API int PROCTEX_CALL proctex_encode_png16(const unsigned short* samples, int width,
                                                  int height, unsigned char** bytes,
                                                  size_t* length);

/* Releases memory the library handed out (proctex_encode_png, _png16); null is allowed. */
PROCTEX_API void PROCTEX_CALL proctex_free(void* memory);

/* The library's version, "MAJOR.MINOR.PATCH". */
PROCTEX_API const char* PROCTEX_CALL proctex_version(void);


/* ======================================================================
 * Progress and cancellation for long calls.
 *
 * The callback hears how far a call is: `fraction` rises from 0 to 1 and
 * never goes back; `stage` names the work ("noise", "pattern", "overlay",
 * "maps", "encode", "write", "done"). It is called from the call's own
 * threads, one call at a time, about every 10 ms or 1 % of the work, and
 * once with 1 and "done" at the end of a successful call. Returning 0 asks
 * the call to stop: it then returns PROCTEX_CANCELLED promptly (within a few
 * tens of milliseconds at 2048 x 2048), keeps nothing it made and, for the
 * saving call, writes no file (a stop while the files are being written
 * takes effect after them). A null callback makes these calls the same as
 * those without progress.
 * ====================================================================== */
typedef int(PROCTEX_CALL* ProctexProgress)(float fraction, const char* stage, void* user);

/* proctex_generate, following the callback. */
PROCTEX_API int PROCTEX_CALL proctex_generate_progress(const ProctexSettings* settings,
                                                       unsigned maps, ProctexMaps** result,
                                                       ProctexProgress progress, void* user,
                                                       char* reason, size_t size);

/* proctex_save_files, following the callback. */
PROCTEX_API int PROCTEX_CALL proctex_save_files_progress(const ProctexMaps* maps,
                                                         const char* path, unsigned flags,
                                                         ProctexProgress progress, void* user,
                                                         char* reason, size_t size);

#ifdef __cplusplus
}
#endif

#endif /* PROCTEX_SETTINGS_H */
