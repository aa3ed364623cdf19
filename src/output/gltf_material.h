// A material as glTF 2.0 files engines and viewers import: one PBR
// metallic-roughness material on a preview sphere, either as a .gltf (JSON)
// with a .bin and the PNGs beside it, or as one .glb with everything inside.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace proctex {

// The three images of the material, as finished PNG files.
struct GltfImages {
    std::vector<uint8_t> baseColorPng;  // the diffuse map, sRGB
    std::vector<uint8_t> normalGlPng;   // tangent-space normals, OpenGL convention (green up)
    std::vector<uint8_t> ormPng;        // occlusion, roughness, metalness in R, G, B
    // Where the .gltf finds them: file names relative to it (any text;
    // percent-encoded when written as URIs). The .glb only keeps them as names.
    std::string baseColorFileName;
    std::string normalGlFileName;
    std::string ormFileName;
    // Optional: the glow (sRGB), the material's emissiveTexture when not empty.
    std::vector<uint8_t> emissivePng;
    std::string emissiveFileName;
};

struct GltfOptions {
    std::string materialName = "material";  // also the name of the node
    // A tileable material repeats repeatU x repeatV times on the preview
    // sphere, whose UVs span that many tiles (the material's own textures
    // carry no transform, so on the user's mesh one tile spans 0..1), and
    // samples with wrapping; others are shown once and clamped at the edges.
    // Around the sphere is twice as long as pole to pole, so 2 x 1 keeps the
    // tiles square.
    bool tileable = false;
    int repeatU = 2;
    int repeatV = 1;
    // Written in the material's extras when positive and finite: the size of
    // one tile and the height the map's full range spans, for importers that
    // set up tiling and displacement.
    float tileSizeMetres = 0.0f;
    float heightRangeMetres = 0.0f;
    // Above 1 the glow is brighter than its texture's full colour
    // (KHR_materials_emissive_strength); only read with an emissive image.
    float emissiveStrength = 1.0f;
    std::string generator;  // asset.generator, e.g. "proctex 0.1.0"; empty gives "proctex"
    // The file name of the .gltf's mesh buffer, which the caller writes beside it.
    std::string bufferFileName = "material.bin";
};

// A .gltf and the .bin it refers to as options.bufferFileName.
struct GltfText {
    std::string json;
    std::vector<uint8_t> bin;
};

// The .gltf JSON and its mesh buffer; the images stay outside, referred to by
// their file names.
GltfText makeGltf(const GltfImages& images, const GltfOptions& options);

// One .glb holding the same document, the mesh and the three PNGs. Throws
// std::invalid_argument when an image is empty and std::length_error when the
// file would pass the format's 4 GiB limit.
std::vector<uint8_t> makeGlb(const GltfImages& images, const GltfOptions& options);

}  // namespace proctex
