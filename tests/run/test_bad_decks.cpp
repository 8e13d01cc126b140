// Bad decks end cleanly: each reproducer deck of tests/decks stops with its record on the
// report, exit status 1, the report named on standard error, and no NaN or Infinity in
// any output file. Also the output files: names beside the deck, all three checked
// writable before any is emptied.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include "../quiet_regex.hpp"

#include "deck_test_util.hpp"
#include "run/records.hpp"
#include "run/stops.hpp"
#include "run_binary.hpp"

namespace fs = std::filesystem;

namespace {

// The numbers of a sanitizer build need its shadow memory: no address-space limit there.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// The last "*** STOP ***" record of a report.
std::string last_stop(const std::string &report) {
  std::string found;
  for (const std::string &l : lines_of(report))
    if (l.find("*** STOP ***") != std::string::npos) found = l;
  return found;
}

// A NaN or an infinity written as a number anywhere in the text.
bool has_nonfinite(const std::string &text) {
  for (const char *s : {"NaN", "Inf", "nan", "inf"})
    if (text.find(s) != std::string::npos) return true;
  return false;
}

fs::path fresh_dir() {
  static int n = 0;
  const fs::path d = fs::temp_directory_path() /
                     ("zelk_bad_" + std::to_string(::getpid()) + "_" + std::to_string(n++));
  fs::remove_all(d);
  fs::create_directories(d);
  return d;
}

// Runs `pre zelk arg` in the folder, standard input empty; the exit status.
int run_in(const fs::path &dir, const std::string &arg, const std::string &pre = "") {
  const std::string cmd = "cd '" + dir.string() + "' && " + pre + " OMP_NUM_THREADS=2 '" + ZELK_BINARY + "' " +
                          arg + " < /dev/null > stdout.txt 2> stderr.txt";
  const int rc = std::system(cmd.c_str());
  return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

void expect_stop(const std::string &deck, const std::string &want, const std::string &pre = "") {
  SCOPED_TRACE(deck);
  const fs::path dir = fresh_dir();
  std::ofstream(dir / "case.in", std::ios::binary) << deck_file(deck);
  EXPECT_EQ(run_in(dir, "case.in", pre), 1);
  EXPECT_EQ(slurp(dir / "stderr.txt"), "zelk: run stopped, see case.out\n");
  EXPECT_EQ(last_stop(slurp(dir / "case.out")), want);
  for (const char *f : {"case.out", "case.pot", "case.top"})
    EXPECT_FALSE(has_nonfinite(slurp(dir / f))) << f;
  fs::remove_all(dir);
}

} // namespace

// Coordinates, arc radii and mesh steps that no mesh can hold stop where they enter,
// before an index is rounded from them.
TEST(BadDecks, GeometryAndMeshRanges) {
  const std::string beyond = " SPANS MORE THAN 16777216 MESH STEPS OR 1.0E9 M, MORE THAN THE MESH CAN HOLD.";
  const struct {
    const char *deck;
    std::string stop;
  } cases[] = {
      {"bad_point_far_z.in", " *** STOP *** Z OF CONTOUR LINE 7 =  0.10000E+39" + beyond},
      {"bad_point_negative_z.in", " *** STOP *** Z OF CONTOUR LINE 1 = -0.21475E+10" + beyond},
      {"bad_radius_huge.in", " *** STOP *** R OF CONTOUR LINE 4 =  0.10000E+12" + beyond},
      {"bad_circle_radius_huge.in", " *** STOP *** RADIUS OF THE CIRCLE ON CONTOUR LINE 5 =  0.34000E+39" + beyond},
      {"bad_circle_radius_negative.in",
       " *** STOP *** RADIUS OF THE CIRCLE ON CONTOUR LINE 5 = -0.20000E+10" + beyond},
      {"bad_ddz_tiny.in",
       " *** STOP *** DDZ =  0.14013E-44 GIVES MORE THAN 16777216 Z MESH STEPS OVER THE LENGTH OF THE STRUCTURE."},
      {"bad_ddz_huge.in", " *** STOP *** DDZ =  0.34000E+39 IS LONGER THAN THE STRUCTURE: IT GIVES NO Z MESH STEP."},
      {"bad_ddr_huge.in",
       " *** STOP *** DDR(1) =  0.34000E+39 LEAVES FEWER THAN 2 RADIAL MESH LINES UP TO R =  0.10000     M."},
      {"bad_slanted_left_end.in",
       " *** STOP *** Z OF CONTOUR LINE 2 =  0.60000E-02 DIFFERS FROM Z OF LINE 1 =   0.0000    : THE LEFT END "
       "FACE MUST BE PERPENDICULAR TO THE AXIS."},
      {"bad_wall_below_axis.in",
       " *** STOP *** R OF CONTOUR LINE 4 = -0.50000E-01 LIES BELOW THE AXIS: THE WALL MUST STAY AT R >= 0."},
      // The same in absolute input: a cavity corner and a pipe start given below the axis.
      {"bad_corner_below_axis.in",
       " *** STOP *** R OF CONTOUR LINE 4 = -0.10000     LIES BELOW THE AXIS: THE WALL MUST STAY AT R >= 0."},
      {"bad_pipe_below_axis.in",
       " *** STOP *** R OF CONTOUR LINE 2 = -0.20000E-01 LIES BELOW THE AXIS: THE WALL MUST STAY AT R >= 0."},
      // Radial zones whose step is longer than the zone: no mesh step of their own.
      {"bad_ddr_zone_no_step.in",
       " *** STOP *** DDR(1) =  0.10000E+39 LEAVES FEWER THAN 2 RADIAL MESH LINES UP TO R =  0.20000E-01 M."},
      {"bad_ddr_zone2_no_step.in",
       " *** STOP *** DDR(2) =  0.50000     LEAVES NO RADIAL MESH STEP FROM R =  0.20000E-01 TO R =  0.10000     M."},
      // A train of 2147483647 bunches: its length is refused at once, after the shape at
      // the centre has been summed over the bunches that reach it only.
      {"bad_train_huge.in", " *** STOP *** SIG =  0.10000E-01 GIVES A BUNCH TOO LONG FOR THE MESH"},
      // Bunches piled onto one centre: each point of the shape would sum all of them.
      {"bad_train_one_centre.in", " *** STOP *** NBUNCH = 2147483647 BUNCHES BSEP =   0.0000    APART: MORE THAN "
                                  "65536 OF THEM OVERLAP AT ONE POINT."},
  };
  for (const auto &c : cases) expect_stop(c.deck, c.stop);
}

// A run whose arrays cannot be held stops before any of them is allocated, naming the
// mesh size and the bytes.
TEST(BadDecks, ArraysThatCannotBeHeld) {
  expect_stop("bad_radius_km.in", " *** STOP *** NMESH = 325000130 NEEDS 19245017330 BYTES FOR THE ARRAYS OF THE "
                                  "RUN, MORE THAN 268435455 NODES: THE BOUNDARY HIT TABLE HOLDS 8 ENTRIES PER NODE, "
                                  "COUNTED BY A 32-BIT INDEX.");
  // What a limit leaves beside the program's own mappings, in a fresh folder per limit.
  auto limited_stop = [](const char *ulimit, const char *limit) {
    const fs::path dir = fresh_dir();
    std::ofstream(dir / "case.in", std::ios::binary) << deck_file("big_ddz_1e-7.in");
    EXPECT_EQ(run_in(dir, "case.in", ulimit), 1);
    EXPECT_EQ(slurp(dir / "stderr.txt"), "zelk: run stopped, see case.out\n");
    const std::string stop = last_stop(slurp(dir / "case.out"));
    EXPECT_TRUE(std::regex_match(stop, std::regex(std::string(" \\*\\*\\* STOP \\*\\*\\* NMESH = 102001530 NEEDS 3974125826 "
                                                              "BYTES FOR THE ARRAYS OF THE RUN, MORE THAN THE [0-9]+ BYTES "
                                                              "LEFT UNDER THE ") +
                                                  limit + " LIMIT OF 1048576000 BYTES\\.")))
        << stop;
    fs::remove_all(dir);
  };
  // A resident-set limit holds as well: the one limit a sanitizer build, whose shadow
  // memory needs the address space, can be given.
  limited_stop("ulimit -m 1024000;", "RESIDENT-SET");
  if (kSanitized) GTEST_SKIP() << "an address-space limit needs a build without sanitizers";
  limited_stop("ulimit -v 1024000;", "ADDRESS-SPACE");
}

// An allocation that fails anyway ends with the same stop, the report flushed: one of
// operator new, and one of the large-array allocator (which takes its blocks itself).
TEST(BadDecks, FailedAllocationStops) {
  if (kSanitized) GTEST_SKIP() << "a sanitizer build reports a failed allocation itself";
  const std::string path = ::testing::TempDir() + "zelk_failed_alloc.out";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (bool big : {false, true}) {
    SCOPED_TRACE(big ? "large array" : "operator new");
    std::remove(path.c_str());
    EXPECT_EXIT(
        {
          uopen_out(ndev.NOUT, path);
          rec(ndev.NOUT, "(1X,A)", "WRITTEN BEFORE");
          guard_process();
          note_run_memory(1000, 73000);
          if (big) {
            arr1<float> a;
            a.alloc(1L << 50);
            std::exit(a.allocated() ? 0 : 2);
          }
          volatile std::size_t n = std::size_t(1) << 60;
          static char *volatile sink;
          sink = new char[n];
          std::exit(sink != nullptr ? 0 : 2);
        },
        ::testing::ExitedWithCode(1), "zelk: run stopped, see .*zelk_failed_alloc.out");
    EXPECT_EQ(lines_of(slurp(path)),
              (std::vector<std::string>{" WRITTEN BEFORE", " *** STOP *** NMESH = 1000 NEEDS 73000 BYTES FOR THE "
                                                           "ARRAYS OF THE RUN: AN ALLOCATION FAILED, THE MEMORY IS "
                                                           "EXHAUSTED."}));
  }
  std::remove(path.c_str());
}

// SIGTERM asks the run to end: at the next record written it writes the closing record,
// closes the report and exits with 128 + 15. A second signal ends the process at once.
TEST(BadDecks, SignalEndsTheRunAtTheNextRecord) {
  const std::string path = ::testing::TempDir() + "zelk_signal.out";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        uopen_out(ndev.NOUT, path);
        guard_interrupts();
        rec(ndev.NOUT, "(1X,A)", "WRITTEN BEFORE THE SIGNAL");
        std::raise(SIGTERM);
        rec(ndev.NOUT, "(1X,A)", "NOT WRITTEN");
        std::exit(0);
      },
      ::testing::ExitedWithCode(128 + SIGTERM), "zelk: run interrupted by signal 15, see .*zelk_signal.out");
  EXPECT_EQ(lines_of(slurp(path)), (std::vector<std::string>{" WRITTEN BEFORE THE SIGNAL",
                                                             " *** STOP *** RUN INTERRUPTED BY SIGNAL 15 OUTSIDE THE "
                                                             "TIME LOOP."}));
  std::remove(path.c_str());
  EXPECT_EXIT(
      {
        guard_interrupts();
        std::raise(SIGINT);
        std::raise(SIGINT);
        std::exit(0);
      },
      ::testing::KilledBySignal(SIGINT), "");
}

// Fields that grow without bound stop the run at the next progress line with the
// time-step data, before NaN reaches the wake report, the tables or the plot file;
// with and without the stability warning.
TEST(BadDecks, FieldsThatGrowWithoutBound) {
  expect_stop("blowup_mt1.in", " *** STOP *** MT =      1 LETS THE FIELDS GROW WITHOUT BOUND: THE WAKE IS NOT "
                               "FINITE AT TIME STEP        82. RECOMMENDED MT =      2, LARGEST DDZ/DDR =   1.0000    ");
  expect_stop("blowup_mt_below_recommended.in",
              " *** STOP *** MT =      1 LETS THE FIELDS GROW WITHOUT BOUND: THE WAKE IS NOT FINITE AT TIME STEP       "
              " 82. RECOMMENDED MT =      3, LARGEST DDZ/DDR =   2.0000    ");
}

// A wake range shorter than the bunch: the extrema of the report read one sample beyond
// the NW reported ones, the loss factor the NQ > NW samples under the bunch. Fields that
// grow without bound make those samples infinite while samples 1 .. NW are still finite;
// the run stops all the same, before the report prints them.
TEST(BadDecks, FieldsThatGrowWithoutBoundBeyondTheReportedWake) {
  expect_stop("blowup_past_the_wake.in",
              " *** STOP *** MT =      1 LETS THE FIELDS GROW WITHOUT BOUND: THE WAKE IS NOT FINITE AT TIME STEP       "
              " 79. RECOMMENDED MT =      3, LARGEST DDZ/DDR =   2.0000    ");
  expect_stop("blowup_under_the_bunch.in",
              " *** STOP *** MT =      1 LETS THE FIELDS GROW WITHOUT BOUND: THE WAKE IS NOT FINITE AT TIME STEP       "
              " 81. RECOMMENDED MT =      3, LARGEST DDZ/DDR =   2.0000    ");
}

// Output names: the first point of the deck's own name, beside the deck.
TEST(BadDecks, OutputsBesideTheDeck) {
  const struct {
    const char *folder, *arg, *out;
  } cases[] = {
      {"", "./case.in", "case.out"},
      {"runs.v2", "runs.v2/case.in", "runs.v2/case.out"},
      {"a.b", "a.b/c.d.in", "a.b/c.out"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.arg);
    const fs::path dir = fresh_dir();
    fs::create_directories(dir / c.folder);
    fs::copy_file(fs::path(ZELK_SOURCE_DIR) / "tests/decks/pillbox_small.in", dir / c.arg);
    ASSERT_EQ(run_in(dir, c.arg), 0) << slurp(dir / "stderr.txt");
    EXPECT_NE(slurp(dir / c.out).find("ZELK_MP ENDED WITHOUT ERROR"), std::string::npos);
    std::string pot = c.out, top = c.out;
    pot.replace(pot.size() - 3, 3, "pot");
    top.replace(top.size() - 3, 3, "top");
    EXPECT_TRUE(fs::exists(dir / pot));
    EXPECT_TRUE(fs::exists(dir / top));
    // Nothing hidden beside the deck, nothing in the folder above.
    EXPECT_FALSE(fs::exists(dir / c.folder / ".out"));
    EXPECT_FALSE(fs::exists(dir / "runs.out"));
    EXPECT_FALSE(fs::exists(dir / "a.out"));
    fs::remove_all(dir);
  }
}

// An output file that cannot be written stops the start before any of the three is
// emptied: the report of an earlier run stays as it was.
TEST(BadDecks, OutputsCheckedBeforeAnyIsEmptied) {
  const fs::path dir = fresh_dir();
  fs::copy_file(fs::path(ZELK_SOURCE_DIR) / "tests/decks/pillbox_small.in", dir / "case.in");
  std::ofstream(dir / "case.out") << "EARLIER REPORT\n";
  fs::create_directories(dir / "case.pot"); // a folder where the tables would go
  EXPECT_EQ(run_in(dir, "case.in"), 1);
  EXPECT_EQ(slurp(dir / "stderr.txt"), std::string("zelk: case.pot: cannot open the output file: ") +
                                           std::strerror(EISDIR) + "\n");
  EXPECT_EQ(slurp(dir / "case.out"), "EARLIER REPORT\n");
  fs::remove_all(dir);
}
