// Report of the geometry lines: every stored line decoded again, one record per point
// with the values as written, the mesh indices, the values the references and
// increments resolved to and the mesh line and column the point was moved to, and one
// record per arc. Repeat groups of relative input are echoed pass by pass.
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "geometry/mesh.hpp"
#include "run/echo.hpp"
#include "run/constants.hpp"
#include "run/geomlines.hpp"
#include "run/params.hpp"
#include "run/records.hpp"
#include "run/units.hpp"

namespace {

// One record built piece by piece: descriptors and their items side by side.
struct line_t {
  std::string fmt = "(1X";
  std::vector<ritem> items;
  void text(const std::string &s) {
    fmt += ",A";
    ritems_add(items, s);
  }
  void g(float x) {
    fmt += ",G13.5";
    ritems_add(items, x);
  }
  void i(const char *d, int x) {
    fmt += ",";
    fmt += d;
    ritems_add(items, x);
  }
  void put() { rec_items(ndev.NOUT, fmt + ")", items); }
};

// One column of a point record: a plain value in G13.5, or a reference RZn as four
// blanks, the sign, "RZ", |n| in I3 and three blanks (13 characters).
void column(line_t &l, int icode, float value) {
  if (icode == 0) {
    l.g(value);
    return;
  }
  l.text(std::string(4, ' ') + (icode < 0 ? "-" : " ") + "RZ");
  l.i("I3", std::abs(icode));
  l.text("   ");
}

} // namespace

void prngeo(bool LADD, int NLINES, float ZLAST) {
  const int NLAST = lat2.NLAST;
  const float ddz = latc.DDZ;
  rec(ndev.NOUT, "(/1X,A,7X,A,19X,A)", "INPUT:", "(R, Z)", "(IR, IZ)");

  int k = 1;
  int count = 0, gstart = 0; // repeat group: passes left, first line
  int kpass = 0;             // point counter at the start of the current pass
  bool gopen = false;
  int i = 1;
  while (i <= NLINES && i <= MAXLINES && k <= MAXPTS) {
    float VAL[3] = {0.0f, 0.0f, 0.0f};
    int ICODE[5] = {0, 0, 0, 0, -1};
    int IERR = 0;
    flot(geolines[i], 72, VAL, ICODE, IERR);
    if (ICODE[4] >= 0) { // opens a repeat group
      if (LADD) {
        count = ICODE[4];
        gstart = i + 1;
        kpass = k;
        gopen = true;
      }
      ++i;
      continue;
    }
    if (ICODE[4] == -9999) { // closes a repeat group
      if (LADD && gopen) {
        --count;
        // A pass that held no contour line wrote nothing; the passes left would write
        // nothing either, however large the count.
        if (count > 0 && k > kpass) {
          kpass = k;
          i = gstart;
          continue;
        }
        gopen = false;
      }
      ++i;
      continue;
    }

    const float rr = geo.RR(k);
    if (rr > -1.0f) {
      // A point.
      const float Z = (k == NLAST || k == NLAST + 1) ? ZLAST : geo.ZZ(k);
      const int irk = latc.IR(k), izk = latc.IZ(k);
      const float Zs = k == NLAST ? static_cast<float>(izk) * ddz : static_cast<float>(izk - 1) * ddz;
      const float rmesh = grat(irk);
      const bool off = std::fabs(rr - rmesh) > 1.0E-6f || std::fabs(Z - Zs) > 1.0E-6f;
      const bool ref = ICODE[1] != 0 || ICODE[2] != 0;
      float c1 = rr, c2 = Z;
      if (LADD) {
        c1 = VAL[1];
        c2 = VAL[2];
        if (k == NLAST + 2 && NLAST + 1 >= 1 && NLAST + 1 <= MAXPTS)
          c2 = -(static_cast<float>(latc.IZ(NLAST + 1) - 1) * ddz);
      }
      line_t l;
      l.text("( ");
      column(l, ICODE[1], c1);
      column(l, ICODE[2], c2);
      l.text(" )  ( ");
      l.i("I7", irk);
      l.i("I7", izk);
      if (ref || LADD) {
        l.text(" ) ---> ");
        l.text("( ");
        l.g(rr);
        l.g(LADD && !ref && off ? geo.ZZ(k) : Z);
      }
      if (off) {
        l.text(" ) ---> ");
        l.text("( ");
        l.g(rmesh);
        l.g(Zs);
      }
      l.text(" )");
      l.put();
      ++k;
      ++i;
    } else if (rr == -1.0f || rr == -2.0f) {
      // A circle between the point before and the point after.
      const int ikind = static_cast<int>(rr);
      const float rad = geo.ZZ(k);
      if (rad != 0.0f) {
        const char *lab = rad > 0.0f ? "CONNECTED BY A CONCAVE CIRCLE, IKIND="
                                     : "CONNECTED BY A CONVEX  CIRCLE, IKIND=";
        if (ICODE[2] != 0)
          rec(ndev.NOUT, "(1X,A,I2,A,I3,A,G13.5)", lab, ikind, ",  RADIUS= RZ", std::abs(ICODE[2]),
              " --->  ", rad);
        else
          rec(ndev.NOUT, "(1X,A,I2,A,G13.5)", lab, ikind, ",  RADIUS=", rad);
      }
      ++k;
      ++i;
    } else if ((rr == -3.0f || rr == -4.0f) && k + 1 <= MAXPTS) {
      // An ellipse: the marker, then its centre line (not echoed by itself).
      rec(ndev.NOUT, "(1X,A,I2,A,G13.5,G13.5,A)", "CONNECTED BY AN ELLIPSE,       IKIND=",
          static_cast<int>(rr), ",  (RM, ZM)=     ( ", geo.RR(k + 1), geo.ZZ(k + 1), " )");
      k += 2;
      i += 2;
    } else {
      // Not a curve code (the deck reader stops such lines): pass over it.
      ++k;
      ++i;
    }
  }

  if (LADD && NLAST + 2 >= 1 && NLAST + 2 <= MAXPTS && gr_data.gdr.size() >= 1 &&
      std::fabs(geo.RR(NLAST + 2)) >= 0.5f * gdr(1)) {
    // The point that closes the first polygon lies half a radial step or more off the axis.
    rec(ndev.NOUT, "(1X,A)", "*** STOP *** THE FIRST POLYGON IS NOT CLOSED.");
    rec(ndev.NOUT, "(1X,A)", "THERE IS A VERTICAL GAP MORE THAN DDR/2 AT RLC.");
    zstop();
  }
}
