// Half-cell input mirrored into the whole structure.
#include "mesh_fixture.hpp"

namespace {
using namespace meshtest;

struct HalfCell : ::testing::Test {
  void SetUp() override {
    reset_mesh_state();
    mesh_eighths();
  }
};

struct contour_t {
  std::vector<float> rr, zz;
  std::vector<int> ir, iz;
  int npts, nlast, nz;
  float zl;
};
contour_t snapshot() {
  contour_t c{{}, {}, {}, {}, latc.NPTS, lat2.NLAST, latc.NZ, geo.ZL};
  for (int k = 1; k <= latc.NPTS; ++k) {
    c.rr.push_back(geo.RR(k));
    c.zz.push_back(geo.ZZ(k));
    c.ir.push_back(latc.IR(k));
    c.iz.push_back(latc.IZ(k));
  }
  return c;
}
void expect_same(const contour_t &a, const contour_t &b) {
  EXPECT_EQ(a.npts, b.npts);
  EXPECT_EQ(a.nlast, b.nlast);
  EXPECT_EQ(a.nz, b.nz);
  EXPECT_EQ(a.zl, b.zl);
  EXPECT_EQ(a.rr, b.rr);
  EXPECT_EQ(a.zz, b.zz);
  EXPECT_EQ(a.ir, b.ir);
  EXPECT_EQ(a.iz, b.iz);
}

contour_t half_run(const std::vector<gline> &half) {
  reset_mesh_state();
  mesh_eighths();
  symt.LHALF = true;
  set_contour(half);
  run_mesh();
  expand();
  expand2();
  return snapshot();
}
contour_t full_run(const std::vector<gline> &full) {
  reset_mesh_state();
  mesh_eighths();
  set_contour(full);
  run_mesh();
  return snapshot();
}

TEST_F(HalfCell, PillboxHalfGivesTheFullCell) {
  // Right half of the pillbox: z = 0 on the middle plane of the cavity.
  const contour_t h = half_run({{0, 0}, {0.5f, 0}, {0.5f, 0.25f}, {0.25f, 0.25f}, {0.25f, 1.0f}, {0, 1.0f}, {0, 0}});
  EXPECT_EQ(h.npts, 11);
  EXPECT_EQ(h.nlast, 9);
  EXPECT_EQ(h.nz, 16);
  EXPECT_EQ(h.zl, 2.0f);
  EXPECT_EQ(h.iz, (std::vector<int>{1, 1, 7, 7, 9, 9, 11, 11, 16, 17, 1}));
  EXPECT_EQ(h.ir, (std::vector<int>{1, 3, 3, 5, 5, 5, 5, 3, 3, 1, 1}));
  // The full cell holds the middle-plane point twice, as the mirrored half does.
  const contour_t f = full_run({{0, 0},
                                {0.25f, 0},
                                {0.25f, 0.75f},
                                {0.5f, 0.75f},
                                {0.5f, 1.0f},
                                {0.5f, 1.0f},
                                {0.5f, 1.25f},
                                {0.25f, 1.25f},
                                {0.25f, 2.0f},
                                {0, 2.0f},
                                {0, 0}});
  expect_same(h, f);
}

TEST_F(HalfCell, CircleArcOccursTwiceWithTheSameSignedRadius) {
  // Quarter circle from the top of the cell at the middle plane down to the wall.
  const contour_t h = half_run({{0, 0},
                                {0.75f, 0},
                                {CS, -0.25f},
                                {0.5f, 0.25f},
                                {0.25f, 0.25f},
                                {0.25f, 1.0f},
                                {0, 1.0f},
                                {0, 0}});
  EXPECT_EQ(h.npts, 13);
  EXPECT_EQ(h.nlast, 11);
  EXPECT_EQ(h.rr[4], CS);
  EXPECT_EQ(h.zz[4], -0.25f);
  EXPECT_EQ(h.rr[7], CS);
  EXPECT_EQ(h.zz[7], -0.25f);
  // Both markers hold the column of the centre at the middle plane.
  EXPECT_EQ(h.iz[4], 9);
  EXPECT_EQ(h.iz[7], 9);
  const contour_t f = full_run({{0, 0},
                                {0.25f, 0},
                                {0.25f, 0.75f},
                                {0.5f, 0.75f},
                                {CS, -0.25f},
                                {0.75f, 1.0f},
                                {0.75f, 1.0f},
                                {CS, -0.25f},
                                {0.5f, 1.25f},
                                {0.25f, 1.25f},
                                {0.25f, 2.0f},
                                {0, 2.0f},
                                {0, 0}});
  EXPECT_EQ(h.ir, f.ir);
  EXPECT_EQ(h.iz, f.iz);
  EXPECT_EQ(h.rr, f.rr);
  EXPECT_EQ(h.zz, f.zz);
}

TEST_F(HalfCell, EllipseReadsEndMarkerCentreStartInTheMirroredCopy) {
  const contour_t h = half_run({{0, 0},
                                {0.75f, 0},
                                {0.75f, 0.25f},
                                {0.5f, 0.25f},
                                {ES, 0.25f},
                                {0.5f, 0.5f},
                                {0.5f, 0.75f},
                                {0.25f, 0.75f},
                                {0.25f, 1.5f},
                                {0, 1.5f},
                                {0, 0}});
  const std::vector<gline> full = {{0, 0},        {0.25f, 0},     {0.25f, 0.75f}, {0.5f, 0.75f},  {ES, 0.25f},
                                   {0.5f, 1.0f},  {0.5f, 1.25f},  {0.75f, 1.25f}, {0.75f, 1.5f},  {0.75f, 1.5f},
                                   {0.75f, 1.75f}, {0.5f, 1.75f}, {ES, 0.25f},    {0.5f, 2.0f},   {0.5f, 2.25f},
                                   {0.25f, 2.25f}, {0.25f, 3.0f}, {0, 3.0f},      {0, 0}};
  ASSERT_EQ(h.npts, 19);
  EXPECT_EQ(h.nlast, 17);
  for (int k = 0; k < 19; ++k) {
    EXPECT_EQ(h.rr[k], full[k].r) << "line " << k + 1;
    EXPECT_EQ(h.zz[k], full[k].z) << "line " << k + 1;
  }
  EXPECT_EQ(h.iz, (std::vector<int>{1, 1, 7, 7, 3, 9, 11, 11, 13, 13, 15, 15, 3, 17, 19, 19, 24, 25, 1}));
  EXPECT_EQ(h.ir, (std::vector<int>{1, 3, 3, 5, 3, 5, 5, 7, 7, 7, 7, 5, 3, 5, 5, 3, 3, 1, 1}));
  const contour_t f = full_run(full);
  expect_same(h, f);
}

TEST_F(HalfCell, FurtherContoursAreMirroredBehindTheClosingPoint) {
  // Half of 7 lines (n = 5) and a further contour of two lines 8, 9 (a short segment).
  reset_mesh_state();
  latc.NPTS = 9;
  lat2.NLAST = 5;
  latc.NZ = 16;
  geo.ZL = 2.0f;
  const float rr[] = {0, 0.5f, 0.5f, 0.25f, 0.25f, 0, 0, 0.375f, 0.375f};
  const float zz[] = {0, 0, 0.25f, 0.25f, 1.0f, 1.0f, 0, 0.5f, 0.75f};
  const int ir[] = {1, 5, 5, 3, 3, 1, 1, 4, 4};
  const int iz[] = {1, 1, 3, 3, 8, 9, 1, 5, 7};
  for (int k = 1; k <= 9; ++k) {
    geo.RR(k) = rr[k - 1];
    geo.ZZ(k) = zz[k - 1];
    latc.IR(k) = ir[k - 1];
    latc.IZ(k) = iz[k - 1];
  }
  expand();
  expand2();
  EXPECT_EQ(latc.NPTS, 15);
  EXPECT_EQ(lat2.NLAST, 9);
  // Whole lines 12, 13: half 9, 8 mirrored; 14, 15: half 8, 9 shifted.
  const float rx[] = {0.375f, 0.375f, 0.375f, 0.375f};
  const float zx[] = {0.25f, 0.5f, 1.5f, 1.75f};
  const int izx[] = {3, 5, 13, 15};
  for (int k = 12; k <= 15; ++k) {
    EXPECT_EQ(geo.RR(k), rx[k - 12]) << k;
    EXPECT_EQ(geo.ZZ(k), zx[k - 12]) << k;
    EXPECT_EQ(latc.IR(k), 4) << k;
    EXPECT_EQ(latc.IZ(k), izx[k - 12]) << k;
  }
  EXPECT_EQ(geo.RR(11), 0.0f);
  EXPECT_EQ(latc.IZ(11), 1);
}

TEST_F(HalfCell, OddNumberOfZStepsWithoutZStepIsTakenAsComputed) {
  reset_mesh_state();
  symt.LHALF = true;
  latc.NR = 5;
  latc.NZ = 16; // 15 steps over the whole: the middle plane falls between columns
  set_contour({{0, 0}, {0.5f, 0}, {0.5f, 0.25f}, {0.25f, 0.25f}, {0.25f, 1.0f}, {0, 1.0f}, {0, 0}});
  run_mesh();
  EXPECT_EQ(latc.NZ, 15);
  EXPECT_EQ(latc.DDZ, 2.0f * 1.0f / 15.0f);
  EXPECT_EQ(latc.IZ(5), 7);
  expand();
  expand2();
  EXPECT_EQ(latc.IZ(2), 1);
  EXPECT_EQ(latc.IZ(9), 14);
  EXPECT_EQ(latc.IZ(10), 15);
  EXPECT_TRUE(report().empty());
}

} // namespace
