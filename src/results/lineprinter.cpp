// Line-printer plot: curves as characters on a 121 x 42 grid, printed with the axis
// divisions, the y value of every division row and the x labels under the plot.
//
// An axis is scaled to a "round" step: the power of ten P just below the span d (with a
// tolerance of 0.001 in the exponent), the step a factor STEPF(INT(d/P)) of P, and the
// ends moved out to multiples of the step; a step giving more than 8 divisions takes
// the next factor of the table.
#include "results/lineprinter.hpp"

#include <cmath>
#include <vector>

#include "run/records.hpp"

inf_t inf;
xyz_t xyz;

namespace {

// Step factors of an axis, indexed by INT(d/P) = 1 .. 10.
constexpr float STEPF[10] = {0.2f, 0.5f, 0.5f, 1.0f, 1.0f, 1.0f, 1.0f, 2.0f, 2.0f, 2.0f};

// Characters of the picture.
constexpr char LZB = ' ', LZM = '-', LZP = '+', LZI = 'I';

// 10 to the power k in single precision, by repeated squaring; a negative power is the
// reciprocal of the positive one.
float powi10(int k) {
  unsigned n = k < 0 ? -static_cast<unsigned>(k) : static_cast<unsigned>(k);
  float x = 10.0f;
  float r = (n & 1u) ? x : 1.0f;
  while (n >>= 1) {
    x = x * x;
    if (n & 1u) r = r * x;
  }
  return k < 0 ? 1.0f / r : r;
}

// Scale of one axis: its step and the step multiples at its two ends.
struct axis_t {
  float step = 0.0f;
  int nmin = 0, nmax = 0;
};

// Scale of the range lo .. hi; false when the range is empty, reversed or too narrow
// beside its distance from zero (or its span is not a finite number).
bool scale_axis(float lo, float hi, axis_t &a) {
  const float d = hi - lo;
  if (!std::isfinite(d) || !(d - 0.0005f * std::fabs(hi + lo) > 0.0f)) return false;
  // Power of ten just below d, with a tolerance of 0.001 in the exponent.
  const int k = static_cast<int>(std::log10(d) + 199.999f) - 200;
  const float P = powi10(k);
  if (!(P > 0.0f) || !std::isfinite(P)) return false;
  const float q = d / P;
  int i = q >= 10.0f ? 10 : (q < 1.0f ? 1 : static_cast<int>(q));
  for (;;) {
    const float step = STEPF[i - 1] * P;
    const float th = hi / step + (hi >= 0.0f ? 0.99f : 0.01f);
    const float tl = lo / step + (lo >= 0.0f ? 0.01f : -0.99f);
    if (!(std::fabs(th) < 1.0E9f) || !(std::fabs(tl) < 1.0E9f)) return false;
    a.step = step;
    a.nmax = static_cast<int>(th);
    a.nmin = static_cast<int>(tl);
    if (a.nmax - a.nmin <= 8) break;
    if (i == 10) return false;
    ++i;
  }
  return a.nmax - a.nmin >= 1;
}

// Smallest and largest finite value of V(1 .. n); false when there is none.
bool data_range(const arr1<float> &V, long n, float &lo, float &hi) {
  bool any = false;
  for (long i = 1; i <= n; ++i) {
    const float v = V(i);
    if (!std::isfinite(v)) continue;
    if (!any || v < lo) lo = v;
    if (!any || v > hi) hi = v;
    any = true;
  }
  return any;
}

// Scale of the axis of RANGE(j), RANGE(j + 1); when that range fails and the data may
// replace it, the data range is stored back and tried.
bool axis_of(fix1<float, 4> &RANGE, int j, bool from_data, const arr1<float> &V, long n,
             axis_t &a) {
  if (scale_axis(RANGE(j), RANGE(j + 1), a)) return true;
  if (!from_data) return false;
  float lo = 0.0f, hi = 0.0f;
  if (!data_range(V, n, lo, hi)) return false;
  RANGE(j) = lo;
  RANGE(j + 1) = hi;
  return scale_axis(lo, hi, a);
}

void range_warning(int IU, const fix1<float, 4> &RANGE) {
  rec(IU, "()");
  rec(IU, "()");
  rec(IU, "()");
  rec(IU, "(1X,A)", "**WARNING**");
  rec(IU, "()");
  rec(IU, "(1X,A)", "WRONG RANGE IN X OR Y GIVEN TO SUBROUTINE DRPLOT:");
  rec(IU, "(A,1P,E12.5)", " XMIN=", RANGE(1));
  rec(IU, "(A,1P,E12.5)", " XMAX=", RANGE(2));
  rec(IU, "(A,1P,E12.5)", " YMIN=", RANGE(3));
  rec(IU, "(A,1P,E12.5)", " YMAX=", RANGE(4));
  rec(IU, "()");
  rec(IU, "()");
}

// Both scales of a new plot; false when one of the ranges fails.
bool set_scales(fix1<float, 4> &RANGE, int MODE, const arr1<float> &X, const arr1<float> &Y,
                long n) {
  axis_t ax, ay;
  if (!axis_of(RANGE, 1, MODE != 0, X, n, ax)) return false;
  xyz.NXDIV = ax.nmax - ax.nmin;
  xyz.NCPD = 120 / xyz.NXDIV;
  xyz.XORG = static_cast<float>(ax.nmin) * ax.step;
  xyz.XSCL = ax.step / static_cast<float>(xyz.NCPD);
  xyz.NCOLS = xyz.NCPD * xyz.NXDIV + 1;
  xyz.IX0 = 1 - ax.nmin;
  xyz.DXS = ax.step;
  // Each label of 9 characters and its spacing fill one division.
  xyz.KFMT = "('0',6X,10(1P,E9.2," + std::to_string(xyz.NCPD - 9) + "X))";

  if (!axis_of(RANGE, 3, true, Y, n, ay)) return false;
  xyz.NYDIV = ay.nmax - ay.nmin;
  xyz.NRPD = 41 / xyz.NYDIV;
  xyz.YORG = static_cast<float>(ay.nmax) * ay.step;
  xyz.YSCL = ay.step / static_cast<float>(xyz.NRPD);
  xyz.NROWS = xyz.NRPD * xyz.NYDIV + 1;
  xyz.IY0 = ay.nmax * xyz.NRPD + 1;
  return true;
}

// The character a cell of curve index idx shows: a code 0 .. 9 is that digit, a blank
// the digit of the index.
char shown(int idx) {
  const char c = inf.ISYM(idx);
  const unsigned char u = static_cast<unsigned char>(c);
  if (u <= 9) return static_cast<char>('0' + u);
  if (c == ' ') return static_cast<char>('0' + idx);
  return c;
}

void print_plot(int IU) {
  for (int r = 1; r <= xyz.NROWS; ++r) {
    const bool division = (r - 1) % xyz.NRPD == 0;
    std::string line(static_cast<std::size_t>(xyz.NCOLS), division ? LZM : LZB);
    for (int c = 1; c <= xyz.NCOLS; c += xyz.NCPD) line[c - 1] = division ? LZP : LZI;
    for (int c = 1; c <= xyz.NCOLS; ++c) {
      const int cell = inf.IGRID(LP_COLS * (r - 1) + c);
      if (cell != 0) line[c - 1] = shown(cell);
    }
    if (division)
      rec(IU, "(1P,E10.2,1X,A)", static_cast<float>(xyz.IY0 - r) * xyz.YSCL, line);
    else
      rec(IU, "(11X,A)", line);
  }
  // Labels of the division lines but the last.
  std::vector<float> labels;
  for (int k = 1; k <= xyz.NXDIV; ++k) {
    inf.XLAB(k) = static_cast<float>(k - xyz.IX0) * xyz.DXS;
    labels.push_back(inf.XLAB(k));
  }
  rec(IU, xyz.KFMT, labels);
}

} // namespace

void drplot(int IU, const arr1<float> &X, const arr1<float> &Y, int N, char CH, int MODE,
            fix1<float, 4> &RANGE, int NMORE) {
  const int abandoned = NMORE < 0 ? NMORE : -NMORE; // -|NMORE|
  // The remaining curves of an abandoned plot are passed over.
  if (xyz.NCURV < 0) {
    xyz.NCURV = abandoned;
    return;
  }
  long n = N > 0 ? N : 0;
  if (n > Y.size()) n = Y.size();
  if (MODE != 0 && n > X.size()) n = X.size();

  int idx = 0;
  if (xyz.NCURV == 0) {
    for (long p = 1; p <= inf.IGRID.size(); ++p) inf.IGRID(p) = 0;
    xyz.NCURV = 1;
    if (!set_scales(RANGE, MODE, X, Y, n)) {
      range_warning(IU, RANGE);
      xyz.NCURV = abandoned;
      return;
    }
    idx = 1;
    inf.ISYM(1) = CH;
  } else {
    // A character already used keeps its index; an eighth new one takes over index 1.
    for (int c = 1; c <= xyz.NCURV; ++c)
      if (inf.ISYM(c) == CH) {
        idx = c;
        break;
      }
    if (idx == 0) {
      xyz.NCURV = xyz.NCURV % 7 + 1;
      inf.ISYM(xyz.NCURV) = CH;
      idx = xyz.NCURV;
    }
  }

  // Mark the points; a point off the grid, or at no finite position, is passed over.
  const float XMIN = RANGE(1), XMAX = RANGE(2);
  const long nm1 = static_cast<long>(N) - 1;
  const float den = static_cast<float>(nm1 > 1 ? nm1 : 1);
  for (long i = 1; i <= n; ++i) {
    const float x = MODE != 0 ? X(i) : XMIN + static_cast<float>(i - 1) * (XMAX - XMIN) / den;
    const float XC = 1.5f + (x - xyz.XORG) / xyz.XSCL;
    const float YR = 1.5f + (xyz.YORG - Y(i)) / xyz.YSCL;
    if (!std::isfinite(XC) || !std::isfinite(YR)) continue;
    if (std::fabs(XC) + std::fabs(YR) >= 163.0f) continue;
    const int col = static_cast<int>(XC);
    const int row = static_cast<int>(YR);
    if (col >= 1 && col <= LP_COLS && row >= 1 && row <= LP_ROWS)
      inf.IGRID(LP_COLS * (row - 1) + col) = static_cast<unsigned char>(idx);
  }

  if (NMORE != 0) return;
  print_plot(IU);
  xyz.NCURV = 0;
}
