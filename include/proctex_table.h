/*
 * proctex: the option table: every setting and every map, described once.
 * Part of <proctex.h>; include that header, not this one.
 */
#ifndef PROCTEX_TABLE_H
#define PROCTEX_TABLE_H

#ifndef PROCTEX_H
#error "include <proctex.h>"
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ======================================================================
 * The option table: every setting and every map, described once.
 *
 * Front ends (the command line, manifests, the studio, Python, the Blender
 * add-on) build their options, help, sliders, named choices, starting
 * values and map lists from these descriptions instead of keeping copies:
 *
 *   for (int i = 0; i < proctex_option_count(); ++i) {
 *       ProctexOptionInfo o;
 *       o.size = sizeof o;
 *       proctex_option_info(i, &o);
 *       printf("--%s  %s (default %g)\n", o.name, o.help, o.defaultValue);
 *   }
 *
 * The descriptions are constant for the life of the library; their strings
 * are static. Like ProctexSettings, each info struct starts with its size
 * (the caller's sizeof): later versions only add members at the end, and
 * the library fills only what the caller's size covers.
 * ====================================================================== */

/* A reason buffer of this size always holds a whole reason (paths in
 * reasons are at most 511 bytes). */
#define PROCTEX_REASON_SIZE 1024

/* Kinds of option. */
#define PROCTEX_KIND_INTEGER 0 /* an int member */
#define PROCTEX_KIND_NUMBER 1  /* a float member */
#define PROCTEX_KIND_FLAG 2    /* an int member that is 1 (on) or 0 (off) */
#define PROCTEX_KIND_CHOICE 3  /* an int member holding a type code (see choices) */
#define PROCTEX_KIND_COLORS 4  /* the colour ramp: colorStopCount and colorStops (offset is
                                  where the pair begins), read and written as text with
                                  proctex_colors_parse / _text; limitMax is the most stops */
#define PROCTEX_KIND_LAYERS 5  /* the layers: layerCount, layers and layerPalette (offset
                                  is where they begin), read and written as text with
                                  proctex_layers_parse / _text; limitMax is the most layers */
#define PROCTEX_KIND_COLOR 6   /* three float members, sRGB 0..1 (a layer's colours), written
                                  #rrggbb in text; defaultValue is the default's red */

/* A named value of a choice option: the header's constant name without its
 * prefix, lower case with '-' ("egg-crate" for PROCTEX_PATTERN_EGG_CRATE).
 * Front ends accept the name case-insensitively with '-' or '_', and the
 * number. Choosing the value alone (without the options in start) gives
 * those options their starting values: values that read clearly at 512 x 512. */
typedef struct ProctexChoice {
    int value;
    const char* name;
    const char* label;           /* a few words for menus: "egg crate" */
    int startCount;              /* 0..2 */
    const char* startOption[2];  /* option names, e.g. "pattern-param" */
    float startValue[2];
} ProctexChoice;

typedef struct ProctexOptionInfo {
    size_t size;          /* sizeof(ProctexOptionInfo), set by the caller */
    const char* name;     /* the command line's long name: "pattern-param";
                             manifests use it too, Python with '_' for '-' */
    const char* member;   /* the ProctexSettings member: "patternParam" */
    int kind;             /* PROCTEX_KIND_... */
    size_t offset;        /* offsetof(ProctexSettings, member) */
    double defaultValue;  /* what proctex_settings_init gives */
    double usefulMin;     /* the range sliders cover */
    double usefulMax;
    double step;          /* a slider's step */
    double limitMin;      /* the values front ends accept; anything else (and */
    double limitMax;      /* any NaN or infinity) is a usage error */
    const char* help;     /* one line */
    const char* group;    /* "size", "noise", "shape", "colour", "maps", "physical", "material" */
    int choiceCount;      /* PROCTEX_KIND_CHOICE: the named values */
    const ProctexChoice* choices;
    /* Added in 0.3 (a caller's struct may end before it): */
    double workMax;       /* the most a front end rendering on request (the studio)
                             accepts: beyond it one render's work grows with no
                             change worth waiting for (size, octaves, occlusion
                             radius, scratches); limitMax for the other options */
    /* Added after workMax: */
    int usedWithOption;   /* -1: the option always counts. Otherwise it changes
                             the maps only while option usedWithOption holds
                             usedWithValue (normal-strength: only with pbr 0,
                             where heightRange is the bump's knob), and front
                             ends show it only then */
    int usedWithValue;
} ProctexOptionInfo;

/* The number of options; indexes run from 0, in the struct's order. */
PROCTEX_API int PROCTEX_CALL proctex_option_count(void);

/* Fills *info (info->size set by the caller) for option `index`.
 * PROCTEX_ERROR_ARGUMENT for an index outside 0 .. count - 1, a null
 * pointer or a size below the first version of the struct. */
PROCTEX_API int PROCTEX_CALL proctex_option_info(int index, ProctexOptionInfo* info);

/* The index of an option by its name ("pattern-param", "pattern_param") or
 * its member ("patternParam"); -1 when there is none. */
PROCTEX_API int PROCTEX_CALL proctex_option_find(const char* name);

/* The keys of a layer (see "Layers" in proctex_settings.h), described like
 * the options: name is the key of the layers' text ("noise-scale"), member
 * the ProctexLayer member, offset its offsetof in ProctexLayer. The palette
 * key, kept beside the layers, has member "layerPalette" and offset
 * (size_t)-1: it lives in ProctexSettings.layerPalette[layer]. Kinds are
 * NUMBER, INTEGER, FLAG, CHOICE (masks, combines, metal types, palettes)
 * and COLOR. Front ends build a layer's editor from these rows and hand the
 * library the text. */
PROCTEX_API int PROCTEX_CALL proctex_layer_option_count(void);
PROCTEX_API int PROCTEX_CALL proctex_layer_option_info(int index, ProctexOptionInfo* info);

/* The code of a choice option's value given as a name (case-insensitive,
 * '-' or '_') or as a whole number that is one of its codes. PROCTEX_OK and
 * *value set, or PROCTEX_ERROR_SETTINGS when the text names no value (then
 * *value is untouched). */
PROCTEX_API int PROCTEX_CALL proctex_choice_parse(int option, const char* text, int* value);

/*
 * proctex_settings_check, and when the refusal is about one option, its
 * index in the table in *option (-1 otherwise, or when the settings are
 * accepted). option may be null.
 */
PROCTEX_API int PROCTEX_CALL proctex_settings_refusal(const ProctexSettings* settings,
                                                      int* option, char* reason, size_t size);

/*
 * The colour ramp as text, as every front end takes it: one to eight stops
 * "#rrggbb@position", positions from 0 to 1 and rising, separated by commas
 * ("#2b1d0e@0,#8a5a2b@0.6,#d9b38c@1").
 *
 * proctex_colors_parse sets the stops in *settings and chooses
 * PROCTEX_MATERIAL_CUSTOM; an empty text clears the ramp and leaves the
 * material. PROCTEX_ERROR_SETTINGS with the reason when the text is not a
 * ramp (then *settings is untouched); PROCTEX_ERROR_ARGUMENT for null text
 * or settings.
 *
 * proctex_colors_text writes the ramp of *settings as that text ("" without
 * stops), cut to size - 1 bytes and always terminated when size > 0; it
 * returns the length of the whole text. PROCTEX_COLORS_TEXT_SIZE always
 * holds it.
 */
#define PROCTEX_COLORS_TEXT_SIZE 256
PROCTEX_API int PROCTEX_CALL proctex_colors_parse(const char* text, ProctexSettings* settings,
                                                  char* reason, size_t size);
PROCTEX_API size_t PROCTEX_CALL proctex_colors_text(const ProctexSettings* settings, char* text,
                                                    size_t size);

typedef struct ProctexMapInfo {
    size_t size;         /* sizeof(ProctexMapInfo), set by the caller */
    int map;             /* PROCTEX_MAP_... */
    const char* name;    /* "diffuse", "normal-gl"; Python: '_' for '-' */
    const char* suffix;  /* the file suffix after <base>: "_diff.png"; "" for
                            the float height, which has no file of its own */
    int channels;        /* 1, 3 or 4; the diffuse map: 3 (1 for grey materials) */
    int bitDepth;        /* 8 or 16 bits per channel; 32 for the float height */
    int srgb;            /* 1: colour (sRGB); 0: data (linear) */
    int legacy;          /* 1: a map GenerateTexture writes */
    const char* help;    /* one line */
} ProctexMapInfo;

/*
 * Naming conventions: the file names other tools look for ("unreal" names
 * the diffuse map <base>_BaseColor.png). Conventions are numbered from 0;
 * 0 is "proctex", our own names (the map table's suffixes).
 */
PROCTEX_API int PROCTEX_CALL proctex_naming_count(void);
/* The convention's name ("unreal") and a line of help; null outside 0 .. count - 1. */
PROCTEX_API const char* PROCTEX_CALL proctex_naming_name(int convention);
PROCTEX_API const char* PROCTEX_CALL proctex_naming_help(int convention);
/* The suffix the convention gives map number `map`, without ".png"
 * ("_BaseColor"); null where it keeps ours or has none, and outside the ranges. */
PROCTEX_API const char* PROCTEX_CALL proctex_naming_suffix(int convention, int map);

/* The number of maps (map numbers run from 0). */
PROCTEX_API int PROCTEX_CALL proctex_map_count(void);

/* Fills *info for map number `map`; PROCTEX_ERROR_ARGUMENT as above. */
PROCTEX_API int PROCTEX_CALL proctex_map_info(int map, ProctexMapInfo* info);

#ifdef __cplusplus
}
#endif

#endif /* PROCTEX_TABLE_H */
