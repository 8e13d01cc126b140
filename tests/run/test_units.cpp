// Text units (backspace, rewind, fixed-column and list-directed reads) and the record
// files of the save and restart (length framing, default names, fatal reads).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <unistd.h>

#include "run/constants.hpp"
#include "run/units.hpp"

namespace fs = std::filesystem;

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

// A record shorter than the A descriptors is padded with blanks, a longer one is cut.
TEST(Units, FixedColumnReadPadsAndCuts) {
  uopen_in_text(15, "ab\n\n0123456789\n");
  EXPECT_EQ(uread_cols(15, 8), "ab      ");
  EXPECT_EQ(uread_cols(15, 4), "    ");
  EXPECT_EQ(uread_cols(15, 4), "0123");
  EXPECT_EXIT(uread_cols(15, 4, "MESH"), ::testing::ExitedWithCode(1),
              "zelk: deck:4: unexpected end of file \\(group &MESH\\)");
  uclose(15);
}

// The list-directed read of one real against gfortran's own read of the same records
// (data/gen_listread.f90, output data/listread_expected.txt; '~' separates records).
TEST(Units, ListDirectedRealMatchesGfortran) {
  std::ifstream in(ZELK_SOURCE_DIR "/tests/run/data/listread_expected.txt");
  std::string line;
  int n = 0;
  while (std::getline(in, line)) {
    const std::size_t bar = line.find('|');
    ASSERT_NE(bar, std::string::npos) << line;
    const std::string want = line.substr(0, bar);
    std::string text = line.substr(bar + 1);
    for (char &c : text)
      if (c == '~') c = '\n';
    SCOPED_TRACE("records \"" + line.substr(bar + 1) + "\"");
    ++n;
    if (want == "ERROR") {
      uopen_in_text(15, text + "\n");
      EXPECT_EXIT(
          {
            float x = -7.0f;
            uread_real(15, x);
            std::exit(0);
          },
          ::testing::ExitedWithCode(1), "zelk: deck:[0-9]+: ");
      continue;
    }
    uopen_in_text(15, text + "\nNEXT\n");
    float x = -7.0f;
    const bool got = uread_real(15, x);
    if (want == "NULL") {
      EXPECT_FALSE(got);
      EXPECT_EQ(x, -7.0f);
    } else {
      EXPECT_TRUE(got);
      std::uint32_t bits;
      std::memcpy(&bits, &x, 4);
      char hex[16];
      std::snprintf(hex, sizeof hex, "VALUE %08X", bits);
      EXPECT_EQ(hex, want);
    }
    // Only the record of the value is taken: the next read sees the record after it.
    std::string next;
    ASSERT_TRUE(uget(15, next));
    EXPECT_EQ(next, "NEXT");
  }
  uclose(15);
  EXPECT_GT(n, 0) << "listread_expected.txt not found or empty";
}

// gfortran reads an overflowing exponent as infinity; the deck readers refuse every
// number that is not a finite float, and name the record.
TEST(Units, ListDirectedRealRefusesOverflow) {
  uopen_in_text(15, "\n3.5e39\n");
  float x = 0.0f;
  EXPECT_EXIT(uread_real(15, x), ::testing::ExitedWithCode(1),
              "zelk: deck:2: real number out of range \"3.5e39\"");
  uclose(15);
}

namespace {

// Runs the test body in a fresh working directory, so that the default names fort.1
// and fort.2 land there.
struct workdir {
  fs::path old, dir;
  workdir() {
    old = fs::current_path();
    dir = fs::temp_directory_path() / ("zelk_units_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::current_path(dir);
  }
  ~workdir() {
    uclose(ndev.NSAVE);
    uclose(ndev.NREST);
    fs::current_path(old);
    fs::remove_all(dir);
  }
};

std::string bytes_of(const fs::path &p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::uint32_t word(const std::string &b, std::size_t at) {
  std::uint32_t w = 0;
  std::memcpy(&w, b.data() + at, 4);
  return w;
}

// Three records: integers, reals and switches; a text; an array of reals.
void write_three(int unit) {
  binrec a;
  a.put(7);
  a.put(-2);
  a.put(1.5f);
  a.putl(true);
  a.putl(false);
  bwrite(unit, a);
  binrec b;
  b.put(std::string("PILLBOX "));
  bwrite(unit, b);
  binrec c;
  const float v[3] = {0.25f, -1.0e-30f, 3.0e38f};
  c.put(v, 3);
  bwrite(unit, c);
}

} // namespace

// The save file is fort.1 in the working directory; every record is framed by its
// length in bytes before and after it; what is read back is exactly what was written.
TEST(RecordFiles, FramedRecordsReadBackExactly) {
  workdir wd;
  write_three(ndev.NSAVE);
  uclose(ndev.NSAVE);
  const std::string b = bytes_of("fort.1");
  ASSERT_EQ(b.size(), (8u + 20u) + (8u + 8u) + (8u + 12u));
  EXPECT_EQ(word(b, 0), 20u);
  EXPECT_EQ(word(b, 24), 20u);
  EXPECT_EQ(word(b, 28), 8u);
  EXPECT_EQ(b.substr(32, 8), "PILLBOX ");
  EXPECT_EQ(word(b, 40), 8u);
  EXPECT_EQ(word(b, 44), 12u);
  EXPECT_EQ(word(b, 60), 12u);
  EXPECT_EQ(word(b, 16), 0xFFFFFFFFu); // true is -1
  EXPECT_EQ(word(b, 20), 0u);

  // The restart file is fort.2: present the save file as the restart file.
  fs::copy_file("fort.1", "fort.2");
  binrec a = bread(ndev.NREST, 20);
  EXPECT_EQ(a.geti(), 7);
  EXPECT_EQ(a.geti(), -2);
  EXPECT_EQ(a.getr(), 1.5f);
  EXPECT_TRUE(a.getl());
  EXPECT_FALSE(a.getl());
  binrec t = bread(ndev.NREST, 8);
  EXPECT_EQ(t.gets(8), "PILLBOX ");
  binrec c = bread(ndev.NREST, 12);
  float v[3];
  c.get(v, 3);
  EXPECT_EQ(v[0], 0.25f);
  EXPECT_EQ(v[1], -1.0e-30f);
  EXPECT_EQ(v[2], 3.0e38f);
  EXPECT_EQ(urecno(ndev.NREST), 3);
  urewind(ndev.NREST);
  binrec again = bread(ndev.NREST, 20);
  EXPECT_EQ(again.geti(), 7);
  // A switch is read as true when its lowest bit is 1.
  binrec l;
  l.put(3);
  l.put(2);
  EXPECT_TRUE(l.getl());
  EXPECT_FALSE(l.getl());
}

// A save after a rewind replaces the file: nothing of the former records remains.
TEST(RecordFiles, RewindThenWriteReplacesTheFile) {
  workdir wd;
  write_three(ndev.NSAVE);
  urewind(ndev.NSAVE);
  binrec one;
  one.put(42);
  bwrite(ndev.NSAVE, one);
  uclose(ndev.NSAVE);
  const std::string b = bytes_of("fort.1");
  ASSERT_EQ(b.size(), 12u);
  EXPECT_EQ(word(b, 0), 4u);
  EXPECT_EQ(word(b, 4), 42u);
  EXPECT_EQ(word(b, 8), 4u);
}

// A record of another length than the items of the read, a file that ends before the
// record, and a record cut short are fatal read errors naming the record number.
TEST(RecordFilesDeath, WrongLengthAndShortFile) {
  workdir wd;
  write_three(ndev.NSAVE);
  uclose(ndev.NSAVE);
  fs::copy_file("fort.1", "fort.2");
  EXPECT_EXIT(
      {
        bread(ndev.NREST, 20);
        bread(ndev.NREST, 12); // the text record holds 8 bytes
      },
      ::testing::ExitedWithCode(1), "zelk: fort.2:2: record of 8 bytes where 12 were expected");
  EXPECT_EXIT(
      {
        bread(ndev.NREST, 20);
        bread(ndev.NREST, 8);
        bread(ndev.NREST, 12);
        bread(ndev.NREST, 4); // past the last record
      },
      ::testing::ExitedWithCode(1), "zelk: fort.2:4: ");
  // Cut the file inside the third record.
  fs::resize_file("fort.2", 28 + 16 + 10);
  EXPECT_EXIT(
      {
        bread(ndev.NREST, 20);
        bread(ndev.NREST, 8);
        bread(ndev.NREST, 12);
      },
      ::testing::ExitedWithCode(1), "zelk: fort.2:3: ");
  // A missing restart file ends the process before anything is read.
  fs::remove("fort.2");
  EXPECT_EXIT(bread(ndev.NREST, 20), ::testing::ExitedWithCode(1), "zelk: fort.2");
}

// NINT: halves away from zero, exactly; the largest float below 2**31 is still an
// integer of its own, values beyond the integer range saturate.
TEST(Constants, NintHalvesAwayFromZeroExactly) {
  struct { float x; int n; } cases[] = {
      {0.5f, 1},           {-0.5f, -1},         {0.49999997f, 0},   {-0.49999997f, 0},
      {2.5f, 3},           {-2.5f, -3},         {1.5f, 2},          {8388609.0f, 8388609},
      {2147483520.0f, 2147483520}, {2147483648.0f, 2147483647}, {-2147483648.0f, -2147483647 - 1},
      {3.0e9f, 2147483647}, {-3.0e9f, -2147483647 - 1},
  };
  for (auto &c : cases) EXPECT_EQ(nint(c.x), c.n) << c.x;
  EXPECT_EQ(nint(std::numeric_limits<float>::quiet_NaN()), 0);
}
