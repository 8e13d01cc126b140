// A finished run's records filled directly for the tests of the wake results and of
// the completion of the wake arrays: a bunch (triangular by default), radial lines
// gr(i) = (i - 1)*DDZ, wake arrays of NW + 5 samples (all zero), the line-charge
// table, fixed date and time, and the report, table and plot units in memory.
// The cases of data/gen_wakes.f90 use the defaults below.
#pragma once
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "geometry/mesh.hpp"
#include "run/clock.hpp"
#include "run/constants.hpp"
#include "run/params.hpp"
#include "run/units.hpp"
#include "solver/bunch.hpp"
#include "solver/fields.hpp"
#include "../reset_records.hpp"

struct wcase {
  int MROT = 0;
  int NW = 30;
  float DDZ = 0.001f;
  float SIG = 0.005f;
  int NBUNCH = 0; // 0 triangle, 1 Gaussian
  int MTE = 3;
  int NZ = 60;
  int NR = 20;
  int IRDRIVE = 5, IRPL = 5, IRPR = 5;
  int NT = 100, KEND = 99;
};

inline void wake_setup(const wcase &c) {
  reset_records();
  latc.NR = c.NR;
  latc.NZ = c.NZ;
  latc.DDZ = c.DDZ;
  latc.DDR(1) = c.DDZ;
  latc.SIG = c.SIG;
  latc.MTE = c.MTE;
  latc.IRDRIVE = c.IRDRIVE;
  pipes.IRPL = c.IRPL;
  pipes.IRPR = c.IRPR;
  cdis.NBUNCH = c.NBUNCH;
  cdis.BSEP = 0.0f;
  cals.SIGCUT = 5.0f;
  gr_data.gr.alloc(c.NR + 1);
  gr_data.gdr.alloc(c.NR + 1);
  for (int i = 1; i <= c.NR + 1; ++i) {
    gr(i) = static_cast<float>(i - 1) * c.DDZ;
    gdr(i) = c.DDZ;
  }
  wpl.MROT = c.MROT;
  wind.NT = c.NT;
  mp.KEND = c.KEND;
  mp.NW = c.NW;
  mp.ITEST = 0;
  mp.LPLW = mp.LSVW = mp.LPRW = mp.LPPW = false;
  mp.LFFT = mp.LFFTL = mp.LFFTA = mp.LFFTT = mp.LSPEC = mp.LFFTANY = false;
  mp.LNAPM1 = false;
  mp.LOGT = false;
  mp.CUTOFF = 0.0f;
  mp.FAC = 0.0f;
  msz.MSZW = c.NW + 5;
  msz.MSZQ = c.NW + 200;
  for (arr1<float> *x : {&wzwy_data.wz, &wzwy_data.wy, &wzwy_data.wt, &wzwy_data.wp})
    x->alloc(msz.MSZW);
  wzwy_data.qkst.alloc(msz.MSZQ);
  calsum();
  qkset();
  pint.KMIN = std::min(c.IRPL, c.IRPR);
  mp.RW = gr(pint.KMIN);
  wpt.CDATE = "01/02/03";
  wpt.CTIME = "04.05.06";
  for (int k = 1; k <= 10; ++k) mp.TITLE(k) = "        ";
  mp.TITLE(1) = "WAKE TES";
  mp.TITLE(2) = "T CASE  ";
  uopen_mem(ndev.NOUT);
  uopen_mem(ndev.NPOT);
  uopen_mem(ndev.NTOP);
  cputim(wp2.TUSED, 1);
}

// Sections "#case NAME" of a file of expected records.
inline std::map<std::string, std::vector<std::string>> expected_cases(const std::string &path) {
  std::map<std::string, std::vector<std::string>> m;
  std::ifstream in(path);
  std::string line, name;
  while (std::getline(in, line)) {
    if (line.rfind("#case ", 0) == 0)
      name = line.substr(6);
    else if (!name.empty())
      m[name].push_back(line);
  }
  return m;
}

inline const std::vector<std::string> &wakes_expected(const std::string &name) {
  static const auto m = expected_cases(ZELK_SOURCE_DIR "/tests/results/data/wakes_expected.txt");
  static const std::vector<std::string> none;
  auto it = m.find(name);
  return it == m.end() ? none : it->second;
}

// Number after "KEY" in a record (the first 1P,E10.3 field after it).
inline float field_after(const std::string &rec, const std::string &key) {
  const std::size_t p = rec.find(key);
  if (p == std::string::npos) return -12345.0f;
  return std::strtof(rec.c_str() + p + key.size(), nullptr);
}
