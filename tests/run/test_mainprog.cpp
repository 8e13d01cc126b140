// The main program end to end: start lines, banners, end block, file names and the
// refusal to overwrite the input deck.
#include <gtest/gtest.h>
#include <unistd.h>

#include "../quiet_regex.hpp"

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

// A deck of three runs: the first from the deck, a continuation with WAKE (banner of
// run 2) and one with BEAM alone (no banner, no echo, but a time loop).
TEST(MainProgram, ContinuationRunsBannersAndRunLines) {
  const std::string deck =
      slurp(std::filesystem::path(ZELK_SOURCE_DIR) / "tests/run/data/mainprog_cont.in");
  // A second argument is ignored.
  run_result r = run_zelk(deck, "cont.in", "cont.in other.in", "OMP_NUM_THREADS=1");
  ASSERT_EQ(r.status, 0) << r.err_terminal;
  EXPECT_EQ(r.err_terminal, "");
  EXPECT_FALSE(std::filesystem::exists(r.dir / "other.out"));
  std::vector<std::string> runs;
  for (const std::string &t : lines_of(r.out_terminal))
    if (t.find("RUN STARTED") != std::string::npos) runs.push_back(t);
  EXPECT_EQ(runs, (std::vector<std::string>{" > THE  1ST RUN STARTED", " > THE  2ND RUN STARTED",
                                            " > THE  3RD RUN STARTED"}));

  std::vector<std::string> rep = lines_of(slurp(r.dir / "cont.out"));
  const std::string stars(76, '*'), frame = " *" + std::string(74, ' ') + "*";
  const std::vector<std::string> banner2 = {
      "1" + stars,
      frame,
      " * " + std::string(23, ' ') + "ZELK_MP" + std::string(3, ' ') + " 2ND RUN" + std::string(31, ' ') + " *",
      frame,
      " *   DATE:dd/mm/yy   TIME:hh.mm.ss    VERSION 12.5,  NOVEMBER 2007          *",
      frame,
      " " + stars,
      "",
  };
  // Only the first-run banner and the banner of run 2: the beam-only run prints none,
  // and its echo is missing too (one $BEAM echo in each of the first two runs).
  std::vector<std::size_t> at;
  int beam_echoes = 0;
  for (std::size_t k = 0; k < rep.size(); ++k) {
    if (rep[k] == banner2[0]) at.push_back(k);
    if (rep[k].find("ZELK_MP ") != std::string::npos && rep[k].find(" RUN ") != std::string::npos &&
        rep[k] != banner2[2])
      ADD_FAILURE() << "unexpected run banner record " << k + 1 << ": " << rep[k];
    beam_echoes += rep[k] == " $BEAM:";
  }
  ASSERT_EQ(at.size(), 1u) << "run banners";
  EXPECT_EQ(beam_echoes, 2);
  ASSERT_LE(at[0] + banner2.size(), rep.size());
  for (std::size_t k = 0; k < banner2.size(); ++k)
    EXPECT_EQ(mask(rep[at[0] + k]), banner2[k]) << "run banner record " << k + 1;
  EXPECT_EQ(mask(rep[rep.size() - 3]),
            " ZELK_MP ENDED WITHOUT ERROR       TOTAL CPU TIME USED:    ssss.s (S)");
}

// ITEST = 1: set-up and echo, no run line and no time step; the end block follows.
TEST(MainProgram, TestModeTakesNoStep) {
  std::string deck = deck_file("pillbox_small.in");
  deck.replace(deck.find("LSAV=F"), 6, "LSAV=F, ITEST=1");
  run_result r = run_zelk(deck, "t.in", "t.in");
  ASSERT_EQ(r.status, 0) << r.err_terminal;
  EXPECT_EQ(r.out_terminal.find("RUN STARTED"), std::string::npos) << r.out_terminal;
  EXPECT_EQ(r.out_terminal.find("OVER"), std::string::npos) << r.out_terminal;
  std::string rep = slurp(r.dir / "t.out");
  EXPECT_NE(rep.find(" $PRIN:"), std::string::npos);
  EXPECT_NE(rep.find(" ZELK_MP ENDED WITHOUT ERROR"), std::string::npos);
}

// LNAPOLY, MROT = 1 and LCRBW: the skip message after the echo, no time loop, and the
// control lines go on (here to the end block).
TEST(MainProgram, NapolyDipoleWithLcrbwSkipsTheRun) {
  std::string deck = deck_file("pillbox_small.in");
  deck.replace(deck.find("MROT=0"), 6, "MROT=1");
  deck.replace(deck.find("UBT=0.1 /"), 9, "UBT=0.1, LNAPOLY=T, LCRBW=T /");
  run_result r = run_zelk(deck, "s.in", "s.in");
  ASSERT_EQ(r.status, 0) << r.err_terminal;
  EXPECT_EQ(r.out_terminal.find("RUN STARTED"), std::string::npos) << r.out_terminal;
  std::vector<std::string> rep = lines_of(slurp(r.dir / "s.out"));
  ASSERT_GE(rep.size(), 9u);
  const std::vector<std::string> want = {
      "",
      " *** SKIP ***  LCRBW CANNOT BE TRUE WHEN LNAPOLY IS TRUE AND MROT=1 IN THIS VERSION OF ZELK.",
      "",
      "1",
  };
  for (std::size_t k = 0; k < want.size(); ++k)
    EXPECT_EQ(rep[rep.size() - 9 + k], want[k]) << "record " << rep.size() - 8 + k;
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
  // No argument and nothing typed at the prompt: no name, no files.
  run_result e = run_zelk("", "", "");
  EXPECT_EQ(e.status, 1);
  EXPECT_NE(e.err_terminal.find("zelk: no input file name"), std::string::npos) << e.err_terminal;
  EXPECT_FALSE(std::filesystem::exists(e.dir / "out"));
}

TEST(MainProgram, RefusesToOverwriteTheDeck) {
  // The report, table or plot file of these names would be the deck itself; "pot" has
  // no point and gives the names out, pot and top.
  const std::string deck = deck_file("pillbox_small.in");
  for (const char *name : {"case.out", "case.pot", "case.top", "pot"}) {
    SCOPED_TRACE(name);
    run_result r = run_zelk(deck, name, name);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err_terminal.find("would overwrite the input deck"), std::string::npos) << r.err_terminal;
    EXPECT_EQ(slurp(r.dir / name), deck);
    EXPECT_EQ(r.out_terminal, "");
    // Nothing is opened: no other output file appears.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(r.dir), {}), 4) << "deck, stdin, stdout, stderr";
  }
  // The same file under another name: the report name is a link to the deck.
  run_result r = run_zelk(deck, "deck.in", "deck.in", "ln -s deck.in deck.out &&");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err_terminal.find("would overwrite the input deck"), std::string::npos) << r.err_terminal;
  EXPECT_EQ(slurp(r.dir / "deck.in"), deck);
}
