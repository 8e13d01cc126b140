// Helpers of the deck and geometry-line tests: fresh defaults, a deck in memory, the
// report in memory, and the report of a run that ends with a stop.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "geometry/mesh.hpp"
#include "run/constants.hpp"
#include "run/deck.hpp"
#include "run/params.hpp"
#include "run/units.hpp"

// Every group default, RZ not given, no mesh, no contour; report in memory.
inline void fresh_inputs() {
  prmini();
  rzinit();
  irdini();
  latc.SIG = 0.0f;
  mp.IZL = mp.IZR = -77; // no default: a mark that shows whether BOUN was read
  latc.NPTS = 0;
  lat2.NLAST = 0;
  mp.NLINES = 0;
  for (long k = 1; k <= MAXPTS; ++k) geo.RR(k) = geo.ZZ(k) = 0.0f;
  uopen_mem(ndev.NOUT);
}

inline void deck(const std::string &text) { uopen_in_text(ndev.NIN, text, "test.in"); }
inline const std::vector<std::string> &report() { return umem(ndev.NOUT); }

// A geometry line as stored and echoed: 72 columns.
inline std::string col72(const std::string &s) {
  std::string r = s.substr(0, std::min<std::size_t>(s.size(), 72));
  r.resize(72, ' ');
  return r;
}

inline std::string read_deck_file(const std::string &name) {
  std::ifstream f(std::string(ZELK_SOURCE_DIR) + "/tests/decks/" + name);
  EXPECT_TRUE(f.good()) << name;
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// Runs body on the deck text in a child process with the report written to a file,
// expects exit status 1 with a standard-error text matching err, and returns the
// report records.
inline std::vector<std::string> stop_report(const std::string &text, const std::function<void()> &body,
                                            const char *err = "") {
  // The child runs only the current test, so the file is named by the test and by the
  // number of the stop within it, which parent and child count alike.
  static std::map<std::string, int> serial;
  const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string test = std::string(info->test_suite_name()) + "." + info->name();
  const std::string path = ::testing::TempDir() + "zelk_stop_" + test + "_" +
                           std::to_string(++serial[test]) + ".out";
  std::remove(path.c_str());
  // Other tests leave worker threads behind: start the child afresh instead of forking.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        uopen_in_text(ndev.NIN, text, "test.in");
        uopen_out(ndev.NOUT, path);
        body();
        uflush_all();
        std::exit(0);
      },
      ::testing::ExitedWithCode(1), err);
  std::vector<std::string> out;
  std::ifstream f(path);
  for (std::string l; std::getline(f, l);) out.push_back(l);
  std::remove(path.c_str());
  return out;
}
