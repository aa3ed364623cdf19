// Small 8-bit RGB images for composing contact sheets.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace proctex::cli {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
};

struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;  // RGB, rows top first

    Image() = default;
    Image(int w, int h, Rgb fill);
    Rgb at(int x, int y) const;
    void set(int x, int y, Rgb c);
};

// Packed 8-bit pixels of 1 (grey) or 3 (RGB) channels, as RGB.
Image fromPixels(const uint8_t* pixels, int width, int height, int channels);

// Reads a PNG (grey or colour) as RGB; false with a reason when it cannot.
bool loadPng(const std::filesystem::path& path, Image& image, std::string& error);
bool savePng(const Image& image, const std::filesystem::path& path);

// The PNG bytes of an image, for writing through replaceFileWith; empty when
// it cannot be encoded.
std::string encodePng(const Image& image);

// The most pixels loadCheckedPng takes: an 8192 x 8192 map, four times the
// largest useful size (and the studio's), already 201 MB as RGB; reading one
// takes about three times that.
constexpr std::uint64_t kMaxCheckedPixels = std::uint64_t{8192} * 8192;

// loadPng for a file anyone may have made: refuses more than `maxPixels` on
// the header's word, before reading the rest, and a file larger than such an
// image could be even stored uncompressed; then fails a chunk whose CRC, or
// image data whose Adler-32, is wrong (a PNG reader skips both).
bool loadCheckedPng(const std::filesystem::path& path, std::uint64_t maxPixels, Image& image,
                    std::string& error);

// Each destination pixel is the mean of the source pixels it covers; a
// destination larger than the source repeats source pixels.
Image resize(const Image& source, int width, int height);

// Copies `source` with its top-left corner at (x, y); whatever falls outside
// `target` is left out.
void paste(Image& target, const Image& source, int x, int y);

// Width in pixels of one line of text in the built-in font at `scale`.
int textWidth(std::string_view text, int scale);

// Draws one line of text, each font pixel a scale x scale square, its top-left
// corner at (x, y); clipped at the image borders.
void drawText(Image& target, std::string_view text, int x, int y, int scale, Rgb color);

}  // namespace proctex::cli
