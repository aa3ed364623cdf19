#include "core/field_ops.h"

namespace proctex {

void applyContrast(FloatField& field, float contrast) {
    for (float& v : field) v = clamp(((v - 0.5f) * contrast) + 0.5f, 0.0f, 1.0f);
}

void applyBrightness(FloatField& field, float brightness) {
    for (float& v : field) v = clamp(v + brightness, 0.0f, 1.0f);
}

void applyInvert(FloatField& field) {
    for (float& v : field) v = 1.0f - v;
}

void blendOverlay(FloatField& field, const FloatField& overlay, float strength) {
    for (std::size_t i = 0; i < field.size(); ++i) {
        field[i] = clamp(field[i] - (overlay[i] * strength), 0.0f, 1.0f);
    }
}

}  // namespace proctex
