// Set up one run from a deck held in memory the way the main program does, up to the
// first window (advan); the caller then runs the time loop or steps the fields itself.
// The report, table and plot units are kept in memory.
#pragma once
#include <string>

#include "geometry/fitting.hpp"
#include "geometry/mesh.hpp"
#include "geometry/setup.hpp"
#include "run/constants.hpp"
#include "run/deck.hpp"
#include "run/derived.hpp"
#include "run/echo.hpp"
#include "run/params.hpp"
#include "run/runseq.hpp"
#include "run/units.hpp"
#include "solver/bunch.hpp"
#include "solver/fields.hpp"
#include "solver/kmin.hpp"
#include "solver/step.hpp"

// The defaults and the group FILE of a deck, with the output units in memory.
inline void deck_open(const std::string &deck) {
  prmini();
  rzinit();
  irdini();
  uopen_in_text(ndev.NIN, deck, "deck.in");
  uopen_mem(ndev.NOUT);
  uopen_mem(ndev.NPOT);
  uopen_mem(ndev.NTOP);
  read_file_group();
}

// The defaults and the first run's inputs from a deck, as the main program reads them.
inline void deck_read(const std::string &deck) {
  deck_open(deck);
  read_title();
  read_first_run();
  first_run_copies();
  mp.IRUN = 0;
}

inline void deck_setup(const std::string &deck) {
  deck_read(deck);
  if (!run_prepare(false)) return;
  advan(false, mp.KX, mp.KY, mp.KSTART);
}

// Node-updates of the steps KSTART + 1 .. NT: NR*(JFRONT - JBACK + 1) summed.
inline double node_updates() {
  double n = 0.0;
  for (int s = mp.KSTART + 1; s <= wind.NT; ++s) {
    int jb, jf;
    wndpair(s, jb, jf);
    n += static_cast<double>(latc.NR) * (jf - jb + 1);
  }
  return n;
}
