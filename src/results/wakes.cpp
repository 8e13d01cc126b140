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

// Extrema of one wake array: WMAX >= 0, WMIN <= 0 (both start at 0), peak magnitude A.
struct wext {
  float WMIN = 0.0f, WMAX = 0.0f, A = 0.0f;
};

// Extrema over k = 1 .. n (the sample after the last reported one included by the
// caller); samples beyond the array do not exist and are not looked at.
wext extrema(const arr1<float> &W, long n) {
  wext e;
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

std::vector<std::string> title9(const fix1<std::string, 10> &TITLE) {
  std::vector<std::string> t;
  for (int k = 1; k <= 9; ++k) t.push_back(padto(TITLE(k), 8));
  return t;
}

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

void wkplot(int N, const fix1<std::string, 10> &TITLE, bool LPLW, bool LSVW, bool LOGT,
            bool LNAPM1, int KEND, float RW, int ITEST, bool LPPW) {
  const int u = ndev.NOUT;
  const arr1<float> &wz = wzwy_data.wz, &wt = wzwy_data.wt, &wy = wzwy_data.wy,
                    &wp = wzwy_data.wp;
  const float DDZ = latc.DDZ;
  const int MROT = wpl.MROT;
  const int NQ = qkar.NQ;
  const int NT = wind.NT;
  const float SIG = latc.SIG;
  const int IRDRIVE = latc.IRDRIVE;
  const float D = IRDRIVE >= 1 && IRDRIVE <= gr_data.gr.size() ? gr(IRDRIVE) : 0.0f;

  // 1. Extrema over one sample more than are plotted and tabulated.
  const long n1 = static_cast<long>(N) + 1;
  const wext ez = extrema(wz, n1), et = extrema(wt, n1), ey = extrema(wy, n1),
             ep = extrema(wp, n1);
  const float AZ = ez.A, AT = et.A, AY = ey.A, AP = ep.A;

  // 2., 3. Integrals over the bunch, SUM(W) = sum of W(k)*lambda(k)*DDZ (V/C), and the
  // first and last half of the loss factor, split at the sample M = NQ/2. Samples
  // beyond the wake arrays (a wake shorter than the bunch) count as 0.
  float SUMZ = 0.0f, SUMT = 0.0f, SUMY = 0.0f, SUMP = 0.0f, FIRST = 0.0f;
  const int M = NQ / 2;
  for (long k = 1; k <= NQ; ++k) {
    const float q = wdens(k);
    const float tz = wat(wz, k) * q * DDZ;
    SUMZ += tz;
    SUMT += wat(wt, k) * q * DDZ;
    SUMY += wat(wy, k) * q * DDZ;
    SUMP += wat(wp, k) * q * DDZ;
    if (k < M) FIRST += tz;
    if (k == M) FIRST += 0.5f * tz;
  }
  const float LAST = SUMZ - FIRST;

  // 4. Limits of the plots.
  fix1<float, 4> RANGE;
  RANGE(1) = 0.0f;
  RANGE(2) = static_cast<float>(N - 1) * DDZ;
  RANGE(3) = -1.0f;
  RANGE(4) = 1.0f;
  int NMORE = 1;

  // 5. CPU time since the last mark.
  cputim(wp2.TUSED, 2);

  // 6. Header of the wake report.
  rec(u, "('1',A,9A8,2X,A8,1X,A8,5X,A,1P,E10.3,2X,A,I2)", "PROBLEM :", title9(TITLE),
      padto(wpt.CDATE, 8), padto(wpt.CTIME, 8), "SIG/M=", SIG, "MROT=", MROT);
  rec(u, "(1X,71X,A,1P,E10.3,A,3X,A,1P,E10.3,2X,A,1P,E10.3)", "CPUTIME USED:", wp2.TUSED,
      "(S)", "DDR=", latc.DDR(1), "DDZ=", DDZ);
  rec(u, "(1X,A,A,5X,A,L1,3X,A,L1)", "(A,T,L,P) = WAKE POTENTIAL AS A FUNCTION OF",
      " THE BUNCH COORDINATES S IN (M), (*)=BUNCH SHAPE,  FRONT LEFT", "LTAVO= ", win2.LTAVO,
      "LNAPOLY= ", wpl2.LNAPOLY);

  // 7. Plot and table switches of the run.
  if (LPLW) wps.LPLWL = wps.LPLWA = wps.LPLWT = true;
  if (LSVW) wps.LSVWL = wps.LSVWA = wps.LSVWT = true;
  const bool anyplot = wps.LPLWL || wps.LPLWA || wps.LPLWT;
  const bool anytable = wps.LSVWL || wps.LSVWA || wps.LSVWT;
  arr1<float> TEMP(N);
  if (anyplot) {
    wplot(TITLE, TEMP, N, 0, RANGE);
    wpadd(0.0f, 0.0f, 0.0f, MROT, 0);
  }

  // 8. Scale of the dipole tables; a drive ring on the axis gives no dipole values.
  const float TS = IRDRIVE > 1 ? PC / D : 0.0f;

  // 9.
  if (ITEST == 1) NMORE = 0;

  // 10. Charge curve: lambda(k)*DDZ, the charge per mesh step of a 1 C bunch.
  qkar.QMAX = 0.0f;
  float QMIN = 1.0E15f;
  for (long k = 1; k <= N; ++k) {
    TEMP(k) = wdens(k) * DDZ;
    if (TEMP(k) > qkar.QMAX) qkar.QMAX = TEMP(k);
    if (TEMP(k) < QMIN) QMIN = TEMP(k);
  }
  const float QMAX = qkar.QMAX;
  wnorm(TEMP, N, QMAX, TEMP);
  if (LPPW) drplot(u, TEMP, TEMP, N, '*', 0, RANGE, NMORE);
  if (anyplot) wplot(TITLE, TEMP, N, 1, RANGE);

  // 11. A test run has no wakes to draw.
  if (ITEST != 1) {
    // 12. Azimuthal curve, unless negligible beside the longitudinal one.
    if (AY >= 1.0E-10f * AZ) {
      wnorm(wy, N, AY, TEMP);
      if (LPPW) drplot(u, TEMP, TEMP, N, 'A', 0, RANGE, NMORE);
      if (wps.LPLWA) wplot(TITLE, TEMP, N, 2, RANGE);
      if (wps.LSVWA) wprin(TITLE, wy, N, 2, TS);
    }
    // 13. Transverse curve.
    if (AT >= 1.0E-10f * AZ) {
      wnorm(wt, N, AT, TEMP);
      if (LPPW) drplot(u, TEMP, TEMP, N, 'T', 0, RANGE, NMORE);
      if (wps.LPLWT) wplot(TITLE, TEMP, N, 3, RANGE);
      if (wps.LSVWT) wprin(TITLE, wt, N, 3, TS);
    }
    // 14. Longitudinal curve, always.
    if (!LOGT) NMORE = 0;
    wnorm(wz, N, AZ, TEMP);
    if (LPPW) drplot(u, TEMP, TEMP, N, 'L', 0, RANGE, NMORE);
    if (wps.LPLWL || (anyplot && MROT == 0)) wplot(TITLE, TEMP, N, 4, RANGE);
    if (MROT == 0 && (wps.LSVWL || anytable)) wprin(TITLE, wz, N, 1, PC);
    if (MROT == 1 && wps.LSVWL) wprin(TITLE, wz, N, 4, per_rw(TS, RW));
    // 15. Longitudinal curve with the logarithmic term of unequal pipes.
    if (LOGT) {
      NMORE = 0;
      wnorm(wp, N, AP, TEMP);
      if (LPPW) drplot(u, TEMP, TEMP, N, 'P', 0, RANGE, NMORE);
      if (wps.LPLWL || (anyplot && MROT == 0)) wplot(TITLE, TEMP, N, 5, RANGE);
      if (wps.LSVWL || (anytable && MROT == 0)) wprin(TITLE, wp, N, 5, PC);
    }
  }

  // 16. Report scales: V/pC; V/pC/m per offset D; V/pC/m**2 per D and RW.
  const float S1 = PC;
  const float S2 = IRDRIVE > 1 ? PC / D : 0.0f;
  const float S3 = per_rw(S2, RW);

  // 17. Charge line.
  rec(u, "()");
  rec(u, "(A,1P,E10.3,A,1P,E10.3,A,A,1P,E10.3,A,A,1P,E10.3,A)",
      " LINE CHARGE DENSITY MIN/MAX=", QMIN / DDZ, "/", QMAX / DDZ, "    C/M**1,", " SCALE=",
      QMAX / DDZ, "    C/M**1,", " PASSING    AT R=", D, " M");

  // 18. Extremum lines.
  const char *DIPOLE = "(A,1P,E10.3,A,1P,E10.3,A,A,1P,E10.3,A,A,1P,E10.3,A)";
  const char *MONOPOLE = "(A,1P,E10.3,A,1P,E10.3,A,A,1P,E10.3,A)";
  if (MROT == 1) {
    if (!LNAPM1)
      rec(u, DIPOLE, " AZIMUTHAL    WAKE   MIN/MAX=", ey.WMIN * S2, "/", ey.WMAX * S2,
          " V/PC/M**1,", " SCALE=", AY * S2, " V/PC/M**1,", " NORMALIZED BY D=", D,
          " M DIPOLE OFFSET");
    rec(u, DIPOLE, " TRANSVERSE   WAKE   MIN/MAX=", et.WMIN * S2, "/", et.WMAX * S2,
        " V/PC/M**1,", " SCALE=", AT * S2, " V/PC/M**1,", " NORMALIZED BY D=", D,
        " M DIPOLE OFFSET");
    rec(u, DIPOLE, " LONGITUDINAL WAKE   MIN/MAX=", ez.WMIN * S3, "/", ez.WMAX * S3,
        " V/PC/M**2,", " SCALE=", AZ * S3, " V/PC/M**2,", " NORMALIZED BY D=", D,
        " M DIPOLE OFFSET");
  } else if (MROT == 0) {
    rec(u, MONOPOLE, " LONGITUDINAL WAKE   MIN/MAX=", ez.WMIN * S1, "/", ez.WMAX * S1,
        " V/PC/M**0,", " SCALE=", AZ * S1, " V/PC/M**0");
  }
  if (LOGT)
    rec(u, MONOPOLE, " WAKE WITH LOG, TERM MIN/MAX=", ep.WMIN * S1, "/", ep.WMAX * S1,
        " V/PC/M**0,", " SCALE=", AP * S1, " V/PC/M**0");
  // The dipole values are per unit offset: with the ring on the axis there is none.
  if (MROT == 1 && IRDRIVE <= 1)
    rec(u, "(1X,A)",
        "*** WARNING *** THE DRIVE RING IS ON THE AXIS (D=0): DIPOLE VALUES ARE SET TO 0.");

  // 19. Separator.
  const bool cut = KEND < NT - 1 && ITEST == 0;
  if (cut || SIG / DDZ < 4.0f)
    rec(u, "(A)", " ");
  else
    rec(u, "(A)", "0");

  // 20., 21. Integrated lines (loss and kick factors) and the legend lines of the frame.
  const char *INTEG = "(1X,A,A,1P,E10.3,A)";
  if (MROT == 1) {
    if (!LNAPM1)
      rec(u, INTEG, "INTEGRATED  AZIMUTHAL    WAKE * ", "CHARGE DENSITY = ", SUMY * S2,
          " V/PC/M**1");
    rec(u, INTEG, "INTEGRATED  TRANSVERSE   WAKE * ", "CHARGE DENSITY = ", SUMT * S2,
        " V/PC/M**1");
    rec(u, INTEG, "INTEGRATED  LONGITUDINAL WAKE * ", "CHARGE DENSITY = ", SUMZ * S3,
        " V/PC/M**2");
  } else if (MROT == 0) {
    rec(u, "(1X,A,A,1P,E10.3,A,3X,A,1P,E10.3,A,1P,E10.3,A)",
        "INTEGRATED  LONGITUDINAL WAKE * ", "CHARGE DENSITY = ", SUMZ * S1, " V/PC/M**0",
        "(FIRST/LAST HALF = ", FIRST * S1, "/", LAST * S1, " V/PC/M**0)");
    if (anyplot) wpadd(ez.WMIN * S1, ez.WMAX * S1, SUMZ * S1, MROT, 4);
  }
  if (LOGT) {
    rec(u, INTEG, "WITH LOG. TERM DUE TO UNEQUAL BE", "AM PIPE RADII  = ", SUMP * S1,
        " V/PC/M**0");
    if (anyplot && MROT == 0) wpadd(ep.WMIN * S1, ep.WMAX * S1, SUMP * S1, MROT, 5);
  }
  if (MROT == 1 && anyplot) {
    if (!LNAPM1) wpadd(ey.WMIN * S2, ey.WMAX * S2, SUMY * S2, MROT, 2);
    wpadd(et.WMIN * S2, et.WMAX * S2, SUMT * S2, MROT, 3);
    wpadd(ez.WMIN * S3, ez.WMAX * S3, SUMZ * S3, MROT, 4);
  }

  // 22. A run that the CPU-time monitor ended early.
  if (cut) {
    rec(u, "()");
    rec(u, "(1X,A,A,I7)", "*** WARNING *** COMPUTATION IS NOT COMPLETED.",
        "   THE LAST TIME STEP =", KEND);
  }
  // 23. A bunch sampled too coarsely.
  if (SIG / DDZ + cons.EPSTOL < 4.0f) {
    rec(u, "()");
    rec(u, "(1X,A,A,F7.2,A,A)", "*** WARNING *** YOU SHOULD NOT BELIEVE THE ABOVE",
        " RESULTS.  SIG/DDZ=", SIG / DDZ, " IS TOO SMALL (IT SHOULD BE AT LEAST", " 4-5).");
  }
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
