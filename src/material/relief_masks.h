// What the shape of the relief says about each pixel: how concave or convex
// it is and how steep, measured on the tile so that every size agrees.
#pragma once

#include "core/field.h"

namespace proctex {

// The relief's curvature: the difference between four neighbours about
// three units away and four times the pixel, on the relief smoothed over as
// much. Positive in hollows (joints, pits, grooves), negative on ridges and
// edges, 0 on flat or evenly sloping ground; the same at every size.
FloatField reliefCurvature(const FloatField& relief, int width, int height, float unitPixels,
                           bool wrap);

// Curvature as a share 0..1: hollows (sign 1) or ridges (sign -1) at the
// depth that reads as a joint or an edge.
float curvatureShare(float curvature, float sign);

// The curvature map's value: 0.5 flat, brighter on ridges, darker in hollows.
float curvatureTone(float curvature);

// The tangent of the relief's tilt (1 at 45 degrees) with a height of 1
// standing reliefPixels tall, from central differences.
FloatField reliefSlope(const FloatField& relief, int width, int height, float reliefPixels,
                       bool wrap);

}  // namespace proctex
