// "Did you mean ...?" for a mistyped option or preset name.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace proctex::cli {

// A name as the library reads names: lower case, '_' as '-' ("Brick_Wall"
// is "brick-wall").
std::string foldedName(std::string_view text);

// Edits (insert, delete, replace, swap of neighbours) from a to b, ignoring case.
std::size_t editDistance(std::string_view a, std::string_view b);

// The candidate `typed` is a slip for: the only one it begins, else (from
// three letters on) the nearest within a few edits; empty when none is.
std::string closestName(std::string_view typed, std::span<const std::string> candidates);

}  // namespace proctex::cli
