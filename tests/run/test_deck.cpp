// Input deck: group bindings and defaults, the probes of the first run, the geometry
// header, the first-run copies and the control lines of the continuation runs.
#include <string>
#include <vector>

#include "deck_test_util.hpp"
#include "run/geomlines.hpp"
#include "solver/fields.hpp"

namespace {

class Deck : public ::testing::Test {
protected:
  void SetUp() override { fresh_inputs(); }
};

// A first-run deck with the given records between the title and MESH, the given
// header, a small closed contour and the given records after PLOT.
std::string first_run_deck(const std::string &before_mesh, const std::string &header,
                           const std::string &after_plot, const std::string &groups = "") {
  return " &FILE /\nTITLE\n" + before_mesh + " &MESH DDZ=0.001 /\n" + header +
         "\n0\n0 0\n0.02 0\n0.02 0.01\n0 0.01\n0 0\n9999\n" +
         (groups.empty() ? " &BEAM SIG=0.001 /\n &TIME /\n &WAKE /\n &PLOT /\n" : groups) +
         after_plot;
}

void read_whole_first_run(const std::string &text) {
  deck(text);
  read_file_group();
  read_title();
  read_first_run();
  first_run_copies();
}

std::string next_record() {
  std::string r;
  if (!uget(ndev.NIN, r)) return "<end>";
  return r;
}

} // namespace

TEST_F(Deck, EmptyGroupsLeaveTheDefaults) {
  mp.ISIG = 99; // prmini must restore all of these
  wfun.ALPHA = -1.0f;
  win2.LCFRON = false;
  prmini();
  read_whole_first_run(first_run_deck("", "#CAVITYSHAPE", " &PRIN /\n",
                                      " &BEAM /\n &TIME /\n &WAKE /\n &PLOT /\n"));
  struct {
    const char *name;
    double got, want;
  } nums[] = {
      {"ITEST", double(mp.ITEST), 0},       {"TSOS", mp.TSOS, 5.0},
      {"TMAX", mp.TMAX, 3600.0},            {"NR", double(latc.NR), 0},
      {"NZ", double(latc.NZ), 0},           {"DDR(1000)", latc.DDR(1000), 0.0},
      {"RAD", mp.RAD, 0.0},                 {"RZ(1)", var.RZ(1), -8888.0},
      {"RZ(2000)", var.RZ(2000), -8888.0},  {"RMARK(1)", lat2.RMARK(1), 0.0},
      {"MROT", double(wpl.MROT), 1},        {"SIG", latc.SIG, 0.0},
      {"ISIG", double(mp.ISIG), 5},         {"SIGCUT", cals.SIGCUT, 5.0},
      {"RDRIVE", offs.RDRIVE, -1.0},        {"NBUNCH", double(cdis.NBUNCH), 1},
      {"BSEP", cdis.BSEP, 0.0},             {"MT", double(mp.MT), 3},
      {"TPS", mp.TPS, 0.0},                 {"NSHOT", double(mp.NSHOT), 5},
      {"UBT", mp.UBT, 0.0},                 {"ZCF", offs.ZCF, -1.0},
      {"ZCT", offs.ZCT, -1.0},              {"RWAK", offs.RWAK, -1.0},
      {"ZSEP", crbw.ZSEP, 0.0},             {"CUTOFF", mp.CUTOFF, 0.0},
      {"NPLOT", double(mp.NPLOT), 10},      {"NWFUN", double(wfun.NWFUN), 1},
      {"ALPHA", wfun.ALPHA, 3.0},           {"REDUCE", mp.REDUCE, 0.0},
      {"EXPFAC", expfr.EXPFAC, 20.0},       {"IRUN", double(mp.IRUN), 0},
      {"KSTART", double(mp.KSTART), 0},     {"KSNAP", double(mp.KSNAP), 0},
      {"ZL", geo.ZL, 0.0},
  };
  for (auto &n : nums) EXPECT_EQ(n.got, static_cast<double>(static_cast<float>(n.want))) << n.name;
  struct {
    const char *name;
    bool got, want;
  } sw[] = {
      {"LSAV", mp.LSAV, false},       {"LREC", mp.LREC, false},       {"LCPUTM", mp.LCPUTM, false},
      {"LCFRON", win2.LCFRON, true},  {"LCBACK", win2.LCBACK, true},  {"LTAVO", win2.LTAVO, false},
      {"LNAPOLY", wpl2.LNAPOLY, false}, {"LCRBW", crbw.LCRBW, false}, {"LNONAP", wpl2.LNONAP, false},
      {"LPLW", mp.LPLW, false},       {"LCAVIN", mp.LCAVIN, false},   {"LCAVUS", mp.LCAVUS, false},
      {"LFFTL", mp.LFFTL, false},     {"LFFTA", mp.LFFTA, false},     {"LFFTT", mp.LFFTT, false},
      {"LFFT", mp.LFFT, false},       {"LSPEC", mp.LSPEC, false},     {"LPLE", mp.LPLE, false},
      {"LPLC", mp.LPLC, false},       {"LPALL", mp.LPALL, false},     {"LWNDW", ffts.LWNDW, true},
      {"LPLWL", wps.LPLWL, false},    {"LPLWA", wps.LPLWA, false},    {"LPLWT", wps.LPLWT, false},
      {"LINTZ", intr.LINTZ, false},   {"LPATH", plnz.LPATH, false},   {"LPRW", mp.LPRW, false},
      {"LMATPR", mp.LMATPR, false},   {"LSVW", mp.LSVW, false},       {"LSVF", ffts.LSVF, false},
      {"LSVWL", wps.LSVWL, false},    {"LSVWA", wps.LSVWA, false},    {"LSVWT", wps.LSVWT, false},
      {"LPPW", mp.LPPW, true},        {"LHALF", symt.LHALF, false},   {"LADD", mp.LADD, false},
      {"LPLEC", mp.LPLEC, false},     {"MESHNEW", mp.MESHNEW, false}, {"BEAMONLY", mp.BEAMONLY, false},
  };
  for (auto &s : sw) EXPECT_EQ(s.got, s.want) << s.name;
  EXPECT_EQ(mp.CAVTXT, "FULL CELL INPUT ");
}

TEST_F(Deck, EveryVariableReachesItsHome) {
  const std::string groups =
      " &BEAM MROT=2, SIG=0.003, ISIG=4, RDRIVE=0.01, NBUNCH=3, BSEP=0.2 /\n"
      " &TIME MT=6, TPS=12.5, NSHOT=7 /\n"
      " &WAKE UBT=0.5, LCFRON=F, LCBACK=F, LTAVO=T, LNAPOLY=T, ZCF=0.01, ZCT=0.02,\n"
      "       RWAK=0.03, LCRBW=T, ZSEP=0.04, LNONAP=T /\n"
      " &PLOT LPLW=T, LCAVIN=T, LCAVUS=T, LFFTL=T, LFFTA=T, LFFTT=T, CUTOFF=40.,\n"
      "  LFFT=T, LSPEC=T, LPLE=T, LPLC=T, NPLOT=11, LPALL=T, LWNDW=F, NWFUN=2,\n"
      "  ALPHA=2.5, LPLWL=T, LPLWA=T, LPLWT=T, LINTZ=T, REDUCE=0.5, LPATH=T, EXPFAC=30 /\n";
  const std::string text =
      " &FILE LSAV=T, ITEST=2, LREC=F, LCPUTM=T, TSOS=6., TMAX=100. /\nTITLE\n"
      " &MESH NR=20, NZ=30, DDR(2)=0.002, DDZ=0.001, RAD=0.1, RZ(2000)=0.5, RMARK(3)=0.07 /\n"
      "#CAVITYSHAPE\n0\n0 0\n0.02 0\n0.02 0.01\n0 0.01\n0 0\n9999\n" +
      groups +
      " &PRIN LPRW=T, LMATPR=T, LSVW=T, LSVF=T, LSVWL=T, LSVWA=T, LSVWT=T, LPPW=F /\n";
  read_whole_first_run(text);
  struct {
    const char *name;
    double got, want;
  } nums[] = {
      {"ITEST", double(mp.ITEST), 2},       {"TSOS", mp.TSOS, 6.0},
      {"TMAX", mp.TMAX, 100.0},             {"NR", double(latc.NR), 20},
      {"NZ", double(latc.NZ), 30},          {"DDR(2)", latc.DDR(2), 0.002},
      {"DDZ", latc.DDZ, 0.001},             {"RAD", mp.RAD, 0.1},
      {"RZ(2000)", var.RZ(2000), 0.5},      {"RMARK(3)", lat2.RMARK(3), 0.07},
      {"MROT", double(wpl.MROT), 2},        {"SIG", latc.SIG, 0.003},
      {"ISIG", double(mp.ISIG), 4},         {"RDRIVE", offs.RDRIVE, 0.01},
      {"NBUNCH", double(cdis.NBUNCH), 3},   {"BSEP", cdis.BSEP, 0.2},
      {"MT", double(mp.MT), 6},             {"TPS", mp.TPS, 12.5},
      {"NSHOT", double(mp.NSHOT), 7},       {"UBT", mp.UBT, 0.5},
      {"ZCF", offs.ZCF, 0.01},              {"ZCT", offs.ZCT, 0.02},
      {"RWAK", offs.RWAK, 0.03},            {"ZSEP", crbw.ZSEP, 0.04},
      {"CUTOFF", mp.CUTOFF, 40.0},          {"NPLOT", double(mp.NPLOT), 11},
      {"NWFUN", double(wfun.NWFUN), 2},     {"ALPHA", wfun.ALPHA, 2.5},
      {"REDUCE", mp.REDUCE, 0.5},           {"EXPFAC", expfr.EXPFAC, 30.0},
  };
  for (auto &n : nums) EXPECT_EQ(n.got, static_cast<double>(static_cast<float>(n.want))) << n.name;
  struct {
    const char *name;
    bool got, want;
  } sw[] = {
      {"LSAV", mp.LSAV, true},        {"LCPUTM", mp.LCPUTM, true},   {"LCFRON", win2.LCFRON, false},
      {"LCBACK", win2.LCBACK, false}, {"LTAVO", win2.LTAVO, true},   {"LNAPOLY", wpl2.LNAPOLY, true},
      {"LCRBW", crbw.LCRBW, true},    {"LNONAP", wpl2.LNONAP, true}, {"LPLW", mp.LPLW, true},
      {"LCAVIN", mp.LCAVIN, true},    {"LCAVUS", mp.LCAVUS, true},   {"LFFTL", mp.LFFTL, true},
      {"LFFTA", mp.LFFTA, true},      {"LFFTT", mp.LFFTT, true},     {"LFFT", mp.LFFT, true},
      {"LSPEC", mp.LSPEC, true},      {"LPLE", mp.LPLE, true},       {"LPLC", mp.LPLC, true},
      {"LPALL", mp.LPALL, true},      {"LWNDW", ffts.LWNDW, false},  {"LPLWL", wps.LPLWL, true},
      {"LPLWA", wps.LPLWA, true},     {"LPLWT", wps.LPLWT, true},    {"LINTZ", intr.LINTZ, true},
      {"LPATH", plnz.LPATH, true},    {"LPRW", mp.LPRW, true},       {"LMATPR", mp.LMATPR, true},
      {"LSVW", mp.LSVW, true},        {"LSVF", ffts.LSVF, true},     {"LSVWL", wps.LSVWL, true},
      {"LSVWA", wps.LSVWA, true},     {"LSVWT", wps.LSVWT, true},    {"LPPW", mp.LPPW, false},
  };
  for (auto &s : sw) EXPECT_EQ(s.got, s.want) << s.name;
  // The main program's copies of the first run.
  EXPECT_EQ(mp.NR0, 20);
  EXPECT_EQ(mp.NZ0, 30);
  EXPECT_EQ(mp.DDZ0, 0.001f);
  EXPECT_EQ(mp.DDR0(2), 0.002f);
  EXPECT_EQ(mp.RMARK0(3), 0.07f);
  EXPECT_EQ(mp.CUTOFF0, 40.0f);
  EXPECT_TRUE(mp.LNAPOLY0);
}

TEST_F(Deck, GeometryHeaderSetsHalfCellAndRelativeInput) {
  const struct {
    const char *header;
    bool half, add;
  } cases[] = {
      {"#CAVITYSHAPE", false, false},  {"##CAVITYSHAPE", true, false},
      {" ##CAVITYSHAPE", true, false}, {"@CAVITYSHAPE", false, true},
      {" @CAVITYSHAPE", false, true},  {"@@CAVITYSHAPE", true, true},
      {" @@CAVITYSHAPE", true, true},  {"@ CAVITYSHAPE", false, false},
      {"  @CAVITYSHAPE", false, false}, {"##CAVITX", false, false},
      {"##CAVITY AND MORE", true, false},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.header);
    fresh_inputs();
    read_whole_first_run(first_run_deck("", c.header, " &PRIN /\n"));
    EXPECT_EQ(symt.LHALF, c.half);
    EXPECT_EQ(mp.LADD, c.add);
    EXPECT_EQ(mp.CAVTXT, c.half ? "HALF CELL INPUT " : "FULL CELL INPUT ");
    EXPECT_EQ(mp.TITLE(10), col72(c.header).substr(0, 8));
  }
}

TEST_F(Deck, BounIsReadOnlyWhenItsLineHoldsNothingAfterColumnFour) {
  const struct {
    const char *before_mesh;
    int izl;
  } cases[] = {
      {"", -77},
      {" &BOUN IZL=3, IZR=4 /\n", -77},        // full name: passed over by MESH
      {" &BO\n &BOUN IZL=5, IZR=6 /\n", 5},   // probe matches, the group follows
      {" $BO    \n $BOUN IZL=7 $END\n", 7},
      {"&BO\n &BOUN IZL=5 /\n", -77},          // column 1 must be blank
      {" &BO  X\n &BOUN IZL=5 /\n", -77},      // columns 5 to 8 must be blank
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.before_mesh);
    fresh_inputs();
    read_whole_first_run(first_run_deck(c.before_mesh, "#CAVITYSHAPE", " &PRIN /\n"));
    EXPECT_EQ(mp.IZL, c.izl);
    EXPECT_EQ(latc.DDZ, 0.001f); // MESH is read the same way in every case
    EXPECT_EQ(latc.NPTS, 5);
  }
}

TEST_F(Deck, PrintProbeLooksAtTheRecordAfterPlot) {
  const struct {
    const char *after_plot;
    bool lprw;
    const char *next;
  } cases[] = {
      {" &PRINT LPRW=T /\nCONT\n", true, "CONT"},
      {" $PRINT LPRW=T $END\nSTOP\n", true, "STOP"},
      {" &PRIN LPRW=T /\nSTOP\n", true, "STOP"},
      {" &PRIN\n LPRW=T\n /\nSTOP\n", true, "STOP"},
      {"\n &PRIN LPRW=T /\nSTOP\n", true, "STOP"}, // blank line: PRIN is searched for
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.after_plot);
    fresh_inputs();
    read_whole_first_run(first_run_deck("", "#CAVITYSHAPE", c.after_plot));
    EXPECT_EQ(mp.LPRW, c.lprw);
    EXPECT_EQ(next_record(), c.next);
  }
}

TEST_F(Deck, PrintAfterABlankLineIsNotTakenForPrin) {
  stop_report(first_run_deck("", "#CAVITYSHAPE", "\n &PRINT LPRW=T /\nSTOP\n"),
              [] {
                read_file_group();
                read_title();
                read_first_run();
              },
              "zelk: test.in:.*group &PRIN not found");
}

TEST_F(Deck, TitleIsNineTextsOfEight) {
  deck("SHORT TITLE\n" + std::string(8, 'A') + std::string(8, 'B') + std::string(56, 'C') + "XYZ\n");
  read_title();
  EXPECT_EQ(mp.TITLE(1), "SHORT TI");
  EXPECT_EQ(mp.TITLE(2), "TLE     ");
  EXPECT_EQ(mp.TITLE(9), "        ");
  read_title();
  EXPECT_EQ(mp.TITLE(1), "AAAAAAAA");
  EXPECT_EQ(mp.TITLE(2), "BBBBBBBB");
  EXPECT_EQ(mp.TITLE(9), "CCCCCCCC"); // columns after 72 are not read
}

TEST_F(Deck, FlginiUndoesOnlyTheExpandedCollectiveSwitches) {
  auto all_true = [] {
    mp.LFFTL = mp.LFFTA = mp.LFFTT = mp.LFFTANY = true;
    wps.LPLWL = wps.LPLWA = wps.LPLWT = true;
    wps.LSVWL = wps.LSVWA = wps.LSVWT = true;
  };
  const struct {
    bool lfft, lplw, lsvw;
  } cases[] = {{true, false, false}, {false, true, false}, {false, false, true}, {false, false, false}};
  for (auto &c : cases) {
    all_true();
    mp.LFFT = c.lfft;
    mp.LPLW = c.lplw;
    mp.LSVW = c.lsvw;
    flgini(mp.LFFTL, mp.LFFTA, mp.LFFTT, mp.LFFTANY, mp.LFFT, mp.LPLW, mp.LSVW);
    const bool fft[] = {mp.LFFTL, mp.LFFTA, mp.LFFTT, mp.LFFTANY};
    for (bool b : fft) EXPECT_EQ(b, !c.lfft);
    const bool plw[] = {wps.LPLWL, wps.LPLWA, wps.LPLWT};
    for (bool b : plw) EXPECT_EQ(b, !c.lplw);
    const bool svw[] = {wps.LSVWL, wps.LSVWA, wps.LSVWT};
    for (bool b : svw) EXPECT_EQ(b, !c.lsvw);
    EXPECT_EQ(mp.LFFT, c.lfft); // the collective switches themselves stay
  }
}

TEST_F(Deck, IrdiniClearsTheRadialSetUp) {
  latc.NR = 5;
  latc.DDR(7) = 1.0f;
  lat2.XR(1000) = 2.0f;
  lat3.IRM(3) = 4;
  lat2.NZONE = 2;
  lat2.NRL = 9;
  napcom.NRNAP1 = napcom.NRNAP2 = 6;
  gr_data.gr.alloc(4, 1.5f);
  gr_data.gdr.alloc(4, 0.5f);
  msz.NRN = 6; // more than is held: only what exists is cleared
  irdini();
  EXPECT_EQ(latc.NR, 0);
  EXPECT_EQ(latc.DDR(7), 0.0f);
  EXPECT_EQ(lat2.XR(1000), 0.0f);
  EXPECT_EQ(lat3.IRM(3), 0);
  EXPECT_EQ(lat2.NZONE + lat2.NRL, 0);
  EXPECT_EQ(napcom.NRNAP1 + napcom.NRNAP2, 0);
  for (long i = 1; i <= 4; ++i) {
    EXPECT_EQ(gr(i), 0.0f);
    EXPECT_EQ(gdr(i), 0.0f);
  }
  gr_data.gr.release();
  gr_data.gdr.release();
  msz.NRN = 0;
}

// ---------------------------------------------------------------- control lines

namespace {
const std::string kWarn =
    " *** WARNING *** CONTROL LINE NOT UNDERSTOOD AFTER CONT, NO FURTHER RUN: ";
}

TEST_F(Deck, ControlLineGrammar) {
  const struct {
    const char *lines;
    bool run;
    bool meshnew, beamonly;
    const char *warned; // the record quoted by the warning, or nullptr
    const char *next;   // the record read after the control lines
  } cases[] = {
      {"STOP\nX\n", false, false, false, nullptr, "X"},
      {"END\nX\n", false, false, false, nullptr, "X"},
      {"CONT\nSTOP\n", false, false, false, nullptr, "<end>"},
      {"CONT\n &BEAM SIG=0.002 /\nSTOP\n", true, false, true, nullptr, "STOP"},
      {"CONT\n $BEAM SIG=0.002 $END\nCONT\n", true, false, true, nullptr, "CONT"},
      {"CONT\n &BEAM /\n &WAKE /\nSTOP\n", true, false, false, nullptr, "STOP"},
      {"CONT\n &BEAM /\n &PLOT /\nSTOP\n", true, false, true, nullptr, "STOP"},
      {"CONT\n &MESH DDZ=0.002 /\n &BEAM /\nSTOP\n", true, true, false, nullptr, "STOP"},
      {"CONT\n &MESH /\nSTOP\n", true, true, false, nullptr, "STOP"},
      {"CONT\n &WAKE /\nSTOP\n", true, false, false, nullptr, "STOP"},
      {"CONT\n &PLOT /\n &PRIN LPRW=T /\nSTOP\n", true, false, false, nullptr, "STOP"},
      {"CONT\n &PRIN LPRW=T /\nNEXT\n", true, false, false, nullptr, "NEXT"},
      {"CONT\n &WAKE /\n &MESH /\nSTOP\n", false, false, false, " &MESH /", "STOP"},
      {"CONT\n &BEAM /\nGARBAGE\n", false, false, true, "GARBAGE", "<end>"},
      {"CONT\n&BEAM /\nSTOP\n", false, false, false, "&BEAM /", "STOP"},
      {"CONT\nCONT\n", false, false, false, "CONT", "<end>"},
      {"CONT\n\nSTOP\n", false, false, false, "", "STOP"},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.lines);
    fresh_inputs();
    deck(c.lines);
    EXPECT_EQ(read_control_lines(), c.run);
    EXPECT_EQ(mp.IRUN, c.run ? 1 : 0);
    EXPECT_EQ(mp.MESHNEW, c.meshnew);
    EXPECT_EQ(mp.BEAMONLY, c.beamonly);
    if (c.warned)
      EXPECT_EQ(report(), (std::vector<std::string>{"", kWarn + col72(c.warned)}));
    else
      EXPECT_TRUE(report().empty());
    EXPECT_EQ(next_record(), c.next);
  }
}

TEST_F(Deck, ControlLinesNeedTheirRecords) {
  stop_report("", [] { read_control_lines(); }, "zelk: test.in:1: ");
  stop_report("CONT\n &BEAM SIG=0.1 /\n", [] { read_control_lines(); }, "zelk: test.in:3: ");
}

// The whole sequence of a deck with three continuations (tests/decks).
TEST_F(Deck, ContinuationRunsStartFromTheFirstRunsMesh) {
  const std::string text = read_deck_file("pillbox_continuations.in");
  read_whole_first_run(text);

  EXPECT_EQ(mp.ITEST, 1);
  EXPECT_EQ(mp.TSOS, 7.5f);
  std::string title;
  for (int k = 1; k <= 9; ++k) title += mp.TITLE(k);
  EXPECT_EQ(title, col72("PILLBOX WITH PIPES, FOUR RUNS FROM CONTROL LINES"));
  EXPECT_EQ(mp.IZL, -77); // &BOUN with its full name is passed over
  EXPECT_EQ(mp.NPTS0, 9);
  EXPECT_EQ(mp.NLAST0, 7);
  EXPECT_EQ(mp.ZLAST, 0.04f);
  EXPECT_EQ(mp.NLINES, 9);
  EXPECT_EQ(geo.RR(4), 0.05f); // RZ2
  EXPECT_EQ(mp.DDZ0, 0.001f);
  EXPECT_EQ(mp.CUTOFF0, 30.0f);
  EXPECT_TRUE(mp.LSVW);         // read as &PRINT
  EXPECT_EQ(mp.IRUN, 0);

  // What the first run did to the switches and the radial set-up.
  mp.LFFTL = mp.LFFTA = mp.LFFTT = mp.LFFTANY = true;
  wps.LPLWL = wps.LPLWA = wps.LPLWT = true;
  wps.LSVWL = wps.LSVWA = wps.LSVWT = true;
  lat2.NZONE = 1;
  between_runs_reset();
  EXPECT_FALSE(mp.LFFTL || mp.LFFTA || mp.LFFTT || mp.LFFTANY);
  EXPECT_FALSE(wps.LPLWL || wps.LPLWA || wps.LPLWT || wps.LSVWL || wps.LSVWA || wps.LSVWT);
  EXPECT_EQ(lat2.NZONE, 0);
  EXPECT_EQ(latc.DDZ, 0.001f);
  EXPECT_EQ(lat2.RMARK(1), 0.05f);

  // Run 2: BEAM and WAKE (banner and echo), LNAPOLY for this run only.
  ASSERT_TRUE(read_control_lines());
  EXPECT_EQ(mp.IRUN, 1);
  EXPECT_FALSE(mp.MESHNEW);
  EXPECT_FALSE(mp.BEAMONLY);
  EXPECT_EQ(latc.SIG, 0.003f);
  EXPECT_TRUE(wpl2.LNAPOLY);
  latc.DDZ = 0.0123f; // the run may change the mesh inputs
  between_runs_reset();
  EXPECT_FALSE(wpl2.LNAPOLY);
  EXPECT_EQ(latc.DDZ, 0.001f);

  // Run 3: a new mesh and a new RZ(2); the stored lines are decoded again.
  ASSERT_TRUE(read_control_lines());
  EXPECT_EQ(mp.IRUN, 2);
  EXPECT_TRUE(mp.MESHNEW);
  EXPECT_FALSE(mp.BEAMONLY);
  EXPECT_EQ(latc.DDZ, 0.0005f);
  EXPECT_EQ(lat2.RMARK(1), 0.05f); // the first run's, the new MESH does not set it
  EXPECT_TRUE(mp.LCAVIN);
  latc.NPTS = mp.NPTS0;
  lat2.NLAST = mp.NLAST0;
  inputd(mp.LADD, latc.NPTS, mp.NLINES, lat2.NLAST, mp.ZMAX, mp.RMAX);
  EXPECT_EQ(geo.RR(4), 0.06f);
  EXPECT_EQ(mp.RMAX, 0.06f);
  EXPECT_EQ(lat2.NLAST, 7);
  between_runs_reset();
  EXPECT_FALSE(mp.MESHNEW);

  // Run 4: BEAM alone, on the first run's mesh; RZ keeps the value of run 3.
  ASSERT_TRUE(read_control_lines());
  EXPECT_EQ(mp.IRUN, 3);
  EXPECT_TRUE(mp.BEAMONLY);
  EXPECT_EQ(latc.SIG, 0.004f);
  EXPECT_EQ(latc.DDZ, 0.001f);
  EXPECT_EQ(var.RZ(2), 0.06f);
  between_runs_reset();

  EXPECT_FALSE(read_control_lines()); // STOP
  EXPECT_TRUE(report().empty());
}

TEST_F(Deck, RelativeHalfCellDeckWithShortBounProbe) {
  read_whole_first_run(read_deck_file("boun_short_probe.in"));
  EXPECT_EQ(mp.IZL, 5);
  EXPECT_EQ(mp.IZR, 6);
  EXPECT_TRUE(symt.LHALF);
  EXPECT_TRUE(mp.LADD);
  EXPECT_EQ(mp.CAVTXT, "HALF CELL INPUT ");
  EXPECT_EQ(latc.NPTS, 5);
  EXPECT_EQ(geo.RR(4), 0.02f);
  EXPECT_EQ(geo.ZZ(4), 0.02f);
  EXPECT_EQ(geo.RR(5), 0.0f);
  EXPECT_EQ(lat2.NLAST, 3);
  EXPECT_TRUE(mp.LPRW);
  EXPECT_FALSE(read_control_lines());
}
