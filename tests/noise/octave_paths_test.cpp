// The portable and AVX2 octave kernels against the plain per-pixel loop over
// noise / tileableNoise, bit for bit, over seeds, scales, octave counts,
// seamless settings and sizes that leave partial vector blocks.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "gradient_noise_reference.h"
#include "noise/octave_rows.h"
#include "noise/texture_generator.h"

namespace proctex {
namespace {

// The plain loop: one noise call per pixel and octave, in storage order.
std::vector<float> plainRawSums(const TextureGenerator& g, int32_t octaves, float persistence,
                                float lacunarity, SampleRange& range) {
    std::vector<float> raw(static_cast<std::size_t>(g.width) * g.height);
    const float fw = static_cast<float>(g.width);
    const float fh = static_cast<float>(g.height);
    for (int32_t y = 0; y < g.height; ++y) {
        for (int32_t x = 0; x < g.width; ++x) {
            float amplitude = 1.0f, frequency = 1.0f, noiseValue = 0.0f;
            for (int32_t o = 0; o < octaves; ++o) {
                const float sx = (static_cast<float>(x) / g.scale) * frequency;
                const float sy = (static_cast<float>(y) / g.scale) * frequency;
                const float n = g.seamless ? g.tileableNoise(sx, sy, (fw / g.scale) * frequency,
                                                             (fh / g.scale) * frequency)
                                           : gradientNoise(g, sx, sy);
                noiseValue = noiseValue + n * amplitude;
                amplitude = amplitude * persistence;
                frequency = frequency * lacunarity;
            }
            raw[static_cast<std::size_t>(y) * g.width + x] = noiseValue;
            range.add(noiseValue);
        }
    }
    return raw;
}

// Same bits, or both NaN: a NaN's payload is not part of a field's meaning
// (every NaN quantises to 0 and compares alike).
bool sameSample(float a, float b) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    return std::memcmp(&a, &b, sizeof a) == 0;
}

struct Case {
    int32_t width, height;
    float scale;
    int32_t octaves;
    float persistence, lacunarity;
    int32_t seed;
    bool seamless;

    std::string describe() const {
        return std::to_string(width) + "x" + std::to_string(height) + " scale " +
               std::to_string(scale) + " octaves " + std::to_string(octaves) + " p " +
               std::to_string(persistence) + " l " + std::to_string(lacunarity) + " seed " +
               std::to_string(seed) + (seamless ? " seamless" : "");
    }
};

std::vector<NoisePath> kernelsToCheck() {
    std::vector<NoisePath> paths = {NoisePath::portable, NoisePath::automatic};
    if (avx2Available()) paths.push_back(NoisePath::avx2);
    return paths;
}

// Compares raw sums and range of every kernel with the plain loop; returns
// the number of cases compared.
void expectKernelsMatchPlainLoop(const Case& c) {
    const TextureGenerator g(c.width, c.height, c.scale, c.octaves, c.seed, c.seamless);
    SampleRange expectedRange;
    const std::vector<float> expected =
        plainRawSums(g, c.octaves, c.persistence, c.lacunarity, expectedRange);
    const OctaveJob job{g.permutation.data(), g.width,      g.height,  g.scale, c.octaves,
                        c.persistence,        c.lacunarity, g.seamless};
    for (NoisePath path : kernelsToCheck()) {
        std::vector<float> raw(expected.size(), 0.0f);
        const SampleRange range = sumOctaves(job, raw.data(), path);
        const std::string where = c.describe() + " path " + std::to_string(int(path));
        ASSERT_TRUE(sameSample(range.minVal, expectedRange.minVal)) << where;
        ASSERT_TRUE(sameSample(range.maxVal, expectedRange.maxVal)) << where;
        for (std::size_t i = 0; i < raw.size(); ++i) {
            ASSERT_TRUE(sameSample(raw[i], expected[i]))
                << where << " at " << i << ": " << raw[i] << " vs " << expected[i];
        }
    }
}

TEST(OctaveKernels, MatchThePlainLoopOverSeedsScalesAndOctaves) {
    const int32_t seeds[] = {0, 42, -1, 1234, std::numeric_limits<int32_t>::min(), 987654321};
    const float scales[] = {1.0f, 3.7f, 8.0f, 64.0f, 0.37f, 150.0f};
    const int32_t octaveCounts[] = {0, 1, 3, 8};
    int compared = 0;
    for (bool seamless : {false, true}) {
        for (int32_t seed : seeds) {
            for (float scale : scales) {
                for (int32_t octaves : octaveCounts) {
                    // Odd sizes leave partial blocks; seamless periods stay >= 1
                    // only while the scale fits the size, which is not needed:
                    // shorter periods are raised to one cell on both sides.
                    const Case c{
                        37 + (seed & 15), 11 + (compared % 5), scale, octaves, 0.5f, 2.0f, seed,
                        seamless};
                    expectKernelsMatchPlainLoop(c);
                    ++compared;
                }
            }
        }
    }
    EXPECT_EQ(compared, 2 * 6 * 6 * 4);
}

TEST(OctaveKernels, MatchThePlainLoopForUnusualWeightsAndFrequencies) {
    const Case cases[] = {
        // Falling frequency: tileable periods shrink below one cell.
        {41, 23, 16.0f, 6, 0.7f, 0.45f, 5, true},
        {41, 23, 16.0f, 6, 0.7f, 0.45f, 5, false},
        // Growing weights and fractional lacunarity.
        {29, 17, 5.3f, 9, 1.3f, 1.9f, 77, false},
        {29, 17, 5.3f, 9, 1.3f, 1.9f, 77, true},
        // Negative scale: negative lattice cells wrap below zero.
        {33, 9, -6.5f, 4, 0.5f, 2.0f, 3, false},
        {33, 9, -6.5f, 4, 0.5f, 2.0f, 3, true},
        // Negative persistence and lacunarity.
        {19, 13, 7.0f, 5, -0.6f, -2.2f, 11, false},
        {19, 13, 7.0f, 5, -0.6f, -2.2f, 11, true},
        // Coordinates beyond 2^24 and beyond the int32 range (INT32_MIN cells).
        {24, 6, 1e-4f, 3, 0.5f, 1e4f, 9, false},
        {24, 6, 1e-4f, 3, 0.5f, 1e4f, 9, true},
        // Scale 0: every sample NaN (0 / 0) or from infinite coordinates.
        {17, 5, 0.0f, 2, 0.5f, 2.0f, 1, false},
        {17, 5, 0.0f, 2, 0.5f, 2.0f, 1, true},
        // Overflowing weights: 0 * inf and inf - inf in the sums.
        {16, 4, 4.0f, 4, 1e30f, 2.0f, 2, false},
        // Rows longer than one stack chunk of the vector kernel, and a single column.
        {1031, 3, 12.0f, 3, 0.5f, 2.0f, 8, false},
        {1031, 3, 12.0f, 3, 0.5f, 2.0f, 8, true},
        {1, 40, 2.5f, 4, 0.5f, 2.0f, 8, false},
        {1, 40, 2.5f, 4, 0.5f, 2.0f, 8, true},
    };
    for (const Case& c : cases) expectKernelsMatchPlainLoop(c);
}

TEST(OctaveKernels, BaseFieldsAreTheSameOnEveryPath) {
    for (bool seamless : {false, true}) {
        const TextureGenerator g(131, 67, 21.0f, 7, 2024, seamless);
        const FloatField fractal = fractalBaseField(g, 0.55f, 2.1f, NoisePath::portable);
        const FloatField single = singleOctaveBaseField(g, NoisePath::portable);
        EXPECT_EQ(g.generateFractalBase(0.55f, 2.1f), fractal);
        EXPECT_EQ(g.generateSingleOctaveBase(), single);
        if (avx2Available()) {
            EXPECT_EQ(fractalBaseField(g, 0.55f, 2.1f, NoisePath::avx2), fractal);
            EXPECT_EQ(singleOctaveBaseField(g, NoisePath::avx2), single);
        }
    }
}

TEST(OctaveKernels, PackedRowPairsHoldTheCornerHashes) {
    const TextureGenerator g(8, 8, 4.0f, 1, 31337, false);
    const int32_t* T = g.permutation.data();
    for (bool tileable : {false, true}) {
        LatticeHashes hashes(T, tileable);
        uint8_t pairs[kPairBytes];
        for (int32_t r : {0, 17, 255}) {
            const int32_t r1 = (r + 1) & 255;
            hashes.packRowPair(r, r1, pairs);
            for (int32_t c = 0; c < static_cast<int32_t>(kPairBytes); ++c) {
                const int32_t col = c & 255;
                const int32_t upper = tileable ? T[T[col] + r] : T[T[T[col] + r]];
                const int32_t lower = tileable ? T[T[col] + r1] : T[T[T[col] + r1]];
                ASSERT_EQ(pairs[c] & 15, upper & 15) << c;
                ASSERT_EQ(pairs[c] >> 4, lower & 15) << c;
            }
        }
    }
}

}  // namespace
}  // namespace proctex
