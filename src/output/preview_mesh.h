// The mesh a material file shows its material on: a UV sphere, the same bytes
// on every platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace proctex {

// Vertex attributes as flat float arrays, in the layout glTF stores them.
struct PreviewMesh {
    std::vector<float> positions;   // x, y, z
    std::vector<float> normals;     // x, y, z, unit length
    std::vector<float> texcoords;   // u, v; v = 0 at the top row of the image
    std::vector<float> tangents;    // x, y, z toward +u, w = +1 (the texture is not mirrored)
    std::vector<uint32_t> indices;  // triangles, counter-clockwise seen from outside

    std::size_t vertexCount() const { return positions.size() / 3; }
};

// A sphere of `radius` about the origin, +Y up, with `segments` columns
// around and `rings` rows from pole to pole (clamped to 3..1024 and
// 2..1024). u runs once around, starting and ending on a seam at +Z where
// the vertices are doubled; v runs from the north pole (0) to the south (1).
// With cross(normal, tangent) * w pointing to decreasing v, the tangent
// frame reads OpenGL-convention normal maps (green up) as glTF defines.
// Poles get one vertex per column so every triangle has its own u; the
// degenerate halves of the polar quads are left out.
PreviewMesh makeUvSphere(int segments, int rings, float radius);

}  // namespace proctex
