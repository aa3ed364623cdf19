#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>
#include <random>

#include "settings_call.h"

#include "stb_image_static.h"

namespace proctex::test {

TempDir::TempDir() {
    static std::atomic<unsigned> counter{0};
    std::random_device entropy;
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
        path_ =
            base / ("proctex-test-" + std::to_string(entropy()) + "-" + std::to_string(counter++));
        if (std::filesystem::create_directory(path_)) break;
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

Image readPng(const std::filesystem::path& path) {
    Image image;
    int width = 0, height = 0, channels = 0;
    unsigned char* data = stbi_load(path.string().c_str(), &width, &height, &channels, 0);
    if (data == nullptr) {
        ADD_FAILURE() << "cannot read PNG " << path;
        return image;
    }
    image.width = width;
    image.height = height;
    image.channels = channels;
    image.pixels.assign(data, data + static_cast<std::size_t>(width) * height * channels);
    stbi_image_free(data);
    return image;
}

std::vector<uint16_t> readGrey16Png(const std::filesystem::path& path) {
    int width = 0, height = 0, channels = 0;
    const std::string name = path.string();
    if (!stbi_is_16_bit(name.c_str())) {
        ADD_FAILURE() << path << " is not a 16-bit PNG";
        return {};
    }
    stbi_us* data = stbi_load_16(name.c_str(), &width, &height, &channels, 0);
    if (data == nullptr || channels != 1) {
        ADD_FAILURE() << "cannot read " << path << " as 16-bit grey";
        stbi_image_free(data);
        return {};
    }
    std::vector<uint16_t> samples(data, data + static_cast<std::size_t>(width) * height);
    stbi_image_free(data);
    return samples;
}

std::vector<uint8_t> readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Call::Call() : ProctexSettings{} {
    proctex_settings_init(this);
    width = 32;
    height = 24;
    scale = 8.0f;
    octaves = 4;
    persistence = 0.5f;
    seed = 42;
    contrast = 1.0f;
    normalStrength = 2.0f;
    tileable = 0;  // GenerateTexture never tiles
    units = PROCTEX_UNITS_PIXELS;  // and reads its sizes in pixels
}

int Call::run(const std::filesystem::path& outputPath) const {
    return run(outputPath.wstring().c_str());
}

int Call::run(const wchar_t* outputPath) const {
    return generateTextureFrom(*this, outputPath);
}

OutputNames outputNames(const std::filesystem::path& dir, const std::string& stem) {
    return {dir / (stem + "_diff.png"), dir / (stem + "_nmap.png"), dir / (stem + "_spec.png"),
            dir / (stem + "_rough.png"), dir / (stem + "_metal.png")};
}

std::vector<std::string> listFiles(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace proctex::test
