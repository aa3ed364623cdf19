#include "options.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <filesystem>
#include <memory>

#include "platform.h"
#include "sidecar.h"

namespace proctex::cli {

namespace {

using S = ProctexSettings;

constexpr std::array<Field, 26> kFields = {{
    {"width", "Image width in pixels", &S::width},
    {"height", "Image height in pixels", &S::height},
    {"base", "1: single-octave noise; other: fractal", &S::baseType},
    {"scale", "Pixels per noise cell", &S::scale},
    {"octaves", "Noise layers of the fractal base", &S::octaves},
    {"persistence", "Weight factor per octave", &S::persistence},
    {"lacunarity", "Frequency factor per octave", &S::lacunarity},
    {"material", "1/8 grey, 2 wood, 3 marble, 4 stone, 5 green, 6 blue, 7 lava, other b/w",
     &S::materialType},
    {"pattern",
     "2 rings, 3 grooves, 4 tone curve, 5 damped extremes, 6 cells, 7 brushed, 8 discs, "
     "9 checker, 10 knots, 11 diamonds, 12 egg crate; other: none",
     &S::patternType},
    {"pattern-param", "Parameter of the pattern", &S::patternParam},
    {"overlay", "1 veins, 2 bricks, 3 planks, 4 scratches; other: none", &S::overlayType},
    {"overlay-param", "Vein scale, brick width, plank length or scratch count", &S::overlayParam},
    {"overlay-strength", "Vein/scratch depth, brick height, plank grain when > 0.5",
     &S::overlayStrength},
    {"seed", "Random seed", &S::seed},
    {"contrast", "Diffuse contrast (1 = unchanged)", &S::contrast},
    {"brightness", "Diffuse brightness offset (0 = unchanged)", &S::brightness},
    {"invert", "1 inverts the diffuse tones", &S::invert},
    {"seamless", "1 tileable; any non-zero value wraps the normal map", &S::seamless},
    {"normal-strength", "Slope factor of the normal map", &S::normalStrength},
    {"roughness", "Roughness parameter, 0..1", &S::roughness},
    {"roughness-map", "1 writes the roughness map", &S::writeRoughness},
    {"metallic-map", "1 writes the metallic map", &S::writeMetallic},
    {"ao-radius", "Ambient occlusion: pixels searched around each pixel, 0..256", &S::aoRadius},
    {"ao-strength", "Ambient occlusion: darkening, 0..16", &S::aoStrength},
    {"tile-size", "Metres one tile covers (recorded for importers; 0: not given)", &S::tileSize},
    {"height-range", "Metres between height 0 and 1 (recorded; 0: not given)", &S::heightRange},
}};

// Long enough for a reason naming a 511-byte path.
constexpr std::size_t kReasonSize = 1024;

struct MapsDeleter {
    void operator()(ProctexMaps* maps) const { proctex_maps_free(maps); }
};
using MapsPtr = std::unique_ptr<ProctexMaps, MapsDeleter>;

}  // namespace

ProctexSettings defaultSettings() {
    ProctexSettings settings;
    proctex_settings_init(&settings);
    return settings;
}

std::span<const Field> fields() {
    return kFields;
}

const Field* findField(std::string_view name) {
    std::string dashed(name);
    for (char& c : dashed) {
        if (c == '_') c = '-';
    }
    for (const Field& f : kFields) {
        if (dashed == f.name) return &f;
    }
    return nullptr;
}

void copyField(const Field& field, const ProctexSettings& from, ProctexSettings& to) {
    std::visit([&](auto member) { to.*member = from.*member; }, field.member);
}

std::string fieldText(const Field& field, const ProctexSettings& settings) {
    char buffer[32];
    const auto end = std::visit(
        [&](auto member) {
            // Shortest text that reads back as the same value.
            return std::to_chars(buffer, buffer + sizeof buffer, settings.*member).ptr;
        },
        field.member);
    return std::string(buffer, end);
}

bool isFlag(const Field& field) {
    const std::string_view name = field.name;
    return name == "invert" || name == "seamless" || name == "roughness-map" ||
           name == "metallic-map";
}

const Field* fieldNamedIn(std::string_view reason) {
    // The member names the library's reasons use, where the option differs.
    static constexpr std::pair<std::string_view, std::string_view> kRenamed[] = {
        {"baseType", "base"},
        {"materialType", "material"},
        {"patternType", "pattern"},
        {"overlayType", "overlay"},
        {"writeRoughness", "roughness-map"},
        {"writeMetallic", "metallic-map"},
    };
    const std::string_view word = reason.substr(0, reason.find(' '));
    for (const auto& [member, option] : kRenamed) {
        if (word == member) return findField(option);
    }
    std::string dashed;
    for (char c : word) {
        if (c >= 'A' && c <= 'Z') {
            dashed += '-';
            c = static_cast<char>(c - 'A' + 'a');
        }
        dashed += c;
    }
    return findField(dashed);
}

std::string outputPathProblem(const std::string& output, bool singleFile) {
    if (output.empty()) return "the output path is empty";
    std::error_code ec;
    if (std::filesystem::is_directory(pathFromUtf8(output), ec)) {
        return "the output " + output + " is a folder; name the files, e.g. " +
               utf8FromPath(pathFromUtf8(output) / "stone.png");
    }
    const bool png = output.size() > 4 && output.compare(output.size() - 4, 4, ".png") == 0;
    if (!png && !singleFile) {
        return "the output " + output +
               " does not end in .png (lower case): every map would overwrite that one file; name "
               "it like "
               "out/stone.png (maps go to out/stone_diff.png, ...), or give --single-file";
    }
    return {};
}

std::string createOutputFolder(const std::string& output) {
    const std::filesystem::path dir = pathFromUtf8(output).parent_path();
    std::error_code ec;
    if (!dir.empty()) std::filesystem::create_directories(dir, ec);
    if (ec) return "cannot create the folder " + utf8FromPath(dir) + ": " + ec.message();
    return {};
}

std::string outputProblem(const std::string& output) {
    if (output.empty()) return "the output path is empty";
    const std::filesystem::path dir = pathFromUtf8(output).parent_path();
    std::error_code ec;
    if (!dir.empty() && !std::filesystem::is_directory(dir, ec)) {
        return "output directory '" + utf8FromPath(dir) + "' does not exist";
    }
    return {};
}

std::string mapPath(const std::string& output, int map) {
    // The name is the path with a suffix of at most 10 bytes put in its place.
    std::string name(output.size() + 16, '\0');
    if (proctex_map_path(output.c_str(), map, name.data(), name.size()) != PROCTEX_OK) return {};
    name.resize(name.find('\0'));
    return name;
}

namespace {

constexpr ExtraOutput kExtraOutputs[] = {
    {"height16", "Also write <base>_height.png, the height as 16-bit grey", PROCTEX_MAP_HEIGHT16,
     0},
    {"ao", "Also write <base>_ao.png, ambient occlusion (see --ao-radius, --ao-strength)",
     PROCTEX_MAP_AO, 0},
    {"opengl-normal", "Also write <base>_nmap_gl.png, the normal map with green up (OpenGL)",
     PROCTEX_MAP_NORMAL_GL, 0},
    {"orm", "Also write <base>_orm.png: occlusion, roughness, metallic in R, G, B", PROCTEX_MAP_ORM,
     0},
    {"gltf", "Also write <base>.gltf (+ .bin): a glTF material on a preview sphere", -1,
     PROCTEX_SAVE_GLTF},
    {"glb", "Also write <base>.glb: the glTF material in one file, images inside", -1,
     PROCTEX_SAVE_GLB},
    {"sidecar", "Also write <base>.json: every setting and each file's size and SHA-256", -1, 0},
};

}  // namespace

// The suffixes each convention's users look for, the normal map's convention
// always in its name. Maps: diffuse, normal (ours: DirectX), specular,
// roughness, metallic, -, 16-bit height, occlusion, OpenGL normal, ORM.
constexpr NamingConvention kConventions[] = {
    {"proctex", {}},
    {"ambientcg",
     {"_Color", "_NormalDX", nullptr, "_Roughness", "_Metalness", nullptr, "_Displacement",
      "_AmbientOcclusion", "_NormalGL", nullptr}},
    {"unreal",
     {"_BaseColor", "_Normal_DX", nullptr, "_Roughness", "_Metallic", nullptr, "_Height",
      "_AmbientOcclusion", nullptr, "_ORM"}},
    {"unity",
     {"_Albedo", nullptr, nullptr, "_Roughness", "_Metallic", nullptr, "_Height", "_Occlusion",
      "_Normal_GL", nullptr}},
    {"godot",
     {"_albedo", nullptr, nullptr, "_roughness", "_metallic", nullptr, "_height", "_ao",
      "_normal_gl", "_orm"}},
};

std::span<const NamingConvention> namingConventions() {
    return kConventions;
}

const NamingConvention* findNamingConvention(std::string_view name) {
    for (const NamingConvention& c : kConventions) {
        if (name == c.name) return &c;
    }
    return nullptr;
}

std::span<const ExtraOutput> extraOutputs() {
    return kExtraOutputs;
}

const ExtraOutput* findExtraOutput(std::string_view name) {
    std::string dashed(name);
    std::replace(dashed.begin(), dashed.end(), '_', '-');
    for (const ExtraOutput& e : kExtraOutputs) {
        if (dashed == e.name) return &e;
    }
    return nullptr;
}

bool extraOutputIsSet(const ExtraOutput& extra, const Options& o) {
    if (extra.map >= 0) return (o.extraMaps & PROCTEX_MAP_BIT(extra.map)) != 0;
    if (extra.saveFlag != 0) return (o.saveFlags & extra.saveFlag) != 0;
    return o.sidecar;
}

void setExtraOutput(const ExtraOutput& extra, bool on, Options& o) {
    auto setBits = [on](unsigned& bits, unsigned mask) { bits = on ? bits | mask : bits & ~mask; };
    if (extra.map >= 0) {
        setBits(o.extraMaps, PROCTEX_MAP_BIT(extra.map));
    } else if (extra.saveFlag != 0) {
        setBits(o.saveFlags, extra.saveFlag);
    } else {
        o.sidecar = on;
    }
}

void setSmallFiles(bool small, Options& o) {
    o.saveFlags = small ? o.saveFlags | PROCTEX_SAVE_SMALL : o.saveFlags & ~PROCTEX_SAVE_SMALL;
}

bool smallFiles(const Options& o) {
    return (o.saveFlags & PROCTEX_SAVE_SMALL) != 0;
}

unsigned mapsToMake(const Options& o) {
    unsigned maps = PROCTEX_MAP_BIT(PROCTEX_MAP_DIFFUSE) | PROCTEX_MAP_BIT(PROCTEX_MAP_NORMAL) |
                    PROCTEX_MAP_BIT(PROCTEX_MAP_SPECULAR);
    if (o.writeRoughness == 1) maps |= PROCTEX_MAP_BIT(PROCTEX_MAP_ROUGHNESS);
    if (o.writeMetallic == 1) maps |= PROCTEX_MAP_BIT(PROCTEX_MAP_METALLIC);
    // The glTF material is made of the diffuse, OpenGL normal and ORM images.
    if ((o.saveFlags & (PROCTEX_SAVE_GLTF | PROCTEX_SAVE_GLB)) != 0) {
        maps |= PROCTEX_MAP_BIT(PROCTEX_MAP_NORMAL_GL) | PROCTEX_MAP_BIT(PROCTEX_MAP_ORM);
    }
    // A naming convention brings the extra maps its users expect.
    if (const NamingConvention* c = findNamingConvention(o.naming)) {
        for (int map = PROCTEX_MAP_HEIGHT16; map <= PROCTEX_MAP_ORM; ++map) {
            if (c->suffix[map] != nullptr) maps |= PROCTEX_MAP_BIT(map);
        }
    }
    return maps | o.extraMaps;
}

namespace {

// The name the glTF files and the sidecar take: the output up to its last ".png".
std::string gltfBase(const std::string& output) {
    const std::size_t k = output.rfind(".png");
    return k == std::string::npos ? output : output.substr(0, k);
}

}  // namespace

std::vector<std::pair<std::string, std::string>> conventionCopies(const Options& o) {
    std::vector<std::pair<std::string, std::string>> copies;
    const NamingConvention* c = findNamingConvention(o.naming);
    if (c == nullptr || o.output.rfind(".png") == std::string::npos) return copies;
    const unsigned maps = mapsToMake(o);
    for (int map = PROCTEX_MAP_DIFFUSE; map <= PROCTEX_MAP_ORM; ++map) {
        if (c->suffix[map] == nullptr || (maps & PROCTEX_MAP_BIT(map)) == 0) continue;
        std::string from = mapPath(o.output, map);
        std::string copy = gltfBase(o.output) + c->suffix[map] + ".png";
        if (copy != from) copies.emplace_back(std::move(from), std::move(copy));  // same name: ours
    }
    return copies;
}

std::string sidecarPath(const std::string& output) {
    return gltfBase(output) + ".json";
}

std::vector<std::string> outputFiles(const Options& o) {
    std::vector<std::string> paths;
    auto add = [&](int map) {
        std::string p = mapPath(o.output, map);
        for (const auto& seen : paths) {
            if (seen == p) return;  // a path without ".png" takes every image
        }
        paths.push_back(std::move(p));
    };
    const unsigned maps = mapsToMake(o);
    for (int map : {PROCTEX_MAP_DIFFUSE, PROCTEX_MAP_NORMAL, PROCTEX_MAP_SPECULAR,
                    PROCTEX_MAP_ROUGHNESS, PROCTEX_MAP_METALLIC, PROCTEX_MAP_HEIGHT16,
                    PROCTEX_MAP_AO, PROCTEX_MAP_NORMAL_GL, PROCTEX_MAP_ORM}) {
        if ((maps & PROCTEX_MAP_BIT(map)) != 0) add(map);
    }
    if ((o.saveFlags & PROCTEX_SAVE_GLTF) != 0) {
        paths.push_back(gltfBase(o.output) + ".bin");
        paths.push_back(gltfBase(o.output) + ".gltf");
    }
    if ((o.saveFlags & PROCTEX_SAVE_GLB) != 0) paths.push_back(gltfBase(o.output) + ".glb");
    for (auto& copy : conventionCopies(o)) paths.push_back(std::move(copy.second));
    return paths;
}

Outcome generate(const Options& o) {
    Outcome outcome;
    char reason[kReasonSize] = "";
    if (proctex_settings_check(&o, reason, sizeof reason) != PROCTEX_OK) {
        outcome.refused = true;
        outcome.error = reason;
        return outcome;
    }
    outcome.error = outputProblem(o.output);
    if (!outcome.error.empty()) {
        outcome.refused = true;
        return outcome;
    }

    ProctexMaps* computed = nullptr;
    if (proctex_generate(&o, mapsToMake(o), &computed, reason, sizeof reason) != PROCTEX_OK) {
        outcome.error = reason;
        return outcome;
    }
    const MapsPtr maps(computed);
    std::string fileName;
    if (!libraryFileName(o.output, fileName)) {
        outcome.error =
            "the output " + o.output + " has characters this system's code page cannot name";
        return outcome;
    }
    outcome.ok = proctex_save_files(maps.get(), fileName.c_str(), o.saveFlags, reason,
                                    sizeof reason) == PROCTEX_OK;
    if (!outcome.ok) outcome.error = reason;
    for (const auto& [from, copy] : conventionCopies(o)) {
        if (!outcome.ok) break;
        std::error_code ec;
        // A name that differs only in case is the same file on Windows
        // (_height and _Height): it is already there.
        if (std::filesystem::equivalent(pathFromUtf8(from), pathFromUtf8(copy), ec)) continue;
        std::filesystem::copy_file(pathFromUtf8(from), pathFromUtf8(copy),
                                   std::filesystem::copy_options::overwrite_existing, ec);
        if (ec) {
            outcome.ok = false;
            outcome.error = "could not write " + copy + " (" + ec.message() + ")";
        }
    }
    for (auto& f : outputFiles(o)) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(pathFromUtf8(f), ec))
            outcome.files.push_back(std::move(f));
    }
    if (outcome.ok && o.sidecar) {
        const std::string record = sidecarPath(o.output);
        outcome.ok = writeSidecar(record, o, outcome.files);
        if (outcome.ok) {
            outcome.files.push_back(record);
        } else {
            outcome.error = "could not write " + record;
        }
    }
    return outcome;
}

}  // namespace proctex::cli
