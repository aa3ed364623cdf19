// The seam measure of the tiling tests: how much a map changes across its
// wrap edges compared with how much it changes between neighbours inside.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace proctex::test {

// For one direction (columns; rows likewise):
//  - edge: the mean |difference| between the last column and the first, over
//    rows and channels, the step a viewer sees where two tiles meet;
//  - the same mean for each pair of neighbouring columns inside the image.
// `ratio` is edge over the largest inside mean: at most about 1 when the wrap
// edge is like some boundary inside the image (a tile border of a checker, a
// joint of bricks), far above 1 at a seam, where the edge compares two
// unrelated columns. `meanRatio` is edge over the mean of the inside means,
// about 1 for a clean tile of a texture without such borders (the figure the
// studio shows).
struct EdgeScore {
    double ratio = 0.0;
    double meanRatio = 0.0;
};

struct SeamScore {
    EdgeScore columns;
    EdgeScore rows;
    double worst() const { return std::max(columns.ratio, rows.ratio); }
    double worstMean() const { return std::max(columns.meanRatio, rows.meanRatio); }
};

namespace seam_detail {

// at(i, j, c): sample j of line i (a column or a row), channel c.
template <typename At>
EdgeScore edgeScore(int lines, int length, int channels, At at) {
    auto lineDifference = [&](int a, int b) {
        double sum = 0.0;
        for (int j = 0; j < length; ++j) {
            for (int c = 0; c < channels; ++c) sum += std::fabs(at(a, j, c) - at(b, j, c));
        }
        return sum / (static_cast<double>(length) * channels);
    };
    double largest = 0.0;
    double total = 0.0;
    for (int i = 0; i + 1 < lines; ++i) {
        const double d = lineDifference(i, i + 1);
        largest = std::max(largest, d);
        total += d;
    }
    const double mean = total / (lines - 1);
    const double edge = lineDifference(lines - 1, 0);
    // A map that is flat inside and across the edge has no seam.
    const double tiny = 1e-9;
    return {(edge + tiny) / (largest + tiny), (edge + tiny) / (mean + tiny)};
}

}  // namespace seam_detail

// The score of a width x height map of `channels` interleaved samples.
template <typename T>
SeamScore seamScore(const T* samples, int width, int height, int channels) {
    auto value = [&](int x, int y, int c) {
        return static_cast<double>(
            samples[(static_cast<std::size_t>(y) * width + x) * channels + c]);
    };
    SeamScore score;
    score.columns = seam_detail::edgeScore(width, height, channels,
                                           [&](int x, int y, int c) { return value(x, y, c); });
    score.rows = seam_detail::edgeScore(height, width, channels,
                                        [&](int y, int x, int c) { return value(x, y, c); });
    return score;
}

}  // namespace proctex::test
