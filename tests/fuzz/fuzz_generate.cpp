// Fuzzes the exported call with arbitrary arguments: it must return 0 or 1 and
// write nothing but the five file names derived from its path.
#include <proctex.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

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
int32_t boundedSize(int32_t v) { return v > 64 ? v % 65 : v; }

const fs::path& workDir() {
    static const fs::path dir = [] {
        char pattern[] = "/tmp/proctex-fuzz-XXXXXX";
        const char* made = mkdtemp(pattern);
        if (made == nullptr) std::abort();
        return fs::path(made);
    }();
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Words in(data, size);
    const int32_t width = boundedSize(in.nextInt());
    const int32_t height = boundedSize(in.nextInt());
    const int32_t baseType = in.nextInt();
    const float scale = in.nextFloat();
    const int32_t octaves = in.nextInt() % 17;  // the cost grows linearly with octaves
    const float persistence = in.nextFloat();
    const float lacunarity = in.nextFloat();
    const int32_t materialType = in.nextInt();
    const int32_t patternType = in.nextInt();
    const float patternParam = in.nextFloat();
    const int32_t overlayType = in.nextInt();
    float overlayParam = in.nextFloat();
    const float overlayStrength = in.nextFloat();
    const int32_t seed = in.nextInt();
    const float contrast = in.nextFloat();
    const float brightness = in.nextFloat();
    const int32_t invert = in.nextInt();
    const int32_t seamless = in.nextInt();
    const float normalStrength = in.nextFloat();
    const float roughness = in.nextFloat();
    const int32_t writeRoughness = in.nextInt();
    const int32_t writeMetallic = in.nextInt();
    // A scratch count is work in proportion: millions are tested elsewhere.
    if (overlayType == 4 && !(overlayParam < 5000.0f)) overlayParam = 5000.0f;

    const fs::path& dir = workDir();
    const std::wstring path = (dir / "x.png").wstring();
    const int result = GenerateTexture(width, height, baseType, scale, octaves, persistence,
                                       lacunarity, materialType, patternType, patternParam,
                                       overlayType, overlayParam, overlayStrength, seed, contrast,
                                       brightness, invert, seamless, normalStrength, roughness,
                                       writeRoughness, writeMetallic, path.c_str());
    if (result != 0 && result != 1) {
        std::fprintf(stderr, "GenerateTexture returned %d\n", result);
        std::abort();
    }

    static const std::set<std::string> allowed = {"x_diff.png", "x_nmap.png", "x_spec.png",
                                                  "x_rough.png", "x_metal.png"};
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (!allowed.count(name)) {
            std::fprintf(stderr, "unexpected file %s\n", name.c_str());
            std::abort();
        }
        fs::remove(entry.path());
    }
    return 0;
}
