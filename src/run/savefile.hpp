// Save file (unit 1) of a run that the CPU-time monitor ended, and the restore of its
// inputs from the restart file (unit 2).
//
// Records 1 to 55 hold the inputs that define the run, the stored geometry lines, the
// loop counters and the witness counters; the wake accumulators, delay lines and fields
// follow (store, reload). The group FILE, NR, NZ, RAD, LPPW, the mesh and everything
// derived from the inputs are not in the file: a restored run computes them again.
//
// Each of records 1 to 55 is described once, by the list of its items (save_record);
// the save writes and the restore reads the records from that list.
#pragma once
#include <string>
#include <vector>

// The kinds of item: 32-bit reals and integers, switches (true = -1, false = 0), texts
// of a fixed number of characters, and the first step not yet computed (written as
// KEND + 1, read into KSTART).
enum class save_kind { real, integer, logical, text, next_step };

// One item of a record: `count` values of its kind from `at` on (float, int, bool or
// std::string; a text item holds `count` texts of `len` characters each). A restored
// value the run cannot use ends the restore like a record of the wrong length: a real
// marked `finite` must be a finite number, an integer marked `ranged` must lie in
// lo .. hi.
struct save_item {
  const char *name;
  save_kind kind;
  void *at;
  long count = 1;
  int len = 0;
  bool finite = false;
  bool ranged = false;
  long lo = 0, hi = 0;
};

// Records of the main program in the save file; the field records follow them.
inline constexpr int SAVE_RECORDS = 55;

// The items of record n (1 to 55) in their order in the record. The bounds of the
// counters follow the switches as they stand (the contour holds half the points for a
// half-cell input).
std::vector<save_item> save_record(int n);
// Size in bytes of one item, and of record n (1 to 55) without its framing.
long save_item_bytes(const save_item &it);
int save_reclen(int n);

// Rewind unit 1 and write records 1 to 55 and the field records: the state of the run
// after its step KEND, to be continued with the step KEND + 1.
void save_run();
// Read records 1 to 54 from unit 2 into the inputs and the main program's state; the
// restored run is numbered one after the saved run and counts as a new mesh. Records 55
// onwards are read by advan.
void restore_inputs();

// What the restored run takes from the restart file besides the inputs: the length ZMAX
// that the saved run's mesh set-up left, and the sizes of the saved field records
// (radial lines NRN, wake entries MSZW and mesh nodes NMESH; 0 when the records that
// follow record 54 are not those of a save). NZ and NR are not in the file: the mesh
// set-up of the saved run is recovered from the saved steps, outer radii and sizes
// (restore_mesh); CAUSE names what the restore had to assume.
struct rmesh_t {
  float ZMAX = 0.0f;
  float DDZ = 0.0f, DDR1 = 0.0f; // steps of a mesh of NR and NZ, to be found again
  long NRN = 0, MSZW = 0, NMESH = 0;
  std::string CAUSE;
};
extern rmesh_t rmesh;

// The sizes NRN, MSZW and NMESH of rmesh from the lengths of the records that follow
// record 54 (record 55 first): wz and wy in chunks of 8000 entries, 320 delay-line
// records per chunk of 400 radial lines, six field components in chunks of 8000 nodes.
// Lengths that do not follow this pattern give sizes of 0.
void saved_sizes(const std::vector<std::size_t> &lengths);
// Restored run, after its geometry lines are decoded again: the inputs NR, NZ, DDZ and
// the pass of the mesh set-up that give the saved run's mesh.
void restore_mesh();
// Restored run, once its pipes are known: LNAPOLY as the deck gave it (see savefile.cpp).
void restore_napoly();
// Restored run, once its sizes are known: a mesh that differs from the one whose field
// records the file holds ends the run with a stop that names the cause.
void restore_check_sizes();
