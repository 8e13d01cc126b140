// ZELK_MP: the main program. Takes the name of the input deck, opens the four text
// files, reads the first run's inputs and performs one run after another until the
// control lines of the deck end the sequence.
#include <omp.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "geometry/mesh.hpp"
#include "run/banners.hpp"
#include "run/clock.hpp"
#include "run/constants.hpp"
#include "run/deck.hpp"
#include "run/derived.hpp"
#include "run/filenames.hpp"
#include "run/params.hpp"
#include "run/records.hpp"
#include "run/runseq.hpp"
#include "run/savefile.hpp"
#include "run/stops.hpp"
#include "run/units.hpp"
#include "solver/fields.hpp"

// The same file, or the same name when it does not exist yet.
static bool same_file(const std::string &a, const std::string &b) {
  std::error_code ec;
  if (std::filesystem::exists(b, ec) && std::filesystem::equivalent(a, b, ec)) return true;
  return a == b;
}

static void open_files() {
  mp.OUTNAME = output_name(mp.INFILE, "out");
  mp.POTNAME = output_name(mp.INFILE, "pot");
  mp.TOPNAME = output_name(mp.INFILE, "top");
  // The deck first: a deck that cannot be read is named with the reason, and no output
  // file is made for it.
  uopen_in(ndev.NIN, mp.INFILE);
  for (const std::string *n : {&mp.OUTNAME, &mp.POTNAME, &mp.TOPNAME})
    if (same_file(mp.INFILE, *n))
      start_fatal(mp.INFILE + ": the output file " + *n + " would overwrite the input deck");
  // The report is locked before anything is emptied: a second run on the same name stops
  // here and leaves the files of the first one alone. All three must open for writing
  // before any of them is emptied (opened without emptying, which creates a missing file
  // and keeps an existing one as it is).
  const int out = uopen_hold(mp.OUTNAME, "output file");
  const int pot = uopen_keep(mp.POTNAME, "output file");
  const int top = uopen_keep(mp.TOPNAME, "output file");
  uopen_out_fd(ndev.NOUT, mp.OUTNAME, out);
  uopen_out_fd(ndev.NPOT, mp.POTNAME, pot);
  uopen_out_fd(ndev.NTOP, mp.TOPNAME, top);
}

static void end_of_process() {
  // Release every array of the run and the radial mesh lines.
  release_run_arrays();
  gr_data.gr.release();
  gr_data.gdr.release();
  cputim(wp2.TUSED, 3);
  // The tables, plot commands and save file reach the disk before the report says that
  // the run ended without error.
  uflush_all();
  const int u = ndev.NOUT;
  rec(u, "(A)", "1");
  rec(u, "(1X,A)", std::string(130, '*'));
  rec(u, "()");
  rec(u, "(1X,A,7X,A,F10.1,A)", "ZELK_MP ENDED WITHOUT ERROR", "TOTAL CPU TIME USED:", wp2.TUSED,
      " (S)");
  rec(u, "()");
  rec(u, "(1X,A)", std::string(130, '*'));
  uclose_all();
  zend();
}

int zelk_mp(int argc, char **argv) {
  guard_process();
  // Defaults of the inputs.
  prmini();
  rzinit();
  irdini();
  file_name_specification(argc, argv, mp.INFILE);
  open_files();
  guard_interrupts();
  term_line("> ZELK_MP_12.5 IS NOW RUNNING. PLEASE WAIT...");
  int nthreads = 1;
#pragma omp parallel
  nthreads = omp_get_num_threads();
  rec(NTERM, "(A,I2)", " > NUMBER OF CORES (OR THREADS) = ", nthreads);
  cputim(wp2.TUSED, 1);
  read_file_group();
  if (mp.LREC) {
    // The inputs of the saved run in place of the rest of the deck.
    restore_inputs();
  } else {
    read_title();
    datime(wpt.CDATE, wpt.CTIME);
    first_run_banner();
    read_first_run();
  }
  first_run_copies();
  // A run that may save holds the folder's save file from now on, so that two runs in one
  // folder do not write it both; a later run that saves takes it when it opens it. A file
  // that cannot be opened here stops the run only when it comes to save.
  if (mp.LSAV) bhold(ndev.NSAVE, "fort." + std::to_string(ndev.NSAVE), true);
  bool restored = mp.LREC;
  for (;;) {
    one_run(restored);
    restored = false;
    between_runs_reset();
    if (!read_control_lines()) break;
  }
  end_of_process();
  return 0;
}
