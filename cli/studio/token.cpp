#include "token.h"

#include <random>

namespace proctex::cli::studio {

std::string makeToken() {
    std::random_device source;
    static constexpr char kHex[] = "0123456789abcdef";
    std::string token;
    for (int i = 0; i < 4; ++i) {
        const unsigned word = source();
        for (int shift = 28; shift >= 0; shift -= 4) token += kHex[(word >> shift) & 0xFu];
    }
    return token;
}

bool sameToken(std::string_view given, std::string_view expected) {
    if (given.size() != expected.size() || expected.empty()) return false;
    unsigned char differ = 0;
    for (std::size_t i = 0; i < given.size(); ++i) {
        differ |= static_cast<unsigned char>(given[i] ^ expected[i]);
    }
    return differ == 0;
}

}  // namespace proctex::cli::studio
