// Set-up of the structure on the mesh: the radial zones and the radius rule, the
// extents of the structure with its circular and elliptic arcs, the z mesh and the
// mesh indices of the contour, the mirroring of half-cell input, and the checks of the
// beam pipes with the choice of the wake-integration contour.
#pragma once
#include <algorithm>

// Arguments of acos and asin that rounding has carried just past +-1.
inline float clamp1(float x) { return std::min(1.0f, std::max(-1.0f, x)); }

// INT of an arc's sample count: a count that is not a number gives no samples, an absurd
// one saturates instead of overflowing.
inline int inttr(float x) {
  if (!(x == x) || x < 0.0f) return 0;
  if (x >= 2147483520.0f) return 2147483647;
  return static_cast<int>(x);
}

// Radial zones from the MESH inputs up to the top radius RTOP (m): XR, IRM, NZONE, NRL,
// msz.NRN and the radial mesh lines gr, gdr (allocated here).
void irdset(float RTOP);
// Start of a run's set-up: the warning of a structure cut by a given NZ may be written
// again (setgrd calls it before its passes).
void irdset_newrun();
// Index of the radial mesh line of the radius R (m); R is clamped in place to
// [0, XR(NZONE)].
int ird(float &R);

// The last pass of setgrd as a saved run took it, for the run continued from its save:
// its top radius and length going in, its number, and the length that the saved run
// kept. NPASS = 0 (every other run): the passes follow from the contour. NPASS = 1 or 2:
// setgrd takes that pass alone (twice when the saved run took two, so that the messages
// of the walk appear as often), then sets NPASS back to 0.
struct gpass_t {
  int NPASS = 0;
  float RTOP = 0.0f, ZL0 = 0.0f, ZMAX = 0.0f;
};
extern gpass_t gpass;

// Beam-pipe radius, radial zones and extents of the structure (two passes when the
// first one changes the top radius or the length).
void setgrd(float &RBP, float &ZMAX, float RMAX, float &RMIN, float &ZLFT, float &ZRGT,
            float &RAD);
// One pass over the contour: the measured top radius RTOP1 and length ZL1, the smallest
// radius RMIN and the z range ZLFT..ZRGT of material below RBP; indices of arc markers.
void center(float RTOP, float ZL0, float &RTOP1, float &ZL1, float &RMIN, float RBP,
            float &ZLFT, float &ZRGT, int IPASS);

// MODE < 1: z mesh and mesh indices of the contour; else: pipe, drive-ring and
// wake-line indices.
void setprm(int MODE, bool LPLEC, float &RAD, float &ZLFT, float &ZRGT, float &RMIN,
            float &RBP);

// Half-cell input: the mesh indices (expand) and then the coordinates and counts
// (expand2) of the whole structure.
void expand();
void expand2();

// Beam-pipe checks and the wake-integration contour; ISKIP = 1040 skips the run.
void examin(int IRUN, bool &BEAMONLY, bool &LNAPM1, float RMIN, float RBP, float ZLFT,
            float ZRGT, int &ISKIP);
