// The file names other tools look for: for each naming convention, the
// suffix of each map, read by every front end's --naming.
#pragma once

#include <proctex.h>

#include <span>

namespace proctex {

constexpr int kNamedMaps = PROCTEX_MAP_ID + 1;

struct NamingSpec {
    const char* name;
    const char* help;
    const char* suffix[kNamedMaps];  // by map number, without ".png"; null: ours
};

std::span<const NamingSpec> namingTable();

}  // namespace proctex
