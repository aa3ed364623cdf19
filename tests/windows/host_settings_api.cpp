// The settings API through proctex.dll: its struct as the DLL reads it,
// refusals, presets, maps in memory equal to the files, saving, naming and
// encoding.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host_checks.h"

namespace host {

namespace {

bool contains(const char* text, const char* part) {
    return text != nullptr && std::strstr(text, part) != nullptr;
}

std::vector<char> pngOf(const unsigned char* pixels, int width, int height, int channels,
                        int stride = 0) {
    unsigned char* bytes = nullptr;
    size_t length = 0;
    if (!CHECK_EQ(api.encodePng(pixels, width, height, channels, stride, &bytes, &length),
                  PROCTEX_OK)) {
        return {};
    }
    std::vector<char> png(bytes, bytes + length);
    api.free(bytes);
    return png;
}

std::string mapPath(const std::string& path, int map) {
    char out[600];
    return api.mapPath(path.c_str(), map, out, sizeof out) == PROCTEX_OK ? out : "";
}

}  // namespace

// The struct as the DLL fills it (first, middle and last members, so a
// layout that differs between host and library shows), and refusals: each
// names the member, and GenerateTexture refuses the same settings without
// writing anything.
void checkSettings(const fs::path& work) {
    Args s{};
    CHECK_EQ(api.settingsDefaults(&s, sizeof s), PROCTEX_OK);
    CHECK_EQ(static_cast<long long>(s.size), static_cast<long long>(sizeof s));
    CHECK_EQ(s.width, 512);
    CHECK(s.persistence == 0.72f);
    CHECK_EQ(s.seed, 1234);
    CHECK_EQ(s.writeMetallic, 1);
    char why[256] = "x";
    CHECK_EQ(api.settingsCheck(&s, why, sizeof why), PROCTEX_OK);
    CHECK(why[0] == '\0');
    CHECK_EQ(api.settingsDefaults(nullptr, sizeof s), PROCTEX_ERROR_ARGUMENT);
    CHECK_EQ(api.settingsCheck(nullptr, why, sizeof why), PROCTEX_ERROR_ARGUMENT);
    CHECK(contains(why, "settings"));

    const struct {
        void (*apply)(Args&);
        const char* member;
    } refusals[] = {
        {[](Args& a) { a.width = 0; }, "width"},
        {[](Args& a) { a.height = -3; }, "height"},
        {[](Args& a) {
             a.patternType = 6;
             a.patternParam = 0.0f;
         },
         "patternParam"},
        {[](Args& a) {
             a.overlayType = 2;
             a.overlayParam = 24.0f;
             a.overlayStrength = NAN;
         },
         "overlayStrength"},
        {[](Args& a) {
             a.overlayType = 3;
             a.overlayParam = -40.0f;
         },
         "overlayParam"},
    };
    const fs::path dir = freshDir(work / "refused");
    for (const auto& r : refusals) {
        Args bad = kStone;
        r.apply(bad);
        why[0] = '\0';
        CHECK_EQ(api.settingsCheck(&bad, why, sizeof why), PROCTEX_ERROR_SETTINGS);
        if (!check(contains(why, r.member), r.member, __FILE__, __LINE__))
            std::fprintf(stderr, "  %s\n", why);
        CHECK_EQ(run(bad, L"host-work\\refused\\r.png"), 0);
    }
    CHECK(fs::is_empty(dir));
    Args old = kStone;
    old.size = 8;  // below the first version of the struct
    CHECK_EQ(api.settingsCheck(&old, why, sizeof why), PROCTEX_ERROR_ARGUMENT);
    CHECK(contains(why, "size"));
}

void checkPresets() {
    const int count = api.presetCount();
    CHECK(count > 0);
    for (int i = 0; i < count; ++i) {
        const char* name = api.presetName(i);
        Args s{};
        if (!CHECK(name != nullptr && api.presetDescription(i) != nullptr)) continue;
        check(api.presetSettings(name, &s, sizeof s) == PROCTEX_OK &&
                  api.settingsCheck(&s, nullptr, 0) == PROCTEX_OK,
              name, __FILE__, __LINE__);
    }
    CHECK(api.presetName(count) == nullptr && api.presetName(-1) == nullptr);
    CHECK(api.presetDescription(count) == nullptr);
    Args s = kStone;
    CHECK_EQ(api.presetSettings("no-such-material", &s, sizeof s), PROCTEX_ERROR_ARGUMENT);
    CHECK_EQ(s.width, kStone.width);  // nothing written
    if (count > 0) {
        CHECK_EQ(api.presetSettings(api.presetName(0), nullptr, sizeof s), PROCTEX_ERROR_ARGUMENT);
    }
}

// Maps in memory against the files GenerateTexture writes for the same
// settings, and the files proctex_save writes from them.
void checkMapsMatchFiles(const fs::path& work, const char* name, const Args& s) {
    freshDir(work / "maps");
    const std::string base = std::string("host-work\\maps\\") + name;
    if (!CHECK_EQ(run(s, std::wstring(base.begin(), base.end()) + L".png"), 1)) return;
    ProctexMaps* maps = nullptr;
    char why[256];
    if (!CHECK_EQ(api.generate(&s, PROCTEX_MAPS_AS_SETTINGS, &maps, why, sizeof why), PROCTEX_OK)) {
        return;
    }
    const int channels[] = {s.materialType == 1 || s.materialType == 8 ? 1 : 3, 3, 1, 1, 1};
    for (int map = PROCTEX_MAP_DIFFUSE; map <= PROCTEX_MAP_METALLIC; ++map) {
        int w = 0, h = 0, c = 0;
        const unsigned char* pixels = api.mapsPixels(maps, map, &w, &h, &c);
        const std::string file = mapPath(base + ".png", map);
        CHECK_EQ(pixels != nullptr, fs::exists(file));
        if (pixels == nullptr) continue;
        CHECK(w == s.width && h == s.height);
        CHECK_EQ(c, channels[map]);
        check(pngOf(pixels, w, h, c) == readBytes(file), file.c_str(), __FILE__, __LINE__);
    }
    CHECK(api.mapsHeight(maps, nullptr, nullptr) == nullptr);  // not asked for

    CHECK_EQ(api.save(maps, (base + "_saved.png").c_str(), why, sizeof why), PROCTEX_OK);
    for (int map = PROCTEX_MAP_DIFFUSE; map <= PROCTEX_MAP_METALLIC; ++map) {
        const std::string file = mapPath(base + ".png", map);
        check(readBytes(mapPath(base + "_saved.png", map)) == readBytes(file), file.c_str(),
              __FILE__, __LINE__);
    }
    api.mapsFree(maps);
}

// Other masks, refusals and the null pointers of generate and save.
void checkGenerateAndSave(const fs::path& work) {
    ProctexMaps* maps = nullptr;
    char why[256];
    CHECK_EQ(api.generate(&kStone, PROCTEX_MAPS_ALL, &maps, why, sizeof why), PROCTEX_OK);
    int w = 0, h = 0;
    const float* height = api.mapsHeight(maps, &w, &h);
    CHECK(height != nullptr && w == kStone.width && h == kStone.height);
    if (height != nullptr) CHECK(std::isfinite(height[w * h - 1]));
    CHECK(api.mapsPixels(maps, PROCTEX_MAP_METALLIC, nullptr, nullptr, nullptr) != nullptr);
    CHECK(api.mapsPixels(maps, PROCTEX_MAP_HEIGHT, nullptr, nullptr, nullptr) == nullptr);

    // Saving: missing arguments, unusable paths, a missing folder.
    CHECK_EQ(api.save(nullptr, "host-work\\x.png", why, sizeof why), PROCTEX_ERROR_ARGUMENT);
    CHECK_EQ(api.save(maps, nullptr, why, sizeof why), PROCTEX_ERROR_ARGUMENT);
    CHECK(contains(why, "path"));
    CHECK_EQ(api.save(maps, "", why, sizeof why), PROCTEX_ERROR_PATH);
    CHECK_EQ(api.save(maps, std::string(512, 'x').c_str(), why, sizeof why), PROCTEX_ERROR_PATH);
    CHECK_EQ(api.save(maps, "host-work\\missing\\s.png", why, sizeof why), PROCTEX_ERROR_WRITE);
    CHECK(contains(why, "s_diff.png"));
    CHECK(!fs::exists(work / "missing"));
    api.mapsFree(maps);

    maps = nullptr;
    CHECK_EQ(api.generate(&kStone, PROCTEX_MAP_BIT(PROCTEX_MAP_NORMAL), &maps, nullptr, 0),
             PROCTEX_OK);
    CHECK(api.mapsPixels(maps, PROCTEX_MAP_NORMAL, nullptr, nullptr, nullptr) != nullptr);
    CHECK(api.mapsPixels(maps, PROCTEX_MAP_DIFFUSE, nullptr, nullptr, nullptr) == nullptr);
    api.mapsFree(maps);
    api.mapsFree(nullptr);

    Args bad = kStone;
    bad.patternType = 9;
    bad.patternParam = INFINITY;
    int dummy = 0;
    maps = reinterpret_cast<ProctexMaps*>(&dummy);  // must be replaced by null
    CHECK_EQ(api.generate(&bad, PROCTEX_MAPS_ALL, &maps, why, sizeof why), PROCTEX_ERROR_SETTINGS);
    CHECK(maps == nullptr && contains(why, "patternParam"));
    CHECK_EQ(api.generate(nullptr, PROCTEX_MAPS_ALL, &maps, why, sizeof why),
             PROCTEX_ERROR_ARGUMENT);
    CHECK_EQ(api.generate(&kStone, PROCTEX_MAPS_ALL, nullptr, why, sizeof why),
             PROCTEX_ERROR_ARGUMENT);
}

// Naming, encoding with and without row padding, and the version.
void checkHelpers() {
    CHECK(mapPath("dir\\a.png.tmp", PROCTEX_MAP_NORMAL) == "dir\\a_nmap.png");
    CHECK(mapPath("dir\\a.PNG", PROCTEX_MAP_METALLIC) == "dir\\a.PNG");
    char small[8] = "x";
    CHECK_EQ(api.mapPath("dir\\a.png", PROCTEX_MAP_DIFFUSE, small, sizeof small),
             PROCTEX_ERROR_ARGUMENT);
    CHECK(small[0] == '\0');
    CHECK_EQ(api.mapPath("a.png", PROCTEX_MAP_HEIGHT, small, sizeof small), PROCTEX_ERROR_ARGUMENT);
    CHECK_EQ(api.mapPath(nullptr, PROCTEX_MAP_DIFFUSE, small, sizeof small),
             PROCTEX_ERROR_ARGUMENT);

    const unsigned char packed[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    const unsigned char padded[] = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
    const std::vector<char> png = pngOf(packed, 2, 2, 3);
    CHECK(png.size() > 8 && std::memcmp(png.data(), "\x89PNG\r\n\x1a\n", 8) == 0);
    CHECK(pngOf(padded, 2, 2, 3, 8) == png);
    unsigned char sentinel = 0;
    unsigned char* bytes = &sentinel;  // must be replaced by null
    size_t length = 1;
    CHECK_EQ(api.encodePng(nullptr, 2, 2, 3, 0, &bytes, &length), PROCTEX_ERROR_ARGUMENT);
    CHECK(bytes == nullptr && length == 0);
    CHECK_EQ(api.encodePng(packed, 2, 2, 5, 0, &bytes, &length), PROCTEX_ERROR_ARGUMENT);
    CHECK_EQ(api.encodePng(packed, 2, 2, 3, 5, &bytes, &length), PROCTEX_ERROR_ARGUMENT);
    api.free(nullptr);

    const char* version = api.version();
    int major = -1, minor = -1, patch = -1, end = 0;
    CHECK(version != nullptr &&
          std::sscanf(version, "%d.%d.%d%n", &major, &minor, &patch, &end) == 3 &&
          version[end] == '\0' && major >= 0 && minor >= 0 && patch >= 0);
}

}  // namespace host
