#include "image.h"

#include <algorithm>

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
