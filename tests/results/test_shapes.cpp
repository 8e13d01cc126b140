// Structure shape frames: the input frame record by record against gfortran
// (data/gen_shapes.f90), the used frame around the fitted boundary, the arcs of the
// input contour as geometry, and the shape frames leaving the wakes of a run unchanged.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "../geometry/fit_fixture.hpp"
#include "../run/run_binary.hpp"
#include "../solver/deckrun.hpp"
#include "results/shapes.hpp"
#include "run/plotfile.hpp"
#include "run/timeloop.hpp"
#include "run/units.hpp"
#include "shape_fixture.hpp"

using namespace shapetest;

namespace {

using zones_t = std::vector<std::pair<float, int>>;
const zones_t Z1 = {{0.002f, 40}};
const zones_t Z8 = {{0.002f, 10}, {0.001f, 10}, {0.002f, 5}, {0.004f, 5},
                    {0.002f, 5},  {0.001f, 10}, {0.002f, 5}, {0.004f, 5}};
zones_t z9() {
  zones_t z = Z8;
  z.push_back({0.002f, 5});
  return z;
}

// The pillbox of the gfortran cases: pipes of radius 0.02 m, cavity of radius 0.06 m
// from z = 0.05 to 0.15 m, 100 columns of 2 mm; RMARK the zone tops.
void pillbox(const zones_t &zones) {
  latc = latc_t{};
  geo = geo_t{};
  lat2 = lat2_t{};
  plnz.LPATH = false;
  wpl2.LNAPOLY = false;
  fit::radial_mesh(zones);
  for (int k = 1; k <= lat2.NZONE; ++k) lat2.RMARK(k) = lat2.XR(k);
  using fit::pt;
  fit::contour(0.002f, 100,
               {pt(0.02f, 0.0f), pt(0.02f, 0.05f), pt(0.06f, 0.05f), pt(0.06f, 0.15f), pt(0.02f, 0.15f),
                pt(0.02f, 0.2f)});
  fit::arrays(latc.NZ + 2);
  frame_texts();
  uopen_mem(ndev.NTOP);
}

void expect_records(const std::vector<std::string> &got, const std::vector<std::string> &want,
                    const std::string &name) {
  ASSERT_FALSE(want.empty()) << name;
  ASSERT_EQ(got.size(), want.size()) << name;
  for (std::size_t k = 0; k < want.size(); ++k) EXPECT_EQ(got[k], want[k]) << name << " record " << k + 1;
}

// The points that cavplt writes for a contour with one arc, between the arc's start
// point P(k0 - 1) and its end point: the records after the first occurrence of the
// start point in the contour walk up to the end point.
std::vector<xy> arc_points(float z1, float r1, float z2, float r2) {
  const std::vector<std::string> &recs = umem(ndev.NTOP);
  std::vector<xy> out;
  bool in = false;
  for (std::size_t k = find_rec(recs, "  JOIN 1 DOTS") + 1; k < recs.size(); ++k) {
    xy p;
    if (!as_point(recs[k], p)) continue;
    const bool at_start = std::fabs(p.x - z1) < 1e-6f && std::fabs(p.y - r1) < 1e-6f;
    const bool at_end = std::fabs(p.x - z2) < 1e-6f && std::fabs(p.y - r2) < 1e-6f;
    if (!in && at_start) {
      in = true;
    } else if (in && at_end) {
      break;
    } else if (in) {
      out.push_back(p);
    }
  }
  return out;
}

// A contour with one arc from (z 0.04, r 0.02) to the end point given, on a mesh of
// 1 mm steps.
void arc_case(std::vector<fit::cline> arc) {
  latc = latc_t{};
  geo = geo_t{};
  lat2 = lat2_t{};
  plnz.LPATH = false;
  fit::uniform_mesh(101, 0.001f);
  std::vector<fit::cline> lines = {fit::pt(0.02f, 0.0f), fit::pt(0.02f, 0.04f)};
  for (auto &l : arc) lines.push_back(l);
  lines.push_back(fit::pt(0.02f, 0.1f));
  fit::contour(0.001f, 100, lines);
  frame_texts();
  uopen_mem(ndev.NTOP);
  float YMIN;
  cavplt(YMIN);
}

} // namespace

TEST(ShapeFrames, InputFrameRecordByRecord) {
  struct row {
    const char *name;
    zones_t zones;
    bool path, napoly;
  } rows[] = {
      {"input_z1", Z1, false, false},
      {"input_z8", Z8, false, false}, // DDR(2) .. DDR(8) as further zones
      {"input_z9", z9(), false, false}, // nine steps: DDR(2) .. DDR(6) only
      {"input_z1_path", Z1, true, false},
      {"input_z1_napoly", Z1, true, true},
  };
  for (const row &r : rows) {
    pillbox(r.zones);
    plnz.LPATH = r.path;
    wpl2.LNAPOLY = r.napoly;
    pint.KMIN = 11;
    wprm.IZCF = 20;
    wprm.IZCT = 80;
    wprm.IRWAK = 11;
    const int nzone = lat2.NZONE;
    cplot();
    expect_records(umem(ndev.NTOP), expected(r.name), r.name);
    EXPECT_EQ(lat2.NZONE, nzone) << r.name;
    EXPECT_FLOAT_EQ(nzpath.ZPL, 0.0f);
    EXPECT_FLOAT_EQ(nzpath.RPL, 0.02f);
    EXPECT_FLOAT_EQ(nzpath.ZPR, 0.2f);
    EXPECT_FLOAT_EQ(nzpath.RPR, 0.02f);
  }
  plnz.LPATH = false;
  wpl2.LNAPOLY = false;
}

// Head (titles, limits, arrows, left pipe end) against gfortran; then the fitted
// boundary of the whole mesh as hit1 writes it, " JOIN 1 SOLID", " PLOT", the right
// pipe end and the axis; the frame and memory window left on the whole mesh.
TEST(ShapeFrames, UsedFrameAroundTheFittedBoundary) {
  struct row {
    const char *name;
    zones_t zones;
  } rows[] = {{"used_z1", Z1}, {"used_z8", Z8}, {"used_z9", z9()}};
  for (const row &r : rows) {
    pillbox(r.zones);
    lfrbk.IZFRL = 1;
    lfrbk.IZFRR = latc.NZ;
    hit1(1);
    const std::vector<std::string> boundary = umem(ndev.NTOP);
    ASSERT_GT(boundary.size(), 10u);
    uopen_mem(ndev.NTOP);
    lfrbk = lfrbk_t{7, 9, 7, 9};
    const int nzone = lat2.NZONE;
    uplot();
    std::vector<std::string> want = expected(r.name);
    ASSERT_FALSE(want.empty());
    want.insert(want.end(), boundary.begin(), boundary.end());
    want.push_back("  JOIN 1 SOLID");
    want.push_back("  PLOT");
    const std::vector<std::string> &tail = expected("input_z1");
    want.insert(want.end(), tail.end() - 6, tail.end()); // right pipe end and axis
    expect_records(umem(ndev.NTOP), want, r.name);
    EXPECT_EQ(lfrbk.IZFRL, 1);
    EXPECT_EQ(lfrbk.IZFRR, latc.NZ);
    EXPECT_EQ(lfrbk.IZMWL, 1);
    EXPECT_EQ(lfrbk.IZMWR, latc.NZ);
    EXPECT_EQ(lat2.NZONE, nzone);
  }
}

TEST(ShapeFrames, UsedFrameDrawsTheWakePathBelowItsLine) {
  pillbox(Z1);
  plnz.LPATH = true;
  pint.KMIN = 11;
  uplot();
  const std::vector<std::string> &got = umem(ndev.NTOP);
  const std::vector<std::string> &in = expected("input_z1_path");
  ASSERT_GE(got.size(), 3u);
  // The same three records as the input frame: the two points and " JOIN 1 DASH".
  EXPECT_EQ(std::vector<std::string>(got.end() - 3, got.end()), std::vector<std::string>(in.end() - 3, in.end()));
  plnz.LPATH = false;
}

// Circle of chord 0.02 m: radius +0.02 m counterclockwise, -0.02 m clockwise, each
// sample on the circle; with 1 mm steps 33 samples (N = INT(5 rho theta/(pi h) + 1) = 34).
TEST(ShapeFrames, CircleArcSamples) {
  struct row {
    float radius;
    float zc, rc, rho; // centre and radius of the arc drawn
    int samples;       // -1: not checked
    float turn;        // +1 counterclockwise, -1 clockwise
  } rows[] = {
      {0.02f, 0.05f, 0.02f + 0.01f * std::sqrt(3.0f), 0.02f, 33, 1.0f},
      {-0.02f, 0.05f, 0.02f - 0.01f * std::sqrt(3.0f), 0.02f, 33, -1.0f},
      {0.0f, 0.05f, 0.02f, 0.01f, -1, 1.0f}, // half circle about the chord's midpoint
  };
  for (const row &r : rows) {
    arc_case({fit::circ(-1, r.radius, r.rc, r.zc), fit::pt(0.02f, 0.06f)});
    const std::vector<xy> pts = arc_points(0.04f, 0.02f, 0.06f, 0.02f);
    if (r.samples >= 0) {
      EXPECT_EQ(static_cast<int>(pts.size()), r.samples) << r.radius;
    }
    ASSERT_GT(pts.size(), 4u);
    double prev = std::atan2(0.02 - r.rc, 0.04 - r.zc);
    double swept = 0.0;
    for (const xy &p : pts) {
      const double d = std::hypot(p.x - r.zc, p.y - r.rc);
      EXPECT_NEAR(d, r.rho, 1.0E-6) << r.radius << " at " << p.x << " " << p.y;
      double a = std::atan2(p.y - r.rc, p.x - r.zc);
      double step = a - prev;
      if (step > M_PI) step -= 2 * M_PI;
      if (step < -M_PI) step += 2 * M_PI;
      EXPECT_GT(step * r.turn, 0.0) << r.radius;
      swept += step;
      prev = a;
    }
    if (r.radius == 0.0f) {
      // The half circle turns counterclockwise from the left end: below the chord.
      for (const xy &p : pts) EXPECT_LT(p.y, 0.02f);
      EXPECT_NEAR(swept, M_PI, 0.1);
    }
  }
}

// End points at the z of the centre, one below and one above it (T = 0): ELLP is the
// axial semi-axis, half their distance the radial one; the two ways are equally long,
// the counterclockwise one is drawn (through z = zc + ELLP).
TEST(ShapeFrames, HalfEllipseWithEllpAsAxialSemiAxis) {
  const float zc = 0.05f, rc = 0.03f, a = 0.01f, b = 0.015f;
  latc = latc_t{};
  geo = geo_t{};
  lat2 = lat2_t{};
  fit::uniform_mesh(101, 0.001f);
  fit::contour(0.001f, 100,
               {fit::pt(0.02f, 0.0f), fit::pt(0.02f, zc), fit::ell(-3, b, a, b), fit::pt(rc, zc), fit::pt(0.04f, zc),
                fit::pt(0.04f, 0.08f), fit::pt(0.02f, 0.08f), fit::pt(0.02f, 0.1f)});
  frame_texts();
  uopen_mem(ndev.NTOP);
  float YMIN;
  cavplt(YMIN);
  const std::vector<xy> pts = arc_points(zc, 0.02f, zc, 0.04f);
  ASSERT_GT(pts.size(), 10u);
  float zmax = 0.0f;
  for (const xy &p : pts) {
    const double u = (p.x - zc) / b, v = (p.y - rc) / a;
    EXPECT_NEAR(u * u + v * v, 1.0, 2.0E-4) << p.x << " " << p.y;
    EXPECT_GT(p.x, zc);
    zmax = std::max(zmax, p.x);
  }
  EXPECT_NEAR(zmax, zc + b, 1.0E-5);
}

// An end point at the end of an axis with its radius one float step above the centre:
// the argument of acos reaches just past 1 for some of them; the arc is drawn in full
// and no sample is NaN.
TEST(ShapeFrames, EllipseEndAtTheEndOfAnAxisDrawsNoNan) {
  const float zc = 0.05f, rc = 0.03f;
  int cases = 0;
  for (float a : {0.007f, 0.01f, 0.013f}) {
    for (int n = 0; n < 40; ++n) {
      const float dz = 0.011f + 0.00037f * static_cast<float>(n);
      latc = latc_t{};
      geo = geo_t{};
      lat2 = lat2_t{};
      fit::uniform_mesh(101, 0.001f);
      // Start at the top of the radial axis, end at the end of the axial one.
      fit::contour(0.001f, 100,
                   {fit::pt(0.02f, 0.0f), fit::pt(0.02f, zc), fit::pt(rc + a, zc), fit::ell(-3, 0.0f, a, dz),
                    fit::pt(rc, zc), fit::pt(std::nextafter(rc, 1.0f), zc + dz), fit::pt(0.02f, 0.08f),
                    fit::pt(0.02f, 0.1f)});
      frame_texts();
      uopen_mem(ndev.NTOP);
      float YMIN;
      cavplt(YMIN);
      // The quarter ellipse is drawn in full (a NaN sample would be lost or written).
      EXPECT_GT(arc_points(zc, rc + a, zc + dz, rc).size(), 5u) << "a " << a << " dz " << dz;
      for (const std::string &s : umem(ndev.NTOP)) {
        ASSERT_EQ(s.find("NaN"), std::string::npos) << "a " << a << " dz " << dz << ": " << s;
        ASSERT_EQ(s.find("Inf"), std::string::npos) << "a " << a << " dz " << dz << ": " << s;
      }
      ++cases;
    }
  }
  EXPECT_EQ(cases, 120);
}

// The used frame sets the boundary frame and memory window to the whole mesh; the first
// window of the run sets them anew, so the wakes are those of the run without frames.
TEST(ShapeFrames, ShapeFramesLeaveTheWakesUnchanged) {
  auto wakes = [](const std::string &plot) {
    std::ifstream f(ZELK_SOURCE_DIR "/tests/decks/pillbox_small.in");
    std::string deck((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    const std::size_t p = deck.find(" &PLOT  /");
    deck.replace(p, 9, " &PLOT " + plot + " /");
    deck_setup(deck);
    time_loop();
    std::vector<float> w;
    for (arr1<float> *x : {&wzwy_data.wz, &wzwy_data.wt, &wzwy_data.wy})
      for (long k = 1; k <= x->size(); ++k) w.push_back((*x)(k));
    return std::make_pair(w, umem(ndev.NTOP));
  };
  testing::internal::CaptureStdout();
  auto [plain, top0] = wakes("");
  auto [drawn, top1] = wakes("LCAVIN=T, LCAVUS=T");
  testing::internal::GetCapturedStdout();
  EXPECT_TRUE(top0.empty());
  ASSERT_FALSE(top1.empty());
  EXPECT_EQ(top1[5], "  TITLE 7.0 9.0 CENTER SIZE 2.2  'Cavity Shape Input'");
  EXPECT_EQ(find_rec(top1, "  TITLE 7.0 9.0 CENTER SIZE 2.2  'Cavity Shape Used'") < top1.size(), true);
  ASSERT_EQ(plain.size(), drawn.size());
  bool nonzero = false;
  for (std::size_t k = 0; k < plain.size(); ++k) {
    EXPECT_EQ(std::memcmp(&plain[k], &drawn[k], sizeof(float)), 0) << "wake sample " << k;
    nonzero = nonzero || plain[k] != 0.0f;
  }
  EXPECT_TRUE(nonzero);
}

// Further closed polygons after the contour: the contour ends at the right pipe end with
// " JOIN 1 SOLID", each polygon is one solid curve closed at the point that repeats its
// first one, the last one closed by the final " JOIN 1 SOLID".
TEST(ShapeFrames, FurtherPolygonsEachOneCurve) {
  pillbox(Z1);
  using fit::pt;
  const std::vector<fit::cline> sq1 = {pt(0.03f, 0.08f), pt(0.04f, 0.08f), pt(0.04f, 0.09f), pt(0.03f, 0.09f),
                                       pt(0.03f, 0.08f)};
  const std::vector<fit::cline> sq2 = {pt(0.03f, 0.11f), pt(0.035f, 0.11f), pt(0.035f, 0.12f), pt(0.03f, 0.11f)};
  fit::further(sq1);
  fit::further(sq2);
  float YMIN;
  cavplt(YMIN);
  const std::vector<curve> c = curves(umem(ndev.NTOP));
  ASSERT_EQ(c.size(), 6u);
  EXPECT_EQ(c[0].end, "  JOIN 1 DOTS"); // left pipe end
  EXPECT_EQ(c[1].pts.size(), 6u);       // P(2) .. P(NLAST)
  EXPECT_EQ(c[1].end, "  JOIN 1 SOLID");
  for (int p = 0; p < 2; ++p) {
    const std::vector<fit::cline> &sq = p == 0 ? sq1 : sq2;
    ASSERT_EQ(c[2 + p].pts.size(), sq.size());
    for (std::size_t k = 0; k < sq.size(); ++k) {
      EXPECT_FLOAT_EQ(c[2 + p].pts[k].x, sq[k].z);
      EXPECT_FLOAT_EQ(c[2 + p].pts[k].y, sq[k].r);
    }
    EXPECT_EQ(c[2 + p].end, "  JOIN 1 SOLID");
  }
  EXPECT_EQ(c[4].end, "  JOIN 1 DOTS");
  EXPECT_EQ(c[5].end, "  JOIN 1 DOTDASH");
}

// A contour of more points than a piece holds: pieces of 1021 points sharing their end
// point; the right pipe end never starts a piece of its own.
TEST(ShapeFrames, LongContourInPiecesOf1021) {
  latc = latc_t{};
  geo = geo_t{};
  lat2 = lat2_t{};
  fit::uniform_mesh(101, 0.001f);
  std::vector<fit::cline> lines;
  for (int k = 0; k < 1500; ++k)
    lines.push_back(fit::pt(k % 2 == 0 ? 0.02f : 0.03f, static_cast<float>(k / 2) * 0.0001f));
  fit::contour(0.0001f, 1000, lines);
  frame_texts();
  uopen_mem(ndev.NTOP);
  float YMIN;
  cavplt(YMIN);
  const std::vector<curve> c = curves(umem(ndev.NTOP));
  ASSERT_EQ(c.size(), 5u);
  ASSERT_EQ(c[1].pts.size(), 1021u);
  ASSERT_EQ(c[2].pts.size(), 1500u - 1021u + 1u);
  EXPECT_EQ(c[2].pts.front().x, c[1].pts.back().x);
  EXPECT_EQ(c[2].pts.front().y, c[1].pts.back().y);
}

// The example deck draws both shape frames first: the input shape, then the shape used.
TEST(ShapeFrames, ExampleDeckBeginsWithTheShapeFrames) {
  const run_result res = run_zelk(slurp(std::filesystem::path(ZELK_SOURCE_DIR) / "examples" / "pillbox.in"),
                                  "pillbox.in", "pillbox.in", "OMP_NUM_THREADS=2");
  ASSERT_EQ(res.status, 0) << res.err_terminal;
  const std::vector<std::string> top = lines_of(slurp(res.dir / "pillbox.top"));
  ASSERT_GT(top.size(), 10u);
  EXPECT_EQ(top[0], "  NEW FRAME");
  EXPECT_EQ(top[5], "  TITLE 7.0 9.0 CENTER SIZE 2.2  'Cavity Shape Input'");
  const std::size_t k = find_rec(top, "  NEW FRAME", 1);
  ASSERT_LT(k + 5, top.size());
  EXPECT_EQ(top[k + 5], "  TITLE 7.0 9.0 CENTER SIZE 2.2  'Cavity Shape Used'");
}
