// Save file and restart: the inputs of the run, its geometry lines, the loop counters
// and the witness counters in records 1 to 55; the field records follow (store).
#include "run/savefile.hpp"

#include <cmath>
#include <string>

#include "geometry/mesh.hpp"
#include "run/constants.hpp"
#include "run/params.hpp"
#include "run/records.hpp"
#include "run/units.hpp"
#include "solver/fields.hpp"
#include "solver/step.hpp"

namespace {

constexpr int LINELEN = 72;       // columns of a stored geometry line
constexpr int LINES_PER_REC = 400; // geometry lines per record (records 2 to 51)

void put_lines(binrec &r, int b) {
  for (int L = LINES_PER_REC * b - LINES_PER_REC + 1; L <= LINES_PER_REC * b; ++L)
    r.put(padto(geolines[L], LINELEN));
}

// Records 1 to 54: the inputs that define the run and the state of the main program.
void put_record(binrec &r, int n) {
  if (n == 1) {
    r.put(latc.DDZ);
    r.put(latc.DDR.data(), latc.DDR.size());
    r.put(lat2.RMARK.data(), lat2.RMARK.size());
    r.put(var.RZ.data(), var.RZ.size());
    r.put(mp.ZMAX);
    r.put(mp.RMAX);
    r.put(latc.SIG);
    r.put(mp.ISIG);
    r.put(mp.MT);
    r.put(wpl.MROT);
    r.put(offs.RDRIVE);
    r.put(cdis.NBUNCH);
    r.put(cdis.BSEP);
  } else if (n <= 51) {
    put_lines(r, n - 1);
  } else if (n == 52) {
    for (int k = 1; k <= 10; ++k) r.put(padto(mp.TITLE(k), 8));
    r.put(geo.RR.data(), geo.RR.size());
    r.put(geo.ZZ.data(), geo.ZZ.size());
    r.put(mp.NPTS0);
    r.put(mp.NLINES);
    r.put(mp.KEND + 1); // the first step not yet computed
    r.put(mp.UBT);
    r.putl(win2.LCFRON);
    r.putl(win2.LCBACK);
    r.putl(win2.LTAVO);
    r.putl(wpl2.LNAPOLY);
  } else if (n == 53) {
    r.put(offs.ZCF);
    r.put(offs.ZCT);
    r.put(offs.RWAK);
    for (bool l : {mp.LPLW, mp.LCAVIN, mp.LCAVUS, mp.LFFTL, mp.LFFTA, mp.LFFTT, mp.LFFT, mp.LSPEC,
                   mp.LPLE, mp.LPLC})
      r.putl(l);
    r.put(mp.NPLOT);
    r.put(mp.TPS);
    r.put(mp.NSHOT);
    r.put(mp.KSNAP);
    r.put(mp.TSNAP);
    r.put(mp.DTSNAP);
    r.putl(mp.LPALL);
    r.put(mp.NLAST0);
  } else {
    r.put(mp.CUTOFF);
    r.putl(mp.LPRW);
    r.putl(mp.LMATPR);
    r.putl(symt.LHALF);
    r.putl(mp.LADD);
    r.put(mp.IRUN);
    r.putl(mp.LSVW);
    r.putl(ffts.LSVF);
    r.putl(ffts.LWNDW);
    r.put(wfun.NWFUN);
    r.put(wfun.ALPHA);
    for (bool l : {wps.LPLWL, wps.LPLWA, wps.LPLWT, wps.LSVWL, wps.LSVWA, wps.LSVWT, intr.LINTZ,
                   crbw.LCRBW})
      r.putl(l);
    r.put(crbw.ZSEP);
    r.put(mp.REDUCE);
    r.putl(plnz.LPATH);
    r.putl(wpl2.LNONAP);
    r.put(expfr.EXPFAC);
  }
}

void get_record(binrec &r, int n) {
  if (n == 1) {
    latc.DDZ = r.getr();
    r.get(latc.DDR.data(), latc.DDR.size());
    r.get(lat2.RMARK.data(), lat2.RMARK.size());
    r.get(var.RZ.data(), var.RZ.size());
    mp.ZMAX = r.getr();
    mp.RMAX = r.getr();
    latc.SIG = r.getr();
    mp.ISIG = r.geti();
    mp.MT = r.geti();
    wpl.MROT = r.geti();
    offs.RDRIVE = r.getr();
    cdis.NBUNCH = r.geti();
    cdis.BSEP = r.getr();
  } else if (n <= 51) {
    const int b = n - 1;
    for (int L = LINES_PER_REC * b - LINES_PER_REC + 1; L <= LINES_PER_REC * b; ++L)
      geolines[L] = r.gets(LINELEN);
  } else if (n == 52) {
    for (int k = 1; k <= 10; ++k) mp.TITLE(k) = r.gets(8);
    r.get(geo.RR.data(), geo.RR.size());
    r.get(geo.ZZ.data(), geo.ZZ.size());
    mp.NPTS0 = r.geti();
    mp.NLINES = r.geti();
    mp.KSTART = r.geti();
    mp.UBT = r.getr();
    win2.LCFRON = r.getl();
    win2.LCBACK = r.getl();
    win2.LTAVO = r.getl();
    wpl2.LNAPOLY = r.getl();
  } else if (n == 53) {
    offs.ZCF = r.getr();
    offs.ZCT = r.getr();
    offs.RWAK = r.getr();
    for (bool *l : {&mp.LPLW, &mp.LCAVIN, &mp.LCAVUS, &mp.LFFTL, &mp.LFFTA, &mp.LFFTT, &mp.LFFT,
                    &mp.LSPEC, &mp.LPLE, &mp.LPLC})
      *l = r.getl();
    mp.NPLOT = r.geti();
    mp.TPS = r.getr();
    mp.NSHOT = r.geti();
    mp.KSNAP = r.geti();
    mp.TSNAP = r.getr();
    mp.DTSNAP = r.getr();
    mp.LPALL = r.getl();
    mp.NLAST0 = r.geti();
  } else {
    mp.CUTOFF = r.getr();
    mp.LPRW = r.getl();
    mp.LMATPR = r.getl();
    symt.LHALF = r.getl();
    mp.LADD = r.getl();
    mp.IRUN = r.geti();
    mp.LSVW = r.getl();
    ffts.LSVF = r.getl();
    ffts.LWNDW = r.getl();
    wfun.NWFUN = r.geti();
    wfun.ALPHA = r.getr();
    for (bool *l : {&wps.LPLWL, &wps.LPLWA, &wps.LPLWT, &wps.LSVWL, &wps.LSVWA, &wps.LSVWT,
                    &intr.LINTZ, &crbw.LCRBW})
      *l = r.getl();
    crbw.ZSEP = r.getr();
    mp.REDUCE = r.getr();
    plnz.LPATH = r.getl();
    wpl2.LNONAP = r.getl();
    expfr.EXPFAC = r.getr();
  }
}

// The counters of the restart file index the contour and the geometry lines and count
// runs; a value no save can hold ends the process like a record of the wrong length.
void check_count(const char *name, long v, long lo, long hi, int recno) {
  if (v >= lo && v <= hi) return;
  read_fatal(ndev.NREST,
             std::string(name) + " = " + std::to_string(v) + " lies outside " + std::to_string(lo) +
                 " .. " + std::to_string(hi),
             nullptr, name, recno);
}

// The inputs of the deck groups are finite numbers whenever the deck reader took them.
void check_finite(const char *name, const float *x, long n, int recno) {
  for (long k = 0; k < n; ++k)
    if (!std::isfinite(x[k]))
      read_fatal(ndev.NREST, std::string(name) + " is not a finite number", nullptr, name, recno);
}

void check_inputs() {
  check_finite("DDZ", &latc.DDZ, 1, 1);
  check_finite("DDR", latc.DDR.data(), latc.DDR.size(), 1);
  check_finite("RMARK", lat2.RMARK.data(), lat2.RMARK.size(), 1);
  check_finite("RZ", var.RZ.data(), var.RZ.size(), 1);
  check_finite("SIG", &latc.SIG, 1, 1);
  check_finite("RDRIVE", &offs.RDRIVE, 1, 1);
  check_finite("BSEP", &cdis.BSEP, 1, 1);
  check_count("NPTS0", mp.NPTS0, 1, symt.LHALF ? (20003 / 2) : MAXPTS, 52);
  check_count("NLINES", mp.NLINES, 0, MAXLINES, 52);
  check_count("KSTART", mp.KSTART, 0, 2147483646, 52);
  check_finite("UBT", &mp.UBT, 1, 52);
  check_finite("ZCF", &offs.ZCF, 1, 53);
  check_finite("ZCT", &offs.ZCT, 1, 53);
  check_finite("RWAK", &offs.RWAK, 1, 53);
  check_finite("TPS", &mp.TPS, 1, 53);
  check_count("NLAST0", mp.NLAST0, 0, MAXPTS, 53);
  check_count("IRUN", mp.IRUN, 0, 999999999, 54);
  check_finite("CUTOFF", &mp.CUTOFF, 1, 54);
  check_finite("ALPHA", &wfun.ALPHA, 1, 54);
  check_finite("ZSEP", &crbw.ZSEP, 1, 54);
  check_finite("REDUCE", &mp.REDUCE, 1, 54);
  check_finite("EXPFAC", &expfr.EXPFAC, 1, 54);
}

} // namespace

void save_run() {
  const int u = ndev.NSAVE;
  urewind(u);
  for (int n = 1; n <= 54; ++n) {
    binrec r;
    put_record(r, n);
    bwrite(u, r);
  }
  binrec r55;
  r55.put(mp.KX);
  r55.put(mp.KY);
  bwrite(u, r55);
  store();
}

void restore_inputs() {
  const int u = ndev.NREST;
  for (int n = 1; n <= 54; ++n) {
    binrec r = bread(u, static_cast<std::size_t>(save_reclen(n)));
    get_record(r, n);
  }
  check_inputs();
  // The header line is not read again: the form of the geometry input comes with the
  // restored switches.
  mp.CAVTXT = symt.LHALF ? "HALF CELL INPUT " : "FULL CELL INPUT ";
  // The saved inputs hold the run number of the saved run; the restored run is the
  // next one, and it draws its mesh map and shape frames as a new mesh.
  mp.IRUN = mp.IRUN + 1;
  mp.MESHNEW = true;
}
