// Correctly rounded single-precision sine, cosine and power.
//
// Each function returns the float nearest to the exact mathematical value of
// its float argument(s), ties to even, for every input. The result depends on
// nothing but the arguments: not on the C library, the compiler or the
// processor, so a texture computed on one platform has the same bits on all.
//
// Special values follow C99 Annex F:
//   crSin(+-0) = +-0, crCos(+-0) = 1, crSin and crCos of +-inf or NaN are NaN.
//   crPow(x, +-0) = 1 and crPow(1, y) = 1 for any x and y, NaN included;
//   crPow(-1, +-inf) = 1; crPow(x, y) is NaN for finite x < 0 and finite
//   non-integer y; crPow(+-0, y) is +-inf (y an odd negative integer), +inf
//   (other y < 0), +-0 (y an odd positive integer) or +0 (other y > 0);
//   crPow(x, -inf) is +inf for |x| < 1 and +0 for |x| > 1, crPow(x, +inf) the
//   reverse; crPow(-inf, y) and crPow(+inf, y) as the limits of the finite
//   cases, with the sign of -inf kept for odd integer y.
// Exact powers come out exact: crPow(4, 0.5) = 2, crPow(-2, 3) = -8.
#pragma once

namespace proctex {

float crSin(float x);
float crCos(float x);
float crPow(float x, float y);

}  // namespace proctex
