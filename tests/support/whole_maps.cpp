#include "whole_maps.h"

#include "material/derived_maps.h"

namespace proctex {

namespace {

template <typename Values>
FloatField wholeMap(const FloatField& heightMap, Values values) {
    FloatField map(heightMap.size());
    values(heightMap.data(), heightMap.size(), map.data());
    return map;
}

}  // namespace

FloatField buildSpecularMap(const FloatField& heightMap) {
    return wholeMap(heightMap, specularValues);
}

FloatField buildRoughnessMap(const FloatField& heightMap, float roughness) {
    return wholeMap(heightMap, [roughness](const float* h, std::size_t n, float* out) {
        roughnessValues(h, n, roughness, out);
    });
}

FloatField buildMetallicMap(const FloatField& heightMap) {
    return wholeMap(heightMap, metallicValues);
}

}  // namespace proctex
