#include "png16.h"

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

}  // namespace

std::string encodeGrey16Png(const unsigned short* samples, int width, int height) {
    // Each row: filter byte 0 (none), then big-endian samples.
    const std::size_t w = static_cast<std::size_t>(width);
    std::vector<Bytef> raw;
    raw.reserve((w * 2 + 1) * static_cast<std::size_t>(height));
    for (std::size_t y = 0; y < static_cast<std::size_t>(height); ++y) {
        raw.push_back(0);
        for (std::size_t x = 0; x < w; ++x) {
            const unsigned short v = samples[y * w + x];
            raw.push_back(static_cast<Bytef>(v >> 8));
            raw.push_back(static_cast<Bytef>(v & 0xFFu));
        }
    }
    uLongf packedSize = compressBound(raw.size());
    std::string packed(packedSize, '\0');
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize, raw.data(), raw.size(),
                  Z_BEST_SPEED) != Z_OK) {
        return {};
    }
    packed.resize(packedSize);

    std::string header;
    put32(header, static_cast<std::uint32_t>(width));
    put32(header, static_cast<std::uint32_t>(height));
    header += '\x10';                // bit depth 16
    header += std::string(4, '\0');  // grey, deflate, adaptive filters, no interlace
    std::string png = "\x89PNG\r\n\x1a\n";
    putChunk(png, "IHDR", header);
    putChunk(png, "IDAT", packed);
    putChunk(png, "IEND", {});
    return png;
}

}  // namespace proctex::cli::studio
