// Beam-pipe checks and the wake-integration contour.
#include "mesh_fixture.hpp"

namespace {
using namespace meshtest;

struct Pipes : ::testing::Test {
  void SetUp() override {
    reset_mesh_state();
    mesh_eighths();
  }
  void run(const std::vector<gline> &c) {
    set_contour(c);
    run_mesh();
    run_checks();
  }
};

const std::vector<std::string> caution(bool lnapoly) {
  return {"0*** CAUTION *** YOU MUST NOW USE NAPOLY INTEGRATION FOR CALCULATION OF THE WAKE POTENTIALS.",
          std::string(" YOUR CASE: LNAPOLY= ") + (lnapoly ? "T" : "F"),
          " IF LNAPOLY=F, ZELK NOW CHANGES IT TO LNAPOLY=T.", " CHECK IF THE CONTOUR IS VALID."};
}
template <class... V> std::vector<std::string> cat(const V &...v) {
  std::vector<std::string> r;
  (r.insert(r.end(), v.begin(), v.end()), ...);
  return r;
}

TEST_F(Pipes, EqualPipesAndNothingBelowThemNeedNoContour) {
  run(pillbox());
  EXPECT_TRUE(report().empty());
  EXPECT_FALSE(wpl2.LNAPOLY);
  EXPECT_FALSE(mp.LNAPM1);
  EXPECT_EQ(mp.ISKIP, 0);
  EXPECT_EQ(wprm.IZCF, 0);
  EXPECT_EQ(wprm.IZCT, 0);
  EXPECT_EQ(wprm.IRWAK, 3);
  EXPECT_EQ(pint.KMIN, 3);
}

TEST_F(Pipes, MaterialBelowThePipesForcesTheNapolyContour) {
  wpl.MROT = 0;
  run(iris());
  EXPECT_EQ(report(),
            cat(caution(false),
                std::vector<std::string>{
                    " *** WARNING *** NAPOLY INTEGRATION METHOD WAS NOT CHOSEN DESPITE OF THE MATERIAL COMING DOWN ",
                    " BELOW THE BEAM PIPE RADIUS OR UNEQUAL BEAM PIPE RADII AT BOTH ENDS.",
                    " *** ZELK CHOOSES THE FOLLOWING CONTOUR: ***",
                    " ZCF=   1.0000    (M)    ZCT=   2.0000    (M)    AND RWAK=  0.25000    (M)",
                    " YOU SHOULD STILL CHECK IF THIS CONTOUR IS VALID OR NOT. "}));
  EXPECT_TRUE(wpl2.LNAPOLY);
  EXPECT_FALSE(mp.LNAPM1);
  EXPECT_EQ(wprm.IZCF, 9);  // IZLFT - 2
  EXPECT_EQ(wprm.IZCT, 17); // IZRGT + 2
  EXPECT_EQ(wprm.IRWAK, 3); // IRMIN
  for (int l = 1; l <= 2; ++l) {
    EXPECT_EQ(wprm.SGNV(l), 1.0f);
    EXPECT_EQ(wprm.IRVUP(l), 4);
    EXPECT_EQ(wprm.IRVLO(l), 3);
  }
  EXPECT_EQ(wprm.XPX, 2.5f); // x = 0.5/0.25
  EXPECT_EQ(wprm.XMX, 1.5f);
  EXPECT_EQ(pint.KMIN, 5);
}

TEST_F(Pipes, ConventionalMethodKeptWithLnonap) {
  wpl.MROT = 0;
  wpl2.LNONAP = true;
  run(iris());
  EXPECT_EQ(report(), (std::vector<std::string>{" *** WARNING *** THE CONVENTIONAL INTEGRATION METHOD",
                                                " AT RWAK=  0.25000    (M) WILL BE USED."}));
  EXPECT_FALSE(wpl2.LNAPOLY);
  EXPECT_EQ(pint.KMIN, 3); // the wake line under the iris
}

TEST_F(Pipes, DipoleContourTooCloseToTheAxisSkipsTheRun) {
  wpl.MROT = 1;
  run(iris());
  const auto r = report();
  ASSERT_GE(r.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(r.end() - 4, r.end()),
            (std::vector<std::string>{" *** SKIP THIS CALCULATION *** THE HORIZONATALINTEGRATION CONTOUR AT R=RWAK IS "
                                      "TOO CLOSE TO THE BEAM AXIS.",
                                      " IT MUST BE AT LEAST 5 RADIAL MESHES AWAY FROM THE BEAMAXIS FOR MROT=1.",
                                      " YOUR CASE: ONLY    3 MESHES AWAY",
                                      " YOU SHOULD INCREASE RWAK OR USE A SMALLER RADIAL MESH SIZE"}));
  EXPECT_TRUE(mp.LNAPM1);
  EXPECT_EQ(mp.ISKIP, 1040);
}

TEST_F(Pipes, SkipAtFourLinesNotAtFive) {
  struct {
    float rwak;
    int iskip;
    size_t records;
  } cases[] = {{0.375f, 1040, 4}, {0.5f, 0, 0}};
  for (auto c : cases) {
    reset_mesh_state();
    mesh_eighths();
    wpl.MROT = 1;
    wpl2.LNAPOLY = true;
    offs.ZCF = 0.5f;
    offs.ZCT = 1.5f;
    offs.RWAK = c.rwak;
    run(pillbox());
    EXPECT_EQ(mp.ISKIP, c.iskip) << c.rwak;
    EXPECT_EQ(report().size(), c.records) << c.rwak;
  }
}

TEST_F(Pipes, IncompleteContourIsCompletedWithoutMaterial) {
  wpl.MROT = 0;
  wpl2.LNAPOLY = true;
  run(pillbox());
  EXPECT_EQ(report(), (std::vector<std::string>{
                          " *** WARNING *** YOU DID NOT FULLY SPECIFY THE INTEGRATION CONTOUR DESPITE OF LNAPOLY=T.",
                          " *** ZELK CHOOSES THE FOLLOWING CONTOUR: ***",
                          " ZCF=  0.50000    (M)    ZCT=   1.5000    (M)    AND RWAK=  0.25000    (M)",
                          " YOU SHOULD STILL CHECK IF THIS CONTOUR IS VALID OR NOT."}));
  EXPECT_EQ(wprm.IZCF, 5);  // IZ(3) - 2
  EXPECT_EQ(wprm.IZCT, 13); // IZ(NLAST-1) + 2
  EXPECT_EQ(wprm.IRVUP(1), 2);
  EXPECT_EQ(wprm.IRVLO(1), 3);
  EXPECT_EQ(wprm.XPX, 2.0f);
  EXPECT_EQ(wprm.XMX, 0.0f);
}

TEST_F(Pipes, GivenLegInsideTheMaterialIsMoved) {
  wpl.MROT = 0;
  wpl2.LNAPOLY = true;
  offs.ZCF = 1.5f;
  offs.ZCT = 2.5f;
  offs.RWAK = 0.125f;
  run(iris());
  EXPECT_EQ(report(), cat(caution(true),
                          std::vector<std::string>{
                              " *** WARNING *** YOUR INTEGRATION CONTOUR MAY INTERSECT OR RUN TOO CLOSE TO THE MATRIAL.",
                              " CHECK THE CONTOUR: (IT MUST BE AT LEAST TWO MESHES AWAY FROM THE VERTICAL BOUNDARY)",
                              "  ZCF=   1.5000    (M)    AND ZLFT=   1.2500    (M)",
                              "  ZCT=   2.5000    (M)    AND ZRGT=   1.7500    (M)",
                              " RWAK=  0.12500    (M)    AND RMIN=  0.25000    (M)",
                              " *** ZELK CHOOSES THE FOLLOWING CONTOUR INSTEAD: ***",
                              " ZCF=   1.0000    (M)    ZCT=   2.5000    (M)    AND RWAK=  0.12500    (M)",
                              " YOU SHOULD STILL CHECK IF THIS CONTOUR IS VALID OR NOT."}));
  EXPECT_EQ(wprm.IZCF, 9);
  EXPECT_EQ(wprm.IZCT, 21);
  EXPECT_EQ(wprm.IRWAK, 2);
  EXPECT_EQ(wprm.SGNV(1), 1.0f);
  EXPECT_EQ(wprm.IRVUP(1), 4);
  EXPECT_EQ(wprm.IRVLO(1), 2);
}

TEST_F(Pipes, UnequalPipesGetALegEach) {
  wpl.MROT = 0;
  run({{0, 0}, {0.25f, 0}, {0.25f, 0.75f}, {0.5f, 1.5f}, {0.5f, 2.25f}, {0, 2.25f}, {0, 0}});
  EXPECT_TRUE(wpl2.LNAPOLY);
  EXPECT_EQ(wprm.IZCF, 5);
  EXPECT_EQ(wprm.IZCT, 15);
  EXPECT_EQ(wprm.IRWAK, 3);
  EXPECT_EQ(wprm.IRVUP(1), 2); // left pipe on the wake line
  EXPECT_EQ(wprm.IRVLO(1), 3);
  EXPECT_EQ(wprm.IRVUP(2), 4); // right pipe two lines above it
  EXPECT_EQ(wprm.IRVLO(2), 3);
  EXPECT_EQ(wprm.SGNV(2), 1.0f);
  EXPECT_EQ(wprm.XPX, 2.0f);
}

TEST_F(Pipes, BeamOnlyRunWritesItsBannerBeforeTheFirstMessageOnce) {
  wpl.MROT = 0;
  mp.IRUN = 2;
  mp.BEAMONLY = true;
  // A beam-only run keeps the date and time of the run before it for its tables.
  wpt.CDATE = "01/02/03";
  wpt.CTIME = "04.05.06";
  run(iris());
  EXPECT_EQ(wpt.CDATE, "01/02/03");
  EXPECT_EQ(wpt.CTIME, "04.05.06");
  wpt = wpt_t{};
  const auto r = report();
  ASSERT_EQ(r.size(), 8u + 9u);
  EXPECT_EQ(r[0], "1" + std::string(76, '*'));
  EXPECT_EQ(r[2], " * " + std::string(23, ' ') + "ZELK_MP" + std::string(3, ' ') + " 3RD RUN" + std::string(31, ' ') + " *");
  EXPECT_EQ(r[7], "");
  EXPECT_EQ(r[8], caution(false)[0]);
  EXPECT_FALSE(mp.BEAMONLY);
}

TEST_F(Pipes, ShortOrSlopedPipesStop) {
  const std::string head = "0*** STOP *** THE BEAM PIPES AT BOTH ENDS ARE TOO SHORT.";
  const std::string why = " THEY MUST HAVE AT LEAST 5 MESH LENGTH.  THEIR LENGTHES ARE:";
  const std::string tail = " INCREASE THE BEAM PIPE LENGTH AND RUN IT AGAIN.";
  struct {
    const char *what;
    std::vector<gline> c;
    std::string lengths;
  } cases[] = {
      {"left pipe of 4 steps",
       {{0, 0}, {0.25f, 0}, {0.25f, 0.5f}, {0.5f, 0.5f}, {0.5f, 1.25f}, {0.25f, 1.25f}, {0.25f, 2.0f}, {0, 2.0f}, {0, 0}},
       " L(LEFT)/DDZ=      4   AND L(RIGHT)/DDZ=      6"},
      {"right pipe sloped",
       {{0, 0}, {0.25f, 0}, {0.25f, 0.75f}, {0.5f, 0.75f}, {0.5f, 1.25f}, {0.25f, 1.25f}, {0.375f, 2.0f}, {0, 2.0f}, {0, 0}},
       " L(LEFT)/DDZ=      6   AND L(RIGHT)/DDZ=      6"},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.what);
    reset_mesh_state();
    mesh_eighths();
    auto got = report_of_stop([&] { run(c.c); });
    ASSERT_GE(got.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(got.end() - 4, got.end()),
              (std::vector<std::string>{head, why, c.lengths, tail}));
  }
}

TEST_F(Pipes, ReversedNapolyContourStops) {
  wpl.MROT = 0;
  wpl2.LNAPOLY = true;
  offs.ZCF = 1.5f;
  offs.ZCT = 0.5f;
  offs.RWAK = 0.25f;
  EXPECT_EQ(report_of_stop([this] { run(pillbox()); }),
            std::vector<std::string>{" *** STOP *** THE NAPOLY CONTOUR IS REVERSED: ZCF=   1.5000     ZCT=  0.50000    "});
}

TEST_F(Pipes, MonopoleNapolyContourMayRunAlongTheAxis) {
  wpl.MROT = 0;
  wpl2.LNAPOLY = true;
  offs.ZCF = 0.5f;
  offs.ZCT = 1.5f;
  offs.RWAK = 0.0f;
  run(pillbox());
  EXPECT_TRUE(report().empty());
  EXPECT_EQ(mp.ISKIP, 0);
  EXPECT_EQ(wprm.IRWAK, 1);
  EXPECT_EQ(wprm.IZCF, 5);
  EXPECT_EQ(wprm.IZCT, 13);
  for (int l = 1; l <= 2; ++l) {
    EXPECT_EQ(wprm.SGNV(l), 1.0f);
    EXPECT_EQ(wprm.IRVUP(l), 2);
    EXPECT_EQ(wprm.IRVLO(l), 1);
  }
}

TEST_F(Pipes, PlainPipeHasBothEndsOnLinesTwoAndThree) {
  // NLAST = 3: the left pipe is 2 -> 3, the right one the same segment, one column more.
  run({{0, 0}, {0.25f, 0}, {0.25f, 1.0f}, {0, 1.0f}, {0, 0}});
  EXPECT_TRUE(report().empty());
  EXPECT_EQ(mp.ISKIP, 0);

  reset_mesh_state();
  mesh_eighths();
  auto got = report_of_stop([&] { run({{0, 0}, {0.25f, 0}, {0.25f, 0.5f}, {0, 0.5f}, {0, 0}}); });
  ASSERT_GE(got.size(), 4u);
  EXPECT_EQ(got[got.size() - 2], " L(LEFT)/DDZ=      3   AND L(RIGHT)/DDZ=      4");
}

// Small left pipe, an iris down to 0.125 and a larger right pipe: the inner pipe ends
// (columns 7 and 17) and the material (columns 7 to 13) give different legs.
const std::vector<gline> iris_unequal = {{0, 0},        {0.25f, 0},     {0.25f, 0.75f}, {1.0f, 0.75f}, {1.0f, 1.25f},
                                         {0.125f, 1.25f}, {0.125f, 1.5f}, {1.0f, 1.5f},   {1.0f, 2.0f},  {0.5f, 2.0f},
                                         {0.5f, 2.75f},  {0, 2.75f},     {0, 0}};

TEST_F(Pipes, DefaultLegsLookAtMrotNotZeroCorrectionsAtMrotOne) {
  struct {
    int mrot;
    float zct; // < 0: not given
    int izcf, izct;
  } cases[] = {
      {0, -1.0f, 5, 15},  // defaults from the material
      {2, -1.0f, 5, 19},  // MROT not 0, unequal pipes: also clear of the inner pipe end
      {1, -1.0f, 5, 19},
      {0, 1.25f, 5, 15},  // a given leg in the material is moved two meshes clear of it
      {2, 1.25f, 5, 15},  // the correction of MROT other than 1 looks at the material only
      {1, 1.25f, 5, 19},
  };
  for (auto c : cases) {
    reset_mesh_state();
    mesh_eighths();
    wpl.MROT = c.mrot;
    wpl2.LNAPOLY = true;
    offs.ZCT = c.zct;
    run(iris_unequal);
    EXPECT_EQ(icon.IZLFT, 7);
    EXPECT_EQ(icon.IZRGT, 13);
    EXPECT_EQ(wprm.IZCF, c.izcf) << c.mrot << " " << c.zct;
    EXPECT_EQ(wprm.IZCT, c.izct) << c.mrot << " " << c.zct;
  }
}

} // namespace
