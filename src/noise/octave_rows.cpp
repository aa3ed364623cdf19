#include "noise/octave_rows.h"

#include "core/cpu_features.h"
#include "core/fmath.h"
#include "core/numeric.h"
#include "core/progress.h"

namespace proctex {

LatticeHashes::LatticeHashes(const int32_t* permutation, bool tileable)
    : permutation_(permutation), tileable_(tileable), hashes_(256 * 256) {}

const uint8_t* LatticeHashes::row(int32_t r) {
    uint8_t* hashes = hashes_.data() + static_cast<std::size_t>(r) * 256;
    if (!built_[r]) {
        const int32_t* T = permutation_;
        // Every index stays below 512: T[c] + r <= 255 + 255.
        for (int32_t c = 0; c < 256; ++c) {
            const int32_t h = tileable_ ? T[T[c] + r] : T[T[T[c] + r]];
            hashes[c] = static_cast<uint8_t>(h & 15);
        }
        built_[r] = true;
    }
    return hashes;
}

void LatticeHashes::packRowPair(int32_t r0, int32_t r1, uint8_t* pairs) {
    const uint8_t* upper = row(r0);
    const uint8_t* lower = row(r1);
    for (int c = 0; c < 256; ++c) pairs[c] = static_cast<uint8_t>(upper[c] | (lower[c] << 4));
    for (int c = 256; c < static_cast<int>(kPairBytes); ++c) pairs[c] = pairs[c - 256];
}

int32_t tilingCells(int32_t extent, float scale, float frequency) {
    const float cells = fround((static_cast<float>(extent) / scale) * frequency);
    if (!(cells >= 1.0f)) return 1;
    return cells < 16777216.0f ? truncToInt32(cells) : 16777216;
}

namespace {

// Tiling: the row's position is y x (cellsY / height) cells, and the lattice
// row after the last one is row 0 again.
void prepareTilingRow(const OctaveJob& job, LatticeHashes& hashes, int32_t y, OctaveRow& row) {
    const int32_t cellsY = tilingCells(job.height, job.scale, row.frequency);
    row.cellsX = tilingCells(job.width, job.scale, row.frequency);
    row.xStep = static_cast<float>(row.cellsX) / static_cast<float>(job.width);
    row.periodX = 0;
    const float sy =
        static_cast<float>(y) * (static_cast<float>(cellsY) / static_cast<float>(job.height));
    const float fy = ffloor(sy);
    row.yf = sy - fy;
    row.yf1 = row.yf - 1.0f;
    row.v = TextureGenerator::fade(row.yf);
    int32_t r0 = truncToInt32(fy);
    if (r0 >= cellsY) r0 -= cellsY;  // a product rounded up onto the period
    const int32_t r1 = r0 + 1 == cellsY ? 0 : r0 + 1;
    hashes.packRowPair(r0 & 255, r1 & 255, row.pairs);
}

}  // namespace

void prepareOctaveRow(const OctaveJob& job, LatticeHashes& hashes, int32_t y, OctaveRow& row) {
    if (job.tiling) {
        prepareTilingRow(job, hashes, y, row);
        return;
    }
    row.cellsX = 0;
    row.xStep = row.frequency;
    const float sy = (static_cast<float>(y) / job.scale) * row.frequency;
    const float fy = ffloor(sy);
    row.yf = sy - fy;
    row.yf1 = row.yf - 1.0f;
    row.v = TextureGenerator::fade(row.yf);
    if (job.seamless) {
        const float fw = static_cast<float>(job.width);
        const float fh = static_cast<float>(job.height);
        row.periodX = latticePeriod((fw / job.scale) * row.frequency);
        const int32_t periodY = latticePeriod((fh / job.scale) * row.frequency);
        int32_t y0, y1;
        wrapCorners(truncToInt32(fy), periodY, y0, y1);
        hashes.packRowPair(y0 & 255, y1 & 255, row.pairs);
    } else {
        // Corner rows Y and Y + 1; T[i + 256] = T[i] makes row 256 row 0.
        const int32_t Y = truncToInt32(fy) & 255;
        row.periodX = 0;
        hashes.packRowPair(Y, (Y + 1) & 255, row.pairs);
    }
}

namespace {

using G = TextureGenerator;

// One octave of plain noise over a row, added into acc with the row's weight.
void addNoiseRow(const OctaveJob& job, const OctaveRow& row, float* acc) {
    for (int32_t x = 0; x < job.width; ++x) {
        const float sx = (static_cast<float>(x) / job.scale) * row.frequency;
        const float fx = ffloor(sx);
        const int32_t X = truncToInt32(fx) & 255;
        const float xf = sx - fx;
        const float u = G::fade(xf);
        const int32_t left = row.pairs[X];
        const int32_t right = row.pairs[X + 1];
        const float g00 = G::grad(left, xf, row.yf);
        const float g10 = G::grad(right, xf - 1.0f, row.yf);
        const float g01 = G::grad(left >> 4, xf, row.yf1);
        const float g11 = G::grad(right >> 4, xf - 1.0f, row.yf1);
        const float n = G::lerp(row.v, G::lerp(u, g00, g10), G::lerp(u, g01, g11));
        acc[x] = acc[x] + ((n + 1.0f) / 2.0f) * row.amplitude;
    }
}

void addTileableRow(const OctaveJob& job, const OctaveRow& row, float* acc) {
    for (int32_t x = 0; x < job.width; ++x) {
        const float sx = (static_cast<float>(x) / job.scale) * row.frequency;
        const float fx = ffloor(sx);
        int32_t x0, x1;
        wrapCorners(truncToInt32(fx), row.periodX, x0, x1);
        const float xf = sx - fx;
        const float u = G::fade(xf);
        const int32_t left = row.pairs[x0 & 255];
        const int32_t right = row.pairs[x1 & 255];
        const float g00 = G::grad(left, xf, row.yf);
        const float g10 = G::grad(right, xf - 1.0f, row.yf);
        const float g01 = G::grad(left >> 4, xf, row.yf1);
        const float g11 = G::grad(right >> 4, xf - 1.0f, row.yf1);
        const float n = G::lerp(row.v, G::lerp(u, g00, g10), G::lerp(u, g01, g11));
        acc[x] = acc[x] + ((n + 1.0f) / 2.0f) * row.amplitude;
    }
}

// Tiling: lattice columns trunc(x x xStep), the one after the last being
// column 0; columns beyond the last (a product rounded up) wrap once.
void addTilingRow(const OctaveJob& job, const OctaveRow& row, float* acc) {
    const int32_t last = row.cellsX - 1;
    for (int32_t x = 0; x < job.width; ++x) {
        const float sx = static_cast<float>(x) * row.xStep;
        const float fx = ffloor(sx);
        int32_t column = truncToInt32(fx);
        if (column > last) column -= row.cellsX;
        const float xf = sx - fx;
        const float u = G::fade(xf);
        const int32_t left = row.pairs[column & 255];
        const int32_t right = column == last ? row.pairs[0] : row.pairs[(column + 1) & 255];
        const float g00 = G::grad(left, xf, row.yf);
        const float g10 = G::grad(right, xf - 1.0f, row.yf);
        const float g01 = G::grad(left >> 4, xf, row.yf1);
        const float g11 = G::grad(right >> 4, xf - 1.0f, row.yf1);
        const float n = G::lerp(row.v, G::lerp(u, g00, g10), G::lerp(u, g01, g11));
        acc[x] = acc[x] + ((n + 1.0f) / 2.0f) * row.amplitude;
    }
}

}  // namespace

SampleRange sumOctavesPortable(const OctaveJob& job, float* data) {
    LatticeHashes hashes(job.permutation, job.seamless);
    OctaveRow row;
    SampleRange range;
    for (int32_t y = 0; y < job.height; ++y) {
        progressCheckpoint(y, job.height);
        float* acc = data + static_cast<std::size_t>(y) * job.width;
        row.amplitude = 1.0f;
        row.frequency = 1.0f;
        for (int32_t octave = 0; octave < job.octaves; ++octave) {
            prepareOctaveRow(job, hashes, y, row);
            if (job.tiling) {
                addTilingRow(job, row, acc);
            } else if (job.seamless) {
                addTileableRow(job, row, acc);
            } else {
                addNoiseRow(job, row, acc);
            }
            row.amplitude = row.amplitude * job.persistence;
            row.frequency = row.frequency * job.lacunarity;
        }
        for (int32_t x = 0; x < job.width; ++x) range.add(acc[x]);
    }
    return range;
}

SampleRange sumOctaves(const OctaveJob& job, float* data, NoisePath path) {
    if (path == NoisePath::automatic)
        path = avx2Available() ? NoisePath::avx2 : NoisePath::portable;
#if defined(__x86_64__)
    if (path == NoisePath::avx2) return sumOctavesAvx2(job, data);
#endif
    return sumOctavesPortable(job, data);
}

}  // namespace proctex
