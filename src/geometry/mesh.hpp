// Mesh description: the structure contour, its mesh indices, the radial zones and
// radial mesh lines, beam pipes, the wake-integration contour, cell flags, edge factors
// and the boundary hit table. One plain struct and one global instance per record.
#pragma once
#include "run/arrays.hpp"

inline constexpr int MAXPTS = 20000; // contour lines
// The largest number of radial mesh lines: 30 columns of them and the mesh points must
// still be counted by a node index of 32 bits with room for the eight hit directions.
inline constexpr int MAXNR = 8000000;
// The largest number of mesh steps that a coordinate, an arc radius or the length may
// span: 2**24, beyond which the position (j - 1)*DDZ of a column, computed in single
// precision, no longer tells neighbouring columns apart. Mesh indices, their doubling for
// half-cell input and the sample counts of the contour walk (a third of a step) and of an
// arc (ten per step of its radius) then all stay well within 32 bits.
inline constexpr int MAXSTEPS = 16777216;
// The largest distance of a contour point, an arc radius or a semi-axis from the origin
// (m): squares and products of four coordinates, as the arcs are fitted, stay finite.
inline constexpr float MAXCOORD = 1.0E9f;

// Mesh and contour indices (latc).
struct latc_t {
  int NR = 0;   // radial mesh lines
  int NZ = 0;   // z mesh lines (input); after setprm mode 0 the z steps of the structure
  int NPTS = 0; // contour lines
  fix1<int, MAXPTS> IR; // radial line of contour line k
  fix1<int, MAXPTS> IZ; // z column of contour line k
  int IRDRIVE = 0;      // radial line of the drive ring
  float DDZ = 0.0f;     // z step (m); 0 = derived from NZ
  fix1<float, 1000> DDR; // radial step of each zone (m)
  float SIG = 0.0f;     // r.m.s. bunch length (m)
  int MTE = 0;          // time steps per mesh step
};

// The structure contour (geo): radius and z of each line (curve code and parameter on
// arc marker lines), and the length of the structure.
struct geo_t {
  fix1<float, MAXPTS> RR;
  fix1<float, MAXPTS> ZZ;
  float ZL = 0.0f;
};

struct icon_t { int IZLFT = 0, IZRGT = 0, IRMIN = 0; };
// Record pipe: radial lines of the left and right pipe radii (the instance is named
// pipes: pipe is the POSIX function that <csignal> and <unistd.h> declare).
struct pipe_t { int IRPL = 0, IRPR = 0; };
// Optional radii and coordinates; any negative value = not given (their defaults).
struct offs_t { float RDRIVE = 0.0f, ZCF = 0.0f, ZCT = 0.0f, RWAK = 0.0f; };

// Radial zones (lat2, lat3).
struct lat2_t {
  fix1<float, 1000> XR;    // outer radius of zone k, snapped to the zone's step
  fix1<float, 1000> RMARK; // input outer radius of zone k
  int NZONE = 0;
  int NRL = 0;             // radial line at the top radius, IRM(NZONE)
  int NLAST = 0;           // right beam-pipe end point of the contour
};
struct lat3_t { fix1<int, 1000> IRM; };

// Radial mesh lines (gr_data): radius of line i and the step of the zone that holds it.
struct gr_data_t {
  arr1<float> gr;
  arr1<float> gdr;
};

// Wake-integration contour (wprm).
struct wprm_t {
  int IZCF = 0, IZCT = 0, IRWAK = 0;
  fix1<int, 2> IRVUP, IRVLO;
  fix1<float, 2> SGNV;
  float XPX = 0.0f, XMX = 0.0f;
};

// Cell flags and edge factors (flg_data), node index m = (j - IZMWL)*NR + i.
// iflg: 0 vacuum, 1..4 cut by a diagonal, 5 metal (whole numbers held as reals).
// sjdg(c, m), c = 1 Er, 2 Ephi, 3 Ez: 1.0 where the component lies in vacuum. The three
// components are held as separate contiguous arrays for the field step.
struct flg_data_t {
  arr1<float> iflg;
  arr1<float> sj[4]; // sj[1], sj[2], sj[3]; sj[0] unused
};
// Boundary hit table (bc_data): ihit(c, d), c = (j - IZFRL)*NR + i, d = 1..8; -1 true, 0 false.
// One byte per flag: the table spans the whole memory window.
struct bc_data_t { arr2<signed char> ihit; };

extern latc_t latc;
extern geo_t geo;
extern icon_t icon;
extern pipe_t pipes;
extern offs_t offs;
extern lat2_t lat2;
extern lat3_t lat3;
extern gr_data_t gr_data;
extern wprm_t wprm;
extern flg_data_t flg_data;
extern bc_data_t bc_data;

// Element accessors in the notation of the formulas.
inline float &gr(long i) { return gr_data.gr(i); }
inline float &gdr(long i) { return gr_data.gdr(i); }
inline float &iflg(long m) { return flg_data.iflg(m); }
inline float &sjdg(int c, long m) { return flg_data.sj[c](m); }
inline signed char &ihit(long c, int d) { return bc_data.ihit(c, d); }
