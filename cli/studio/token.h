// The studio's access token: whoever holds the printed URL gets in, as with a
// notebook server.
#pragma once

#include <string>
#include <string_view>

namespace proctex::cli::studio {

// 32 hex digits (128 bits) from the system's random source.
std::string makeToken();

// Compares in time independent of where the strings differ.
bool sameToken(std::string_view given, std::string_view expected);

}  // namespace proctex::cli::studio
