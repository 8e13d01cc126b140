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

// Labels of a spectrum curve, by IALEG (1 .. 19): on its plot frame and on its block of
// the table file.
const spectrum_label_t SPECTRUM_LABEL[20] = {
    {"", "", "", "", "", "", ""},
    {"    Real Part of Azimuthal Impedance    ", "Frequency f (GHz)",
     "               Real Z2A1  (kW/m)  ", "                     V V    F     ",
     "REAL PART OF AZIMUTHAL IMPEDANCE                         ",
     "Freq. f (GHz)", "Real Z (kOhm/m)  "},
    {" Imaginary Part of Azimuthal Impedance  ", "Frequency f (GHz)",
     "               Imag Z2A1  (kW/m)  ", "                     V V    F     ",
     "IMAGINARY PART OF AZIMUTHAL IMPEDANCE                    ",
     "Freq. f (GHz)", "Imag Z (kOhm/m)  "},
    {"   Real Part of Transverse Impedance    ", "Frequency f (GHz)",
     "               Real Z2T1  (kW/m)  ", "                     V V    F     ",
     "REAL PART OF TRANSVERSE IMPEDANCE                        ",
     "Freq. f (GHz)", "Real Z (kOhm/m)  "},
    {" Imaginary Part of Transverse Impedance ", "Frequency f (GHz)",
     "               Imag Z2T1  (kW/m)  ", "                     V V    F     ",
     "IMAGINARY PART OF TRANSVERSE IMPEDANCE                   ",
     "Freq. f (GHz)", "Imag Z (kOhm/m)  "},
    {"  Real Part of Longitudinal Impedance   ", "Frequency f (GHz)",
     "               Real Z2L1  (kW)    ", "                     V V    F     ",
     "REAL PART OF LONGITUDINAL IMPEDANCE                      ",
     "Freq. f (GHz)", "Real Z (kOhm)    "},
    {"Imaginary Part of Longitudinal Impedance", "Frequency f (GHz)",
     "               Imag Z2L1  (kW)    ", "                     V V    F     ",
     "IMAGINARY PART OF LONGITUDINAL IMPEDANCE                 ",
     "Freq. f (GHz)", "Imag Z (kOhm)    "},
    {"  Real Part of Longitudinal Impedance   ", "Frequency f (GHz)",
     "            Real Z2L1  (kW/m**2)  ", "                  V V    F        ",
     "REAL PART OF LONGITUDINAL IMPEDANCE                      ",
     "Freq. f (GHz)", "Real Z(kOhm/m**2)"},
    {"Imaginary Part of Longitudinal Impedance", "Frequency f (GHz)",
     "            Imag Z2L1  (kW/m**2)  ", "                  V V    F        ",
     "IMAGINARY PART OF LONGITUDINAL IMPEDANCE                 ",
     "Freq. f (GHz)", "Imag Z(kOhm/m**2)"},
    {"    Real Part of Long.+Log Impedance    ", "Frequency f (GHz)",
     "             Real Z2L+LOG1  (kW)  ", "                   V     V    F   ",
     "REAL PART OF LONGITUDINAL+LOG IMPEDANCE                  ",
     "Freq. f (GHz)", "Real Z+LOG (kOhm)"},
    {" Imaginary Part of Long.+Log Impedance  ", "Frequency f (GHz)",
     "             Imag Z2L+LOG1  (kW)  ", "                   V     V    F   ",
     "IMAGINARY PART OF LONGITUDINAL+LOG IMPEDANCE             ",
     "Freq. f (GHz)", "Imag Z+LOG (kOhm)"},
    {"   Frequency Spectrum of Loss Factor    ", "Frequency f (GHz)",
     "             dk2L1/df  (V/pC/GHz) ", "               V V                ",
     "FREQUENCY SPECTRUM OF LONGITUDINAL LOSS FACTOR           ",
     "Freq. f (GHz)", "dk/df (V/pC/GHz) "},
    {" Loss Factor Spectrum Integrated upto F ", "Frequency F (GHz)",
     "                  k2L1(F)  (V/pC) ", "                   V V            ",
     "LONGITUDINAL LOSS FACTOR INTEGRATED OVER FREQUENCY UPTO F",
     "Freq. F (GHz)", "k(F) (V/pC)      "},
    {"   Spectrum of Long.+Log Loss Factor    ", "Frequency f (GHz)",
     "             dk2L1/df  (V/pC/GHz) ", "               V V                ",
     "FREQUENCY SPECTRUM OF LONGITUDINAL+LOG LOSS FACTOR       ",
     "Freq. f (GHz)", "dk/df (V/pC/GHz) "},
    {"Long.+Log Loss Factor Integrated upto F ", "Frequency F (GHz)",
     "                  k2L1(F)  (V/pC) ", "                   V V            ",
     "LONG.+LOG LOSS FACTOR INTEGRATED OVER FREQUENCY UPTO F   ",
     "Freq. F (GHz)", "k(F) (V/pC)      "},
    {" Azimuthal Impedance Integrated upto F  ", "Frequency F (GHz)",
     "   I02F10101  Re Z2A1df (kWXGHz/m)", "   MZX ZXY Z      V V     FM      ",
     "AZIMUTHAL IMPEDANCE INTEGRATED OVER FREQUENCY UPTO F     ",
     "Freq. F (GHz)", "ReZ*f(kOhm-GHz/m)"},
    {" Transverse Impedance Integrated upto F ", "Frequency F (GHz)",
     "   I02F10101  Re Z2T1df (kWXGHz/m)", "   MZX ZXY Z      V V     FM      ",
     "TRANSVERSE IMPEDANCE INTEGRATED OVER FREQUENCY UPTO F    ",
     "Freq. F (GHz)", "ReZ*f(kOhm-GHz/m)"},
    {"Longitudinal Impedance Integrated upto F", "Frequency F (GHz)",
     "     I02F10101  Re Z2L1df (kWXGHz)", "     MZX ZXY Z      V V     FM    ",
     "LONGITUDINAL IMPEDANCE INTEGRATED OVER FREQUENCY UPTO F  ",
     "Freq. F (GHz)", "ReZ*f (kOhm-GHz) "},
    {"Longitudinal Impedance Integrated upto F", "Frequency F (GHz)",
     "I02F10101  Re Z2L1df (kWXGHz/m**2)", "MZX ZXY Z      V V     FM         ",
     "LONGITUDINAL IMPEDANCE INTEGRATED OVER FREQUENCY UPTO F  ",
     "Freq. F (GHz)", "ReZ*f(kOhmGHz/m2)"},
    {" Long.+Log Impedance Integrated upto F  ", "Frequency F (GHz)",
     "     I02F10101  Re Z2L1df (kWXGHz)", "     MZX ZXY Z      V V     FM    ",
     "LONG.+LOG IMPEDANCE INTEGRATED OVER FREQUENCY UPTO F     ",
     "Freq. F (GHz)", "ReZ*f (kOhm-GHz) "},
};

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
  const spectrum_label_t &lab = SPECTRUM_LABEL[ia];
  block_head(TITLE, lab.NAME, "(1X,1X,A,A57/1X,1X,9A8)", NF);
  rec(u, "(1X,1X,A13,1X,A17)", lab.FREQHEAD, lab.VALHEAD);
  for (long i = 1; i <= NF; ++i) {
    const float f = i <= FR.size() ? FR(i) : 0.0f;
    const float y = i <= Y.size() ? Y(i) : 0.0f;
    rec(u, "(1X,2G13.5)", f, y);
  }
  rec(u, "(A)", " ");
}
