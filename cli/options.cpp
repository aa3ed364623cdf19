#include "options.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <system_error>

#include "file_write.h"
#include "platform.h"
#include "render_progress.h"
#include "sidecar.h"

namespace proctex::cli {

namespace {

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

std::string outputPathProblem(const std::string& output, bool singleFile) {
    if (output.empty()) return "the output path is empty";
    for (const char c : output) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            return "the output path holds a control character (byte " + std::to_string(byte) +
                   "); name the files with printable characters";
        }
    }
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

// The library's extra maps (those GenerateTexture never writes), then the
// files of our own.
std::vector<ExtraOutput> readExtraOutputs() {
    std::vector<ExtraOutput> extras;
    for (int map = 0; map < proctex_map_count(); ++map) {
        const ProctexMapInfo info = mapInfo(map);
        if (info.legacy != 0 || info.suffix == nullptr || info.suffix[0] == '\0') continue;
        extras.push_back(
            {info.name, std::string("Also write <base>") + info.suffix + ": " + info.help, map, 0});
    }
    extras.push_back({"gltf",
                      "Also write <base>.gltf (+ .bin): a glTF material on a preview sphere", -1,
                      PROCTEX_SAVE_GLTF});
    extras.push_back({"glb", "Also write <base>.glb: the glTF material in one file, images inside",
                      -1, PROCTEX_SAVE_GLB});
    extras.push_back({"sidecar",
                      "Also write <base>.json: every setting and each file's size and SHA-256", -1,
                      0});
    return extras;
}

}  // namespace

std::span<const NamingConvention> namingConventions() {
    static const std::vector<NamingConvention> conventions = [] {
        std::vector<NamingConvention> read;
        for (int i = 0; i < proctex_naming_count(); ++i) {
            NamingConvention c{proctex_naming_name(i), proctex_naming_help(i), {}};
            for (int map = 0; map < proctex_map_count(); ++map) {
                c.suffix.push_back(proctex_naming_suffix(i, map));
            }
            read.push_back(std::move(c));
        }
        return read;
    }();
    return conventions;
}

const NamingConvention* findNamingConvention(std::string_view name) {
    for (const NamingConvention& c : namingConventions()) {
        if (name == c.name) return &c;
    }
    return nullptr;
}

std::span<const ExtraOutput> extraOutputs() {
    static const std::vector<ExtraOutput> extras = readExtraOutputs();
    return extras;
}

const ExtraOutput* findExtraOutput(std::string_view name) {
    std::string dashed(name);
    std::replace(dashed.begin(), dashed.end(), '_', '-');
    // The name the OpenGL normal had before the maps were named by the library.
    if (dashed == "opengl-normal") dashed = mapInfo(PROCTEX_MAP_NORMAL_GL).name;
    for (const ExtraOutput& e : extraOutputs()) {
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
    // The glTF material is made of the diffuse, OpenGL normal and ORM images,
    // and the glow of a material that has one.
    if ((o.saveFlags & (PROCTEX_SAVE_GLTF | PROCTEX_SAVE_GLB)) != 0) {
        maps |= PROCTEX_MAP_BIT(PROCTEX_MAP_NORMAL_GL) | PROCTEX_MAP_BIT(PROCTEX_MAP_ORM);
        if (glows(o)) maps |= PROCTEX_MAP_BIT(PROCTEX_MAP_EMISSIVE);
    }
    // A naming convention brings the extra maps its users expect.
    if (const NamingConvention* c = findNamingConvention(o.naming)) {
        for (int map = PROCTEX_MAP_HEIGHT16; map < static_cast<int>(c->suffix.size()); ++map) {
            if (c->suffix[map] == nullptr) continue;
            if (map != PROCTEX_MAP_EMISSIVE || glows(o)) maps |= PROCTEX_MAP_BIT(map);
        }
    }
    maps |= o.extraMaps;
    // The library makes no glow for a material without one: no file either.
    if (!glows(o)) maps &= ~PROCTEX_MAP_BIT(PROCTEX_MAP_EMISSIVE);
    return maps;
}

bool glows(const ProctexSettings& s) {
    return s.pbr == 1 && s.emission > 0.0f;
}

namespace {

// The name the glTF files and the sidecar take: the output up to its last ".png".
std::string gltfBase(const std::string& output) {
    const std::size_t k = output.rfind(".png");
    return k == std::string::npos ? output : output.substr(0, k);
}

}  // namespace

namespace {

struct ConventionName {
    int map;
    std::string ours, theirs;
};

std::vector<ConventionName> conventionNames(const Options& o) {
    std::vector<ConventionName> names;
    const NamingConvention* c = findNamingConvention(o.naming);
    if (c == nullptr || o.output.rfind(".png") == std::string::npos) return names;
    const unsigned maps = mapsToMake(o);
    for (int map = PROCTEX_MAP_DIFFUSE; map < static_cast<int>(c->suffix.size()); ++map) {
        if (c->suffix[map] == nullptr || (maps & PROCTEX_MAP_BIT(map)) == 0) continue;
        std::string ours = mapPath(o.output, map);
        std::string theirs = gltfBase(o.output) + c->suffix[map] + ".png";
        if (theirs != ours) names.push_back({map, std::move(ours), std::move(theirs)});
    }
    return names;
}

// A .gltf names our files of its images, which must then stay.
bool gltfNames(const Options& o, int map) {
    return (o.saveFlags & PROCTEX_SAVE_GLTF) != 0 &&
           (map == PROCTEX_MAP_DIFFUSE || map == PROCTEX_MAP_NORMAL_GL || map == PROCTEX_MAP_ORM ||
            map == PROCTEX_MAP_EMISSIVE);
}

}  // namespace

std::vector<std::pair<std::string, std::string>> conventionCopies(const Options& o) {
    std::vector<std::pair<std::string, std::string>> copies;
    for (ConventionName& n : conventionNames(o)) {
        copies.emplace_back(std::move(n.ours), std::move(n.theirs));
    }
    return copies;
}

bool conventionKeepsOurs(const Options& o, const std::string& ours) {
    for (const ConventionName& n : conventionNames(o)) {
        if (n.ours == ours) return gltfNames(o, n.map);
    }
    return true;
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
    // In the library's writing order: the table's order, skipping the float height.
    for (int map = 0; map < proctex_map_count(); ++map) {
        if ((maps & PROCTEX_MAP_BIT(map)) != 0 && map != PROCTEX_MAP_HEIGHT) add(map);
    }
    // Maps a convention names go under its names only.
    std::erase_if(paths, [&o](const std::string& p) { return !conventionKeepsOurs(o, p); });
    if ((o.saveFlags & PROCTEX_SAVE_GLTF) != 0) {
        paths.push_back(gltfBase(o.output) + ".bin");
        paths.push_back(gltfBase(o.output) + ".gltf");
    }
    if ((o.saveFlags & PROCTEX_SAVE_GLB) != 0) paths.push_back(gltfBase(o.output) + ".glb");
    for (auto& copy : conventionCopies(o)) paths.push_back(std::move(copy.second));
    return paths;
}

namespace {

constexpr std::size_t kLongestName = 255;

bool reservedOnWindows(std::string_view part) {
    // The device is meant whatever follows its name after a dot or spaces.
    part = part.substr(0, part.find('.'));
    while (!part.empty() && part.back() == ' ') part.remove_suffix(1);
    std::string upper(part);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL") return true;
    return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) &&
           upper[3] >= '1' && upper[3] <= '9';
}

// UTF-16 units of UTF-8 text: one per character, two past U+FFFF.
std::size_t utf16Length(std::string_view text) {
    std::size_t units = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) != 0x80) units += byte >= 0xF0 ? 2 : 1;
    }
    return units;
}

}  // namespace

std::string fileNameProblem(const std::string& path, bool windowsRules) {
    std::string_view rest = path;
    if (windowsRules) {
        if (rest.starts_with("\\\\?\\")) rest.remove_prefix(4);  // \\?\ long-path prefix
        const bool drive =
            rest.size() >= 2 && rest[1] == ':' &&
            ((rest[0] >= 'A' && rest[0] <= 'Z') || (rest[0] >= 'a' && rest[0] <= 'z'));
        if (drive) rest.remove_prefix(2);
    }
    const char* separators = windowsRules ? "/\\" : "/";
    while (!rest.empty()) {
        const std::size_t end = rest.find_first_of(separators);
        const std::string_view part = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (part.empty() || part == "." || part == "..") continue;
        const std::size_t length = windowsRules ? utf16Length(part) : part.size();
        if (length > kLongestName) {
            return "the name " + std::string(part.substr(0, 40)) + "... (" +
                   std::to_string(length) + ") is longer than the " + std::to_string(kLongestName) +
                   " a file name may be";
        }
        if (!windowsRules) continue;
        if (const std::size_t bad = part.find_first_of(":<>\"|?*"); bad != std::string::npos) {
            return "'" + std::string(part) + "' holds '" + part[bad] +
                   "', which Windows does not take in a file name";
        }
        if (reservedOnWindows(part)) {
            return "'" + std::string(part) + "' is a device on Windows, not a file";
        }
    }
    return {};
}

std::vector<std::string> itemFiles(const Options& o) {
    std::vector<std::string> files = outputFiles(o);
    if (o.sidecar) files.push_back(sidecarPath(o.output));
    return files;
}

std::string setNameProblem(const Options& o, bool windowsRules) {
    for (const std::string& file : itemFiles(o)) {
        if (std::string problem = fileNameProblem(file, windowsRules); !problem.empty()) {
            return "cannot write " + file + ": " + problem;
        }
    }
    return {};
}

Outcome generate(const Options& o, RenderProgress* progress) {
    Outcome outcome;
    char reason[PROCTEX_REASON_SIZE] = "";
    if (proctex_settings_check(&o, reason, sizeof reason) != PROCTEX_OK) {
        outcome.refused = true;
        outcome.error = reason;
        return outcome;
    }
    outcome.error = outputProblem(o.output);
    if (outcome.error.empty()) outcome.error = setNameProblem(o);
    if (!outcome.error.empty()) {
        outcome.refused = true;
        return outcome;
    }

    ProctexProgress callback = progress != nullptr ? RenderProgress::callback : nullptr;
    ProctexMaps* computed = nullptr;
    if (progress != nullptr) progress->setSpan(0.0f, 0.7f);
    int status = proctex_generate_progress(&o, mapsToMake(o), &computed, callback, progress, reason,
                                           sizeof reason);
    if (status != PROCTEX_OK) {
        outcome.cancelled = status == PROCTEX_CANCELLED;
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
    if (progress != nullptr) progress->setSpan(0.7f, 1.0f);
    status = proctex_save_files_progress(maps.get(), fileName.c_str(), o.saveFlags, callback,
                                         progress, reason, sizeof reason);
    outcome.ok = status == PROCTEX_OK;
    outcome.cancelled = status == PROCTEX_CANCELLED;
    if (!outcome.ok) {
        // The reason names every file that failed; none of the set is listed,
        // as a listed file must be whole and of this call.
        outcome.error = reason;
        return outcome;
    }
    if (reason[0] != '\0') std::cerr << "proctex: warning: " << reason << "\n";
    for (const auto& [from, copy] : conventionCopies(o)) {
        std::string why;
        if (conventionKeepsOurs(o, from)) {
            // A name that differs only in case is the same file on Windows
            // (_height and _Height): it is already there.
            std::error_code ec;
            if (std::filesystem::equivalent(pathFromUtf8(from), pathFromUtf8(copy), ec)) continue;
            std::ifstream in(pathFromUtf8(from), std::ios::binary);
            const std::string bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
            why = in.bad() ? "cannot read " + from : replaceFileWith(copy, bytes);
        } else {
            // Under the convention's name only: ours is renamed.
            std::error_code ec;
            std::filesystem::rename(pathFromUtf8(from), pathFromUtf8(copy), ec);
            if (ec) why = ec.message();
        }
        if (!why.empty()) {
            outcome.ok = false;
            outcome.error = "could not write " + copy + ": " + why;
            return outcome;
        }
    }
    outcome.files = outputFiles(o);
    if (o.sidecar) {
        const std::string record = sidecarPath(o.output);
        const std::string why = writeSidecar(record, o, outcome.files);
        outcome.ok = why.empty();
        if (outcome.ok) {
            outcome.files.push_back(record);
        } else {
            outcome.error = "could not write " + record + ": " + why;
        }
    }
    return outcome;
}

}  // namespace proctex::cli
