#include "image.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>
#include <cstring>

#include "font.h"
#include "platform.h"

// The tool's own copies, kept private to this file so they never meet the
// library's writer or another program's stb.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_ONLY_PNG
// Names are UTF-8 on Windows too (opened through the wide API).
#define STBI_WINDOWS_UTF8
#define STBIW_WINDOWS_UTF8
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#endif
#include <stb_image.h>
#include <stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace proctex::cli {

namespace {

std::size_t offset(int width, int x, int y) {
    return (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
            static_cast<std::size_t>(x)) *
           3;
}

}  // namespace

Image::Image(int w, int h, Rgb fill) : width(w), height(h) {
    pixels.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3);
    for (std::size_t i = 0; i < pixels.size(); i += 3) {
        pixels[i] = fill.r;
        pixels[i + 1] = fill.g;
        pixels[i + 2] = fill.b;
    }
}

Rgb Image::at(int x, int y) const {
    const std::size_t i = offset(width, x, y);
    return {pixels[i], pixels[i + 1], pixels[i + 2]};
}

void Image::set(int x, int y, Rgb c) {
    const std::size_t i = offset(width, x, y);
    pixels[i] = c.r;
    pixels[i + 1] = c.g;
    pixels[i + 2] = c.b;
}

Image fromPixels(const uint8_t* pixels, int width, int height, int channels) {
    Image image(width, height, {});
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    for (std::size_t i = 0; i < count; ++i) {
        for (std::size_t c = 0; c < 3; ++c) {
            image.pixels[i * 3 + c] = channels == 1 ? pixels[i] : pixels[i * 3 + c];
        }
    }
    return image;
}

bool loadPng(const std::filesystem::path& path, Image& image, std::string& error) {
    int w = 0, h = 0, channels = 0;
    stbi_uc* data = stbi_load(utf8FromPath(path).c_str(), &w, &h, &channels, 3);
    if (data == nullptr) {
        error = "cannot read " + utf8FromPath(path) + ": " + stbi_failure_reason();
        return false;
    }
    image.width = w;
    image.height = h;
    image.pixels.assign(data, data + static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3);
    stbi_image_free(data);
    return true;
}

std::string encodePng(const Image& image) {
    int length = 0;
    unsigned char* bytes = stbi_write_png_to_mem(image.pixels.data(), image.width * 3, image.width,
                                                 image.height, 3, &length);
    if (bytes == nullptr) return {};
    std::string encoded(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
    STBIW_FREE(bytes);
    return encoded;
}

namespace {

uint32_t bigEndian32(const unsigned char* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}

// zlib's checksums, over byte counts beyond its 32-bit lengths too.
uint32_t crc32Of(const unsigned char* data, std::size_t length) {
    return static_cast<uint32_t>(crc32_z(crc32_z(0, nullptr, 0), data, length));
}

uint32_t adler32Of(const unsigned char* data, std::size_t length) {
    return static_cast<uint32_t>(adler32_z(adler32_z(0, nullptr, 0), data, length));
}

constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// The filtered rows of an image: a filter byte and the packed samples of
// each row, plus a filter byte per row and pass when interlaced.
std::uint64_t rawBytes(std::uint64_t width, std::uint64_t height, int bitDepth, int colourType,
                       bool interlaced) {
    const int samples = colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
    const std::uint64_t row = (width * static_cast<std::uint64_t>(samples * bitDepth) + 7) / 8;
    return height * (1 + row) + (interlaced ? 7 * (height + 1) : 0);
}

}  // namespace

bool loadCheckedPng(const std::filesystem::path& path, std::uint64_t maxPixels, Image& image,
                    std::string& error) {
    const std::string name = utf8FromPath(path);
    std::FILE* file = openFile(name, "rb");
    if (file == nullptr) {
        error = "cannot read " + name;
        return false;
    }
    std::vector<unsigned char> bytes(33);  // signature, IHDR
    const bool headerRead = std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
    auto fail = [&](const std::string& why) {
        if (file != nullptr) std::fclose(file);
        file = nullptr;
        error = name + ": " + why;
        return false;
    };
    if (!headerRead || !std::equal(bytes.begin(), bytes.begin() + 8, kSignature) ||
        bigEndian32(&bytes[8]) != 13 || std::memcmp(&bytes[12], "IHDR", 4) != 0) {
        return fail("not a PNG");
    }
    if (crc32Of(&bytes[12], 17) != bigEndian32(&bytes[29]))
        return fail("the IHDR chunk's CRC is wrong");
    const std::uint64_t width = bigEndian32(&bytes[16]);
    const std::uint64_t height = bigEndian32(&bytes[20]);
    if (width == 0 || height == 0) return fail("no pixels");
    if (width * height > maxPixels) {
        return fail(std::to_string(width) + "x" + std::to_string(height) + " is more than the " +
                    std::to_string(maxPixels) + " pixels read");
    }
    const std::uint64_t raw = rawBytes(width, height, bytes[24], bytes[25], bytes[28] != 0);
    // Stored uncompressed, deflate adds 5 bytes per 65535; chunks of text
    // and such get a MiB.
    const std::uint64_t limit = raw + raw / 8192 + (std::uint64_t{1} << 20);
    if (limit > static_cast<std::uint64_t>(INT_MAX)) return fail("too large to check");
    // Read up to one byte past the limit: a sparse file of gigabytes stops there.
    bytes.resize(static_cast<std::size_t>(limit) + 1);
    const std::size_t length = 33 + std::fread(&bytes[33], 1, bytes.size() - 33, file);
    const bool readFault = std::ferror(file) != 0;
    std::fclose(file);
    file = nullptr;
    if (readFault) return fail("cannot be read");
    if (length > limit)
        return fail("larger than a " + std::to_string(width) + "x" + std::to_string(height) +
                    " image can be");
    bytes.resize(length);

    std::vector<unsigned char> idat;
    bool ended = false;
    for (std::size_t at = 33; !ended;) {
        if (length - at < 12) return fail("cut short");
        const std::size_t size = bigEndian32(&bytes[at]);
        if (size > length - at - 12) return fail("cut short");
        const unsigned char* type = &bytes[at + 4];
        if (crc32Of(type, size + 4) != bigEndian32(type + 4 + size)) {
            return fail("the " + std::string(reinterpret_cast<const char*>(type), 4) +
                        " chunk's CRC is wrong");
        }
        if (std::memcmp(type, "IDAT", 4) == 0) idat.insert(idat.end(), type + 4, type + 4 + size);
        ended = std::memcmp(type, "IEND", 4) == 0;
        at += size + 12;
    }
    if (idat.size() < 6) return fail("no image data");
    {
        std::vector<unsigned char> rows(static_cast<std::size_t>(raw));
        const int inflated = stbi_zlib_decode_buffer(
            reinterpret_cast<char*>(rows.data()), static_cast<int>(raw),
            reinterpret_cast<const char*>(idat.data()), static_cast<int>(idat.size()));
        if (inflated < 0) return fail("the image data cannot be inflated");
        if (adler32Of(rows.data(), static_cast<std::size_t>(inflated)) !=
            bigEndian32(&idat[idat.size() - 4])) {
            return fail("the image data's Adler-32 is wrong");
        }
    }
    idat = {};
    int w = 0, h = 0, channels = 0;
    stbi_info_from_memory(bytes.data(), static_cast<int>(length), &w, &h, &channels);
    const int wanted = channels == 1 ? 1 : 3;  // grey maps stay a third of the size
    stbi_uc* data =
        stbi_load_from_memory(bytes.data(), static_cast<int>(length), &w, &h, &channels, wanted);
    if (data == nullptr) return fail(stbi_failure_reason());
    bytes = {};
    image = fromPixels(data, w, h, wanted);
    stbi_image_free(data);
    return true;
}

bool savePng(const Image& image, const std::filesystem::path& path) {
    return stbi_write_png(utf8FromPath(path).c_str(), image.width, image.height, 3,
                          image.pixels.data(), image.width * 3) != 0;
}

Image resize(const Image& source, int width, int height) {
    Image out(width, height, {});
    if (source.width <= 0 || source.height <= 0) return out;
    for (int y = 0; y < height; ++y) {
        // Source rows [y0, y1) fall in destination row y; at least one.
        const int y0 = static_cast<int>(static_cast<long long>(y) * source.height / height);
        const int y1 = std::max(
            y0 + 1, static_cast<int>(static_cast<long long>(y + 1) * source.height / height));
        for (int x = 0; x < width; ++x) {
            const int x0 = static_cast<int>(static_cast<long long>(x) * source.width / width);
            const int x1 = std::max(
                x0 + 1, static_cast<int>(static_cast<long long>(x + 1) * source.width / width));
            unsigned long sum[3] = {0, 0, 0};
            for (int sy = y0; sy < y1; ++sy) {
                for (int sx = x0; sx < x1; ++sx) {
                    const Rgb c = source.at(sx, sy);
                    sum[0] += c.r;
                    sum[1] += c.g;
                    sum[2] += c.b;
                }
            }
            const unsigned long n = static_cast<unsigned long>(y1 - y0) * (x1 - x0);
            // Rounded to the nearest value.
            out.set(x, y,
                    {static_cast<uint8_t>((sum[0] + n / 2) / n),
                     static_cast<uint8_t>((sum[1] + n / 2) / n),
                     static_cast<uint8_t>((sum[2] + n / 2) / n)});
        }
    }
    return out;
}

void paste(Image& target, const Image& source, int x, int y) {
    for (int sy = 0; sy < source.height; ++sy) {
        const int ty = y + sy;
        if (ty < 0 || ty >= target.height) continue;
        for (int sx = 0; sx < source.width; ++sx) {
            const int tx = x + sx;
            if (tx < 0 || tx >= target.width) continue;
            target.set(tx, ty, source.at(sx, sy));
        }
    }
}

int textWidth(std::string_view text, int scale) {
    if (text.empty()) return 0;
    return (static_cast<int>(text.size()) * kGlyphAdvance - 1) * scale;
}

void drawText(Image& target, std::string_view text, int x, int y, int scale, Rgb color) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const Glyph& rows = glyph(text[i]);
        const int left = x + static_cast<int>(i) * kGlyphAdvance * scale;
        for (int row = 0; row < kGlyphHeight; ++row) {
            for (int col = 0; col < kGlyphWidth; ++col) {
                if ((rows[row] >> (kGlyphWidth - 1 - col) & 1) == 0) continue;
                for (int dy = 0; dy < scale; ++dy) {
                    for (int dx = 0; dx < scale; ++dx) {
                        const int px = left + col * scale + dx;
                        const int py = y + row * scale + dy;
                        if (px >= 0 && px < target.width && py >= 0 && py < target.height) {
                            target.set(px, py, color);
                        }
                    }
                }
            }
        }
    }
}

}  // namespace proctex::cli
