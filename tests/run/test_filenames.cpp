// Output names follow the first point of the deck's own name and go beside the deck;
// run-number suffixes.
#include <gtest/gtest.h>

#include "run/banners.hpp"
#include "run/filenames.hpp"

TEST(FileNames, FirstPointOfTheDecksOwnName) {
  struct { const char *in, *out; } cases[] = {
      {"case.in", "case.out"},
      {"a.b.in", "a.out"},
      {"./case.in", "./case.out"},
      {"runs.v2/case.in", "runs.v2/case.out"},
      {"/tmp/a.b/c.d.in", "/tmp/a.b/c.out"},
      {"noext", "out"},
      {"dir.x/noext", "dir.x/out"},
      {"pillbox.", "pillbox.out"},
      {"../.hidden", "../.out"},
  };
  for (auto &c : cases) EXPECT_EQ(output_name(c.in, "out"), c.out) << c.in;
  EXPECT_EQ(output_name("case.in", "pot"), "case.pot");
  EXPECT_EQ(output_name("case.in", "top"), "case.top");
}

TEST(FileNames, RunSuffix) {
  struct { int n; const char *s; } cases[] = {{1, "ST"}, {2, "ND"}, {3, "RD"}, {4, "TH"},
                                              {11, "TH"}, {21, "TH"}, {22, "TH"}, {23, "TH"}};
  for (auto &c : cases) EXPECT_STREQ(run_suffix(c.n), c.s) << c.n;
}
