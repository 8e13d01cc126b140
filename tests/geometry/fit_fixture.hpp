// Small structures laid on the mesh by hand for the fitting tests: the radial mesh,
// the contour with its mesh indices and the run's arrays, set directly in the shared
// records as the mesh set-up would leave them.
#pragma once
#include <string>
#include <vector>

#include "geometry/fitting.hpp"
#include "geometry/mesh.hpp"
#include "geometry/setup.hpp"
#include "run/constants.hpp"
#include "run/params.hpp"
#include "solver/fields.hpp"

namespace fit {

// Radial zones: each (step, number of steps) in turn, from the axis.
inline void radial_mesh(std::vector<std::pair<float, int>> zones) {
  for (int k = 1; k <= 1000; ++k) latc.DDR(k) = lat2.XR(k) = 0.0f, lat3.IRM(k) = 0;
  int line = 1;
  float top = 0.0f;
  std::vector<float> r{0.0f}, d{zones[0].first};
  for (std::size_t k = 0; k < zones.size(); ++k) {
    const float step = zones[k].first;
    const float base = top;
    for (int n = 1; n <= zones[k].second; ++n) {
      r.push_back(base + static_cast<float>(n) * step);
      d.push_back(step);
    }
    line += zones[k].second;
    top = base + static_cast<float>(zones[k].second) * step;
    latc.DDR(k + 1) = step;
    lat2.XR(k + 1) = top;
    lat3.IRM(k + 1) = line;
  }
  lat2.NZONE = static_cast<int>(zones.size());
  lat2.NRL = line;
  latc.NR = line;
  msz.NRN = line + 1;
  gr_data.gr.alloc(msz.NRN);
  gr_data.gdr.alloc(msz.NRN);
  for (int i = 1; i <= line; ++i) {
    gr(i) = r[i - 1];
    gdr(i) = d[i - 1];
  }
}

inline void uniform_mesh(int nr, float dr) { radial_mesh({{dr, nr - 1}}); }

// One contour line: a point (r, z) in metres, or an arc marker with the two lengths
// from which contour() gives it its mesh indices.
struct cline {
  float r, z;
  bool marker = false;
  float p = 0.0f, q = 0.0f; // circle: centre (r, z); ellipse: semi-axes a (r), b (z)
};
inline cline pt(float r, float z) { return {r, z}; }
// Circle marker: code -1 (short way) or -2 (long way), signed radius, centre (rc, zc).
inline cline circ(int code, float radius, float rc, float zc) {
  return {static_cast<float>(code), radius, true, rc, zc};
}
// Ellipse marker: code -3 or -4, ELLP, semi-axes a (radial) and b (axial).
inline cline ell(int code, float ellp, float a, float b) {
  return {static_cast<float>(code), ellp, true, a, b};
}

// The contour: the axis point (0, 0), the given lines from the left pipe end to the right
// pipe end, then the two closing lines over the open right end, with the mesh indices of
// the z mesh of nz steps of ddz: the right pipe end in column nz, the axis point after it
// in column nz + 1.
inline void contour(float ddz, int nz, std::vector<cline> lines) {
  latc.DDZ = ddz;
  latc.NZ = nz;
  const float zl = static_cast<float>(nz) * ddz;
  geo.ZL = zl;
  std::vector<cline> all;
  all.push_back(pt(0.0f, 0.0f));
  for (auto &l : lines) all.push_back(l);
  all.back().z = zl;
  lat2.NLAST = static_cast<int>(all.size());
  all.push_back(pt(0.0f, zl));
  all.push_back(pt(0.0f, 0.0f));
  latc.NPTS = static_cast<int>(all.size());
  for (int k = 1; k <= latc.NPTS; ++k) {
    const cline &l = all[k - 1];
    geo.RR(k) = l.r;
    geo.ZZ(k) = l.z;
    if (l.r > -1.0f) {
      float r = l.r;
      latc.IR(k) = ird(r);
      latc.IZ(k) = nint(l.z / ddz) + 1;
    } else if (l.r > -2.5f) {
      // Circle: the radial line and column of the centre.
      float rc = l.p;
      latc.IR(k) = ird(rc);
      latc.IZ(k) = nint(l.q / ddz) + 1;
    } else {
      // Ellipse: the semi-axes in mesh steps plus one.
      latc.IR(k) = nint(l.p / latc.DDR(1)) + 1;
      latc.IZ(k) = nint(l.q / ddz) + 1;
    }
  }
  latc.IZ(lat2.NLAST) = nz;
  latc.IZ(lat2.NLAST + 1) = nz + 1;
  latc.IZ(lat2.NLAST + 2) = 1;
}

// Points of a further closed contour after the closing lines (an insert of metal inside
// the structure), walked with the vacuum on the right; the last point repeats the first.
inline void further(std::vector<cline> points) {
  for (auto &l : points) {
    const int k = ++latc.NPTS;
    geo.RR(k) = l.r;
    geo.ZZ(k) = l.z;
    float r = l.r;
    latc.IR(k) = ird(r);
    latc.IZ(k) = nint(l.z / latc.DDZ) + 1;
  }
}

// The run's arrays for nzw columns held in memory; flags preset to metal, factors 0.
inline void arrays(int nzw) {
  msz.NMESH = nzw * latc.NR;
  flg_data.iflg.alloc(msz.NMESH, 5.0f);
  for (int c = 1; c <= 3; ++c) flg_data.sj[c].alloc(msz.NMESH, 0.0f);
  bc_data.ihit.alloc(msz.NMESH, 8, 0);
}

// Cell flags of every column 1..NZ as the time loop meets them: the first frame and
// columns 1 and 2 as at the start of a run, then the window rule of the field step
// for NSTEP = 1, 2, ... with one time step per mesh step (MTE = 1) and NT steps. Each
// column is recorded as a string of flag digits (line 1 first) when it enters at the
// front. With lcback the back follows the front and the memory window moves.
inline std::vector<std::string> run_columns(bool lcback, int nt) {
  const int nr = latc.NR, nz = latc.NZ;
  const int nzw = msz.NMESH / nr;
  std::vector<std::string> cols(nz + 1);
  auto grab = [&](int j) {
    std::string s;
    for (int i = 1; i <= nr; ++i) s += static_cast<char>('0' + static_cast<int>(iflg((j - lfrbk.IZMWL) * nr + i)));
    cols[j] = s;
  };
  flgclr();
  for (int c = 1; c <= 3; ++c) flg_data.sj[c].fill(0.0f);
  lfrbk.IZFRL = 1;
  lfrbk.IZFRR = nzw - 2;
  lfrbk.IZMWL = 1;
  lfrbk.IZMWR = nzw;
  hit1(0);
  nzin.JBPREV = nzin.JFPREV = 1;
  bcdet(1, 1, 1, 1);
  bcdet(1, 2, 1, 1);
  grab(1);
  grab(2);
  eline.JBACK = 1;
  eline.JFRONT = 2;
  for (int nstep = 1; nstep <= nt; ++nstep) {
    const int jf = std::min(nz, nstep + 2);
    const int jb = lcback ? std::max(1, nstep - nt - 2 + nz) : 1;
    if (jb != nzin.JBPREV || jf != nzin.JFPREV) {
      bcdet(jb, jf, nzin.JBPREV, nzin.JFPREV);
      if (jb != nzin.JBPREV && jf == lfrbk.IZMWR + 1 && jf != nzin.JFPREV) {
        lfrbk.IZMWL = jb;
        lfrbk.IZMWR = nzw - 1 + jb;
      }
      if (jf != nzin.JFPREV) grab(jf);
    }
    nzin.JBPREV = jb;
    nzin.JFPREV = jf;
  }
  return cols;
}

} // namespace fit
