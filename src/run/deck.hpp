// The input deck: the namelist groups and their defaults, the reading of the first
// run, and the control lines that start the continuation runs.
#pragma once
#include <vector>

#include "run/namelist.hpp"

// Which routine presets a deck variable with its default.
enum deck_preset : char {
  PRESET_NONE,   // no default: the variable keeps what it holds until the deck sets it
  PRESET_PRMINI, // once, at the start of the process
  PRESET_IRDINI, // the mesh description, before every run
  PRESET_RZINIT, // the user values RZn, at the start of the process
};

// One variable of the deck groups.
struct deckvar_t {
  const char *name;   // upper case, as in the deck
  const char *group;  // FILE, BOUN, MESH, BEAM, TIME, WAKE, PLOT, PRIN (also opened as PRINT)
  char kind;          // 'I' 32-bit integer, 'R' 32-bit real, 'L' switch
  void *p;            // the variable it sets (its first element)
  int dim;            // number of elements, 1 for a scalar
  deck_preset preset; // the routine that presets it
  float def;          // its default, every element (a switch: 0 false, 1 true)
  int srec, spos;     // its record in the save file and its place among the record's
                      // items (1 for the first); 0 = not saved
};

// Every deck variable, group by group in the order in which the deck reader knows them:
// the namelist groups, the defaults and the saved inputs are taken from this table.
const std::vector<deckvar_t> &deck_table();

// Defaults of every group variable (prmini), of the user values RZn (rzinit), of the
// radial set-up of a run (irdini) and of the plot switches (flgini).
void prmini();
void rzinit();
void irdini();
void flgini(bool &LFFTL, bool &LFFTA, bool &LFFTT, bool &LFFTANY, bool &LFFT, bool &LPLW,
            bool &LSVW);

// The groups of the deck bound to their homes in the shared records.
const nlgroup &grp_file();
const nlgroup &grp_boun();
const nlgroup &grp_mesh();
const nlgroup &grp_beam();
const nlgroup &grp_time();
const nlgroup &grp_wake();
const nlgroup &grp_plot();
const nlgroup &grp_prin();  // opened as &PRIN
const nlgroup &grp_print(); // the same variables, opened as &PRINT

// The group FILE (the first group of the deck).
void read_file_group();
// The title record (9A8) into mp.TITLE(1..9).
void read_title();
// The first run after its banner: BOUN (when present), MESH, the geometry header
// and lines, BEAM, TIME, WAKE, PLOT, PRINT or PRIN.
void read_first_run();
// Copies of the first run's mesh inputs and LNAPOLY.
void first_run_copies();
// Between runs, before the control lines: restore LNAPOLY, clear MESHNEW and BEAMONLY,
// reset the plot switches and the radial set-up, restore the first run's mesh inputs.
void between_runs_reset();
// The control lines after a run: true when a continuation run starts (IRUN counted up,
// MESHNEW and BEAMONLY set), false when the process ends.
bool read_control_lines();
