// The first window of a fresh run: witness counters, the skip of a field-free left pipe
// and the window brought to the step before the loop's first step.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "deckrun.hpp"

namespace {
// A left pipe of radius b up to z = 1 cm (columns 1 to 11 at 1 mm), a cavity of 3 cm and
// a right pipe.
std::string pipe_deck(const std::string &beam, const std::string &wake = "") {
  std::ostringstream d;
  d << " &FILE  LSAV=F, ITEST=0 /\n"
    << "LEFT PIPE\n"
    << " &MESH  DDZ=0.001, DDR(1)=0.001 /\n"
    << "#CAVITYSHAPE\n0.\n"
    << "0.0 0.0\n0.01 0.0\n0.01 0.01\n"
    << "0.03 0.01\n0.03 0.04\n0.01 0.04\n0.01 0.06\n0.0 0.06\n0.0 0.0\n9999. 0.\n"
    << " &BEAM  SIG=0.002" << beam << " /\n"
    << " &TIME  MT=3 /\n"
    << " &WAKE  UBT=0.01" << wake << " /\n"
    << " &PLOT  /\n &PRIN  /\nSTOP\n";
  return d.str();
}
} // namespace

TEST(Advance, SkipOfTheFieldFreeLeftPipeAndFirstWindow) {
  struct row {
    const char *what;
    std::string deck;
    int KSTART, KX, KY, JBACK, JFRONT, JBPREV, JFPREV;
  } rows[] = {
      // ring on the wall of a straight pipe along columns 1 .. 11: 10 columns skipped
      {"ring on the wall", pipe_deck(", MROT=0"), 30, 11, 11, 1, 12, 1, 12},
      // the same with the TAVO counters (MTE = 4)
      {"ring on the wall, TAVO", pipe_deck(", MROT=1", ", LTAVO=T"), 40, 10, 11, 1, 12, 1, 12},
      // LTAVO with the Napoly contour: napl2 integrates, on the frame of jmpbm (KX from 1)
      {"ring on the wall, TAVO, Napoly", pipe_deck(", MROT=1", ", LTAVO=T, LNAPOLY=T"), 40, 11, 11, 1, 12, 1, 12},
      // ring below the pipe radius: no skip, no replay, the previous pair left at (1, 1)
      {"ring below the pipe", pipe_deck(", MROT=0, RDRIVE=0.004"), 0, 1, 1, 1, 2, 1, 1},
  };
  for (const row &r : rows) {
    deck_setup(r.deck);
    EXPECT_EQ(latc.IZ(2), 1) << r.what;
    EXPECT_EQ(latc.IZ(3), 11) << r.what;
    EXPECT_EQ(mp.KSTART, r.KSTART) << r.what;
    EXPECT_EQ(mp.KX, r.KX) << r.what;
    EXPECT_EQ(mp.KY, r.KY) << r.what;
    EXPECT_EQ(eline.JBACK, r.JBACK) << r.what;
    EXPECT_EQ(eline.JFRONT, r.JFRONT) << r.what;
    EXPECT_EQ(nzin.JBPREV, r.JBPREV) << r.what;
    EXPECT_EQ(nzin.JFPREV, r.JFPREV) << r.what;
    EXPECT_EQ(lfrbk.IZMWL, 1) << r.what;
    EXPECT_EQ(lfrbk.IZMWR, msz.NMESH / latc.NR) << r.what;
    EXPECT_EQ(lfrbk.IZFRL, 1) << r.what;
  }
}

// The update coefficients of the field step are built in the set-up of every run, for
// the run's own mode and MTE, before its first step: stale values of an earlier run
// do not survive it.
TEST(Advance, StepCoefficientsBuiltInTheSetUpOfTheRun) {
  struct row {
    const char *what;
    std::string deck;
    int MROT, MTE;
  } rows[] = {
      {"monopole, MT = 3", pipe_deck(", MROT=0"), 0, 3},
      {"dipole with TAVO (MTE = 4)", pipe_deck(", MROT=1", ", LTAVO=T"), 1, 4},
  };
  for (const row &r : rows) {
    parcom.FACE = parcom.FACH = -1.0f;
    for (arr1<float> *x : {&cm3_data.ex1, &cm1_data.cx1, &cm2_data.dx1}) x->fill(-1.0f);
    deck_setup(r.deck);
    ASSERT_EQ(wpl.MROT, r.MROT) << r.what;
    ASSERT_EQ(latc.MTE, r.MTE) << r.what;
    const float dz_dr = latc.DDZ / gdr(1);
    if (r.MROT == 0) {
      EXPECT_EQ(parcom.FACE, cons.Z0 / static_cast<float>(r.MTE)) << r.what;
      EXPECT_EQ(parcom.FACH, 1.0f / (cons.Z0 * static_cast<float>(r.MTE))) << r.what;
      EXPECT_EQ(cm3_data.ex1(1), dz_dr) << r.what;
    } else {
      EXPECT_EQ(cm1_data.cx1(1), dz_dr) << r.what;
      EXPECT_EQ(cm2_data.dx1(1), dz_dr) << r.what;
    }
  }
}

// The dipole update factors are built once per run with the coefficients, before the
// first step and for the run's own MTE, as the monopole ones are.
TEST(Advance, DipoleFactorsBuiltInTheSetUpOfTheRun) {
  loccom.FACH1 = loccom.FACE1 = -1.0f;
  deck_setup(pipe_deck(", MROT=1", ", LTAVO=T"));
  ASSERT_EQ(latc.MTE, 4);
  EXPECT_EQ(loccom.FACH1, 1.0f / (4.0f * cons.Z0));
  EXPECT_EQ(loccom.FACE1, cons.Z0 / 4.0f);
  EXPECT_EQ(tstep.CDT, latc.DDZ / 4.0f);
}
