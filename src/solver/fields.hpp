// Field solver records: the bunch model, the field arrays and the computation window,
// the delay lines of the open ends, the update coefficients and the wake accumulators.
// One plain struct and one global instance per record.
#pragma once
#include "run/arrays.hpp"

// Bunch model (cals, cdis, qkar).
struct cals_t {
  float CNORM = 0.0f;  // normalisation sum of the sampled shape
  float SIGCUT = 5.0f; // ISIG as a real
};
struct cdis_t {
  float ZHALF = 0.0f; // half extent of the charge distribution (m)
  float BSEP = 0.0f;  // distance between the bunches of a train (m)
  int NBUNCH = 1;     // 1 Gaussian, > 1 train, < 1 triangle
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
struct celc_data_t { arr1<unsigned char> kc; };

extern cals_t cals;
extern cdis_t cdis;
extern qkar_t qkar;
extern eline_t eline;
extern nzin_t nzin;
extern lfrbk_t lfrbk;
extern he_data_t he_data;
extern stk_data_t stk_data;
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

// Element accessors in the notation of the formulas: ev(c, m), hv(c, m).
inline float &ev(int c, long m) { return he_data.e[c](m); }
inline float &hv(int c, long m) { return he_data.h[c](m); }
