// Save file and restart: the records of a save, a run cut short after its first step and
// continued from the save in another process, the restart files that must be refused,
// and the runs that save nothing.
//
// A run is cut short by the CPU-time monitor: with LSAV set (which turns the monitor on)
// and the reserve TSOS above 3600 s the loop ends after its first step.
#include <gtest/gtest.h>
#include <omp.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <limits>
#include "../quiet_regex.hpp"
#include <string>
#include <vector>

#include "run_binary.hpp"
#include "run/records.hpp"
#include "run/savefile.hpp"
#include "run/timeloop.hpp"
#include "../solver/deckrun.hpp"

namespace fs = std::filesystem;

namespace {

// ------------------------------------------------------------------ folders and files

// A fresh folder of its own for every test (the tests run in parallel).
struct test_dir {
  fs::path dir;
  test_dir() {
    const auto *t = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = fs::temp_directory_path() / ("zelk_save_" + std::string(t->name()) + "_" +
                                       std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  ~test_dir() {
    uclose(ndev.NSAVE);
    uclose(ndev.NREST);
    if (!::testing::Test::HasFailure()) fs::remove_all(dir);
  }
  fs::path operator/(const std::string &n) const { return dir / n; }
};

// The runs in this process on one thread: the meshes are small, and the results do not
// depend on the number of threads.
struct one_thread {
  int saved = omp_get_max_threads();
  one_thread() { omp_set_num_threads(1); }
  ~one_thread() { omp_set_num_threads(saved); }
};

void write_file(const fs::path &p, const std::string &bytes) {
  std::ofstream(p, std::ios::binary) << bytes;
}

// Runs `zelk name` in folder dir on the deck text (written there as name).
run_result run_in(const fs::path &dir, const std::string &name, const std::string &deck) {
  run_result r;
  r.dir = dir;
  write_file(dir / name, deck);
  const std::string cmd = "cd '" + dir.string() + "' && OMP_NUM_THREADS=2 '" + ZELK_BINARY + "' " +
                          name + " < /dev/null > " + name + ".stdout 2> " + name + ".stderr";
  const int rc = std::system(cmd.c_str());
  r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  r.out_terminal = slurp(dir / (name + ".stdout"));
  r.err_terminal = slurp(dir / (name + ".stderr"));
  return r;
}

// The deck with the monitor's reserve above an hour: the loop ends after its first step.
std::string cut_short(std::string deck) {
  const std::size_t p = deck.find("LSAV=T");
  if (p == std::string::npos) ADD_FAILURE() << "deck without LSAV=T";
  else deck.replace(p, 6, "LSAV=T, TSOS=3601.");
  return deck;
}

std::string replaced(std::string s, const std::string &from, const std::string &to) {
  const std::size_t p = s.find(from);
  if (p == std::string::npos) ADD_FAILURE() << "\"" << from << "\" not in the deck";
  else s.replace(p, from.size(), to);
  return s;
}

// ------------------------------------------------------------------ record files

// The contents of the records of a file framed by 4-byte lengths.
std::vector<std::string> records_of(const std::string &b) {
  std::vector<std::string> out;
  std::size_t at = 0;
  while (at < b.size()) {
    std::uint32_t n = 0, n2 = 0;
    if (at + 4 > b.size()) {
      ADD_FAILURE() << "file ends inside a length word";
      break;
    }
    std::memcpy(&n, b.data() + at, 4);
    if (at + 8 + n > b.size()) {
      ADD_FAILURE() << "record " << out.size() + 1 << " runs past the end";
      break;
    }
    std::memcpy(&n2, b.data() + at + 4 + n, 4);
    EXPECT_EQ(n, n2) << "framing of record " << out.size() + 1;
    out.push_back(b.substr(at + 4, n));
    at += 8 + n;
  }
  return out;
}

std::string framed(const std::vector<std::string> &recs) {
  std::string b;
  for (const std::string &r : recs) {
    const std::uint32_t n = static_cast<std::uint32_t>(r.size());
    b.append(reinterpret_cast<const char *>(&n), 4);
    b += r;
    b.append(reinterpret_cast<const char *>(&n), 4);
  }
  return b;
}

int int_at(const std::string &rec, std::size_t at) {
  int v = 0;
  std::memcpy(&v, rec.data() + at, 4);
  return v;
}
void set_int_at(std::string &rec, std::size_t at, int v) { std::memcpy(&rec[at], &v, 4); }

// Byte offset of the item `name` in record n, from the record table.
std::size_t offset_in(int n, const std::string &name) {
  std::size_t at = 0;
  for (const save_item &it : save_record(n)) {
    if (it.name == name) return at;
    at += static_cast<std::size_t>(save_item_bytes(it));
  }
  ADD_FAILURE() << name << " is not in record " << n;
  return 0;
}
const std::size_t AT_NPTS0 = offset_in(52, "NPTS0"), AT_KSTART = offset_in(52, "KSTART");
const std::size_t AT_IRUN = offset_in(54, "IRUN");

long ceil_div(long a, long b) { return (a + b - 1) / b; }

// The record sizes a save must have for the sizes of the run in msz.
std::vector<std::size_t> expected_sizes() {
  std::vector<std::size_t> s;
  for (int n = 1; n <= SAVE_RECORDS; ++n) s.push_back(static_cast<std::size_t>(save_reclen(n)));
  // `times` arrays one after the other, each in chunks; or, with `pair`, two arrays chunk by
  // chunk in turn.
  auto chunks = [&](long n, long len, int times, int pair) {
    for (int t = 0; t < times; ++t)
      for (long a = 0; a < n; a += len)
        for (int p = 0; p < pair; ++p) s.push_back(4 * static_cast<std::size_t>(std::min(len, n - a)));
  };
  chunks(msz.MSZW, 8000, 2, 1);
  chunks(msz.NRN, 400, 2 * 40 * 2, 2); // left and right pairs, 40 slots, 2 components
  chunks(msz.NMESH, 8000, 6, 1);
  return s;
}

// ------------------------------------------------------------------ runs in this process

// The first run of a process on a deck, as the main program performs it.
void deck_run(const std::string &deck) {
  deck_read(deck);
  one_run(false);
}

// The restore of a process whose deck asks for a restart from the file `restart`:
// the saved inputs, then the set-up of the run up to its first window (whole = false)
// or the whole run.
void restart_run(const std::string &deck, const fs::path &restart, bool whole) {
  deck_open(deck);
  bopen(ndev.NREST, restart.string(), false);
  restore_inputs();
  first_run_copies();
  if (whole) {
    one_run(true);
  } else {
    ASSERT_TRUE(run_prepare(true));
    advan(true, mp.KX, mp.KY, mp.KSTART);
  }
  uclose(ndev.NREST);
}

// What a run leaves in its arrays and counters.
struct state_t {
  big_vector<float> wz, wy, wt, wp, h[4], e[4], stk[4];
  int KX = 0, KY = 0, IZMWL = 0, JBPREV = 0, JFPREV = 0, KSNAP = 0;
  float TSNAP = 0.0f, DTSNAP = 0.0f;
};

state_t take() {
  state_t s;
  s.wz = wzwy_data.wz.v;
  s.wy = wzwy_data.wy.v;
  s.wt = wzwy_data.wt.v;
  s.wp = wzwy_data.wp.v;
  for (int c = 1; c <= 3; ++c) {
    s.h[c] = he_data.h[c].v;
    s.e[c] = he_data.e[c].v;
  }
  s.stk[0] = stk_data.hvstk.v;
  s.stk[1] = stk_data.hvstk1.v;
  s.stk[2] = stk_data.hvstl.v;
  s.stk[3] = stk_data.hvstl1.v;
  s.KX = mp.KX;
  s.KY = mp.KY;
  s.IZMWL = lfrbk.IZMWL;
  s.JBPREV = nzin.JBPREV;
  s.JFPREV = nzin.JFPREV;
  s.KSNAP = mp.KSNAP;
  s.TSNAP = mp.TSNAP;
  s.DTSNAP = mp.DTSNAP;
  return s;
}

// Bit for bit the same values.
::testing::AssertionResult same(const big_vector<float> &a, const big_vector<float> &b) {
  if (a.size() != b.size())
    return ::testing::AssertionFailure() << "sizes " << a.size() << " and " << b.size();
  for (std::size_t k = 0; k < a.size(); ++k)
    if (std::memcmp(&a[k], &b[k], 4) != 0)
      return ::testing::AssertionFailure() << "entry " << k + 1 << ": " << a[k] << " and " << b[k];
  return ::testing::AssertionSuccess();
}

void expect_same(const state_t &a, const state_t &b, bool with_wt_wp) {
  EXPECT_TRUE(same(a.wz, b.wz)) << "wz";
  EXPECT_TRUE(same(a.wy, b.wy)) << "wy";
  if (with_wt_wp) {
    EXPECT_TRUE(same(a.wt, b.wt)) << "wt";
    EXPECT_TRUE(same(a.wp, b.wp)) << "wp";
  }
  for (int c = 1; c <= 3; ++c) {
    EXPECT_TRUE(same(a.h[c], b.h[c])) << "hv component " << c;
    EXPECT_TRUE(same(a.e[c], b.e[c])) << "ev component " << c;
  }
  for (int k = 0; k < 4; ++k) EXPECT_TRUE(same(a.stk[k], b.stk[k])) << "delay line " << k;
  EXPECT_EQ(a.KX, b.KX);
  EXPECT_EQ(a.KY, b.KY);
  EXPECT_EQ(a.IZMWL, b.IZMWL);
  EXPECT_EQ(a.JBPREV, b.JBPREV);
  EXPECT_EQ(a.JFPREV, b.JFPREV);
  EXPECT_EQ(a.KSNAP, b.KSNAP) << "snapshot schedule";
  EXPECT_EQ(a.TSNAP, b.TSNAP) << "snapshot schedule";
  EXPECT_EQ(a.DTSNAP, b.DTSNAP) << "snapshot schedule";
}

// ------------------------------------------------------------------ reports

// Masks the date, time and CPU-time fields of report, table and plot records (the wake
// frame's "Cpu Time Used:" title among them). The time
// stands with the date in every record that holds it; records with neither a date nor a
// CPU time pass unchanged (the regular expressions are slow on long tables).
std::string mask(std::string s) {
  if (s.find('/') == std::string::npos && s.find("CPU") == std::string::npos &&
      s.find("Cpu") == std::string::npos)
    return s;
  s = std::regex_replace(s, std::regex("[ 0-9][0-9]/[ 0-9][0-9]/[0-9][0-9]"), "dd/mm/yy");
  s = std::regex_replace(s, std::regex("[0-9][0-9]\\.[0-9][0-9]\\.[0-9][0-9]"), "hh.mm.ss");
  s = std::regex_replace(s, std::regex("TOTAL CPU TIME USED:.{10}"), "TOTAL CPU TIME USED:    ssss.s");
  s = std::regex_replace(s, std::regex("CPUTIME USED:.{10}"), "CPUTIME USED: s.sssE-ss");
  s = std::regex_replace(s, std::regex("Cpu Time Used:.{10}"), "Cpu Time Used: s.sssE-ss");
  return s;
}

std::vector<std::string> masked_lines(const fs::path &p) {
  std::vector<std::string> v = lines_of(slurp(p));
  for (std::string &l : v) l = mask(l);
  return v;
}

const std::string STARS76(76, '*');

} // namespace

// A run cut short after its first step, saved and continued from the save gives the
// wake arrays, fields and delay lines of the same run done at once. The restored
// process starts from the defaults and from the state of another deck, so that nothing
// reaches it but the file. The cases: the drive ring on the pipe wall (the steps through
// the left pipe are skipped, the save comes after step 24); the ring below the pipe
// (saved after step 0); a long left pipe with a short wake (the stored window has moved
// before the first step); all columns held, with the field-line sum in the Hz slot and
// the snapshot schedule; a mesh given by NR and NZ with a rounded corner; half-cell
// input; the Napoly method, with equal pipes and with unequal ones (legs and the
// logarithmic term); the dipole step, with the ring on the wall and below it, with and
// without TAVO; the dipole on the Napoly contour between unequal pipes. Every case
// compares non-zero wakes.
TEST(SaveRestart, RestoredRunGivesTheWakeOfOneRun) {
  test_dir d;
  one_thread t1;
  struct row {
    const char *what;
    std::string deck;
  } rows[] = {
      {"ring on the pipe wall", deck_file("save_pillbox.in")},
      {"ring below the pipe", replaced(deck_file("save_pillbox.in"), "MROT=0 /", "MROT=0, RDRIVE=0.005 /")},
      {"stored window moved", deck_file("save_long_pipe.in")},
      {"all columns held, field lines",
       replaced(replaced(deck_file("save_pillbox.in"), "UBT=0.1 /", "UBT=0.1, LCBACK=F /"), " &PLOT  /",
                " &PLOT  LPLE=T /")},
      {"mesh of NR and NZ", deck_file("save_rounded_nrnz.in")},
      {"half-cell input", deck_file("save_half_pillbox.in")},
      {"Napoly method", replaced(deck_file("save_pillbox.in"), "UBT=0.1 /", "UBT=0.1, LNAPOLY=T /")},
      {"Napoly method, unequal pipes", replaced(deck_file("napoly_cavity_unequal.in"), "LSAV=F", "LSAV=T")},
      {"dipole", replaced(deck_file("save_pillbox.in"), "MROT=0 /", "MROT=1 /")},
      {"dipole, ring below the pipe", replaced(deck_file("save_pillbox.in"), "MROT=0 /", "MROT=1, RDRIVE=0.01 /")},
      {"dipole, TAVO",
       replaced(replaced(deck_file("save_pillbox.in"), "MROT=0 /", "MROT=1 /"), "UBT=0.1 /", "UBT=0.1, LTAVO=T /")},
      {"dipole, ring below the pipe, TAVO",
       replaced(replaced(deck_file("save_pillbox.in"), "MROT=0 /", "MROT=1, RDRIVE=0.01 /"), "UBT=0.1 /",
                "UBT=0.1, LTAVO=T /")},
      {"dipole, Napoly method, unequal pipes", replaced(deck_file("napoly_dipole_unequal.in"), "LSAV=F", "LSAV=T")},
  };
  const std::string other = replaced(deck_file("save_tall.in"), "LSAV=T", "LSAV=T, ITEST=1");
  for (const row &r : rows) {
    SCOPED_TRACE(r.what);
    deck_run(r.deck);
    const state_t whole = take();
    const int NT = wind.NT;
    ASSERT_EQ(mp.KEND, NT - 1);
    EXPECT_TRUE(std::any_of(whole.wz.begin(), whole.wz.end(), [](float x) { return x != 0.0f; }))
        << "the run compares zero wakes";

    const fs::path save = d / "fort.1";
    bopen(ndev.NSAVE, save.string(), true);
    deck_run(cut_short(r.deck));
    uclose(ndev.NSAVE);
    const int KEND = mp.KEND;
    ASSERT_EQ(KEND, mp.KSTART) << "one step taken";
    ASSERT_LT(KEND, NT - 1);

    deck_run(other);
    restart_run(" &FILE  LREC=T /\nSTOP\n", save, true);
    EXPECT_EQ(mp.IRUN, 1);
    EXPECT_EQ(mp.KSTART, KEND + 1);
    EXPECT_EQ(mp.KEND, NT - 1);
    expect_same(whole, take(), true);
  }
}

// The field arrays filled with values that tell array and entry apart: entry k (from 0,
// in memory order) of array a holds a*100000 + k + 1, exact in single precision.
// Arrays: 1 wz, 2 wy, 3 hvstk, 4 hvstk1, 5 hvstl, 6 hvstl1, 7 to 9 hv, 10 to 12 ev.
big_vector<float> *pattern_arrays(int a) {
  switch (a) {
  case 1: return &wzwy_data.wz.v;
  case 2: return &wzwy_data.wy.v;
  case 3: return &stk_data.hvstk.v;
  case 4: return &stk_data.hvstk1.v;
  case 5: return &stk_data.hvstl.v;
  case 6: return &stk_data.hvstl1.v;
  default: return a <= 9 ? &he_data.h[a - 6].v : &he_data.e[a - 9].v;
  }
}
float pattern(int a, long k) { return static_cast<float>(a * 100000L + k + 1); }

// The first value of every field record, in the order of the file: array and entry.
std::vector<float> expected_first_values() {
  std::vector<float> v;
  for (int a = 1; a <= 2; ++a)
    for (long q = 0; q < msz.MSZW; q += 8000) v.push_back(pattern(a, q));
  const long NRN = msz.NRN;
  for (int a = 3; a <= 5; a += 2)
    for (int slot = 1; slot <= 40; ++slot)
      for (int k = 1; k <= 2; ++k)
        for (long q = 0; q < NRN; q += 400) {
          const long at = q + ((k - 1) + (slot - 1) * 2L) * NRN; // entry (q + 1, k, slot)
          v.push_back(pattern(a, at));
          v.push_back(pattern(a + 1, at));
        }
  // A field component that the run does not hold (Hr, Ephi, Hz of the monopole) is
  // written as zeros.
  for (int a = 7; a <= 12; ++a)
    for (long q = 0; q < msz.NMESH; q += 8000)
      v.push_back(pattern_arrays(a)->empty() ? 0.0f : pattern(a, q));
  return v;
}

// The records of a save: 1 to 55 of their fixed sizes, then the field records in chunks
// of 8000 entries and 400 lines, in the order wz, wy, the left and the right delay-line
// pairs slot by slot and component by component, hv and ev component by component; read
// back by the restored run, they give the arrays as saved. The small pillbox has one
// record per array; the tall box has NRN = 401 (two records per delay line), MSZW = 8006
// and NMESH = 20000 (three records per field component).
TEST(SaveRestart, RecordsOfTheSaveFileAndTheirReadBack) {
  test_dir d;
  one_thread t1;
  struct row {
    const char *deck;
    int NRN, MSZW, NMESH;
  } rows[] = {
      {"save_pillbox.in", 22, 46, 1302},
      {"save_tall.in", 401, 8006, 20000},
  };
  for (const row &r : rows) {
    SCOPED_TRACE(r.deck);
    const fs::path save = d / (std::string(r.deck) + ".save");
    // A process reads one deck: the lines after its own are blank.
    for (std::string &l : geolines) l.clear();
    deck_setup(cut_short(deck_file(r.deck)));
    EXPECT_EQ(msz.NRN, r.NRN);
    EXPECT_EQ(msz.MSZW, r.MSZW);
    EXPECT_EQ(msz.NMESH, r.NMESH);
    time_loop();
    const int KEND = mp.KEND;
    for (int a = 1; a <= 12; ++a) {
      big_vector<float> &x = *pattern_arrays(a);
      for (std::size_t k = 0; k < x.size(); ++k) x[k] = pattern(a, static_cast<long>(k));
    }
    const state_t saved = take();
    bopen(ndev.NSAVE, save.string(), true);
    save_run();
    uclose(ndev.NSAVE);

    const std::vector<std::string> recs = records_of(slurp(save));
    const std::size_t nfield = 2 * ceil_div(msz.MSZW, 8000) + 320 * ceil_div(msz.NRN, 400) +
                               6 * ceil_div(msz.NMESH, 8000);
    EXPECT_EQ(recs.size(), 55 + nfield);
    const std::vector<std::size_t> want = expected_sizes();
    ASSERT_EQ(recs.size(), want.size());
    for (std::size_t k = 0; k < recs.size(); ++k) EXPECT_EQ(recs[k].size(), want[k]) << "record " << k + 1;
    const std::vector<float> first = expected_first_values();
    ASSERT_EQ(first.size(), nfield);
    for (std::size_t k = 0; k < nfield; ++k) {
      float x;
      std::memcpy(&x, recs[55 + k].data(), 4);
      EXPECT_EQ(x, first[k]) << "record " << 56 + k;
    }
    EXPECT_EQ(int_at(recs[51], AT_KSTART), KEND + 1);
    EXPECT_EQ(int_at(recs[54], offset_in(55, "KX")), saved.KX);
    EXPECT_EQ(int_at(recs[54], offset_in(55, "KY")), saved.KY);
    // The title and the start of the geometry header; the stored geometry lines.
    const std::vector<std::string> lines = lines_of(deck_file(r.deck));
    EXPECT_EQ(recs[51].substr(0, 80), padto(lines[1], 72) + "#CAVITYS");
    EXPECT_EQ(recs[1].substr(0, 72), padto(lines[5], 72));
    EXPECT_EQ(recs[1].substr(72 * 399), std::string(72, ' '));

    restart_run(" &FILE  LREC=T /\nSTOP\n", save, false);
    EXPECT_EQ(mp.KSTART, KEND + 1);
    expect_same(saved, take(), false);
    // The sizes the restore read from the lengths of the field records.
    EXPECT_EQ(rmesh.NRN, r.NRN);
    EXPECT_EQ(rmesh.MSZW, r.MSZW);
    EXPECT_EQ(rmesh.NMESH, r.NMESH);
  }
}

// The layout of records 1 to 55 as every save file has held it, item by item: record,
// name, byte offset and the variable it comes from, and the record sizes (a reader of
// the file relies on them). The item lists that the save and the restore follow must
// give exactly this layout.
TEST(SaveRestart, RecordTableGivesTheLayoutOfTheFile) {
  struct placed {
    int rec;
    std::string name;
    std::size_t at;
    const void *var;
    bool operator==(const placed &) const = default;
  };
  std::vector<placed> want = {
      {1, "DDZ", 0, &latc.DDZ},
      {1, "DDR", 4, latc.DDR.data()},
      {1, "RMARK", 4004, lat2.RMARK.data()},
      {1, "RZ", 8004, var.RZ.data()},
      {1, "ZMAX", 16004, &mp.ZMAX},
      {1, "RMAX", 16008, &mp.RMAX},
      {1, "SIG", 16012, &latc.SIG},
      {1, "ISIG", 16016, &mp.ISIG},
      {1, "MT", 16020, &mp.MT},
      {1, "MROT", 16024, &wpl.MROT},
      {1, "RDRIVE", 16028, &offs.RDRIVE},
      {1, "NBUNCH", 16032, &cdis.NBUNCH},
      {1, "BSEP", 16036, &cdis.BSEP},
  };
  for (int n = 2; n <= 51; ++n)
    want.push_back({n, "geometry lines", 0, &geolines[400 * (n - 2) + 1]});
  const std::vector<placed> rest = {
      {52, "TITLE", 0, mp.TITLE.data()},
      {52, "RR", 80, geo.RR.data()},
      {52, "ZZ", 80080, geo.ZZ.data()},
      {52, "NPTS0", 160080, &mp.NPTS0},
      {52, "NLINES", 160084, &mp.NLINES},
      {52, "KSTART", 160088, &mp.KSTART},
      {52, "UBT", 160092, &mp.UBT},
      {52, "LCFRON", 160096, &win2.LCFRON},
      {52, "LCBACK", 160100, &win2.LCBACK},
      {52, "LTAVO", 160104, &win2.LTAVO},
      {52, "LNAPOLY", 160108, &wpl2.LNAPOLY},
      {53, "ZCF", 0, &offs.ZCF},
      {53, "ZCT", 4, &offs.ZCT},
      {53, "RWAK", 8, &offs.RWAK},
      {53, "LPLW", 12, &mp.LPLW},
      {53, "LCAVIN", 16, &mp.LCAVIN},
      {53, "LCAVUS", 20, &mp.LCAVUS},
      {53, "LFFTL", 24, &mp.LFFTL},
      {53, "LFFTA", 28, &mp.LFFTA},
      {53, "LFFTT", 32, &mp.LFFTT},
      {53, "LFFT", 36, &mp.LFFT},
      {53, "LSPEC", 40, &mp.LSPEC},
      {53, "LPLE", 44, &mp.LPLE},
      {53, "LPLC", 48, &mp.LPLC},
      {53, "NPLOT", 52, &mp.NPLOT},
      {53, "TPS", 56, &mp.TPS},
      {53, "NSHOT", 60, &mp.NSHOT},
      {53, "KSNAP", 64, &mp.KSNAP},
      {53, "TSNAP", 68, &mp.TSNAP},
      {53, "DTSNAP", 72, &mp.DTSNAP},
      {53, "LPALL", 76, &mp.LPALL},
      {53, "NLAST0", 80, &mp.NLAST0},
      {54, "CUTOFF", 0, &mp.CUTOFF},
      {54, "LPRW", 4, &mp.LPRW},
      {54, "LMATPR", 8, &mp.LMATPR},
      {54, "LHALF", 12, &symt.LHALF},
      {54, "LADD", 16, &mp.LADD},
      {54, "IRUN", 20, &mp.IRUN},
      {54, "LSVW", 24, &mp.LSVW},
      {54, "LSVF", 28, &ffts.LSVF},
      {54, "LWNDW", 32, &ffts.LWNDW},
      {54, "NWFUN", 36, &wfun.NWFUN},
      {54, "ALPHA", 40, &wfun.ALPHA},
      {54, "LPLWL", 44, &wps.LPLWL},
      {54, "LPLWA", 48, &wps.LPLWA},
      {54, "LPLWT", 52, &wps.LPLWT},
      {54, "LSVWL", 56, &wps.LSVWL},
      {54, "LSVWA", 60, &wps.LSVWA},
      {54, "LSVWT", 64, &wps.LSVWT},
      {54, "LINTZ", 68, &intr.LINTZ},
      {54, "LCRBW", 72, &crbw.LCRBW},
      {54, "ZSEP", 76, &crbw.ZSEP},
      {54, "REDUCE", 80, &mp.REDUCE},
      {54, "LPATH", 84, &plnz.LPATH},
      {54, "LNONAP", 88, &wpl2.LNONAP},
      {54, "EXPFAC", 92, &expfr.EXPFAC},
      {55, "KX", 0, &mp.KX},
      {55, "KY", 4, &mp.KY},
  };
  want.insert(want.end(), rest.begin(), rest.end());
  std::vector<placed> got;
  for (int n = 1; n <= SAVE_RECORDS; ++n) {
    std::size_t at = 0;
    for (const save_item &it : save_record(n)) {
      got.push_back({n, it.name, at, it.at});
      at += static_cast<std::size_t>(save_item_bytes(it));
    }
  }
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t k = 0; k < got.size(); ++k)
    EXPECT_TRUE(got[k] == want[k]) << "item " << k + 1 << ": record " << got[k].rec << " " << got[k].name
                                   << " at byte " << got[k].at << ", wanted record " << want[k].rec << " "
                                   << want[k].name << " at byte " << want[k].at
                                   << (got[k].var != want[k].var ? ", from another variable" : "");
  for (int n = 1; n <= SAVE_RECORDS; ++n)
    EXPECT_EQ(save_reclen(n), n == 1    ? 16040
                              : n <= 51 ? 28800
                              : n == 52 ? 160112
                              : n == 53 ? 84
                              : n == 54 ? 96
                                        : 8)
        << "record " << n;
}

// Every value of every item of records 1 to 55 at its place in the file, as the record
// table places it, and back in its variable after the restore. Each real, integer and
// text gets a value of its own, so that two items (or two entries of one item) that
// changed places would show; the switches are set in six passes by the bits of their
// number, so that each switch shows its own pattern of true (-1) and false (0).
TEST(SaveRestart, EveryItemOfTheRecordTableAtItsPlaceAndBack) {
  test_dir d;
  one_thread t1;
  deck_setup(deck_file("save_pillbox.in"));
  const fs::path save = d / "fort.1";
  auto records = [&save]() {
    bopen(ndev.NSAVE, save.string(), true);
    save_run();
    uclose(ndev.NSAVE);
    return records_of(slurp(save));
  };
  // Reals count up through all entries of all items (exact in single precision);
  // integers and texts count their items; the first step not yet computed is KEND + 1.
  struct placed_item {
    int rec;
    std::size_t at;
    save_item it;
  };
  std::vector<placed_item> items;
  for (int n = 1; n <= SAVE_RECORDS; ++n) {
    std::size_t at = 0;
    for (const save_item &it : save_record(n)) {
      items.push_back({n, at, it});
      at += static_cast<std::size_t>(save_item_bytes(it));
    }
  }
  auto real_value = [](long k) { return static_cast<float>(k) + 0.25f; };
  auto int_value = [](int k) { return 1000 + k; };
  // A text of its own for every line: its number (shorter than any text of the table).
  auto text_value = [](long k, int) { return std::to_string(k); };
  auto fill = [&](bool zero) {
    long nr = 0, nt = 0;
    int ni = 0;
    for (const placed_item &p : items) {
      const save_item &it = p.it;
      for (long k = 0; k < it.count; ++k) {
        switch (it.kind) {
        case save_kind::real: static_cast<float *>(it.at)[k] = zero ? 0.0f : real_value(++nr); break;
        case save_kind::integer: static_cast<int *>(it.at)[k] = zero ? 0 : int_value(++ni); break;
        case save_kind::next_step:
          mp.KEND = int_value(++ni) - 1;
          if (zero) mp.KSTART = 0;
          break;
        case save_kind::text: static_cast<std::string *>(it.at)[k] = zero ? "" : text_value(++nt, it.len); break;
        case save_kind::logical: break;
        }
      }
    }
  };
  // Checks every item in the records (file = true) or in its variable after the restore.
  auto check = [&](const std::vector<std::string> &recs, bool file) {
    long nr = 0, nt = 0;
    int ni = 0;
    for (const placed_item &p : items) {
      const save_item &it = p.it;
      const std::string &r = recs[static_cast<std::size_t>(p.rec - 1)];
      for (long k = 0; k < it.count; ++k) {
        const std::size_t at = p.at + static_cast<std::size_t>(k) * (it.kind == save_kind::text ? it.len : 4);
        const std::string where = std::string(it.name) + " entry " + std::to_string(k + 1) + " (record " +
                                  std::to_string(p.rec) + " byte " + std::to_string(at) + ")";
        switch (it.kind) {
        case save_kind::real: {
          const float want = real_value(++nr);
          float x = static_cast<float *>(it.at)[k];
          if (file) std::memcpy(&x, r.data() + at, 4);
          EXPECT_EQ(x, want) << where;
          break;
        }
        case save_kind::integer: {
          int want = int_value(++ni);
          if (!file && std::string(it.name) == "IRUN") ++want; // the restored run is the next one
          if (!file && p.rec == SAVE_RECORDS) continue;        // read back by advan
          EXPECT_EQ(file ? int_at(r, at) : static_cast<int *>(it.at)[k], want) << where;
          break;
        }
        case save_kind::next_step:
          EXPECT_EQ(file ? int_at(r, at) : mp.KSTART, int_value(++ni)) << where;
          break;
        case save_kind::text: {
          const std::string want = padto(text_value(++nt, it.len), static_cast<std::size_t>(it.len));
          EXPECT_EQ(file ? r.substr(at, static_cast<std::size_t>(it.len)) : static_cast<std::string *>(it.at)[k],
                    want)
              << where;
          break;
        }
        case save_kind::logical: break;
        }
      }
    }
  };
  auto restored = [&save]() {
    bopen(ndev.NREST, save.string(), false);
    restore_inputs();
    uclose(ndev.NREST);
  };

  fill(false);
  const std::vector<std::string> recs = records();
  ASSERT_GE(recs.size(), static_cast<std::size_t>(SAVE_RECORDS));
  check(recs, true);
  fill(true);
  restored();
  check(recs, false);

  for (int bit = 0; bit < 6; ++bit) {
    SCOPED_TRACE("switch pass " + std::to_string(bit));
    auto value = [bit](int k) { return ((k >> bit) & 1) != 0; };
    int k = 0;
    for (const placed_item &p : items)
      if (p.it.kind == save_kind::logical) *static_cast<bool *>(p.it.at) = value(++k);
    ASSERT_LT(k, 64) << "six bits tell the switches apart";
    const std::vector<std::string> sw = records();
    ASSERT_GE(sw.size(), static_cast<std::size_t>(SAVE_RECORDS));
    k = 0;
    for (const placed_item &p : items)
      if (p.it.kind == save_kind::logical) *static_cast<bool *>(p.it.at) = !value(++k);
    restored();
    k = 0;
    for (const placed_item &p : items) {
      if (p.it.kind != save_kind::logical) continue;
      ++k;
      EXPECT_EQ(int_at(sw[static_cast<std::size_t>(p.rec - 1)], p.at), value(k) ? -1 : 0)
          << p.it.name << " (record " << p.rec << " byte " << p.at << ")";
      EXPECT_EQ(*static_cast<bool *>(p.it.at), value(k)) << p.it.name << " restored";
    }
  }
  // The lines after a deck's own are blank in every process.
  for (std::string &l : geolines) l.clear();
}

// Two processes: the first is cut short after its first step and writes fort.1; that
// file, presented as fort.2, restarts the run in a second process whose deck holds
// nothing but the group FILE. Its report has no first-run banner, its run banner shows
// run 2, and report, table and plot file are those of the run done at once, apart from
// the date and time and the echo of LREC. A full cell and a half cell (whose echo names
// the form of the input, which the restart takes from the restored switch). The runs
// write the wake tables, the spectra with their tables and the wake frames, so that
// the table and plot files compared are not empty.
TEST(SaveRestart, RestartInAnotherProcessGivesTheFilesOfOneRun) {
  test_dir d;
  one_thread t1;
  for (const char *name : {"save_pillbox.in", "save_half_pillbox.in"}) {
    SCOPED_TRACE(name);
    const fs::path once_dir = d / (std::string(name) + ".once"), twice_dir = d / (std::string(name) + ".twice");
    fs::create_directories(once_dir);
    fs::create_directories(twice_dir);
    const std::string deck =
        replaced(replaced(deck_file(name), " &PLOT  /", " &PLOT  LPLW=T, LFFTL=T /"), "LMATPR=T /",
                 "LMATPR=T, LPRW=T, LSVW=T, LSVF=T /");
    run_result once = run_in(once_dir, "p.in", deck);
    ASSERT_EQ(once.status, 0) << once.err_terminal;
    EXPECT_FALSE(fs::exists(once_dir / "fort.1"));

    run_result cut = run_in(twice_dir, "p.in", cut_short(deck));
    ASSERT_EQ(cut.status, 0) << cut.err_terminal;
    EXPECT_EQ(cut.err_terminal, "");
    ASSERT_TRUE(fs::exists(twice_dir / "fort.1"));
    // The records of this save, for the sizes of the run.
    deck_setup(deck);
    const std::vector<std::string> recs = records_of(slurp(twice_dir / "fort.1"));
    const std::vector<std::size_t> want = expected_sizes();
    ASSERT_EQ(recs.size(), want.size());
    for (std::size_t k = 0; k < recs.size(); ++k) EXPECT_EQ(recs[k].size(), want[k]) << "record " << k + 1;
    EXPECT_EQ(int_at(recs[53], AT_IRUN), 0);

    fs::copy_file(twice_dir / "fort.1", twice_dir / "fort.2");
    run_result again = run_in(twice_dir, "r.in", " &FILE  LREC=T, LSAV=T /\nSTOP\n");
    ASSERT_EQ(again.status, 0) << again.err_terminal;
    EXPECT_EQ(again.err_terminal, "");
    EXPECT_NE(again.out_terminal.find(" > THE  2ND RUN STARTED\n"), std::string::npos) << again.out_terminal;
    EXPECT_NE(again.out_terminal.find(" >  100% OVER\n"), std::string::npos) << again.out_terminal;
    // The restored run went to its end: nothing saved again.
    EXPECT_EQ(slurp(twice_dir / "fort.1"), slurp(twice_dir / "fort.2"));

    std::vector<std::string> ref = masked_lines(once_dir / "p.out");
    std::vector<std::string> rep = masked_lines(twice_dir / "r.out");
    ASSERT_GT(ref.size(), 12u);
    ASSERT_GT(rep.size(), 8u);
    const std::string frame = " *" + std::string(74, ' ') + "*";
    const std::vector<std::string> banner = {
        "1" + STARS76,
        frame,
        " * " + std::string(23, ' ') + "ZELK_MP" + std::string(3, ' ') + " 2ND RUN" + std::string(31, ' ') + " *",
        frame,
        " *   DATE:dd/mm/yy   TIME:hh.mm.ss    VERSION 12.5,  NOVEMBER 2007          *",
        frame,
        " " + STARS76,
        "",
    };
    for (std::size_t k = 0; k < banner.size(); ++k) EXPECT_EQ(rep[k], banner[k]) << "record " << k + 1;
    for (const std::string &l : rep) EXPECT_EQ(l.find("Vornalis"), std::string::npos) << l;
    // After the banners (12 records of the first-run banner, 8 of the run banner) the
    // reports agree record by record; only the echo of LREC differs.
    ref.erase(ref.begin(), ref.begin() + 12);
    rep.erase(rep.begin(), rep.begin() + 8);
    ASSERT_EQ(ref.size(), rep.size());
    int lrec = 0;
    for (std::size_t k = 0; k < ref.size(); ++k) {
      if (ref[k] == " RECOVER FROM FILE      (LREC)  :  F") {
        EXPECT_EQ(rep[k], " RECOVER FROM FILE      (LREC)  :  T");
        ++lrec;
        continue;
      }
      EXPECT_EQ(rep[k], ref[k]) << "record " << k + 1 << " after the banner";
    }
    EXPECT_EQ(lrec, 1);
    const std::vector<std::string> pot = masked_lines(once_dir / "p.pot");
    const std::vector<std::string> top = masked_lines(once_dir / "p.top");
    EXPECT_GT(pot.size(), 100u) << "wake and spectrum tables";
    EXPECT_GT(top.size(), 100u) << "wake and spectrum frames";
    EXPECT_EQ(masked_lines(twice_dir / "r.pot"), pot);
    EXPECT_EQ(masked_lines(twice_dir / "r.top"), top);
  }
}

// A continuation run after the restored one starts from step 0 like every run of a deck,
// and reads nothing from the restart file; the run numbers go on from the saved one.
// Every run here is cut short and saved: the last save is that of run 3, whose first
// step not yet computed is that of a fresh run (24 steps through the left pipe skipped).
TEST(SaveRestart, ContinuationAfterARestartStartsAtStepZero) {
  test_dir d;
  one_thread t1;
  const std::string deck = cut_short(deck_file("save_pillbox.in"));
  run_result cut = run_in(d.dir, "p.in", deck);
  ASSERT_EQ(cut.status, 0) << cut.err_terminal;
  const std::vector<std::string> first = records_of(slurp(d / "fort.1"));
  ASSERT_GT(first.size(), 54u);
  const int fresh_kstart = int_at(first[51], AT_KSTART);
  EXPECT_EQ(fresh_kstart, 25);
  fs::copy_file(d / "fort.1", d / "fort.2");

  run_result r = run_in(d.dir, "c.in", " &FILE  LREC=T, LSAV=T, TSOS=3601. /\nCONT\n &WAKE  UBT=0.1 /\nSTOP\n");
  ASSERT_EQ(r.status, 0) << r.err_terminal;
  EXPECT_EQ(r.err_terminal, "");
  std::vector<std::string> runs;
  for (const std::string &t : lines_of(r.out_terminal))
    if (t.find("RUN STARTED") != std::string::npos) runs.push_back(t);
  EXPECT_EQ(runs, (std::vector<std::string>{" > THE  2ND RUN STARTED", " > THE  3RD RUN STARTED"}));
  const std::vector<std::string> last = records_of(slurp(d / "fort.1"));
  ASSERT_GT(last.size(), 54u);
  EXPECT_EQ(int_at(last[51], AT_KSTART), fresh_kstart);
  EXPECT_EQ(int_at(last[53], AT_IRUN), 2);
  const std::string rep = slurp(d / "c.out");
  EXPECT_NE(rep.find(" 2ND RUN"), std::string::npos);
  EXPECT_NE(rep.find(" 3RD RUN"), std::string::npos);
  EXPECT_EQ(rep.find("Vornalis"), std::string::npos);
}

// Restart files that are no save of a run the file describes end the process with one
// fatal read diagnostic naming the record, exit status 1, and no end block; field
// records of another mesh (spliced from two saves) with the stop on the report that
// names both meshes.
TEST(SaveRestart, BadRestartFilesAreFatalReadErrors) {
  test_dir d;
  one_thread t1;
  fs::create_directories(d / "a");
  fs::create_directories(d / "b");
  ASSERT_EQ(run_in(d / "a", "a.in", cut_short(deck_file("save_pillbox.in"))).status, 0);
  ASSERT_EQ(run_in(d / "b", "b.in", cut_short(deck_file("save_long_pipe.in"))).status, 0);
  const std::string a = slurp(d / "a" / "fort.1"), b = slurp(d / "b" / "fort.1");
  const std::vector<std::string> ra = records_of(a), rb = records_of(b);
  ASSERT_GT(ra.size(), 60u);
  ASSERT_GT(rb.size(), 60u);
  deck_setup(deck_file("save_pillbox.in"));
  const int NT = wind.NT;

  // Records 1 to 54 of one save and the field records of another.
  std::vector<std::string> spliced(ra.begin(), ra.begin() + 54);
  spliced.insert(spliced.end(), rb.begin() + 54, rb.end());
  std::vector<std::string> npts = ra, kstart = ra;
  set_int_at(npts[51], AT_NPTS0, 20001);
  set_int_at(kstart[51], AT_KSTART, NT + 1);
  std::vector<std::string> cutoff = ra;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  std::memcpy(&cutoff[53][0], &nan, 4); // CUTOFF, the first item of record 54
  // Length of the file up to the end of record 54, and to the middle of the last record.
  std::size_t upto54 = 0;
  for (int k = 0; k < 54; ++k) upto54 += ra[k].size() + 8;
  const std::string nt1 = std::to_string(NT + 1), nt = std::to_string(NT);

  struct row {
    const char *what;
    bool present;
    std::string file, diag;
  } rows[] = {
      {"not a save file", true, deck_file("save_pillbox.in"),
       "zelk: fort.2:1: record of [0-9]+ bytes where 16040 were expected\n"},
      {"ends after record 54", true, a.substr(0, upto54),
       "zelk: fort.2:55: end of the record file \\(variable KX\\)\n"},
      {"cut inside the last record", true, a.substr(0, a.size() - 100),
       "zelk: fort.2:" + std::to_string(ra.size()) + ": short record \\(variable ev\\)\n"},
      {"spliced from two saves", true, framed(spliced), "zelk: run stopped, see r\\.out\n"},
      {"contour count out of range", true, framed(npts),
       "zelk: fort.2:52: NPTS0 = 20001 lies outside 1 \\.\\. 20000 \\(variable NPTS0\\)\n"},
      {"first step beyond the run", true, framed(kstart),
       "zelk: fort.2:52: KSTART = " + nt1 + " is not a step of the restored run \\(NT = " + nt +
           "\\) \\(variable KSTART\\)\n"},
      {"cutoff not a number", true, framed(cutoff),
       "zelk: fort.2:54: CUTOFF is not a finite number \\(variable CUTOFF\\)\n"},
      {"no restart file", false, "", "zelk: fort.2: cannot open the record file: No such file or directory\n"},
  };
  int n = 0;
  for (const row &r : rows) {
    SCOPED_TRACE(r.what);
    const fs::path dir = d / ("case" + std::to_string(n++));
    fs::create_directories(dir);
    if (r.present) write_file(dir / "fort.2", r.file);
    run_result res = run_in(dir, "r.in", " &FILE  LREC=T /\nSTOP\n");
    EXPECT_EQ(res.status, 1);
    EXPECT_TRUE(std::regex_match(res.err_terminal, std::regex(r.diag))) << res.err_terminal;
    EXPECT_EQ(res.out_terminal.find("RUN STARTED"), std::string::npos);
    EXPECT_EQ(slurp(dir / "r.out").find("ENDED WITHOUT ERROR"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "fort.1"));
  }
}

// No save when the loop takes no step (ITEST = 1, a restored first step at NT), when the
// monitor stops the loop at its last step, or without LSAV; each of these runs ends
// normally. The routines after the loop see KEND = NT - 1 also when no step was taken.
TEST(SaveRestart, RunsThatSaveNothing) {
  test_dir d;
  one_thread t1;
  const std::string deck = cut_short(deck_file("save_pillbox.in"));
  fs::create_directories(d / "src");
  ASSERT_EQ(run_in(d / "src", "p.in", deck).status, 0);
  std::vector<std::string> recs = records_of(slurp(d / "src" / "fort.1"));
  ASSERT_GT(recs.size(), 54u);
  deck_setup(deck);
  const int NT = wind.NT;
  std::vector<std::string> at_nt = recs, at_last = recs;
  set_int_at(at_nt[51], AT_KSTART, NT);
  set_int_at(at_last[51], AT_KSTART, NT - 1);
  const std::string restart = " &FILE  LREC=T, LSAV=T, TSOS=3601. /\nSTOP\n";

  struct row {
    const char *what;
    std::string deck, restart_file;
    bool loop_entered;
  } rows[] = {
      {"ITEST = 1", replaced(deck, "LSAV=T", "ITEST=1, LSAV=T"), "", false},
      {"restored first step at NT", restart, framed(at_nt), true},
      {"monitor at the last step", restart, framed(at_last), true},
      {"monitor without LSAV", replaced(deck, "LSAV=T", "LCPUTM=T"), "", true},
  };
  int n = 0;
  for (const row &r : rows) {
    SCOPED_TRACE(r.what);
    const fs::path dir = d / ("case" + std::to_string(n++));
    fs::create_directories(dir);
    if (!r.restart_file.empty()) write_file(dir / "fort.2", r.restart_file);
    run_result res = run_in(dir, "r.in", r.deck);
    EXPECT_EQ(res.status, 0) << res.err_terminal;
    EXPECT_EQ(res.err_terminal, "");
    EXPECT_EQ(res.out_terminal.find("RUN STARTED") != std::string::npos, r.loop_entered) << res.out_terminal;
    EXPECT_FALSE(fs::exists(dir / "fort.1"));
    EXPECT_NE(slurp(dir / "r.out").find("ZELK_MP ENDED WITHOUT ERROR"), std::string::npos);
  }

  // In this process: the test run leaves KEND at the last step, not at an older value.
  mp.KEND = -7;
  bopen(ndev.NSAVE, (d / "none.save").string(), true);
  deck_run(replaced(deck, "LSAV=T", "ITEST=1, LSAV=T"));
  uclose(ndev.NSAVE);
  EXPECT_EQ(mp.KEND, wind.NT - 1);
  EXPECT_EQ(fs::file_size(d / "none.save"), 0u);
}

// ------------------------------------------------------------------ the mesh of a restored run

namespace {

// A small deck: a cavity between two pipes of radius 0.02 m from z = 0 to 0.08 m (or the
// right half of it, from the symmetry plane z = 0 to 0.04 m), whose outer wall is given
// by `wall` (geometry lines from (0.02, 0.02) to (0.02, 0.06); for a half cell from the
// axis point at z = 0 to (0.02, 0.02)).
std::string small_deck(const std::string &mesh, const std::vector<std::string> &wall, bool half,
                       const std::string &beam, const std::string &wake) {
  std::string d = " &FILE  LSAV=T /\nSMALL CAVITY FOR THE RESTORED MESH\n &MESH  " + mesh + " /\n";
  d += half ? "##CAVITYSHAPE\n0.\n0.0 0.0\n" : "#CAVITYSHAPE\n0.\n0.0 0.0\n0.02 0.0\n0.02 0.02\n";
  for (const std::string &l : wall) d += l + "\n";
  d += half ? "0.02 0.02\n0.02 0.04\n0.0 0.04\n0.0 0.0\n" : "0.02 0.06\n0.02 0.08\n0.0 0.08\n0.0 0.0\n";
  d += "9999. 0.\n &BEAM  SIG=0.01, " + beam + " /\n &TIME  MT=3 /\n &WAKE  UBT=0.06" + wake +
       " /\n &PLOT  LPLW=T, LFFTL=T /\n &PRIN  LPRW=T, LSVW=T /\nSTOP\n";
  return d;
}

// Report, table and plot file of a restarted process against those of the run done at
// once: after the banners the records agree one for one, but for the echo of LREC.
void expect_files_of_one_run(const fs::path &once, const fs::path &twice) {
  std::vector<std::string> ref = masked_lines(once / "p.out"), rep = masked_lines(twice / "r.out");
  ASSERT_GT(ref.size(), 12u);
  ASSERT_GT(rep.size(), 8u);
  ref.erase(ref.begin(), ref.begin() + 12);
  rep.erase(rep.begin(), rep.begin() + 8);
  auto no_lrec = [](std::vector<std::string> &v) {
    v.erase(std::remove_if(v.begin(), v.end(),
                           [](const std::string &l) { return l.find("(LREC)") != std::string::npos; }),
            v.end());
  };
  no_lrec(ref);
  no_lrec(rep);
  EXPECT_NE(std::find_if(ref.begin(), ref.end(),
                         [](const std::string &l) { return l.find("WAKE   MIN/MAX") != std::string::npos; }),
            ref.end())
      << "the report holds wake results";
  const std::size_t n = std::min(ref.size(), rep.size());
  for (std::size_t k = 0; k < n; ++k)
    if (rep[k] != ref[k]) {
      ADD_FAILURE() << "report record " << k + 1 << " after the banner:\n" << rep[k] << "\nwhere the run done at once has\n"
                    << ref[k];
      break;
    }
  EXPECT_EQ(rep.size(), ref.size());
  EXPECT_EQ(masked_lines(twice / "r.pot"), masked_lines(once / "p.pot"));
  EXPECT_EQ(masked_lines(twice / "r.top"), masked_lines(once / "p.top"));
}

} // namespace

// A run saved after its first step and continued in another process builds the mesh the
// saved run was built on, whose NR and NZ the file does not hold, and gives the report,
// tables and plots of the run done at once. The cases: a long-way circle whose centre
// lies above the top of the first pass's mesh, so that the saved run's second pass still
// raises the top radius (a third pass would give another mesh); NZ given with two
// radial zones, which keeps zone 1 only (and sends the cut structure to the Napoly
// contour); a mesh of NR and NZ whose deck also gave steps and outer radii that such a
// mesh ignores; half cells; every kind of arc; the dipole, with TAVO; the Napoly method;
// an iris below the pipe radius, which sends a deck that left LNAPOLY false to the Napoly
// contour (the file holds the switch as the run ended), and one that gave the contour.
TEST(SaveRestart, RestoredRunBuildsTheMeshOfTheSavedRun) {
  test_dir d;
  const std::string one = "DDZ=0.0025, DDR(1)=0.0025";
  const std::string two = "DDZ=0.0025, DDR(1)=0.0025, DDR(2)=0.005, RMARK(1)=0.02, RMARK(2)=0.05";
  const std::string nrnz = "NR=21, NZ=41, DDR(1)=0.001, DDR(2)=0.002, RMARK(1)=0.01, RMARK(2)=0.05";
  const std::vector<std::string> raised = {"0.05 0.02", "-2. -0.025", "0.05 0.06"};      // CL, centre above
  const std::vector<std::string> bulge = {"0.05 0.02", "-1. 0.025", "0.05 0.06"};        // CS above the top
  const std::vector<std::string> corners = {"0.04 0.02", "-1. 0.01", "0.05 0.03", "0.05 0.05",
                                            "-1. 0.01", "0.04 0.06"};                     // CS below the top
  const std::vector<std::string> ellipse = {"0.05 0.02", "-3. 0.013", "0.05 0.04", "0.05 0.06"}; // ES
  const std::vector<std::string> longell = {"0.05 0.02", "-4. 0.013", "0.05 0.04", "0.05 0.06"}; // EL
  const std::vector<std::string> box = {"0.05 0.02", "0.05 0.06"};
  const std::vector<std::string> iris = {"0.05 0.02", "0.05 0.035", "0.015 0.035", "0.015 0.045", "0.05 0.045",
                                         "0.05 0.06"};
  struct row {
    const char *what;
    std::string deck;
  } rows[] = {
      {"long-way circle above the top", small_deck(one, raised, false, "MROT=0", "")},
      {"long-way circle above the top, two zones", small_deck(two, raised, false, "MROT=0", "")},
      {"NZ with two zones", small_deck("NZ=33, " + two, box, false, "MROT=0", "")},
      {"NZ with two zones, rounded corners", small_deck("NZ=33, " + two, corners, false, "MROT=0", "")},
      {"NR and NZ with unused zones", small_deck(nrnz, bulge, false, "MROT=0", "")},
      {"NR and NZ, long-way circle above the top", small_deck("NR=21, NZ=41", raised, false, "MROT=0", "")},
      {"half cell, circle above the top",
       small_deck(one, {"0.05 0.0", "-2. -0.015", "0.05 0.02"}, true, "MROT=0", "")},
      {"half cell, NZ with two zones", small_deck("NZ=33, " + two, {"0.05 0.0", "0.05 0.02"}, true, "MROT=0", "")},
      {"circles below the top, two zones", small_deck(two, corners, false, "MROT=0", "")},
      {"ellipse the short way, two zones", small_deck(two, ellipse, false, "MROT=0", "")},
      {"ellipse the long way", small_deck(one, longell, false, "MROT=0", "")},
      {"dipole, long-way circle above the top", small_deck(one, raised, false, "MROT=1", "")},
      {"dipole, TAVO, two zones", small_deck(two, raised, false, "MROT=1", ", LTAVO=T")},
      {"Napoly method, circle above the top", small_deck(one, bulge, false, "MROT=0", ", LNAPOLY=T")},
      {"circle shorter than half its chord above the top: its warning in both passes",
       small_deck(two, {"0.05 0.02", "-2. -0.015", "0.05 0.06"}, false, "MROT=0", "")},
      {"iris: the program takes the Napoly contour", small_deck(one, iris, false, "MROT=0", "")},
      {"iris, dipole: the program takes the Napoly contour", small_deck(two, iris, false, "MROT=1", "")},
      {"iris, Napoly contour given",
       small_deck(one, iris, false, "MROT=0", ", LNAPOLY=T, ZCF=0.01, ZCT=0.07, RWAK=0.01")},
  };
  int n = 0;
  for (const row &r : rows) {
    SCOPED_TRACE(r.what);
    const fs::path once = d / ("once" + std::to_string(n)), twice = d / ("twice" + std::to_string(n));
    ++n;
    fs::create_directories(once);
    fs::create_directories(twice);
    const run_result a = run_in(once, "p.in", r.deck);
    ASSERT_EQ(a.status, 0) << a.err_terminal;
    const run_result b = run_in(twice, "p.in", cut_short(r.deck));
    ASSERT_EQ(b.status, 0) << b.err_terminal;
    ASSERT_TRUE(fs::exists(twice / "fort.1"));
    fs::copy_file(twice / "fort.1", twice / "fort.2");
    const run_result c = run_in(twice, "r.in", " &FILE  LREC=T, LSAV=T /\nSTOP\n");
    ASSERT_EQ(c.status, 0) << c.err_terminal;
    EXPECT_NE(c.out_terminal.find(" >  100% OVER\n"), std::string::npos);
    expect_files_of_one_run(once, twice);
  }
}

// The field records of a save whose inputs give another mesh (records 1 to 54 of one
// save, the field records of a save with the same wake length and radial lines on a
// longer structure): the restart stops before it reads a field record, naming both
// meshes.
TEST(SaveRestart, FieldsOfAnotherMeshStopTheRestart) {
  test_dir d;
  fs::create_directories(d / "a");
  fs::create_directories(d / "b");
  const std::string deck = cut_short(deck_file("save_pillbox.in"));
  ASSERT_EQ(run_in(d / "a", "a.in", deck).status, 0);
  ASSERT_EQ(run_in(d / "b", "b.in", replaced(replaced(deck, "0.02      0.08", "0.02      0.09"), "0.0       0.08",
                                             "0.0       0.09"))
                .status,
            0);
  const std::vector<std::string> ra = records_of(slurp(d / "a" / "fort.1")), rb = records_of(slurp(d / "b" / "fort.1"));
  ASSERT_GT(ra.size(), 60u);
  ASSERT_GT(rb.size(), 60u);
  ASSERT_EQ(ra[55].size(), rb[55].size()) << "the same wake length";
  std::vector<std::string> spliced(ra.begin(), ra.begin() + 54);
  spliced.insert(spliced.end(), rb.begin() + 54, rb.end());
  fs::create_directories(d / "r");
  write_file(d / "r" / "fort.2", framed(spliced));
  const run_result res = run_in(d / "r", "r.in", " &FILE  LREC=T /\nSTOP\n");
  EXPECT_EQ(res.status, 1);
  EXPECT_EQ(res.err_terminal, "zelk: run stopped, see r.out\n");
  EXPECT_EQ(res.out_terminal.find("RUN STARTED"), std::string::npos);
  const std::vector<std::string> rep = lines_of(slurp(d / "r" / "r.out"));
  auto at = std::find_if(rep.begin(), rep.end(),
                         [](const std::string &l) { return l.find("*** STOP ***") != std::string::npos; });
  ASSERT_NE(at, rep.end());
  EXPECT_EQ(*at, " *** STOP *** THE RESTART FILE HOLDS THE FIELDS OF A MESH OF      21 RADIAL LINES AND      "
                 "1386 NODES;");
  ASSERT_NE(at + 1, rep.end());
  EXPECT_EQ(at[1], " THE RESTORED INPUTS GIVE      21 RADIAL LINES AND      1302 NODES: THE SAVED RUN CANNOT BE "
                   "CONTINUED.");
  EXPECT_EQ(slurp(d / "r" / "r.out").find("ENDED WITHOUT ERROR"), std::string::npos);
}

// The sizes of a save read from the lengths of its field records: one chunk or several,
// the last chunk full or not (MSZW and NMESH multiples of 8000, NRN of 400), and lengths
// that are no save.
TEST(SaveRestart, SizesFromTheLengthsOfTheFieldRecords) {
  auto lengths = [](long NRN, long MSZW, long NMESH) {
    std::vector<std::size_t> s = {8};
    auto chunks = [&](long n, long len, int times, int pair) {
      for (int t = 0; t < times; ++t)
        for (long a = 0; a < n; a += len)
          for (int p = 0; p < pair; ++p) s.push_back(4 * static_cast<std::size_t>(std::min(len, n - a)));
    };
    chunks(MSZW, 8000, 2, 1);
    chunks(NRN, 400, 160, 2);
    chunks(NMESH, 8000, 6, 1);
    return s;
  };
  const long sizes[][3] = {{22, 46, 1302}, {401, 8006, 20000}, {400, 16000, 8000}, {800, 8000, 24001},
                           {2, 1, 2},      {1200, 7999, 16000}, {399, 8001, 7999}};
  for (const auto &z : sizes) {
    SCOPED_TRACE("NRN " + std::to_string(z[0]) + ", MSZW " + std::to_string(z[1]) + ", NMESH " + std::to_string(z[2]));
    saved_sizes(lengths(z[0], z[1], z[2]));
    EXPECT_EQ(rmesh.NRN, z[0]);
    EXPECT_EQ(rmesh.MSZW, z[1]);
    EXPECT_EQ(rmesh.NMESH, z[2]);
  }
  std::vector<std::size_t> cut = lengths(22, 46, 1302);
  cut.pop_back();
  std::vector<std::size_t> odd = lengths(22, 46, 1302);
  odd[100] = 92;
  for (const auto &bad : {std::vector<std::size_t>{}, std::vector<std::size_t>{8}, cut, odd}) {
    saved_sizes(bad);
    EXPECT_EQ(rmesh.NRN, 0);
    EXPECT_EQ(rmesh.MSZW, 0);
    EXPECT_EQ(rmesh.NMESH, 0);
  }
}
