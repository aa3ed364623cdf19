/* A plain C host of the settings API: includes only proctex.h and links only
 * the library. For every preset, and for a seeded sweep of random settings
 * (every pattern and overlay, seamless modes, edge parameters and sizes),
 * the maps proctex_generate hands back must be exactly the pixels of the
 * files GenerateTexture writes. The comparison encodes the maps with
 * proctex_encode_png, whose bytes equal the files' encoder's, so equal
 * bytes mean equal pixels. Refusals must agree too: whenever the check
 * refuses, generate refuses with the same reason and GenerateTexture
 * returns 0 and writes nothing. Exits non-zero with a message on the first
 * difference. Argument: a scratch folder. */
#include <proctex.h>

#include <math.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char* scratch;
static int failures;

#define FAIL(...)                                  \
    do {                                           \
        fprintf(stderr, "maps_match_files: ");     \
        fprintf(stderr, __VA_ARGS__);              \
        fprintf(stderr, "\n");                     \
        ++failures;                                \
    } while (0)

static unsigned char* readFile(const char* path, size_t* length) {
    FILE* f = fopen(path, "rb");
    if (f == NULL) return NULL;
    fseek(f, 0, SEEK_END);
    long size = ftell(f);
    fseek(f, 0, SEEK_SET);
    unsigned char* bytes = malloc(size > 0 ? (size_t)size : 1);
    *length = fread(bytes, 1, (size_t)size, f);
    fclose(f);
    return bytes;
}

static int fileExists(const char* path) {
    FILE* f = fopen(path, "rb");
    if (f != NULL) fclose(f);
    return f != NULL;
}

static void removeOutputs(const char* base) {
    char path[600];
    for (int map = PROCTEX_MAP_DIFFUSE; map <= PROCTEX_MAP_METALLIC; ++map) {
        if (proctex_map_path(base, map, path, sizeof path) == PROCTEX_OK) remove(path);
    }
}

static int callGenerateTexture(const ProctexSettings* s, const char* path) {
    wchar_t wide[600];
    size_t i = 0;
    for (; path[i] != '\0' && i + 1 < sizeof wide / sizeof wide[0]; ++i) wide[i] = (wchar_t)path[i];
    wide[i] = L'\0';
    return GenerateTexture(s->width, s->height, s->baseType, s->scale, s->octaves, s->persistence,
                           s->lacunarity, s->materialType, s->patternType, s->patternParam,
                           s->overlayType, s->overlayParam, s->overlayStrength, s->seed,
                           s->contrast, s->brightness, s->invert, s->seamless, s->normalStrength,
                           s->roughness, s->writeRoughness, s->writeMetallic, wide);
}

static int asked(const ProctexSettings* s, int map) {
    if (map == PROCTEX_MAP_ROUGHNESS) return s->writeRoughness == 1;
    if (map == PROCTEX_MAP_METALLIC) return s->writeMetallic == 1;
    return map <= PROCTEX_MAP_SPECULAR;
}

/* The map's pixels, encoded, against the file GenerateTexture wrote. */
static void compareMap(const char* label, const ProctexMaps* maps, int map, const char* file) {
    int width = 0, height = 0, channels = 0;
    const unsigned char* pixels = proctex_maps_pixels(maps, map, &width, &height, &channels);
    if (pixels == NULL) {
        FAIL("%s: map %d missing from the result", label, map);
        return;
    }
    unsigned char* png = NULL;
    size_t pngLength = 0;
    if (proctex_encode_png(pixels, width, height, channels, 0, &png, &pngLength) != PROCTEX_OK) {
        FAIL("%s: map %d could not be encoded", label, map);
        return;
    }
    size_t fileLength = 0;
    unsigned char* bytes = readFile(file, &fileLength);
    if (bytes == NULL) {
        FAIL("%s: %s was not written", label, file);
    } else if (fileLength != pngLength || memcmp(bytes, png, pngLength) != 0) {
        FAIL("%s: map %d differs from %s", label, map, file);
    }
    free(bytes);
    proctex_free(png);
}

/* proctex_save of the same result writes the same bytes under another name. */
static void compareSaved(const char* label, const ProctexMaps* maps, const char* base,
                         const ProctexSettings* s) {
    char savedBase[600], file[600], savedFile[600], reason[256];
    snprintf(savedBase, sizeof savedBase, "%s/saved.png", scratch);
    if (proctex_save(maps, savedBase, reason, sizeof reason) != PROCTEX_OK) {
        FAIL("%s: proctex_save failed: %s", label, reason);
        return;
    }
    for (int map = PROCTEX_MAP_DIFFUSE; map <= PROCTEX_MAP_METALLIC; ++map) {
        if (!asked(s, map)) continue;
        proctex_map_path(base, map, file, sizeof file);
        proctex_map_path(savedBase, map, savedFile, sizeof savedFile);
        size_t a = 0, b = 0;
        unsigned char* x = readFile(file, &a);
        unsigned char* y = readFile(savedFile, &b);
        if (x == NULL || y == NULL || a != b || memcmp(x, y, a) != 0) {
            FAIL("%s: proctex_save wrote another %s than GenerateTexture", label, savedFile);
        }
        free(x);
        free(y);
    }
    removeOutputs(savedBase);
}

/* The 16-bit height, encoded in memory, against the file proctex_save_files
 * writes for it. */
static void compareHeight16(const char* label, const ProctexSettings* s) {
    char base[600], file[600], reason[256];
    snprintf(base, sizeof base, "%s/h.png", scratch);
    ProctexMaps* maps = NULL;
    if (proctex_generate(s, PROCTEX_MAP_BIT(PROCTEX_MAP_HEIGHT16), &maps, reason, sizeof reason) !=
            PROCTEX_OK ||
        proctex_save_files(maps, base, 0, reason, sizeof reason) != PROCTEX_OK) {
        FAIL("%s: the 16-bit height could not be made: %s", label, reason);
        proctex_maps_free(maps);
        return;
    }
    int width = 0, height = 0;
    const unsigned short* samples = proctex_maps_height16(maps, &width, &height);
    unsigned char* png = NULL;
    size_t pngLength = 0, fileLength = 0;
    proctex_map_path(base, PROCTEX_MAP_HEIGHT16, file, sizeof file);
    unsigned char* bytes = readFile(file, &fileLength);
    if (proctex_encode_png16(samples, width, height, &png, &pngLength) != PROCTEX_OK) {
        FAIL("%s: the 16-bit height could not be encoded", label);
    } else if (bytes == NULL || fileLength != pngLength || memcmp(bytes, png, pngLength) != 0) {
        FAIL("%s: the encoded 16-bit height differs from %s", label, file);
    }
    free(bytes);
    proctex_free(png);
    remove(file);
    proctex_maps_free(maps);
}

static void checkOne(const char* label, const ProctexSettings* s) {
    char base[600], file[600], checkReason[256], generateReason[256];
    snprintf(base, sizeof base, "%s/m.png", scratch);
    removeOutputs(base);

    const int checked = proctex_settings_check(s, checkReason, sizeof checkReason);
    ProctexMaps* maps = NULL;
    const int generated =
        proctex_generate(s, PROCTEX_MAPS_AS_SETTINGS, &maps, generateReason, sizeof generateReason);
    const int written = callGenerateTexture(s, base);

    if (checked != PROCTEX_OK) {
        if (generated == PROCTEX_OK || maps != NULL) FAIL("%s: check refused, generate did not", label);
        if (strcmp(checkReason, generateReason) != 0 || checkReason[0] == '\0') {
            FAIL("%s: reasons differ or are empty: '%s' / '%s'", label, checkReason, generateReason);
        }
        if (written != 0) FAIL("%s: refused (%s) but GenerateTexture returned 1", label, checkReason);
        for (int map = PROCTEX_MAP_DIFFUSE; map <= PROCTEX_MAP_METALLIC; ++map) {
            proctex_map_path(base, map, file, sizeof file);
            if (fileExists(file)) FAIL("%s: refused but %s was written", label, file);
        }
        return;
    }
    if (generated != PROCTEX_OK) {
        FAIL("%s: check passed, generate failed: %s", label, generateReason);
        return;
    }
    if (written != 1) FAIL("%s: check passed, GenerateTexture returned 0", label);
    for (int map = PROCTEX_MAP_DIFFUSE; map <= PROCTEX_MAP_METALLIC; ++map) {
        proctex_map_path(base, map, file, sizeof file);
        if (asked(s, map)) {
            compareMap(label, maps, map, file);
        } else if (proctex_maps_pixels(maps, map, NULL, NULL, NULL) != NULL || fileExists(file)) {
            FAIL("%s: map %d exists though the settings do not ask for it", label, map);
        }
    }
    if (proctex_maps_height(maps, NULL, NULL) != NULL) FAIL("%s: height field not asked for", label);
    compareSaved(label, maps, base, s);
    proctex_maps_free(maps);
}

/* A small generator of our own, so the sweep is the same everywhere. */
static unsigned long long state = 0x9E3779B97F4A7C15ull;
static unsigned next(void) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return (unsigned)(state >> 33);
}
static int pick(int lo, int hi) { return lo + (int)(next() % (unsigned)(hi - lo + 1)); }
static float pickParam(void) {
    static const float edges[] = {0.0f, -0.0f, 1.0f, -3.0f, 0.5f, 0.49f, 2.9f, 1e-3f, 300.0f};
    switch (next() % 6) {
        case 0: return edges[next() % (sizeof edges / sizeof edges[0])];
        case 1: return next() % 2 ? NAN : (next() % 2 ? INFINITY : -INFINITY);
        default: return (float)pick(1, 4000) / 100.0f;
    }
}

static void randomSettings(ProctexSettings* s) {
    proctex_settings_init(s);
    s->pbr = 0; /* GenerateTexture's maps, which the files hold */
    s->width = next() % 20 == 0 ? pick(-2, 0) : pick(1, 72);
    s->height = next() % 20 == 0 ? pick(-2, 0) : pick(1, 56);
    s->baseType = pick(0, 2);
    s->scale = (float)pick(2, 64);
    s->octaves = pick(0, 6);
    s->persistence = (float)pick(2, 8) / 10.0f;
    s->lacunarity = (float)pick(15, 30) / 10.0f;
    s->materialType = pick(-1, 9);
    s->patternType = pick(0, 12); /* the structures from 13 are the settings API's alone */
    s->patternParam = pickParam();
    s->overlayType = pick(0, 5);
    s->overlayParam = pickParam();
    s->overlayStrength = pickParam();
    s->seed = (int)next();
    s->contrast = next() % 3 ? 1.0f : (float)pick(5, 20) / 10.0f;
    s->brightness = next() % 3 ? 0.0f : (float)pick(-3, 3) / 10.0f;
    s->invert = pick(0, 2);
    s->seamless = pick(0, 2);
    s->normalStrength = (float)pick(-8, 8);
    s->roughness = (float)pick(0, 10) / 10.0f;
    s->writeRoughness = pick(0, 2);
    s->writeMetallic = pick(0, 2);
    s->tileable = 0; /* GenerateTexture never tiles */
    s->units = PROCTEX_UNITS_PIXELS; /* and reads its sizes in pixels */
}

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: maps_match_files SCRATCH_DIR [SWEEP_COUNT]\n");
        return 2;
    }
    scratch = argv[1];
    const int sweep = argc > 2 ? atoi(argv[2]) : 300;
    char label[64];
    for (int i = 0; i < proctex_preset_count(); ++i) {
        /* The preset as a caller of the first struct gets it: the look made
         * of GenerateTexture's own kinds. */
        ProctexSettings s;
        proctex_settings_init(&s);
        const size_t firstSize = offsetof(ProctexSettings, aoRadius);
        if (proctex_preset_settings(proctex_preset_name(i), &s, firstSize) != PROCTEX_OK) {
            FAIL("preset %s cannot be read", proctex_preset_name(i));
            continue;
        }
        s.size = sizeof s;
        s.pbr = 0;            /* GenerateTexture's maps, which the files hold, */
        s.colorStopCount = 0; /* no ramp of the caller's */
        s.tileable = 0;       /* and no tiling: it has neither */
        s.units = PROCTEX_UNITS_PIXELS;
        checkOne(proctex_preset_name(i), &s);
        compareHeight16(proctex_preset_name(i), &s);
    }
    int refused = 0;
    for (int i = 0; i < sweep; ++i) {
        ProctexSettings s;
        randomSettings(&s);
        snprintf(label, sizeof label, "sweep item %d", i);
        refused += proctex_settings_check(&s, NULL, 0) != PROCTEX_OK;
        checkOne(label, &s);
    }
    /* The sweep must exercise both sides of the rules to prove anything. */
    if (refused == 0 || refused == sweep) FAIL("the sweep refused %d of %d settings", refused, sweep);
    printf("%d presets and %d random settings (%d refused): %d differences\n",
           proctex_preset_count(), sweep, refused, failures);
    return failures == 0 ? 0 : 1;
}
