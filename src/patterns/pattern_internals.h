// Building blocks of the random patterns, exposed so the tests can pin them
// and compare the fast searches with the plain loops.
#pragma once

#include <cstdint>
#include <vector>

#include "core/field.h"

namespace proctex {

// --- Cell-border pattern ------------------------------------------------------

struct FeaturePoint {
    float x;
    float y;
};

// n = max(10, trunc(float(width * height) / ((patternParam * patternParam) * 2))).
// A quotient outside the int32 range (or NaN) truncates to INT32_MIN, giving 10.
int32_t cellPointCount(int width, int height, float patternParam);

// The `count` points drawn from MT19937(seed + 500), x then y for each point,
// uniform over [0, width) and [0, height).
std::vector<FeaturePoint> drawCellPoints(int width, int height, int32_t count, int32_t seed);

// sqrt(float(width^2 + height^2)), the sum taken in 64-bit integers.
float cellMaxDist(int width, int height);

// Smallest and second-smallest distance from each pixel to the points, both
// starting at maxDist: exactly the f1 and f2 of the plain loop
// (every pixel against every point, sqrt(dx * dx + dy * dy) in single
// precision), including ties (f2 == f1) and the maxDist cap, but found with a
// bucket grid so only the points near each tile of pixels are examined.
struct NearestTwo {
    FloatField f1;
    FloatField f2;
};
NearestTwo nearestTwoDistances(const std::vector<FeaturePoint>& points, int width, int height,
                               float maxDist);

// --- Brushed-scratches pattern ------------------------------------------------

// max(50, min(500, trunc((float(width * height) * patternParam) / 10000))).
int32_t brushedScratchCount(int width, int height, float patternParam);

// Walks one scratch in half-pixel steps and adds its fading intensity to the
// pixels it crosses. Returns the number of steps taken (inside the image or not).
int32_t applyBrushedScratch(FloatField& pattern, int width, int height, float x0, float y0,
                            float angle, float length, float intensity);

// The same steps with each pixel taken modulo the image size: a scratch that
// leaves on one side goes on from the other (tiling).
void applyWrappedBrushedScratch(FloatField& pattern, int width, int height, float x0, float y0,
                                float angle, float length, float intensity);

}  // namespace proctex
