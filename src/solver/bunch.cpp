// Bunch model: shape, half length, normalisation, line-charge table and the line
// density at a mesh column and time step.
#include "solver/bunch.hpp"

#include <cmath>

#include "geometry/mesh.hpp"
#include "run/constants.hpp"
#include "run/records.hpp"
#include "run/units.hpp"
#include "solver/fields.hpp"

namespace {

// Half extent of the charge distribution (m): SIGCUT r.m.s. lengths for a Gaussian,
// beyond the outer centres for a train, the half width SIG for a triangle.
float zhalf_of() {
  const float sig = latc.SIG;
  if (cdis.NBUNCH == 1) return cals.SIGCUT * sig;
  if (cdis.NBUNCH > 1) return cals.SIGCUT * sig + static_cast<float>(cdis.NBUNCH - 1) * 0.5f * cdis.BSEP;
  return sig;
}

// Shape f(z), without the cut at ZHALF (the callers apply it).
float shape(float z) {
  const float sig = latc.SIG;
  if (cdis.NBUNCH == 1) return std::exp(-(z * z) / (2.0f * (sig * sig)));
  if (cdis.NBUNCH > 1) {
    // Every bunch of the train ends 5 r.m.s. lengths from its own centre c_b.
    const float c1 = -static_cast<float>(cdis.NBUNCH - 1) * 0.5f * cdis.BSEP;
    auto u_of = [&](long long b) { return (z - (c1 + static_cast<float>(b - 1) * cdis.BSEP)) / sig; };
    // u_b runs monotonically with b (down for BSEP > 0): the bunches that reach z form
    // one range of b, found by bisection, outside which every term is left out anyway.
    long long lo = 1, hi = cdis.NBUNCH;
    if (cdis.BSEP != 0.0f) {
      const float s = cdis.BSEP > 0.0f ? 1.0f : -1.0f;
      // First b with s*u_b <= 5, last b with s*u_b >= -5.
      long long a = 1, e = cdis.NBUNCH + 1LL;
      while (a < e) {
        const long long m = a + (e - a) / 2;
        if (s * u_of(m) <= 5.0f) e = m;
        else a = m + 1;
      }
      lo = a;
      a = lo - 1;
      e = cdis.NBUNCH;
      while (a < e) {
        const long long m = a + (e - a + 1) / 2;
        if (s * u_of(m) >= -5.0f) a = m;
        else e = m - 1;
      }
      hi = a;
    }
    float f = 0.0f;
    for (long long b = lo; b <= hi; ++b) {
      const float u = u_of(b);
      if (std::fabs(u) <= 5.0f) f += std::exp(-(u * u) / 2.0f);
      // No term exceeds 1: once 1 no longer changes the sum, no later term does.
      if (f + 1.0f == f) break;
    }
    return f;
  }
  const float a = std::fabs(z);
  return a <= sig ? sig - a : 0.0f;
}

} // namespace

float bshape(float ZB) {
  cdis.ZHALF = zhalf_of();
  return shape(ZB);
}

void calsum() {
  cdis.ZHALF = zhalf_of();
  const float zh = cdis.ZHALF;
  const float ddz = latc.DDZ;
  // Sample points z_k = ZHALF - DDZ/MTE + k*DDZ, k ascending over a range that covers
  // [-ZHALF, ZHALF]; only the points inside the cut count.
  const long long n = nint(2.0f * zh / ddz);
  const long long klo = -(n + latc.NZ + 2), khi = n + latc.NZ;
  const float z0 = zh - ddz / static_cast<float>(latc.MTE);
  float sum = 0.0f;
  for (long long k = klo; k <= khi; ++k) {
    const float zk = z0 + static_cast<float>(k) * ddz;
    if (std::fabs(zk) <= zh) sum += shape(zk);
  }
  cals.CNORM = sum;
  // A triangle narrower than the mesh step can miss every sample point.
  if (!(sum > 0.0f)) {
    rec(ndev.NOUT, "(1X,A,G13.5,A,G13.5)", "*** STOP *** SIG =", latc.SIG,
        " GIVES NO CHARGE ON THE MESH OF DDZ =", ddz);
    zstop();
  }
}

void chage(int I, int J, float &Q) {
  const float zh = cdis.ZHALF;
  const float ddz = latc.DDZ;
  // Distance of column I from the bunch centre at step J: the head is at J*DDZ/MTE.
  const float s = zh + static_cast<float>(I - 1) * ddz -
                  (static_cast<float>(J) * ddz) / static_cast<float>(latc.MTE);
  const float den = cals.CNORM * ddz;
  if (std::fabs(s) > zh || den == 0.0f) {
    Q = 0.0f;
    return;
  }
  Q = shape(s) / den;
}

void qkset() {
  cdis.ZHALF = zhalf_of();
  qkar.NQ = nint(2.0f * cdis.ZHALF / latc.DDZ) + 2;
  float *q = wzwy_data.qkst.data();
  // The table is allocated with at least NQ entries; the fill never runs past it.
  const long nall = wzwy_data.qkst.size();
  const long nq = qkar.NQ < nall ? qkar.NQ : nall;
  const int mte = latc.MTE;
#pragma omp parallel for schedule(static)
  for (long i = 1; i <= nall; ++i) q[i - 1] = 0.0f;
#pragma omp parallel for schedule(static)
  for (long i = 1; i <= nq; ++i) {
    float qi;
    chage(1, static_cast<int>((i - 1) * mte), qi);
    q[i - 1] = qi;
  }
}
