// The time loop: progress lines, the CPU-time monitor, the snapshot schedule and the
// running Hphi sum. MROT = 5 with LTAVO makes every step empty, so only the loop acts.
#include <gtest/gtest.h>

#include <string>

#include "minirun.hpp"
#include "run/timeloop.hpp"

namespace {
// The loop over the records as set (mini_setup first).
std::string run_loop(int NT, int KSTART) {
  wpl.MROT = 5;
  win2.LTAVO = true;
  wind.NT = NT;
  mp.KSTART = KSTART;
  mp.KEND = -7;
  testing::internal::CaptureStdout();
  time_loop();
  return testing::internal::GetCapturedStdout();
}
std::string lines(int from, int to) {
  std::string s;
  for (int p = from; p <= to; p += 10) s += " > " + std::string(p < 100 ? " " : "") + " " + std::to_string(p) + "% OVER\n";
  return s;
}
} // namespace

TEST(TimeLoop, ProgressLines) {
  struct row {
    int NT, KSTART;
    std::string out;
  } rows[] = {
      {101, 0, lines(10, 100)},   // STEP10 = 10: at k = 10, 20, .., 100
      {1001, 50, lines(10, 100)}, // restored: STEP10 = 95, from k = 145 to 1000
      {8, 0, lines(10, 10)},      // STEP10 = 0: one line, at the first step
      {5, 5, ""},                 // no step
  };
  for (const row &r : rows) {
    mini_setup(minirun_t{});
    EXPECT_EQ(run_loop(r.NT, r.KSTART), r.out) << "NT " << r.NT << " KSTART " << r.KSTART;
    EXPECT_EQ(mp.KEND, r.NT - 1 < r.KSTART ? -7 : r.NT - 1);
  }
}

TEST(TimeLoop, MonitorStopsAfterTheFirstStepOnlyAboveAnHour) {
  struct row {
    float TSOS;
    int KEND;
  } rows[] = {{3600.0f, 100}, {3600.5f, 20}, {5.0f, 100}};
  for (const row &r : rows) {
    minirun_t c;
    mini_setup(c);
    mp.LCPUTM = true;
    mp.TSOS = r.TSOS;
    run_loop(101, 20);
    EXPECT_EQ(mp.KEND, r.KEND) << "TSOS " << r.TSOS;
    mp.LCPUTM = false;
  }
  bool stop = true;
  cpulft(3600.0f, 1.0f, stop);
  EXPECT_FALSE(stop);
}

// Snapshots at the first step k + 1 >= KSNAP; the schedule moves by DTSNAP, rounded.
// The Hz slot accumulates Hphi over columns 1 .. JFRONT unless LPLC is set. Snapshots
// and the sum belong to the monopole only: with MROT = 5 (as with 1) the report says no
// field lines will be drawn, and the loop draws none.
TEST(TimeLoop, SnapshotScheduleAndHphiSum) {
  for (bool lplc : {false, true}) {
    minirun_t c;
    mini_setup(c);
    mp.LPLE = !lplc;
    mp.LPLC = lplc;
    mp.LPLEC = true;
    win2.LCBACK = false;
    mp.DTSNAP = 101.0f / 5.0f; // 20.2
    mp.TSNAP = mp.DTSNAP;
    mp.KSNAP = 20;
    eline.JFRONT = 3;
    for (int j = 1; j <= 4; ++j)
      for (int i = 1; i <= c.NR; ++i) hv(2, node(i, j)) = 0.5f;
    run_loop(101, 0);
    EXPECT_FLOAT_EQ(mp.TSNAP, 20.2f);
    EXPECT_EQ(mp.KSNAP, 20);
    EXPECT_EQ(hv(3, node(1, 1)), 0.0f);
    EXPECT_EQ(hv(3, node(c.NR, 3)), 0.0f);

    // The monopole: its field steps change Hphi, the sum is formed all the same.
    mini_setup(c);
    mp.TSNAP = mp.DTSNAP;
    mp.KSNAP = 20;
    eline.JFRONT = 3;
    for (int j = 1; j <= 4; ++j)
      for (int i = 1; i <= c.NR; ++i) hv(2, node(i, j)) = 0.5f;
    wind.NT = 101;
    mp.KSTART = 0;
    win2.LTAVO = true;
    testing::internal::CaptureStdout();
    time_loop();
    testing::internal::GetCapturedStdout();
    EXPECT_FLOAT_EQ(mp.TSNAP, 6 * 20.2f);
    EXPECT_EQ(mp.KSNAP, 121);
    EXPECT_EQ(hv(3, node(1, 1)) != 0.0f, !lplc);
    mp.LPLE = mp.LPLC = mp.LPLEC = false;
  }
}
