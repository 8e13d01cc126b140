// Every shared record that holds inputs, derived quantities, counters or window bounds
// back to the values of a fresh process, for tests that set up a case by hand. The
// run's arrays (fields, cell flags, coefficients, the radial mesh lines) are left as
// they are; a test that needs them allocates them itself.
#pragma once
#include "geometry/mesh.hpp"
#include "run/deck.hpp"
#include "run/params.hpp"
#include "solver/fields.hpp"

inline void reset_records() {
  wpl = wpl_t{};
  wpl2 = wpl2_t{};
  win2 = win2_t{};
  crbw = crbw_t{};
  wind = wind_t{};
  red = red_t{};
  wps = wps_t{};
  wfun = wfun_t{};
  ffts = ffts_t{};
  intr = intr_t{};
  expfr = expf_t{};
  plnz = plnz_t{};
  symt = symt_t{};
  var = var_t{};
  msz = msz_t{};
  wp2 = wp2_t{};
  wpt = wpt_t{};
  mp = mprog_t{};
  latc = latc_t{};
  geo = geo_t{};
  icon = icon_t{};
  pipes = pipe_t{};
  offs = offs_t{};
  lat2 = lat2_t{};
  lat3 = lat3_t{};
  wprm = wprm_t{};
  cals = cals_t{};
  cdis = cdis_t{};
  qkar = qkar_t{};
  eline = eline_t{};
  nzin = nzin_t{};
  lfrbk = lfrbk_t{};
  tstep = tstep_t{};
  parcom = parcom_t{};
  napprm = napprm_t{};
  napcom = napcom_t{};
  pint = pint_t{};
  // The defaults of the deck variables, as a fresh process sets them first.
  prmini();
}
