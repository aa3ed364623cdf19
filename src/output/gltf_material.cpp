#include "output/gltf_material.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string_view>
#include <type_traits>
#include <utility>

#include "output/json_text.h"
#include "output/preview_mesh.h"

namespace proctex {

namespace {

// glTF's enumerations.
constexpr int kFloat = 5126, kUnsignedShort = 5123, kUnsignedInt = 5125;
constexpr int kArrayBuffer = 34962, kElementArrayBuffer = 34963;
constexpr int kLinear = 9729, kLinearMipmapLinear = 9987, kRepeat = 10497, kClampToEdge = 33071;

constexpr int kSphereSegments = 48, kSphereRings = 24;
constexpr float kSphereRadius = 1.0f;

// A slice of the one buffer. Vertex data and indices name their target;
// images do not.
struct BufferView {
    std::size_t offset = 0, length = 0;
    int target = 0;
};

struct BufferLayout {
    std::vector<uint8_t> bytes;
    std::vector<BufferView> views;
};

// Every view starts on a 4-byte boundary, which float attributes need and
// which keeps the total a multiple of 4 as the .glb chunk requires.
void padToFour(std::vector<uint8_t>& bytes) {
    bytes.resize((bytes.size() + 3) & ~std::size_t{3}, 0);
}

void appendView(BufferLayout& layout, const uint8_t* data, std::size_t length, int target) {
    padToFour(layout.bytes);
    layout.views.push_back({layout.bytes.size(), length, target});
    layout.bytes.insert(layout.bytes.end(), data, data + length);
    padToFour(layout.bytes);
}

// Little-endian whatever the host, so the files are the same everywhere.
template <typename Word>
std::vector<uint8_t> littleEndianBytes(const std::vector<Word>& words) {
    std::vector<uint8_t> bytes(words.size() * sizeof(Word));
    for (std::size_t i = 0; i < words.size(); ++i) {
        uint32_t bits = 0;
        if constexpr (std::is_same_v<Word, float>) {
            std::memcpy(&bits, &words[i], sizeof bits);
        } else {
            bits = words[i];
        }
        for (std::size_t b = 0; b < sizeof(Word); ++b) {
            bytes[i * sizeof(Word) + b] = static_cast<uint8_t>(bits >> (8 * b));
        }
    }
    return bytes;
}

// Indices are 16-bit while every vertex number fits (65535 is reserved for
// primitive restart).
bool needsWideIndices(const PreviewMesh& mesh) {
    return mesh.vertexCount() > 0xFFFF;
}

// Views 0..4: positions, normals, texture coordinates, tangents, indices.
BufferLayout layoutMesh(const PreviewMesh& mesh) {
    BufferLayout layout;
    const auto append = [&layout](const std::vector<uint8_t>& bytes, int target) {
        appendView(layout, bytes.data(), bytes.size(), target);
    };
    append(littleEndianBytes(mesh.positions), kArrayBuffer);
    append(littleEndianBytes(mesh.normals), kArrayBuffer);
    append(littleEndianBytes(mesh.texcoords), kArrayBuffer);
    append(littleEndianBytes(mesh.tangents), kArrayBuffer);
    if (needsWideIndices(mesh)) {
        append(littleEndianBytes(mesh.indices), kElementArrayBuffer);
    } else {
        const std::vector<uint16_t> narrow(mesh.indices.begin(), mesh.indices.end());
        append(littleEndianBytes(narrow), kElementArrayBuffer);
    }
    return layout;
}

// ",min:[...],max:[...]" of the POSITION accessor, which glTF requires.
std::string positionBounds(const PreviewMesh& mesh) {
    std::array<float, 3> low{}, high{};
    low.fill(std::numeric_limits<float>::infinity());
    high.fill(-std::numeric_limits<float>::infinity());
    for (std::size_t i = 0; i < mesh.positions.size(); ++i) {
        low[i % 3] = std::min(low[i % 3], mesh.positions[i]);
        high[i % 3] = std::max(high[i % 3], mesh.positions[i]);
    }
    const auto list = [](const std::array<float, 3>& v) {
        return jsonArray({jsonNumber(v[0]), jsonNumber(v[1]), jsonNumber(v[2])});
    };
    return ",\"min\":" + list(low) + ",\"max\":" + list(high);
}

std::string accessors(const PreviewMesh& mesh) {
    const std::string vertices = jsonInteger(mesh.vertexCount());
    const auto attribute = [&](int view, const char* type, const std::string& extra) {
        return "{\"bufferView\":" + jsonInteger(view) +
               ",\"componentType\":" + jsonInteger(kFloat) + ",\"count\":" + vertices +
               ",\"type\":\"" + type + "\"" + extra + "}";
    };
    const int indexType = needsWideIndices(mesh) ? kUnsignedInt : kUnsignedShort;
    return jsonArray({attribute(0, "VEC3", positionBounds(mesh)), attribute(1, "VEC3", ""),
                      attribute(2, "VEC2", ""), attribute(3, "VEC4", ""),
                      "{\"bufferView\":4,\"componentType\":" + jsonInteger(indexType) +
                          ",\"count\":" + jsonInteger(mesh.indices.size()) +
                          ",\"type\":\"SCALAR\"}"});
}

std::string bufferViews(const BufferLayout& layout) {
    std::vector<std::string> views;
    for (const BufferView& view : layout.views) {
        std::string text = "{\"buffer\":0,\"byteOffset\":" + jsonInteger(view.offset) +
                           ",\"byteLength\":" + jsonInteger(view.length);
        if (view.target != 0) text += ",\"target\":" + jsonInteger(view.target);
        views.push_back(text + "}");
    }
    return jsonArray(views);
}

bool repeats(const GltfOptions& options) {
    return options.tileable && (options.repeatU > 1 || options.repeatV > 1);
}

// A material's reference to texture `index`. The preview's repeat lives in
// the sphere's UVs, so the material itself shows one tile per 0..1 on any
// mesh it is put on.
std::string textureInfo(int index, const GltfOptions&, const std::string& extra) {
    return "{\"index\":" + jsonInteger(index) + extra + "}";
}

// The preview sphere, its UVs spanning repeatU x repeatV tiles when the
// material tiles.
PreviewMesh previewMesh(const GltfOptions& options) {
    PreviewMesh mesh = makeUvSphere(kSphereSegments, kSphereRings, kSphereRadius);
    if (repeats(options)) {
        const float u = static_cast<float>(std::max(options.repeatU, 1));
        const float v = static_cast<float>(std::max(options.repeatV, 1));
        for (std::size_t i = 0; i + 1 < mesh.texcoords.size(); i += 2) {
            mesh.texcoords[i] *= u;
            mesh.texcoords[i + 1] *= v;
        }
    }
    return mesh;
}

bool isPhysicalSize(float metres) {
    return std::isfinite(metres) && metres > 0.0f;
}

bool glows(const GltfImages& images) {
    return !images.emissivePng.empty();
}

// The strength extension only where the texture alone cannot reach the glow.
bool strengthensGlow(const GltfImages& images, const GltfOptions& options) {
    return glows(images) && std::isfinite(options.emissiveStrength) &&
           options.emissiveStrength > 1.0f;
}

std::string emission(const GltfImages& images, const GltfOptions& options) {
    if (!glows(images)) return {};
    std::string text =
        ",\"emissiveTexture\":" + textureInfo(3, options, "") + ",\"emissiveFactor\":[1,1,1]";
    if (strengthensGlow(images, options)) {
        text += ",\"extensions\":{\"KHR_materials_emissive_strength\":{\"emissiveStrength\":" +
                jsonNumber(options.emissiveStrength) + "}}";
    }
    return text;
}

std::string material(const GltfImages& images, const GltfOptions& options) {
    std::string text = "{\"name\":" + jsonString(options.materialName) +
                       ",\"pbrMetallicRoughness\":{\"baseColorFactor\":[1,1,1,1]" +
                       ",\"baseColorTexture\":" + textureInfo(0, options, "") +
                       ",\"metallicFactor\":1,\"roughnessFactor\":1" +
                       ",\"metallicRoughnessTexture\":" + textureInfo(2, options, "") + "}" +
                       ",\"normalTexture\":" + textureInfo(1, options, ",\"scale\":1") +
                       ",\"occlusionTexture\":" + textureInfo(2, options, ",\"strength\":1") +
                       emission(images, options) + ",\"doubleSided\":false";
    std::vector<std::string> extras;
    if (isPhysicalSize(options.tileSizeMetres)) {
        extras.push_back("\"tileSizeMetres\":" + jsonNumber(options.tileSizeMetres));
    }
    if (isPhysicalSize(options.heightRangeMetres)) {
        extras.push_back("\"heightRangeMetres\":" + jsonNumber(options.heightRangeMetres));
    }
    if (!extras.empty()) {
        text += ",\"extras\":{";
        for (std::size_t i = 0; i < extras.size(); ++i) text += (i ? "," : "") + extras[i];
        text += "}";
    }
    return text + "}";
}

std::string sampler(const GltfOptions& options) {
    const std::string wrap = jsonInteger(options.tileable ? kRepeat : kClampToEdge);
    return "[{\"magFilter\":" + jsonInteger(kLinear) +
           ",\"minFilter\":" + jsonInteger(kLinearMipmapLinear) + ",\"wrapS\":" + wrap +
           ",\"wrapT\":" + wrap + "}]";
}

// The images, in texture order: from files beside the .gltf, or from views
// 5..8 of the .glb's buffer (the glow's last, when there is one).
std::string imageList(const GltfImages& images, bool embedded) {
    const std::string* names[4] = {&images.baseColorFileName, &images.normalGlFileName,
                                   &images.ormFileName, &images.emissiveFileName};
    std::vector<std::string> list;
    for (std::size_t i = 0; i < (glows(images) ? 4u : 3u); ++i) {
        std::string text = "{\"name\":" + jsonString(*names[i]);
        if (embedded) {
            text += ",\"bufferView\":" + jsonInteger(5 + i) + ",\"mimeType\":\"image/png\"";
        } else {
            text += ",\"uri\":" + jsonString(uriFromFileName(*names[i]));
        }
        list.push_back(text + "}");
    }
    return jsonArray(list);
}

// The whole document; bufferFileName is empty for the .glb's own buffer.
std::string document(const PreviewMesh& mesh, const BufferLayout& layout, const GltfImages& images,
                     const GltfOptions& options, const std::string& bufferFileName) {
    const std::string generator = options.generator.empty() ? "proctex" : options.generator;
    std::string buffer = "{\"byteLength\":" + jsonInteger(layout.bytes.size());
    if (!bufferFileName.empty()) {
        buffer += ",\"uri\":" + jsonString(uriFromFileName(bufferFileName));
    }
    buffer += "}";

    std::string json =
        "{\"asset\":{\"version\":\"2.0\",\"generator\":" + jsonString(generator) + "}";
    std::vector<std::string> extensions;
    if (strengthensGlow(images, options)) {
        extensions.push_back(jsonString("KHR_materials_emissive_strength"));
    }
    if (!extensions.empty()) json += ",\"extensionsUsed\":" + jsonArray(extensions);
    json += ",\"scene\":0,\"scenes\":[{\"nodes\":[0]}]";
    json += ",\"nodes\":[{\"name\":" + jsonString(options.materialName) + ",\"mesh\":0}]";
    json +=
        ",\"meshes\":[{\"name\":\"preview sphere\",\"primitives\":[{\"attributes\":{"
        "\"POSITION\":0,\"NORMAL\":1,\"TEXCOORD_0\":2,\"TANGENT\":3},\"indices\":4,\"material\":0}]"
        "}]";
    json += ",\"materials\":[" + material(images, options) + "]";
    json +=
        ",\"textures\":[{\"sampler\":0,\"source\":0},{\"sampler\":0,\"source\":1},"
        "{\"sampler\":0,\"source\":2}";
    if (glows(images)) json += ",{\"sampler\":0,\"source\":3}";
    json += "]";
    json += ",\"samplers\":" + sampler(options);
    json += ",\"images\":" + imageList(images, bufferFileName.empty());
    json += ",\"accessors\":" + accessors(mesh);
    json += ",\"bufferViews\":" + bufferViews(layout);
    json += ",\"buffers\":[" + buffer + "]}";
    return json;
}

void appendUint32(std::vector<uint8_t>& bytes, uint32_t value) {
    for (int b = 0; b < 4; ++b) bytes.push_back(static_cast<uint8_t>(value >> (8 * b)));
}

}  // namespace

GltfText makeGltf(const GltfImages& images, const GltfOptions& options) {
    const PreviewMesh mesh = previewMesh(options);
    BufferLayout layout = layoutMesh(mesh);
    const std::string bufferName =
        options.bufferFileName.empty() ? std::string("material.bin") : options.bufferFileName;
    GltfText text;
    text.json = document(mesh, layout, images, options, bufferName);
    text.bin = std::move(layout.bytes);
    return text;
}

std::vector<uint8_t> makeGlb(const GltfImages& images, const GltfOptions& options) {
    const PreviewMesh mesh = previewMesh(options);
    BufferLayout layout = layoutMesh(mesh);
    for (const std::vector<uint8_t>* png :
         {&images.baseColorPng, &images.normalGlPng, &images.ormPng}) {
        if (png->empty()) throw std::invalid_argument("makeGlb: an image has no bytes");
        appendView(layout, png->data(), png->size(), 0);
    }
    if (glows(images)) appendView(layout, images.emissivePng.data(), images.emissivePng.size(), 0);
    std::string json = document(mesh, layout, images, options, "");
    json.resize((json.size() + 3) & ~std::size_t{3}, ' ');  // the JSON chunk pads with spaces

    const std::size_t total = 12 + 8 + json.size() + 8 + layout.bytes.size();
    if (total > std::numeric_limits<uint32_t>::max()) {
        throw std::length_error("makeGlb: the file would pass 4 GiB");
    }
    std::vector<uint8_t> glb;
    glb.reserve(total);
    appendUint32(glb, 0x46546C67);  // "glTF"
    appendUint32(glb, 2);
    appendUint32(glb, static_cast<uint32_t>(total));
    appendUint32(glb, static_cast<uint32_t>(json.size()));
    appendUint32(glb, 0x4E4F534A);  // "JSON"
    glb.insert(glb.end(), json.begin(), json.end());
    appendUint32(glb, static_cast<uint32_t>(layout.bytes.size()));
    appendUint32(glb, 0x004E4942);  // "BIN\0"
    glb.insert(glb.end(), layout.bytes.begin(), layout.bytes.end());
    return glb;
}

}  // namespace proctex
