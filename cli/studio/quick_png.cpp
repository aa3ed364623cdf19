#include "quick_png.h"

#include <zlib.h>

#include <cstdint>
#include <vector>

namespace proctex::cli::studio {

namespace {

void put32(std::string& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFFu);
}

void putChunk(std::string& out, const char type[5], const std::string& data) {
    put32(out, static_cast<std::uint32_t>(data.size()));
    const std::string body = std::string(type, 4) + data;
    out += body;
    put32(out, static_cast<std::uint32_t>(
                   crc32_z(0, reinterpret_cast<const Bytef*>(body.data()), body.size())));
}

// Rows of `rowBytes` bytes, each after filter byte 0 (none), stored.
std::string png(const unsigned char* rows, std::size_t rowBytes, int width, int height,
                char bitDepth, char colourType) {
    std::vector<Bytef> raw;
    raw.reserve((rowBytes + 1) * static_cast<std::size_t>(height));
    for (std::size_t y = 0; y < static_cast<std::size_t>(height); ++y) {
        raw.push_back(0);
        raw.insert(raw.end(), rows + y * rowBytes, rows + (y + 1) * rowBytes);
    }
    uLongf packedSize = compressBound(raw.size());
    std::string packed(packedSize, '\0');
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize, raw.data(), raw.size(),
                  Z_NO_COMPRESSION) != Z_OK) {
        return {};
    }
    packed.resize(packedSize);

    std::string header;
    put32(header, static_cast<std::uint32_t>(width));
    put32(header, static_cast<std::uint32_t>(height));
    header += bitDepth;
    header += colourType;
    header += std::string(3, '\0');  // deflate, adaptive filters, no interlace
    std::string out = "\x89PNG\r\n\x1a\n";
    putChunk(out, "IHDR", header);
    putChunk(out, "IDAT", packed);
    putChunk(out, "IEND", {});
    return out;
}

}  // namespace

std::string encodeQuickGrey16Png(const unsigned short* samples, int width, int height) {
    // PNG keeps 16-bit samples big-endian.
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::vector<unsigned char> bytes(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[2 * i] = static_cast<unsigned char>(samples[i] >> 8);
        bytes[2 * i + 1] = static_cast<unsigned char>(samples[i] & 0xFFu);
    }
    return png(bytes.data(), static_cast<std::size_t>(width) * 2, width, height, 16, 0);
}

std::string encodeQuickPng(const unsigned char* pixels, int width, int height, int channels) {
    const char colourType = channels == 1 ? 0 : channels == 3 ? 2 : 6;  // grey, RGB, RGBA
    return png(pixels, static_cast<std::size_t>(width) * static_cast<std::size_t>(channels), width,
               height, 8, colourType);
}

}  // namespace proctex::cli::studio
