// Wake plot frame: the header with the run, mode, bunch and mesh titles, the curves of
// the charge density and the wakes, normalised to -1 .. +1, and their legends.
#include "results/wakeframes.hpp"

#include "geometry/mesh.hpp"
#include "run/constants.hpp"
#include "run/params.hpp"
#include "run/plotfile.hpp"
#include "run/records.hpp"

wzero_t wzero;
azero_t azero;

namespace {

// Line style of each curve, at KIND + 5*MROT.
const char *const CURV[10] = {"DOTS    ", "DOTDASH ", "DASH    ", "SOLID   ", "DASH    ",
                              "DOTS    ", "DOTDASH ", "SOLID   ", "DASH    ", "SOLID   "};
// Legend texts inside the plotting area, by KIND.
const char *const ALEGW[5] = {"Charge Density", "Azimuthal     ", "Transverse    ",
                              "Longitudinal  ", "With Log. Term"};
// Labels of the legend lines, by KIND.
const char *const ALEGA[5] = {"Charge Density    ", "Azimuthal Wake    ", "Transverse Wake   ",
                              "Longitudinal Wake ", "With Log. Term    "};

// Style word of a curve: the monopole row for MROT of 0 and below, the dipole row for
// MROT of 1 and above.
const char *style_of(int KIND, int MROT) {
  const int m = MROT <= 0 ? 0 : 1;
  return CURV[KIND + 5 * m - 1];
}

void frame_header(const fix1<std::string, 10> &TITLE, const fix1<float, 4> &RANGE) {
  const int u = ndev.NTOP;
  plot_header(PK_WAKES, "", "", "", "", &TITLE);
  plot_datetime();
  rec(u, "(1X,A,A,A,1P,E10.3,A,A)", " TITLE 10.1 9.1 SIZE 1.25 ", "'", "Cpu Time Used:",
      wp2.TUSED, "(s)", "'");
  plot_mode_title();
  const int n = plot_zone_count();
  plot_zone_steps(n < 4 ? n : 4);
  wzero.XLEGW = RANGE(2) / 20.0f;
  wzero.DYLEGW = RANGE(4) / 10.0f;
  wzero.YLEGW = RANGE(4) - 2.0f * wzero.DYLEGW;
  plot_limits(RANGE(1), RANGE(2), RANGE(3), RANGE(4));
}

} // namespace

void wplot(const fix1<std::string, 10> &TITLE, const arr1<float> &Y, int N, int KIND,
           const fix1<float, 4> &RANGE) {
  if (KIND <= 0) {
    frame_header(TITLE, RANGE);
    return;
  }
  if (KIND > 5) return;
  const int u = ndev.NTOP;
  const float DDZ = latc.DDZ;
  const char *word = style_of(KIND, wpl.MROT);
  const std::string join = std::string("(1X,' JOIN ','") + word + "')";

  // The curve, in pieces of at most 1021 points; a run of zeros of the charge density
  // is drawn from its first point (and its last when it ends the curve).
  const long n = N < Y.size() ? N : Y.size();
  plotpiece_t pc;
  for (long j = 1; j <= n; ++j) {
    if (KIND == 1 && j > 1 && j < N && Y(j) == 0.0f && Y(j - 1) == 0.0f) continue;
    plot_piece_point(pc, static_cast<float>(j - 1) * DDZ, Y(j), join.c_str());
  }
  plot_end(join.c_str());

  // Inside legend: a short sample of the line and its text.
  const float XL = wzero.XLEGW, YL = wzero.YLEGW;
  plot_point(XL, YL);
  plot_point(3.0f * XL, YL);
  rec(u, "(1X,A,A8)", " JOIN 1 ", word);
  rec(u, "(1X,A,2G13.5,A,A,A14,A)", " TITLE ", 3.5f * XL, YL, " DATA SIZE 1.5 ", "'",
      ALEGW[KIND - 1], "'");
  wzero.YLEGW = wzero.YLEGW - wzero.DYLEGW;
}

void wpadd(float WMIN, float WMAX, float WINT, int MROT, int KIND) {
  if (KIND <= 0) {
    azero.XLEGA = 2.0f;
    azero.YLEGA = 0.7f;
    azero.DYLEGA = 0.23f;
    return;
  }
  if (KIND < 2 || KIND > 5) return;
  const int u = ndev.NTOP;
  // Unit of the line: 0 V/pC, 1 V/pC/m, 2 V/pC/m**2.
  int unit = 0;
  if (KIND == 2 || KIND == 3) unit = 1;
  if (KIND == 4) unit = MROT == 0 ? 0 : (MROT == 1 ? 2 : 1);

  const float X = azero.XLEGA, Y = azero.YLEGA;
  rec(u, "(1X,A,2F5.2,A,A,A18,A)", " TITLE ", X, Y, " SIZE 1.40 ", "'", ALEGA[KIND - 1], "'");
  const char *at = "(1X,A,2F5.2,A,A,";
  const float XE = X + 2.0f, XF = X + 6.7f;
  if (unit < 2) {
    const char *e = unit == 0 ? " V/pC,  " : " V/pC/m,";
    const char *f = unit == 0 ? " V/pC   " : " V/pC/m ";
    rec(u, std::string(at) + "A,1P,E10.3,A,1P,E10.3,A,3X,A)", " TITLE ", XE, Y, " SIZE 1.40 ",
        "'", "Min/Max= ", WMIN, "/", WMAX, e, "'");
    rec(u, std::string(at) + "A,1P,E10.3,A,2X,A)", " TITLE ", XF, Y, " SIZE 1.40 ", "'",
        "Loss Factor= ", WINT, f, "'");
  } else {
    // V/pC/m**2: the plotting program raises the "2" under the case mark X.
    rec(u, std::string(at) + "A,1P,E10.3,A,1P,E10.3,A,I1,A,A)", " TITLE ", XE, Y,
        " SIZE 1.40 ", "'", "Min/Max= ", WMIN, "/", WMAX, " V/pC/m2", unit, "3,", "'");
    rec(u, "(1X,A,A,30X,A,A)", " CASE  ", "'", "       X X ", "'");
    rec(u, std::string(at) + "A,1P,E10.3,A,I1,A,A)", " TITLE ", XF, Y, " SIZE 1.40 ", "'",
        "Loss Factor= ", WINT, " V/pC/m2", unit, "3", "'");
    rec(u, "(1X,A,A,23X,A,A)", " CASE  ", "'", "       X X", "'");
  }
  azero.YLEGA = azero.YLEGA - azero.DYLEGA;
}
