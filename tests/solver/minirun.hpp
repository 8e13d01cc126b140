// A run's records filled directly for the unit tests of the solver: a uniform radial
// mesh of NR lines with step h, NZ columns, no deck and no contour.
#pragma once
#include <algorithm>

#include "geometry/mesh.hpp"
#include "run/derived.hpp"
#include "run/params.hpp"
#include "solver/fields.hpp"
#include "solver/step.hpp"

struct minirun_t {
  int NR = 6, NZ = 40, MTE = 3, NUBT = 10;
  bool LCBACK = false;
  int IRPL = 4, IRPR = 4, IRDRIVE = 4;
  float h = 0.001f;
};

inline void mini_setup(const minirun_t &c) {
  latc.NR = c.NR;
  latc.NZ = c.NZ;
  latc.MTE = c.MTE;
  latc.DDZ = c.h;
  latc.IRDRIVE = c.IRDRIVE;
  pipes.IRPL = c.IRPL;
  pipes.IRPR = c.IRPR;
  pint.KMIN = std::min(c.IRPL, c.IRPR);
  win2.LCFRON = true;
  win2.LCBACK = c.LCBACK;
  win2.LTAVO = false;
  crbw.LCRBW = false;
  wpl.MROT = 0;
  mp.NW = c.NUBT + 1;
  wind.NT = (c.NZ + c.NUBT) * c.MTE + c.MTE + 1;
  msz.NRN = c.NR + 1;
  msz.NP = c.LCBACK ? c.NR * std::min(mp.NW + 4, c.NZ) : c.NR * c.NZ;
  msz.NMESH = 30 * c.NR + msz.NP;
  msz.MSZW = mp.NW + 5;
  msz.MSZQ = c.LCBACK ? mp.NW + 15 : wind.NT / c.MTE + 10;
  gr_data.gr.alloc(msz.NRN);
  gr_data.gdr.alloc(msz.NRN);
  for (int i = 1; i <= msz.NRN; ++i) {
    gr(i) = (i - 1) * c.h;
    gdr(i) = c.h;
  }
  for (int k = 1; k <= 3; ++k) {
    he_data.e[k].alloc(msz.NMESH);
    he_data.h[k].alloc(msz.NMESH);
    flg_data.sj[k].alloc(msz.NMESH);
  }
  flg_data.iflg.alloc(msz.NMESH, 5.0f);
  for (arr3<float> *x : {&stk_data.hvstk, &stk_data.hvstk1, &stk_data.hvstl, &stk_data.hvstl1})
    x->alloc(msz.NRN, 2, NPT);
  for (arr1<float> *x : {&wzwy_data.wz, &wzwy_data.wy, &wzwy_data.wt, &wzwy_data.wp})
    x->alloc(msz.MSZW);
  wzwy_data.qkst.alloc(msz.MSZQ);
  qkar.NQ = 0;
  for (arr1<float> *x : {&cm3_data.ex1, &cm3_data.ex4, &cm3_data.ex5, &cm3_data.ex6})
    x->alloc(msz.NRN);
  celc_data.kc.alloc(msz.NMESH, 0);
  // The time step, and the coefficients of both steps: the tests step either mode on
  // this mesh.
  run_time_step();
  mecoef();
  hecoef();
  eecoef();
  initjd();
  lfrbk.IZMWL = 1;
  lfrbk.IZMWR = msz.NMESH / c.NR;
  nzin.JBPREV = nzin.JFPREV = 1;
  eline.JBACK = 1;
  eline.JFRONT = 2;
}

// Node of line i, column j in the stored window.
inline long node(int i, int j) { return static_cast<long>(j - lfrbk.IZMWL) * latc.NR + i; }
