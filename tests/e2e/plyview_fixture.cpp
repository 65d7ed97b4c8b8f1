// The file viewer's test models and picture checks.
#include "tests/e2e/plyview_fixture.h"

#include <cmath>

namespace e2e {

// ASCII PLY by our own writer, coordinates in double so that survey values keep their digits.
std::string plyOf(plywrite::Mesh mesh) {
    plywrite::Options options;
    options.coordinate = plywrite::Type::kFloat64;
    return plywrite::write(mesh, options);
}

// A UV sphere: rings of `slices` points between two poles.
std::string spherePly(double radius, P3 centre, int slices, int stacks) {
    plywrite::Mesh mesh;
    auto& points = mesh.positions;
    points.push_back({centre.x, centre.y + radius, centre.z});
    for (int i = 1; i < stacks; ++i) {
        const double polar = M_PI * i / stacks;
        for (int j = 0; j < slices; ++j) {
            const double around = 2 * M_PI * j / slices;
            points.push_back({centre.x + radius * std::sin(polar) * std::cos(around),
                              centre.y + radius * std::cos(polar),
                              centre.z + radius * std::sin(polar) * std::sin(around)});
        }
    }
    points.push_back({centre.x, centre.y - radius, centre.z});
    const int south = static_cast<int>(points.size()) - 1;
    auto ring = [slices](int i, int j) { return 1 + (i - 1) * slices + (j % slices); };
    for (int j = 0; j < slices; ++j) {
        mesh.faces.push_back({0, ring(1, j + 1), ring(1, j)});
        mesh.faces.push_back({south, ring(stacks - 1, j), ring(stacks - 1, j + 1)});
        for (int i = 1; i + 1 < stacks; ++i) {
            mesh.faces.push_back({ring(i, j), ring(i, j + 1), ring(i + 1, j)});
            mesh.faces.push_back({ring(i, j + 1), ring(i + 1, j + 1), ring(i + 1, j)});
        }
    }
    return plyOf(mesh);
}

// A closed box from `low` to `high`, as six quads.
std::string boxPly(P3 low, P3 high) {
    plywrite::Mesh mesh;
    for (int i = 0; i < 8; ++i) {
        mesh.positions.push_back(
            {i & 1 ? high.x : low.x, i & 2 ? high.y : low.y, i & 4 ? high.z : low.z});
    }
    mesh.faces = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                  {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    return plyOf(mesh);
}

std::string title(const std::string& name, int place, int count) {
    return name + " (" + std::to_string(place) + "/" + std::to_string(count) + ") - plyview";
}

// The green wireframe spans at least half of the window's smaller side and touches no edge.
void expectFills(const Image& image, const std::string& what) {
    const xsession::Spread green = greenOf(image);
    const int half = std::min(image.width, image.height) / 2;
    EXPECT_GE(std::max(green.width(), green.height()), half) << what;
    EXPECT_GT(green.minX, 0) << what;
    EXPECT_GT(green.minY, 0) << what;
    EXPECT_LT(green.maxX, image.width - 1) << what;
    EXPECT_LT(green.maxY, image.height - 1) << what;
}

}  // namespace e2e
