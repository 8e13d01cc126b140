// Extents of the structure with circular and elliptic arcs.
#include "mesh_fixture.hpp"

namespace {
using namespace meshtest;

struct Extent : ::testing::Test {
  void SetUp() override {
    reset_mesh_state();
    mesh_eighths();
  }
  void measure() { setgrd(mp.RBP, mp.ZMAX, mp.RMAX, mp.RMIN, mp.ZLFT, mp.ZRGT, mp.RAD); }
};

// Pillbox whose top wall between z 0.75 and 1.25 is replaced by an arc of the given
// marker and radius value (negative: clockwise, bulging up).
std::vector<gline> arc_top(float code, float radius) {
  return {{0, 0},          {0.25f, 0},     {0.25f, 0.75f}, {0.5f, 0.75f}, {code, radius},
          {0.5f, 1.25f},   {0.25f, 1.25f}, {0.25f, 2.0f},  {0, 2.0f},     {0, 0}};
}

TEST_F(Extent, BeamPipeRadius) {
  struct {
    float left, right;
    bool half;
    float rbp;
  } cases[] = {{0.25f, 0.25f, false, 0.25f},
               {0.25f, 0.25f + 5.0E-7f, false, 0.25f}, // equal within EPSTOL: the smaller
               {0.25f, 0.375f, false, 0.375f},
               {0.375f, 0.25f, false, 0.375f},
               {0.375f, 0.25f, true, 0.25f}}; // half cell: the pipe end
  for (auto c : cases) {
    reset_mesh_state();
    mesh_eighths();
    auto p = pillbox();
    p[1].r = p[2].r = c.left;
    p[5].r = p[6].r = c.right;
    set_contour(p);
    symt.LHALF = c.half;
    measure();
    EXPECT_EQ(mp.RBP, c.rbp) << c.left << " " << c.right;
  }
}

TEST_F(Extent, HalfCircleAboveTheTopRadiusRaisesTheMeshInASecondPass) {
  set_contour(arc_top(CS, -0.25f));
  measure();
  // Centre (z, r) = (1.0, 0.5); N = INT(5 rho pi/(pi dz) + 1) = 11 samples of the half
  // circle, the highest at 5 pi/11, lift the zone of pass 1 to 0.75 (six steps).
  const float top = 0.5f + 0.25f * std::sin(5.0f * cons.PI / 11.0f);
  EXPECT_NEAR(mp.RAD, top, 1.0E-6f);
  EXPECT_EQ(lat2.XR(1), 0.75f);
  EXPECT_EQ(lat2.NRL, 7);
  EXPECT_EQ(latc.IR(5), 5);
  EXPECT_EQ(latc.IZ(5), 9);
  EXPECT_EQ(geo.ZL, 2.0f);
  EXPECT_TRUE(report().empty()); // radius exactly half the chord
}

TEST_F(Extent, RadiusShorterThanHalfTheChord) {
  set_contour(arc_top(CS, -0.25f + 1.0E-7f)); // within EPSTOL: no message
  measure();
  EXPECT_TRUE(report().empty());

  reset_mesh_state();
  mesh_eighths();
  set_contour(arc_top(CS, -0.2f));
  measure();
  // Warned in each of the two passes; the arc is then the half circle on the chord.
  const std::string w =
      " *** WARNING ***  AT (R, Z)=(  0.50000      0.75000    ) RADIUS:   0.20000     IS SHOTER THAN GAP/2:  "
      " 0.25000    ";
  EXPECT_EQ(report(), (std::vector<std::string>{w, w}));
  EXPECT_EQ(lat2.XR(1), 0.75f);
}

TEST_F(Extent, RadiusValueZeroRunsCounterclockwise) {
  set_contour(arc_top(CS, 0.0f));
  measure();
  // The half circle dips below the wall into the cavity: the top radius stays 0.5.
  EXPECT_EQ(mp.RAD, 0.5f);
  EXPECT_NEAR(mp.RMIN, 0.25f, 0.003f);
  EXPECT_EQ(report(), std::vector<std::string>{" *** WARNING ***  AT (R, Z)=(  0.50000      0.75000    ) RADIUS: "
                                               "   0.0000     IS SHOTER THAN GAP/2:   0.25000    "});
}

TEST_F(Extent, LongWayCircle) {
  // From (z, r) = (0.75, 0.5) to (1.25, 0.5) the long way round a circle of radius
  // 0.3125, clockwise: the centre lies above the chord at r = 0.5 + 0.1875 and the arc
  // reaches r = 1.0.
  set_contour(arc_top(CL, -0.3125f));
  measure();
  EXPECT_NEAR(mp.RAD, 1.0f, 2.0E-3f);
  EXPECT_EQ(latc.IZ(5), 9);
  EXPECT_EQ(latc.IR(5), 6); // 0.6875 / 0.125 = 5.5: the lower line, 5, plus one
  EXPECT_NEAR(geo.ZL, 2.0f, 1.0E-6f);
}

TEST_F(Extent, CircleCentreLineStaysOnTheMeshWithoutZStep) {
  reset_mesh_state();
  latc.NR = 5;
  latc.NZ = 17;
  // A shallow dimple in the top wall: counterclockwise, centre far above the top radius.
  set_contour(arc_top(CS, 0.5f));
  measure();
  EXPECT_EQ(mp.RAD, 0.5f);
  EXPECT_EQ(latc.IR(5), 5); // NINT(0.933/0.125) + 1 = 8, limited to NRL
  EXPECT_EQ(latc.IZ(5), 9);
  EXPECT_NEAR(mp.RMIN, 0.25f, 1.0E-6f);
}

TEST_F(Extent, CircleWithZeroChordStops) {
  auto c = arc_top(CS, -0.25f);
  c[5] = c[3];
  set_contour(c);
  EXPECT_EQ(report_of_stop([this] { measure(); }),
            std::vector<std::string>{" *** STOP *** CIRCLE WITH ZERO CHORD AT (R, Z)=(  0.50000      0.75000    )"});
}

// Iris with an elliptic tip: the faces at z 1.25 and 1.75 end at r = 0.5 and the tip
// is the half ellipse around (z, r) = (1.5, 0.5) with semi-axes ELLP (radial) and 0.25.
std::vector<gline> iris_tip(float code, float ellp, float zm = 1.5f) {
  return {{0, 0},        {0.5f, 0},     {0.5f, 0.75f}, {1.0f, 0.75f}, {1.0f, 1.25f},
          {0.5f, 1.25f}, {code, ellp},  {0.5f, zm},    {0.5f, 1.75f}, {1.0f, 1.75f},
          {1.0f, 2.25f}, {0.5f, 2.25f}, {0.5f, 3.0f},  {0, 3.0f},     {0, 0}};
}

TEST_F(Extent, HalfEllipseOfEqualWaysTakesTheCounterclockwiseSweep) {
  set_contour(iris_tip(ES, 0.25f));
  measure();
  EXPECT_EQ(latc.IR(7), 3); // semi-axes in steps plus one
  EXPECT_EQ(latc.IZ(7), 3);
  // The tip hangs down to about r = 0.25 (11 samples of the half ellipse).
  EXPECT_NEAR(mp.RMIN, 0.5f - 0.25f * std::sin(5.0f * cons.PI / 11.0f), 1.0E-6f);
  EXPECT_NEAR(mp.ZLFT, 1.5f - 0.25f * std::cos(cons.PI / 11.0f), 1.0E-6f);
  EXPECT_NEAR(mp.ZRGT, 1.5f + 0.25f * std::cos(cons.PI / 11.0f), 1.0E-6f);
  EXPECT_EQ(mp.RAD, 1.0f);
  EXPECT_TRUE(report().empty());
}

TEST_F(Extent, SweepOfEllipsesWhoseTwoWaysAreEquallyLong) {
  // The half ellipse from one end of its axial semi-axis to the other: ES takes the
  // counterclockwise sweep, EL the other way from d = TH2 - TH1 (its ALT).
  struct {
    float code, z1, z2;
    bool down;
  } cases[] = {{ES, 1.25f, 1.75f, true}, {EL, 1.25f, 1.75f, true}, {ES, 1.75f, 1.25f, false},
               {EL, 1.75f, 1.25f, true}};
  for (auto c : cases) {
    reset_mesh_state();
    mesh_eighths();
    auto l = iris_tip(c.code, 0.25f);
    l[5].z = c.z1;
    l[8].z = c.z2;
    set_contour(l);
    measure();
    EXPECT_EQ(mp.RMIN < 0.3f, c.down) << c.code << " from z " << c.z1 << ": RMIN " << mp.RMIN;
  }
}

TEST_F(Extent, EllipseErrorsStop) {
  struct {
    const char *what;
    std::vector<gline> c;
    std::vector<std::string> records;
  } cases[] = {
      {"ELLP = 0 on a half ellipse",
       iris_tip(ES, 0.0f),
       {" *** ERROR *** ELLIPSE GENERATION FAILED AT (R,Z)=(  0.50000       1.5000    ).",
        " NO ELLIPSE IS UNIQUELY DEFINED IF R1=R2 OR Z1=Z2.",
        " YOUR CASE: (R1,Z1)=(  0.50000       1.2500    )",
        "            (R2,Z2)=(  0.50000       1.7500    )  --> ELLP=   0.0000    ",
        " SPLIT IT INTO TWO IF THE ELLIPSE IS SYMMETRICAL"}},
      {"semi-axis shorter than a step",
       iris_tip(ES, 0.1f),
       {" *** ERROR *** ELLIPSE CONNECTION FAILED AT (R,  Z)=(  0.50000       1.5000    ).",
        " A=  0.10000     B=  0.25000     ARE TOO SMALL."}},
      {"end points off the curve",
       iris_tip(ES, 0.25f, 1.625f),
       {" *** ERROR *** ELLIPSE CONNECTION FAILED AT (R,  Z)=(  0.50000       1.6250    ).",
        " A=  0.25000     B=  0.25000     ARE TOO SMALL."}},
      {"no real semi-axes",
       {{0, 0},        {0.5f, 0},       {0.5f, 0.75f},  {1.0f, 0.75f}, {ES, 0.0f},   {0.75f, 0.75f},
        {1.25f, 1.0f}, {0.5f, 1.25f},   {0.5f, 2.0f},   {0, 2.0f},     {0, 0}},
       {" *** ERROR *** ELLIPSE CONNECTION FAILED AT (R,  Z)=(  0.75000      0.75000    ).",
        " A=   0.0000     B=   0.0000     ARE TOO SMALL."}},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.what);
    reset_mesh_state();
    mesh_eighths();
    set_contour(c.c);
    EXPECT_EQ(report_of_stop([this] { measure(); }), c.records);
  }
}

TEST_F(Extent, ArcsInsideTheExtentsOnlyGetTheirIndices) {
  // A quarter circle in the upper corner of the cavity, well inside the extents.
  set_contour({{0, 0},          {0.25f, 0},     {0.25f, 0.75f}, {1.0f, 0.75f}, {1.0f, 1.0f}, {CS, -0.25f},
               {0.75f, 1.25f},  {0.25f, 1.25f}, {0.25f, 2.0f},  {0, 2.0f},     {0, 0}});
  measure();
  EXPECT_EQ(mp.RAD, 1.0f);
  EXPECT_EQ(mp.RMIN, 0.25f);
  EXPECT_EQ(latc.IR(6), 7); // centre (z, r) = (1.0, 0.75)
  EXPECT_EQ(latc.IZ(6), 9);
}

} // namespace
