// Record writer: the records of each descriptor list and item list compared with what
// gfortran writes for the same list and the same 32-bit values (data/gen_records.f90,
// output committed as data/records_expected.txt, case by case).
#include <gtest/gtest.h>

#include <fstream>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "run/records.hpp"

namespace {

template <class... A> std::vector<ritem> its(const A &...args) {
  std::vector<ritem> v;
  (ritems_add(v, args), ...);
  return v;
}

std::vector<ritem> chars(const std::string &s) {
  std::vector<ritem> v;
  for (char c : s) ritems_add(v, c);
  return v;
}

struct rcase {
  int n;
  const char *fmt;
  std::vector<ritem> items;
};

const float pinf = std::numeric_limits<float>::infinity();
const float ninf = -pinf;
const float qnan = std::numeric_limits<float>::quiet_NaN();
const float sub = std::numeric_limits<float>::denorm_min();
const std::string s75 = "THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG 0123456789 ABCDEFGHIJKLMNOPQRST";

// The cases of gen_records.f90, number for number.
const std::vector<rcase> &cases() {
  static const std::vector<rcase> c = {
      {1, "(G13.5,'|')",
       its(0.099999f, 0.1f, 0.099995f, 0.0999949f, 0.0999995f, 99999.4f, 99999.5f, 99998.5f, 1.0e5f,
           1.0e-3f, 0.0f, -0.0f, 0.5f, 50.0f, 0.05f, -0.5f, -99999.4f, 1.0f, 12345.67f, 123456.7f,
           3.4e38f, -1.23456e-10f, 1.0e-40f)},
      {2, "(G11.4,'|')", its(0.0f, 0.09999f, 0.1f, 9999.4f, 9999.5f, -1234.5f, 1.5e-7f, -2.5e12f, 0.125f)},
      {3, "(G10.3,'|',G9.3,'|',G6.5,'|',G13.2,'|')",
       its(1.0e-30f, -1.0e30f, 12345.0f, 0.125f, -1.0e30f, 1.0e-30f, -1.0f, 0.375f)},
      {4, "(F6.3,'|')",
       its(0.5f, -0.5f, 0.0004f, -0.0004f, 0.0005f, -0.0f, 12.3456f, 99.9996f, -9.9996f, 123.456f,
           -99.9996f)},
      {5, "(F10.1,'|',F11.2,'|')",
       its(123456.78f, 1.0e7f, -1.0e8f, -1.0e7f, 1.0e9f, 1.0e8f, 0.05f, 0.125f, 0.04999f, 0.375f, -0.04f,
           3.4e38f)},
      {6, "(F3.0,'|',F3.1,'|',F4.3,'|',F5.3,'|',F2.1,'|')",
       its(2.5f, 0.5f, 0.5f, 0.5f, 0.5f, 3.5f, -0.5f, -0.5f, -0.5f, -0.5f)},
      {7, "(1P,E10.3,'|')",
       its(0.5f, -0.25f, 0.0f, -0.0f, 1.0e-30f, 1.0e30f, -1.0e-38f, 3.4e38f, sub, 9.9996f, 123456.0f,
           -0.00012345f, 0.125e-3f)},
      {8, "(1PE8.3,'|',1P,E9.2,'|',E10.3,'|')", its(1.0f, 1.0f, 0.5f, -1.0e-30f, -1.0f, -1.0e-30f)},
      {9, "(1X,1P,E10.3/(1X,E10.3,G13.5))", its(0.5f, 0.25f, 0.05f, 0.125f, 50.0f)},
      {10, "(I2,'|',I3,'|',I4,'|',I6,'|',I7,'|')",
       its(0, 0, 0, 0, 0, 7, -7, 7, -7, 7, 99, 999, 9999, 999999, 9999999, -9, -99, -999, -99999, -999999,
           100, 1000, 10000, 1000000, 10000000, -10, -100, -1000, -100000, -1000000)},
      {11, "(I2.2,'|',I6.3,'|',I3.0,'|')", its(7, -7, 0, 12, 12345, 5, 0, 0, 1, -7, 7, -1, 123, -1234567, 100)},
      {12, "(L1,'|',L3,'|')", its(true, false, false, true)},
      {13, "(A8,'|',A,'|',A1,'|')",
       its("short", "abc", "xyz", "exactly8", "", "y", "longer than eight", "it's", "q", "", "longer text", "")},
      {14, "(9A8)", its("a", "bb", "ccc", "dddddddd", "eeeeeeeee", "f", "gg", "hhh", "iiii")},
      {15, "(1X,9A8)", its("one", "two", "three")},
      {16, "(72A1)", chars(s75)},
      {17, "(1X,3I4)", its(1, 2, 3, 4, 5, 6, 7)},
      {18, "(1X,'A=',2(I3,','),'end')", its(1, 2, 3, 4, 5)},
      {19, "(1X,'head',/,(1X,2G13.5))", its(1.0f, 2.0f, 3.0f, 4.0f, 5.0f)},
      {20, "(2X,I3,2(2X,I3,2X),I2)", its(1, 2, 3, 4, 5, 6, 7, 8)},
      {21, "(1X,2(I2,'-',2(A1)),'|')", its(1, "a", "b", 2, "c", "d", 3, "e", "f", 4)},
      {22, "(1X,'a=',I3,' b=',I3,' end')", its(1)},
      {23, "(1X,A,G13.5,A)", its("CPUTIME LEFT FOR SAVING FIELDS : TSOS =")},
      {24, "(1X,A,G13.5,A)", its("CPUTIME LEFT FOR SAVING FIELDS : TSOS =", 12.5f, "(S)")},
      {25, "(1X,A,/)", its("x")},
      {26, "('0'/1X,A)", its("z")},
      {27, "('0'/)", {}},
      {28, "(/1X,A,2/1X,A)", its("p", "q")},
      {29, "(A,/)", its("a", "b")},
      {30, "(A,5X)", its("a")},
      {31, "(A,5X,A)", its("a")},
      {32, "(A,5X,'lit',3X)", its("a")},
      {33, "(5X,A,2X,/,3X,A)", its("b", "c")},
      {34, "(1X)", {}},
      {35, "(1X,'abc',2X,I3,'x')", {}},
      {36, "(I3,2X)", its(1, 2)},
      {37, "(G13.5,'|',F8.2,'|',1P,E10.3,'|')", its(pinf, pinf, pinf, ninf, ninf, ninf, qnan, qnan, qnan)},
      {38, "(F3.0,'|',F4.0,'|',F7.0,'|',F8.0,'|',F9.0,'|')",
       its(pinf, pinf, pinf, pinf, pinf, ninf, ninf, ninf, ninf, ninf, qnan, qnan, qnan, qnan, qnan)},
      {39, "(G13.5,'|',G5.1,'|',G4.1,'|',G6.2,'|')", its(5, 123456, true, "abcdefgh")},
      {40, "(1X, 'it''s', 1X, I3, ' ', \"q\")", its(42)},
      {41, "()", {}},
      {42, "(1X,'0',3(1X,F6.2))", its(1.0f, 2.0f, 3.0f, 4.0f)},
      {43, "(1P,F8.2,'|',-1P,F8.3,'|',2P,F8.1,'|',0P)", its(1.2345f, 0.5f, 3.14159f, -0.0625f, 99.99f, 0.004f)},
  };
  return c;
}

// The expected records, by case number: a marker record "=== n" before each case.
std::map<int, std::vector<std::string>> expected() {
  std::map<int, std::vector<std::string>> m;
  std::ifstream in(ZELK_SOURCE_DIR "/tests/run/data/records_expected.txt");
  std::string line;
  std::vector<std::string> *cur = nullptr;
  while (std::getline(in, line)) {
    if (line.rfind("=== ", 0) == 0)
      cur = &m[std::stoi(line.substr(4))];
    else if (cur)
      cur->push_back(line);
  }
  return m;
}

}  // namespace

TEST(Records, MatchGfortran) {
  std::map<int, std::vector<std::string>> want = expected();
  ASSERT_FALSE(want.empty()) << "records_expected.txt not found or empty";
  for (const rcase &c : cases()) {
    SCOPED_TRACE("case " + std::to_string(c.n) + " " + c.fmt);
    ASSERT_TRUE(want.count(c.n)) << "no expected records";
    const std::vector<std::string> &w = want[c.n];
    std::vector<std::string> got = fmt_records(c.fmt, c.items);
    for (std::size_t r = 0; r < std::max(got.size(), w.size()); ++r) {
      std::string g = r < got.size() ? "[" + got[r] + "]" : "(none)";
      std::string x = r < w.size() ? "[" + w[r] + "]" : "(none)";
      EXPECT_EQ(g, x) << "record " << r + 1 << "\n     got: " << g << "\n  wanted: " << x;
    }
  }
  EXPECT_EQ(want.size(), cases().size()) << "case tables of the test and the data differ";
}

// The parsed list is kept by its text: a second write with the same list gives the
// same records, and a write into a fixed-length text is cut or padded.
TEST(Records, CachedListAndFixedText) {
  for (int k = 0; k < 2; ++k) {
    std::vector<std::string> r = fmt_records("(1X,2G13.5)", its(1.0f, 2.0f, 3.0f));
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[1], "    3.0000    ");
  }
  EXPECT_EQ(rtext(8, "(I2.2,':',I2.2)", 7, 5), "07:05   ");
  EXPECT_EQ(rtext(3, "(A)", "abcdef"), "abc");
}

// Items of the wrong kind and lists the writer cannot walk end the process.
TEST(RecordsDeath, WrongKindAndBadLists) {
  const std::vector<std::pair<const char *, std::vector<ritem>>> bad = {
      {"(I3)", its("text")},      {"(A8)", its(1.0f)},       {"(F8.2)", its(5)},
      {"(1P,E10.3)", its(5)},     {"(L1)", its(1)},          {"(I3)", its(1.0f)},
      {"('x')", its(1)},          {"(1X,I3", its(1)},        {"(1X,Q3)", its(1)},
      {"(1X,'abc)", {}},          {"(F8)", its(1.0f)},       {"(-3P,F8.2)", its(1.0f)},
  };
  for (const auto &[fmt, items] : bad) {
    SCOPED_TRACE(fmt);
    EXPECT_EXIT(fmt_records(fmt, items), ::testing::ExitedWithCode(1), "zelk: record writer: ");
  }
}
