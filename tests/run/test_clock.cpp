// CPU time marks and the date and time texts.
#include <gtest/gtest.h>

#include "../quiet_regex.hpp"

#include "run/clock.hpp"
#include "run/params.hpp"

TEST(Clock, LapsAndTotalDivideByTheThreadCount) {
  float t = -1.0f;
  cputim(t, 1);
  EXPECT_EQ(t, -1.0f); // the start mark returns nothing
  EXPECT_GE(cput.NTHRD, 1);
  volatile double x = 0.0;
  for (int k = 0; k < 20000000; ++k) x = x + 1.0e-9 * k;
  float lap = 0.0f, total = 0.0f;
  cputim(lap, 2);
  cputim(total, 3);
  EXPECT_GT(lap, 0.0f);
  EXPECT_GE(total, lap);
  float lap2 = 0.0f;
  cputim(lap2, 2);
  EXPECT_LT(lap2, lap); // the second lap starts at the first lap's mark
}

TEST(Clock, DateAndTimeTexts) {
  std::string d, t;
  datime(d, t);
  EXPECT_TRUE(std::regex_match(d, std::regex("[ 1-3][0-9]/[ 1][0-9]/[0-9][0-9]"))) << d;
  EXPECT_TRUE(std::regex_match(t, std::regex("[0-2][0-9]\\.[0-5][0-9]\\.[0-6][0-9]"))) << t;
}
