// The monopole step against its plain formulas: a reference step written straight from
// the cell flags iflg and the edge factors sjdg, node by node on the main thread, with
// the coefficients computed here as the quotients of their definition. mefld reads the
// condensed cell codes and divides its loops among the threads; both must give the same
// fields and wakes bit for bit, with 1 thread and with 8, on structures with cut cells.
#include <gtest/gtest.h>
#include <omp.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "deckrun.hpp"
#include "solver_state.hpp"

namespace {

// Coefficients of the reference step, from gr, gdr, DDZ and MTE.
struct refcoef {
  float FACE, FACH, FACQ;
  std::vector<float> ex1, ex4, ex5, ex6; // index i = 1 .. NR (element 0 unused)
};

refcoef ref_coefficients() {
  refcoef c;
  const int NR = latc.NR;
  const float DDZ = latc.DDZ, MTE = static_cast<float>(latc.MTE);
  c.FACE = cons.Z0 / MTE;
  c.FACH = 1.0f / (cons.Z0 * MTE);
  c.FACQ = MTE * cons.EPS0 * cons.PI;
  c.ex1.assign(NR + 1, 0.0f);
  c.ex4 = c.ex5 = c.ex6 = c.ex1;
  for (int i = 1; i <= NR; ++i) c.ex1[i] = DDZ / gdr(i);
  for (int i = 2; i <= NR; ++i) {
    c.ex4[i] = DDZ / (gr(i) + (gdr(i) - gdr(i - 1)) / 4.0f);
    c.ex5[i] = (2.0f * DDZ / (gdr(i) + gdr(i - 1))) / (DDZ / (gr(i) + gdr(i) / 2.0f));
    c.ex6[i] = (2.0f * DDZ / (gdr(i) + gdr(i - 1))) / (DDZ / (gr(i) - gdr(i - 1) / 2.0f));
  }
  return c;
}

// One monopole step in the plain form: the window, delay lines, shift and right end by
// the solver's own routines, the magnetic and electric updates from iflg and sjdg.
// Returns the number of cut cells (flag 1 to 4) that the magnetic update met.
long plain_step(const refcoef &c, int NSTEP) {
  const int NR = latc.NR, NZ = latc.NZ, MTE = latc.MTE;
  window(NSTEP);
  const int JBACK = eline.JBACK, JFRONT = eline.JFRONT;
  if (nzin.JBPREV <= 1) push_left(NSTEP);
  if (nzin.JFPREV >= NZ - 1) push_right();
  shift();
  auto M = [&](int i, int j) { return static_cast<long>(j - lfrbk.IZMWL) * NR + i; };
  long cut = 0;
  for (int j = JBACK; j <= JFRONT - 1; ++j)
    for (int i = 1; i <= NR; ++i) {
      const long m = M(i, j);
      const float f = iflg(m);
      if (f == 5.0f) continue;
      const float w = f == 0.0f ? 1.0f : 2.0f;
      if (f != 0.0f) ++cut;
      const float ezup = i < NR ? ev(3, m + 1) : 0.0f; // a wall above line NR
      hv(2, m) = hv(2, m) - w * c.FACH * ((ev(3, m) - ezup) * c.ex1[i] + ev(1, m + NR) - ev(1, m));
    }
  if (JFRONT == NZ) right_end();
  const int K = (NSTEP - 1) / MTE;
  const int IRD = latc.IRDRIVE;
  auto axis_ez = [&](long m, float q) {
    ev(3, m) = ev(3, m) + 4.0f * c.FACE * c.ex1[1] * hv(2, m);
    if (IRD == 1) ev(3, m) = ev(3, m) - 4.0f * q * c.ex1[1] / (c.FACQ * gdr(1));
  };
  auto line_ez = [&](int i, long m) {
    ev(3, m) = ev(3, m) + sjdg(3, m) * c.FACE * c.ex4[i] * (c.ex5[i] * hv(2, m) - c.ex6[i] * hv(2, m - 1));
  };
  if (JBACK == 1) {
    const float q = qkval(K + 1);
    for (int i = 1; i <= pipes.IRPL - 1; ++i) {
      const long m = M(i, 1);
      ev(1, m) = ev(1, m) + sjdg(1, m) * c.FACE * (left_ghost(2, i) - hv(2, m));
      if (i == 1) {
        ev(3, m) = ev(3, m) + 4.0f * c.FACE * c.ex1[1] * hv(2, m);
      } else {
        line_ez(i, m);
      }
      if (i == IRD && (sjdg(3, m) != 0.0f || IRD == 1)) {
        if (i == 1) ev(3, m) = ev(3, m) - 4.0f * q * c.ex1[1] / (c.FACQ * gdr(1));
        else ev(3, m) = ev(3, m) - 0.5f * q * c.ex1[i] / (c.FACQ * gr(i));
      }
    }
  }
  for (int j = JBACK + 1; j <= JFRONT; ++j) {
    const float q = qkval(K - j + 2);
    const long m1 = M(1, j);
    if (iflg(m1) != 5.0f) {
      ev(1, m1) = ev(1, m1) + sjdg(1, m1) * c.FACE * (hv(2, m1 - NR) - hv(2, m1));
      axis_ez(m1, q);
    }
    for (int i = 2; i <= NR; ++i) {
      const long m = M(i, j);
      if (iflg(m) == 5.0f) continue;
      ev(1, m) = ev(1, m) + sjdg(1, m) * c.FACE * (hv(2, m - NR) - hv(2, m));
      line_ez(i, m);
    }
    if (IRD >= 2) {
      const long m = M(IRD, j);
      if (iflg(m) != 5.0f && sjdg(3, m) != 0.0f)
        ev(3, m) = ev(3, m) - 0.5f * q * c.ex1[IRD] / (c.FACQ * gr(IRD));
    }
  }
  nzin.JBPREV = JBACK;
  nzin.JFPREV = JFRONT;
  return cut;
}


// A left pipe of 1 cm up to z0 that widens along a cone to 3 cm, a flat top, a cone back
// to 2 cm and a right pipe up to zend: the cones give cut cells. Two radial zones (1 mm up
// to 1.5 cm, 2 mm above) so that gdr differs between neighbouring lines.
std::string cone_deck(float z0, float zend, const std::string &beam, const std::string &wake) {
  std::ostringstream d;
  d << " &FILE  LSAV=F, ITEST=0 /\n"
    << "CONES\n"
    << " &MESH  DDZ=0.001, DDR(1)=0.001, RMARK(1)=0.015, DDR(2)=0.002, RMARK(2)=0.03 /\n"
    << "#CAVITYSHAPE\n0.\n"
    << "0.0 0.0\n0.01 0.0\n0.01 " << z0 << "\n0.03 " << z0 + 0.02f << "\n0.03 " << z0 + 0.04f
    << "\n0.02 " << z0 + 0.05f << "\n0.02 " << zend << "\n0.0 " << zend << "\n0.0 0.0\n9999. 0.\n"
    << " &BEAM  SIG=0.003, MROT=0" << beam << " /\n"
    << " &TIME  MT=3 /\n"
    << " &WAKE  " << wake << " /\n"
    << " &PLOT  /\n &PRIN  /\nSTOP\n";
  return d.str();
}


} // namespace

TEST(StepReference, CellCodesAndThreadsGiveThePlainFormulas) {
  struct row {
    const char *what;
    std::string deck;
    bool big;   // a window of more than 32768 nodes: the loops run on the thread team
    bool moves; // the stored window moves (LCBACK)
  } rows[] = {
      {"ring at 5 mm, LCBACK", cone_deck(0.02f, 0.2f, ", RDRIVE=0.005", "UBT=0.02, LCBACK=T"), false,
       true},
      {"beam on the axis, LCBACK", cone_deck(0.02f, 0.12f, ", RDRIVE=0.0", "UBT=0.03, LCBACK=T"), false,
       true},
      // The ring on the wall of a long left pipe: the loop starts behind the pipe, and the
      // ring drives Ez once the wall recedes at the cone.
      {"ring on the wall, long left pipe without LCBACK", cone_deck(1.45f, 1.55f, "", "UBT=0.01, LCBACK=F"),
       true, false},
  };
  const int saved = omp_get_max_threads();
  for (const row &r : rows) {
    std::vector<float> got[3];
    long cut = 0;
    for (int run = 0; run < 3; ++run) {
      omp_set_num_threads(run == 2 ? 8 : 1);
      deck_setup(r.deck);
      ASSERT_GE(latc.NR, 10) << r.what;
      if (run == 0) {
        const refcoef c = ref_coefficients();
        for (int k = mp.KSTART; k <= wind.NT - 1; ++k) {
          cut += plain_step(c, k + 1);
          jmpbm(k, mp.KX, mp.NW, wkfld_held());
        }
      } else {
        long widest = 0;
        for (int k = mp.KSTART; k <= wind.NT - 1; ++k) {
          mefld(k + 1);
          jmpbm(k, mp.KX, mp.NW, wkfld_held());
          widest = std::max(widest, static_cast<long>(latc.NR) * (eline.JFRONT - eline.JBACK + 1));
        }
        EXPECT_EQ(widest > 32768, r.big) << r.what << ": widest window " << widest;
        // The coefficients of mefld are the quotients of their definition.
        const refcoef c = ref_coefficients();
        EXPECT_EQ(parcom.FACE, c.FACE);
        EXPECT_EQ(parcom.FACH, c.FACH);
        EXPECT_EQ(parcom.FACQ, c.FACQ);
        for (int i = 1; i <= latc.NR; ++i) EXPECT_EQ(cm3_data.ex1(i), c.ex1[i]) << "line " << i;
        for (int i = 2; i <= latc.NR; ++i) {
          EXPECT_EQ(cm3_data.ex4(i), c.ex4[i]) << "line " << i;
          EXPECT_EQ(cm3_data.ex5(i), c.ex5[i]) << "line " << i;
          EXPECT_EQ(cm3_data.ex6(i), c.ex6[i]) << "line " << i;
        }
      }
      EXPECT_EQ(lfrbk.IZMWL > 1, r.moves) << r.what;
      got[run] = solver_state();
    }
    EXPECT_GT(cut, 0) << r.what << ": no cut cell met";
    float wmax = 0.0f;
    for (int s = 1; s <= mp.NW; ++s) wmax = std::max(wmax, std::fabs(wzwy_data.wz(s)));
    EXPECT_GT(wmax, 0.0f) << r.what;
    EXPECT_TRUE(same_state(got[0], got[1])) << r.what << ": cell codes, 1 thread";
    EXPECT_TRUE(same_state(got[0], got[2])) << r.what << ": cell codes, 8 threads";
  }
  omp_set_num_threads(saved);
}
