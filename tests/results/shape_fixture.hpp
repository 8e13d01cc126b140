// Support of the shape-frame and snapshot tests: the frame texts of the run, the point
// records of a frame read back as numbers, and the expected records written by gfortran
// (data/gen_shapes.f90 -> data/shapes_expected.txt).
#pragma once
#include <cstdlib>
#include <string>
#include <vector>

#include "run/params.hpp"
#include "wake_fixture.hpp"

namespace shapetest {

// Title, date and plot size text that the expected records were written with.
inline void frame_texts() {
  red.REDTXT = std::string(13, ' ');
  for (int k = 1; k <= 9; ++k) mp.TITLE(k) = std::string(8, ' ');
  mp.TITLE(1) = "SHAPE TE";
  mp.TITLE(2) = "ST CASE ";
  wpt.CDATE = "01/02/03";
  wpt.CTIME = "04.05.06";
}

inline const std::vector<std::string> &expected(const std::string &name) {
  static const auto m = expected_cases(ZELK_SOURCE_DIR "/tests/results/data/shapes_expected.txt");
  static const std::vector<std::string> none;
  auto it = m.find(name);
  return it == m.end() ? none : it->second;
}

// A point record (1X, 2G13.5) read back; false for any other record.
struct xy {
  float x, y;
};
inline bool as_point(const std::string &r, xy &p) {
  if (r.size() != 27 || r[0] != ' ') return false;
  char *e1 = nullptr, *e2 = nullptr;
  const std::string a = r.substr(1, 13), b = r.substr(14, 13);
  p.x = std::strtof(a.c_str(), &e1);
  p.y = std::strtof(b.c_str(), &e2);
  return e1 != a.c_str() && e2 != b.c_str();
}

// The curves of a run of records: the points before each record that starts with
// " JOIN" (the record itself is kept as the curve's end).
struct curve {
  std::vector<xy> pts;
  std::string end;
};
inline std::vector<curve> curves(const std::vector<std::string> &recs, std::size_t from = 0,
                                 std::size_t to = std::string::npos) {
  std::vector<curve> out;
  curve c;
  for (std::size_t k = from; k < recs.size() && k < to; ++k) {
    xy p;
    if (as_point(recs[k], p)) {
      c.pts.push_back(p);
    } else if (recs[k].rfind("  JOIN", 0) == 0) {
      c.end = recs[k];
      out.push_back(c);
      c = curve{};
    }
  }
  return out;
}

// Index of the first record equal to r at or after from; the size when there is none.
inline std::size_t find_rec(const std::vector<std::string> &recs, const std::string &r, std::size_t from = 0) {
  for (std::size_t k = from; k < recs.size(); ++k)
    if (recs[k] == r) return k;
  return recs.size();
}

} // namespace shapetest
