#include "zip.h"

#include <zlib.h>

#include <cstdint>
#include <limits>
#include <stdexcept>

namespace proctex::cli::studio {

namespace {

constexpr std::uint32_t kLocalHeader = 0x04034b50;
constexpr std::uint32_t kCentralHeader = 0x02014b50;
constexpr std::uint32_t kEndOfCentral = 0x06054b50;
constexpr std::uint16_t kVersion = 20;            // 2.0: the oldest readers take it
constexpr std::uint16_t kUtf8Names = 1u << 11;    // general purpose flag
constexpr std::uint16_t kDosDate = (1 << 5) | 1;  // 1980-01-01: archives repeat byte for byte

void put16(std::string& out, std::uint16_t v) {
    out += static_cast<char>(v & 0xFFu);
    out += static_cast<char>(v >> 8);
}

void put32(std::string& out, std::uint32_t v) {
    put16(out, static_cast<std::uint16_t>(v & 0xFFFFu));
    put16(out, static_cast<std::uint16_t>(v >> 16));
}

std::uint32_t checkedSize(std::size_t size) {
    if (size >= std::numeric_limits<std::uint32_t>::max()) {
        throw std::length_error("zip: more than 4 GiB");
    }
    return static_cast<std::uint32_t>(size);
}

// The fields the local and the central header share, from "version needed".
void putCommon(std::string& out, const ZipEntry& e, std::uint32_t crc) {
    put16(out, kVersion);
    put16(out, kUtf8Names);
    put16(out, 0);  // stored
    put16(out, 0);  // time 00:00
    put16(out, kDosDate);
    put32(out, crc);
    put32(out, checkedSize(e.bytes.size()));
    put32(out, checkedSize(e.bytes.size()));
    put16(out, static_cast<std::uint16_t>(checkedSize(e.name.size())));
    put16(out, 0);  // no extra field
}

}  // namespace

std::string zipArchive(const std::vector<ZipEntry>& entries) {
    if (entries.size() > 0xFFFFu) throw std::length_error("zip: too many entries");
    std::string out;
    std::string central;
    for (const ZipEntry& e : entries) {
        if (e.name.size() > 0xFFFFu) throw std::length_error("zip: name too long");
        const auto* data = reinterpret_cast<const Bytef*>(e.bytes.data());
        const auto crc =
            static_cast<std::uint32_t>(crc32_z(crc32_z(0, nullptr, 0), data, e.bytes.size()));
        const std::uint32_t offset = checkedSize(out.size());

        put32(out, kLocalHeader);
        putCommon(out, e, crc);
        out += e.name;
        out += e.bytes;

        put32(central, kCentralHeader);
        put16(central, kVersion);  // made by
        putCommon(central, e, crc);
        put16(central, 0);  // comment length
        put16(central, 0);  // disk
        put16(central, 0);  // internal attributes
        put32(central, 0);  // external attributes
        put32(central, offset);
        central += e.name;
    }
    const std::uint32_t centralOffset = checkedSize(out.size());
    out += central;
    put32(out, kEndOfCentral);
    put16(out, 0);  // this disk
    put16(out, 0);  // disk with the directory
    put16(out, static_cast<std::uint16_t>(entries.size()));
    put16(out, static_cast<std::uint16_t>(entries.size()));
    put32(out, checkedSize(central.size()));
    put32(out, centralOffset);
    put16(out, 0);  // comment length
    checkedSize(out.size());
    return out;
}

}  // namespace proctex::cli::studio
