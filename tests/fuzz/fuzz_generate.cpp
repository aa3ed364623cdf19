// Fuzzes the exported call with arbitrary arguments: it must return 0 or 1 and
// write nothing but the five file names derived from its path. The same
// values then go through the settings API, which must agree with it: check
// and generate refuse exactly what GenerateTexture refuses (with a code, a
// reason and no result), and otherwise generate hands back the maps of the
// asked mask, equal to the files GenerateTexture wrote.
#include <proctex.h>
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "settings_call.h"

namespace {

namespace fs = std::filesystem;

// Reads the input as consecutive little-endian 32-bit words; missing bytes are 0.
class Words {
public:
    Words(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    uint32_t next() {
        uint32_t word = 0;
        for (int i = 0; i < 4; ++i, ++pos_) {
            if (pos_ < size_) word |= static_cast<uint32_t>(data_[pos_]) << (8 * i);
        }
        return word;
    }
    int32_t nextInt() { return static_cast<int32_t>(next()); }
    float nextFloat() {
        const uint32_t bits = next();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// Sizes up to 64 keep each run fast; zero and negative sizes stay as drawn.
int32_t boundedSize(int32_t v) {
    return v > 64 ? v % 65 : v;
}

// Removed when the fuzzer exits normally; kept after a crash, with the
// files of the failing input in it.
struct ScratchDir {
    fs::path path;
    ~ScratchDir() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

const fs::path& workDir() {
    static const ScratchDir dir{[] {
        char pattern[] = "/tmp/proctex-fuzz-XXXXXX";
        const char* made = mkdtemp(pattern);
        if (made == nullptr) std::abort();
        return fs::path(made);
    }()};
    return dir.path;
}

[[noreturn]] void fail(const char* what, const char* detail = "") {
    std::fprintf(stderr, "%s %s\n", what, detail);
    std::abort();
}

std::vector<char> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// How the struct reaches the library: as it is; inside a larger caller's
// struct whose unknown tail is zero (read like the plain one) or not
// (refused); or with a size below the first version (refused).
struct CallerSettings {
    ProctexSettings settings;
    uint64_t newerMember;
};

enum class Layout { plain, zeroTail, setTail, tooSmall };

// A refusal: a non-zero code, a terminated non-empty reason within the
// buffer, and (for generate) no result.
void expectRefusal(int code, const char* why, size_t size, const char* call) {
    if (code == PROCTEX_OK) fail(call, "accepted what it must refuse");
    if (std::memchr(why, '\0', size) == nullptr || why[0] == '\0') {
        fail(call, "refused without a reason");
    }
}

// The maps proctex_generate must hand back for `mask`.
unsigned askedMaps(const ProctexSettings& values, unsigned mask) {
    if (mask != PROCTEX_MAPS_AS_SETTINGS) return mask & PROCTEX_MAPS_ALL;
    unsigned maps = PROCTEX_MAP_BIT(PROCTEX_MAP_DIFFUSE) | PROCTEX_MAP_BIT(PROCTEX_MAP_NORMAL) |
                    PROCTEX_MAP_BIT(PROCTEX_MAP_SPECULAR);
    if (values.writeRoughness == 1) maps |= PROCTEX_MAP_BIT(PROCTEX_MAP_ROUGHNESS);
    if (values.writeMetallic == 1) maps |= PROCTEX_MAP_BIT(PROCTEX_MAP_METALLIC);
    return maps;
}

// Whole numbers beyond the option table's limits (a negative octave count):
// GenerateTexture takes them by its own rules, the settings API refuses them.
bool beyondTableLimits(const ProctexSettings& s) {
    for (int i = 0; i < proctex_option_count(); ++i) {
        ProctexOptionInfo o{};
        o.size = sizeof o;
        if (proctex_option_info(i, &o) != PROCTEX_OK || o.kind != PROCTEX_KIND_INTEGER) continue;
        int value = 0;
        std::memcpy(&value, reinterpret_cast<const unsigned char*>(&s) + o.offset, sizeof value);
        if (value < o.limitMin || value > o.limitMax) return true;
    }
    return false;
}

// Drives check and generate with the values GenerateTexture was given, after
// it returned `result` and wrote files or not into `dir`.
void checkSettingsApi(const ProctexSettings& values, unsigned mask, Layout layout,
                      uint32_t smallSize, int result, bool wroteNothing, const fs::path& dir) {
    constexpr size_t kFirstVersionSize = offsetof(ProctexSettings, writeMetallic) + sizeof(int);
    CallerSettings caller{values, 0};
    if (layout == Layout::zeroTail || layout == Layout::setTail) {
        caller.settings.size = sizeof caller;
        caller.newerMember = layout == Layout::setTail ? 1 + smallSize : 0;
    } else if (layout == Layout::tooSmall) {
        caller.settings.size = smallSize % kFirstVersionSize;
    }
    const bool badStruct = layout == Layout::setTail || layout == Layout::tooSmall;
    const bool refused = (result == 0 && wroteNothing) || beyondTableLimits(values);

    char why[128];
    std::memset(why, 0x7f, sizeof why);
    const int checked = proctex_settings_check(&caller.settings, why, sizeof why);
    if (badStruct || refused) {
        expectRefusal(checked, why, sizeof why, "proctex_settings_check");
        if (checked != (badStruct ? PROCTEX_ERROR_ARGUMENT : PROCTEX_ERROR_SETTINGS)) {
            fail("proctex_settings_check: unexpected code", why);
        }
    } else if (checked != PROCTEX_OK) {
        fail("proctex_settings_check refused what GenerateTexture wrote:", why);
    } else if (result != 1) {
        fail("GenerateTexture failed with settings that proctex_settings_check accepts");
    }

    std::memset(why, 0x7f, sizeof why);
    ProctexMaps* maps = nullptr;
    const int generated = proctex_generate(&caller.settings, mask, &maps, why, sizeof why);
    if (checked != PROCTEX_OK) {
        expectRefusal(generated, why, sizeof why, "proctex_generate");
        if (generated != checked) fail("proctex_generate and check disagree:", why);
        if (maps != nullptr) fail("proctex_generate refused but returned maps");
        return;
    }
    if (generated == PROCTEX_ERROR_MEMORY && maps == nullptr) return;
    if (generated != PROCTEX_OK || maps == nullptr) fail("proctex_generate failed:", why);

    const unsigned asked = askedMaps(values, mask);
    const bool grey = values.materialType == 1 || values.materialType == 8;
    const int channels[] = {grey ? 1 : 3, 3, 1, 1, 1};
    const std::string base = (dir / "x.png").string();
    for (int map = PROCTEX_MAP_DIFFUSE; map <= PROCTEX_MAP_METALLIC; ++map) {
        int w = 0, h = 0, c = 0;
        const unsigned char* pixels = proctex_maps_pixels(maps, map, &w, &h, &c);
        if ((pixels != nullptr) != ((asked & PROCTEX_MAP_BIT(map)) != 0)) {
            fail("proctex_generate: a map present or missing against the mask");
        }
        if (pixels == nullptr) continue;
        if (w != values.width || h != values.height || c != channels[map]) {
            fail("proctex_maps_pixels: wrong shape");
        }
        // Every map GenerateTexture wrote must be these pixels.
        char file[600];
        if (proctex_map_path(base.c_str(), map, file, sizeof file) != PROCTEX_OK) {
            fail("proctex_map_path failed");
        }
        if (!fs::exists(file)) continue;
        unsigned char* png = nullptr;
        size_t length = 0;
        if (proctex_encode_png(pixels, w, h, c, 0, &png, &length) != PROCTEX_OK) {
            fail("proctex_encode_png failed");
        }
        const bool same = std::vector<char>(png, png + length) == readFile(file);
        proctex_free(png);
        if (!same) fail("the map in memory differs from its file", file);
    }
    int w = 0, h = 0;
    const float* height = proctex_maps_height(maps, &w, &h);
    if ((height != nullptr) != ((asked & PROCTEX_MAP_BIT(PROCTEX_MAP_HEIGHT)) != 0) ||
        (height != nullptr && (w != values.width || h != values.height))) {
        fail("proctex_maps_height: present or missing against the mask, or wrong shape");
    }
    proctex_maps_free(maps);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Words in(data, size);
    // The words in the order of GenerateTexture's arguments.
    ProctexSettings values{};
    values.size = sizeof(ProctexSettings);
    values.width = boundedSize(in.nextInt());
    values.height = boundedSize(in.nextInt());
    values.baseType = in.nextInt();
    values.scale = in.nextFloat();
    values.octaves = in.nextInt() % 17;  // the cost grows linearly with octaves
    values.persistence = in.nextFloat();
    values.lacunarity = in.nextFloat();
    values.materialType = in.nextInt();
    values.patternType = in.nextInt();
    values.patternParam = in.nextFloat();
    values.overlayType = in.nextInt();
    values.overlayParam = in.nextFloat();
    values.overlayStrength = in.nextFloat();
    values.seed = in.nextInt();
    values.contrast = in.nextFloat();
    values.brightness = in.nextFloat();
    values.invert = in.nextInt();
    values.seamless = in.nextInt();
    values.normalStrength = in.nextFloat();
    values.roughness = in.nextFloat();
    values.writeRoughness = in.nextInt();
    values.writeMetallic = in.nextInt();
    // A scratch count is work in proportion: millions are tested elsewhere.
    if (values.overlayType == PROCTEX_OVERLAY_SCRATCHES && !(values.overlayParam < 5000.0f)) {
        values.overlayParam = 5000.0f;
    }
    // Inputs of the settings API: the maps asked for, and how the struct is passed.
    const uint32_t mask = in.next();
    const uint32_t layoutWord = in.next();

    const fs::path& dir = workDir();
    const std::wstring path = (dir / "x.png").wstring();
    const int result = generateTextureFrom(values, path.c_str());
    if (result != 0 && result != 1) {
        std::fprintf(stderr, "GenerateTexture returned %d\n", result);
        std::abort();
    }

    static const std::set<std::string> allowed = {"x_diff.png", "x_nmap.png", "x_spec.png",
                                                  "x_rough.png", "x_metal.png"};
    bool wroteNothing = true;
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (!allowed.count(name)) fail("unexpected file", name.c_str());
        wroteNothing = false;
    }

    // The pattern kinds of the settings API alone are "no pattern" for
    // GenerateTexture: the settings API is asked for what GenerateTexture drew.
    ProctexSettings drawn = values;
    if (drawn.patternType >= PROCTEX_PATTERN_COBBLES &&
        drawn.patternType <= PROCTEX_PATTERN_TILING_RINGS) {
        drawn.patternType = PROCTEX_PATTERN_NONE;
    }
    checkSettingsApi(drawn, mask, static_cast<Layout>(layoutWord % 4), layoutWord >> 2, result,
                     wroteNothing, dir);

    for (const auto& entry : fs::directory_iterator(dir)) fs::remove(entry.path());
    return 0;
}
