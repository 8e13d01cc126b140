// Long-way elliptic arcs whose parameter window runs past a full turn, run end to end:
// the fitted boundary of the used-shape frame must follow the arc that the input-shape
// frame samples, and the mesh map must put metal and vacuum on the right sides of it.
// A window from th1 in [-pi, pi] over a sweep of up to 2 pi reaches up to 3 pi (or down
// to -3 pi); crossings whose angle lies beyond 2 pi (or below -2 pi) are easily lost,
// and the boundary then takes a chord across the arc.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "../results/shape_fixture.hpp"
#include "../run/run_binary.hpp"

using namespace shapetest;

namespace {

constexpr float H = 0.002f; // DDZ = DDR(1) of the decks

// The ellipse z = zc + b cos t, r = rc + a sin t of a deck.
struct ellipse_t {
  double zc, rc, a, b;
  double F(double z, double r) const {
    const double u = (z - zc) / b, v = (r - rc) / a;
    return u * u + v * v;
  }
};

// Cell map of the report: map[j][i] for column j (cell from z = (j-1) H) and radial
// line i (cell from r = (i-1) H), both from 1.
std::vector<std::string> mesh_map(const std::vector<std::string> &rep) {
  std::size_t k = 0;
  while (k < rep.size() && rep[k].rfind("1CAVITY SHAPE", 0) != 0) ++k;
  k += 3; // legend and blank record
  std::vector<std::string> cols(1);
  while (k < rep.size()) {
    std::vector<std::string> rows;
    while (k < rep.size() && !rep[k].empty() && rep[k][0] == ' ') rows.push_back(rep[k++].substr(1));
    if (rows.empty()) break;
    const std::size_t nr = rows.size();
    for (std::size_t c = 0; c < rows[0].size(); ++c) {
      std::string col(nr + 1, ' ');
      for (std::size_t i = 1; i <= nr; ++i) col[i] = rows[nr - i][c];
      cols.push_back(col);
    }
    if (k < rep.size() && rep[k] == "1") ++k; // next block of columns
    else break;
  }
  return cols;
}

struct deck_case {
  const char *deck;
  ellipse_t e;
  char inside, outside; // map characters of cells well inside and well outside it
  // Cells (given by a point of them) where the arc is not what bounds the metal.
  std::function<bool(double z, double r)> skip;
};

void check_deck(const deck_case &c) {
  SCOPED_TRACE(c.deck);
  const run_result run = run_zelk(deck_file(c.deck), "case.in", "case.in", "OMP_NUM_THREADS=2");
  ASSERT_EQ(run.status, 0) << run.err_terminal;
  const std::vector<std::string> top = lines_of(slurp(run.dir / "case.top"));
  const std::vector<std::string> rep = lines_of(slurp(run.dir / "case.out"));
  const std::size_t fin = find_rec(top, "  TITLE 7.0 9.0 CENTER SIZE 2.2  'Cavity Shape Input'");
  const std::size_t fus = find_rec(top, "  TITLE 7.0 9.0 CENTER SIZE 2.2  'Cavity Shape Used'");
  ASSERT_LT(fin, top.size());
  ASSERT_LT(fus, top.size());
  const ellipse_t &e = c.e;

  // Input frame: the arc samples (the points on the ellipse).
  std::vector<xy> arc;
  for (const curve &cv : curves(top, fin, fus))
    for (const xy &p : cv.pts)
      if (std::fabs(e.F(p.x, p.y) - 1.0) < 1.0E-3) arc.push_back(p);
  ASSERT_GT(arc.size(), 50u);

  // Used frame: the fitted boundary, mesh points.
  const std::vector<curve> used = curves(top, fus);
  ASSERT_FALSE(used.empty());
  auto near = [&](xy p, xy q) {
    return std::fabs(p.x - q.x) <= H * 1.001f && std::fabs(p.y - q.y) <= H * 1.001f;
  };
  // Every sample of the arc has a point of the fitted boundary within one mesh step.
  for (const xy &p : arc) {
    bool found = false;
    for (const curve &cv : used)
      for (const xy &q : cv.pts) found = found || near(p, q);
    EXPECT_TRUE(found) << "no fitted point near the arc at z " << p.x << " r " << p.y;
  }
  // Round the ellipse the fitted boundary goes from mesh point to neighbouring mesh
  // point: a chord across the arc would jump.
  auto by_arc = [&](xy p) { return e.F(p.x, p.y) < 1.6; };
  for (const curve &cv : used)
    for (std::size_t n = 1; n < cv.pts.size(); ++n)
      if (by_arc(cv.pts[n - 1]) && by_arc(cv.pts[n])) {
        EXPECT_TRUE(near(cv.pts[n - 1], cv.pts[n]))
            << "jump from z " << cv.pts[n - 1].x << " r " << cv.pts[n - 1].y << " to z " << cv.pts[n].x << " r "
            << cv.pts[n].y;
      }

  // Mesh map: a cell whose neighbourhood of one cell all round lies inside the ellipse
  // (or all outside it) has the flag of that side.
  const std::vector<std::string> map = mesh_map(rep);
  ASSERT_GT(map.size(), 100u);
  int checked = 0;
  for (std::size_t j = 1; j < map.size(); ++j) {
    for (std::size_t i = 1; i + 1 < map[j].size(); ++i) {
      const double z0 = (j - 1.0) * H, r0 = (i - 1.0) * H;
      if (z0 < e.zc - e.b - 2 * H || z0 > e.zc + e.b + 2 * H || r0 < e.rc - e.a - 2 * H ||
          r0 > e.rc + e.a + 2 * H)
        continue;
      bool all_in = true, all_out = true, skipped = false;
      for (int p = 0; p <= 6; ++p)
        for (int q = 0; q <= 6; ++q) {
          const double z = z0 - H + p * H / 2.0, r = r0 - H + q * H / 2.0;
          const double f = e.F(z, r);
          all_in = all_in && f < 1.0;
          all_out = all_out && f > 1.0;
          skipped = skipped || c.skip(z, r);
        }
      if (skipped || !(all_in || all_out)) continue;
      EXPECT_EQ(map[j][i], all_in ? c.inside : c.outside) << "cell of column " << j << ", line " << i;
      ++checked;
    }
  }
  EXPECT_GT(checked, 150);
  std::filesystem::remove_all(run.dir);
}

} // namespace

TEST(EllipseArcs, LongWayArcsFollowTheirEllipseInEitherSense) {
  const ellipse_t e{0.13, 0.06, 0.02, 0.03};
  const deck_case cases[] = {
      // A metal nose, counterclockwise from its left end (th1 = pi) under and round to its
      // top: the window [pi, 5 pi/2] passes 2 pi at the right end. The region left of the
      // nose and above the pipe is metal whatever the ellipse.
      {"ellipse_nose_ccw.in", e, '*', '.', [](double z, double r) { return z < 0.13 && r > 0.06; }},
      // A vacuum pocket, clockwise from its left end over its top down to its bottom: the
      // window [-pi/2, pi] stays inside one turn. Below the pipe and the pocket all is vacuum.
      {"ellipse_pocket_cw.in", e, '.', '*', [](double z, double r) { return z < 0.13 && r < 0.06; }},
      // A vacuum pocket clockwise from 217 degrees round to 307 degrees: the window
      // reaches down to -413 degrees, past -2 pi at the right end. Below the pipes all is
      // vacuum.
      {"ellipse_pocket_cw_past_turn.in", e, '.', '*', [](double, double r) { return r < 0.05; }},
  };
  for (const deck_case &c : cases) check_deck(c);
}
