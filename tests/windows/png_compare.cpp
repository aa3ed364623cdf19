// Says how two PNG files of the same material map differ in their pixels:
//   proctex_png_compare A B
// Prints one line: the image size and channels, then how many samples differ
// and by how much at most, and where the first differing pixel is. Exit 0 when
// both decode (whatever they hold), 2 otherwise.
#include <cstdio>
#include <cstdlib>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#endif
#include <stb_image.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s A.png B.png\n", argv[0]);
        return 2;
    }
    int w[2], h[2], c[2];
    unsigned char* px[2];
    for (int i = 0; i < 2; ++i) {
        px[i] = stbi_load(argv[1 + i], &w[i], &h[i], &c[i], 0);
        if (px[i] == nullptr) {
            std::printf("cannot decode %s\n", argv[1 + i]);
            return 2;
        }
    }
    if (w[0] != w[1] || h[0] != h[1] || c[0] != c[1]) {
        std::printf("different images: %dx%dx%d against %dx%dx%d\n", w[0], h[0], c[0], w[1], h[1],
                    c[1]);
    } else {
        const long samples = static_cast<long>(w[0]) * h[0] * c[0];
        long differing = 0, first = -1;
        int worst = 0;
        for (long i = 0; i < samples; ++i) {
            const int d = std::abs(px[0][i] - px[1][i]);
            if (d == 0) continue;
            ++differing;
            worst = d > worst ? d : worst;
            if (first < 0) first = i / c[0];
        }
        if (differing == 0) {
            std::printf("%dx%dx%d: same pixels, different encoding\n", w[0], h[0], c[0]);
        } else {
            std::printf("%dx%dx%d: %ld of %ld samples differ, by at most %d, first at (%ld, %ld)\n",
                        w[0], h[0], c[0], differing, samples, worst, first % w[0], first / w[0]);
        }
    }
    stbi_image_free(px[0]);
    stbi_image_free(px[1]);
    return 0;
}
