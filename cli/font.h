// A built-in 5 x 7 pixel font for the labels of the contact sheets.
#pragma once

#include <array>
#include <cstdint>

namespace proctex::cli {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
constexpr int kGlyphAdvance = kGlyphWidth + 1;  // one blank column between letters

// Seven rows, top first; bit 4 is the leftmost pixel. Lower-case letters use
// the capitals; a character without a glyph shows as '?'.
using Glyph = std::array<uint8_t, kGlyphHeight>;
const Glyph& glyph(char c);

// Whether c has a glyph of its own (rather than the '?' fallback).
bool hasGlyph(char c);

}  // namespace proctex::cli
