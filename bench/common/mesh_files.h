// Polygon meshes written as the bytes of PLY and STL files, for the tests
// and the benchmarks of the readers: PLY in ASCII and both binary byte
// orders, with float or double coordinates, uchar or int list counts, and
// on request the clutter real files carry (properties around and between
// x, y, z, normals, a face property and a second list, an element of
// another kind); STL in ASCII and binary.
#pragma once

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/mesh.h"

namespace quervik::gen {

// Faces of any corner count over points counted from 0.
struct Polygons {
  std::vector<Tvertex> points;
  std::vector<std::uint32_t> sizes;   // the corner count of each face
  std::vector<std::int32_t> corners;  // all faces' corners, one after another
};

// The triangles of a mesh (slot 0 left out, corners counted from 0).
inline Polygons TrianglesOf(const Mesh& m) {
  Polygons p;
  p.points.assign(m.V.begin() + 1, m.V.end());
  p.sizes.assign(m.Fc.size() - 1, 3);
  p.corners.reserve(3 * (m.Fc.size() - 1));
  for (std::size_t i = 1; i < m.Fc.size(); ++i) {
    for (int k = 1; k <= 3; ++k) p.corners.push_back(m.Fc[i][k] - 1);
  }
  return p;
}

struct PlyOptions {
  enum class Format { kAscii, kLittle, kBig };
  Format format = Format::kLittle;
  bool doubles = false;    // x, y, z (and the normals) as double, else float
  bool intCounts = false;  // list counts as int, else uchar
  bool clutter = false;    // other properties and elements around the ones read
};

namespace detail {

template <typename T>
void Put(std::string& out, T v, bool big) {
  char b[sizeof(T)];
  std::memcpy(b, &v, sizeof(T));
  if (big != (std::endian::native == std::endian::big)) {
    for (std::size_t i = 0; i < sizeof(T) / 2; ++i) std::swap(b[i], b[sizeof(T) - 1 - i]);
  }
  out.append(b, sizeof(T));
}

inline void Text(std::string& out, const char* format, double v) {
  char b[64];
  const int n = std::snprintf(b, sizeof b, format, v);
  out.append(b, static_cast<std::size_t>(n));
}

}  // namespace detail

// The bytes of a PLY file. With `clutter` the vertices are
// "float confidence, z, x, uchar red, nx, ny, nz, y" (normals (0, 0, 1)),
// each face has "uchar flags" before its index list "vertex_index" and a
// list "texcoord" of two floats per corner after it, and an element
// "material" of two entries stands between the vertices and the faces.
inline std::string PlyBytes(const Polygons& m, const PlyOptions& o) {
  using detail::Put;
  const bool ascii = o.format == PlyOptions::Format::kAscii;
  const bool big = o.format == PlyOptions::Format::kBig;
  const char* real = o.doubles ? "double" : "float";
  const char* count = o.intCounts ? "int" : "uchar";
  std::string out = "ply\nformat ";
  out += ascii ? "ascii" : big ? "binary_big_endian" : "binary_little_endian";
  out += " 1.0\ncomment Quervik test mesh\n";
  out += "element vertex " + std::to_string(m.points.size()) + "\n";
  auto property = [&](const char* type, const char* name) {
    out += std::string("property ") + type + " " + name + "\n";
  };
  if (o.clutter) {
    property("float", "confidence");
    property(real, "z");
    property(real, "x");
    property("uchar", "red");
    property(real, "nx");
    property(real, "ny");
    property(real, "nz");
    property(real, "y");
    out += "element material 2\nproperty uchar shine\nproperty list uchar float colour\n";
  } else {
    property(real, "x");
    property(real, "y");
    property(real, "z");
  }
  out += "element face " + std::to_string(m.sizes.size()) + "\n";
  if (o.clutter) property("uchar", "flags");
  out += std::string("property list ") + count + " int " +
         (o.clutter ? "vertex_index" : "vertex_indices") + "\n";
  if (o.clutter) out += "property list uchar float texcoord\n";
  out += "end_header\n";

  auto number = [&](double v) {
    if (ascii) {
      detail::Text(out, "%.17g ", v);
    } else if (o.doubles) {
      Put(out, v, big);
    } else {
      Put(out, static_cast<float>(v), big);
    }
  };
  auto small = [&](std::uint8_t v) {
    if (ascii) {
      out += std::to_string(v) + " ";
    } else {
      Put(out, v, big);
    }
  };
  auto end = [&] {
    if (ascii) out.back() = '\n';
  };
  for (const Tvertex& v : m.points) {
    if (o.clutter) {
      if (ascii) {
        out += "0.5 ";
      } else {
        Put(out, 0.5f, big);
      }
      number(v.z);
      number(v.x);
      small(200);
      number(0);
      number(0);
      number(1);
      number(v.y);
    } else {
      number(v.x);
      number(v.y);
      number(v.z);
    }
    end();
  }
  if (o.clutter) {
    for (int i = 0; i < 2; ++i) {
      small(7);
      small(3);
      for (int k = 0; k < 3; ++k) {
        if (ascii) {
          out += "0.25 ";
        } else {
          Put(out, 0.25f, big);
        }
      }
      end();
    }
  }
  std::size_t at = 0;
  for (const std::uint32_t k : m.sizes) {
    if (o.clutter) small(1);
    if (ascii) {
      out += std::to_string(k) + " ";
    } else if (o.intCounts) {
      Put(out, static_cast<std::int32_t>(k), big);
    } else {
      Put(out, static_cast<std::uint8_t>(k), big);
    }
    for (std::uint32_t j = 0; j < k; ++j) {
      const std::int32_t c = m.corners[at + j];
      if (ascii) {
        out += std::to_string(c) + " ";
      } else {
        Put(out, c, big);
      }
    }
    at += k;
    if (o.clutter) {
      small(static_cast<std::uint8_t>(2 * k));
      for (std::uint32_t j = 0; j < 2 * k; ++j) {
        if (ascii) {
          out += "0 ";
        } else {
          Put(out, 0.0f, big);
        }
      }
    }
    end();
  }
  return out;
}

// The bytes of an STL file: every face as a fan of triangles from its first
// corner, coordinates as floats (binary) or with nine significant digits
// (ASCII, enough for a float), the facet normals 0.
inline std::string StlBytes(const Polygons& m, bool binary) {
  std::size_t triangles = 0;
  for (const std::uint32_t k : m.sizes) triangles += k - 2;
  std::string out;
  if (binary) {
    out.assign(80, ' ');
    out.replace(0, 18, "solid Quervik test");
    detail::Put(out, static_cast<std::uint32_t>(triangles), false);
  } else {
    out = "solid quervik\n";
  }
  std::size_t at = 0;
  for (const std::uint32_t k : m.sizes) {
    for (std::uint32_t j = 1; j + 1 < k; ++j) {
      const std::int32_t c[3] = {m.corners[at], m.corners[at + j], m.corners[at + j + 1]};
      if (binary) {
        for (int i = 0; i < 3; ++i) detail::Put(out, 0.0f, false);
        for (const std::int32_t i : c) {
          const Tvertex& v = m.points[static_cast<std::size_t>(i)];
          detail::Put(out, static_cast<float>(v.x), false);
          detail::Put(out, static_cast<float>(v.y), false);
          detail::Put(out, static_cast<float>(v.z), false);
        }
        detail::Put(out, std::uint16_t{0}, false);
      } else {
        out += "  facet normal 0 0 0\n    outer loop\n";
        for (const std::int32_t i : c) {
          const Tvertex& v = m.points[static_cast<std::size_t>(i)];
          out += "      vertex";
          for (const double x : {v.x, v.y, v.z}) detail::Text(out, " %.9g", x);
          out += "\n";
        }
        out += "    endloop\n  endfacet\n";
      }
    }
    at += k;
  }
  if (!binary) out += "endsolid quervik\n";
  return out;
}

// The bytes of an OBJ file: "v x y z" (17 significant digits) and
// "f a b c ..." lines.
inline std::string ObjBytes(const Polygons& m) {
  std::string out;
  for (const Tvertex& v : m.points) {
    out += "v";
    for (const double x : {v.x, v.y, v.z}) detail::Text(out, " %.17g", x);
    out += "\n";
  }
  std::size_t at = 0;
  for (const std::uint32_t k : m.sizes) {
    out += "f";
    for (std::uint32_t j = 0; j < k; ++j) {
      out += ' ';
      out += std::to_string(m.corners[at + j] + 1);
    }
    out += "\n";
    at += k;
  }
  return out;
}

inline bool WriteBytes(const std::string& path, std::string_view bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace quervik::gen
