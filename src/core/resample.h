// Changing a field's sampling by whole factors: the box average down and the
// bilinear interpolation back up, for work that needs only coarse detail.
#pragma once

#include "core/field.h"

namespace proctex {

// The largest factor of at most `wanted` that divides both width and height
// (1 when none does).
int commonFactor(int width, int height, int wanted);

// The mean of every factor x factor block: (width / factor) x (height /
// factor) values. factor must divide both sides.
FloatField boxDown(const FloatField& field, int width, int height, int factor);

// A field of (width x factor) x (height x factor) values interpolated
// bilinearly between the centres of the coarse pixels; beyond the outer
// centres the samples come from the far side with `wrap`, else the edge.
FloatField bilinearUp(const FloatField& coarse, int width, int height, int factor, bool wrap);

}  // namespace proctex
