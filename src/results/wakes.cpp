// Wake results of a run: the extrema of the wake potentials, the loss factor (the
// longitudinal wake weighted by the bunch line density and integrated over the bunch)
// and the kick factors (the same for the azimuthal and transverse wakes), the curves
// normalised to -1 .. +1 for the plots, the wake report and the printed wake tables.
//
// Units: the wake arrays hold V/C for a bunch of 1 C; the report prints V/pC, and for
// the dipole V/pC/m (azimuthal, transverse) and V/pC/m**2 (longitudinal), divided by
// the offset D of the drive ring and by the radius RW of the wake line.
#include "results/wakes.hpp"

#include <climits>
#include <cmath>

#include "geometry/mesh.hpp"
#include "results/lineprinter.hpp"
#include "results/tables.hpp"
#include "results/wakeframes.hpp"
#include "run/clock.hpp"
#include "run/constants.hpp"
#include "run/params.hpp"
#include "run/records.hpp"
#include "solver/bunch.hpp"
#include "solver/fields.hpp"

namespace {

constexpr float PC = 1.0E-12f; // V/C -> V/pC

// Extrema over k = 1 .. n (the sample after the last reported one included by the
// caller); samples beyond the array do not exist and are not looked at.
wake_extrema extrema(const arr1<float> &W, long n) {
  wake_extrema e;
  const long m = n < W.size() ? n : W.size();
  for (long k = 1; k <= m; ++k) {
    // A NaN is an extremum too: once met it stays, as in the integral beside it.
    if (W(k) > e.WMAX || W(k) != W(k)) e.WMAX = W(k);
    if (W(k) < e.WMIN || W(k) != W(k)) e.WMIN = W(k);
  }
  e.A = std::fabs(e.WMAX) > std::fabs(e.WMIN) ? std::fabs(e.WMAX) : std::fabs(e.WMIN);
  return e;
}

// Sample k of a wake array, 0 beyond its end.
inline float wat(const arr1<float> &W, long k) { return k <= W.size() ? W(k) : 0.0f; }

// A scale divided by the radius of the wake line; a line on the axis carries no
// dipole signal to scale, and the quotient is then 0.
inline float per_rw(float s, float RW) { return RW != 0.0f ? s / RW : 0.0f; }

} // namespace

float wdens(long k) {
  const long long J = static_cast<long long>(k - 1) * latc.MTE;
  if (k < 1 || J > INT_MAX) return 0.0f;
  float Q;
  chage(1, static_cast<int>(J), Q);
  return Q;
}

void wnorm(const arr1<float> &W, int N, float A, arr1<float> &TEMP) {
  const long n = N < TEMP.size() ? N : TEMP.size();
  const long nw = W.size();
  const float *w = W.data();
  float *t = TEMP.data();
  if (A == 0.0f) {
#pragma omp parallel for schedule(static)
    for (long k = 1; k <= n; ++k) t[k - 1] = 0.0f;
    return;
  }
#pragma omp parallel for schedule(static)
  for (long k = 1; k <= n; ++k) t[k - 1] = (k <= nw ? w[k - 1] : 0.0f) / A;
}

wake_factors wake_factors_of(int N) {
  const arr1<float> &wz = wzwy_data.wz, &wt = wzwy_data.wt, &wy = wzwy_data.wy,
                    &wp = wzwy_data.wp;
  const float DDZ = latc.DDZ;
  const int NQ = qkar.NQ;
  wake_factors f;
  // Extrema over one sample more than are plotted and tabulated.
  const long n1 = static_cast<long>(N) + 1;
  f.z = extrema(wz, n1);
  f.t = extrema(wt, n1);
  f.y = extrema(wy, n1);
  f.p = extrema(wp, n1);
  // Integrals over the bunch and the halves of the loss factor.
  const int M = NQ / 2;
  for (long k = 1; k <= NQ; ++k) {
    const float q = wdens(k);
    const float tz = wat(wz, k) * q * DDZ;
    f.SUMZ += tz;
    f.SUMT += wat(wt, k) * q * DDZ;
    f.SUMY += wat(wy, k) * q * DDZ;
    f.SUMP += wat(wp, k) * q * DDZ;
    if (k < M) f.FIRST += tz;
    if (k == M) f.FIRST += 0.5f * tz;
  }
  f.LAST = f.SUMZ - f.FIRST;
  // Charge per mesh step of the charge curve.
  for (long k = 1; k <= N; ++k) {
    const float q = wdens(k) * DDZ;
    if (q > f.QMAX) f.QMAX = q;
    if (q < f.QMIN) f.QMIN = q;
  }
  return f;
}

namespace {

// Scales of the report and the tables: V/pC; V/pC/m per offset D of the drive ring;
// V/pC/m**2 per D and the radius RW of the wake line. A drive ring on the axis gives
// no dipole values (scale 0).
struct wake_scales {
  float D = 0.0f, S1 = 0.0f, S2 = 0.0f, S3 = 0.0f;
};

wake_scales scales_of(float RW) {
  wake_scales s;
  const int IRDRIVE = latc.IRDRIVE;
  s.D = IRDRIVE >= 1 && IRDRIVE <= gr_data.gr.size() ? gr(IRDRIVE) : 0.0f;
  s.S1 = PC;
  s.S2 = IRDRIVE > 1 ? PC / s.D : 0.0f;
  s.S3 = per_rw(s.S2, RW);
  return s;
}

// The three header records of the wake report.
void report_head(const fix1<std::string, 10> &TITLE) {
  const int u = ndev.NOUT;
  rec(u, "('1',A,9A8,2X,A8,1X,A8,5X,A,1P,E10.3,2X,A,I2)", "PROBLEM :", title9(TITLE),
      padto(wpt.CDATE, 8), padto(wpt.CTIME, 8), "SIG/M=", latc.SIG, "MROT=", wpl.MROT);
  rec(u, "(1X,71X,A,1P,E10.3,A,3X,A,1P,E10.3,2X,A,1P,E10.3)", "CPUTIME USED:", wp2.TUSED,
      "(S)", "DDR=", latc.DDR(1), "DDZ=", latc.DDZ);
  rec(u, "(1X,A,A,5X,A,L1,3X,A,L1)", "(A,T,L,P) = WAKE POTENTIAL AS A FUNCTION OF",
      " THE BUNCH COORDINATES S IN (M), (*)=BUNCH SHAPE,  FRONT LEFT", "LTAVO= ", win2.LTAVO,
      "LNAPOLY= ", wpl2.LNAPOLY);
}

// The curves of the charge density and the wakes, each normalised to its peak: the
// printer plot of the report (LPPW), the curves of the wake frame (when any wake plot
// is asked for) and the wake tables. A test run draws the charge density alone.
void wake_curves(int N, const fix1<std::string, 10> &TITLE, const wake_factors &f,
                 const wake_scales &s, bool LOGT, int ITEST, bool LPPW) {
  const int u = ndev.NOUT;
  const arr1<float> &wz = wzwy_data.wz, &wt = wzwy_data.wt, &wy = wzwy_data.wy,
                    &wp = wzwy_data.wp;
  const float DDZ = latc.DDZ;
  const int MROT = wpl.MROT;
  const bool anyplot = wps.LPLWL || wps.LPLWA || wps.LPLWT;
  const bool anytable = wps.LSVWL || wps.LSVWA || wps.LSVWT;

  // Limits of the plots; the printer plot is printed with its last curve (NMORE = 0).
  fix1<float, 4> RANGE;
  RANGE(1) = 0.0f;
  RANGE(2) = static_cast<float>(N - 1) * DDZ;
  RANGE(3) = -1.0f;
  RANGE(4) = 1.0f;
  int NMORE = ITEST == 1 ? 0 : 1;

  arr1<float> TEMP(N);
  if (anyplot) {
    wplot(TITLE, TEMP, N, FRAME_HEAD, RANGE);
    wpadd(0.0f, 0.0f, 0.0f, MROT, FRAME_HEAD);
  }

  // Charge curve: lambda(k)*DDZ, the charge per mesh step of a 1 C bunch.
  for (long k = 1; k <= N; ++k) TEMP(k) = wdens(k) * DDZ;
  wnorm(TEMP, N, f.QMAX, TEMP);
  if (LPPW) drplot(u, TEMP, TEMP, N, '*', 0, RANGE, NMORE);
  if (anyplot) wplot(TITLE, TEMP, N, CURVE_CHARGE, RANGE);
  if (ITEST == 1) return;

  // Azimuthal curve, unless negligible beside the longitudinal one.
  if (f.y.A >= 1.0E-10f * f.z.A) {
    wnorm(wy, N, f.y.A, TEMP);
    if (LPPW) drplot(u, TEMP, TEMP, N, 'A', 0, RANGE, NMORE);
    if (wps.LPLWA) wplot(TITLE, TEMP, N, CURVE_AZIMUTHAL, RANGE);
    if (wps.LSVWA) wprin(TITLE, wy, N, TABLE_AZIMUTHAL, s.S2);
  }
  // Transverse curve.
  if (f.t.A >= 1.0E-10f * f.z.A) {
    wnorm(wt, N, f.t.A, TEMP);
    if (LPPW) drplot(u, TEMP, TEMP, N, 'T', 0, RANGE, NMORE);
    if (wps.LPLWT) wplot(TITLE, TEMP, N, CURVE_TRANSVERSE, RANGE);
    if (wps.LSVWT) wprin(TITLE, wt, N, TABLE_TRANSVERSE, s.S2);
  }
  // Longitudinal curve, always.
  if (!LOGT) NMORE = 0;
  wnorm(wz, N, f.z.A, TEMP);
  if (LPPW) drplot(u, TEMP, TEMP, N, 'L', 0, RANGE, NMORE);
  if (wps.LPLWL || (anyplot && MROT == 0)) wplot(TITLE, TEMP, N, CURVE_LONGITUDINAL, RANGE);
  if (MROT == 0 && (wps.LSVWL || anytable)) wprin(TITLE, wz, N, TABLE_LONGITUDINAL, s.S1);
  if (MROT == 1 && wps.LSVWL) wprin(TITLE, wz, N, TABLE_LONGITUDINAL_DIPOLE, s.S3);
  // Longitudinal curve with the logarithmic term of unequal pipes.
  if (LOGT) {
    NMORE = 0;
    wnorm(wp, N, f.p.A, TEMP);
    if (LPPW) drplot(u, TEMP, TEMP, N, 'P', 0, RANGE, NMORE);
    if (wps.LPLWL || (anyplot && MROT == 0)) wplot(TITLE, TEMP, N, CURVE_LONGITUDINAL_LOG, RANGE);
    if (wps.LSVWL || (anytable && MROT == 0)) wprin(TITLE, wp, N, TABLE_LONGITUDINAL_LOG, s.S1);
  }
}

// The report records after the curves: the charge line, the extrema and the integrals
// in the printed units, and the warnings of a run cut short or of a bunch sampled too
// coarsely.
void report_lines(const wake_factors &f, const wake_scales &s, bool LOGT, bool LNAPM1,
                  int KEND, int ITEST) {
  const int u = ndev.NOUT;
  const float DDZ = latc.DDZ, SIG = latc.SIG;
  const int MROT = wpl.MROT;
  const float D = s.D, S1 = s.S1, S2 = s.S2, S3 = s.S3;

  // Charge line.
  rec(u, "()");
  rec(u, "(A,1P,E10.3,A,1P,E10.3,A,A,1P,E10.3,A,A,1P,E10.3,A)",
      " LINE CHARGE DENSITY MIN/MAX=", f.QMIN / DDZ, "/", f.QMAX / DDZ, "    C/M**1,", " SCALE=",
      f.QMAX / DDZ, "    C/M**1,", " PASSING    AT R=", D, " M");

  // Extremum lines.
  const char *DIPOLE = "(A,1P,E10.3,A,1P,E10.3,A,A,1P,E10.3,A,A,1P,E10.3,A)";
  const char *MONOPOLE = "(A,1P,E10.3,A,1P,E10.3,A,A,1P,E10.3,A)";
  if (MROT == 1) {
    if (!LNAPM1)
      rec(u, DIPOLE, " AZIMUTHAL    WAKE   MIN/MAX=", f.y.WMIN * S2, "/", f.y.WMAX * S2,
          " V/PC/M**1,", " SCALE=", f.y.A * S2, " V/PC/M**1,", " NORMALIZED BY D=", D,
          " M DIPOLE OFFSET");
    rec(u, DIPOLE, " TRANSVERSE   WAKE   MIN/MAX=", f.t.WMIN * S2, "/", f.t.WMAX * S2,
        " V/PC/M**1,", " SCALE=", f.t.A * S2, " V/PC/M**1,", " NORMALIZED BY D=", D,
        " M DIPOLE OFFSET");
    rec(u, DIPOLE, " LONGITUDINAL WAKE   MIN/MAX=", f.z.WMIN * S3, "/", f.z.WMAX * S3,
        " V/PC/M**2,", " SCALE=", f.z.A * S3, " V/PC/M**2,", " NORMALIZED BY D=", D,
        " M DIPOLE OFFSET");
  } else if (MROT == 0) {
    rec(u, MONOPOLE, " LONGITUDINAL WAKE   MIN/MAX=", f.z.WMIN * S1, "/", f.z.WMAX * S1,
        " V/PC/M**0,", " SCALE=", f.z.A * S1, " V/PC/M**0");
  }
  if (LOGT)
    rec(u, MONOPOLE, " WAKE WITH LOG, TERM MIN/MAX=", f.p.WMIN * S1, "/", f.p.WMAX * S1,
        " V/PC/M**0,", " SCALE=", f.p.A * S1, " V/PC/M**0");
  // The dipole values are per unit offset: with the ring on the axis there is none.
  if (MROT == 1 && latc.IRDRIVE <= 1)
    rec(u, "(1X,A)",
        "*** WARNING *** THE DRIVE RING IS ON THE AXIS (D=0): DIPOLE VALUES ARE SET TO 0.");

  // Separator.
  const bool cut = KEND < wind.NT - 1 && ITEST == 0;
  if (cut || SIG / DDZ < 4.0f)
    rec(u, "(A)", " ");
  else
    rec(u, "(A)", "0");

  // Integrated lines: the loss and kick factors.
  const char *INTEG = "(1X,A,A,1P,E10.3,A)";
  if (MROT == 1) {
    if (!LNAPM1)
      rec(u, INTEG, "INTEGRATED  AZIMUTHAL    WAKE * ", "CHARGE DENSITY = ", f.SUMY * S2,
          " V/PC/M**1");
    rec(u, INTEG, "INTEGRATED  TRANSVERSE   WAKE * ", "CHARGE DENSITY = ", f.SUMT * S2,
        " V/PC/M**1");
    rec(u, INTEG, "INTEGRATED  LONGITUDINAL WAKE * ", "CHARGE DENSITY = ", f.SUMZ * S3,
        " V/PC/M**2");
  } else if (MROT == 0) {
    rec(u, "(1X,A,A,1P,E10.3,A,3X,A,1P,E10.3,A,1P,E10.3,A)",
        "INTEGRATED  LONGITUDINAL WAKE * ", "CHARGE DENSITY = ", f.SUMZ * S1, " V/PC/M**0",
        "(FIRST/LAST HALF = ", f.FIRST * S1, "/", f.LAST * S1, " V/PC/M**0)");
  }
  if (LOGT)
    rec(u, INTEG, "WITH LOG. TERM DUE TO UNEQUAL BE", "AM PIPE RADII  = ", f.SUMP * S1,
        " V/PC/M**0");

  // A run that the CPU-time monitor ended early.
  if (cut) {
    rec(u, "()");
    rec(u, "(1X,A,A,I7)", "*** WARNING *** COMPUTATION IS NOT COMPLETED.",
        "   THE LAST TIME STEP =", KEND);
  }
  // A bunch sampled too coarsely.
  if (SIG / DDZ + cons.EPSTOL < 4.0f) {
    rec(u, "()");
    rec(u, "(1X,A,A,F7.2,A,A)", "*** WARNING *** YOU SHOULD NOT BELIEVE THE ABOVE",
        " RESULTS.  SIG/DDZ=", SIG / DDZ, " IS TOO SMALL (IT SHOULD BE AT LEAST", " 4-5).");
  }
}

// The legend lines of the wake frame: each wake's extrema and its loss or kick factor,
// in the printed units.
void frame_legends(const wake_factors &f, const wake_scales &s, bool LOGT, bool LNAPM1) {
  const int MROT = wpl.MROT;
  if (MROT == 0) {
    wpadd(f.z.WMIN * s.S1, f.z.WMAX * s.S1, f.SUMZ * s.S1, MROT, CURVE_LONGITUDINAL);
    if (LOGT) wpadd(f.p.WMIN * s.S1, f.p.WMAX * s.S1, f.SUMP * s.S1, MROT, CURVE_LONGITUDINAL_LOG);
  } else if (MROT == 1) {
    if (!LNAPM1) wpadd(f.y.WMIN * s.S2, f.y.WMAX * s.S2, f.SUMY * s.S2, MROT, CURVE_AZIMUTHAL);
    wpadd(f.t.WMIN * s.S2, f.t.WMAX * s.S2, f.SUMT * s.S2, MROT, CURVE_TRANSVERSE);
    wpadd(f.z.WMIN * s.S3, f.z.WMAX * s.S3, f.SUMZ * s.S3, MROT, CURVE_LONGITUDINAL);
  }
}

} // namespace

// The order of the output of each unit: on the report the header, the printer plot and
// the lines of the factors; on the plot file the frame with its curves, then its legend
// lines; on the table file the wake tables.
void wkplot(int N, const fix1<std::string, 10> &TITLE, bool LPLW, bool LSVW, bool LOGT,
            bool LNAPM1, int KEND, float RW, int ITEST, bool LPPW) {
  const wake_factors f = wake_factors_of(N);
  qkar.QMAX = f.QMAX;
  const wake_scales s = scales_of(RW);
  // CPU time since the last mark, for the header.
  cputim(wp2.TUSED, 2);
  report_head(TITLE);
  // LPLW and LSVW ask for every wake plot and table.
  if (LPLW) wps.LPLWL = wps.LPLWA = wps.LPLWT = true;
  if (LSVW) wps.LSVWL = wps.LSVWA = wps.LSVWT = true;
  wake_curves(N, TITLE, f, s, LOGT, ITEST, LPPW);
  report_lines(f, s, LOGT, LNAPM1, KEND, ITEST);
  if (wps.LPLWL || wps.LPLWA || wps.LPLWT) frame_legends(f, s, LOGT, LNAPM1);
}

namespace {

// Blocks of ten samples: the distances S (m) and the raw values (V/C) of one array.
void wblocks(const arr1<float> &W, int N, const char *label) {
  const int u = ndev.NOUT;
  const float DDZ = latc.DDZ;
  for (long k0 = 1; k0 <= N; k0 += 10) {
    const long k1 = k0 + 9 < N ? k0 + 9 : N;
    std::vector<float> s, w;
    for (long k = k0; k <= k1; ++k) {
      s.push_back(static_cast<float>(k - 1) * DDZ);
      w.push_back(wat(W, k));
    }
    rec(u, "(1X,A,1X,10(1X,1P,E11.4))", "S/M      =", s);
    rec(u, "(1X,A,1X,10(1X,1P,E11.4))", label, w);
    rec(u, "()");
  }
}

void heading(const char *cc, const char *text) {
  rec(ndev.NOUT, "(A)", cc);
  rec(ndev.NOUT, "(1X,A)", text);
  rec(ndev.NOUT, "()");
}

} // namespace

void prinw(int N, bool LNAPM1, bool LOGT) {
  const int MROT = wpl.MROT;
  if (!LNAPM1) {
    if (MROT != 0) {
      heading("1", "AZIMUTHAL WAKE FIELDS --->");
      wblocks(wzwy_data.wy, N, "AWAKE/V  =");
      heading("1", "TRANSVERSE WAKE FIELDS --->");
      wblocks(wzwy_data.wt, N, "TWAKE/V  =");
    }
    if (MROT == 0) heading("1", "LONGITUDINAL WAKE FIELDS --->");
    if (MROT == 1) heading("0", "LONGITUDINAL WAKE FIELDS --->");
    wblocks(wzwy_data.wz, N, "LWAKE/V  =");
    if (LOGT) wblocks(wzwy_data.wp, N, "PWAKE/V  =");
  } else {
    heading("1", "TRANSVERSE WAKE FIELDS --->");
    wblocks(wzwy_data.wt, N, "TWAKE/V  =");
    heading("0", "LONGITUDINAL WAKE FIELDS --->");
    wblocks(wzwy_data.wz, N, "LWAKE/V  =");
  }
}
