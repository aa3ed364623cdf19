#include "settings/color_ramp_text.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "core/numeric.h"

namespace proctex {

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

std::string shortest(float v) {
    char buffer[32];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, v).ptr);
}

// A 0..1 channel as its nearest byte.
unsigned byteOf(float channel) {
    const float clamped = channel >= 0.0f ? std::min(channel, 1.0f) : 0.0f;  // NaN too
    const float scaled = clamped * 255.0f + 0.5f;
    return static_cast<unsigned>(truncToInt32(scaled));
}

}  // namespace

// "#rrggbb" as three 0..1 values; false when it is not that.
bool readHexColor(std::string_view text, float* rgb) {
    if (text.size() != 7 || text[0] != '#') return false;
    for (int c = 0; c < 3; ++c) {
        const int high = hexDigit(text[1 + 2 * c]);
        const int low = hexDigit(text[2 + 2 * c]);
        if (high < 0 || low < 0) return false;
        rgb[c] = static_cast<float>(high * 16 + low) / 255.0f;
    }
    return true;
}

std::string hexColorText(const float* rgb) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "#%02x%02x%02x", byteOf(rgb[0]), byteOf(rgb[1]), byteOf(rgb[2]));
    return hex;
}

std::string setColorRamp(std::string_view text, ProctexSettings& settings) {
    if (trimmed(text).empty()) {
        settings.colorStopCount = 0;
        return {};
    }
    float stops[8][4] = {};
    int count = 0;
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view stop = trimmed(text.substr(0, comma));
        const std::size_t at = stop.find('@');
        if (count == 8) return "at most eight colour stops";
        float position = 0.0f;
        const std::string_view where = at == std::string_view::npos ? "" : stop.substr(at + 1);
        const auto parsed = std::from_chars(where.data(), where.data() + where.size(), position);
        if (at == std::string_view::npos || !readHexColor(stop.substr(0, at), stops[count]) ||
            parsed.ec != std::errc() || parsed.ptr != where.data() + where.size()) {
            return "a colour stop is #rrggbb@position, e.g. #8a5a2b@0.6 (got '" +
                   std::string(stop) + "')";
        }
        if (!(position >= 0.0f && position <= 1.0f)) {
            return "colour stop positions lie from 0 to 1 (got '" + std::string(stop) + "')";
        }
        if (count > 0 && position < stops[count - 1][3]) {
            return "colour stop positions must rise (got '" + std::string(stop) + "' after " +
                   shortest(stops[count - 1][3]) + ")";
        }
        stops[count++][3] = position;
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    settings.colorStopCount = count;
    std::copy(&stops[0][0], &stops[0][0] + 32, &settings.colorStops[0][0]);
    settings.materialType = PROCTEX_MATERIAL_CUSTOM;
    return {};
}

std::string colorRampText(const ProctexSettings& settings) {
    std::string text;
    const int count = std::clamp(settings.colorStopCount, 0, 8);
    for (int i = 0; i < count; ++i) {
        const float* stop = settings.colorStops[i];
        if (i > 0) text += ',';
        text.append(hexColorText(stop)).append(1, '@').append(shortest(stop[3]));
    }
    return text;
}

}  // namespace proctex
