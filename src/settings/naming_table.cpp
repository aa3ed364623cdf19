#include "settings/naming_table.h"

namespace proctex {

namespace {

// The suffixes each convention's users look for, the normal map's convention
// always in its name. Maps: diffuse, normal (ours: DirectX), specular,
// roughness, metallic, -, 16-bit height, occlusion, OpenGL normal, ORM,
// emissive, metallic-smoothness, mask. Unity's shaders read smoothness from
// the alpha of the metallic map, HDRP's from the mask map.
constexpr NamingSpec kConventions[] = {
    {"proctex", "ours: <base>_diff.png, _nmap.png, ...", {}},
    {"ambientcg",
     "ambientCG: _Color, _NormalDX, _NormalGL, _Roughness, ...",
     {"_Color", "_NormalDX", nullptr, "_Roughness", "_Metalness", nullptr, "_Displacement",
      "_AmbientOcclusion", "_NormalGL", nullptr, "_Emission", nullptr, nullptr}},
    {"unreal",
     "Unreal Engine: _BaseColor, _Normal_DX, _ORM, ...",
     {"_BaseColor", "_Normal_DX", nullptr, "_Roughness", "_Metallic", nullptr, "_Height",
      "_AmbientOcclusion", nullptr, "_ORM", "_Emissive", nullptr, nullptr}},
    {"unity",
     "Unity (built-in and URP): _Albedo, _Normal_GL, _MetallicSmoothness, ...",
     {"_Albedo", nullptr, nullptr, nullptr, nullptr, nullptr, "_Height", "_Occlusion", "_Normal_GL",
      nullptr, "_Emission", "_MetallicSmoothness", nullptr}},
    {"hdrp",
     "Unity HDRP: _BaseMap, _Normal_GL, _MaskMap, ...",
     {"_BaseMap", nullptr, nullptr, nullptr, nullptr, nullptr, "_Height", nullptr, "_Normal_GL",
      nullptr, "_Emission", nullptr, "_MaskMap"}},
    {"godot",
     "Godot: _albedo, _normal_gl, _orm, ...",
     {"_albedo", nullptr, nullptr, "_roughness", "_metallic", nullptr, "_height", "_ao",
      "_normal_gl", "_orm", "_emission", nullptr, nullptr}},
};

}  // namespace

std::span<const NamingSpec> namingTable() {
    return kConventions;
}

}  // namespace proctex
