#include "output/preview_mesh.h"

#include <algorithm>

#include "core/fmath.h"

namespace proctex {

namespace {

constexpr float kPi = 3.14159265358979323846f;

struct SinCos {
    float sin, cos;
};

// sin and cos of i * span / steps for i = 0..steps, with the ends exact, so
// the poles sit exactly on the axis and the seam's doubled vertices are equal.
std::vector<SinCos> angleTable(int steps, float span, bool spanIsFullTurn) {
    std::vector<SinCos> table(static_cast<std::size_t>(steps) + 1);
    const float step = span / static_cast<float>(steps);
    for (int i = 0; i <= steps; ++i) {
        const float angle = static_cast<float>(i) * step;
        table[static_cast<std::size_t>(i)] = {fsin(angle), fcos(angle)};
    }
    table.front() = {0.0f, 1.0f};
    table.back() = spanIsFullTurn ? SinCos{0.0f, 1.0f} : SinCos{0.0f, -1.0f};
    return table;
}

}  // namespace

PreviewMesh makeUvSphere(int segments, int rings, float radius) {
    segments = std::clamp(segments, 3, 1024);
    rings = std::clamp(rings, 2, 1024);
    const std::vector<SinCos> around = angleTable(segments, 2.0f * kPi, true);
    const std::vector<SinCos> down = angleTable(rings, kPi, false);

    PreviewMesh mesh;
    const std::size_t vertices =
        static_cast<std::size_t>(segments + 1) * static_cast<std::size_t>(rings + 1);
    mesh.positions.reserve(vertices * 3);
    mesh.normals.reserve(vertices * 3);
    mesh.texcoords.reserve(vertices * 2);
    mesh.tangents.reserve(vertices * 4);
    for (int r = 0; r <= rings; ++r) {
        const SinCos polar = down[static_cast<std::size_t>(r)];
        const float v = static_cast<float>(r) / static_cast<float>(rings);
        for (int s = 0; s <= segments; ++s) {
            const SinCos azimuth = around[static_cast<std::size_t>(s)];
            // Longitude 0 faces +Z and u grows toward +X, so seen from
            // outside the image is upright and not mirrored.
            const float normal[3] = {polar.sin * azimuth.sin, polar.cos, polar.sin * azimuth.cos};
            for (const float n : normal) {
                mesh.normals.push_back(n);
                mesh.positions.push_back(n * radius);
            }
            mesh.texcoords.push_back(static_cast<float>(s) / static_cast<float>(segments));
            mesh.texcoords.push_back(v);
            // d(position)/du: horizontal, so also defined at the poles.
            mesh.tangents.insert(mesh.tangents.end(), {azimuth.cos, 0.0f, -azimuth.sin, 1.0f});
        }
    }

    const auto at = [segments](int r, int s) {
        return static_cast<uint32_t>(r) * static_cast<uint32_t>(segments + 1) +
               static_cast<uint32_t>(s);
    };
    for (int r = 0; r < rings; ++r) {
        for (int s = 0; s < segments; ++s) {
            const uint32_t topLeft = at(r, s), bottomLeft = at(r + 1, s);
            const uint32_t bottomRight = at(r + 1, s + 1), topRight = at(r, s + 1);
            if (r != rings - 1) {  // at the south pole both bottom corners coincide
                mesh.indices.insert(mesh.indices.end(), {topLeft, bottomLeft, bottomRight});
            }
            if (r != 0) {  // at the north pole both top corners coincide
                mesh.indices.insert(mesh.indices.end(), {topLeft, bottomRight, topRight});
            }
        }
    }
    return mesh;
}

}  // namespace proctex
