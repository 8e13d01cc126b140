// Plot command file: frame header, titles, limits, points and curve pieces.
#include "run/plotfile.hpp"

#include <cmath>

#include "geometry/mesh.hpp"
#include "run/constants.hpp"
#include "run/params.hpp"
#include "run/records.hpp"

namespace {

struct frame_texts {
  const char *window;
  const char *title;
  const char *xaxis;
  const char *yaxis;
};

frame_texts texts_of(plot_kind kind) {
  const char *shape_window = " SET WINDOW X FROM 2 12 Y FROM 1 TO 8";
  switch (kind) {
  case PK_INPUT_SHAPE: return {shape_window, "Cavity Shape Input", "Z-axis (m)", "R-axis (m)"};
  case PK_USED_SHAPE: return {shape_window, "Cavity Shape Used", "Z-axis (m)", "R-axis (m)"};
  case PK_EFIELD: return {shape_window, "Electric Field Lines", "Z-axis (m)", "R-axis (m)"};
  case PK_CURRENT: return {shape_window, "Total Current Lines", "Z-axis (m)", "R-axis (m)"};
  case PK_WAKES:
    return {" SET WINDOW X FROM 2 12 Y FROM 1.75 TO 8", "Wake Potentials",
            "Distance from Bunch Head S (m)", "Scaled Wake Potential W (S)"};
  case PK_SPECTRA: return {" SET WINDOW X FROM 2 12 Y FROM 1.00 TO 8", "", "", ""};
  }
  return {shape_window, "", "", ""};
}

} // namespace

void plot_header(plot_kind kind, const std::string &spectitle, const std::string &xtitle,
                 const std::string &ytitle, const std::string &casemarks,
                 const fix1<std::string, 10> *runtitle) {
  const int u = ndev.NTOP;
  const fix1<std::string, 10> &T = runtitle ? *runtitle : mp.TITLE;
  frame_texts t = texts_of(kind);
  rec(u, "(1X,A)", " NEW FRAME");
  rec(u, "(1X,A)", " SET FONT DUPLEX");
  rec(u, "(1X,A,A13)", " SET SIZE 13 BY 10 ", red.REDTXT);
  rec(u, "(1X,A)", t.window);
  rec(u, "(1X,A)", " SET TICKS SIZE 0.05");
  if (kind == PK_SPECTRA) {
    rec(u, "(1X,A,A,A,A)", " TITLE 3.4 9.0 SIZE 2.2  ", "'", " ", "'");
    rec(u, "(1X,A,A,A40,A)", " MORE ", "'", spectitle, "'");
  } else {
    rec(u, "(1X,A,A,A,A)", " TITLE 7.0 9.0 CENTER SIZE 2.2  ", "'", t.title, "'");
  }
  const char *titletext = kind == PK_WAKES ? " TITLE 2.0 8.6 SIZE 1.50 " : " TITLE 2.0 8.6 SIZE 1.5  ";
  rec(u, "(1X,A,A,A,3A8,A)", titletext, "'", "ZELK_MP 12.5 : ", padto(T(1), 8), padto(T(2), 8),
      padto(T(3), 8), "'");
  rec(u, "(1X,A,A,6A8,A)", " MORE ", "'", padto(T(4), 8), padto(T(5), 8), padto(T(6), 8),
      padto(T(7), 8), padto(T(8), 8), padto(T(9), 8), "'");
  if (kind == PK_SPECTRA) {
    rec(u, "(1X,A,A,A17,A)", " TITLE BOTTOM ", "'", xtitle, "'");
    rec(u, "(1X,A,A,A34,A)", " TITLE LEFT   ", "'", ytitle, "'");
    rec(u, "(1X,A,A,A34,A)", " CASE         ", "'", casemarks, "'");
  } else {
    rec(u, "(1X,A,A,A,A)", " TITLE BOTTOM ", "'", t.xaxis, "'");
    rec(u, "(1X,A,A,A,A)", " TITLE LEFT   ", "'", t.yaxis, "'");
  }
}

void plot_datetime() {
  rec(ndev.NTOP, "(1X,A,A,A8,2X,A8,A)", " TITLE 10.9 8.9 SIZE 1.25 ", "'", wpt.CDATE, wpt.CTIME, "'");
}

int plot_zone_count() {
  const long nmax = latc.DDR.size();
  int n = 1;
  while (n < nmax && latc.DDR(n + 1) != 0.0f) ++n;
  return n;
}

std::string title_length(float metres, float scale, const char *unit) {
  const float v = metres * scale;
  if (std::isfinite(v)) {
    std::string t = rtext(6, "(F6.3)", v);
    if (t.find('*') == std::string::npos) return t + unit;
  }
  return rtext(10, "(1P,E10.3)", metres) + " m";
}

void plot_mode_title() {
  const int u = ndev.NTOP;
  rec(u, "(1X,A,A,A,I2,A,2X,A,A,A,A,/,1X,A,1X,A,2X,A,A,A,2X,A,A,A)", " TITLE 2.00 8.3 SIZE 1.40 ", "'",
      "MROT=", wpl.MROT, ",", "SIG=", title_length(latc.SIG, 100.0f, " cm"), ",", "'", " MORE", "'", "DDZ=",
      title_length(latc.DDZ, 1000.0f, " mm"), ",", "DDR=", title_length(latc.DDR(1), 1000.0f, " mm"), "'");
}

void plot_zone_steps(int n) {
  for (int k = 2; k <= n; ++k)
    rec(ndev.NTOP, "(1X,A,1X,A,A,A,A)", " MORE", "'", ", ", title_length(latc.DDR(k), 1000.0f, " mm"), "'");
}

void plot_limits(float xmin, float xmax, float ymin, float ymax) {
  rec(ndev.NTOP, "(1X,A,2G13.5,A,2G13.5)", " SET LIMITS X ", xmin, xmax, " Y ", ymin, ymax);
}

void plot_point(float x, float y) { rec(ndev.NTOP, "(1X,2G13.5)", x, y); }

void plot_piece_point(plotpiece_t &pc, float x, float y, const char *endfmt) {
  plot_point(x, y);
  pc.n += 1;
  if (pc.n >= PLOT_PIECE) {
    // The point that ends one piece also begins the next.
    plot_end(endfmt);
    plot_point(x, y);
    pc.n = 1;
  }
}

void plot_end(const char *endfmt) { rec(ndev.NTOP, endfmt); }
