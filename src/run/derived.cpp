// Derived run quantities: time steps per mesh step, beam separation, plot size text,
// wake length and points, time steps, snapshot schedule, cutoff frequency, the array
// sizes and the allocation of every run array.
#include "run/derived.hpp"

#include <algorithm>
#include <climits>
#include <cmath>

#include "geometry/mesh.hpp"
#include "run/constants.hpp"
#include "run/params.hpp"
#include "run/records.hpp"
#include "run/stops.hpp"
#include "run/units.hpp"
#include "solver/bunch.hpp"
#include "solver/fields.hpp"

void run_mte() {
  win2.LCFRON = true;
  latc.MTE = (win2.LTAVO && wpl.MROT == 1) ? 4 : mp.MT;
  mp.UBTE = mp.UBT;
  // Every later rule divides by MTE, SIG and NSHOT or cuts the bunch at ISIG*SIG.
  if (latc.MTE < 1) stop_int("MT", latc.MTE, "MUST BE AT LEAST 1");
  if (!(latc.SIG > 0.0f)) stop_real("SIG", latc.SIG, "MUST BE GREATER THAN 0");
  if (mp.ISIG < 1 && cdis.NBUNCH >= 1) stop_int("ISIG", mp.ISIG, "MUST BE AT LEAST 1");
  if (mp.NSHOT < 1 && (mp.LPLE || mp.LPLC))
    stop_int("NSHOT", mp.NSHOT, "MUST BE AT LEAST 1 WITH LPLE OR LPLC");
  // The shape of a train at a point sums the bunches within 5 SIG of it: a train that
  // piles more than 65536 of them onto one point is refused before it is summed.
  if (cdis.NBUNCH > 1) {
    const double reach = 10.0 * latc.SIG / std::fabs(static_cast<double>(cdis.BSEP)) + 1.0;
    if (std::min(static_cast<double>(cdis.NBUNCH), reach) > 65536.0)
      stop_int("NBUNCH", cdis.NBUNCH,
               "BUNCHES" + rtext(20, "(A,G13.5)", " BSEP =", cdis.BSEP) +
                   "APART: MORE THAN 65536 OF THEM OVERLAP AT ONE POINT.");
  }
}

void run_bunch_cut() {
  const float ddz = latc.DDZ;
  crbw.ISEP = nint(crbw.ZSEP / ddz);
  crbw.ZSEP = static_cast<float>(crbw.ISEP) * ddz;
  red.REDTXT = mp.REDUCE != 0.0f ? rtext(13, "(A,F6.3)", "REDUCE ", mp.REDUCE) : std::string(13, ' ');
  cals.SIGCUT = static_cast<float>(mp.ISIG);
  bshape(0.0f);
  // The table length is needed for the allocation, also where qkset is not called.
  const float nh = 2.0f * cdis.ZHALF / ddz;
  if (!(nh < 1.0e9f)) stop_real("SIG", latc.SIG, "GIVES A BUNCH TOO LONG FOR THE MESH");
  qkar.NQ = nint(nh) + 2;
}

void run_wake_steps(bool RESTORED) {
  const float ddz = latc.DDZ;
  if (mp.UBTE == 0.0f) mp.UBTE = 2.0f * cdis.ZHALF;
  if (crbw.LCRBW) {
    // Counted in 64 bits: a separation snapped from a huge ZSEP saturates ISEP.
    const float u = 2.0f * cdis.ZHALF +
                    static_cast<float>(2 * (static_cast<long long>(latc.NZ) - crbw.ISEP)) * ddz;
    if (u > mp.UBTE) mp.UBTE = u;
  }
  if (mp.LSAV) mp.LCPUTM = true;
  // The wake points and the time steps must be countable in 32 bits.
  const float nub = mp.UBTE / ddz;
  if (!(nub > -0.5f && nub < 1.0e9f)) stop_real("UBT", mp.UBTE, "GIVES NO VALID NUMBER OF WAKE POINTS");
  mp.NUBT = nint(nub);
  mp.NW = mp.NUBT + 1;
  mp.LPLEC = mp.LPLE || mp.LPLC;
  const long long nt = (static_cast<long long>(latc.NZ) + mp.NUBT) * latc.MTE + latc.MTE + 1;
  if (nt > INT_MAX / 2) stop_int("MT", latc.MTE, "GIVES TOO MANY TIME STEPS");
  wind.NT = static_cast<int>(nt);
  if (RESTORED) return;

  const int NT = wind.NT;
  if (mp.NSHOT < 1) {
    // No snapshots are drawn (LPLE and LPLC are off): a schedule beyond the last step.
    mp.TSNAP = mp.DTSNAP = static_cast<float>(NT + 1);
    mp.KSNAP = NT + 1;
  } else if (mp.TPS == 0.0f) {
    mp.DTSNAP = static_cast<float>(NT) / static_cast<float>(mp.NSHOT);
    mp.TSNAP = mp.DTSNAP;
    mp.KSNAP = nint(mp.TSNAP);
  } else {
    // TPS (ps) counted in time steps of DDZ/(MTE*c).
    mp.TSNAP = mp.TPS * 1.0E-12f * cons.CLIGHT * static_cast<float>(latc.MTE) / ddz;
    mp.KSNAP = nint(mp.TSNAP);
    if (mp.NSHOT > 1)
      mp.DTSNAP = static_cast<float>(static_cast<long long>(NT) - mp.KSNAP) /
                  static_cast<float>(mp.NSHOT - 1);
    else
      // One snapshot only: the next one lies beyond the last step.
      mp.DTSNAP = static_cast<float>(NT + 1) + std::fabs(mp.TSNAP);
  }
}

void run_cutoff() {
  if (mp.CUTOFF == 0.0f) mp.CUTOFF = mp.CUTOFF0;
  if (mp.CUTOFF == 0.0f) {
    // F1: the Gaussian bunch spectrum has fallen by EXPFAC; F2: half the frequency of
    // a wave of length DDZ (both GHz).
    const float f1 = 0.3f * std::sqrt(2.0f * std::log(expfr.EXPFAC)) / (2.0f * cons.PI * latc.SIG);
    const float f2 = cons.CLIGHT * 5.0E-10f / latc.DDZ;
    mp.CUTOFF = f1 <= f2 ? f1 : f2;
  }
}

void run_time_step() {
  const float MTE = static_cast<float>(latc.MTE), DDZ = latc.DDZ;
  tstep.DT = DDZ / (MTE * cons.CLIGHT);
  tstep.CDT = DDZ / MTE;
  tstep.ZCDT = cons.Z0 * DDZ / MTE;
  // A zone without a step takes no part in the stability ratio.
  float RATIO = 1.0f;
  const int nzone = lat2.NZONE == 1 ? 1 : std::min(lat2.NZONE, 1000);
  for (int k = 1; k <= nzone; ++k) {
    const float ddr = latc.DDR(k);
    if (ddr > 0.0f && DDZ / ddr > RATIO) RATIO = DDZ / ddr;
  }
  tstep.RATIO = RATIO;
  // RATIO squared first, then the mode factor: the order decides the integer part when
  // the root lies within a rounding of an integer.
  const float s = std::sqrt(1.2f + (1.2f + 0.4f * static_cast<float>(wpl.MROT)) * (RATIO * RATIO));
  tstep.MTREC = s < 2.0e9f ? static_cast<int>(s) + 1 : INT_MAX;
}

void lfftany_rule(bool LFFT, bool LFFTL, bool LFFTA, bool LFFTT, bool LSPEC, bool &LFFTANY) {
  if (wpl.MROT == 0) LFFTANY = LFFT || LFFTL || LSPEC;
  else if (wpl.MROT == 1) LFFTANY = LFFT || LFFTL || LFFTA || LFFTT || LSPEC;
}

void run_lfftany() { lfftany_rule(mp.LFFT, mp.LFFTL, mp.LFFTA, mp.LFFTT, mp.LSPEC, mp.LFFTANY); }

void run_sizes_alloc() {
  const long long nmesh = 30LL * latc.NR + msz.NP;
  if (nmesh > INT_MAX / 8)
    stop_memory(nmesh, run_array_bytes(nmesh, msz.NRN, mp.NW + 5LL, qkar.NQ),
                NODE_COUNT_LIMIT_TEXT);
  msz.NMESH = static_cast<int>(nmesh);
  msz.MSZW = mp.NW + 5;
  msz.MSZQ = win2.LCBACK ? mp.NW + 15 : wind.NT / latc.MTE + 10;
  const long NMESH = msz.NMESH, NRN = msz.NRN, MSZW = msz.MSZW;
  // A long bunch with a short wake fills more table entries than MSZQ.
  const long nq = msz.MSZQ > qkar.NQ ? msz.MSZQ : qkar.NQ;

  // The monopole field is Er, Ez, Hphi: Hr, Ephi and Hz stay 0 and are not held, except
  // Hz where the field-line plots sum Hphi over time in it.
  const bool mono = wpl.MROT == 0;
  const bool hzsum = mp.LPLEC && !win2.LCBACK;
  const int nfield = mono ? 3 + (hzsum ? 1 : 0) : 6;

  // The sizes are known: a run whose arrays do not fit stops before any is allocated.
  const long long bytes = run_array_bytes(NMESH, NRN, MSZW, nq, nfield);
  note_run_memory(NMESH, bytes);
  const memory_room room = memory_limit();
  if (bytes > room.bytes)
    stop_memory(NMESH, bytes, ", MORE THAN THE " + std::to_string(room.bytes) + " BYTES " + room.what + ".");

  for (int c = 1; c <= 3; ++c) {
    he_data.h[c].release();
    if (!mono || c == 2 || (c == 3 && hzsum)) he_data.h[c].alloc(NMESH);
  }
  for (int c = 1; c <= 3; ++c) {
    he_data.e[c].release();
    if (!mono || c != 2) he_data.e[c].alloc(NMESH);
  }
  for (arr3<float> *a : {&stk_data.hvstk, &stk_data.hvstl, &stk_data.hvstk1, &stk_data.hvstl1}) {
    a->release();
    a->alloc(NRN, 2, NPT);
  }
  flg_data.iflg.release();
  flg_data.iflg.alloc(NMESH);
  for (int c = 1; c <= 3; ++c) {
    flg_data.sj[c].release();
    flg_data.sj[c].alloc(NMESH);
  }
  bc_data.ihit.release();
  bc_data.ihit.alloc(NMESH, 8);
  celc_data.kc.release();
  celc_data.kc.alloc(NMESH, 0);
  wzwy_data.wz.release();
  wzwy_data.wz.alloc(MSZW);
  wzwy_data.wp.release();
  wzwy_data.wp.alloc(MSZW);
  wzwy_data.qkst.release();
  wzwy_data.qkst.alloc(nq);
  wzwy_data.wy.release();
  wzwy_data.wy.alloc(MSZW);
  wzwy_data.wt.release();
  wzwy_data.wt.alloc(MSZW);

  if (wpl.MROT == 0) {
    for (arr1<float> *a : {&cm3_data.ex1, &cm3_data.ex4, &cm3_data.ex5, &cm3_data.ex6,
                           &cm3_data.edum1, &cm3_data.edum2}) {
      a->release();
      a->alloc(NRN);
    }
  } else if (wpl.MROT == 1) {
    for (arr1<float> *a : {&cm1_data.cx1, &cm1_data.cx2, &cm1_data.cx3, &cm1_data.cx4,
                           &cm1_data.cx5, &cm1_data.cx6, &cm2_data.dx1, &cm2_data.dx2,
                           &cm2_data.dx3, &cm2_data.dx4, &cm2_data.dx5, &cm2_data.dx6}) {
      a->release();
      a->alloc(NRN);
    }
  }
}

void release_run_arrays() {
  for (int c = 1; c <= 3; ++c) {
    he_data.h[c].release();
    he_data.e[c].release();
  }
  for (arr3<float> *a : {&stk_data.hvstk, &stk_data.hvstl, &stk_data.hvstk1, &stk_data.hvstl1})
    a->release();
  flg_data.iflg.release();
  for (int c = 1; c <= 3; ++c) flg_data.sj[c].release();
  bc_data.ihit.release();
  celc_data.kc.release();
  for (arr1<float> *a : {&wzwy_data.wz, &wzwy_data.wp, &wzwy_data.qkst, &wzwy_data.wy,
                         &wzwy_data.wt, &cm3_data.ex1, &cm3_data.ex4, &cm3_data.ex5,
                         &cm3_data.ex6, &cm3_data.edum1, &cm3_data.edum2, &cm1_data.cx1,
                         &cm1_data.cx2, &cm1_data.cx3, &cm1_data.cx4, &cm1_data.cx5,
                         &cm1_data.cx6, &cm2_data.dx1, &cm2_data.dx2, &cm2_data.dx3,
                         &cm2_data.dx4, &cm2_data.dx5, &cm2_data.dx6, &nap_data.sfg,
                         &nap_data.slg})
    a->release();
}

void alloc_napoly() {
  if (!wpl2.LNAPOLY) return;
  nap_data.sfg.release();
  nap_data.sfg.alloc(msz.NRN);
  nap_data.slg.release();
  nap_data.slg.alloc(msz.NRN);
}

void run_qmax() {
  if (!(mp.LPLE || mp.LPLC)) return;
  qkar.QMAX = 0.0f;
  for (int i = 1; i <= mp.NW; ++i) {
    float q;
    chage(1, (i - 1) * latc.MTE, q);
    if (q > qkar.QMAX) qkar.QMAX = q;
  }
}
