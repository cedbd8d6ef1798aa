// SectionIndex: the same section as the plain loop over all faces, from a
// fraction of the faces; its bound of the candidates, and the exact count of
// segments (SectionLineCount) that the series' size check relies on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <thread>
#include <vector>

#include "section/plane_section.h"
#include "test_meshes.h"

namespace quervik {
namespace {

using test::BitsOf;
using test::RandomMesh;
using test::SegmentsOf;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Heights of the mesh (every one, or every k-th of many), the midpoints
// between neighbouring heights, values outside the range and the
// non-finite levels.
std::vector<double> LevelsFor(const Mesh& m) {
  std::vector<double> z;
  for (std::size_t i = 1; i < m.V.size(); ++i) z.push_back(m.V[i].z);
  std::sort(z.begin(), z.end());
  z.erase(std::unique(z.begin(), z.end()), z.end());
  const std::size_t step = z.size() / 40 + 1;
  std::vector<double> levels;
  for (std::size_t i = 0; i < z.size(); i += step) {
    levels.push_back(z[i]);
    if (i + 1 < z.size()) levels.push_back((z[i] + z[i + 1]) / 2);
  }
  for (const double extra : {-1e9, -0.0, 1e9, kInf, -kInf, kNaN}) levels.push_back(extra);
  if (!z.empty()) {
    levels.push_back(std::nextafter(z.front(), -kInf));
    levels.push_back(std::nextafter(z.back(), kInf));
  }
  return levels;
}

void ExpectSameAsPlainLoop(const Mesh& m, const std::vector<double>& levels) {
  const SectionIndex index = SectionIndex::Build(m);
  ASSERT_EQ(index.version(), m.version);
  const SectionLineCount count(m);
  for (const double level : levels) {
    TContour plain, indexed;
    CalculateContour(m, level, plain);
    CalculateContour(m, level, indexed, &index);
    ASSERT_EQ(SegmentsOf(plain), SegmentsOf(indexed)) << "level " << level;
    ASSERT_EQ(BitsOf(plain), BitsOf(indexed)) << "level " << level;
    ASSERT_EQ(count.At(level), plain.Contours.size()) << "level " << level;
    ASSERT_GE(index.CandidateBound(level), plain.Contours.size()) << "level " << level;
  }
}

// The faces LineCut can cut at `level`, found the slow way.
std::vector<std::int32_t> FacesSpanning(const Mesh& m, double level) {
  std::vector<std::int32_t> out;
  for (std::size_t i = 1; i < m.Fc.size(); ++i) {
    double mn = kInf, mx = -kInf;
    bool ok = true;
    for (int k = 1; k <= 3; ++k) {
      const std::int32_t v = m.Fc[i][k];
      if (v < 0 || static_cast<std::size_t>(v) >= m.V.size()) {
        ok = false;
        break;
      }
      const double z = m.V[static_cast<std::size_t>(v)].z;
      if (std::isnan(z)) {
        ok = false;
        break;
      }
      mn = std::min(mn, z);
      mx = std::max(mx, z);
    }
    if (ok && mn <= level && level < mx) out.push_back(static_cast<std::int32_t>(i));
  }
  return out;
}

TEST(SectionIndex, SameSectionAsThePlainLoopOnRandomMeshes) {
  std::mt19937_64 rng(11);
  for (const auto& [nv, nf, heights] :
       {std::tuple{3, 1, 2}, {8, 20, 3}, {50, 200, 6}, {200, 2000, 40}, {2000, 5000, 400}}) {
    for (int round = 0; round < 3; ++round) {
      const Mesh m = RandomMesh(rng, nv, nf, heights);
      SCOPED_TRACE(::testing::Message() << nv << " vertices, " << nf << " faces");
      ExpectSameAsPlainLoop(m, LevelsFor(m));
    }
  }
}

// Small faces at every height, a few walls through the whole range, faces
// far above and below, and hostile heights and vertex numbers.
Mesh MixedMesh(std::mt19937_64& rng) {
  Mesh m = RandomMesh(rng, 3000, 6000, 2000);  // heights 0 … 999.5 in steps of 0.5
  std::uniform_real_distribution<double> xy(0.0, 10.0);
  const auto add = [&](double z) {
    m.V.push_back({xy(rng), xy(rng), z});
    return static_cast<std::int32_t>(m.V.size() - 1);
  };
  for (int i = 0; i < 30; ++i) {  // walls
    m.Fc.push_back(TFace{{add(-5), add(2000), add(500)}});
  }
  for (int i = 0; i < 30; ++i) {  // thin slivers
    const double z = 0.5 * static_cast<int>(xy(rng) * 100);
    m.Fc.push_back(TFace{{add(z), add(std::nextafter(z, kInf)), add(z)}});
  }
  for (const double z : {kNaN, kInf, -kInf, 1e300, -1e300, 1e38, 3.5e38}) {
    m.Fc.push_back(TFace{{add(z), add(400), add(600)}});
    m.Fc.push_back(TFace{{add(700), add(z), add(z)}});
  }
  m.Fc.push_back(TFace{{1, 2, 1 << 30}});
  m.Fc.push_back(TFace{{-1, 2, 3}});
  m.Fc.push_back(TFace{{0, 0, 0}});
  std::shuffle(m.Fc.begin() + 1, m.Fc.end(), rng);
  m.version = NewMeshVersion();
  return m;
}

TEST(SectionIndex, SameSectionAsThePlainLoopOnAMixedHostileMesh) {
  std::mt19937_64 rng(12);
  const Mesh m = MixedMesh(rng);
  std::vector<double> levels = {-5,    0,      0.25,  399.5,   400,  500,  599.75,
                                600,   700,    999.5, 1999.75, 2000, 1e38, 3.4e38,
                                1e300, -1e300, kInf,  -kInf,   kNaN};
  std::uniform_real_distribution<double> any(-10, 1010);
  for (int i = 0; i < 60; ++i) levels.push_back(any(rng));
  ExpectSameAsPlainLoop(m, levels);
}

// The candidates for `level` include every face spanning it, ascending and
// each once; any other face misses the level by at most `slack`.
void ExpectCandidates(const Mesh& m, const SectionIndex& index, double level, double slack) {
  std::vector<std::int32_t> got = {-7};  // appended after what is there
  index.Candidates(level, got);
  ASSERT_EQ(got.front(), -7);
  got.erase(got.begin());
  ASSERT_GE(index.CandidateBound(level), got.size()) << "level " << level;
  ASSERT_TRUE(std::adjacent_find(got.begin(), got.end(), [](auto a, auto b) { return a >= b; }) ==
              got.end())
      << "not strictly ascending at level " << level;
  const std::vector<std::int32_t> want = FacesSpanning(m, level);
  ASSERT_TRUE(std::includes(got.begin(), got.end(), want.begin(), want.end()))
      << "a face spanning " << level << " is missing";
  for (const std::int32_t f : got) {
    if (std::binary_search(want.begin(), want.end(), f)) continue;
    double mn = kInf, mx = -kInf;
    for (int k = 1; k <= 3; ++k) {
      mn = std::min(mn, m.V[static_cast<std::size_t>(m.Fc[static_cast<std::size_t>(f)][k])].z);
      mx = std::max(mx, m.V[static_cast<std::size_t>(m.Fc[static_cast<std::size_t>(f)][k])].z);
    }
    EXPECT_TRUE(level >= mn - slack && level <= mx + slack)
        << "face " << f << " [" << mn << ", " << mx << "] at level " << level;
  }
}

TEST(SectionIndex, CandidatesAreEveryFaceSpanningTheLevelInAscendingOrder) {
  std::mt19937_64 rng(13);
  // Heights 0 … 999.5: a face listed besides those spanning the level
  // misses it by less than 999.5 / 2^16.
  const Mesh m = RandomMesh(rng, 3000, 20000, 2000);
  const SectionIndex index = SectionIndex::Build(m);
  std::uniform_real_distribution<double> any(-10, 1010);
  for (int i = 0; i < 200; ++i) {
    const double level = (i % 2) ? any(rng) : 0.5 * static_cast<int>(any(rng) * 2);
    ExpectCandidates(m, index, level, 999.5 / 65536);
  }
  std::vector<std::int32_t> none;
  index.Candidates(kNaN, none);
  EXPECT_TRUE(none.empty());
}

// Faces of every size: heights of each face spread over a random extent
// between 0.001 and 1000 (log-uniform), so that the index uses all its tiers.
Mesh FacesOfEverySize(std::mt19937_64& rng, int nf) {
  Mesh m = MakeMesh({}, {});
  std::uniform_real_distribution<double> base(0.0, 1000.0), xy(0.0, 10.0), e(-3.0, 3.0),
      t(0.0, 1.0);
  for (int i = 0; i < nf; ++i) {
    const double lo = base(rng), extent = std::pow(10.0, e(rng));
    const auto k = static_cast<std::int32_t>(m.V.size());
    m.V.push_back({xy(rng), xy(rng), lo});
    m.V.push_back({xy(rng), xy(rng), lo + extent});
    m.V.push_back({xy(rng), xy(rng), lo + t(rng) * extent});
    // Corners in every order, so that every edge condition occurs.
    switch (i % 3) {
      case 0:
        m.Fc.push_back(TFace{{k, k + 1, k + 2}});
        break;
      case 1:
        m.Fc.push_back(TFace{{k + 2, k, k + 1}});
        break;
      default:
        m.Fc.push_back(TFace{{k + 1, k + 2, k}});
        break;
    }
  }
  m.version = NewMeshVersion();
  return m;
}

TEST(SectionIndex, CandidatesForFacesOfEverySize) {
  std::mt19937_64 rng(15);
  const Mesh m = FacesOfEverySize(rng, 30000);
  const SectionIndex index = SectionIndex::Build(m);
  std::uniform_real_distribution<double> any(-1, 2001);
  std::uniform_int_distribution<std::size_t> vertex(1, m.V.size() - 1);
  double top = 0;
  for (std::size_t v = 1; v < m.V.size(); ++v) top = std::max(top, m.V[v].z);
  const double slack = top / 65536;  // heights from 0 to top
  for (int i = 0; i < 300; ++i) {
    ExpectCandidates(m, index, any(rng), slack);
    ExpectCandidates(m, index, m.V[vertex(rng)].z, slack);
  }
  std::vector<double> levels;
  for (int i = 0; i < 40; ++i) levels.push_back(any(rng));
  ExpectSameAsPlainLoop(m, levels);
}

TEST(SectionIndex, CandidatesOnAMixedHostileMesh) {
  // Heights up to 1e300 make the quanta coarse: more candidates, none lost.
  std::mt19937_64 rng(14);
  const Mesh m = MixedMesh(rng);
  const SectionIndex index = SectionIndex::Build(m);
  std::uniform_real_distribution<double> any(-10, 1010);
  for (int i = 0; i < 50; ++i) ExpectCandidates(m, index, any(rng), kInf);
  for (const double level : {-kInf, kInf, 1e300, -1e300}) ExpectCandidates(m, index, level, kInf);
}

// A grid of n * n cells, two faces each, with the vertex of column i and
// row j at vertex(i, j).
template <class Vertex>
Mesh GridMesh(int n, Vertex vertex) {
  Mesh m = MakeMesh({}, {});
  for (int j = 0; j <= n; ++j) {
    for (int i = 0; i <= n; ++i) m.V.push_back(vertex(i, j));
  }
  const auto id = [n](int i, int j) { return static_cast<std::int32_t>(j * (n + 1) + i + 1); };
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < n; ++i) {
      m.Fc.push_back(TFace{{id(i, j), id(i + 1, j), id(i + 1, j + 1)}});
      m.Fc.push_back(TFace{{id(i, j), id(i + 1, j + 1), id(i, j + 1)}});
    }
  }
  m.version = NewMeshVersion();
  return m;
}

// A smooth terrain of 2 * n * n faces.
Mesh Terrain(int n) {
  return GridMesh(n, [](int i, int j) {
    return Tvertex{double(i), double(j), 10 * std::sin(i * 0.1) * std::cos(j * 0.07) + 0.1 * i};
  });
}

TEST(SectionIndex, VisitsFewFacesBesidesThoseSpanningTheLevel) {
  const Mesh m = Terrain(150);
  const SectionIndex index = SectionIndex::Build(m);
  // Levels that no vertex lies at (faces whose top lies at the level are
  // listed too, and the column x = 0 of the terrain lies at 0).
  for (const double level : {-5.05, 0.05, 3.3, 7.01}) {
    std::vector<std::int32_t> got;
    index.Candidates(level, got);
    const std::size_t spanning = FacesSpanning(m, level).size();
    EXPECT_GT(spanning, 100u);
    EXPECT_LE(got.size(), spanning + spanning / 10) << "level " << level;
  }
  ExpectSameAsPlainLoop(m, {-5.0, 0.0, 3.3, 7.0, 10.5});
}

TEST(SectionIndex, IndexOfAnotherMeshVersionIsIgnored) {
  const Mesh m = Terrain(20);
  Mesh other = Terrain(20);
  for (Tvertex& v : other.V) v.z += 3;
  const SectionIndex stale = SectionIndex::Build(other);
  const SectionIndex never_built;
  TContour plain, with_stale, with_none;
  CalculateContour(m, 2.0, plain);
  CalculateContour(m, 2.0, with_stale, &stale);
  CalculateContour(m, 2.0, with_none, &never_built);
  ASSERT_FALSE(plain.Contours.empty());
  EXPECT_EQ(BitsOf(plain), BitsOf(with_stale));
  EXPECT_EQ(SegmentsOf(plain), SegmentsOf(with_stale));
  EXPECT_EQ(BitsOf(plain), BitsOf(with_none));
  EXPECT_EQ(SegmentsOf(plain), SegmentsOf(with_none));
  EXPECT_TRUE(SectionIndex::Build(m).Serves(m));
  EXPECT_FALSE(stale.Serves(m));
  EXPECT_FALSE(never_built.Serves(m));
  EXPECT_EQ(never_built.CandidateBound(2.0), 0u);
}

TEST(SectionIndex, EmptyMeshes) {
  ExpectSameAsPlainLoop(Mesh{}, {0.0, kNaN});
  ExpectSameAsPlainLoop(MakeMesh({}, {}), {0.0});
  ExpectSameAsPlainLoop(MakeMesh({{0, 0, 1}, {1, 0, 1}, {0, 1, 1}}, {TFace{{1, 2, 3}}}),
                        {0.0, 1.0, 2.0});
}

// A grid whose columns lie alternately at height 0 and 1: every face is
// cut at 0.5, so a section lists 2 * n * n faces.
Mesh Zigzag(int n) {
  return GridMesh(n, [](int i, int j) { return Tvertex{i * 0.7, j * 0.3, double(i % 2)}; });
}

TEST(SectionIndex, LargeSectionsAloneOrSideBySide) {
  // 20,000 listed faces: a section running alone cuts them on a second
  // thread while it merges; sections running side by side do not. Either
  // way the points and segments are the plain loop's.
  const Mesh m = Zigzag(100);
  const SectionIndex index = SectionIndex::Build(m);
  const std::vector<double> levels = {0.5, 0.25, 0.0};
  ExpectSameAsPlainLoop(m, levels);
  std::vector<TContour> side_by_side(3 * levels.size());
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < 3; ++t) {
    threads.emplace_back([&, t] {
      for (std::size_t k = 0; k < levels.size(); ++k) {
        CalculateContour(m, levels[k], side_by_side[t * levels.size() + k], &index);
      }
    });
  }
  for (std::thread& th : threads) th.join();
  for (std::size_t k = 0; k < side_by_side.size(); ++k) {
    TContour plain;
    CalculateContour(m, levels[k % levels.size()], plain);
    EXPECT_GT(plain.Contours.size(), 19000u);
    EXPECT_EQ(BitsOf(plain), BitsOf(side_by_side[k]));
    EXPECT_EQ(SegmentsOf(plain), SegmentsOf(side_by_side[k]));
  }
}

TEST(SectionIndex, SeveralThreadsShareOneIndex) {
  const Mesh m = Terrain(60);
  const SectionIndex index = SectionIndex::Build(m);
  constexpr int kThreads = 4;
  constexpr int kLevels = 12;
  std::vector<TContour> parallel(kThreads * kLevels);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int k = 0; k < kLevels; ++k) {
        CalculateContour(m, -6.0 + k, parallel[static_cast<std::size_t>(t * kLevels + k)], &index);
      }
    });
  }
  for (std::thread& th : threads) th.join();
  for (int t = 0; t < kThreads; ++t) {
    for (int k = 0; k < kLevels; ++k) {
      TContour plain;
      CalculateContour(m, -6.0 + k, plain);
      const TContour& c = parallel[static_cast<std::size_t>(t * kLevels + k)];
      EXPECT_EQ(BitsOf(plain), BitsOf(c));
      EXPECT_EQ(SegmentsOf(plain), SegmentsOf(c));
    }
  }
}

}  // namespace
}  // namespace quervik
