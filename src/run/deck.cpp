// The input deck: namelist groups bound to their homes, their defaults, the reading of
// the first run and the control lines of the continuation runs.
#include "run/deck.hpp"

#include <algorithm>
#include <string>

#include "geometry/mesh.hpp"
#include "run/constants.hpp"
#include "run/geomlines.hpp"
#include "run/params.hpp"
#include "run/records.hpp"
#include "run/units.hpp"
#include "solver/fields.hpp"

// ------------------------------------------------------------------ the groups
// The order of the variables is the order in which the deck reader knows them.

namespace {

nlvar vi(const char *n, int &x) { return {n, 'I', &x, 1}; }
nlvar vr(const char *n, float &x) { return {n, 'R', &x, 1}; }
nlvar vl(const char *n, bool &x) { return {n, 'L', &x, 1}; }
template <long N> nlvar vra(const char *n, fix1<float, N> &a) {
  return {n, 'R', a.data(), static_cast<int>(N)};
}

std::vector<nlvar> prin_vars() {
  return {vl("LPRW", mp.LPRW),   vl("LMATPR", mp.LMATPR), vl("LSVW", mp.LSVW),
          vl("LSVF", ffts.LSVF), vl("LSVWL", wps.LSVWL),  vl("LSVWA", wps.LSVWA),
          vl("LSVWT", wps.LSVWT), vl("LPPW", mp.LPPW)};
}

} // namespace

const nlgroup &grp_file() {
  static const nlgroup g{"FILE",
                         {vl("LSAV", mp.LSAV), vi("ITEST", mp.ITEST), vl("LREC", mp.LREC),
                          vl("LCPUTM", mp.LCPUTM), vr("TSOS", mp.TSOS), vr("TMAX", mp.TMAX)}};
  return g;
}

const nlgroup &grp_boun() {
  static const nlgroup g{"BOUN", {vi("IZL", mp.IZL), vi("IZR", mp.IZR)}};
  return g;
}

const nlgroup &grp_mesh() {
  static const nlgroup g{"MESH",
                         {vi("NR", latc.NR), vi("NZ", latc.NZ), vra("DDR", latc.DDR),
                          vr("DDZ", latc.DDZ), vr("RAD", mp.RAD), vra("RZ", var.RZ),
                          vra("RMARK", lat2.RMARK)}};
  return g;
}

const nlgroup &grp_beam() {
  static const nlgroup g{"BEAM",
                         {vi("MROT", wpl.MROT), vr("SIG", latc.SIG), vi("ISIG", mp.ISIG),
                          vr("RDRIVE", offs.RDRIVE), vi("NBUNCH", cdis.NBUNCH),
                          vr("BSEP", cdis.BSEP)}};
  return g;
}

const nlgroup &grp_time() {
  static const nlgroup g{"TIME", {vi("MT", mp.MT), vr("TPS", mp.TPS), vi("NSHOT", mp.NSHOT)}};
  return g;
}

const nlgroup &grp_wake() {
  static const nlgroup g{
      "WAKE",
      {vr("UBT", mp.UBT), vl("LCFRON", win2.LCFRON), vl("LCBACK", win2.LCBACK),
       vl("LTAVO", win2.LTAVO), vl("LNAPOLY", wpl2.LNAPOLY), vr("ZCF", offs.ZCF),
       vr("ZCT", offs.ZCT), vr("RWAK", offs.RWAK), vl("LCRBW", crbw.LCRBW),
       vr("ZSEP", crbw.ZSEP), vl("LNONAP", wpl2.LNONAP)}};
  return g;
}

const nlgroup &grp_plot() {
  static const nlgroup g{
      "PLOT",
      {vl("LPLW", mp.LPLW),       vl("LCAVIN", mp.LCAVIN),  vl("LCAVUS", mp.LCAVUS),
       vl("LFFTL", mp.LFFTL),     vl("LFFTA", mp.LFFTA),    vl("LFFTT", mp.LFFTT),
       vr("CUTOFF", mp.CUTOFF),   vl("LFFT", mp.LFFT),      vl("LSPEC", mp.LSPEC),
       vl("LPLE", mp.LPLE),       vl("LPLC", mp.LPLC),      vi("NPLOT", mp.NPLOT),
       vl("LPALL", mp.LPALL),     vl("LWNDW", ffts.LWNDW),  vi("NWFUN", wfun.NWFUN),
       vr("ALPHA", wfun.ALPHA),   vl("LPLWL", wps.LPLWL),   vl("LPLWA", wps.LPLWA),
       vl("LPLWT", wps.LPLWT),    vl("LINTZ", intr.LINTZ),  vr("REDUCE", mp.REDUCE),
       vl("LPATH", plnz.LPATH),   vr("EXPFAC", expfr.EXPFAC)}};
  return g;
}

const nlgroup &grp_prin() {
  static const nlgroup g{"PRIN", prin_vars()};
  return g;
}

const nlgroup &grp_print() {
  static const nlgroup g{"PRINT", prin_vars()};
  return g;
}

// ------------------------------------------------------------------ defaults

void prmini() {
  // FILE
  mp.LSAV = false;
  mp.ITEST = 0;
  mp.LREC = false;
  mp.LCPUTM = false;
  mp.TSOS = 5.0f;
  mp.TMAX = 3600.0f;
  // MESH (the mesh description itself is preset by irdini, RZ by rzinit)
  mp.RAD = 0.0f;
  // BEAM (SIG has no default: it must be given)
  wpl.MROT = 1;
  mp.ISIG = 5;
  cals.SIGCUT = 5.0f;
  offs.RDRIVE = -1.0f;
  cdis.NBUNCH = 1;
  cdis.BSEP = 0.0f;
  // TIME
  mp.MT = 3;
  mp.TPS = 0.0f;
  mp.NSHOT = 5;
  // WAKE
  mp.UBT = 0.0f;
  win2.LCFRON = true;
  win2.LCBACK = true;
  win2.LTAVO = false;
  wpl2.LNAPOLY = false;
  offs.ZCF = -1.0f;
  offs.ZCT = -1.0f;
  offs.RWAK = -1.0f;
  crbw.LCRBW = false;
  crbw.ZSEP = 0.0f;
  wpl2.LNONAP = false;
  // PLOT
  mp.LPLW = false;
  mp.LCAVIN = false;
  mp.LCAVUS = false;
  mp.LFFTL = false;
  mp.LFFTA = false;
  mp.LFFTT = false;
  mp.CUTOFF = 0.0f;
  mp.LFFT = false;
  mp.LSPEC = false;
  mp.LPLE = false;
  mp.LPLC = false;
  mp.NPLOT = 10;
  mp.LPALL = false;
  ffts.LWNDW = true;
  wfun.NWFUN = 1;
  wfun.ALPHA = 3.0f;
  wps.LPLWL = false;
  wps.LPLWA = false;
  wps.LPLWT = false;
  intr.LINTZ = false;
  mp.REDUCE = 0.0f;
  plnz.LPATH = false;
  expfr.EXPFAC = 20.0f;
  // PRIN / PRINT
  mp.LPRW = false;
  mp.LMATPR = false;
  mp.LSVW = false;
  ffts.LSVF = false;
  wps.LSVWL = false;
  wps.LSVWA = false;
  wps.LSVWT = false;
  mp.LPPW = true;
  // run state
  symt.LHALF = false;
  mp.LADD = false;
  mp.CAVTXT = "FULL CELL INPUT ";
  mp.LPLEC = false;
  mp.MESHNEW = false;
  mp.BEAMONLY = false;
  mp.KSNAP = 0;
  mp.KSTART = 0;
  geo.ZL = 0.0f;
  mp.IRUN = 0;
}

void rzinit() {
  for (long n = 1; n <= var.RZ.size(); ++n) var.RZ(n) = -8888.0f;
}

void irdini() {
  latc.NR = 0;
  latc.NZ = 0;
  latc.DDZ = 0.0f;
  for (long k = 1; k <= 1000; ++k) {
    latc.DDR(k) = 0.0f;
    lat2.RMARK(k) = 0.0f;
    lat2.XR(k) = 0.0f;
    lat3.IRM(k) = 0;
  }
  lat2.NZONE = 0;
  lat2.NRL = 0;
  napcom.NRNAP1 = 0;
  napcom.NRNAP2 = 0;
  // The radial mesh lines of the last run, when they exist (never beyond what is held).
  if (msz.NRN > 0) {
    const long n1 = std::min<long>(msz.NRN, gr_data.gr.size());
    const long n2 = std::min<long>(msz.NRN, gr_data.gdr.size());
    for (long i = 1; i <= n1; ++i) gr(i) = 0.0f;
    for (long i = 1; i <= n2; ++i) gdr(i) = 0.0f;
  }
}

// The collective switches LFFT, LPLW and LSVW were expanded into their single switches
// during the run; undo that, so that the next run sees only what its own groups set.
void flgini(bool &LFFTL, bool &LFFTA, bool &LFFTT, bool &LFFTANY, bool &LFFT, bool &LPLW,
            bool &LSVW) {
  if (LFFT) {
    LFFTL = false;
    LFFTA = false;
    LFFTT = false;
    LFFTANY = false;
  }
  if (LPLW) {
    wps.LPLWL = false;
    wps.LPLWA = false;
    wps.LPLWT = false;
  }
  if (LSVW) {
    wps.LSVWL = false;
    wps.LSVWA = false;
    wps.LSVWT = false;
  }
}

// ------------------------------------------------------------------ first run

namespace {

// Fixed-column read of the first n columns of the next record (A8, A4), blank filled.
std::string read_cols(std::size_t n) { return uread_cols(ndev.NIN, n); }

// The next record with An, then back up so that the next read takes it again.
std::string probe_cols(std::size_t n) {
  std::string s = read_cols(n);
  ubackspace(ndev.NIN);
  return s;
}

} // namespace

void read_file_group() { rdnml(ndev.NIN, grp_file()); }

void read_title() {
  const std::string t = read_cols(72);
  for (int k = 1; k <= 9; ++k) mp.TITLE(k) = t.substr(static_cast<std::size_t>(k - 1) * 8, 8);
}

void read_first_run() {
  // BOUN only when its opening line is " &BO" or " $BO" alone in columns 1 to 8.
  const std::string line8 = probe_cols(8);
  if (line8 == " &BO    " || line8 == " $BO    ") rdnml(ndev.NIN, grp_boun());

  rdnml(ndev.NIN, grp_mesh());

  // Geometry header: half-cell (##, @@) and relative (@) input; only columns 1-8 count.
  const std::string h = read_cols(8);
  mp.TITLE(10) = h;
  if (h == "##CAVITY" || h == " ##CAVIT" || h == "@@CAVITY" || h == " @@CAVIT")
    symt.LHALF = true;
  if (symt.LHALF) mp.CAVTXT = "HALF CELL INPUT ";
  if (h == "@@CAVITY" || h == " @@CAVIT" || h == "@CAVITYS" || h == " @CAVITY") mp.LADD = true;

  inputi(mp.LADD, latc.NPTS, mp.NLINES, lat2.NLAST, mp.ZMAX, mp.RMAX);
  mp.NPTS0 = latc.NPTS;
  mp.NLAST0 = lat2.NLAST;
  mp.ZLAST = geo.ZZ(lat2.NLAST);

  rdnml(ndev.NIN, grp_beam());
  rdnml(ndev.NIN, grp_time());
  rdnml(ndev.NIN, grp_wake());
  rdnml(ndev.NIN, grp_plot());

  // PRINT only when the very next record opens it in column 2 with column 8 blank.
  const std::string p8 = probe_cols(8);
  if (p8 == " &PRINT " || p8 == " $PRINT ")
    rdnml(ndev.NIN, grp_print());
  else
    rdnml(ndev.NIN, grp_prin());
}

void first_run_copies() {
  for (long k = 1; k <= 1000; ++k) {
    mp.DDR0(k) = latc.DDR(k);
    mp.RMARK0(k) = lat2.RMARK(k);
  }
  mp.CUTOFF0 = mp.CUTOFF;
  mp.LNAPOLY0 = wpl2.LNAPOLY;
  mp.NZ0 = latc.NZ;
  mp.NR0 = latc.NR;
  mp.DDZ0 = latc.DDZ;
}

// ------------------------------------------------------------------ between runs

void between_runs_reset() {
  wpl2.LNAPOLY = mp.LNAPOLY0;
  mp.MESHNEW = false;
  mp.BEAMONLY = false;
  flgini(mp.LFFTL, mp.LFFTA, mp.LFFTT, mp.LFFTANY, mp.LFFT, mp.LPLW, mp.LSVW);
  irdini();
  // Every later run starts from the mesh of the first run unless it reads MESH again.
  for (long k = 1; k <= 1000; ++k) {
    latc.DDR(k) = mp.DDR0(k);
    lat2.RMARK(k) = mp.RMARK0(k);
  }
  latc.DDZ = mp.DDZ0;
  latc.NR = mp.NR0;
  latc.NZ = mp.NZ0;
}

// Control lines: "CONT", then the groups MESH, BEAM, WAKE, PLOT, PRIN in this order, each
// at most once and opened in column 2; "CONT" or "STOP" after a group starts the run and
// is backed up, so that it is read again after the run. PRIN starts the run at once.
bool read_control_lines() {
  const int in = ndev.NIN;
  std::string line = uget_or_die(in);
  if (padto(line, 4) != "CONT") return false;

  auto next_word = [&]() {
    line = uget_or_die(in);
    return padto(line, 4);
  };
  auto starts_run = [&](const std::string &w) {
    if (w != "STOP" && w != "CONT") return false;
    ubackspace(in);
    mp.IRUN += 1;
    return true;
  };

  std::string w = next_word();
  if (w == " &ME" || w == " $ME") {
    ubackspace(in);
    rdnml(in, grp_mesh());
    mp.MESHNEW = true;
    w = next_word();
    if (starts_run(w)) return true;
  }
  if (w == " &BE" || w == " $BE") {
    ubackspace(in);
    rdnml(in, grp_beam());
    if (!mp.MESHNEW) mp.BEAMONLY = true;
    w = next_word();
    if (starts_run(w)) return true;
  }
  if (w == " &WA" || w == " $WA") {
    ubackspace(in);
    rdnml(in, grp_wake());
    mp.BEAMONLY = false;
    w = next_word();
    if (starts_run(w)) return true;
  }
  if (w == " &PL" || w == " $PL") {
    ubackspace(in);
    rdnml(in, grp_plot());
    w = next_word();
    if (starts_run(w)) return true;
  }
  if (w == " &PR" || w == " $PR") {
    ubackspace(in);
    rdnml(in, grp_prin());
    mp.IRUN += 1;
    return true;
  }
  // No further run. Only "STOP" right after "CONT" is an orderly end; anything else is a
  // control line the grammar does not allow, and the groups read before it are dropped.
  if (w != "STOP") {
    rec(ndev.NOUT, "(A)", "");
    rec(ndev.NOUT, "(1X,A,A72)", "*** WARNING *** CONTROL LINE NOT UNDERSTOOD AFTER CONT, NO FURTHER RUN: ",
        padto(line, 72));
  }
  return false;
}
