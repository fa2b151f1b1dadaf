// SPDX-License-Identifier: MIT
// Reads moon-terrain's binary PLY exports back (triangles or edges) and
// checks the shape of a joined surface: pieces, boundary and edge use.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <map>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

namespace moon::test {

struct ExportedMesh {
    std::vector<std::array<float, 3>> positions;
    std::vector<std::array<float, 3>> normals;  // empty for lines
    std::vector<std::array<std::uint8_t, 3>> colours;
    std::vector<std::array<std::uint32_t, 3>> triangles;
    std::vector<std::array<std::uint32_t, 2>> edges;
    std::string header;
};

// False when the file is not one of ours.
inline bool ReadExportedPly(const std::string& path, ExportedMesh& mesh) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t body = bytes.find("end_header\n");
    if (bytes.rfind("ply\n", 0) != 0 || body == std::string::npos) {
        return false;
    }
    mesh.header = bytes.substr(0, body + 11);
    const bool hasNormals = mesh.header.find("property float nx") != std::string::npos;
    const bool lines = mesh.header.find("element edge ") != std::string::npos;
    const std::size_t vertexCount =
        std::stoul(mesh.header.substr(mesh.header.find("element vertex ") + 15));
    const std::size_t primitiveCount = std::stoul(
        mesh.header.substr(mesh.header.find(lines ? "element edge " : "element face ") + 13));
    std::size_t at = body + 11;
    auto read = [&bytes, &at](void* target, std::size_t size) {
        if (at + size > bytes.size()) {
            return false;
        }
        std::memcpy(target, bytes.data() + at, size);  // the test machine is little-endian
        at += size;
        return true;
    };
    mesh.positions.resize(vertexCount);
    mesh.normals.resize(hasNormals ? vertexCount : 0);
    mesh.colours.resize(vertexCount);
    for (std::size_t v = 0; v < vertexCount; ++v) {
        if (!read(mesh.positions[v].data(), 12) ||
            (hasNormals && !read(mesh.normals[v].data(), 12)) || !read(mesh.colours[v].data(), 3)) {
            return false;
        }
    }
    for (std::size_t k = 0; k < primitiveCount; ++k) {
        if (lines) {
            std::array<std::uint32_t, 2> edge{};
            if (!read(edge.data(), 8)) {
                return false;
            }
            mesh.edges.push_back(edge);
        } else {
            std::uint8_t corners = 0;
            std::array<std::uint32_t, 3> triangle{};
            if (!read(&corners, 1) || corners != 3 || !read(triangle.data(), 12)) {
                return false;
            }
            mesh.triangles.push_back(triangle);
        }
    }
    return at == bytes.size();
}

// Connected pieces of the vertices that triangles or edges join.
inline std::size_t CountPieces(const ExportedMesh& mesh) {
    std::vector<std::uint32_t> parent(mesh.positions.size());
    std::iota(parent.begin(), parent.end(), 0u);
    auto find = [&parent](std::uint32_t v) {
        while (parent[v] != v) {
            v = parent[v] = parent[parent[v]];
        }
        return v;
    };
    auto join = [&](std::uint32_t a, std::uint32_t b) { parent[find(a)] = find(b); };
    for (const auto& t : mesh.triangles) {
        join(t[0], t[1]);
        join(t[1], t[2]);
    }
    for (const auto& e : mesh.edges) {
        join(e[0], e[1]);
    }
    std::size_t pieces = 0;
    for (std::uint32_t v = 0; v < parent.size(); ++v) {
        pieces += find(v) == v ? 1 : 0;
    }
    return pieces;
}

// Each undirected edge of the triangles: how often it runs a to b and b to a.
inline std::map<std::pair<std::uint32_t, std::uint32_t>, std::pair<int, int>> EdgeUse(
    const ExportedMesh& mesh) {
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::pair<int, int>> use;
    for (const auto& t : mesh.triangles) {
        for (std::size_t i = 0; i < 3; ++i) {
            const std::uint32_t a = t[i];
            const std::uint32_t b = t[(i + 1) % 3];
            auto& count = use[{std::min(a, b), std::max(a, b)}];
            (a < b ? count.first : count.second) += 1;
        }
    }
    return use;
}

}  // namespace moon::test
