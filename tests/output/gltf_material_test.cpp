#include "output/gltf_material.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <stdexcept>

#include "output/json_text.h"

namespace proctex {
namespace {

using nlohmann::json;

GltfImages fakeImages() {
    // The writer copies the bytes as they are; distinct lengths and contents
    // show that each lands in its own view.
    GltfImages images;
    images.baseColorPng = {0x89, 'P', 'N', 'G', 1};
    images.normalGlPng = {0x89, 'P', 'N', 'G', 2, 2};
    images.ormPng = {0x89, 'P', 'N', 'G', 3, 3, 3};
    images.baseColorFileName = "a b#1%_diffuse.png";
    images.normalGlFileName = "x_nmap_gl.png";
    images.ormFileName = "x_orm.png";
    return images;
}

uint32_t le32(const std::vector<uint8_t>& b, std::size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}

struct Asset {
    json doc;
    std::vector<uint8_t> bin;
};

// Splits a .glb, checking the container on the way.
Asset openGlb(const std::vector<uint8_t>& glb) {
    Asset asset;
    EXPECT_GE(glb.size(), 28u);
    if (glb.size() < 28) return asset;
    EXPECT_EQ(le32(glb, 0), 0x46546C67u);
    EXPECT_EQ(le32(glb, 4), 2u);
    EXPECT_EQ(le32(glb, 8), glb.size());
    const uint32_t jsonLength = le32(glb, 12);
    EXPECT_EQ(le32(glb, 16), 0x4E4F534Au);
    EXPECT_EQ(jsonLength % 4, 0u);
    const std::size_t binHeader = 20 + std::size_t{jsonLength};
    EXPECT_LE(binHeader + 8, glb.size());
    if (binHeader + 8 > glb.size()) return asset;
    const uint32_t binLength = le32(glb, binHeader);
    EXPECT_EQ(le32(glb, binHeader + 4), 0x004E4942u);
    EXPECT_EQ(binLength % 4, 0u);
    EXPECT_EQ(binHeader + 8 + binLength, glb.size());
    asset.doc = json::parse(glb.begin() + 20, glb.begin() + 20 + jsonLength);
    asset.bin.assign(glb.begin() + std::ptrdiff_t(binHeader + 8), glb.end());
    return asset;
}

// The values of a float accessor, after checking that its view holds exactly
// them inside the buffer.
std::vector<float> floatsOf(const Asset& asset, const char* attribute) {
    const json& accessor =
        asset.doc["accessors"]
                 [asset.doc["meshes"][0]["primitives"][0]["attributes"][attribute].get<int>()];
    const json& view = asset.doc["bufferViews"][accessor["bufferView"].get<int>()];
    const std::map<std::string, std::size_t> widths = {{"VEC2", 2}, {"VEC3", 3}, {"VEC4", 4}};
    const std::size_t count =
        accessor["count"].get<std::size_t>() * widths.at(accessor["type"].get<std::string>());
    const std::size_t offset = view["byteOffset"], length = view["byteLength"];
    EXPECT_EQ(accessor["componentType"], 5126);
    EXPECT_EQ(length, count * 4);
    EXPECT_EQ(offset % 4, 0u);
    EXPECT_LE(offset + length, asset.bin.size());
    std::vector<float> values(count);
    for (std::size_t i = 0; i < count && offset + length <= asset.bin.size(); ++i) {
        const uint32_t bits = le32(asset.bin, offset + i * 4);
        std::memcpy(&values[i], &bits, 4);
    }
    return values;
}

std::vector<uint32_t> indicesOf(const Asset& asset) {
    const json& accessor =
        asset.doc["accessors"][asset.doc["meshes"][0]["primitives"][0]["indices"].get<int>()];
    const json& view = asset.doc["bufferViews"][accessor["bufferView"].get<int>()];
    EXPECT_EQ(accessor["componentType"], 5123);
    const std::size_t offset = view["byteOffset"], count = accessor["count"];
    EXPECT_EQ(view["byteLength"], count * 2);
    EXPECT_LE(offset + count * 2, asset.bin.size());
    std::vector<uint32_t> indices;
    for (std::size_t i = 0; i < count && offset + count * 2 <= asset.bin.size(); ++i) {
        indices.push_back(asset.bin[offset + 2 * i] | uint32_t(asset.bin[offset + 2 * i + 1]) << 8);
    }
    return indices;
}

float dot(const float* a, const float* b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
void cross(const float* a, const float* b, float* out) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

// A glowing material carries its glow as a fourth image and texture, and the
// strength extension only when the glow is brighter than its texture.
TEST(GltfMaterial, EmissionAddsItsTextureAndStrengthOnlyWhenBrighter) {
    GltfImages images = fakeImages();
    images.emissivePng = {0x89, 'P', 'N', 'G', 4, 4, 4, 4};
    images.emissiveFileName = "x_emissive.png";
    GltfOptions options;
    options.emissiveStrength = 4.0f;
    const Asset glb = openGlb(makeGlb(images, options));
    const json& material = glb.doc["materials"][0];
    ASSERT_EQ(glb.doc["images"].size(), 4u);
    const int texture = material["emissiveTexture"]["index"].get<int>();
    const json& image = glb.doc["images"][glb.doc["textures"][texture]["source"].get<int>()];
    const json& view = glb.doc["bufferViews"][image["bufferView"].get<int>()];
    const auto begin = glb.bin.begin() + view["byteOffset"].get<std::ptrdiff_t>();
    EXPECT_EQ(std::vector<uint8_t>(begin, begin + view["byteLength"].get<std::ptrdiff_t>()),
              images.emissivePng);
    EXPECT_EQ(material["emissiveFactor"], json::array({1, 1, 1}));
    EXPECT_EQ(material["extensions"]["KHR_materials_emissive_strength"]["emissiveStrength"], 4.0);
    EXPECT_EQ(glb.doc["extensionsUsed"], json::array({"KHR_materials_emissive_strength"}));

    options.emissiveStrength = 1.0f;
    const json text = json::parse(makeGltf(images, options).json);
    EXPECT_EQ(text["images"][3]["uri"], "x_emissive.png");
    EXPECT_FALSE(text["materials"][0].contains("extensions"));
    EXPECT_FALSE(text.contains("extensionsUsed"));
    // Without a glow image: three images, no emissive members at all.
    const json plain = json::parse(makeGltf(fakeImages(), options).json);
    EXPECT_EQ(plain["images"].size(), 3u);
    EXPECT_FALSE(plain["materials"][0].contains("emissiveTexture"));
    EXPECT_FALSE(plain["materials"][0].contains("emissiveFactor"));
}

TEST(GltfMaterial, GlbContainerHoldsTheDocumentMeshAndImagesAligned) {
    const GltfImages images = fakeImages();
    const Asset asset = openGlb(makeGlb(images, GltfOptions{}));
    ASSERT_TRUE(asset.doc.is_object());
    EXPECT_EQ(asset.doc["buffers"].size(), 1u);
    EXPECT_FALSE(asset.doc["buffers"][0].contains("uri"));
    EXPECT_EQ(asset.doc["buffers"][0]["byteLength"].get<std::size_t>(), asset.bin.size());
    for (const json& view : asset.doc["bufferViews"]) {
        EXPECT_EQ(view["byteOffset"].get<std::size_t>() % 4, 0u);
        EXPECT_LE(view["byteOffset"].get<std::size_t>() + view["byteLength"].get<std::size_t>(),
                  asset.bin.size());
    }
    const std::vector<uint8_t>* pngs[3] = {&images.baseColorPng, &images.normalGlPng,
                                           &images.ormPng};
    for (int i = 0; i < 3; ++i) {
        const json& image = asset.doc["images"][i];
        EXPECT_EQ(image["mimeType"], "image/png");
        const json& view = asset.doc["bufferViews"][image["bufferView"].get<int>()];
        const auto begin = asset.bin.begin() + view["byteOffset"].get<std::ptrdiff_t>();
        EXPECT_EQ(std::vector<uint8_t>(begin, begin + view["byteLength"].get<std::ptrdiff_t>()),
                  *pngs[i]);
    }
    EXPECT_THROW(makeGlb(GltfImages{}, GltfOptions{}), std::invalid_argument);
}

TEST(GltfMaterial, MeshDataMatchesItsAccessorsAndFacesOutward) {
    const GltfText text = makeGltf(fakeImages(), GltfOptions{});
    for (const Asset& asset :
         {Asset{json::parse(text.json), text.bin}, openGlb(makeGlb(fakeImages(), GltfOptions{}))}) {
        const std::vector<float> positions = floatsOf(asset, "POSITION");
        const json& accessor = asset.doc["accessors"][0];
        for (std::size_t axis = 0; axis < 3; ++axis) {
            float low = std::numeric_limits<float>::infinity(), high = -low;
            for (std::size_t i = axis; i < positions.size(); i += 3) {
                low = std::min(low, positions[i]);
                high = std::max(high, positions[i]);
            }
            EXPECT_EQ(accessor["min"][axis].get<float>(), low);
            EXPECT_EQ(accessor["max"][axis].get<float>(), high);
        }
        const std::size_t vertices = positions.size() / 3;
        EXPECT_EQ(floatsOf(asset, "TEXCOORD_0").size(), vertices * 2);
        const std::vector<uint32_t> indices = indicesOf(asset);
        ASSERT_EQ(indices.size() % 3, 0u);
        for (std::size_t t = 0; t < indices.size(); t += 3) {
            ASSERT_LT(std::max({indices[t], indices[t + 1], indices[t + 2]}), vertices);
            const float* p[3] = {&positions[indices[t] * 3], &positions[indices[t + 1] * 3],
                                 &positions[indices[t + 2] * 3]};
            float e1[3], e2[3], n[3], centre[3];
            for (int k = 0; k < 3; ++k) {
                e1[k] = p[1][k] - p[0][k];
                e2[k] = p[2][k] - p[0][k];
                centre[k] = p[0][k] + p[1][k] + p[2][k];
            }
            cross(e1, e2, n);
            // Counter-clockwise seen from outside, and not degenerate.
            EXPECT_GT(dot(n, centre), 1e-6f) << "triangle " << t / 3;
        }
    }
}

TEST(GltfMaterial, TangentFrameReadsOpenGlNormalMapsUpright) {
    const GltfText text = makeGltf(fakeImages(), GltfOptions{});
    const Asset asset{json::parse(text.json), text.bin};
    const std::vector<float> p = floatsOf(asset, "POSITION"), n = floatsOf(asset, "NORMAL"),
                             uv = floatsOf(asset, "TEXCOORD_0"), t = floatsOf(asset, "TANGENT");
    const std::size_t vertices = p.size() / 3;
    ASSERT_EQ(n.size(), vertices * 3);
    ASSERT_EQ(t.size(), vertices * 4);
    std::size_t checkedNeighbours = 0;
    for (std::size_t i = 0; i < vertices; ++i) {
        EXPECT_NEAR(dot(&n[i * 3], &n[i * 3]), 1.0f, 1e-5f);
        EXPECT_NEAR(dot(&t[i * 4], &t[i * 4]), 1.0f, 1e-5f);
        EXPECT_NEAR(dot(&n[i * 3], &t[i * 4]), 0.0f, 1e-5f);
        EXPECT_EQ(std::fabs(t[i * 4 + 3]), 1.0f);
        float bitangent[3];
        cross(&n[i * 3], &t[i * 4], bitangent);
        // Against every other vertex close by: the tangent follows +u and
        // the bitangent -v (green up), as glTF reads normal maps.
        for (std::size_t j = 0; j < vertices; ++j) {
            float d[3] = {p[j * 3] - p[i * 3], p[j * 3 + 1] - p[i * 3 + 1],
                          p[j * 3 + 2] - p[i * 3 + 2]};
            const float du = uv[j * 2] - uv[i * 2], dv = uv[j * 2 + 1] - uv[i * 2 + 1];
            if (dot(d, d) > 0.02f || dot(d, d) == 0.0f || std::fabs(du) > 0.5f) continue;
            if (dv == 0.0f && du != 0.0f) {
                EXPECT_GT(dot(&t[i * 4], d) * du, 0.0f) << i << " " << j;
                ++checkedNeighbours;
            } else if (du == 0.0f && dv != 0.0f) {
                EXPECT_LT(dot(bitangent, d) * t[i * 4 + 3] * dv, 0.0f) << i << " " << j;
                ++checkedNeighbours;
            }
        }
    }
    EXPECT_GT(checkedNeighbours, vertices * 4);
}

// Every textureInfo of the material, by where it sits.
std::map<std::string, json> textureInfos(const json& material) {
    return {{"baseColor", material["pbrMetallicRoughness"]["baseColorTexture"]},
            {"metallicRoughness", material["pbrMetallicRoughness"]["metallicRoughnessTexture"]},
            {"normal", material["normalTexture"]},
            {"occlusion", material["occlusionTexture"]}};
}

TEST(GltfMaterial, MaterialWiresEachMapToItsSlot) {
    const GltfImages images = fakeImages();
    GltfOptions options;
    options.bufferFileName = "my mesh.bin";
    const json doc = json::parse(makeGltf(images, options).json);
    EXPECT_EQ(doc["asset"]["version"], "2.0");
    EXPECT_EQ(doc["asset"]["generator"], "proctex");
    EXPECT_EQ(doc["buffers"][0]["uri"], "my%20mesh.bin");
    const json& material = doc["materials"][0];
    EXPECT_EQ(material["doubleSided"], false);
    EXPECT_FALSE(material.contains("extras"));
    EXPECT_FALSE(doc.contains("extensionsUsed"));
    const auto imageOf = [&](const json& info) {
        EXPECT_FALSE(info.contains("extensions"));
        return doc["images"][doc["textures"][info["index"].get<int>()]["source"].get<int>()];
    };
    const std::map<std::string, json> infos = textureInfos(material);
    EXPECT_EQ(imageOf(infos.at("baseColor"))["uri"], "a%20b%231%25_diffuse.png");
    EXPECT_EQ(imageOf(infos.at("baseColor"))["name"], images.baseColorFileName);
    EXPECT_EQ(imageOf(infos.at("normal"))["uri"], images.normalGlFileName);
    EXPECT_EQ(imageOf(infos.at("occlusion"))["uri"], images.ormFileName);
    EXPECT_EQ(imageOf(infos.at("metallicRoughness"))["uri"], images.ormFileName);
    // A one-off image is clamped, not wrapped.
    EXPECT_EQ(doc["samplers"][0]["wrapS"], 33071);
    EXPECT_EQ(doc["samplers"][0]["wrapT"], 33071);
}

// The preview repeats a tiling material through its sphere's UVs; the
// material's textures carry no transform, so the user's own mesh shows one
// tile per 0..1.
TEST(GltfMaterial, TheRepeatIsTheSpheresAndPhysicalSizesAppearOnlyWhenMeaningful) {
    GltfOptions options;
    options.tileable = true;
    options.repeatU = 3;
    options.repeatV = 2;
    options.tileSizeMetres = 0.25f;
    options.heightRangeMetres = std::numeric_limits<float>::quiet_NaN();
    options.generator = "proctex 9.9.9";
    const GltfText once = [&] {
        GltfOptions plain = options;
        plain.tileable = false;
        return makeGltf(fakeImages(), plain);
    }();
    const GltfText tiled = makeGltf(fakeImages(), options);
    for (const json& doc : {json::parse(tiled.json), openGlb(makeGlb(fakeImages(), options)).doc}) {
        EXPECT_EQ(doc["asset"]["generator"], "proctex 9.9.9");
        EXPECT_FALSE(doc.contains("extensionsUsed"));
        EXPECT_EQ(doc["samplers"][0]["wrapS"], 10497);
        for (const auto& [slot, info] : textureInfos(doc["materials"][0])) {
            EXPECT_FALSE(info.contains("extensions")) << slot;
        }
        const json& extras = doc["materials"][0]["extras"];
        EXPECT_EQ(extras["tileSizeMetres"].get<float>(), 0.25f);
        EXPECT_FALSE(extras.contains("heightRangeMetres"));
    }
    // The sphere's UVs reach 3 x 2 tiles instead of 1 x 1; the rest of the
    // buffer is the same.
    const json doc = json::parse(tiled.json);
    const json& uv = doc["bufferViews"][doc["accessors"][2]["bufferView"].get<int>()];
    const std::size_t from = uv["byteOffset"], length = uv["byteLength"];
    ASSERT_EQ(tiled.bin.size(), once.bin.size());
    float most[2] = {0.0f, 0.0f};
    for (std::size_t i = 0; i < length / 4; ++i) {
        float a = 0.0f, b = 0.0f;
        std::memcpy(&a, tiled.bin.data() + from + 4 * i, 4);
        std::memcpy(&b, once.bin.data() + from + 4 * i, 4);
        EXPECT_EQ(a, b * (i % 2 == 0 ? 3.0f : 2.0f)) << i;
        most[i % 2] = std::max(most[i % 2], a);
    }
    EXPECT_EQ(most[0], 3.0f);
    EXPECT_EQ(most[1], 2.0f);
    EXPECT_TRUE(std::equal(tiled.bin.begin(), tiled.bin.begin() + static_cast<long>(from),
                           once.bin.begin()));
    options.heightRangeMetres = 0.0125f;
    EXPECT_EQ(
        json::parse(
            makeGltf(fakeImages(), options).json)["materials"][0]["extras"]["heightRangeMetres"]
            .get<float>(),
        0.0125f);
}

// Every control byte is escaped: the raw text holds none, and it reads back.
TEST(JsonText, EveryControlByteIsEscaped) {
    for (int byte = 0; byte < 0x20; ++byte) {
        const std::string text = std::string("a") + static_cast<char>(byte) + "b";
        const std::string quoted = jsonString(text);
        for (char c : quoted) EXPECT_GE(static_cast<unsigned char>(c), 0x20u) << byte;
        EXPECT_EQ(json::parse(quoted), text) << byte;
    }
}

TEST(GltfMaterial, AnyNameGivesJsonThatParses) {
    GltfOptions options;
    options.materialName = "q\"b\\c\n\x01 \xC3\xA9 bad:\xFF\xC3 end";
    options.generator = "gen\t";
    const json doc = json::parse(makeGltf(fakeImages(), options).json);
    EXPECT_EQ(doc["materials"][0]["name"],
              "q\"b\\c\n\x01 \xC3\xA9 bad:\xEF\xBF\xBD\xEF\xBF\xBD end");
    EXPECT_EQ(doc["nodes"][0]["name"], doc["materials"][0]["name"]);
    EXPECT_EQ(doc["asset"]["generator"], "gen\t");
}

}  // namespace
}  // namespace proctex
