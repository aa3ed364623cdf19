// Writes glTF material files for the validator test into the directory given
// as the only argument: small generated PNGs, a tileable material as
// .gltf + .bin + PNGs and as .glb, and an untileable one whose names need
// escaping.
#include <cstdio>
#include <string>
#include <vector>

#include "output/file_output.h"
#include "output/gltf_material.h"
#include "output/png_writer.h"

namespace {

using proctex::GltfImages;
using proctex::GltfOptions;

// An RGB image of width x height whose channels are made by `pixel`.
template <typename Pixel>
std::vector<uint8_t> pngOf(int width, int height, Pixel pixel) {
    std::vector<uint8_t> rgb;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto [r, g, b] = pixel(x, y);
            rgb.insert(rgb.end(), {r, g, b});
        }
    }
    const proctex::EncodedBytes png =
        proctex::encodePngBytes(rgb.data(), width, height, 3, width * 3);
    return std::vector<uint8_t>(png.data(), png.data() + png.size());
}

struct Rgb {
    uint8_t r, g, b;
};

GltfImages sampleImages(int size, const std::string& stem) {
    GltfImages images;
    images.baseColorPng = pngOf(size, size, [](int x, int y) {
        return Rgb{static_cast<uint8_t>(x * 16), static_cast<uint8_t>(y * 16), 128};
    });
    // A bump's normals, green up; flat (128, 128, 255) outside it.
    images.normalGlPng = pngOf(size, size, [size](int x, int y) {
        const bool inside = x > size / 4 && x < 3 * size / 4 && y > size / 4 && y < 3 * size / 4;
        return inside ? Rgb{static_cast<uint8_t>(x < size / 2 ? 90 : 166),
                            static_cast<uint8_t>(y < size / 2 ? 166 : 90), 230}
                      : Rgb{128, 128, 255};
    });
    images.ormPng = pngOf(size, size, [](int x, int y) {
        return Rgb{static_cast<uint8_t>(255 - x), static_cast<uint8_t>(100 + y), 0};
    });
    images.baseColorFileName = stem + "_diffuse.png";
    images.normalGlFileName = stem + "_nmap_gl.png";
    images.ormFileName = stem + "_orm.png";
    return images;
}

bool write(const std::string& path, const std::vector<uint8_t>& bytes) {
    const bool ok = proctex::writeFileBytes(path, bytes.data(), bytes.size());
    if (!ok) std::fprintf(stderr, "write_samples: cannot write %s\n", path.c_str());
    return ok;
}

bool writeGltfSet(const std::string& dir, const std::string& stem, const GltfImages& images,
                  GltfOptions options) {
    options.bufferFileName = stem + ".bin";
    const proctex::GltfText text = proctex::makeGltf(images, options);
    const std::vector<uint8_t> json(text.json.begin(), text.json.end());
    return write(dir + "/" + stem + ".gltf", json) &&
           write(dir + "/" + options.bufferFileName, text.bin) &&
           write(dir + "/" + images.baseColorFileName, images.baseColorPng) &&
           write(dir + "/" + images.normalGlFileName, images.normalGlPng) &&
           write(dir + "/" + images.ormFileName, images.ormPng) &&
           write(dir + "/" + stem + ".glb", proctex::makeGlb(images, options));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: write_samples DIR\n");
        return 2;
    }
    const std::string dir = argv[1];

    GltfOptions tileable;
    tileable.materialName = "stone";
    tileable.tileable = true;
    tileable.tileSizeMetres = 0.5f;
    tileable.heightRangeMetres = 0.02f;
    tileable.generator = "proctex " PROCTEX_VERSION_TEXT;

    GltfOptions single;
    single.materialName = "plank \"oak\" \\ #1";
    single.generator = tileable.generator;

    const bool ok = writeGltfSet(dir, "stone", sampleImages(16, "stone"), tileable) &&
                    writeGltfSet(dir, "plank oak #1", sampleImages(8, "plank oak #1"), single);
    return ok ? 0 : 1;
}
