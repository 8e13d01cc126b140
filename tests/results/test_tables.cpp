// Table file blocks of the wake potentials and spectra, record for record as gfortran
// writes them (data/gen_wakes.f90).
#include <gtest/gtest.h>

#include "results/tables.hpp"
#include "run/units.hpp"
#include "wake_fixture.hpp"

namespace {
void expect_records(const std::string &name) {
  const std::vector<std::string> &got = umem(ndev.NPOT);
  const std::vector<std::string> &want = wakes_expected(name);
  ASSERT_FALSE(want.empty()) << name;
  ASSERT_EQ(got.size(), want.size()) << name;
  for (std::size_t k = 0; k < want.size(); ++k) EXPECT_EQ(got[k], want[k]) << name << " record " << k + 1;
}
} // namespace

// Title padded from nine texts of 8, S from 0 in steps of DDZ, the scale on the values
// only, a block of N + 6 records ending in one blank.
TEST(TableFile, WakeBlock) {
  wcase c;
  c.MROT = 1;
  wake_setup(c);
  arr1<float> W(9);
  for (int k = 1; k <= 9; ++k) W(k) = static_cast<float>(k) * 3.0e9f - 7.5e9f;
  wprin(mp.TITLE, W, 4, 2, 2.5e-10f);
  expect_records("wprin");
}

TEST(TableFile, EmptyWakeBlockKeepsItsSixRecords) {
  wcase c;
  c.MROT = 1;
  wake_setup(c);
  arr1<float> W(5);
  wprin(mp.TITLE, W, 0, 5, 1.0e-12f);
  expect_records("wprin0");
}

TEST(TableFile, SpectrumBlock) {
  wcase c;
  c.MROT = 0;
  wake_setup(c);
  arr1<float> FR(3), Y(3);
  for (int i = 1; i <= 3; ++i) {
    FR(i) = static_cast<float>(i - 1) * 0.0625f;
    Y(i) = -static_cast<float>(i) * 1.0e-3f + 0.5e-3f;
  }
  zprin(mp.TITLE, FR, Y, 3, 12);
  expect_records("zprin");
}

// Blocks follow one another in the order of the calls, nothing between them.
TEST(TableFile, BlocksFollowInCallOrder) {
  wcase c;
  wake_setup(c);
  arr1<float> W(3), FR(2), Y(2);
  wprin(mp.TITLE, W, 3, 1, 1.0e-12f);
  zprin(mp.TITLE, FR, Y, 2, 5);
  const std::vector<std::string> &t = umem(ndev.NPOT);
  ASSERT_EQ(t.size(), 9u + 8u);
  EXPECT_EQ(t[0], "  TITLE: LONGITUDINAL WAKE POTENTIAL             ");
  EXPECT_EQ(t[8], " ");
  EXPECT_EQ(t[9], "  TITLE: REAL PART OF LONGITUDINAL IMPEDANCE                      ");
  EXPECT_EQ(t[13], "  Freq. f (GHz) Real Z (kOhm)    ");
  EXPECT_EQ(t[16], " ");
}
