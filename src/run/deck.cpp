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

// ------------------------------------------------------------------ the deck table
// Every variable of the deck groups, group by group in the order in which the deck
// reader knows them, with its home, its default and its place in the save file. The
// namelist groups, the defaults and the saved inputs are all taken from here.

namespace {

constexpr float T = 1.0f, F = 0.0f; // switch defaults

deckvar_t I(const char *n, const char *g, int &x, deck_preset d, float def, int rec = 0, int pos = 0) {
  return {n, g, 'I', &x, 1, d, def, rec, pos};
}
deckvar_t R(const char *n, const char *g, float &x, deck_preset d, float def, int rec = 0, int pos = 0) {
  return {n, g, 'R', &x, 1, d, def, rec, pos};
}
deckvar_t L(const char *n, const char *g, bool &x, deck_preset d, float def, int rec = 0, int pos = 0) {
  return {n, g, 'L', &x, 1, d, def, rec, pos};
}
template <long LEN>
deckvar_t RA(const char *n, const char *g, fix1<float, LEN> &a, deck_preset d, float def, int rec = 0,
             int pos = 0) {
  return {n, g, 'R', a.data(), static_cast<int>(LEN), d, def, rec, pos};
}

// Preset by prmini, by irdini (the mesh description), by rzinit; N: no default.
constexpr deck_preset P = PRESET_PRMINI, M = PRESET_IRDINI, U = PRESET_RZINIT, N = PRESET_NONE;

} // namespace

const std::vector<deckvar_t> &deck_table() {
  static const std::vector<deckvar_t> t{
      // name, group, home, preset, default; save record and place
      L("LSAV", "FILE", mp.LSAV, P, F),
      I("ITEST", "FILE", mp.ITEST, P, 0),
      L("LREC", "FILE", mp.LREC, P, F),
      L("LCPUTM", "FILE", mp.LCPUTM, P, F),
      R("TSOS", "FILE", mp.TSOS, P, 5.0f),
      R("TMAX", "FILE", mp.TMAX, P, 3600.0f),

      I("IZL", "BOUN", mp.IZL, N, 0),
      I("IZR", "BOUN", mp.IZR, N, 0),

      I("NR", "MESH", latc.NR, M, 0),
      I("NZ", "MESH", latc.NZ, M, 0),
      RA("DDR", "MESH", latc.DDR, M, 0.0f, 1, 2),
      R("DDZ", "MESH", latc.DDZ, M, 0.0f, 1, 1),
      R("RAD", "MESH", mp.RAD, P, 0.0f),
      RA("RZ", "MESH", var.RZ, U, -8888.0f, 1, 4),
      RA("RMARK", "MESH", lat2.RMARK, M, 0.0f, 1, 3),

      I("MROT", "BEAM", wpl.MROT, P, 1, 1, 10),
      R("SIG", "BEAM", latc.SIG, N, 0.0f, 1, 7), // must be given
      I("ISIG", "BEAM", mp.ISIG, P, 5, 1, 8),
      R("RDRIVE", "BEAM", offs.RDRIVE, P, -1.0f, 1, 11),
      I("NBUNCH", "BEAM", cdis.NBUNCH, P, 1, 1, 12),
      R("BSEP", "BEAM", cdis.BSEP, P, 0.0f, 1, 13),

      I("MT", "TIME", mp.MT, P, 3, 1, 9),
      R("TPS", "TIME", mp.TPS, P, 0.0f, 53, 15),
      I("NSHOT", "TIME", mp.NSHOT, P, 5, 53, 16),

      R("UBT", "WAKE", mp.UBT, P, 0.0f, 52, 7),
      L("LCFRON", "WAKE", win2.LCFRON, P, T, 52, 8),
      L("LCBACK", "WAKE", win2.LCBACK, P, T, 52, 9),
      L("LTAVO", "WAKE", win2.LTAVO, P, F, 52, 10),
      L("LNAPOLY", "WAKE", wpl2.LNAPOLY, P, F, 52, 11),
      R("ZCF", "WAKE", offs.ZCF, P, -1.0f, 53, 1),
      R("ZCT", "WAKE", offs.ZCT, P, -1.0f, 53, 2),
      R("RWAK", "WAKE", offs.RWAK, P, -1.0f, 53, 3),
      L("LCRBW", "WAKE", crbw.LCRBW, P, F, 54, 19),
      R("ZSEP", "WAKE", crbw.ZSEP, P, 0.0f, 54, 20),
      L("LNONAP", "WAKE", wpl2.LNONAP, P, F, 54, 23),

      L("LPLW", "PLOT", mp.LPLW, P, F, 53, 4),
      L("LCAVIN", "PLOT", mp.LCAVIN, P, F, 53, 5),
      L("LCAVUS", "PLOT", mp.LCAVUS, P, F, 53, 6),
      L("LFFTL", "PLOT", mp.LFFTL, P, F, 53, 7),
      L("LFFTA", "PLOT", mp.LFFTA, P, F, 53, 8),
      L("LFFTT", "PLOT", mp.LFFTT, P, F, 53, 9),
      R("CUTOFF", "PLOT", mp.CUTOFF, P, 0.0f, 54, 1),
      L("LFFT", "PLOT", mp.LFFT, P, F, 53, 10),
      L("LSPEC", "PLOT", mp.LSPEC, P, F, 53, 11),
      L("LPLE", "PLOT", mp.LPLE, P, F, 53, 12),
      L("LPLC", "PLOT", mp.LPLC, P, F, 53, 13),
      I("NPLOT", "PLOT", mp.NPLOT, P, 10, 53, 14),
      L("LPALL", "PLOT", mp.LPALL, P, F, 53, 20),
      L("LWNDW", "PLOT", ffts.LWNDW, P, T, 54, 9),
      I("NWFUN", "PLOT", wfun.NWFUN, P, 1, 54, 10),
      R("ALPHA", "PLOT", wfun.ALPHA, P, 3.0f, 54, 11),
      L("LPLWL", "PLOT", wps.LPLWL, P, F, 54, 12),
      L("LPLWA", "PLOT", wps.LPLWA, P, F, 54, 13),
      L("LPLWT", "PLOT", wps.LPLWT, P, F, 54, 14),
      L("LINTZ", "PLOT", intr.LINTZ, P, F, 54, 18),
      R("REDUCE", "PLOT", mp.REDUCE, P, 0.0f, 54, 21),
      L("LPATH", "PLOT", plnz.LPATH, P, F, 54, 22),
      R("EXPFAC", "PLOT", expfr.EXPFAC, P, 20.0f, 54, 24),

      L("LPRW", "PRIN", mp.LPRW, P, F, 54, 2),
      L("LMATPR", "PRIN", mp.LMATPR, P, F, 54, 3),
      L("LSVW", "PRIN", mp.LSVW, P, F, 54, 7),
      L("LSVF", "PRIN", ffts.LSVF, P, F, 54, 8),
      L("LSVWL", "PRIN", wps.LSVWL, P, F, 54, 15),
      L("LSVWA", "PRIN", wps.LSVWA, P, F, 54, 16),
      L("LSVWT", "PRIN", wps.LSVWT, P, F, 54, 17),
      L("LPPW", "PRIN", mp.LPPW, P, T),
  };
  return t;
}

// ------------------------------------------------------------------ the groups

namespace {

// The variables of a group of the table, in the order of the table.
nlgroup group_of(const char *opened_as, const char *group) {
  nlgroup g{opened_as, {}};
  for (const deckvar_t &v : deck_table())
    if (std::string(v.group) == group) g.vars.push_back({v.name, v.kind, v.p, v.dim});
  return g;
}

// Every element of variable v set to its default.
void preset(const deckvar_t &v) {
  for (int k = 0; k < v.dim; ++k) {
    if (v.kind == 'I') static_cast<int *>(v.p)[k] = static_cast<int>(v.def);
    else if (v.kind == 'R') static_cast<float *>(v.p)[k] = v.def;
    else static_cast<bool *>(v.p)[k] = v.def != 0.0f;
  }
}
void preset_all(deck_preset d) {
  for (const deckvar_t &v : deck_table())
    if (v.preset == d) preset(v);
}

} // namespace

const nlgroup &grp_file() {
  static const nlgroup g = group_of("FILE", "FILE");
  return g;
}
const nlgroup &grp_boun() {
  static const nlgroup g = group_of("BOUN", "BOUN");
  return g;
}
const nlgroup &grp_mesh() {
  static const nlgroup g = group_of("MESH", "MESH");
  return g;
}
const nlgroup &grp_beam() {
  static const nlgroup g = group_of("BEAM", "BEAM");
  return g;
}
const nlgroup &grp_time() {
  static const nlgroup g = group_of("TIME", "TIME");
  return g;
}
const nlgroup &grp_wake() {
  static const nlgroup g = group_of("WAKE", "WAKE");
  return g;
}
const nlgroup &grp_plot() {
  static const nlgroup g = group_of("PLOT", "PLOT");
  return g;
}
const nlgroup &grp_prin() {
  static const nlgroup g = group_of("PRIN", "PRIN");
  return g;
}
const nlgroup &grp_print() {
  static const nlgroup g = group_of("PRINT", "PRIN");
  return g;
}

// ------------------------------------------------------------------ defaults

void prmini() {
  // The group variables with a default (the mesh description is preset by irdini, RZ
  // by rzinit; SIG, IZL and IZR have none).
  preset_all(PRESET_PRMINI);
  cals.SIGCUT = static_cast<float>(mp.ISIG);
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

void rzinit() { preset_all(PRESET_RZINIT); }

void irdini() {
  preset_all(PRESET_IRDINI); // NR, NZ, DDR, DDZ, RMARK
  for (long k = 1; k <= 1000; ++k) {
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
