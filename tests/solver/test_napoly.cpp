// Napoly wake integration on fields set directly: which line each column reads, the
// weights of the legs and of the dipole terms, the step frame shared with the straight
// line, and the column beyond the mesh.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "minirun.hpp"
#include "run/constants.hpp"

namespace {

// A mesh of NR = 12 lines (gr(i) = (i - 1)*h), NZ = 20 columns, a wake of 31 samples; the
// contour and its legs as the beam-pipe checks lay them out.
void nap_setup(int MTE, int IRPL, int IRPR, int IZCF, int IZCT, int IRWAK) {
  minirun_t c;
  c.NR = 12;
  c.NZ = 20;
  c.NUBT = 30;
  c.MTE = MTE;
  c.h = 0.5f;
  c.IRPL = IRPL;
  c.IRPR = IRPR;
  c.IRDRIVE = std::min(IRPL, IRPR);
  mini_setup(c);
  nap_data.sfg.alloc(msz.NRN);
  nap_data.slg.alloc(msz.NRN);
  napcom.NRNAP1 = napcom.NRNAP2 = 0;
  wprm.IZCF = IZCF;
  wprm.IZCT = IZCT;
  wprm.IRWAK = IRWAK;
  const int P[3] = {0, IRPL, IRPR};
  for (int k = 1; k <= 2; ++k) {
    wprm.SGNV(k) = IRWAK > P[k] ? -1.0f : 1.0f;
    wprm.IRVUP(k) = std::max(IRWAK, P[k]) - 1;
    wprm.IRVLO(k) = std::min(IRWAK, P[k]);
  }
  const float x = std::min(gr(IRPL), gr(IRPR)) / gr(IRWAK);
  wprm.XPX = x + 1.0f / x;
  wprm.XMX = x - 1.0f / x;
}

using field_fn = std::function<float(int i, int j)>;
// Component X (1 Er, 2 Ephi, 3 Ez, 4 Hr, 5 Hphi, 6 Hz) of every node held, from f.
void set_field(int X, const field_fn &f) {
  arr1<float> &a = X <= 3 ? he_data.e[X] : he_data.h[X - 3];
  a.fill(0.0f);
  for (int j = lfrbk.IZMWL; j <= lfrbk.IZMWR; ++j)
    for (int i = 1; i <= latc.NR; ++i) a(node(i, j)) = f(i, j);
}
void clear_fields() {
  for (int k = 1; k <= 3; ++k) {
    he_data.e[k].fill(0.0f);
    he_data.h[k].fill(0.0f);
  }
}

std::vector<float> wz_now() {
  std::vector<float> w;
  for (long s = 1; s <= wzwy_data.wz.size(); ++s) w.push_back(wzwy_data.wz(s));
  return w;
}

const double Z0 = cons.Z0;

} // namespace

// Monopole, unequal pipes (left on line 4, right on line 6), IRWAK = 2 below both, legs
// at IZCF = 5 (lines 2, 3) and IZCT = 10 (lines 2 .. 5). MTE = 2, KSTEP = 100: an ordinary
// step right after a crossing, with the whole mesh in the window; KX = 20, so column j
// feeds the witness s = 21 - j. A second contour, IRWAK = 8 above both pipes, turns the
// legs round (SGNV = -1). Each row sets one component and gives the sum it must add.
TEST(Napoly, MonopoleLinesAndLegs) {
  const double h = 0.5, CDT = h / 2.0, g = h / 2.0; // g = gdr/MTE
  struct row {
    const char *what;
    int IRWAK, X;
    field_fn f;
    std::function<double(int j)> want;
  } rows[] = {
      {"Ez: pipe, IRWAK, pipe, halves at the legs", 2, 3, [](int i, int) { return float(i); },
       [&](int j) {
         if (j < 5) return CDT * 4;
         if (j == 5) return 0.5 * CDT * 4 + 0.5 * CDT * 2;
         if (j < 10) return CDT * 2;
         if (j == 10) return 0.5 * CDT * 2 + 0.5 * CDT * 6;
         return CDT * 6;
       }},
      {"Er on the legs, averaged ahead", 2, 1, [](int i, int j) { return float(10 * i + j); },
       [&](int j) {
         if (j == 5) return -g * ((20 + 5.5) + (30 + 5.5));
         if (j == 10) return g * ((20 + 10.5) + (30 + 10.5) + (40 + 10.5) + (50 + 10.5));
         return 0.0;
       }},
      {"Hphi on the legs, 7:1 with the column behind", 2, 5, [](int, int j) { return float(j); },
       [&](int j) {
         if (j == 5) return -g * Z0 * 2 * (5 - 0.125);
         if (j == 10) return g * Z0 * 4 * (10 - 0.125);
         return 0.0;
       }},
      {"IRWAK above the pipes: legs turned round", 8, 1, [](int i, int) { return float(i); },
       [&](int j) {
         if (j == 5) return g * (4 + 5 + 6 + 7);
         if (j == 10) return -g * (6 + 7);
         return 0.0;
       }},
  };
  for (const row &r : rows) {
    SCOPED_TRACE(r.what);
    nap_setup(2, 4, 6, 5, 10, r.IRWAK);
    clear_fields();
    set_field(r.X, r.f);
    int KX = 20;
    napl1(100, KX, mp.NW, wkfld_held());
    EXPECT_EQ(KX, 20);
    for (int j = 1; j <= 20; ++j) {
      const double want = r.want(j);
      EXPECT_NEAR(wzwy_data.wz(21 - j), want, 1e-5 * std::fabs(want) + 1e-6) << "column " << j;
    }
    EXPECT_EQ(wzwy_data.wy(5), 0.0f);
  }
}

// Dipole, left pipe on line 6 (b1 = 2.5), right pipe on line 9 (b2 = 4), IRWAK = 5 below
// both (x = 2.5/2 = 1.25): the IRWAK part weighs Ez with XPX/2 and Hz extrapolated to
// IRWAK with XMX/2; the legs weigh (Er + Z0*Hphi) with KP and the line mean of
// (Ephi - Z0*Hr) with KM; the unequal-pipe term runs over lines 1 .. 4 at IZCT, the leg of
// the wider pipe. Same step as above.
TEST(Napoly, DipoleLinesLegsAndUnequalPipes) {
  const double h = 0.5, CDT = h / 2.0, g = h / 2.0;
  const double b1 = 2.5, b2 = 4.0, bm = 2.5, XPX = 1.25 + 0.8, XMX = 1.25 - 0.8;
  const double DLT = bm * (1 / (b2 * b2) - 1 / (b1 * b1));
  auto r_of = [&](int i) { return (i - 1) * h + h / 2; };
  auto KP = [&](double b, int i) { return bm / b * (b / r_of(i) + r_of(i) / b); };
  auto KM = [&](double b, int i) { return bm / b * (b / r_of(i) - r_of(i) / b); };
  auto part = [&](int j, double ez_pipe_l, double ez_wak, double ez_pipe_r) {
    double v = 0.0;
    const double w = (j == 5 || j == 10) ? 0.5 : 1.0;
    if (j <= 5) v += w * CDT * ez_pipe_l;
    if (j >= 10) v += w * CDT * ez_pipe_r;
    if (j >= 5 && j <= 10) v += w * CDT * ez_wak;
    return v;
  };
  // E = Er~ + Z0*Hphi~ on cell i, PR = mean of Ephi~ - Z0*Hr~ over lines i, i + 1.
  auto legs = [&](int j, std::function<double(int)> E, std::function<double(int)> PR) {
    double v = 0.0;
    if (j == 5) v -= g / 2 * KP(b1, 5) * E(5) + g / 2 * KM(b1, 5) * PR(5);
    if (j == 10) {
      for (int i = 5; i <= 8; ++i) v += g / 2 * (KP(b2, i) * E(i) + KM(b2, i) * PR(i));
      for (int i = 1; i <= 4; ++i) v += g / 2 * DLT * r_of(i) * (E(i) - PR(i));
    }
    return v;
  };
  struct row {
    const char *what;
    int X;
    field_fn f;
    std::function<double(int j)> want;
  } rows[] = {
      {"Ez", 3, [](int i, int) { return float(i); },
       [&](int j) { return part(j, 6, XPX / 2 * 5, 9); }},
      {"Hz extrapolated to IRWAK", 6, [](int i, int j) { return float(i * i + j); },
       // Y(j) = (3*(16 + j) - (9 + j))/2 = 19.5 + j, averaged with j + 1
       [&](int j) { return part(j, 0, -XMX / 2 * Z0 * (20.0 + j), 0); }},
      {"Er", 1, [](int i, int) { return float(10 * i); },
       [&](int j) { return legs(j, [](int i) { return 10.0 * i; }, [](int) { return 0.0; }); }},
      {"Hphi", 5, [](int, int j) { return float(j); },
       [&](int j) { return legs(j, [&](int) { return Z0 * (j - 0.125); }, [](int) { return 0.0; }); }},
      {"Ephi", 2, [](int i, int) { return float(i); },
       [&](int j) { return legs(j, [](int) { return 0.0; }, [](int i) { return i + 0.5; }); }},
      {"Hr", 4, [](int, int j) { return float(j); },
       [&](int j) { return legs(j, [](int) { return 0.0; }, [&](int) { return -Z0 * (j - 0.125); }); }},
  };
  for (const row &r : rows) {
    SCOPED_TRACE(r.what);
    nap_setup(2, 6, 9, 5, 10, 5);
    wpl.MROT = 1;
    clear_fields();
    set_field(r.X, r.f);
    int KX = 20;
    napl2(100, KX, mp.NW, wkfld_held());
    EXPECT_EQ(KX, 20);
    for (int j = 1; j <= 20; ++j) {
      const double want = r.want(j);
      EXPECT_NEAR(wzwy_data.wz(21 - j), want, 2e-5 * std::fabs(want) + 1e-4) << "column " << j;
    }
    wpl.MROT = 0;
  }
}

// The left pipe is the wider one: the unequal-pipe term moves to IZCF, with the weight
// abs(slg(i))/2 though slg is negative here (IRWAK above the right pipe). Er = 1 on the
// lines 1 .. 6: the term takes lines 1 .. IRWAK - 1 = 6, the left leg (lines 7, 8) sees
// none, the right leg (line 6) its share with the sign of slg.
TEST(Napoly, DipoleUnequalPipeTermAtTheWiderPipe) {
  nap_setup(2, 9, 6, 5, 10, 7);
  ASSERT_EQ(wprm.SGNV(2), -1.0f);
  clear_fields();
  set_field(1, [](int i, int) { return i <= 6 ? 1.0f : 0.0f; });
  int KX = 20;
  napl2(100, KX, mp.NW, wkfld_held());
  const double h = 0.5, g = h / 2.0, b1 = 4.0, b2 = 2.5, bm = 2.5;
  const double DLT = bm * (1 / (b2 * b2) - 1 / (b1 * b1));
  auto r_of = [&](int i) { return (i - 1) * h + h / 2; };
  double unequal = 0.0;
  for (int i = 1; i <= 6; ++i) unequal += g / 2 * DLT * r_of(i);
  const double G = b2 / r_of(6), right = -g / 2 * (bm / b2) * (G + 1 / G);
  EXPECT_NEAR(wzwy_data.wz(21 - 5), unequal, 1e-5 * std::fabs(unequal));
  EXPECT_NEAR(wzwy_data.wz(21 - 10), right, 1e-5 * std::fabs(right));
}

// The step frame is that of the straight line: with equal pipes and the contour on the
// pipe line the Napoly sums are those of jmpbm, step by step, for MTE = 1 (every step a
// crossing step), 2 and 3, and KX runs alike.
TEST(Napoly, EqualPipesFollowTheStraightLineStepByStep) {
  for (int MTE : {1, 2, 3}) {
    for (int mode = 0; mode <= 1; ++mode) {
      SCOPED_TRACE(testing::Message() << "MTE " << MTE << (mode ? " napl2" : " napl1"));
      std::vector<float> res[2];
      int kx[2];
      for (int r = 0; r < 2; ++r) {
        nap_setup(MTE, 6, 6, 4, 12, 6);
        ASSERT_EQ(wprm.IRVLO(1), 6);
        ASSERT_EQ(wprm.IRVUP(1), 5); // no leg
        for (int X = 1; X <= 6; ++X)
          set_field(X, [X](int i, int j) { return float(((7 * i + 3 * j + X) % 11) - 5); });
        int KX = 1;
        for (int k = 0; k < 30 * MTE; ++k) {
          if (r == 0) jmpbm(k, KX, mp.NW, wkfld_held());
          else if (mode == 0) napl1(k, KX, mp.NW, wkfld_held());
          else napl2(k, KX, mp.NW, wkfld_held());
        }
        kx[r] = KX;
        res[r] = wz_now();
      }
      EXPECT_EQ(kx[0], kx[1]);
      EXPECT_EQ(kx[1], 31);
      for (std::size_t s = 0; s < res[0].size(); ++s)
        EXPECT_NEAR(res[1][s], res[0][s], 1e-5f * (std::fabs(res[0][s]) + 1.0f)) << "s = " << s + 1;
    }
  }
}

// A crossing step whose columns all lie outside the witness range adds nothing and still
// raises KX; so does every step with MTE = 1.
TEST(Napoly, CrossingStepOutsideTheWitnessRangeRaisesKX) {
  for (int MTE : {1, 3}) {
    for (int mode = 0; mode <= 1; ++mode) {
      SCOPED_TRACE(testing::Message() << "MTE " << MTE << (mode ? " napl2" : " napl1"));
      nap_setup(MTE, 6, 9, 5, 10, 5);
      for (int X = 1; X <= 6; ++X) set_field(X, [](int, int) { return 1.0f; });
      int KX = 1000; // s = KX - j + 1 > NW + 2 for every column
      const int k = 3 * MTE - 1;
      if (mode == 0) napl1(k, KX, mp.NW, wkfld_held());
      else napl2(k, KX, mp.NW, wkfld_held());
      EXPECT_EQ(KX, 1001);
      for (float w : wz_now()) EXPECT_EQ(w, 0.0f);
    }
  }
}

// IZCT = NZ: in a crossing step the IRWAK part at column NZ - 1 averages Hz over NZ - 1,
// NZ and the column beyond the mesh, which counts as 0 although the stored window holds
// it. Filling that column (every component) with a large value changes no wake sample.
TEST(Napoly, ColumnBeyondTheMeshIsNotRead) {
  for (int mode = 0; mode <= 1; ++mode) {
    SCOPED_TRACE(mode ? "napl2" : "napl1");
    std::vector<float> res[2];
    for (int r = 0; r < 2; ++r) {
      nap_setup(2, 6, 9, 5, 20, 5);
      ASSERT_GE(lfrbk.IZMWR, 22);
      for (int X = 1; X <= 6; ++X)
        set_field(X, [r](int i, int j) { return j > 20 ? (r ? 1.0e30f : 0.0f) : float(i + j); });
      int KX = 20;
      if (mode == 0) napl1(101, KX, mp.NW, wkfld_held());
      else napl2(101, KX, mp.NW, wkfld_held());
      EXPECT_EQ(KX, 21);
      res[r] = wz_now();
    }
    EXPECT_NE(res[0][1], 0.0f); // column NZ - 1 feeds s = 2
    EXPECT_EQ(std::memcmp(res[0].data(), res[1].data(), res[0].size() * sizeof(float)), 0);
  }
  // The value at NZ - 1 in the dipole: Y(NZ - 1) + 2*Y(NZ) + 0, over 4.
  nap_setup(2, 6, 9, 5, 20, 5);
  clear_fields();
  set_field(6, [](int i, int j) { return j == 19 || j == 20 ? 2.0f : (j > 20 ? 1.0e30f : 0.0f); });
  int KX = 20;
  napl2(101, KX, mp.NW, wkfld_held());
  const double CDT = 0.25, XMX = 1.25 - 0.8; // Y = (3*2 - 2)/2 = 2 on both columns
  EXPECT_NEAR(wzwy_data.wz(2), -CDT * XMX / 2 * Z0 * (2 + 2 * 2 + 0) / 4.0, 1e-3);
  EXPECT_NEAR(wzwy_data.wz(1), 0.5 * -CDT * XMX / 2 * Z0 * 2, 1e-3); // column NZ: Y alone
}
