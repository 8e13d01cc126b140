// Impedance and loss-factor spectra: the windowed direct Fourier sum of a wake at 624
// frequencies from 0 to FMAX, divided by the Gaussian bunch spectrum (impedances) or
// multiplied by twice it (loss-factor spectra), written as plot frames and, with LSVF,
// as blocks of the table file.
#include "results/impedance.hpp"

#include <cfloat>
#include <cmath>

#include "geometry/mesh.hpp"
#include "results/tables.hpp"
#include "run/constants.hpp"
#include "run/params.hpp"
#include "run/plotfile.hpp"
#include "run/records.hpp"
#include "solver/fields.hpp"

namespace {

constexpr int NF = 624; // spectrum points

// A value beyond the range of a 32-bit real is limited to +-3.4028235E+38.
float lim(double v) {
  if (v > FLT_MAX) return FLT_MAX;
  if (v < -FLT_MAX) return -FLT_MAX;
  return static_cast<float>(v);
}
float limf(float v) { return std::isinf(v) ? (v > 0.0f ? FLT_MAX : -FLT_MAX) : v; }

// The polynomials of Abramowitz and Stegun for I0: 9.8.1 in y = (x/3.75)^2 for
// |x| < 3.75, and 9.8.2, sqrt(x) exp(-x) I0(x), in y = 3.75/|x| beyond.
double i0_small(double ax) {
  const double y = (ax / 3.75) * (ax / 3.75);
  return 1.0 + y * (3.5156229 + y * (3.0899424 + y * (1.2067492 + y * (0.2659732 +
                    y * (0.360768e-1 + y * 0.45813e-2)))));
}
double i0_large_poly(double ax) {
  const double y = 3.75 / ax;
  return 0.39894228 + y * (0.1328592e-1 + y * (0.225319e-2 + y * (-0.157565e-2 +
         y * (0.916281e-2 + y * (-0.2057706e-1 + y * (0.2635537e-1 + y * (-0.1647633e-1 +
         y * 0.392377e-2)))))));
}
// ln I0(ax) in double, for arguments whose I0 overflows even a double.
double ln_i0(double ax) {
  if (ax < 3.75) return std::log(i0_small(ax));
  return ax - 0.5 * std::log(ax) + std::log(i0_large_poly(ax));
}
// I0(ax) in double with the exponential in double (finite up to ax of about 709).
double i0_double(double ax) {
  if (ax < 3.75) return i0_small(ax);
  return std::exp(ax) / std::sqrt(ax) * i0_large_poly(ax);
}

// Kaiser-Bessel window I0(b sqrt(1 - x^2)) / I0(b), b = PI*ALPHA, in double throughout.
struct kaiser_t {
  double b = 0.0;
  double i0b = 1.0;
  bool by_logs = false; // I0(b) beyond a double: the ratio from the logarithms
  explicit kaiser_t(float alpha) {
    b = std::fabs(static_cast<double>(cons.PI) * static_cast<double>(alpha));
    by_logs = b > 700.0;
    if (by_logs) i0b = ln_i0(b);
    else i0b = i0_double(b);
  }
  float operator()(float x) const {
    const double xd = x;
    const double a = b * std::sqrt(std::fmax(0.0, 1.0 - xd * xd));
    if (by_logs) return static_cast<float>(std::exp(ln_i0(a) - i0b));
    return static_cast<float>(i0_double(a) / i0b);
  }
};

// Window weight at x in [-1, 1] (LWNDW set; NWFUN 0 or below counts as 1).
struct window_t {
  int kind;
  float alpha;
  kaiser_t kaiser;
  window_t(int nwfun, float a) : kind(nwfun <= 1 ? 1 : (nwfun == 2 ? 2 : 3)), alpha(a), kaiser(a) {}
  float operator()(float x) const {
    const float PI = cons.PI;
    if (kind == 1) return kaiser(x);
    if (kind == 2)
      // 4-term Blackman-Harris, -74 dB side lobes, on the centred argument.
      return 0.40217f + 0.49703f * std::cos(PI * x) + 0.09392f * std::cos(2.0f * PI * x) +
             0.00183f * std::cos(3.0f * PI * x);
    const float t = alpha * x;
    return std::exp(-0.5f * (t * t));
  }
};

// INT(v) of a float, limited to [lo, hi]; NaN gives lo.
long long int_limited(float v, long long lo, long long hi) {
  if (!(v == v)) return lo;
  const double t = std::trunc(static_cast<double>(v));
  if (t <= static_cast<double>(lo)) return lo;
  if (t >= static_cast<double>(hi)) return hi;
  return static_cast<long long>(t);
}

// Label row of a frame (1 .. 3) of a spectrum of the given kind; 0: no such frame.
int label_of(int KIND, int frame, int MROT) {
  static const int rows[7][3] = {
      {0, 0, 0}, {1, 2, 15}, {3, 4, 16}, {5, 6, 17}, {9, 10, 19}, {11, 12, 0}, {13, 14, 0}};
  if (KIND == 3 && MROT != 0) {
    // Dipole units; higher modes take the dipole labels.
    static const int dip[3] = {7, 8, 18};
    return dip[frame - 1];
  }
  return rows[KIND][frame - 1];
}

// One spectrum frame: header, titles, limits, the curve, the table block, the bunch
// spectrum of the loss spectra and the zero line.
void spectrum_frame(const fix1<std::string, 10> &TITLE, int IALEG, const arr1<float> &FR,
                    const arr1<float> &Y, float FMAX, const arr1<float> &BS, float M) {
  const int u = ndev.NTOP;
  const spectrum_label_t &lab = SPECTRUM_LABEL[IALEG];
  plot_header(PK_SPECTRA, lab.MAIN, lab.BOTTOM, lab.LEFT, lab.CASES, &TITLE);
  plot_datetime();
  plot_mode_title();
  const int nzs = plot_zone_count();
  plot_zone_steps(nzs < 4 ? nzs : 4);
  rec(u, "(1X,A,2G13.5)", " SET LIMIT X ", 0.0f, FMAX);
  for (int i = 1; i <= NF; ++i) plot_point(FR(i), Y(i));
  const bool join1 = IALEG == 12 || IALEG == 14 || IALEG >= 15;
  rec(u, "(1X,A)", join1 ? " JOIN 1 " : " JOIN ");
  if (ffts.LSVF) zprin(TITLE, FR, Y, NF, IALEG);
  if (IALEG == 11 || IALEG == 13) {
    // The bunch spectrum exp(-u^2), scaled to the peak of the loss spectrum, and its legend.
    for (int i = 1; i <= NF; ++i) plot_point(FR(i), M * BS(i));
    rec(u, "(1X,A)", " JOIN DOTS ");
    const float A = FMAX / 20.0f;
    plot_point(12.0f * A, 0.9f * M);
    plot_point(12.0f * A + 3.0f * A, 0.9f * M);
    rec(u, "(1X,A)", " JOIN DOTS ");
    rec(u, "(1X,A,2G13.5,A,A,A,A)", " TITLE ", 12.0f * A + 3.5f * A, 0.9f * M,
        " DATA SIZE 1.5 ", "'", "Bunch Spectrum", "'");
  }
  rec(u, "(1X,A)", " SET ORDER X Y ");
  plot_point(0.0f, 0.0f);
  plot_point(FMAX, 0.0f);
  rec(u, "(1X,A)", " JOIN DOTDASH ");
}

} // namespace

float bessi0(float X) {
  const float ax = std::fabs(X);
  if (ax < 3.75f) return lim(i0_small(ax));
  // exp(|X|) in single precision; beyond the float range in double.
  const float ef = std::exp(ax);
  const double e = std::isinf(ef) ? std::exp(static_cast<double>(ax)) : static_cast<double>(ef);
  return lim(e / std::sqrt(static_cast<double>(ax)) * i0_large_poly(ax));
}

void zplot(const fix1<std::string, 10> &TITLE, const arr1<float> &W, int NN, int KIND,
           float CUTOFF, float FACTOR) {
  if (KIND < 1 || KIND > 6) return;
  const float PI = cons.PI, CLIGHT = cons.CLIGHT;
  const float SIG = latc.SIG, DDZ = latc.DDZ;
  const int MROT = wpl.MROT;
  const bool loss = KIND == 5 || KIND == 6;

  // Frequency range (GHz): FQ where the Gaussian bunch spectrum has fallen by EXPFAC
  // (0.3 is c in m/ns to one figure), FN the highest frequency that DDZ resolves.
  const float FQ = 0.3f * std::sqrt(2.0f * std::log(expfr.EXPFAC)) / (2.0f * PI * SIG);
  const float FN = CLIGHT * 5.0E-10f / DDZ;
  float FMAX = FQ < FN ? FQ : FN;
  if (CUTOFF > 0.001f && CUTOFF < FN) FMAX = CUTOFF;
  const float DF = FMAX / static_cast<float>(NF);
  // Sample step in ns and in s.
  const float DT = DDZ / (CLIGHT * 1.0E-9f);
  const float DTS = DT * 1.0E-9f;

  // Factor and sign.
  const float FACT = MROT == 0 ? 1.0f : FACTOR;
  const float SIGN = KIND == 1 ? -1.0f : 1.0f;

  // Window: wake sample j sits at window position NPAD + j, so that the bunch
  // centre (sample NSTART + 1) falls on the middle of the NTOT positions. Positions
  // below 1 (a wake shorter than the bunch) weigh nothing.
  const long long NSTART = int_limited(cals.SIGCUT * SIG / DDZ + 0.5f, -(1LL << 40), 1LL << 40);
  long long NPAD = static_cast<long long>(NN) - 2 * NSTART - 1;
  if (crbw.LCRBW) NPAD += 2 * (static_cast<long long>(crbw.ISEP) - latc.NZ);
  const long long NTOT = NN + NPAD;
  if (NTOT <= 0) {
    rec(ndev.NOUT, "(1X,A)", "*** SKIP *** WAKE TOO SHORT FOR THE SPECTRUM");
    return;
  }
  const long nn = NN < W.size() ? NN : W.size(); // samples held
  const long j0 = NPAD >= 0 ? 1 : static_cast<long>(1 - NPAD); // first sample with weight
  arr1<float> wj(nn > 0 ? nn : 0, 0.0f); // weight of sample j: WIN(NPAD + j)
  if (!ffts.LWNDW || NTOT == 1) {
    for (long j = j0; j <= nn; ++j) wj(j) = 1.0f;
  } else {
    const window_t win(wfun.NWFUN, wfun.ALPHA);
    const float step = 2.0f / static_cast<float>(NTOT - 1);
    const long long m0 = NPAD + j0;
    const long long m1 = NPAD + nn;
    float x = -1.0f; // advanced by repeated addition
    for (long long m = 1; m <= m1; ++m) {
      if (m >= m0) wj(static_cast<long>(m - NPAD)) = win(x);
      const float xn = x + step;
      if (xn == x) {
        // The step no longer moves x: every later position has the same weight.
        const float v = win(x);
        for (long long mm = m + 1 > m0 ? m + 1 : m0; mm <= m1; ++mm) wj(static_cast<long>(mm - NPAD)) = v;
        break;
      }
      x = xn;
    }
  }

  // Fourier sum; the time origin t = 0 is the bunch centre (ns).
  arr1<float> ZR(NF), ZI(NF), FR(NF), BS(NF, 0.0f), ZINT(NF, 0.0f);
  arr1<float> aw(nn > 0 ? nn : 0, 0.0f), tj(nn > 0 ? nn : 0, 0.0f);
  const float t0 = (static_cast<float>(NPAD) + 0.5f) * DT - static_cast<float>(NTOT) * DT / 2.0f;
  for (long j = j0; j <= nn; ++j) {
    aw(j) = SIGN * W(j) * wj(j);
    tj(j) = t0 + static_cast<float>(j - 1) * DT;
  }
  // kOhm for a wake in V/C: 0.001 * DTS * sum.
  const float cr = -0.001f * FACT * DTS;
  const float ci = 0.001f * FACT * DTS;
  {
    const float *__restrict a = aw.data();
    const float *__restrict t = tj.data();
    float *__restrict zr = ZR.data();
    float *__restrict zi = ZI.data();
    const long jlo = j0 - 1, jhi = nn;
#pragma omp parallel for schedule(static)
    for (int i = 1; i <= NF; ++i) {
      const float w = 2.0f * PI * static_cast<float>(i - 1) * DF; // rad/ns
      float sr = 0.0f, si = 0.0f;
      for (long j = jlo; j < jhi; ++j) {
        const float p = w * t[j];
        sr += a[j] * std::cos(p);
        si += a[j] * std::sin(p);
      }
      zr[i - 1] = limf(cr * sr);
      zi[i - 1] = limf(ci * si);
    }
  }

  // Bunch spectrum exp(-u^2/2): impedances divide by it, loss spectra take twice it.
  for (int i = 1; i <= NF; ++i) FR(i) = static_cast<float>(i - 1) * DF;
  for (int i = 1; i <= NF; ++i) {
    const float uu = 2.0f * PI * FR(i) * SIG / (CLIGHT * 1.0E-9f);
    const float h = uu * uu / 2.0f;
    const float E = std::exp(h);
    if (!std::isinf(E)) {
      if (loss) {
        const float f = 2.0f / E;
        ZR(i) = ZR(i) * f;
        ZI(i) = ZI(i) * f;
      } else {
        ZR(i) = limf(ZR(i) * E);
        ZI(i) = limf(ZI(i) * E);
      }
    } else {
      // Far above the mesh limit: exp(u^2/2) beyond a float, taken in double.
      const double Ed = std::exp(static_cast<double>(h));
      const double f = loss ? 2.0 / Ed : Ed;
      ZR(i) = ZR(i) == 0.0f ? ZR(i) : lim(static_cast<double>(ZR(i)) * f);
      ZI(i) = ZI(i) == 0.0f ? ZI(i) : lim(static_cast<double>(ZI(i)) * f);
    }
    if (loss) BS(i) = std::exp(-(uu * uu));
  }

  // Dipole phase: multiplication by -i.
  if (MROT == 1 && KIND != 3) {
    for (int i = 1; i <= NF; ++i) {
      const float r = ZR(i);
      ZR(i) = ZI(i);
      ZI(i) = -r;
    }
  }

  // Integrals over frequency: the loss factor up to FR(i), or the integrated impedance.
  const bool frame3 = !loss && intr.LINTZ;
  if (loss || frame3) {
    arr1<float> &Z = loss ? ZI : ZINT;
    float s = 0.0f;
    for (int i = 1; i <= NF; ++i) {
      s = limf(s + ZR(i));
      Z(i) = limf(DF * s);
    }
  }

  // Peak of the real part, at least 0.
  float M = 0.0f;
  for (int i = 1; i <= NF; ++i)
    if (ZR(i) > M) M = ZR(i);

  // The frames.
  spectrum_frame(TITLE, label_of(KIND, 1, MROT), FR, ZR, FMAX, BS, M);
  spectrum_frame(TITLE, label_of(KIND, 2, MROT), FR, ZI, FMAX, BS, M);
  if (frame3) spectrum_frame(TITLE, label_of(KIND, 3, MROT), FR, ZINT, FMAX, BS, M);
}
