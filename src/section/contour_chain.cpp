#include "section/contour_chain.h"

#include <algorithm>

namespace quervik {

std::size_t TContourChains::ClosedCount() const {
  return static_cast<std::size_t>(
      std::count_if(Lines.begin(), Lines.end(), [](const TPolyline& l) { return l.closed; }));
}

void ChainContour(const TContour& contour, TContourChains& chains) {
  chains.Points.clear();
  chains.Lines.clear();
  const std::size_t n = contour.Points.size();
  const std::vector<TLine>& segs = contour.Contours;
  auto valid = [n](const TLine& l) {
    return l.sp != l.ep && l.sp >= 0 && l.ep >= 0 && static_cast<std::size_t>(l.sp) < n &&
           static_cast<std::size_t>(l.ep) < n;
  };
  auto at = [](std::int32_t k) { return static_cast<std::size_t>(k); };

  // Repeated segments: the segments grouped by their lower point (a counting
  // sort keeps them in section order within a group); a segment whose
  // higher point was already seen in its group repeats an earlier one.
  std::vector<std::uint32_t> start(n + 1, 0);
  for (const TLine& l : segs) {
    if (valid(l)) ++start[at(std::min(l.sp, l.ep)) + 1];
  }
  for (std::size_t p = 0; p < n; ++p) start[p + 1] += start[p];
  std::vector<std::uint32_t> byLow(start[n]);
  {
    std::vector<std::uint32_t> fill(start.begin(), start.end() - 1);
    for (std::size_t s = 0; s < segs.size(); ++s) {
      if (valid(segs[s])) byLow[fill[at(std::min(segs[s].sp, segs[s].ep))]++] = std::uint32_t(s);
    }
  }
  std::vector<char> keep(segs.size(), 0);
  {
    std::vector<std::int32_t> seenIn(n, -1);  // the group in which a higher point was seen last
    for (std::size_t p = 0; p < n; ++p) {
      for (std::uint32_t k = start[p]; k < start[p + 1]; ++k) {
        const TLine& l = segs[byLow[k]];
        std::int32_t& seen = seenIn[at(std::max(l.sp, l.ep))];
        if (seen != static_cast<std::int32_t>(p)) {
          seen = static_cast<std::int32_t>(p);
          keep[byLow[k]] = 1;
        }
      }
    }
  }

  // The kept segments ("edges") in section order, and for every point the
  // edges that meet there.
  std::vector<TLine> edges;
  edges.reserve(byLow.size());
  for (std::size_t s = 0; s < segs.size(); ++s) {
    if (keep[s]) edges.push_back(segs[s]);
  }
  std::fill(start.begin(), start.end(), 0);
  for (const TLine& e : edges) {
    ++start[at(e.sp) + 1];
    ++start[at(e.ep) + 1];
  }
  for (std::size_t p = 0; p < n; ++p) start[p + 1] += start[p];
  std::vector<std::uint32_t> incident(start[n]);
  {
    std::vector<std::uint32_t> fill(start.begin(), start.end() - 1);
    for (std::size_t e = 0; e < edges.size(); ++e) {
      incident[fill[at(edges[e].sp)]++] = std::uint32_t(e);
      incident[fill[at(edges[e].ep)]++] = std::uint32_t(e);
    }
  }
  auto degree = [&](std::int32_t p) { return start[at(p) + 1] - start[at(p)]; };
  // Through a point joined to exactly two edges: the edge that is not `in`.
  auto onward = [&](std::int32_t p, std::uint32_t in) {
    const std::uint32_t a = incident[start[at(p)]];
    return a == in ? incident[start[at(p)] + 1] : a;
  };
  auto otherEnd = [&](std::uint32_t e, std::int32_t p) {
    return edges[e].sp == p ? edges[e].ep : edges[e].sp;
  };

  std::vector<char> used(edges.size(), 0);
  std::vector<std::int32_t> back;
  chains.Points.reserve(edges.size() + edges.size() / 8);
  for (std::uint32_t e = 0; e < edges.size(); ++e) {
    if (used[e]) continue;
    used[e] = 1;
    const std::size_t begin = chains.Points.size();
    const std::int32_t first = edges[e].sp;
    chains.Points.push_back(first);
    chains.Points.push_back(edges[e].ep);
    // Forward from the segment's end point; back at `first` it has closed.
    std::int32_t p = edges[e].ep;
    std::uint32_t in = e;
    while (p != first && degree(p) == 2) {
      in = onward(p, in);
      used[in] = 1;
      p = otherEnd(in, p);
      chains.Points.push_back(p);
    }
    if (p != first) {
      // Open so far: backward from the start point, put in front.
      back.clear();
      p = first;
      in = e;
      while (degree(p) == 2) {
        in = onward(p, in);
        used[in] = 1;
        p = otherEnd(in, p);
        back.push_back(p);
      }
      chains.Points.insert(chains.Points.begin() + static_cast<std::ptrdiff_t>(begin),
                           back.rbegin(), back.rend());
    }
    // A loop through a point of three or more edges ends where it began.
    const bool closed = chains.Points[begin] == chains.Points.back();
    if (closed) chains.Points.pop_back();
    chains.Lines.push_back({begin, chains.Points.size(), closed});
  }
}

}  // namespace quervik
