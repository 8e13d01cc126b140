// Delay lines and the two open ends.
#include <gtest/gtest.h>

#include <cmath>

#include "minirun.hpp"
#include "run/constants.hpp"

// A push moves the 2*MTE + 1 newest slots down by one and puts the new value into slot
// 40; the older slots stay as they are.
TEST(OpenEnds, PushMovesOnlyTheUsedSlots) {
  for (int MTE : {1, 3, 19}) {
    minirun_t c;
    c.MTE = MTE;
    c.IRPL = c.IRPR = c.IRDRIVE = 4; // ring on the wall: no beam terms
    mini_setup(c);
    for (int s = 1; s <= NPT; ++s)
      for (int i = 1; i <= c.NR + 1; ++i)
        for (int k = 1; k <= 2; ++k) {
          stk_data.hvstk(i, k, s) = stk_data.hvstk1(i, k, s) = static_cast<float>(s);
          stk_data.hvstl(i, k, s) = stk_data.hvstl1(i, k, s) = static_cast<float>(s);
        }
    for (int i = 1; i <= c.NR; ++i) {
      hv(1, node(i, 1)) = 100.0f + i;
      hv(2, node(i, 1)) = 200.0f + i;
      hv(2, node(i, 2)) = 300.0f + i;
      hv(2, node(i, c.NZ - 1)) = 400.0f + i;
      hv(2, node(i, c.NZ - 2)) = 500.0f + i;
    }
    push_left(5);
    push_right();
    for (int i = 1; i <= 3; ++i) {
      for (int s = 1; s < NPT; ++s) {
        const float want = s >= 39 - 2 * MTE ? s + 1.0f : static_cast<float>(s);
        ASSERT_EQ(stk_data.hvstk(i, 2, s), want) << "MTE " << MTE << " slot " << s;
        ASSERT_EQ(stk_data.hvstl1(i, 1, s), want) << "MTE " << MTE << " slot " << s;
      }
      EXPECT_EQ(stk_data.hvstk(i, 1, NPT), 100.0f + i);
      EXPECT_EQ(stk_data.hvstk(i, 2, NPT), 200.0f + i);
      EXPECT_EQ(stk_data.hvstk1(i, 2, NPT), 300.0f + i);
      EXPECT_EQ(stk_data.hvstl(i, 2, NPT), 400.0f + i);
      EXPECT_EQ(stk_data.hvstl1(i, 2, NPT), 500.0f + i);
    }
    // Lines at and above the pipe radius have no delay line.
    EXPECT_EQ(stk_data.hvstk(4, 2, NPT), static_cast<float>(NPT));
    EXPECT_EQ(stk_data.hvstl(4, 2, NPT), static_cast<float>(NPT));
  }
}

// With columns 1 and 2 holding only the bunch's own pipe field after every step, the
// ghost column receives that field one column before column 1: F*qkst(K + 2). Below the
// drive ring the ghost is the plain extrapolation 2*Hphi(1) - Hphi(2) of earlier steps.
TEST(OpenEnds, GhostColumnCarriesTheBunchField) {
  for (int MTE : {1, 3}) {
    minirun_t c;
    c.MTE = MTE;
    c.NR = 8;
    c.IRPL = c.IRPR = 6;
    c.IRDRIVE = 3;
    c.NZ = 60;
    mini_setup(c);
    qkar.NQ = 20;
    for (int q = 1; q <= qkar.NQ; ++q) wzwy_data.qkst(q) = std::exp(-0.05f * (q - 8) * (q - 8)) * 50.0f;
    auto F = [](int i) { return cons.CLIGHT / (cons.PI * (gr(i) + gr(i + 1))); };
    auto below = [](int i, int j, int p) { return 1.0f + 0.5f * i + 0.25f * j + 0.125f * p; };
    for (int n = 1; n <= 40 * MTE / 3 + 20; ++n) {
      const int p = n - 1; // the push of step n takes the field after step n - 1
      for (int i = 1; i <= 5; ++i)
        for (int j = 1; j <= 2; ++j) {
          float v = 0.0f;
          if (i >= c.IRDRIVE && p >= 1) v = F(i) * qkval((p - 1) / MTE - j + 2);
          if (i < c.IRDRIVE) v = below(i, j, p);
          hv(2, node(i, j)) = v;
          hv(1, node(i, j)) = v;
        }
      push_left(n);
      if (n <= 2 * MTE) continue;
      const int K = (n - 1) / MTE;
      for (int i = c.IRDRIVE; i <= 5; ++i) {
        const float want = F(i) * qkval(K + 2);
        EXPECT_NEAR(left_ghost(2, i), want, 2e-6f * F(i) * 50.0f) << "MTE " << MTE << " n " << n << " i " << i;
      }
      for (int i = 1; i < c.IRDRIVE; ++i)
        EXPECT_FLOAT_EQ(left_ghost(2, i), 2.0f * below(i, 1, n - MTE) - below(i, 2, n - 2 * MTE))
            << "MTE " << MTE << " n " << n << " i " << i;
    }
  }
}

// The right end: Hphi(NZ) = 2*Hphi(NZ - 1) of MTE steps ago - Hphi(NZ - 2) of 2*MTE steps
// ago, below the right pipe radius only.
TEST(OpenEnds, RightEndExtrapolatesOutgoingWave) {
  for (int MTE : {1, 3}) {
    minirun_t c;
    c.MTE = MTE;
    c.NR = 8;
    c.IRPL = 6;
    c.IRPR = 5;
    c.NZ = 30;
    mini_setup(c);
    auto u = [](int i, int p) { return 1000.0f + 10.0f * i + p; };
    auto v = [](int i, int p) { return 3000.0f + 10.0f * i + 2.0f * p; };
    for (int i = 1; i <= c.NR; ++i) hv(2, node(i, c.NZ)) = -1.0f;
    for (int n = 1; n <= 3 * MTE; ++n) {
      for (int i = 1; i <= c.NR; ++i) {
        hv(2, node(i, c.NZ - 1)) = u(i, n - 1);
        hv(2, node(i, c.NZ - 2)) = v(i, n - 1);
      }
      push_right();
    }
    right_end();
    const int n = 3 * MTE;
    for (int i = 1; i <= 4; ++i)
      EXPECT_EQ(hv(2, node(i, c.NZ)), 2.0f * u(i, n - MTE) - v(i, n - 2 * MTE)) << "MTE " << MTE;
    for (int i = 5; i <= c.NR; ++i) EXPECT_EQ(hv(2, node(i, c.NZ)), -1.0f);
  }
}

TEST(OpenEnds, TableReadsOutsideTheBunchAreZero) {
  minirun_t c;
  mini_setup(c);
  qkar.NQ = 5;
  for (int q = 1; q <= msz.MSZQ; ++q) wzwy_data.qkst(q) = 1.0f;
  EXPECT_EQ(qkval(0), 0.0f);
  EXPECT_EQ(qkval(-3), 0.0f);
  EXPECT_EQ(qkval(5), 1.0f);
  EXPECT_EQ(qkval(6), 0.0f);
  qkar.NQ = msz.MSZQ + 10; // a table shorter than the bunch
  EXPECT_EQ(qkval(msz.MSZQ + 1), 0.0f);
}
