// proctex.dll as a Windows host program sees it: loading with LoadLibraryW,
// lookup by name and by ordinal, TestDLL, output naming, the limits of the
// wide-to-narrow path conversion and failures to create files. Runs under Wine.
//   proctex_windows_host [DLL]   (default: proctex.dll beside the program)
// Works in a fresh folder "host-work" under the current directory.
#define WIN32_LEAN_AND_MEAN
#include <proctex.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "battery.h"

namespace {

namespace fs = std::filesystem;

int passed = 0;
int failed = 0;

bool check(bool ok, const char* what, int line) {
    ++(ok ? passed : failed);
    if (!ok) std::fprintf(stderr, "windows_host.cpp:%d: check failed: %s\n", line, what);
    return ok;
}

bool checkEqual(long long actual, long long expected, const char* what, int line) {
    const bool ok = actual == expected;
    if (!ok) {
        std::fprintf(stderr, "windows_host.cpp:%d: %s is %lld, expected %lld\n", line, what, actual,
                     expected);
    }
    ++(ok ? passed : failed);
    return ok;
}

#define CHECK(cond) check((cond), #cond, __LINE__)
#define CHECK_EQ(actual, expected) checkEqual((actual), (expected), #actual, __LINE__)

using GenerateFn = decltype(&GenerateTexture);
using TestFn = decltype(&TestDLL);

GenerateFn generateTexture = nullptr;

// GetProcAddress hands out an untyped pointer; the call goes through the
// function's real type (void (*)() is the neutral step between the two).
template <typename Fn>
Fn as(FARPROC proc) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
}

using Args = proctex::battery::MaterialSet;

int run(const Args& a, const std::wstring& path) {
    return generateTexture(a.width, a.height, a.baseType, a.scale, a.octaves, a.persistence,
                           a.lacunarity, a.materialType, a.patternType, a.patternParam,
                           a.overlayType, a.overlayParam, a.overlayStrength, a.seed, a.contrast,
                           a.brightness, a.invert, a.seamless, a.normalStrength, a.roughness,
                           a.writeRoughness, a.writeMetallic, path.c_str());
}

std::vector<char> readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Regular files directly in `dir`, sorted; subfolders are not listed.
std::vector<std::string> filesIn(const fs::path& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

fs::path freshDir(const fs::path& dir) {
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

// Width, height and PNG colour type (0 grey, 2 RGB) from the IHDR chunk.
struct PngHeader {
    bool valid = false;
    long long width = 0, height = 0;
    int bitDepth = 0, colorType = -1;
};

PngHeader pngHeader(const fs::path& path) {
    const std::vector<char> bytes = readBytes(path);
    PngHeader h;
    if (bytes.size() < 33 || std::string(bytes.begin(), bytes.begin() + 8) != "\x89PNG\r\n\x1a\n" ||
        std::string(bytes.begin() + 12, bytes.begin() + 16) != "IHDR") {
        return h;
    }
    auto u32 = [&](std::size_t at) {
        long long v = 0;
        for (int i = 0; i < 4; ++i) v = v * 256 + static_cast<unsigned char>(bytes[at + i]);
        return v;
    };
    h.valid = true;
    h.width = u32(16);
    h.height = u32(20);
    h.bitDepth = static_cast<unsigned char>(bytes[24]);
    h.colorType = static_cast<unsigned char>(bytes[25]);
    return h;
}

void checkExports(const wchar_t* dllPath) {
    HMODULE dll = LoadLibraryW(dllPath);
    if (!CHECK(dll != nullptr)) return;

    const FARPROC generateByName = GetProcAddress(dll, "GenerateTexture");
    const FARPROC generateByOrdinal = GetProcAddress(dll, MAKEINTRESOURCEA(1));
    const FARPROC testByName = GetProcAddress(dll, "TestDLL");
    const FARPROC testByOrdinal = GetProcAddress(dll, MAKEINTRESOURCEA(2));
    CHECK(generateByName != nullptr);
    CHECK(generateByName == generateByOrdinal);
    CHECK(testByName != nullptr);
    CHECK(testByName == testByOrdinal);
    CHECK(generateByName != testByName);
    // Exactly two ordinals, no decorated aliases, nothing else of ours visible.
    CHECK(GetProcAddress(dll, MAKEINTRESOURCEA(3)) == nullptr);
    CHECK(GetProcAddress(dll, "TestDLL@0") == nullptr);
    CHECK(GetProcAddress(dll, "_TestDLL@0") == nullptr);
    CHECK(GetProcAddress(dll, "GenerateTexture@92") == nullptr);
    CHECK(GetProcAddress(dll, "DllMain") == nullptr);

    if (testByName != nullptr && testByOrdinal != nullptr) {
        CHECK_EQ(as<TestFn>(testByName)(), 42);
        CHECK_EQ(as<TestFn>(testByOrdinal)(), 42);
    }
    // Unloading and loading again runs the detach and attach notifications.
    CHECK(FreeLibrary(dll) != 0);
    dll = LoadLibraryW(dllPath);
    if (!CHECK(dll != nullptr)) return;
    generateTexture = as<GenerateFn>(GetProcAddress(dll, MAKEINTRESOURCEA(1)));
    CHECK(generateTexture != nullptr);
}

const Args kStone{.name = "stone", .width = 40, .height = 30, .scale = 12.0f, .octaves = 4};

void checkOutputNaming(const fs::path& work) {
    const fs::path dir = freshDir(work / "naming");
    CHECK_EQ(run(kStone, L"host-work\\naming\\stone.png"), 1);
    CHECK(filesIn(dir) ==
          std::vector<std::string>({"stone_diff.png", "stone_metal.png", "stone_nmap.png",
                                    "stone_rough.png", "stone_spec.png"}));
    // Material 4 gives an RGB diffuse image; the normal map is RGB, the rest grey.
    const struct {
        const char* file;
        int colorType;
    } formats[] = {{"stone_diff.png", 2},
                   {"stone_nmap.png", 2},
                   {"stone_spec.png", 0},
                   {"stone_rough.png", 0},
                   {"stone_metal.png", 0}};
    for (const auto& f : formats) {
        const PngHeader h = pngHeader(dir / f.file);
        CHECK(h.valid);
        CHECK_EQ(h.width, kStone.width);
        CHECK_EQ(h.height, kStone.height);
        CHECK_EQ(h.bitDepth, 8);
        CHECK_EQ(h.colorType, f.colorType);
    }

    // Everything after the last ".png" is dropped; forward slashes work too.
    const fs::path tmp = freshDir(work / "tmp");
    CHECK_EQ(run(kStone, L"host-work/tmp/out.png.tmp"), 1);
    CHECK(filesIn(tmp) == std::vector<std::string>({"out_diff.png", "out_metal.png", "out_nmap.png",
                                                    "out_rough.png", "out_spec.png"}));
    const fs::path nested = freshDir(work / "a.png");
    CHECK_EQ(run(kStone, L"host-work\\a.png\\b.png"), 1);
    CHECK_EQ(static_cast<long long>(filesIn(nested).size()), 5);
    CHECK(fs::is_regular_file(nested / "b_diff.png"));

    // Without a lower-case ".png" every image goes to the one path, and the
    // metallic map, written last, is what remains.
    const fs::path upper = freshDir(work / "upper");
    CHECK_EQ(run(kStone, L"host-work\\upper\\stone.PNG"), 1);
    CHECK(filesIn(upper) == std::vector<std::string>({"stone.PNG"}));
    CHECK(readBytes(upper / "stone.PNG") == readBytes(dir / "stone_metal.png"));
}

void checkPathConversion(const fs::path& work) {
    // 511 bytes convert; the text after ".png" is dropped, so the files have
    // short names whatever the platform's path length limit.
    const std::wstring head = L"host-work\\limit\\s.png";
    const std::wstring fits = head + std::wstring(511 - head.size(), L'x');
    const std::wstring tooLong = fits + L"x";
    CHECK_EQ(static_cast<long long>(fits.size()), 511);

    const fs::path limit = freshDir(work / "limit");
    CHECK_EQ(run(kStone, tooLong), 0);
    CHECK(filesIn(limit).empty());
    CHECK_EQ(run(kStone, fits), 1);
    CHECK(filesIn(limit) == std::vector<std::string>({"s_diff.png", "s_metal.png", "s_nmap.png",
                                                      "s_rough.png", "s_spec.png"}));

    // The C locale has no multibyte form for these: the narrow path is empty,
    // the call returns 0 and writes nothing.
    const fs::path unrepresentable = freshDir(work / "unrepresentable");
    CHECK_EQ(run(kStone, L"host-work\\unrepresentable\\st\u4e2dne.png"), 0);
    CHECK_EQ(run(kStone, L"host-work\\unrepresentable\\\U0001F600.png"), 0);
    CHECK_EQ(run(kStone, L"host-work\\unrepresentable\\\u20ac.png"), 0);
    CHECK(fs::is_empty(unrepresentable));

    CHECK_EQ(run(kStone, L""), 0);
    CHECK_EQ(generateTexture(8, 8, 0, 4.0f, 2, 0.5f, 2.0f, 4, 0, 0.0f, 0, 0.0f, 0.0f, 1, 1.0f, 0.0f,
                             0, 0, 1.0f, 0.5f, 0, 0, nullptr),
             0);
}

void checkFileCreation(const fs::path& work) {
    // A missing folder is not created: nothing is written and the result is 0.
    CHECK_EQ(run(kStone, L"host-work\\missing\\stone.png"), 0);
    CHECK(!fs::exists(work / "missing"));

    // A folder in the way of the diffuse image stops the call at once.
    const fs::path diffBlocked = freshDir(work / "diff-blocked");
    fs::create_directory(diffBlocked / "stone_diff.png");
    CHECK_EQ(run(kStone, L"host-work\\diff-blocked\\stone.png"), 0);
    CHECK(filesIn(diffBlocked).empty());

    // One in the way of the specular map gives 0, but roughness and metallic
    // are still written.
    const fs::path specularBlocked = freshDir(work / "specular-blocked");
    fs::create_directory(specularBlocked / "stone_spec.png");
    CHECK_EQ(run(kStone, L"host-work\\specular-blocked\\stone.png"), 0);
    CHECK(filesIn(specularBlocked) == std::vector<std::string>({"stone_diff.png", "stone_metal.png",
                                                            "stone_nmap.png", "stone_rough.png"}));
}

// Calls on several threads at once share nothing but the file system: each
// writes what it writes alone.
void checkConcurrentCalls(const fs::path& work) {
    const Args sets[] = {
        {.name = "a", .width = 64, .height = 48, .materialType = 2, .seed = 1},
        {.name = "b", .width = 64, .height = 48, .baseType = 1, .materialType = 7, .seed = 2},
        {.name = "c", .width = 64, .height = 48, .materialType = 1, .seed = 3, .seamless = 1},
        {.name = "d", .width = 64, .height = 48, .materialType = 3, .seed = 4, .invert = 1},
    };
    const fs::path alone = freshDir(work / "alone");
    const fs::path together = freshDir(work / "together");
    for (const Args& s : sets) {
        CHECK_EQ(run(s, L"host-work\\alone\\" + std::wstring(1, s.name[0]) + L".png"), 1);
    }
    int results[4] = {};
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back([&, i] {
            const std::wstring path = L"host-work\\together\\" + std::wstring(1, sets[i].name[0]);
            results[i] = run(sets[i], path + L".png");
        });
    }
    for (auto& t : threads) t.join();
    for (int r : results) CHECK_EQ(r, 1);
    const std::vector<std::string> names = filesIn(alone);
    CHECK_EQ(static_cast<long long>(names.size()), 20);
    CHECK(filesIn(together) == names);
    for (const std::string& name : names) {
        if (!CHECK(readBytes(together / name) == readBytes(alone / name))) {
            std::fprintf(stderr, "  differs: %s\n", name.c_str());
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::wstring dllPath = L"proctex.dll";
    if (argc > 1) dllPath.assign(argv[1], argv[1] + std::char_traits<char>::length(argv[1]));

    checkExports(dllPath.c_str());
    if (generateTexture != nullptr) {
        const fs::path work = freshDir("host-work");
        checkOutputNaming(work);
        checkPathConversion(work);
        checkFileCreation(work);
        checkConcurrentCalls(work);
    }
    std::printf("windows-host: %d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
