// GenerateTexture through proctex.dll: output naming, the limits of the
// wide-to-narrow path conversion, failures to create files, and calls on
// several threads at once.
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "host_checks.h"

namespace host {

namespace {

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

}  // namespace

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

    // One in the way of the specular map gives 0 and replaces nothing: the
    // set is written whole or not at all.
    const fs::path specularBlocked = freshDir(work / "specular-blocked");
    fs::create_directory(specularBlocked / "stone_spec.png");
    CHECK_EQ(run(kStone, L"host-work\\specular-blocked\\stone.png"), 0);
    CHECK(filesIn(specularBlocked).empty());

    // A second call renames its files over the first call's (MoveFileEx) and
    // leaves no temporary behind.
    const fs::path again = freshDir(work / "again");
    CHECK_EQ(run(kStone, L"host-work\\again\\stone.png"), 1);
    const auto first = fs::file_size(again / "stone_diff.png");
    CHECK_EQ(run(kStone, L"host-work\\again\\stone.png"), 1);
    CHECK(filesIn(again) ==
          std::vector<std::string>({"stone_diff.png", "stone_metal.png", "stone_nmap.png",
                                    "stone_rough.png", "stone_spec.png"}));
    CHECK_EQ(fs::file_size(again / "stone_diff.png"), first);
}

// Calls on several threads at once share nothing but the file system: each
// writes what it writes alone.
void checkConcurrentCalls(const fs::path& work) {
    // clang-format off
    const Args sets[] = {
        batterySettings([](Args& s) {
            s.width = 64; s.height = 48; s.materialType = 2; s.seed = 1; }),
        batterySettings([](Args& s) {
            s.width = 64; s.height = 48; s.baseType = 1; s.materialType = 7; s.seed = 2; }),
        batterySettings([](Args& s) {
            s.width = 64; s.height = 48; s.materialType = 1; s.seed = 3; s.seamless = 1; }),
        batterySettings([](Args& s) {
            s.width = 64; s.height = 48; s.materialType = 3; s.seed = 4; s.invert = 1; }),
    };
    // clang-format on
    const auto name = [](int i) { return std::wstring(1, static_cast<wchar_t>(L'a' + i)); };
    const fs::path alone = freshDir(work / "alone");
    const fs::path together = freshDir(work / "together");
    for (int i = 0; i < 4; ++i) {
        CHECK_EQ(run(sets[i], L"host-work\\alone\\" + name(i) + L".png"), 1);
    }
    int results[4] = {};
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back(
            [&, i] { results[i] = run(sets[i], L"host-work\\together\\" + name(i) + L".png"); });
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

}  // namespace host
