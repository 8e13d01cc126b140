// Table file: one text block per wake potential or spectrum curve, for other programs
// to read. A block is a title, the run title, date, time, MROT and the number of
// points, the column heads, one record per point and a record of one blank.
#include "results/tables.hpp"

#include "geometry/mesh.hpp"
#include "run/constants.hpp"
#include "run/params.hpp"
#include "run/records.hpp"

namespace {

// Curve names and value heads of the wake blocks, by KIND.
const char *const WALEG[6] = {
    "",
    "LONGITUDINAL WAKE POTENTIAL             ",
    "AZIMUTHAL WAKE POTENTIAL                ",
    "TRANSVERSE WAKE POTENTIAL               ",
    "LONGITUDINAL WAKE POTENTIAL             ",
    "LONGITUDINAL WAKE POTENTIAL /W LOG. TERM",
};
const char *const WKPT[6] = {
    "",
    "    WZ  (V/pC)    ",
    "    WA (V/pC/m)   ",
    "    WT (V/pC/m)   ",
    "   WZ (V/pC/m**2) ",
    "    WZ  (V/pC)    ",
};

// Curve names, frequency heads and value heads of the spectrum blocks, by IALEG.
const char *const ZALEG[20] = {
    "",
    "REAL PART OF AZIMUTHAL IMPEDANCE                         ",
    "IMAGINARY PART OF AZIMUTHAL IMPEDANCE                    ",
    "REAL PART OF TRANSVERSE IMPEDANCE                        ",
    "IMAGINARY PART OF TRANSVERSE IMPEDANCE                   ",
    "REAL PART OF LONGITUDINAL IMPEDANCE                      ",
    "IMAGINARY PART OF LONGITUDINAL IMPEDANCE                 ",
    "REAL PART OF LONGITUDINAL IMPEDANCE                      ",
    "IMAGINARY PART OF LONGITUDINAL IMPEDANCE                 ",
    "REAL PART OF LONGITUDINAL+LOG IMPEDANCE                  ",
    "IMAGINARY PART OF LONGITUDINAL+LOG IMPEDANCE             ",
    "FREQUENCY SPECTRUM OF LONGITUDINAL LOSS FACTOR           ",
    "LONGITUDINAL LOSS FACTOR INTEGRATED OVER FREQUENCY UPTO F",
    "FREQUENCY SPECTRUM OF LONGITUDINAL+LOG LOSS FACTOR       ",
    "LONG.+LOG LOSS FACTOR INTEGRATED OVER FREQUENCY UPTO F   ",
    "AZIMUTHAL IMPEDANCE INTEGRATED OVER FREQUENCY UPTO F     ",
    "TRANSVERSE IMPEDANCE INTEGRATED OVER FREQUENCY UPTO F    ",
    "LONGITUDINAL IMPEDANCE INTEGRATED OVER FREQUENCY UPTO F  ",
    "LONGITUDINAL IMPEDANCE INTEGRATED OVER FREQUENCY UPTO F  ",
    "LONG.+LOG IMPEDANCE INTEGRATED OVER FREQUENCY UPTO F     ",
};
const char *const ZTITLB[20] = {
    "",
    "Freq. f (GHz)", "Freq. f (GHz)", "Freq. f (GHz)", "Freq. f (GHz)", "Freq. f (GHz)",
    "Freq. f (GHz)", "Freq. f (GHz)", "Freq. f (GHz)", "Freq. f (GHz)", "Freq. f (GHz)",
    "Freq. f (GHz)", "Freq. F (GHz)", "Freq. f (GHz)", "Freq. F (GHz)", "Freq. F (GHz)",
    "Freq. F (GHz)", "Freq. F (GHz)", "Freq. F (GHz)", "Freq. F (GHz)",
};
const char *const ZTITLE[20] = {
    "",
    "Real Z (kOhm/m)  ", "Imag Z (kOhm/m)  ", "Real Z (kOhm/m)  ", "Imag Z (kOhm/m)  ",
    "Real Z (kOhm)    ", "Imag Z (kOhm)    ", "Real Z(kOhm/m**2)", "Imag Z(kOhm/m**2)",
    "Real Z+LOG (kOhm)", "Imag Z+LOG (kOhm)", "dk/df (V/pC/GHz) ", "k(F) (V/pC)      ",
    "dk/df (V/pC/GHz) ", "k(F) (V/pC)      ", "ReZ*f(kOhm-GHz/m)", "ReZ*f(kOhm-GHz/m)",
    "ReZ*f (kOhm-GHz) ", "ReZ*f(kOhmGHz/m2)", "ReZ*f (kOhm-GHz) ",
};

// Records 1 to 4 of a block: curve name, run title, date, time, MROT, points.
void block_head(const fix1<std::string, 10> &TITLE, const std::string &aleg,
                const char *alegfmt, int npoints) {
  const int u = ndev.NPOT;
  rec(u, alegfmt, "TITLE: ", aleg, title9(TITLE));
  rec(u, "(1X,2X,'DATE:',5X,'TIME:',6X,'MROT:',5X,'NO. OF POINTS:')");
  rec(u, "(1X,1X,A8,2X,A8,I7,7X,I8)", padto(wpt.CDATE, 8), padto(wpt.CTIME, 8), wpl.MROT,
      npoints);
}

} // namespace

std::vector<std::string> title9(const fix1<std::string, 10> &TITLE) {
  std::vector<std::string> t;
  for (int k = 1; k <= 9; ++k) t.push_back(padto(TITLE(k), 8));
  return t;
}

void wprin(const fix1<std::string, 10> &TITLE, const arr1<float> &W, int N, int KIND,
           float SCALE) {
  const int u = ndev.NPOT;
  const int kind = KIND >= 1 && KIND <= 5 ? KIND : 1;
  block_head(TITLE, WALEG[kind], "(1X,1X,A,A40/1X,1X,9A8)", N);
  rec(u, "(1X,A,A18)", "     S  (m)", WKPT[kind]);
  // S in metres; the values in V/pC (V/pC/m, V/pC/m**2 for the dipole) by SCALE.
  const float DDZ = latc.DDZ;
  for (long k = 1; k <= N; ++k) {
    const float w = k <= W.size() ? W(k) : 0.0f;
    rec(u, "(1X,2G13.5)", static_cast<float>(k - 1) * DDZ, w * SCALE);
  }
  rec(u, "(A)", " ");
}

void zprin(const fix1<std::string, 10> &TITLE, const arr1<float> &FR, const arr1<float> &Y,
           int NF, int IALEG) {
  const int u = ndev.NPOT;
  const int ia = IALEG >= 1 && IALEG <= 19 ? IALEG : 1;
  block_head(TITLE, ZALEG[ia], "(1X,1X,A,A57/1X,1X,9A8)", NF);
  rec(u, "(1X,1X,A13,1X,A17)", ZTITLB[ia], ZTITLE[ia]);
  for (long i = 1; i <= NF; ++i) {
    const float f = i <= FR.size() ? FR(i) : 0.0f;
    const float y = i <= Y.size() ? Y(i) : 0.0f;
    rec(u, "(1X,2G13.5)", f, y);
  }
  rec(u, "(A)", " ");
}
