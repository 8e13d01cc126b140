// Geometry lines of the mesh input.
//
// Each line holds at most two values: a point (radius, z) in metres, an arc marker
// (CS, CL circle along the short or long arc; ES, EL ellipse) with its parameter, a
// reference RZn to a user value of the group MESH, or a repeat mark (">" n opens a
// group taken n times, "<" closes it). The value 9999 as radius ends the list.
// In relative input (LADD) every point after the first is an increment to the point
// before it; the end of a circle is taken from the start point before its marker, the
// centre of an ellipse from the start point and the end of an ellipse from the centre.
#include "run/geomlines.hpp"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <vector>

#include "geometry/mesh.hpp"
#include "run/constants.hpp"
#include "run/params.hpp"
#include "run/records.hpp"
#include "run/units.hpp"

namespace {

constexpr int NCOLS = 72;

// The first RZ entry referenced while it was not given, in the reading or decoding
// under way (0: none). The contour built from -8888.0 is meaningless, so the reading
// stops once all lines have been seen and every such reference has been reported.
int first_ungiven = 0;

std::vector<char> cols72(const std::string &line) {
  const std::string s = padto(line, NCOLS);
  return std::vector<char>(s.begin(), s.end());
}

[[noreturn]] void stop_too_long() {
  rec(ndev.NOUT, "(1X,A,A,I7,A)", "*** STOP *** YOUR GEOMETRY INPUT IS TOO LONG.",
      " INCLEASE THE PARAMETER NBP (CURRENTLY ONLY ", MAXPTS, " )");
  zstop();
}

// The lines stored so far, up to the one being decoded, then the end of the process.
[[noreturn]] void dump_and_stop(int L) {
  rec(ndev.NOUT, "(1X,A)", "??? DUMP OF THE MESH INPUT SO FAR ???");
  rec(ndev.NOUT, "(A)", "");
  for (int i = 1; i <= L; ++i) rec(ndev.NOUT, "(1X,I5,A,5X,72A1)", i, ":", cols72(geolines[i]));
  zstop();
}

bool is_curve_code(float r) { return r == -1.0f || r == -2.0f || r == -3.0f || r == -4.0f; }

// Integer part toward zero, saturated to the 32-bit range.
int trunc_int(double x) {
  if (!(x == x)) return 0;
  if (x >= 2147483647.0) return 2147483647;
  if (x <= -2147483648.0) return -2147483647 - 1;
  return static_cast<int>(x);
}

double pow10i(int e) { return std::pow(10.0, static_cast<double>(e)); }

// State of the contour while lines are decoded into RR, ZZ.
struct contour_t {
  bool LADD = false;
  int P = 0;              // lines stored
  bool first_pt = false;  // relative input: the first point has been stored
  bool have1 = false;     // point 1 of the contour is known
  float R1 = 0.0f, Z1 = 0.0f;
  bool closed = false;    // the contour has returned to point 1
  int NLAST = 0;
  float ZMAX = 0.0f, RMAX = 0.0f;
};

// Store one ordinary line (point, marker, centre or end line) as contour line P + 1.
// Returns true for the end line.
bool store_line(contour_t &c, const float VAL[3], int L) {
  const int P = ++c.P;
  if (P > MAXPTS) stop_too_long();
  float R = VAL[1], Z = VAL[2];
  const bool marker = is_curve_code(VAL[1]);
  const bool endline = VAL[1] == 9999.0f;
  if (c.LADD && !marker && !endline && c.first_pt) {
    // Increment to the reference point: the line before, or the start point before
    // an arc marker. Evaluated in double with the float constants 100 and 0.01.
    int ref = P - 1;
    if (is_curve_code(geo.RR(P - 1)) && P >= 3) ref = P - 2;
    const double c100 = 100.0f, c001 = 0.01f;
    const double rr = (c100 * VAL[1] + c100 * geo.RR(ref)) * c001;
    const double zz = ((static_cast<double>(VAL[2]) + geo.ZZ(ref)) * c100) * c001;
    R = static_cast<float>(rr);
    Z = static_cast<float>(zz);
    if (std::fabs(R) <= 1.0E-6f) R = 0.0f;
    if (std::fabs(Z) <= 1.0E-6f) Z = 0.0f;
  }
  geo.RR(P) = R;
  geo.ZZ(P) = Z;
  if (R == 9999.0f) return true;
  if (R >= 0.0f) c.first_pt = true;

  // A first value of -1 or less that is none of the four arc codes would be taken by
  // the contour walk as an arc it cannot close. (After a reference to an RZ entry that
  // was not given the reading stops anyway, once every such reference is reported.)
  if (R <= -1.0f && !is_curve_code(R) && first_ungiven == 0) {
    rec(ndev.NOUT, "(1X,A,G13.5,A,72A1)", "*** STOP *** ILLEGAL CURVE CODE", R,
        " IN MESH INPUT LINE --> ", cols72(geolines[L]));
    zstop();
  }

  // Extents and the return to point 1 (points only; not an ellipse centre).
  if (R >= 0.0f && (P == 1 || geo.RR(P - 1) > -3.0f)) {
    c.RMAX = std::max(c.RMAX, R);
    c.ZMAX = std::max(c.ZMAX, Z);
    if (!c.have1) {
      c.have1 = true;
      c.R1 = R;
      c.Z1 = Z;
    } else if (!c.closed && std::fabs(R - c.R1) <= 1.0E-6f && std::fabs(Z - c.Z1) <= 1.0E-6f) {
      c.closed = true;
      c.NLAST = P - 2;
    }
  }
  return false;
}

// The checks made once all lines have been taken: references to RZ entries that were
// not given, and a contour too short to close.
void check_contour(int NLAST) {
  if (first_ungiven != 0) {
    rec(ndev.NOUT, "(1X,A,I4,A)", "*** STOP *** GEOMETRY INPUT USES RZ", first_ungiven,
        " WHICH IS NOT GIVEN.");
    zstop();
  }
  if (NLAST < 3) {
    rec(ndev.NOUT, "(1X,A,I6)", "*** STOP *** THE CONTOUR HAS TOO FEW POINTS: NLAST=", NLAST);
    zstop();
  }
}

// Decode the stored lines from..to-1 of a repeat group once more (their second and
// later passes). Returns true when one of them is the end line.
bool repeat_group(contour_t &c, int from, int to) {
  for (int j = from; j < to; ++j) {
    float VAL[3];
    int IC[5];
    int IERR;
    flot(geolines[j], NCOLS, VAL, IC, IERR);
    if (IC[4] != -1) continue;
    if (store_line(c, VAL, j)) return true;
  }
  return false;
}

// The record before the geometry lines: one number, read list-directed and not used
// (blank records before it are passed over, as in any list-directed read).
void read_unused_number() {
  float unused = 0.0f;
  uread_real(ndev.NIN, unused);
}

} // namespace

void flot(const std::string &LINE, int NCOL, float VAL[3], int ICODE[5], int &IERR) {
  const int ncol = NCOL > 0 ? NCOL : NCOLS;
  const std::string line = padto(LINE, static_cast<std::size_t>(ncol));
  VAL[1] = VAL[2] = 0.0f;
  ICODE[1] = ICODE[2] = ICODE[3] = 0;
  ICODE[4] = -1;
  IERR = 0;

  int slot = 1;        // value being scanned
  bool repeat = false; // ">" came in value 1: value 2 is the count of the group
  // State of one value: magnitude, multiplier, sign, decimal position, exponent.
  double V = 0.0, M = 10.0;
  int s = 1, k = 0, e = 0, es = 1;
  bool digits = false, rz = false, marker = false, expo = false;

  auto reset = [&]() {
    V = 0.0;
    M = 10.0;
    s = 1;
    k = 0;
    e = 0;
    es = 1;
    digits = rz = marker = expo = false;
  };
  auto illegal = [&](char ch) {
    rec(ndev.NOUT, "(A,A1,A1,A1,A,72A1)", " *** ERROR *** ILLEGAL CHARACTER ", "\"",
        std::string(1, ch), "\"", " IN MESH INPUT LINE --> ", cols72(line));
    IERR = -1;
  };
  // End of the value in the current slot; false when the line has no further value.
  auto finish = [&]() {
    if (!marker) {
      // A zero keeps its sign ("-0" is -0.0) without meeting an infinite power of ten.
      const double x = !digits ? 0.0 : V == 0.0 ? s * 0.0 : s * V * pow10i(es * e);
      if (rz) {
        const int n = trunc_int(x);
        // The index is tested before it is negated: -n of the least integer overflows.
        if (n < -2000 || n > 2000 || n == 0) {
          rec(ndev.NOUT, "(1X,A,I7,A,72A1)", "*** STOP *** RZ INDEX", n,
              " IN MESH INPUT LINE --> ", cols72(line));
          zstop();
        }
        const int an = n < 0 ? -n : n;
        const float rzv = var.RZ(an);
        ICODE[slot] = n;
        VAL[slot] = static_cast<float>(s) * rzv;
        if (rzv == -8888.0f) {
          rec(ndev.NOUT, "(A,A1,A,I2,A1,A,72A1)", " *** ERROR *** UNGIVEN VARIABLE ", "\"", "RZ",
              n, "\"", " IN MESH INPUT LINE --> ", cols72(line));
          if (first_ungiven == 0) first_ungiven = an;
        }
      } else {
        // A coordinate beyond the range of a 32-bit real would reach the mesh as infinity.
        if (!(std::fabs(x) <= static_cast<double>(FLT_MAX))) {
          rec(ndev.NOUT, "(1X,A,72A1)", "*** STOP *** NUMBER TOO LARGE IN MESH INPUT LINE --> ",
              cols72(line));
          zstop();
        }
        VAL[slot] = static_cast<float>(x);
      }
    }
    if (slot == 2 && repeat) ICODE[4] = std::max(0, trunc_int(VAL[2]));
    ++slot;
    reset();
    return slot <= 2;
  };
  auto letter_after = [&](int p) { return p + 1 < ncol ? line[p + 1] : '\0'; };
  // A marker CS, CL, ES, EL starting at column p; false when the letter after is wrong.
  auto start_marker = [&](int &p) {
    const char a = line[p], b = letter_after(p);
    if (b != 'S' && b != 'L') {
      illegal(b != '\0' ? b : a);
      return false;
    }
    const int code = a == 'C' ? (b == 'S' ? -1 : -2) : (b == 'S' ? -3 : -4);
    ICODE[3] = code;
    VAL[1] = static_cast<float>(code);
    marker = true;
    p += 2;
    return true;
  };

  int p = 0;
  while (p < ncol) {
    const char ch = line[p];
    if (expo) {
      // Exponent: a signed integer up to the next blank or comma.
      if (ch == ' ' || ch == ',') {
        if (!finish()) return;
      } else if (ch == '+') {
      } else if (ch == '-') {
        es = -1;
      } else if (ch >= '0' && ch <= '9') {
        if (e < 100000) e = e * 10 + (ch - '0');
      } else {
        rec(ndev.NOUT, "(A,A1,A1,A1,A)", " *** ERROR *** ILLEGAL CHARACTER ", "\"",
            std::string(1, ch), "\"", " ");
        zstop();
      }
      ++p;
      continue;
    }
    if (ch == ' ' || ch == ',') {
      if (digits || rz || marker) {
        if (!finish()) return;
      }
      ++p;
    } else if (ch == '+') {
      ++p;
    } else if (ch == '-') {
      s = -1;
      ++p;
    } else if (ch == '<') {
      ICODE[4] = -9999;
      return;
    } else if (ch == '.') {
      M = 1.0;
      k = -1;
      ++p;
    } else if (ch >= '0' && ch <= '9') {
      const int d = ch - '0';
      if (k == 0) {
        V = V * M + d;
      } else {
        V = V * M + d * pow10i(k);
        --k;
      }
      digits = true;
      ++p;
    } else if ((ch == 'E' || ch == 'D') && digits) {
      expo = true;
      ++p;
    } else if (ch == 'R') {
      const char b = letter_after(p);
      if (b == 'Z') {
        rz = true;
        digits = true;
        p += 2;
      } else if (b == '>') {
        ++p; // taken as the ">" that follows
      } else if (b == 'C' || b == 'E') {
        ++p;
        if (!start_marker(p)) return;
      } else {
        illegal(b != '\0' ? b : ch);
        return;
      }
    } else if (ch == 'C' || ch == 'E') {
      if (!start_marker(p)) return;
    } else if (ch == '>') {
      if (slot == 1) {
        // Opening line: value 1 stores nothing, value 2 is the count.
        repeat = true;
        slot = 2;
        reset();
        ++p;
      } else {
        // After value 1: the scan ends, the line is an ordinary one.
        if (repeat) ICODE[4] = std::max(0, trunc_int(VAL[2]));
        return;
      }
    } else {
      illegal(ch);
      return;
    }
  }
  finish();
}

void inputi(bool LADD, int &NPTS, int &NLINES, int &NLAST, float &ZMAX, float &RMAX) {
  ZMAX = RMAX = 0.0f;
  first_ungiven = 0;
  read_unused_number();

  contour_t c;
  c.LADD = LADD;
  int L = 0;
  bool open = false; // a repeat group is open
  int gstart = 0, count = 0;
  for (;;) {
    const std::string line = padto(uget_or_die(ndev.NIN), NCOLS);
    if (line[0] == '%') continue; // comment: not stored, not counted
    if (L == MAXLINES) stop_too_long();
    ++L;
    geolines[L] = line;
    float VAL[3];
    int IC[5];
    int IERR;
    flot(line, NCOLS, VAL, IC, IERR);

    bool end = false;
    if (IC[4] != -1) {
      if (!LADD) continue; // absolute input: the marks are stored and ignored
      if (IC[4] >= 0) {
        open = true;
        gstart = L + 1;
        count = IC[4];
        continue;
      }
      if (!open) {
        rec(ndev.NOUT, "(1X,A,A1,A,A1,A,A1,A,A1)", "*** STOP *** YOU MAY HAVE FORGOTTEN ", "\"",
            ">", "\"", " BEFORE ", "\"", "<", "\"");
        dump_and_stop(L);
      }
      // The group is taken count times in all; an empty group needs no passes.
      for (--count; count > 0 && gstart < L && !end; --count) end = repeat_group(c, gstart, L);
      open = false;
      if (!end) continue;
    } else {
      if (IERR == -1) dump_and_stop(L);
      end = store_line(c, VAL, L);
    }
    if (!end) continue;

    NPTS = c.P - 1;
    NLINES = L - 1;
    NLAST = c.closed ? c.NLAST : NPTS - 2;
    ZMAX = c.ZMAX;
    RMAX = c.RMAX;
    if (symt.LHALF && 2 * NPTS > 20003) stop_too_long();
    check_contour(NLAST);
    return;
  }
}

void inputd(bool LADD, int &NPTS, int NLINES, int &NLAST, float &ZMAX, float &RMAX) {
  ZMAX = RMAX = 0.0f;
  first_ungiven = 0;
  contour_t c;
  c.LADD = LADD;
  bool open = false;
  int gstart = 0, count = 0;
  const int nl = std::min(NLINES, MAXLINES);
  bool end = false;
  for (int L = 1; L <= nl && !end; ++L) {
    float VAL[3];
    int IC[5];
    int IERR;
    flot(geolines[L], NCOLS, VAL, IC, IERR);
    if (IC[4] != -1) {
      if (!LADD) continue;
      if (IC[4] >= 0) {
        open = true;
        gstart = L + 1;
        count = IC[4];
      } else if (open) {
        for (--count; count > 0 && gstart < L && !end; --count) end = repeat_group(c, gstart, L);
        open = false;
      }
      continue;
    }
    end = store_line(c, VAL, L);
  }
  NLAST = c.closed ? c.NLAST : NPTS - 2;
  ZMAX = c.ZMAX;
  RMAX = c.RMAX;
  check_contour(NLAST);
}
