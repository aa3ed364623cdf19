// libFuzzer harness: our PNG encoder against stb_image_write on arbitrary
// images. The first four bytes choose the shape (width, height, channels,
// row padding); the rest are the pixels, repeated as needed, so the fuzzer
// explores contents that stress the filter choice and the match finder.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "output/png_encoder.h"
#include "stb_image_write_static.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5) return 0;
    const int width = 1 + data[0] % 96;
    const int height = 1 + data[1] % 64;
    const int channels = 1 + data[2] % 4;
    const int stride = width * channels + data[3] % 4;
    const uint8_t* content = data + 4;
    const std::size_t contentSize = size - 4;
    std::vector<uint8_t> pixels(std::size_t(stride) * std::size_t(height));
    for (std::size_t k = 0; k < pixels.size(); ++k) pixels[k] = content[k % contentSize];

    const proctex::EncodedBytes ours =
        proctex::encodePngOwn(pixels.data(), width, height, channels, stride);
    int stbLength = 0;
    uint8_t* stb =
        stbi_write_png_to_mem(pixels.data(), stride, width, height, channels, &stbLength);
    if (ours.empty() || stb == nullptr || ours.size() != std::size_t(stbLength) ||
        std::memcmp(ours.data(), stb, ours.size()) != 0) {
        std::fprintf(stderr, "encoders differ on %dx%dx%d (stride %d): %zu against %d bytes\n",
                     width, height, channels, stride, ours.size(), stbLength);
        std::abort();
    }
    STBIW_FREE(stb);
    return 0;
}
