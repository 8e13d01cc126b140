// Derived run quantities, the snapshot schedule, the array sizes and the stops on the
// inputs that the derived rules divide by, for small setups worked out by hand.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "geometry/mesh.hpp"
#include "run/constants.hpp"
#include "run/derived.hpp"
#include "run/echo.hpp"
#include "run/params.hpp"
#include "run/units.hpp"
#include "solver/bunch.hpp"
#include "solver/fields.hpp"
#include "../reset_records.hpp"
#include "../stopped_report.hpp"

namespace {

using recs = std::vector<std::string>;

// A monopole run on a mesh of NR = 20 lines by NZ = 100 columns, DDZ = 1 mm, with a
// Gaussian bunch of SIG = 1 cm cut at 5 SIG, MT = 3 and the wake length derived.
void base_setup() {
  reset_records();
  latc.NR = 20;
  latc.NZ = 100;
  latc.DDZ = 0.001f;
  latc.SIG = 0.01f;
  wpl.MROT = 0;
  msz.NRN = 21;
  uopen_mem(ndev.NOUT);
}

// The derived steps of a run in their order, up to the allocation.
void derive_run(bool restored = false) {
  run_mte();
  run_bunch_cut();
  run_wake_steps(restored);
  run_cutoff();
  prmesh(mp.NW, true, 0.0f); // beam-only: sets NP, prints nothing
  run_sizes_alloc();
}

// Snapshot steps the time loop draws: k + 1 >= KSNAP, then TSNAP += DTSNAP.
std::vector<int> snapshot_steps() {
  std::vector<int> s;
  float tsnap = mp.TSNAP;
  int ksnap = mp.KSNAP;
  for (int k = 0; k < wind.NT; ++k)
    if (k + 1 >= ksnap) {
      s.push_back(k + 1);
      tsnap += mp.DTSNAP;
      ksnap = nint(tsnap);
    }
  return s;
}

} // namespace

TEST(Derived, GaussianMonopoleRunWithDerivedWakeLength) {
  base_setup();
  derive_run();
  EXPECT_TRUE(win2.LCFRON);
  EXPECT_EQ(latc.MTE, 3);
  EXPECT_NEAR(cdis.ZHALF, 0.05f, 1e-8f);
  EXPECT_NEAR(mp.UBTE, 0.1f, 1e-7f); // 10*SIG
  EXPECT_EQ(mp.UBT, 0.0f);           // derived again in every run
  EXPECT_EQ(mp.NUBT, 100);
  EXPECT_EQ(mp.NW, 101);
  EXPECT_EQ(wind.NT, 604); // (100 + 100)*3 + 3 + 1
  EXPECT_EQ(qkar.NQ, 102);
  EXPECT_FLOAT_EQ(mp.DTSNAP, 120.8f);
  EXPECT_EQ(mp.KSNAP, 121);
  EXPECT_EQ(red.REDTXT, std::string(13, ' '));
  EXPECT_EQ(cals.SIGCUT, 5.0f);
  EXPECT_NEAR(mp.CUTOFF, 11.6871f, 2e-4f); // F1 < F2 = 149.9 GHz
  // Moving back window: NR*(NW + 4) = 2100 > NR*NZ, so all columns are held.
  EXPECT_EQ(msz.NP, 2000);
  EXPECT_EQ(msz.NMESH, 2600);
  EXPECT_EQ(msz.MSZW, 106);
  EXPECT_EQ(msz.MSZQ, 116);
  // The monopole holds Er, Ez and Hphi only (no field-line plot: no Hz sum).
  for (int c = 1; c <= 3; ++c) {
    EXPECT_EQ(he_data.e[c].size(), c == 2 ? 0 : 2600);
    EXPECT_EQ(he_data.h[c].size(), c == 2 ? 2600 : 0);
    EXPECT_EQ(flg_data.sj[c].size(), 2600);
  }
  EXPECT_EQ(flg_data.iflg.size(), 2600);
  EXPECT_EQ(bc_data.ihit.n1, 2600);
  EXPECT_EQ(bc_data.ihit.n2, 8);
  EXPECT_EQ(stk_data.hvstl1.n1, 21);
  EXPECT_EQ(stk_data.hvstl1.n2, 2);
  EXPECT_EQ(stk_data.hvstl1.n3, 40);
  EXPECT_EQ(wzwy_data.wt.size(), 106);
  EXPECT_EQ(wzwy_data.qkst.size(), 116);
  EXPECT_EQ(cm3_data.edum2.size(), 21);
}

TEST(Derived, WithoutTheBackWindowTheWholeStructureIsHeld) {
  base_setup();
  win2.LCBACK = false;
  latc.NZ = 300;
  derive_run();
  EXPECT_EQ(wind.NT, (300 + 100) * 3 + 4);
  EXPECT_EQ(msz.NMESH, 30 * 20 + 20 * 300);
  EXPECT_EQ(msz.MSZQ, wind.NT / 3 + 10);
  // With the back window and NW + 4 < NZ only NW + 4 columns.
  base_setup();
  latc.NZ = 300;
  derive_run();
  EXPECT_EQ(msz.NP, 20 * 105);
}

TEST(Derived, ArraysAreAllocatedAgainWithTheSizesOfEachRun) {
  base_setup();
  cm3_data.ex1.release();
  wpl.MROT = 1;
  derive_run();
  EXPECT_EQ(cm1_data.cx6.size(), 21);
  EXPECT_EQ(cm2_data.dx1.size(), 21);
  EXPECT_EQ(cm3_data.ex1.size(), 0); // not a monopole run
  // Next run: another mesh and MROT = 2: the field arrays follow, the dipole set keeps
  // its allocation and no monopole set is made.
  base_setup();
  wpl.MROT = 2;
  latc.NR = 10;
  msz.NRN = 11;
  derive_run();
  EXPECT_EQ(he_data.e[2].size(), 30 * 10 + 10 * 100);
  EXPECT_EQ(stk_data.hvstk.n1, 11);
  EXPECT_EQ(cm1_data.cx6.size(), 21);
  EXPECT_EQ(cm3_data.ex1.size(), 0);
  // Napoly weights only when LNAPOLY is set.
  nap_data.sfg.release();
  alloc_napoly();
  EXPECT_EQ(nap_data.sfg.size(), 0);
  wpl2.LNAPOLY = true;
  alloc_napoly();
  EXPECT_EQ(nap_data.sfg.size(), 11);
  EXPECT_EQ(nap_data.slg.size(), 11);
}

// The field components a run holds: all six for the dipole (and any other mode), Er, Ez
// and Hphi for the monopole, with Hz where the field-line plots sum Hphi in it (all
// columns held); the others read as 0.
TEST(Derived, FieldComponentsHeldByTheMode) {
  struct fcase {
    int mrot;
    bool lple, lcback;
    bool held[2][3]; // [e, h][c - 1]
  } cases[] = {
      {1, false, true, {{true, true, true}, {true, true, true}}},
      {2, false, true, {{true, true, true}, {true, true, true}}},
      {0, false, true, {{true, false, true}, {false, true, false}}},
      {0, true, true, {{true, false, true}, {false, true, false}}},
      {0, true, false, {{true, false, true}, {false, true, true}}},
  };
  for (const fcase &f : cases) {
    base_setup();
    wpl.MROT = f.mrot;
    mp.LPLE = f.lple;
    mp.NSHOT = 5;
    win2.LCBACK = f.lcback;
    derive_run();
    for (int c = 1; c <= 3; ++c) {
      EXPECT_EQ(he_data.e[c].size(), f.held[0][c - 1] ? msz.NMESH : 0)
          << "MROT " << f.mrot << " LPLE " << f.lple << " LCBACK " << f.lcback << " e" << c;
      EXPECT_EQ(he_data.h[c].size(), f.held[1][c - 1] ? msz.NMESH : 0)
          << "MROT " << f.mrot << " LPLE " << f.lple << " LCBACK " << f.lcback << " h" << c;
    }
  }
  base_setup();
  derive_run();
  he_data.e[3].fill(1.0f);
  EXPECT_EQ(ev(2, 5), 0.0f); // Ephi of the monopole
  ev(2, 5) = 3.0f;            // dropped
  EXPECT_EQ(ev(2, 5), 0.0f);
  EXPECT_EQ(hv(1, msz.NMESH), 0.0f);
  EXPECT_EQ(ev(3, 5), 1.0f);
}

TEST(Derived, EndOfProcessReleasesEveryRunArray) {
  base_setup();
  derive_run();
  wpl.MROT = 1;
  derive_run(); // both coefficient sets now allocated
  wpl2.LNAPOLY = true;
  alloc_napoly();
  release_run_arrays();
  for (int c = 1; c <= 3; ++c) {
    EXPECT_FALSE(he_data.h[c].allocated());
    EXPECT_FALSE(he_data.e[c].allocated());
    EXPECT_FALSE(flg_data.sj[c].allocated());
  }
  for (const arr3<float> *a : {&stk_data.hvstk, &stk_data.hvstl, &stk_data.hvstk1, &stk_data.hvstl1})
    EXPECT_FALSE(a->allocated());
  EXPECT_FALSE(flg_data.iflg.allocated());
  EXPECT_FALSE(bc_data.ihit.allocated());
  for (const arr1<float> *a :
       {&wzwy_data.wz, &wzwy_data.wp, &wzwy_data.qkst, &wzwy_data.wy, &wzwy_data.wt,
        &cm3_data.ex1, &cm3_data.ex4, &cm3_data.ex5, &cm3_data.ex6, &cm3_data.edum1,
        &cm3_data.edum2, &cm1_data.cx1, &cm1_data.cx2, &cm1_data.cx3, &cm1_data.cx4,
        &cm1_data.cx5, &cm1_data.cx6, &cm2_data.dx1, &cm2_data.dx2, &cm2_data.dx3,
        &cm2_data.dx4, &cm2_data.dx5, &cm2_data.dx6, &nap_data.sfg, &nap_data.slg})
    EXPECT_FALSE(a->allocated());
}

TEST(Derived, TimeStepsPerMeshStep) {
  struct tcase {
    bool ltavo;
    int mrot, mt, mte;
  };
  const tcase cases[] = {{true, 1, 7, 4}, {true, 0, 7, 7}, {false, 1, 7, 7}, {false, 0, 1, 1}};
  for (const tcase &c : cases) {
    base_setup();
    win2.LTAVO = c.ltavo;
    win2.LCFRON = false;
    wpl.MROT = c.mrot;
    mp.MT = c.mt;
    run_mte();
    EXPECT_EQ(latc.MTE, c.mte);
    EXPECT_TRUE(win2.LCFRON);
  }
}

// The time step and its stability limit, fixed before the echo. RATIO is the largest
// DDZ/DDR over the zones, MTREC = INT(sqrt(1.2 + (1.2 + 0.4*MROT)*RATIO**2)) + 1.
TEST(Derived, TimeStepAndItsStabilityLimit) {
  struct tcase {
    const char *what;
    float ddz;
    std::vector<float> ddr; // one per zone
    int mrot;
    float ratio;
    int mtrec;
  };
  const tcase cases[] = {
      {"one zone, sqrt(1.2 + 1.2*4) = 2.45", 0.002f, {0.001f}, 0, 2.0f, 3},
      {"two zones, the finer decides, sqrt(1.2 + 1.6*4) = 2.76", 0.001f, {0.001f, 0.0005f}, 1, 2.0f, 3},
      // sqrt(1.2 + 1.2*(RATIO*RATIO)) is 6.9999995 in 32 bits, (1.2*RATIO)*RATIO would give 7.
      {"RATIO squared before the mode factor", 6.31136513f, {1.0f}, 0, 6.31136513f, 7},
      {"DDR above DDZ: RATIO stays 1", 0.001f, {0.002f}, 0, 1.0f, 2},
      {"a zone without a step is passed over", 0.001f, {0.0f, 0.0005f}, 0, 2.0f, 3},
  };
  for (const tcase &c : cases) {
    base_setup();
    latc.DDZ = c.ddz;
    lat2.NZONE = static_cast<int>(c.ddr.size());
    for (std::size_t k = 0; k < c.ddr.size(); ++k) latc.DDR(static_cast<long>(k) + 1) = c.ddr[k];
    wpl.MROT = c.mrot;
    latc.MTE = 3;
    run_time_step();
    EXPECT_EQ(tstep.RATIO, c.ratio) << c.what;
    EXPECT_EQ(tstep.MTREC, c.mtrec) << c.what;
  }
  // DT from DDZ = 1 mm and MTE = 2 is 1.6678 ps; the path of a step is c*DT, the same
  // quantity reached the other way round.
  base_setup();
  latc.DDZ = 0.001f;
  latc.MTE = 2;
  run_time_step();
  EXPECT_NEAR(tstep.DT * 1.0E12f, 1.66782f, 1.0E-4f);
  EXPECT_FLOAT_EQ(tstep.CDT, cons.CLIGHT * tstep.DT);
  EXPECT_FLOAT_EQ(tstep.ZCDT, cons.Z0 * 0.0005f);
}

TEST(Derived, PlotSizeText) {
  struct tcase {
    float reduce;
    const char *text;
  };
  const tcase cases[] = {{0.0f, "             "}, {0.75f, "REDUCE  0.750"}, {0.5f, "REDUCE  0.500"},
                         {123.0f, "REDUCE ******"}};
  for (const tcase &c : cases) {
    base_setup();
    mp.REDUCE = c.reduce;
    run_mte();
    run_bunch_cut();
    EXPECT_EQ(red.REDTXT, c.text) << "REDUCE " << c.reduce;
  }
}

TEST(Derived, CounterRotatingBeamSnapsTheSeparationAndLengthensTheWake) {
  base_setup();
  crbw.LCRBW = true;
  crbw.ZSEP = 0.0123f; // 12.3 mesh steps
  derive_run();
  EXPECT_EQ(crbw.ISEP, 12);
  EXPECT_EQ(crbw.ZSEP, 12.0f * 0.001f);
  // 2*ZHALF + 2*(NZ - ISEP)*DDZ = 0.1 + 0.176
  EXPECT_NEAR(mp.UBTE, 0.276f, 1e-6f);
  EXPECT_EQ(mp.NW, 277);
  // A later run on another mesh snaps the written-back value again.
  latc.DDZ = 0.0007f;
  run_bunch_cut();
  EXPECT_EQ(crbw.ISEP, 17); // 0.012/0.0007 = 17.1
  EXPECT_EQ(crbw.ZSEP, 17.0f * 0.0007f);
}

TEST(Derived, HugeBeamSeparationLeavesTheWakeLength) {
  // ZSEP far beyond the mesh saturates ISEP; the counter-rotating wake length
  // 2*ZHALF + 2*(NZ - ISEP)*DDZ is then negative and the derived length stays.
  base_setup();
  crbw.LCRBW = true;
  crbw.ZSEP = 1.0e30f;
  derive_run();
  EXPECT_EQ(crbw.ISEP, INT_MAX);
  EXPECT_NEAR(mp.UBTE, 0.1f, 1e-7f);
  EXPECT_EQ(mp.NW, 101);
}

TEST(Derived, EvenlySpreadSnapshots) {
  // NT = (300 + 200)*2 + 2 + 1 = 1003, NSHOT = 5.
  base_setup();
  latc.NZ = 300;
  mp.MT = 2;
  mp.UBT = 0.2f;
  mp.LPLE = true;
  derive_run();
  EXPECT_EQ(wind.NT, 1003);
  EXPECT_TRUE(mp.LPLEC);
  EXPECT_FLOAT_EQ(mp.DTSNAP, 200.6f);
  EXPECT_EQ(snapshot_steps(), (std::vector<int>{201, 401, 602, 802, 1003}));
}

TEST(Derived, SnapshotsFromAGivenTime) {
  // TPS = 10 ps is 5.996 time steps of DDZ/(2c).
  base_setup();
  mp.MT = 2;
  mp.TPS = 10.0f;
  mp.NSHOT = 1;
  mp.LPLC = true;
  derive_run();
  EXPECT_NEAR(mp.TSNAP, 5.99585f, 1e-4f);
  EXPECT_EQ(mp.KSNAP, 6);
  EXPECT_EQ(snapshot_steps(), (std::vector<int>{6})); // exactly one snapshot
  base_setup();
  mp.MT = 2;
  mp.TPS = 10.0f;
  mp.NSHOT = 3;
  mp.LPLC = true;
  derive_run();
  EXPECT_FLOAT_EQ(mp.DTSNAP, static_cast<float>(wind.NT - 6) / 2.0f);
  EXPECT_EQ(snapshot_steps().size(), 3u);
  EXPECT_EQ(snapshot_steps().back(), wind.NT);
}

TEST(Derived, SnapshotScheduleWithoutSnapshotsOrWithAHugeTime) {
  base_setup();
  mp.NSHOT = 0; // no LPLE, no LPLC
  derive_run();
  EXPECT_EQ(mp.TSNAP, static_cast<float>(wind.NT + 1));
  EXPECT_EQ(mp.DTSNAP, static_cast<float>(wind.NT + 1));
  EXPECT_EQ(mp.KSNAP, wind.NT + 1);
  base_setup();
  mp.TPS = 1.0e30f;
  mp.NSHOT = 3;
  derive_run();
  EXPECT_EQ(mp.KSNAP, INT_MAX);
  EXPECT_LT(mp.DTSNAP, 0.0f);
  // A restored run keeps the saved schedule.
  base_setup();
  mp.KSNAP = 77;
  mp.TSNAP = 77.25f;
  mp.DTSNAP = 3.5f;
  derive_run(true);
  EXPECT_EQ(mp.KSNAP, 77);
  EXPECT_EQ(mp.TSNAP, 77.25f);
  EXPECT_EQ(mp.DTSNAP, 3.5f);
}

TEST(Derived, CutoffIsComputedOnceAndKeptByLaterRuns) {
  base_setup();
  derive_run();
  const float first = mp.CUTOFF;
  EXPECT_NEAR(first, 11.6871f, 2e-4f);
  latc.SIG = 0.02f;
  run_cutoff();
  EXPECT_EQ(mp.CUTOFF, first);
  // A PLOT group that sets CUTOFF to 0 again, with no first-run value: the run's SIG.
  mp.CUTOFF = 0.0f;
  run_cutoff();
  EXPECT_NEAR(mp.CUTOFF, 5.84357f, 1e-4f);
  // The first-run value is taken when there is one.
  mp.CUTOFF = 0.0f;
  mp.CUTOFF0 = 3.0f;
  run_cutoff();
  EXPECT_EQ(mp.CUTOFF, 3.0f);
  // A coarse mesh: half the frequency of a wave of length DDZ (F2 = 1.499 GHz).
  base_setup();
  latc.DDZ = 0.1f;
  run_cutoff();
  EXPECT_NEAR(mp.CUTOFF, 1.49896f, 1e-4f);
}

TEST(Derived, SaveSwitchForcesTheMonitor) {
  base_setup();
  mp.LSAV = true;
  derive_run();
  EXPECT_TRUE(mp.LCPUTM);
}

TEST(Derived, LongBunchWithShortWakeSizesTheTableForEveryEntry) {
  // NW = 3 gives MSZQ = 18 while the table fills NQ = 102 entries; also with TAVO in a
  // dipole run, where the table is not filled, NQ is set.
  base_setup();
  mp.UBT = 0.002f;
  win2.LTAVO = true;
  wpl.MROT = 1;
  derive_run();
  EXPECT_EQ(mp.NW, 3);
  EXPECT_EQ(msz.MSZQ, 18);
  EXPECT_EQ(qkar.NQ, 102);
  EXPECT_EQ(wzwy_data.qkst.size(), 102);
}

TEST(Derived, SpectrumSwitchIsSetInEveryRun) {
  struct tcase {
    int mrot;
    bool lffta, lfftl, before, after;
  };
  const tcase cases[] = {{0, true, false, true, false},
                         {0, false, true, false, true},
                         {1, true, false, false, true},
                         {2, true, true, true, true},
                         {2, true, true, false, false}};
  for (const tcase &c : cases) {
    base_setup();
    wpl.MROT = c.mrot;
    mp.LFFTA = c.lffta;
    mp.LFFTL = c.lfftl;
    mp.LFFTANY = c.before;
    run_lfftany();
    EXPECT_EQ(mp.LFFTANY, c.after) << "MROT " << c.mrot;
  }
}

TEST(Derived, PeakLineDensityForTheSnapshots) {
  base_setup();
  mp.LPLE = true;
  derive_run();
  calsum();
  qkar.QMAX = -1.0f;
  run_qmax();
  // The sample 50 steps behind the head is the bunch centre: f = 1.
  float q;
  chage(1, 50 * latc.MTE, q);
  EXPECT_EQ(qkar.QMAX, q);
  EXPECT_NEAR(qkar.QMAX, 1.0f / (cals.CNORM * latc.DDZ), 1e-3f);
  EXPECT_NEAR(qkar.QMAX, 39.894f, 0.01f); // 1/(sqrt(2 pi) SIG)
  // Without snapshots QMAX is left alone.
  mp.LPLE = false;
  qkar.QMAX = -1.0f;
  run_qmax();
  EXPECT_EQ(qkar.QMAX, -1.0f);
}

TEST(Derived, StopsOnInputsThatTheRulesDivideBy) {
  struct tcase {
    const char *what;
    std::function<void()> set;
    const char *record;
  };
  const tcase cases[] = {
      {"MT", [] { mp.MT = 0; }, " *** STOP *** MT =      0 MUST BE AT LEAST 1"},
      {"SIG 0", [] { latc.SIG = 0.0f; }, " *** STOP *** SIG =   0.0000     MUST BE GREATER THAN 0"},
      {"SIG < 0", [] { latc.SIG = -1.0f; }, " *** STOP *** SIG =  -1.0000     MUST BE GREATER THAN 0"},
      {"ISIG", [] { mp.ISIG = 0; }, " *** STOP *** ISIG =      0 MUST BE AT LEAST 1"},
      {"NSHOT", [] { mp.NSHOT = 0; mp.LPLE = true; },
       " *** STOP *** NSHOT =      0 MUST BE AT LEAST 1 WITH LPLE OR LPLC"},
  };
  for (const tcase &c : cases) {
    base_setup();
    c.set();
    const recs r = stopped_report([] { run_mte(); });
    EXPECT_EQ(r, recs{c.record}) << c.what;
  }
  // The triangle has no cut in SIG units: ISIG = 0 passes.
  base_setup();
  cdis.NBUNCH = 0;
  mp.ISIG = 0;
  run_mte();
  EXPECT_EQ(latc.MTE, 3);
}

TEST(Derived, WakeLengthThatGivesNoWakePointStops) {
  // UBT = -1 m would give NW = -999 wake points and negative array sizes.
  base_setup();
  mp.UBT = -1.0f;
  const recs r = stopped_report([] {
    run_mte();
    run_bunch_cut();
    run_wake_steps(false);
  });
  EXPECT_EQ(r, (recs{" *** STOP *** UBT =  -1.0000     GIVES NO VALID NUMBER OF WAKE POINTS"}));
}
