// Test support for the mesh set-up: a contour built from its lines, the set-up of one
// run in the order of the main program, and the report of a run that stops.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include "geometry/mesh.hpp"
#include "geometry/setup.hpp"
#include "run/constants.hpp"
#include "run/params.hpp"
#include "run/units.hpp"
#include "solver/fields.hpp"
#include "solver/kmin.hpp"
#include "../reset_records.hpp"

namespace meshtest {

// One geometry line as decoded: a point (r, z), or a marker (code, parameter).
struct gline {
  float r, z;
};
// Markers of arcs: first value of the decoded marker line.
inline constexpr float CS = -1.0f, CL = -2.0f, ES = -3.0f, EL = -4.0f;

// The contour as the decoder leaves it: RR, ZZ, NPTS, NLAST at the first return to
// point 1 (ellipse centres and markers take no part), ZMAX and RMAX of the points.
inline void set_contour(const std::vector<gline> &lines) {
  const int n = static_cast<int>(lines.size());
  latc.NPTS = n;
  lat2.NLAST = n - 2;
  mp.ZMAX = mp.RMAX = 0.0f;
  bool first = true, back = false;
  float r1 = 0.0f, z1 = 0.0f;
  for (int p = 1; p <= n; ++p) {
    geo.RR(p) = lines[p - 1].r;
    geo.ZZ(p) = lines[p - 1].z;
    const bool centre = p > 1 && geo.RR(p - 1) <= -3.0f;
    if (geo.RR(p) < 0.0f || centre) continue;
    mp.RMAX = std::max(mp.RMAX, geo.RR(p));
    mp.ZMAX = std::max(mp.ZMAX, geo.ZZ(p));
    if (first) {
      r1 = geo.RR(p);
      z1 = geo.ZZ(p);
      first = false;
    } else if (!back && std::fabs(geo.RR(p) - r1) <= 1.0E-6f && std::fabs(geo.ZZ(p) - z1) <= 1.0E-6f) {
      lat2.NLAST = p - 2;
      back = true;
    }
  }
}

// Every record that the set-up reads or writes back to its defaults; the report in
// memory.
inline void reset_mesh_state() {
  reset_records();
  gr_data.gr.release();
  gr_data.gdr.release();
  uopen_mem(ndev.NOUT);
}

// Steps 4 to 9 of a run's start: extents, z mesh and contour indices, pipe lines.
inline void run_mesh() {
  setgrd(mp.RBP, mp.ZMAX, mp.RMAX, mp.RMIN, mp.ZLFT, mp.ZRGT, mp.RAD);
  setprm(0, mp.LPLEC, mp.RAD, mp.ZLFT, mp.ZRGT, mp.RMIN, mp.RBP);
  setprm(2, mp.LPLEC, mp.RAD, mp.ZLFT, mp.ZRGT, mp.RMIN, mp.RBP);
  setkmin();
}

// Steps 15 to 19: mirroring, beam-pipe checks, KMIN again.
inline void run_checks() {
  if (symt.LHALF) {
    expand();
    expand2();
  }
  if (wpl2.LNONAP) wpl2.LNAPOLY = false;
  examin(mp.IRUN, mp.BEAMONLY, mp.LNAPM1, mp.RMIN, mp.RBP, mp.ZLFT, mp.ZRGT, mp.ISKIP);
  setkmin();
}

inline std::vector<std::string> report() { return umem(ndev.NOUT); }

// The mesh inputs of most cases: z step and radial step 1/8 (exact in binary).
inline void mesh_eighths() {
  latc.DDZ = 0.125f;
  latc.DDR(1) = 0.125f;
}

// ---------------------------------------------------------------- stops

inline std::string &stop_dump_path() {
  static std::string p;
  return p;
}
inline void stop_dump() {
  std::ofstream f(stop_dump_path());
  for (const std::string &r : umem(ndev.NOUT)) f << r << '\n';
}

// Runs f in a child process that must end with exit status 1, and returns the report
// (held in memory) as the child left it.
template <class F> std::vector<std::string> report_of_stop(F f) {
  static int serial = 0;
  const std::string path = ::testing::TempDir() + "zelk_mesh_stop_" + std::to_string(getpid()) + "_" +
                           std::to_string(++serial) + ".txt";
  std::remove(path.c_str());
  EXPECT_EXIT(
      {
        stop_dump_path() = path;
        std::atexit(stop_dump);
        f();
        std::exit(0);
      },
      ::testing::ExitedWithCode(1), "");
  std::vector<std::string> recs;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) recs.push_back(line);
  std::remove(path.c_str());
  return recs;
}

// Contours of the cases, with z step and radial step 1/8:
// pillbox: pipes of radius 0.25 and 6 steps, cavity of radius 0.5 from z 0.75 to 1.25.
inline std::vector<gline> pillbox() {
  return {{0, 0},      {0.25f, 0},     {0.25f, 0.75f}, {0.5f, 0.75f}, {0.5f, 1.25f},
          {0.25f, 1.25f}, {0.25f, 2.0f}, {0, 2.0f},      {0, 0}};
}
// iris: pipes of radius 0.5, two cells of radius 1.0 and an iris down to 0.25 between
// z 1.25 and 1.75.
inline std::vector<gline> iris() {
  return {{0, 0},       {0.5f, 0},     {0.5f, 0.75f}, {1.0f, 0.75f}, {1.0f, 1.25f},
          {0.25f, 1.25f}, {0.25f, 1.75f}, {1.0f, 1.75f}, {1.0f, 2.25f}, {0.5f, 2.25f},
          {0.5f, 3.0f},  {0, 3.0f},      {0, 0}};
}

} // namespace meshtest
