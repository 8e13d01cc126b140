// Field solver entry points: the computation window and its shift, the open ends,
// the monopole and dipole time steps, the wake integration along the path and the
// set-up of the first window of a run.
#pragma once
#include <string>
#include <vector>

#include "run/arrays.hpp"

// ---------------------------------------------------------------- window (window.cpp)
// Window pair (JB, JF) of step NSTEP: the columns a step computes.
void wndpair(int NSTEP, int &JB, int &JF);
// The window records eline, nzin and lfrbk are written by these routines only.
// First boundary frame (columns 1 .. NZW - 2) and stored window (1 .. NZW) of a run that
// holds NZW columns.
void window_first(int NZW);
// Boundary frame and stored window over the whole mesh, columns 1 .. NZ.
void window_whole(int NZ);
// The boundary frame moves when a new front reaches its last column: two columns
// before that column on, over NZW - 2 columns.
bool frame_must_move(int JFRONT, int JFPREV);
void move_frame(int NZW);
// The stored window moves when the back has moved and the front has just left it: local
// column 1 then holds column JBACK.
bool stored_must_move(int JBACK, int JFRONT, int JBPREV, int JFPREV);
void move_stored(int JBACK, int NZW);
// First window of a run: the first boundary frame with its hit table and the stored
// window, the previous window (1, 1), the cell flags of columns 1 and 2.
void window_start();
// Replay of the window rule over the steps 0 .. KSTART without computing fields: the
// cell flags follow the front, the stored window follows the back.
void window_replay(int KSTART);
// Window (1, 2) of the first field step, which classifies its own window.
void window_first_step();
// Window of step NSTEP into JBACK, JFRONT; bcdet when it differs from the previous
// pair. Returns true when bcdet was called.
bool window(int NSTEP);
// Move the stored window by one column when the front has just left it (fields and
// cell codes); a no-op otherwise. Returns true when it moved.
bool shift();
// Presets of a run: edge factors, fields, cell codes and the four delay lines to 0.
void initjd();
// Cell codes of the field steps from iflg and sjdg: for column j, or for every node
// held in memory.
void celcol(int j);
void celall();
// The runs of the columns whose codes changed since they were last taken (all of them
// after celall, initjd or a new mesh), from the codes; called at the opening of a step.
void kc_runs_update();
// Opening of a field step of mode MROT (0 monopole, 1 dipole): the window of step NSTEP
// and bcdet, the left push (push_left, or heff1 in the dipole step) while column 1 was in
// the previous window, the right push once the previous front reached NZ - 1, the
// stored-window shift and the cell codes of a new front column.
void step_open(int NSTEP, int MROT);
// Update factors and per-line coefficients of the field step of mode MROT (mecoef for
// the monopole, hecoef and eecoef for the dipole), built once per run in its set-up
// from the radial mesh, DDZ and MTE.
void step_coefficients(int MROT);
void mecoef();
void hecoef(); // magnetic coefficients cx of the dipole step
void eecoef(); // electric coefficients dx of the dipole step
// Closing of a field step: the pair of this step becomes the previous pair.
void step_close();

// ---------------------------------------------------------------- open ends (open_ends.cpp)
// Push val into line i, component k of delay line x: the 2*MTE + 1 newest slots move
// down by one, slot 40 takes val.
void delay_push(arr3<float> &x, int i, int k, float val);
// The same move for lines 1 .. n of both components at once (slot by slot, contiguous);
// the caller then sets slot 40 of each of those lines.
void delay_shift(arr3<float> &x, int n);
// Push the magnetic field of columns 1, 2 into the left delay lines, with the change
// of the bunch's own pipe field outside the drive ring.
void push_left(int NSTEP);
// Push the magnetic field of columns NZ - 1, NZ - 2 into the right delay lines.
void push_right();
// Hphi of column NZ below the right pipe radius, extrapolated from the delay lines.
void right_end();
// Magnetic component k (1 Hr, 2 Hphi) of the ghost column 0 on line i (i < IRPL),
// from the left delay lines.
float left_ghost(int k, int i);
// Line density qkst(n), 0 outside 1..NQ and outside the table.
float qkval(int n);

// ---------------------------------------------------------------- time steps
void mefld(int NSTEP); // monopole (MROT = 0)
// A group of steps NSTEP, NSTEP + 1, ... (at most nmax) in one sweep over memory, as
// many as the window allows (group_fits, group_blocks), else the one step NSTEP; returns
// the number of steps done. The fields and delay lines they leave are bit for bit those
// of the steps one by one. With more than one step, the line KMIN of the fields of each
// step of the group is left in wkline (slot 0 the first) for that step's wake integration.
inline constexpr int GROUPMAX = 4;
int mefld_steps(int NSTEP, int nmax); // monopole
int hefld_steps(int NSTEP, int nmax); // dipole
// After the opening of step NSTEP, how many steps from NSTEP on (at most nmax) can share
// its sweep: the windows of the others are that of step NSTEP, no step touches the right
// open end, and with column 1 in the window the stored window starts at column 1.
int group_fits(int NSTEP, int nmax);
// Every block of the sweep of a group of S steps holds 2*S columns at least (its S end
// columns on each side are private copies, and the neighbours' S end columns are computed
// again).
bool group_blocks(int J0, int J1, const int *cut, int ncut, int T, int S);
// The size of the group from step NSTEP (after its opening) for the sweep of columns
// J0 .. J1 in the blocks given by cut on T threads: group_fits, less until group_blocks.
int group_size(int NSTEP, int nmax, int J0, int J1, const int *cut, int ncut, int T);
// The wake lines of the S steps of a group: slots 0 .. S - 1 opened, with the columns of
// the stored window outside J0 .. J1 (those the sweep does not compute) taken.
void group_lines(int S, int J0, int J1);
// Closing of the S steps of a group from step NSTEP: each takes the window of the first.
void group_close(int NSTEP, int S);
// Line I of each field component (Er, Ephi, Ez, Hr, Hphi, Hz: v[n][0 .. 5] for slot n, by
// column from IZMWL, over the stored window IZMWL .. IZMWR of that step; empty for a
// component the run does not hold) as step n of a group left it; the wake integration of
// step n reads it through wkfld_slot(n).
struct wkline_t {
  int I = 0, IZMWL = 1, IZMWR = 0;
  std::vector<float> v[GROUPMAX][6];
};
extern wkline_t wkline;
// Slot n sized for the stored window and line pint.KMIN; then the columns ja .. jb of it
// from the field arrays as they are (the sweep of a group puts in the columns it computes).
void wkline_open(int n);
void wkline_take(int n, int ja, int jb);
// At most GROUP steps per sweep (1: always one by one).
struct stepping_t { int GROUP = GROUPMAX; };
extern stepping_t stepping;
// Instruction set of the field-step loops (vecisa): 1 the baseline x86-64 code (4 floats
// per instruction), 3 AVX2, 4 AVX-512 (both 8 floats); below 1 the widest the processor
// has, taken at the first step. The levels give the same bits: only the instructions
// differ.
struct vecisa_t { int LEVEL = -1; };
extern vecisa_t vecisa;
int vecisa_widest();
// Division of a sweep's columns J0 .. J1 among T threads (balance, one per mode, 0 the
// monopole): cuts of blocks of equal measured time, from the time per column of the steps
// before (cost, by column, < 0 where not measured) and the time of each block in the step
// (tau). block_cols gives block t, columns a .. b: from cut when it holds ncut = T blocks,
// else in equal parts. Every division gives the same values.
struct balance_t {
  std::vector<double> cost, tau;
  std::vector<int> cut;
};
extern balance_t balance[2];
void block_cols(int J0, int J1, const int *cut, int ncut, int t, int T, int &a, int &b);
// Cuts for the step (nullptr: equal parts); tau sized for T.
const int *balance_cuts(balance_t &bal, int J0, int J1, int T);
// The times tau of the step's T blocks into the costs per column.
void balance_take(balance_t &bal, int J0, int J1, const int *cut, int ncut, int T);
void hefld(int NSTEP); // dipole (MROT = 1)
// Parts of the dipole step: the left open end with the beam's own dipole field (pushes
// the left delay lines), the right open end (column NZ), the coefficients and column 1 of
// the electric update. The electric update of the columns JBACK + 1 .. JFRONT (heff8) is
// done column by column in the sweep of hefld, each column after its magnetic update.
void heff1(int NSTEP);
void heff6();
void heff7(int NSTEP);

// ---------------------------------------------------------------- wake integration
void wakecl();
// Step frame of the wake routines that interpolate where the witness crosses a column
// (jmpbm, napl1, napl2): the window of step KSTEP, whether the bunch completes a mesh
// step in it, the neighbour direction, and the witness counter of its columns. A
// crossing step raises KX by one for the next step, whether or not a column feeds a
// witness; the columns of this step keep the count from before (f.KX).
struct wkframe_t {
  int JB = 1, JF = 0;   // columns of the step
  bool cross = false;   // (KSTEP + 1) a multiple of MTE
  bool after = false;   // KSTEP a multiple of MTE: the step after a crossing (and KSTEP = 0)
  int d = 1;            // neighbour direction: +1, or -1 for the counter-rotating beam
  int KX = 0;           // witness counter of the columns of this step
  int smax = 0;         // highest witness index fed: NW + 2 (within the accumulators)
};
void wkframe(int KSTEP, int &KX, int NW, wkframe_t &f);
// Column j of the frame: the column jj in the direction of travel (NZ - j + 1 for the
// counter-rotating beam) and the witness index s = KX - jc + 1 it feeds; false when s
// lies outside 1 .. NW + 2.
bool wkcol(const wkframe_t &f, int j, int &jj, int &s);
// The fields a wake routine integrates, handed to it by the caller: one field component
// (wkcomp_t) holds the node of line i, column j at x[(j - IZMWL)*sj + i - I0] for the lines
// I0 .. I1 and the columns IZMWL .. IZMWR, n values in all (0: the run does not hold the
// component). wkfld_t holds the six components Er, Ephi, Ez, Hr, Hphi, Hz (c[0 .. 5]).
struct wkcomp_t {
  const float *x = nullptr;
  long n = 0;
  int I0 = 1, I1 = 0, IZMWL = 1, IZMWR = 0;
  long sj = 0;
};
struct wkfld_t {
  wkcomp_t c[6];
};
// The field arrays as they are, every line of the stored window: the fields of a step
// taken alone, which the wake integration reads right after it.
wkfld_t wkfld_held();
// Line wkline.I of step n of a group (slot n of wkline), over the stored window of that
// step: the fields of a step whose group's sweep has already moved on.
wkfld_t wkfld_slot(int n);
void jmpbm(int KSTEP, int &KX, int NW, const wkfld_t &L);
void conbm(int KSTEP, int &KX, int &KY, int NW, const wkfld_t &L);
void napl1(int KSTEP, int &KX, int NW, const wkfld_t &L);
void napl2(int KSTEP, int &KX, int NW, const wkfld_t &L);
// Component x on radial line i of column j; 0 when the node is not held (j outside
// IZMWL..IZMWR, i outside I0..I1, beyond the values held). The one accessor of the wake
// routines.
inline float wkget(const wkcomp_t &x, int i, int j) {
  if (i < x.I0 || i > x.I1 || j < x.IZMWL || j > x.IZMWR) return 0.0f;
  const long m = static_cast<long>(j - x.IZMWL) * x.sj + (i - x.I0);
  return m < x.n ? x.x[m] : 0.0f;
}

// ---------------------------------------------------------------- save file (field_records.cpp)
// Field records after the main program's records of a save (unit 1): wz, wy in chunks
// of 8000 entries; the left, then the right delay-line pairs, slot by slot, component
// by component, in chunks of 400 radial lines; hv, then ev, component by component in
// chunks of 8000 nodes. Sizes MSZW, NRN, NMESH of the run.
void store();
// The same records read back from the restart file (unit 2) into the arrays of the
// restored run, whose sizes must be those the records were written with: a record of
// another length ends the process with a fatal read error naming it.
void reload();

// ---------------------------------------------------------------- run set-up (advance.cpp)
// Witness counters, skip of a field-free left pipe, first boundary frame and columns,
// window replay up to the step before the first one. LREC marks the restored run.
void advan(bool LREC, int &KX, int &KY, int &KSTART);
