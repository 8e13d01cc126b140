// Namelist group reader. The decks under data/nml_*.in are read with rdnml and the
// values compared with what gfortran's own namelist read gives for the same decks
// (data/nml_*.ref, written by data/gen_namelist.f90; reals as the hex of their bits, so
// the comparison is exact). The record after the group (NEXT) shows where the unit was
// left. Decks that gfortran refuses must end in a fatal read diagnostic here too.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "run/namelist.hpp"
#include "run/units.hpp"

namespace {

const std::string kData = std::string(ZELK_SOURCE_DIR) + "/tests/run/data/";
constexpr int kUnit = 15;

// The group of the reference program, preset as it is there.
struct {
  int nr;
  int ia[4];
  float ddz, fac;
  float rz[6];
  bool lhalf;
  bool la[3];
} mv;

const nlgroup mesh{"MESH",
                   {{"NR", 'I', &mv.nr, 1},
                    {"IA", 'I', mv.ia, 4},
                    {"DDZ", 'R', &mv.ddz, 1},
                    {"FAC", 'R', &mv.fac, 1},
                    {"RZ", 'R', mv.rz, 6},
                    {"LHALF", 'L', &mv.lhalf, 1},
                    {"LA", 'L', mv.la, 3}}};

void preset() {
  mv.nr = -1;
  for (int &x : mv.ia) x = -1;
  mv.ddz = mv.fac = -1.0f;
  for (float &x : mv.rz) x = -1.0f;
  mv.lhalf = false;
  mv.la[0] = true, mv.la[1] = false, mv.la[2] = true;
}

std::string hex(float x) {
  std::uint32_t b;
  std::memcpy(&b, &x, 4);
  char s[16];
  std::snprintf(s, sizeof s, "%08X", b);
  return s;
}

// The group as the reference program writes it, and the record after it.
std::string dump() {
  std::ostringstream o;
  o << "NR " << mv.nr << "\nIA";
  for (int x : mv.ia) o << ' ' << x;
  o << "\nDDZ " << hex(mv.ddz) << "\nFAC " << hex(mv.fac) << "\nRZ";
  for (float x : mv.rz) o << ' ' << hex(x);
  o << "\nLHALF " << (mv.lhalf ? 'T' : 'F') << "\nLA";
  for (bool x : mv.la) o << ' ' << (x ? 'T' : 'F');
  std::string next;
  if (uget(kUnit, next)) {
    while (!next.empty() && next.back() == ' ') next.pop_back();
    o << "\nNEXT " << next << '\n';
  } else {
    o << "\nNEXT EOF\n";
  }
  return o.str();
}

std::string read_case(const std::string &name) {
  preset();
  uopen_in(kUnit, kData + "nml_" + name + ".in");
  rdnml(kUnit, mesh);
  std::string got = dump();
  uclose(kUnit);
  return got;
}

std::string read_text(const std::string &deck) {
  preset();
  uopen_in_text(kUnit, deck, "deck.in");
  rdnml(kUnit, mesh);
  std::string got = dump();
  uclose(kUnit);
  return got;
}

std::string reference(const std::string &name) {
  std::ifstream in(kData + "nml_" + name + ".ref");
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

} // namespace

TEST(Namelist, ValuesAsGfortranReadsThem) {
  const char *cases[] = {
      "search",     // past text, other groups (one over three records), &MESHX, $MES
      "indexed",    // NAME(i)=..., NAME(i:j)=..., names in any order
      "repeat",     // r*v, r* (nulls), 1*v
      "nulls",      // ",," and "=," leave elements as they were
      "switches",   // .T, true, .false., .TRUE.
      "switchname", // T F followed by FAC=: a word before '=' is a name
      "case",       // lower and mixed case names, &end
      "dollar",     // $MESH ... $END; the second group is left unread
      "records",    // values, a name and its '=' spread over records, '/' alone
      "exponents",  // D and d exponents, exponent by sign alone, 5., +3
      "qexponent",  // Q exponent
      "rounding",   // nearest float: ties to even, FLT_MAX, subnormals, underflow
      "comment",    // '!' after values, a comment record, a comment after '/'
      "endsame",    // "&MESH," and '/' against the values, text after '/'
      "empty",      // "&MESH/" sets nothing
      "limits",     // the 32-bit integer range, -0, leading zeros
      "tabs",       // tabs as blanks
  };
  for (const char *c : cases) {
    std::string want = reference(c);
    ASSERT_FALSE(want.empty()) << c;
    EXPECT_EQ(read_case(c), want) << "deck nml_" << c << ".in";
  }
}

// Decks that gfortran refuses: rdnml ends the process with exit status 1 and one
// diagnostic naming the file, the record, the group and the variable.
TEST(NamelistDeathTest, RefusedAsGfortranRefusesThem) {
  struct {
    const char *name;
    const char *diag;
  } cases[] = {
      {"err_notfound", R"(nml_err_notfound\.in:2: group &MESH not found)" "\n$"},
      {"err_empty", R"(nml_err_empty\.in:0: group &MESH not found)" "\n$"},
      {"err_unknown", R"(\.in:2: unknown name "FOO" \(group &MESH\))"},
      {"err_badreal", R"(\.in:1: bad value "1\.2\.3" \(group &MESH, variable DDZ\))"},
      {"err_noexp", R"(\.in:1: bad value "1\.0E" \(group &MESH, variable RZ\))"},
      {"err_intreal", R"(\.in:1: bad value "2\.5" \(group &MESH, variable NR\))"},
      {"err_intswitch", R"(\.in:1: bad value "T" \(group &MESH, variable NR\))"},
      {"err_switchnum", R"(\.in:1: bad value "1" \(group &MESH, variable LHALF\))"},
      {"err_realswitch", R"(\.in:1: bad value "\.TRUE\." \(group &MESH, variable DDZ\))"},
      {"err_index0", R"(\.in:1: index 0 outside 1 to 4 \(group &MESH, variable IA\))"},
      {"err_index5", R"(\.in:2: index 5 outside 1 to 4 \(group &MESH, variable IA\))"},
      {"err_toomany", R"(\.in:2: too many values for 4 elements \(group &MESH, variable IA\))"},
      {"err_toomanyall", R"(\.in:1: too many values for 4 elements \(group &MESH, variable IA\))"},
      {"err_toomanyrep", R"(\.in:1: too many values for 6 elements \(group &MESH, variable RZ\))"},
      {"err_eof", R"(\.in:2: end of file inside the group \(group &MESH\))"},
      {"err_nextgroup", R"(\.in:2: no end mark before "&BEAM" \(group &MESH\))"},
      {"err_intrange", R"(\.in:1: integer out of range "99999999999" \(group &MESH, variable NR\))"},
      {"err_zerorepeat", R"(\.in:1: bad repeat count "0\*3" \(group &MESH, variable NR\))"},
      {"err_noequals", R"(\.in:1: "=" expected after NR \(group &MESH, variable NR\))"},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(reference(c.name), "ERROR\n") << c.name;
    EXPECT_EXIT(read_case(c.name), ::testing::ExitedWithCode(1),
                std::string("^zelk: .*") + c.diag)
        << "deck nml_" << c.name << ".in";
  }
}

// Where the reader parts from gfortran. Accepted although gfortran refuses: a switch
// spelled beyond its first letter before a blank and '/' ("Tx /", on which gfortran
// runs to the end of the file), and an index on a one-element variable (the group
// table does not tell a scalar from an array of one).
TEST(Namelist, AcceptedBeyondGfortran) {
  std::string got = read_text(" &MESH LA=Tx Fy /\nNEXT\n");
  EXPECT_NE(got.find("LA T F T\nNEXT NEXT\n"), std::string::npos) << got;
  got = read_text(" &MESH NR(1)=3 /\n");
  EXPECT_NE(got.find("NR 3\n"), std::string::npos) << got;
}

// Refused although gfortran takes them: a group mark that is not the first non-blank
// character of its record, reals that overflow or are not numbers (they would reach the
// fields as inf or NaN), and an end mark that runs on into a longer word.
TEST(NamelistDeathTest, RefusedBeyondGfortran) {
  struct {
    const char *deck;
    const char *diag;
  } cases[] = {
      {" x &MESH NR=3 /\n", R"(deck\.in:1: group &MESH not found)" "\n$"},
      {" &MESH DDZ=1e40 /\n", R"(deck\.in:1: real out of range "1e40" \(group &MESH, variable DDZ\))"},
      {" &MESH\n RZ(2)=-3.5E38 /\n", R"(deck\.in:2: real out of range "-3\.5E38" \(group &MESH, variable RZ\))"},
      {" &MESH DDZ=inf /\n", R"(deck\.in:1: bad value "inf" \(group &MESH, variable DDZ\))"},
      {" &MESH DDZ=NaN /\n", R"(deck\.in:1: bad value "NaN" \(group &MESH, variable DDZ\))"},
      {" &MESH NR=3 &ENDX\n", R"(deck\.in:1: no end mark before "&ENDX" \(group &MESH\))"},
  };
  for (const auto &c : cases)
    EXPECT_EXIT(read_text(c.deck), ::testing::ExitedWithCode(1),
                std::string("^zelk: ") + c.diag)
        << c.deck;
}
