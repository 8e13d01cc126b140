// Snapshots of whole runs of the program: no contour line is drawn twice, a frame that asks for more levels than it can show draws a bounded number of
// them and the report says so, and a mode without the field-line plot draws no frame.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "../run/run_binary.hpp"

namespace {

// The frames of a plot file: the records from one " NEW FRAME" up to the next.
std::vector<std::vector<std::string>> frames_of(const std::string &top) {
  std::vector<std::vector<std::string>> out;
  for (const std::string &l : lines_of(top)) {
    if (l == "  NEW FRAME") out.emplace_back();
    if (!out.empty()) out.back().push_back(l);
  }
  return out;
}

// The frames of snapshots (electric field or current lines).
std::vector<std::vector<std::string>> snapshot_frames(const std::string &top) {
  std::vector<std::vector<std::string>> out;
  for (auto &f : frames_of(top))
    for (const std::string &l : f)
      if (l == "  TITLE 7.0 9.0 CENTER SIZE 2.2  'Electric Field Lines'" ||
          l == "  TITLE 7.0 9.0 CENTER SIZE 2.2  'Total Current Lines'") {
        out.push_back(f);
        break;
      }
  return out;
}

// The number after `key` in a record.
double after(const std::string &rec, const std::string &key) {
  const std::size_t at = rec.find(key);
  return at == std::string::npos ? 0.0 : std::atof(rec.c_str() + at + key.size());
}

// A point record of a curve: 1X and two numbers in G13.5.
bool is_point(const std::string &l) {
  if (l.size() != 27 || l[0] != ' ') return false;
  char *e = nullptr;
  std::strtod(l.c_str() + 1, &e);
  if (e != l.c_str() + 14) return false;
  std::strtod(l.c_str() + 14, &e);
  return e == l.c_str() + 27 || *e == ' ';
}

std::vector<std::string> warnings(const run_result &r, const std::string &out) {
  std::vector<std::string> w;
  for (const std::string &l : lines_of(slurp(r.dir / out)))
    if (l.find("*** WARNING ***") != std::string::npos) w.push_back(l);
  return w;
}

// The shell limits a run's files to 20 MB (blocks of 512 bytes): a frame that draws
// without bound meets the limit within a second instead of filling the disk.
constexpr const char *kFileLimit = "ulimit -f 40000; OMP_NUM_THREADS=2";

} // namespace

// Current lines of a structure with slanted walls, all columns held: edges next to the
// cut cells of the walls start lines, also edges that a line of the level has crossed
// already, and a line started there used to be drawn again along the earlier one (and
// a closed one once per such edge, the output growing as the square of its length).
// Each line now ends where it meets a crossing already written, and a start on one
// draws nothing: no piece of a contour line is drawn twice in a frame.
TEST(SnapshotRuns, NoLineDrawnTwice) {
  const run_result r = run_zelk(deck_file("snapshot_lines_retraced.in"), "case.in", "case.in", kFileLimit);
  ASSERT_EQ(r.status, 0) << r.err_terminal;
  EXPECT_LT(std::filesystem::file_size(r.dir / "case.top"), 5000000u);
  const auto frames = snapshot_frames(slurp(r.dir / "case.top"));
  ASSERT_EQ(frames.size(), 10u);
  for (std::size_t k = 0; k < frames.size(); ++k) {
    // The segments of the contour lines: after the outline, above the bunch (which is
    // drawn below the axis), between consecutive points of one piece, either way round.
    std::map<std::pair<std::string, std::string>, int> seen;
    bool after_outline = false;
    std::string last;
    for (const std::string &l : frames[k]) {
      if (l == "  JOIN 1 DOTDASH") after_outline = true;
      if (!after_outline) continue;
      if (!is_point(l) || std::atof(l.c_str() + 14) <= 0.0) {
        last.clear();
        continue;
      }
      if (!last.empty()) ++seen[std::minmax(last, l)];
      last = l;
    }
    EXPECT_GT(seen.size(), 0u) << "frame " << k + 1;
    for (const auto &kv : seen) EXPECT_EQ(kv.second, 1) << "frame " << k + 1 << ":" << kv.first.first << " to " << kv.first.second;
  }
  std::filesystem::remove_all(r.dir);
}

// Current lines of a bunch far longer than the wake range: the peak line density of the
// sampled part of the bunch is tiny, and the fixed spacing of the levels gives the first
// second snapshot 3958 levels and later ones more. Every frame draws at most 1000 levels on the
// grid of the asked ones, and the report says so once, at the first capped snapshot.
TEST(SnapshotRuns, TooManyLevelsAreCapped) {
  const run_result r = run_zelk(deck_file("snapshot_current_short_wake.in"), "case.in", "case.in", kFileLimit);
  ASSERT_EQ(r.status, 0) << r.err_terminal;
  EXPECT_LT(std::filesystem::file_size(r.dir / "case.top"), 5000000u);
  const std::vector<std::string> w = warnings(r, "case.out");
  ASSERT_GE(w.size(), 1u);
  EXPECT_EQ(w[0], " *** WARNING *** SNAPSHOT AT STEP     40 ASKS FOR       3958 CONTOUR LEVELS, MORE THAN A "
                  "FRAME CAN SHOW:  990 ARE DRAWN AT       4 TIMES THEIR SPACING.");
  for (std::size_t k = 1; k < w.size(); ++k) EXPECT_EQ(w[k].find("CONTOUR LEVELS"), std::string::npos) << w[k];
  const auto frames = snapshot_frames(slurp(r.dir / "case.top"));
  ASSERT_EQ(frames.size(), 5u);
  for (std::size_t k = 0; k < frames.size(); ++k) {
    double lo = 0, hi = 0, dz = 0;
    for (const std::string &l : frames[k]) {
      if (l.find("Min/Max=") != std::string::npos) {
        lo = after(l, "Min/Max=");
        hi = after(l, "/ ");
      }
      if (l.find("Current Between Lines=") != std::string::npos) dz = after(l, "Lines=");
    }
    ASSERT_GT(dz, 0.0) << "frame " << k + 1;
    const double levels = (hi - lo) / dz + 1.0;
    EXPECT_LE(levels, 1000.5) << "frame " << k + 1;
    if (k == 1) {
      EXPECT_NEAR(levels, 990.0, 1.0); // the first capped snapshot
    }
  }
  std::filesystem::remove_all(r.dir);
}

// Field or current lines asked for with MROT = 2: the report warns that none will be
// drawn, and the plot file holds no snapshot frame.
TEST(SnapshotRuns, NoSnapshotUnlessMonopole) {
  const struct {
    const char *plot, *warning;
  } cases[] = {
      {" &PLOT  LPLE=T /",
       " *** WARNING ***  WHEN LPLE=.T., MROT MUST TO BE 0.   NO PLOT OF ELECTRIC FIELD LINES WILL BE PRODUCED."},
      {" &PLOT  LPLC=T /",
       " *** WARNING ***  WHEN LPLC=.T., MROT MUST TO BE 0.   NO PLOT OF ELECTRIC FIELD LINES WILL BE PRODUCED."},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.plot);
    std::string deck = deck_file("snapshot_mrot2.in");
    deck.replace(deck.find(" &PLOT  LPLE=T /"), 16, c.plot);
    const run_result r = run_zelk(deck, "case.in", "case.in", kFileLimit);
    ASSERT_EQ(r.status, 0) << r.err_terminal;
    EXPECT_EQ(warnings(r, "case.out"), std::vector<std::string>{c.warning});
    EXPECT_TRUE(snapshot_frames(slurp(r.dir / "case.top")).empty());
    std::filesystem::remove_all(r.dir);
  }
}
