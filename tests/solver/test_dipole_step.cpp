// The dipole step on whole runs and on hand-set cells: the TAVO counters, thread-count
// independence, a drive ring on the axis, the top line under the wall, the smallest meshes.
#include <gtest/gtest.h>
#include <omp.h>

#include <cmath>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "../run/run_binary.hpp"
#include "deckrun.hpp"
#include "solver_state.hpp"
#include "minirun.hpp"
#include "run/completion.hpp"
#include "run/timeloop.hpp"
#include "run/units.hpp"

namespace {

// A pipe of radius b (m) from z = 0 to zl, a cylinder of radius R and length g, a right
// pipe of length zr; mesh step h; &BEAM with MROT = 1 and `beam`, &WAKE with `wake`.
std::string cavity_deck(float b, float zl, float R, float g, float zr, float h, int mt,
                        const std::string &beam, const std::string &wake) {
  std::ostringstream d;
  d << " &FILE  LSAV=F, ITEST=0 /\n"
    << "DIPOLE STEP TEST\n"
    << " &MESH  DDZ=" << h << ", DDR(1)=" << h << " /\n"
    << "#CAVITYSHAPE\n0.\n"
    << "0.0 0.0\n"
    << b << " 0.0\n"
    << b << " " << zl << "\n"
    << R << " " << zl << "\n"
    << R << " " << zl + g << "\n"
    << b << " " << zl + g << "\n"
    << b << " " << zl + g + zr << "\n"
    << "0.0 " << zl + g + zr << "\n"
    << "0.0 0.0\n"
    << "9999. 0.\n"
    << " &BEAM  SIG=0.005, MROT=1" << beam << " /\n"
    << " &TIME  MT=" << mt << " /\n"
    << " &WAKE  " << wake << " /\n"
    << " &PLOT  /\n &PRIN  /\nSTOP\n";
  return d.str();
}

void run_loop(const std::string &deck) {
  deck_setup(deck);
  time_loop();
}



float maxabs(const arr1<float> &x, long n) {
  float m = 0.0f;
  for (long s = 1; s <= n && s <= x.size(); ++s) m = std::max(m, std::fabs(x(s)));
  return m;
}

} // namespace

// With TAVO (MT = 4) KX counts the steps in which the witness passes the z of Ez and Hr,
// (k + 1) mod 4 = 2, from 0, and KY those in which it passes the z of Ephi, (k + 1) mod 4
// = 0, from 1. The skip of the left pipe (d columns, 4*d steps) adds d to both, the
// number of such steps skipped, so after the loop KX = (NT + 2)/4 and KY = NT/4 + 1.
TEST(DipoleStep, TavoRunCountsAndWakes) {
  run_loop(cavity_deck(0.005f, 0.01f, 0.02f, 0.01f, 0.01f, 0.0005f, 3, "", "UBT=0.05, LTAVO=T"));
  EXPECT_EQ(latc.MTE, 4);
  EXPECT_EQ(mp.KSTART, 4 * 20) << "the left pipe of 20 columns skipped";
  EXPECT_EQ(mp.KX, (wind.NT + 2) / 4);
  EXPECT_EQ(mp.KY, wind.NT / 4 + 1);
  EXPECT_GT(maxabs(wzwy_data.wz, mp.NW), 0.0f);
  EXPECT_GT(maxabs(wzwy_data.wy, mp.NW), 0.0f);
}

// One thread and eight give the same fields, delay lines and wakes bit for bit, with the
// plain integration and with TAVO. A long left pipe with the ring on its wall: the loop
// starts behind the pipe with a window of over 20000 nodes, so both parallel loops of the
// step run on the thread team. The second deck has the ring below the pipe radius (beam
// terms of the left end, the source in column 1).
TEST(DipoleStep, OneAndEightThreadsGiveTheSameBits) {
  struct row {
    const char *what;
    std::string deck;
    bool big;
  } rows[] = {
      {"plain", cavity_deck(0.01f, 1.0f, 0.02f, 0.01f, 0.02f, 0.001f, 3, "", "UBT=0.02, LCBACK=F"), true},
      {"TAVO", cavity_deck(0.01f, 1.0f, 0.02f, 0.01f, 0.02f, 0.001f, 3, "", "UBT=0.02, LCBACK=F, LTAVO=T"),
       true},
      {"ring below the pipe, TAVO",
       cavity_deck(0.01f, 0.02f, 0.02f, 0.01f, 0.02f, 0.001f, 3, ", RDRIVE=0.005", "UBT=0.05, LTAVO=T"), false},
  };
  const int saved = omp_get_max_threads();
  for (const row &r : rows) {
    std::vector<float> got[2];
    for (int t = 0; t < 2; ++t) {
      omp_set_num_threads(t == 0 ? 1 : 8);
      run_loop(r.deck);
      EXPECT_EQ(latc.NR * (eline.JFRONT - eline.JBACK + 1) > 16384, r.big) << r.what;
      got[t] = solver_state();
    }
    EXPECT_GT(maxabs(wzwy_data.wz, mp.NW), 0.0f) << r.what;
    EXPECT_GT(maxabs(wzwy_data.wy, mp.NW), 0.0f) << r.what;
    EXPECT_TRUE(same_state(got[0], got[1])) << r.what;
  }
  omp_set_num_threads(saved);
}

// An iris down to the axis between pipes of 1 cm puts the drive ring on line 1 (rb = 0);
// with LNONAP the run is not skipped. The ring carries no dipole moment: the beam terms
// of the left end are 0, every field and wake stays 0 (no inf*0 from the field of a ring
// of radius 0) and the report warns that the dipole values are 0.
TEST(DipoleStep, DriveRingOnTheAxisGivesZeroFields) {
  deck_read(deck_file("dipole_iris_to_axis.in"));
  one_run(false);
  EXPECT_EQ(latc.IRDRIVE, 1);
  EXPECT_GE(pipes.IRPL, 2);
  EXPECT_GT(wind.NT, 0);
  for (int k = 1; k <= 3; ++k)
    for (long m = 1; m <= msz.NMESH; ++m) {
      ASSERT_EQ(ev(k, m), 0.0f) << "component " << k << " node " << m;
      ASSERT_EQ(hv(k, m), 0.0f) << "component " << k << " node " << m;
    }
  for (const arr1<float> *x : {&wzwy_data.wz, &wzwy_data.wy, &wzwy_data.wt})
    EXPECT_EQ(maxabs(*x, x->size()), 0.0f);
  bool warned = false;
  for (const std::string &l : umem(ndev.NOUT)) {
    EXPECT_EQ(l.find("NaN"), std::string::npos) << l;
    warned = warned || l == " *** WARNING *** THE DRIVE RING IS ON THE AXIS (D=0): DIPOLE VALUES ARE SET TO 0.";
  }
  EXPECT_TRUE(warned);
}

namespace {
// Every cell vacuum, row NR too (as under a further polygon above the structure), with
// all edge factors 1 except Ez on the axis; fields of a fixed pattern.
void open_cells() {
  const int NR = latc.NR;
  for (long m = 1; m <= msz.NMESH; ++m) {
    const int i = static_cast<int>((m - 1) % NR) + 1;
    iflg(m) = 0.0f;
    for (int c = 1; c <= 3; ++c) sjdg(c, m) = 1.0f;
    if (i == 1) sjdg(3, m) = 0.0f;
    for (int c = 1; c <= 3; ++c) {
      ev(c, m) = std::sin(0.37f * static_cast<float>(m) + static_cast<float>(c));
      hv(c, m) = std::cos(0.23f * static_cast<float>(m) + static_cast<float>(c));
    }
  }
  celall();
}
// Hold the window of step n: the previous pair equals it, so no column is classified.
void hold_window(int n) {
  int jb, jf;
  wndpair(n, jb, jf);
  nzin.JBPREV = jb;
  nzin.JFPREV = jf;
}
} // namespace

// Line NR lies under the wall: its magnetic update reads no line above it. Node m + 1 of
// line NR is line 1 of the next column; changing Ez and Ephi there leaves Hz and Hphi of
// line NR unchanged (Hphi in the monopole step). The node itself is updated.
TEST(DipoleStep, TopLineReadsNothingAboveIt) {
  for (int MROT : {0, 1}) {
    std::vector<float> hz[2], hp[2], h0;
    for (int r = 0; r < 2; ++r) {
      minirun_t c;
      c.NR = 6;
      c.NZ = 10;
      c.IRDRIVE = c.IRPL = c.IRPR = 6;
      mini_setup(c);
      open_cells();
      if (r == 1)
        for (int j = 2; j <= c.NZ; ++j) {
          ev(3, node(1, j)) = 100.0f;
          ev(2, node(1, j)) = -100.0f;
        }
      hold_window(40);
      for (int j = 1; j < c.NZ; ++j) h0.push_back(hv(2, node(c.NR, j)));
      if (MROT == 1) hefld(40);
      else mefld(40);
      ASSERT_EQ(eline.JFRONT, c.NZ);
      for (int j = 1; j < c.NZ; ++j) {
        hz[r].push_back(hv(3, node(c.NR, j)));
        hp[r].push_back(hv(2, node(c.NR, j)));
      }
    }
    for (std::size_t j = 0; j < hp[0].size(); ++j) {
      EXPECT_NE(hp[0][j], h0[j]) << "MROT " << MROT << " column " << j + 1 << " not updated";
      EXPECT_EQ(hp[0][j], hp[1][j]) << "MROT " << MROT << " Hphi, column " << j + 1;
      if (MROT == 1) {
        EXPECT_EQ(hz[0][j], hz[1][j]) << "Hz, column " << j + 1;
      }
    }
  }
}

// NR = 1 and 2: the coefficients of lines the rules leave unset are 0, cx2(NR) is
// DDZ/gr(NR), and the axis update of NR = 1 takes Ez and Ephi of the line above as 0.
TEST(DipoleStep, SmallestMeshes) {
  for (int NR : {1, 2}) {
    minirun_t c;
    c.NR = NR;
    c.NZ = 10;
    c.IRDRIVE = c.IRPL = c.IRPR = NR;
    mini_setup(c);
    open_cells();
    for (int j = 1; j <= c.NZ; ++j) {
      for (int i = 1; i <= NR; ++i)
        for (int k = 1; k <= 3; ++k) {
          ev(k, node(i, j)) = 0.0f;
          hv(k, node(i, j)) = 0.0f;
        }
      ev(1, node(1, j)) = 1.0f;  // Er of the axis
      ev(2, node(1, j)) = 5.0f;  // Ephi, which the axis of the column before takes as 0 when NR = 1
      ev(3, node(1, j)) = 7.0f;  // Ez, likewise
    }
    hold_window(40);
    hefld(40);
    EXPECT_EQ(cm1_data.cx1(1), c.h / c.h);
    for (arr1<float> *x : {&cm1_data.cx2, &cm1_data.cx3, &cm1_data.cx5, &cm1_data.cx6})
      EXPECT_EQ((*x)(1), 0.0f) << "NR " << NR;
    if (NR == 2) {
      EXPECT_EQ(cm1_data.cx2(2), latc.DDZ / gr(2));
      for (arr1<float> *x : {&cm1_data.cx3, &cm1_data.cx5, &cm1_data.cx6}) EXPECT_EQ((*x)(2), 0.0f);
    } else {
      const float F = 1.0f / (3.0f * cons.Z0);
      // Hz(1, j) = -2*FACH1*cx1(1)*(Er(1, j) + 0); Hphi(1, j) = -FACH1*(cx1(1)*(7 - 0) + 1 - 1).
      EXPECT_EQ(hv(3, node(1, 3)), -2.0f * F * 1.0f * (1.0f + 0.0f));
      EXPECT_EQ(hv(2, node(1, 3)), -F * (1.0f * (7.0f - 0.0f) + 1.0f - 1.0f));
      EXPECT_EQ(hv(1, node(1, 3)), hv(2, node(1, 3)));
    }
    for (arr1<float> *x : {&cm2_data.dx3, &cm2_data.dx4, &cm2_data.dx5, &cm2_data.dx6})
      EXPECT_EQ((*x)(1), 0.0f) << "NR " << NR;
  }
}

// A dipole deck on a mesh of two radial lines runs to its end; the index-checked build
// shows that no field step reads outside its arrays.
TEST(DipoleStep, DeckOfTwoRadialLines) {
  for (const char *wake : {"LNONAP=T /", "LNONAP=T, LTAVO=T /"}) {
    std::string deck = deck_file("dipole_two_lines.in");
    deck.replace(deck.find("LNONAP=T /"), 10, wake);
    deck_read(deck);
    one_run(false);
    EXPECT_EQ(latc.NR, 2);
    EXPECT_EQ(mp.KEND, wind.NT - 1);
    for (const arr1<float> *x : {&wzwy_data.wz, &wzwy_data.wy, &wzwy_data.wt})
      for (long s = 1; s <= x->size(); ++s) ASSERT_TRUE(std::isfinite((*x)(s))) << wake;
  }
}

// The left open end adds the change of the ring's own field between two sample points
// of the line-charge table: uniform, (RBB2 - 1) times CBEAM*rho, inside the ring. With
// the fields 0 the newest slots hold only that term. qkst(n) = n tells the samples apart;
// MTE = 3, NSTEP = 1 has KQ1 = 0, KQ2 = 1, K4 = 3 (rho3 = 0); MTE = 1, NSTEP = 1 has KQ1 = -1.
TEST(DipoleStep, LeftEndSamplesTheRingField) {
  struct row {
    int MTE, NSTEP, q1, q2, q3, q4;
  } rows[] = {{3, 1, 1, 2, 0, 3}, {3, 8, 3, 5, 2, 6}, {3, 9, 3, 5, 2, 6}, {1, 1, 0, 2, 0, 3}, {1, 5, 4, 6, 3, 7}};
  for (const row &r : rows) {
    minirun_t c;
    c.NR = 6;
    c.MTE = r.MTE;
    c.IRPL = c.IRPR = 5;
    c.IRDRIVE = 3;
    mini_setup(c);
    qkar.NQ = 10;
    for (int n = 1; n <= 10; ++n) wzwy_data.qkst(n) = static_cast<float>(n);
    heff1(r.NSTEP);
    auto q = [](int n) { return static_cast<float>(n); };
    EXPECT_EQ(loccom.Q1, q(r.q1)) << "MTE " << r.MTE << " NSTEP " << r.NSTEP;
    EXPECT_EQ(loccom.Q2, q(r.q2)) << "MTE " << r.MTE << " NSTEP " << r.NSTEP;
    // Ring at 2h in a pipe of 4h: RBB2 = 1/4; CBEAM = c/(2*pi*2h).
    const float cb = cons.CLIGHT / (2.0f * cons.PI * gr(3));
    EXPECT_EQ(loccom.RBB2, 0.25f);
    EXPECT_EQ(loccom.CBEAM, cb);
    for (int k = 1; k <= 2; ++k) {
      EXPECT_EQ(stk_data.hvstk(1, k, NPT), cb * (q(r.q2) - q(r.q1)) * (0.25f - 1.0f)) << "NSTEP " << r.NSTEP;
      EXPECT_EQ(stk_data.hvstk1(1, k, NPT), cb * (q(r.q4) - q(r.q3)) * (0.25f - 1.0f)) << "NSTEP " << r.NSTEP;
    }
    // Outside the ring: Hr with (rb/r)**2 at r = gr(4) = 3h, Hphi at the midpoint 3.5h.
    const float hr = 0.25f - (2.0f / 3.0f) * (2.0f / 3.0f), hp = 0.25f + (4.0f / 7.0f) * (4.0f / 7.0f);
    EXPECT_NEAR(stk_data.hvstk(4, 1, NPT), cb * (q(r.q2) - q(r.q1)) * hr, 1e-5f * cb * 10.0f);
    EXPECT_NEAR(stk_data.hvstk(4, 2, NPT), cb * (q(r.q2) - q(r.q1)) * hp, 1e-5f * cb * 10.0f);
  }
}
