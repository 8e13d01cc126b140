// Radial zones and the radius rule.
#include "mesh_fixture.hpp"

namespace {
using namespace meshtest;

struct Zones : ::testing::Test {
  void SetUp() override { reset_mesh_state(); }
};

TEST_F(Zones, UniformZoneFromNrWhenNoZStepIsGiven) {
  latc.NR = 21;
  latc.NZ = 11;
  latc.DDR(1) = 0.3f; // ignored without DDZ
  lat2.RMARK(1) = 0.07f;
  irdset(0.1f);
  EXPECT_EQ(lat2.NZONE, 1);
  EXPECT_EQ(lat3.IRM(1), 21);
  EXPECT_EQ(lat2.NRL, 21);
  EXPECT_EQ(msz.NRN, 22);
  EXPECT_EQ(gr_data.gr.size(), 22);
  const float d = 0.1f / 20.0f;
  for (int i = 1; i <= 21; ++i) {
    EXPECT_EQ(gr(i), static_cast<float>(i - 1) * d) << "line " << i;
    EXPECT_EQ(gdr(i), d);
  }
  EXPECT_EQ(latc.DDR(1), 0.3f);
  EXPECT_EQ(lat2.RMARK(1), 0.07f);
  EXPECT_TRUE(report().empty());
}

TEST_F(Zones, SingleStepReachesTheTopRadiusRoundedToWholeSteps) {
  latc.DDZ = 0.125f;
  latc.DDR(1) = 0.125f;
  struct {
    float rtop;
    int irm;
    float xr;
  } cases[] = {{0.5f, 5, 0.5f}, {0.55f, 5, 0.5f}, {0.5625f, 5, 0.5f} /* half a step: down */,
               {0.57f, 6, 0.625f}};
  for (auto c : cases) {
    lat2.RMARK(1) = 0.0f;
    irdset(c.rtop);
    EXPECT_EQ(lat2.RMARK(1), c.rtop);
    EXPECT_EQ(lat3.IRM(1), c.irm) << c.rtop;
    EXPECT_EQ(lat2.XR(1), c.xr) << c.rtop;
    EXPECT_EQ(lat2.NRL, c.irm);
  }
}

TEST_F(Zones, TwoZonesSnapHalfwayQuotientsDown) {
  latc.DDZ = 0.1f;
  latc.DDR(1) = 0.5f;
  latc.DDR(2) = 0.25f;
  lat2.RMARK(1) = 0.75f;
  lat2.RMARK(2) = 1.5f;
  irdset(1.5f);
  EXPECT_EQ(lat2.NZONE, 2);
  EXPECT_EQ(lat2.XR(1), 0.5f); // quotient 1.5 goes to 1 step
  EXPECT_EQ(lat3.IRM(1), 2);
  EXPECT_EQ(lat2.XR(2), 1.5f);
  EXPECT_EQ(lat3.IRM(2), 6);
  EXPECT_EQ(lat2.NRL, 6);
  const float grx[] = {0.0f, 0.5f, 0.75f, 1.0f, 1.25f, 1.5f};
  const float gdrx[] = {0.5f, 0.5f, 0.25f, 0.25f, 0.25f, 0.25f};
  for (int i = 1; i <= 6; ++i) {
    EXPECT_EQ(gr(i), grx[i - 1]) << i;
    EXPECT_EQ(gdr(i), gdrx[i - 1]) << i;
  }
  // The radius rule zone by zone; halfway radii go to the lower line.
  struct {
    float r;
    int line;
    float clamped;
  } cases[] = {{0.0f, 1, 0.0f},  {0.25f, 1, 0.25f}, {0.26f, 2, 0.26f}, {0.5f, 2, 0.5f},
               {0.625f, 2, 0.625f}, {0.63f, 3, 0.63f}, {1.5f, 6, 1.5f},  {7.0f, 6, 1.5f},
               {-0.3f, 1, 0.0f}};
  for (auto c : cases) {
    float r = c.r;
    EXPECT_EQ(ird(r), c.line) << c.r;
    EXPECT_EQ(r, c.clamped) << c.r;
  }
}

TEST_F(Zones, BiasOfTheRadiusRuleActsInSinglePrecision) {
  latc.DDZ = 1.0f;
  latc.DDR(1) = 1.0f;
  irdset(300.0f);
  float r = 1.5f; // NINT(1.5 - 1.0E-5) = 1
  EXPECT_EQ(ird(r), 2);
  r = 256.5f; // 256.5 - 1.0E-5 rounds back to 256.5 in float: NINT = 257
  EXPECT_EQ(ird(r), 258);
}

TEST_F(Zones, NzGivenKeepsOnlyTheFirstZoneAndSaysSoOncePerRun) {
  latc.DDZ = 0.125f;
  latc.NZ = 21;
  latc.DDR(1) = 0.125f;
  latc.DDR(2) = 0.25f;
  lat2.RMARK(1) = 0.5f;
  lat2.RMARK(2) = 1.5f;
  irdset_newrun();
  irdset(1.5f);
  irdset(1.5f);
  EXPECT_EQ(lat2.NZONE, 1);
  EXPECT_EQ(lat2.NRL, 5);
  const std::string warn =
      " *** WARNING *** NZ IS GIVEN: ONLY THE FIRST RADIAL ZONE (R <=  0.50000    ) IS USED; THE "
      "STRUCTURE IS CUT THERE.";
  EXPECT_EQ(report(), std::vector<std::string>{warn});
  irdset_newrun();
  irdset(1.5f);
  EXPECT_EQ(report(), (std::vector<std::string>{warn, warn}));
}

// Inputs that stop, each with its record.
struct ZoneStop {
  const char *what;
  float ddz;
  int nr, nz;
  std::vector<float> ddr, rmark;
  bool half;
  std::string record;
};

TEST_F(Zones, InputsThatCannotBuildAMeshStop) {
  const ZoneStop cases[] = {
      {"count mismatch", 0.1f, 0, 0, {0.5f, 0.25f}, {0.5f, 1.0f, 1.5f}, false,
       " *** STOP *** THE NUMBER OF NON-ZERO DDR= 2 DOES NOT MATCH TO THE NUMBER OF NON-ZERO RMARK= 3"},
      {"one step, two radii", 0.1f, 0, 0, {0.5f}, {0.5f, 1.0f}, false,
       " *** STOP *** THE NUMBER OF NON-ZERO DDR= 1 DOES NOT MATCH TO THE NUMBER OF NON-ZERO RMARK= 2"},
      {"missing third step", 0.1f, 0, 0, {0.5f, 0.25f, 0.0f, 0.1f}, {0.75f, 1.5f, 2.0f}, false,
       " *** STOP *** THE VALUE OF THE  3TH DDR IS NOT GIVEN."},
      {"DDZ without DDR(1)", 0.1f, 0, 0, {}, {}, false,
       " *** STOP *** DDR(1) =   0.0000     THE RADIAL STEP OF THE FIRST ZONE MUST BE GIVEN WITH DDZ."},
      {"DDZ = 0, NR = 1", 0.0f, 1, 11, {}, {}, false,
       " *** STOP *** NR =      1 TOO FEW RADIAL MESH LINES: AT LEAST 2 ARE NEEDED."},
      {"DDZ = 0, NZ = 0", 0.0f, 21, 0, {}, {}, false,
       " *** STOP *** NZ =      0 TOO FEW Z MESH LINES: AT LEAST 2 ARE NEEDED."},
      {"DDZ = 0, NZ = 1", 0.0f, 21, 1, {}, {}, false,
       " *** STOP *** NZ =      1 TOO FEW Z MESH LINES: AT LEAST 2 ARE NEEDED."},
      {"half cell, NZ = 2", 0.0f, 21, 2, {}, {}, true,
       " *** STOP *** NZ =      2 TOO FEW Z MESH LINES: AT LEAST 3 ARE NEEDED FOR HALF CELL INPUT."},
      {"zero RMARK(2) before the last zone", 0.1f, 0, 0, {0.5f, 0.25f, 0.1f}, {0.75f, 0.0f, 2.0f, 3.0f}, false,
       " *** STOP *** RMARK(2) =   0.0000     THE OUTER RADIUS OF THIS ZONE IS NOT GIVEN."},
      {"RMARK(2) below zone 1", 0.1f, 0, 0, {0.5f, 0.25f}, {4.0f, 0.5f}, false,
       " *** STOP *** RMARK(2) =  0.50000     THE OUTER RADIUS LIES BELOW THE ZONE UNDER IT."},
      // A zone whose step is longer than the zone would have no step of its own.
      {"first of two zones without a step", 0.1f, 0, 0, {1.0E38f, 0.25f}, {0.75f, 1.5f}, false,
       " *** STOP *** DDR(1) =  0.10000E+39 LEAVES FEWER THAN 2 RADIAL MESH LINES UP TO R =  0.75000     M."},
      {"second zone without a step", 0.1f, 0, 0, {0.25f, 5.0f}, {0.75f, 1.5f}, false,
       " *** STOP *** DDR(2) =   5.0000     LEAVES NO RADIAL MESH STEP FROM R =  0.75000     TO R =   3.0000     M."},
      {"negative DDZ", -0.1f, 0, 0, {0.5f}, {}, false,
       " *** STOP *** DDZ = -0.10000     THE Z MESH STEP MUST NOT BE NEGATIVE."},
  };
  for (const ZoneStop &c : cases) {
    SCOPED_TRACE(c.what);
    reset_mesh_state();
    latc.DDZ = c.ddz;
    latc.NR = c.nr;
    latc.NZ = c.nz;
    symt.LHALF = c.half;
    for (std::size_t k = 0; k < c.ddr.size(); ++k) latc.DDR(k + 1) = c.ddr[k];
    for (std::size_t k = 0; k < c.rmark.size(); ++k) lat2.RMARK(k + 1) = c.rmark[k];
    EXPECT_EQ(report_of_stop([] { irdset(3.0f); }), std::vector<std::string>{c.record});
  }
}

} // namespace
