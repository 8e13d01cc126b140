// Field solver records: the bunch model, the field arrays and the computation window,
// the delay lines of the open ends, the update coefficients and the wake accumulators.
// One plain struct and one global instance per record.
#pragma once
#include <cstdint>
#include <cstring>
#include <vector>
#include "run/arrays.hpp"

// Bunch model (cals, cdis, qkar).
struct cals_t {
  float CNORM = 0.0f;  // normalisation sum of the sampled shape
  float SIGCUT = 0.0f; // ISIG as a real
};
struct cdis_t {
  float ZHALF = 0.0f; // half extent of the charge distribution (m)
  float BSEP = 0.0f;  // distance between the bunches of a train (m)
  int NBUNCH = 0;     // 1 Gaussian, > 1 train, < 1 triangle
};
struct qkar_t {
  int NQ = 0;        // entries of qkst filled: NINT(2*ZHALF/DDZ) + 2
  float QMAX = 0.0f; // peak line density
};

// Computation window (eline, nzin) and boundary frame / memory window (lfrbk).
struct eline_t { int JBACK = 0, JFRONT = 0; };
struct nzin_t { int JBPREV = 0, JFPREV = 0; };
struct lfrbk_t { int IZFRL = 0, IZFRR = 0, IZMWL = 0, IZMWR = 0; };

// Field arrays (he_data): ev = (Er, Ephi, Ez), hv = (Hr, Hphi, Hz), node index
// m = (j - IZMWL)*NR + i. Each component is its own contiguous array e[c], h[c]
// (c = 1, 2, 3; index 0 unused) so that the field step runs over unit-stride data.
// A component that the run's mode keeps at 0 (Hr, Ephi, Hz of the monopole) may be left
// unallocated (size 0): it reads as 0 everywhere and is written as 0 to the save file.
struct he_data_t {
  arr1<float> e[4];
  arr1<float> h[4];
};

// Delay lines of the open ends (stk_data): (NRN, 2, NPT) with NPT = 40, k = 1 Hr,
// k = 2 Hphi, slot 40 the newest.
inline constexpr int NPT = 40;
struct stk_data_t {
  arr3<float> hvstk, hvstl, hvstk1, hvstl1;
};

// The time step of the run (tstep), fixed by run_time_step in the set-up of every run
// once MTE and DDZ are known, before the echo of the inputs; the echo prints it and the
// routines that need the step read it. MTE itself is held in latc beside the mesh
// steps; the update factors of the field step (parcom, loccom) are built from it once
// per run with the coefficients of the mode.
struct tstep_t {
  float DT = 0.0f;    // time step (s): DDZ/(MTE*CLIGHT)
  float CDT = 0.0f;   // path of the bunch in one step (m): DDZ/MTE
  float ZCDT = 0.0f;  // Z0*DDZ/MTE (Ohm m): the path times the impedance of free space
  int MTREC = 0;      // time steps per mesh step that the Courant limit of the mode asks for
  float RATIO = 0.0f; // largest DDZ/DDR over the radial zones, at least 1
};

// Monopole update factors (parcom).
struct parcom_t {
  float FACE = 0.0f; // Z0/MTE
  float FACH = 0.0f; // 1/(Z0*MTE)
  float FACQ = 0.0f; // MTE*EPS0*PI
};

// Factors and most recent scratch values of the dipole step (loccom). FACH1 and FACE1
// are read by other routines; the rest hold the last values their writer computed.
struct loccom_t {
  float RBB2 = 0.0f;  // (gr(IRDRIVE)/gr(IRPL))**2: ring radius over left pipe radius
  float RBM2 = 0.0f;  // (2*gr(IRDRIVE)/(gr(i) + gr(i+1)))**2 of the last line i of heff1
  float RBR2 = 0.0f;  // (gr(IRDRIVE)/gr(i))**2 of the last line i > 1 of heff1
  float CBEAM = 0.0f; // CLIGHT/(2*PI*gr(IRDRIVE)): field of a ring of unit density (A/m per 1/m)
  int MSHIFT = 0;     // node counter of the stored-window copy
  int JSHIFT = 0;     // target column counter of the stored-window copy
  int KQ1 = 0;        // sample index of the most recent line density
  int KQ2 = 0;        // second sample index of heff1
  float QSRC = 0.0f;  // line density of the most recent beam source of column 1
  float Q1 = 0.0f;    // first line density of heff1
  float Q2 = 0.0f;    // second line density of heff1
  float FACH1 = 0.0f; // 1/(Z0*MTE) = dt/(mu0*DDZ)
  float FACE1 = 0.0f; // Z0/MTE = dt/(eps0*DDZ)
};

// Napoly integration (napprm, napcom).
struct napprm_t { float CDT = 0.0f; };
struct napcom_t { int NRNAP1 = 0, NRNAP2 = 0; };

// Straight-line wake integration (pint): the radial line of the path.
struct pint_t { int KMIN = 0; };

// Wake accumulators and the line-charge table (wzwy_data).
struct wzwy_data_t {
  arr1<float> wz, wp, wy, wt; // MSZW entries
  arr1<float> qkst;           // MSZQ entries
};

// Update coefficients (cm3_data monopole, cm1_data / cm2_data dipole) and Napoly weights.
struct cm3_data_t { arr1<float> ex1, ex4, ex5, ex6, edum1, edum2; };
struct cm1_data_t { arr1<float> cx1, cx2, cx3, cx4, cx5, cx6; };
struct cm2_data_t { arr1<float> dx1, dx2, dx3, dx4, dx5, dx6; };
struct nap_data_t { arr1<float> sfg, slg; };

// Cell codes of the field steps (celc_data), node index m as the fields: one byte per
// node condensed from iflg and sjdg, so that the field step streams 1 byte of geometry
// per node instead of 16. Rebuilt from iflg and sjdg for every column bcdet classifies.
// The bits, by number:
enum : unsigned {
  KC_OPEN = 0, // the cell is not metal (iflg /= 5)
  KC_CUT = 1,  // the cell is cut by a diagonal (iflg 1..4)
  KC_ER = 2,   // Er of the node lies in vacuum (sjdg(1) = 1)
  KC_EZ = 3,   // Ez of the node lies in vacuum (sjdg(3) = 1)
  KC_EPHI = 4, // Ephi of the node lies in vacuum (sjdg(2) = 1)
};
// Bit b of the code c, as 0 or 1.
inline constexpr unsigned kcbit(unsigned c, unsigned b) { return (c >> b) & 1u; }
// The lines of a column by kind (codes k of lines 1 .. NR): lines 2 .. P are in plain
// vacuum (within mask the code is plain: open, not cut, every edge factor 1), lines from
// U + 1 on are metal (not open). The updates take the plain lines without the codes
// (their factors are exactly 1, so the arithmetic is the same) and leave the metal ones
// as they are.
struct runs_t {
  int P, U;
};
[[gnu::always_inline]] inline runs_t col_runs(const unsigned char *__restrict k, int NR, unsigned mask,
                                              unsigned plain) {
  constexpr std::uint64_t ones = 0x0101010101010101ull;
  const std::uint64_t M = ones * mask, V = ones * plain, O = ones << KC_OPEN;
  int P = NR >= 1 ? 1 : 0;
  for (std::uint64_t w; P + 8 <= NR; P += 8) {
    std::memcpy(&w, k + P, 8);
    if ((w & M) != V) break;
  }
  while (P < NR && (k[P] & mask) == plain) ++P;
  int U = NR;
  for (std::uint64_t w; U - 8 >= P; U -= 8) {
    std::memcpy(&w, k + U - 8, 8);
    if (w & O) break;
  }
  while (U > P && !kcbit(k[U - 1], KC_OPEN)) --U;
  return {P, U};
}
// The codes of plain vacuum, and the bits that tell it, of the monopole (0) and the
// dipole (1) step.
inline constexpr unsigned KC_PLAIN_MASK0 = 1u << KC_OPEN | 1u << KC_CUT | 1u << KC_ER | 1u << KC_EZ;
inline constexpr unsigned KC_PLAIN0 = 1u << KC_OPEN | 1u << KC_ER | 1u << KC_EZ;
inline constexpr unsigned KC_PLAIN_MASK1 = KC_PLAIN_MASK0 | 1u << KC_EPHI;
inline constexpr unsigned KC_PLAIN1 = KC_PLAIN0 | 1u << KC_EPHI;
// The codes, and the runs of each column held (by local column from 0: P for the plain
// codes of the monopole, P for those of the dipole, U). run is rebuilt by kc_runs_update
// for the columns listed in stale (all of them when stale_all or when the mesh changed).
struct colrun_t {
  int P[2], U;
};
struct celc_data_t {
  arr1<unsigned char> kc;
  std::vector<colrun_t> run;
  std::vector<int> stale;
  bool stale_all = true;
};

extern cals_t cals;
extern cdis_t cdis;
extern qkar_t qkar;
extern eline_t eline;
extern nzin_t nzin;
extern lfrbk_t lfrbk;
extern he_data_t he_data;
extern stk_data_t stk_data;
extern tstep_t tstep;
extern parcom_t parcom;
extern loccom_t loccom;
extern napprm_t napprm;
extern napcom_t napcom;
extern pint_t pint;
extern wzwy_data_t wzwy_data;
extern cm3_data_t cm3_data;
extern cm1_data_t cm1_data;
extern cm2_data_t cm2_data;
extern nap_data_t nap_data;
extern celc_data_t celc_data;

// Element accessors in the notation of the formulas: ev(c, m), hv(c, m). An element of a
// component not held reads as 0; a value stored there is dropped.
inline float &fldat(arr1<float> &x, long m) {
  if (x.allocated()) return x(m);
  thread_local float zero;
  zero = 0.0f;
  return zero;
}
inline float &ev(int c, long m) { return fldat(he_data.e[c], m); }
inline float &hv(int c, long m) { return fldat(he_data.h[c], m); }
