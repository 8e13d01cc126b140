// Z mesh, mesh indices of the contour, pipe, drive-ring and wake lines.
#include "mesh_fixture.hpp"

namespace {
using namespace meshtest;

struct ZMesh : ::testing::Test {
  void SetUp() override { reset_mesh_state(); }
};

std::vector<int> irs() {
  std::vector<int> v;
  for (int k = 1; k <= latc.NPTS; ++k) v.push_back(latc.IR(k));
  return v;
}
std::vector<int> izs() {
  std::vector<int> v;
  for (int k = 1; k <= latc.NPTS; ++k) v.push_back(latc.IZ(k));
  return v;
}

TEST_F(ZMesh, PillboxWithPipeEdgesOnMeshLines) {
  mesh_eighths();
  set_contour(pillbox());
  run_mesh();
  EXPECT_EQ(mp.RBP, 0.25f);
  EXPECT_EQ(mp.RAD, 0.5f);
  EXPECT_EQ(geo.ZL, 2.0f);
  EXPECT_EQ(latc.NZ, 16);
  EXPECT_EQ(latc.NR, 5);
  EXPECT_EQ(irs(), (std::vector<int>{1, 3, 3, 5, 5, 3, 3, 1, 1}));
  // The right pipe end sits in column NZ, the axis point after it in NZ + 1.
  EXPECT_EQ(izs(), (std::vector<int>{1, 1, 7, 7, 11, 11, 16, 17, 1}));
  // Nothing below the pipe radius: the material range stays empty.
  EXPECT_EQ(mp.RMIN, 0.25f);
  EXPECT_EQ(mp.ZLFT, 2.0f);
  EXPECT_EQ(mp.ZRGT, 0.0f);
  EXPECT_EQ(icon.IZLFT, 17);
  EXPECT_EQ(icon.IZRGT, 1);
  EXPECT_EQ(icon.IRMIN, 3);
  EXPECT_EQ(pipes.IRPL, 3);
  EXPECT_EQ(pipes.IRPR, 3);
  EXPECT_EQ(latc.IRDRIVE, 3);
  EXPECT_EQ(wprm.IRWAK, 3);
  EXPECT_EQ(pint.KMIN, 3);
  EXPECT_TRUE(report().empty());
}

TEST_F(ZMesh, NzWithoutZStepGivesTheSameMesh) {
  latc.NR = 5;
  latc.NZ = 17; // lines; 16 steps are stored
  set_contour(pillbox());
  run_mesh();
  EXPECT_EQ(latc.NZ, 16);
  EXPECT_EQ(latc.DDZ, 0.125f);
  EXPECT_EQ(latc.DDR(1), 0.125f);
  EXPECT_EQ(latc.NR, 5);
  EXPECT_EQ(irs(), (std::vector<int>{1, 3, 3, 5, 5, 3, 3, 1, 1}));
  EXPECT_EQ(izs(), (std::vector<int>{1, 1, 7, 7, 11, 11, 16, 17, 1}));
}

TEST_F(ZMesh, LengthNotAWholeNumberOfStepsIsSnapped) {
  mesh_eighths();
  auto c = pillbox();
  c[6].z = c[7].z = 2.03f; // 16.24 steps
  set_contour(c);
  run_mesh();
  EXPECT_EQ(latc.NZ, 16);
  EXPECT_EQ(geo.ZL, 2.0f);
  EXPECT_EQ(geo.ZZ(7), 2.0f);
  EXPECT_EQ(geo.ZZ(8), 2.0f);
  EXPECT_EQ(latc.IZ(7), 16);
  EXPECT_EQ(latc.IZ(8), 17);
}

TEST_F(ZMesh, IrisBelowThePipeRadius) {
  mesh_eighths();
  set_contour(iris());
  run_mesh();
  EXPECT_EQ(mp.RBP, 0.5f);
  EXPECT_EQ(mp.RAD, 1.0f);
  EXPECT_EQ(latc.NZ, 24);
  EXPECT_EQ(latc.NR, 9);
  EXPECT_EQ(irs(), (std::vector<int>{1, 5, 5, 9, 9, 3, 3, 9, 9, 5, 5, 1, 1}));
  EXPECT_EQ(izs(), (std::vector<int>{1, 1, 7, 7, 11, 11, 15, 15, 19, 19, 24, 25, 1}));
  EXPECT_EQ(mp.RMIN, 0.25f);
  EXPECT_EQ(mp.ZLFT, 1.25f);
  EXPECT_EQ(mp.ZRGT, 1.75f);
  EXPECT_EQ(icon.IZLFT, 11);
  EXPECT_EQ(icon.IZRGT, 15);
  EXPECT_EQ(icon.IRMIN, 3);
  EXPECT_EQ(pipes.IRPL, 5);
  EXPECT_EQ(pipes.IRPR, 5);
  EXPECT_EQ(latc.IRDRIVE, 3); // limited by the iris
  EXPECT_EQ(wprm.IRWAK, 3);
  EXPECT_EQ(pint.KMIN, 5);
}

TEST_F(ZMesh, TaperBetweenUnequalPipes) {
  mesh_eighths();
  set_contour({{0, 0}, {0.25f, 0}, {0.25f, 0.75f}, {0.5f, 1.5f}, {0.5f, 2.25f}, {0, 2.25f}, {0, 0}});
  run_mesh();
  EXPECT_EQ(mp.RBP, 0.5f); // the larger pipe
  EXPECT_EQ(mp.RMIN, 0.25f);
  // The narrow pipe's inner end and the samples of the taper below 0.5 mark material;
  // the last one at 35 samples of DDZ/3.
  EXPECT_EQ(mp.ZLFT, 0.75f);
  EXPECT_EQ(mp.ZRGT, 35.0f * (0.125f / 3.0f));
  EXPECT_EQ(icon.IZLFT, 7);
  EXPECT_EQ(icon.IZRGT, 13);
  EXPECT_EQ(pipes.IRPL, 3);
  EXPECT_EQ(pipes.IRPR, 5);
  EXPECT_EQ(wprm.IRWAK, 3);
  EXPECT_EQ(pint.KMIN, 3);
}

const std::vector<gline> stepped = {{0, 0},          {0.25f, 0},      {0.25f, 0.75f}, {0.625f, 0.75f},
                                    {0.625f, 1.0f},  {1.5f, 1.0f},    {1.5f, 1.5f},   {0.875f, 1.5f},
                                    {0.875f, 1.75f}, {0.25f, 1.75f},  {0.25f, 2.5f},  {0, 2.5f},
                                    {0, 0}};

TEST_F(ZMesh, TwoRadialZones) {
  latc.DDZ = 0.125f;
  latc.DDR(1) = 0.125f;
  latc.DDR(2) = 0.25f;
  lat2.RMARK(1) = 0.5f;
  lat2.RMARK(2) = 1.5f;
  set_contour(stepped);
  run_mesh();
  EXPECT_EQ(lat2.NZONE, 2);
  EXPECT_EQ(latc.NR, 9);
  const float grx[] = {0, 0.125f, 0.25f, 0.375f, 0.5f, 0.75f, 1.0f, 1.25f, 1.5f};
  for (int i = 1; i <= 9; ++i) EXPECT_EQ(gr(i), grx[i - 1]) << i;
  // 0.625 and 0.875 lie half way in zone 2: the lower line.
  EXPECT_EQ(irs(), (std::vector<int>{1, 3, 3, 5, 5, 9, 9, 6, 6, 3, 3, 1, 1}));
  EXPECT_EQ(izs(), (std::vector<int>{1, 1, 7, 7, 9, 9, 13, 13, 15, 15, 20, 21, 1}));
}

TEST_F(ZMesh, NzGivenCutsTheStructureAtTheFirstZone) {
  latc.DDZ = 0.125f;
  latc.NZ = 21;
  latc.DDR(1) = 0.125f;
  latc.DDR(2) = 0.25f;
  lat2.RMARK(1) = 0.5f;
  lat2.RMARK(2) = 1.5f;
  set_contour(stepped);
  run_mesh();
  EXPECT_EQ(lat2.NZONE, 1);
  EXPECT_EQ(irs(), (std::vector<int>{1, 3, 3, 5, 5, 5, 5, 5, 5, 3, 3, 1, 1}));
  EXPECT_EQ(geo.RR(6), 0.5f);
  EXPECT_EQ(geo.RR(4), 0.5f);
  EXPECT_EQ(report(), std::vector<std::string>{" *** WARNING *** NZ IS GIVEN: ONLY THE FIRST RADIAL ZONE (R <=  "
                                               "0.50000    ) IS USED; THE STRUCTURE IS CUT THERE."});
}

TEST_F(ZMesh, RadiiOutsideTheMeshAreClampedAndWrittenBack) {
  for (bool ladd : {false, true}) {
    SCOPED_TRACE(ladd ? "relative input" : "absolute input");
    reset_mesh_state();
    mesh_eighths();
    mp.LADD = ladd;
    auto c = pillbox();
    set_contour(c);
    // A point below the axis by less than half a radial step is a rounding of one on it.
    geo.RR(4) = -0.4f * 0.125f;
    run_mesh();
    EXPECT_EQ(geo.RR(4), 0.0f);
    EXPECT_EQ(latc.IR(4), 1);
    EXPECT_EQ(latc.IZ(4), 7);
    EXPECT_EQ(mp.RMIN, 0.0f);
    EXPECT_EQ(icon.IRMIN, 1);
    EXPECT_TRUE(report().empty());
  }
}

// A point half a radial step or more below the axis has no mesh line: it stops, in
// absolute input as in relative input, whatever the line it stands on (a corner of the
// cavity, the start of the pipe, a point far below). Arc markers (-1 to -4) are no points.
TEST_F(ZMesh, PointBelowTheAxisStops) {
  const struct {
    int line;
    float r;
    const char *stop;
  } cases[] = {
      {4, -0.5f * 0.125f, " *** STOP *** R OF CONTOUR LINE 4 = -0.62500E-01 LIES BELOW THE AXIS: THE WALL MUST STAY AT R >= 0."},
      {2, -0.25f, " *** STOP *** R OF CONTOUR LINE 2 = -0.25000     LIES BELOW THE AXIS: THE WALL MUST STAY AT R >= 0."},
      {5, -0.99f, " *** STOP *** R OF CONTOUR LINE 5 = -0.99000     LIES BELOW THE AXIS: THE WALL MUST STAY AT R >= 0."},
  };
  for (bool ladd : {false, true})
    for (const auto &c : cases) {
      SCOPED_TRACE(std::string(ladd ? "relative" : "absolute") + " input, line " + std::to_string(c.line));
      const std::vector<std::string> got = report_of_stop([&] {
        reset_mesh_state();
        mesh_eighths();
        mp.LADD = ladd;
        set_contour(pillbox());
        geo.RR(c.line) = c.r;
        run_mesh();
      });
      ASSERT_FALSE(got.empty());
      EXPECT_EQ(got.back(), c.stop);
    }
}

// Drive ring and wake line on the pillbox (pipe line 3, IRMIN 3, top line 5).
TEST_F(ZMesh, DriveRingAndWakeLine) {
  struct {
    float rdrive, rwak;
    int mrot;
    bool lplec;
    int irdrive, irwak;
    float rdrive_after;
  } cases[] = {
      {-1.0f, -1.0f, 1, false, 3, 3, -1.0f}, // left pipe wall
      {-1.0f, -1.0f, 0, true, 1, 3, -1.0f},  // monopole with line plots: the axis
      {-1.0f, -1.0f, 0, false, 3, 3, -1.0f},
      {0.0f, -1.0f, 1, false, 3, 3, 0.0f},   // dipole never on the axis
      {0.125f, -1.0f, 1, false, 3, 3, 0.125f}, // nor on line 2
      {0.0f, -1.0f, 0, false, 1, 3, 0.0f},
      {0.125f, 0.125f, 0, false, 2, 2, 0.125f},
      {9.0f, 9.0f, 0, false, 3, 5, 0.5f},    // above the top: clamped, limited by IRMIN
  };
  for (auto c : cases) {
    reset_mesh_state();
    mesh_eighths();
    set_contour(pillbox());
    offs.RDRIVE = c.rdrive;
    offs.RWAK = c.rwak;
    wpl.MROT = c.mrot;
    mp.LPLEC = c.lplec;
    run_mesh();
    EXPECT_EQ(latc.IRDRIVE, c.irdrive) << c.rdrive << " " << c.mrot;
    EXPECT_EQ(wprm.IRWAK, c.irwak) << c.rwak;
    EXPECT_EQ(offs.RDRIVE, c.rdrive_after);
  }
}

} // namespace
