// The main program end to end: start lines, banners, end block, file names and the
// refusal to overwrite the input deck.
#include <gtest/gtest.h>
#include <unistd.h>

#include <regex>

#include "run_binary.hpp"

namespace {

// Masks the date, time and CPU-time fields of report records.
std::string mask(std::string s) {
  s = std::regex_replace(s, std::regex("DATE:.{8}   TIME:.{8}"), "DATE:dd/mm/yy   TIME:hh.mm.ss");
  s = std::regex_replace(s, std::regex("TOTAL CPU TIME USED:.{10}"), "TOTAL CPU TIME USED:    ssss.s");
  return s;
}

} // namespace

TEST(MainProgram, BannerAndEndBlock) {
  run_result r = run_zelk(deck_file("pillbox_small.in"), "pillbox.in", "pillbox.in", "OMP_NUM_THREADS=1");
  ASSERT_EQ(r.status, 0) << r.err_terminal;
  EXPECT_EQ(r.err_terminal, "");
  std::vector<std::string> term = lines_of(r.out_terminal);
  ASSERT_GE(term.size(), 3u);
  EXPECT_EQ(term[0], " > ZELK_MP_12.5 IS NOW RUNNING. PLEASE WAIT...");
  EXPECT_EQ(term[1], " > NUMBER OF CORES (OR THREADS) =  1");
  EXPECT_EQ(term[2], " > THE  1ST RUN STARTED");
  std::vector<std::string> rep = lines_of(slurp(r.dir / "pillbox.out"));
  ASSERT_GE(rep.size(), 18u);
  const std::string stars(76, '*'), frame = " *" + std::string(74, ' ') + "*";
  std::vector<std::string> banner = {
      " " + stars,
      frame,
      " * " + std::string(29, ' ') + "ZELK_MP" + std::string(36, ' ') + " *",
      frame,
      " * Vornalis in a cylindrically symmetric structure" + std::string(25, ' ') + " *",
      frame,
      " * SMALL PILLBOX FOR THE RUN SEQUENCE TESTS" + std::string(32, ' ') + " *",
      frame,
      " *     DATE:dd/mm/yy   TIME:hh.mm.ss    VERSION 12.5,  NOVEMBER 2007        *",
      frame,
      " " + stars,
      "",
  };
  for (std::size_t k = 0; k < banner.size(); ++k) EXPECT_EQ(mask(rep[k]), banner[k]) << "record " << k + 1;
  std::vector<std::string> end = {
      "1",
      " " + std::string(130, '*'),
      "",
      " ZELK_MP ENDED WITHOUT ERROR       TOTAL CPU TIME USED:    ssss.s (S)",
      "",
      " " + std::string(130, '*'),
  };
  std::vector<std::string> tail(rep.end() - 6, rep.end());
  for (std::size_t k = 0; k < end.size(); ++k) EXPECT_EQ(mask(tail[k]), end[k]) << "end record " << k + 1;
  EXPECT_TRUE(std::filesystem::exists(r.dir / "pillbox.pot"));
  EXPECT_TRUE(std::filesystem::exists(r.dir / "pillbox.top"));
}

TEST(MainProgram, NameFromThePromptAndNamesWithoutPoint) {
  run_result r = run_zelk(deck_file("pillbox_small.in"), "deck", "", "", "deck\n");
  ASSERT_EQ(r.status, 0) << r.err_terminal;
  EXPECT_EQ(r.out_terminal.substr(0, 46), " \n  Please enter the name of the input file.\n ");
  EXPECT_TRUE(std::filesystem::exists(r.dir / "out"));
  EXPECT_TRUE(std::filesystem::exists(r.dir / "pot"));
  EXPECT_TRUE(std::filesystem::exists(r.dir / "top"));
}

TEST(MainProgram, MissingDeckIsAFatalReadError) {
  run_result r = run_zelk("", "", "nosuch.in");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err_terminal.find("zelk: nosuch.in"), std::string::npos) << r.err_terminal;
  EXPECT_FALSE(std::filesystem::exists(r.dir / "nosuch.out"));
}

TEST(MainProgram, RefusesToOverwriteTheDeck) {
  // The report of "case.out" would be "case.out" itself.
  const std::string deck = deck_file("pillbox_small.in");
  run_result r = run_zelk(deck, "case.out", "case.out");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err_terminal.find("would overwrite the input deck"), std::string::npos) << r.err_terminal;
  EXPECT_EQ(slurp(r.dir / "case.out"), deck);
}
