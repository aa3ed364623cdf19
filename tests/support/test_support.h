// Shared helpers of the test programs.
#pragma once

#include <proctex.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace proctex::test {

// A fresh directory under the system temp dir, removed with everything in it
// when the object goes out of scope.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

struct Image {
    int width = 0;
    int height = 0;
    int channels = 0;  // as stored in the file: 1 grey, 3 RGB
    std::vector<uint8_t> pixels;

    uint8_t at(int x, int y, int channel = 0) const {
        return pixels[(static_cast<std::size_t>(y) * width + x) * channels + channel];
    }
};

// Reads a PNG back exactly as stored; fails the current test when it cannot.
Image readPng(const std::filesystem::path& path);

// The samples of a 16-bit grey PNG; empty (and a failure) when it is not one.
std::vector<uint16_t> readGrey16Png(const std::filesystem::path& path);

std::vector<uint8_t> readBytes(const std::filesystem::path& path);

// The settings of one GenerateTexture call, with defaults for a small
// fractal stone so each test states only what it is about.
struct Call : ProctexSettings {
    Call();

    int run(const std::filesystem::path& outputPath) const;
    int run(const wchar_t* outputPath) const;
};

// The five names a call derives from "<dir>/<stem>.png".
struct OutputNames {
    std::filesystem::path diffuse, normal, specular, roughness, metallic;
};
OutputNames outputNames(const std::filesystem::path& dir, const std::string& stem);

// Files directly inside a directory, by name.
std::vector<std::string> listFiles(const std::filesystem::path& dir);

}  // namespace proctex::test
