// make_series_meshes FOLDER terrain NX NY: the benchmark terrain of NX by NY
//   cells (two triangles each) as FOLDER/terrain.obj;
// make_series_meshes FOLDER cone N: a closed cone of N side faces meeting at
//   its apex (and N base faces meeting at the base centre) as FOLDER/cone.obj.
// For scripts/series-bench, which measures quervik-batch on them. The numbers
// are written with the fewest digits that read back exactly, so a file of
// 20 million faces is written in seconds, not minutes.
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/common/generators.h"

namespace {

bool WriteObjFast(const quervik::Mesh& m, const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::vector<char> buf(1 << 20);
  std::size_t used = 0;
  auto flush = [&] {
    std::fwrite(buf.data(), 1, used, f);
    used = 0;
  };
  auto put = [&](auto&&... values) {
    if (buf.size() - used < 256) flush();
    char* p = buf.data() + used;
    bool first = true;
    auto one = [&](auto v) {
      if (!first) *p++ = ' ';
      first = false;
      p = std::to_chars(p, buf.data() + buf.size(), v).ptr;
    };
    (one(values), ...);
    *p++ = '\n';
    used = static_cast<std::size_t>(p - buf.data());
  };
  for (std::size_t i = 1; i < m.V.size(); ++i) {
    buf[used++] = 'v';
    buf[used++] = ' ';
    put(m.V[i].x, m.V[i].y, m.V[i].z);
  }
  for (std::size_t i = 1; i < m.Fc.size(); ++i) {
    buf[used++] = 'f';
    buf[used++] = ' ';
    put(m.Fc[i][1], m.Fc[i][2], m.Fc[i][3]);
  }
  flush();
  return std::fclose(f) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string kind = argc >= 3 ? argv[2] : "";
  if (!((kind == "terrain" && argc == 5) || (kind == "cone" && argc == 4))) {
    std::fprintf(stderr,
                 "usage: make_series_meshes FOLDER terrain NX NY\n"
                 "       make_series_meshes FOLDER cone N\n");
    return 2;
  }
  const std::string dir = argv[1];
  const int a = std::atoi(argv[3]);
  const int b = kind == "terrain" ? std::atoi(argv[4]) : 1;
  if (a < 3 || b < 1) {
    std::fprintf(stderr, "make_series_meshes: sizes too small\n");
    return 2;
  }
  const quervik::Mesh m =
      kind == "terrain" ? quervik::gen::MakeTerrain(a, b) : quervik::gen::MakeCone(a);
  if (!WriteObjFast(m, dir + "/" + kind + ".obj")) {
    std::fprintf(stderr, "make_series_meshes: cannot write into %s\n", dir.c_str());
    return 1;
  }
  return 0;
}
