// `proctex validate BASE.png`: checks a written material set the way PBR
// validators do, map by map.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace proctex::cli {

// One line of the report: a map, whether it passed, and what was measured.
struct MapVerdict {
    std::string map;   // "diffuse", "metallic", ...
    std::string file;  // the file read
    bool ok = true;
    std::string detail;
};

// Reads the set named after `base` (as proctex names it: <base>_diff.png,
// _nmap.png or _nmap_gl.png, _metal.png, _rough.png, _ao.png, _emissive.png;
// only the diffuse map must exist) and checks: every map the diffuse's size;
// dielectric base colours within 30..240 and metal ones at least 180 of 255
// (luminance); metallic at 0 or 1, not in between over large areas; normal
// vectors of unit length pointing out of the surface; occlusion mostly open.
// Maps are read one at a time through loadCheckedPng: one that is there but
// too large, damaged or not a PNG fails.
std::vector<MapVerdict> validateSet(const std::string& base);

// Prints the verdicts, one line each, and returns 0 when all passed, else 1.
int printVerdicts(const std::vector<MapVerdict>& verdicts, std::FILE* out);

}  // namespace proctex::cli
