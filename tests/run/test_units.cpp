// Text units: backspace, rewind and the end of an input unit.
#include <gtest/gtest.h>

#include "run/units.hpp"

TEST(Units, BackspaceRereadsTheLastRecord) {
  uopen_in_text(15, "one\ntwo\nthree\n");
  std::string r;
  ASSERT_TRUE(uget(15, r));
  ASSERT_TRUE(uget(15, r));
  EXPECT_EQ(r, "two");
  ubackspace(15);
  ASSERT_TRUE(uget(15, r));
  EXPECT_EQ(r, "two");
  EXPECT_EQ(urecno(15), 2);
  urewind(15);
  ASSERT_TRUE(uget(15, r));
  EXPECT_EQ(r, "one");
  ASSERT_TRUE(uget(15, r));
  ASSERT_TRUE(uget(15, r));
  EXPECT_FALSE(uget(15, r));
  uclose(15);
}
