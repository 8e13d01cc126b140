// Run parameters: the shared records of run control, the inputs of the deck that
// several subsystems read, the main program's own inputs and state, and the sizes,
// clocks and texts of a run. One plain struct and one global instance per record.
// The inputs of the deck start at 0 here; their defaults are those of the deck table
// (run/deck.cpp), set by prmini, irdini and rzinit.
#pragma once
#include <string>

#include "run/arrays.hpp"

// ---------------------------------------------------------------- small records

struct wpl_t { int MROT = 0; };                       // azimuthal mode number
struct wpl2_t { bool LNAPOLY = false, LNONAP = false; }; // wake integration method
struct win2_t { bool LCFRON = false, LCBACK = false, LTAVO = false; }; // window, TAVO
struct crbw_t {                                       // counter-rotating beam
  bool LCRBW = false;
  float ZSEP = 0.0f; // initial distance of the two beams (m), snapped to the mesh
  int ISEP = 0;      // NINT(ZSEP/DDZ)
};
struct wind_t { int NT = 0; };                        // number of time steps
struct red_t { std::string REDTXT = std::string(13, ' '); }; // plot size text, 13 characters
struct wps_t {                                        // wake plots and tables
  bool LPLWL = false, LPLWA = false, LPLWT = false;
  bool LSVWL = false, LSVWA = false, LSVWT = false;
};
struct wfun_t { int NWFUN = 0; float ALPHA = 0.0f; }; // window function of the spectra
struct ffts_t { bool LSVF = false, LWNDW = false; };
struct intr_t { bool LINTZ = false; };
// Record expf (the instance is named expfr: expf is the C library's float exponential).
struct expf_t { float EXPFAC = 0.0f; };
struct plnz_t { bool LPATH = false; };
struct symt_t { bool LHALF = false; };                // half-cell input
struct var_t { fix1<float, 2000> RZ; };               // user values RZn, -8888.0 = not given

// Array sizes of the run.
struct msz_t {
  int NMESH = 0; // nodes held in the field and cell arrays: 30*NR + NP
  int NP = 0;    // mesh points of the run
  int MSZW = 0;  // length of the wake arrays: NW + 5
  int MSZQ = 0;  // length of the line-charge table
  int NRN = 0;   // radial extent of the radial arrays: NRL + 1
};

// CPU-time marks, last CPU time returned, date and time of the run.
struct cput_t {
  float TLAP = 0.0f;
  float TSTART = 0.0f;
  int NTHRD = 1;
};
struct wp2_t { float TUSED = 0.0f; };
struct wpt_t { std::string CDATE = std::string(8, ' '), CTIME = std::string(8, ' '); };

extern wpl_t wpl;
extern wpl2_t wpl2;
extern win2_t win2;
extern crbw_t crbw;
extern wind_t wind;
extern red_t red;
extern wps_t wps;
extern wfun_t wfun;
extern ffts_t ffts;
extern intr_t intr;
extern expf_t expfr;
extern plnz_t plnz;
extern symt_t symt;
extern var_t var;
extern msz_t msz;
extern cput_t cput;
extern wp2_t wp2;
extern wpt_t wpt;

// ---------------------------------------------------------------- main program
// The inputs that belong to the main program (passed as arguments to the routines
// that need them) and the state it holds for the whole process.
struct mprog_t {
  // group FILE
  bool LSAV = false;
  int ITEST = 0;
  bool LREC = false;
  bool LCPUTM = false;
  float TSOS = 0.0f;
  float TMAX = 0.0f;
  // group BOUN (read and not used)
  int IZL = 0, IZR = 0;
  // group MESH
  float RAD = 0.0f;
  // group BEAM
  int ISIG = 0;
  // group TIME
  int MT = 0;
  float TPS = 0.0f;
  int NSHOT = 0;
  // group WAKE
  float UBT = 0.0f;
  // group PLOT
  bool LPLW = false, LCAVIN = false, LCAVUS = false, LFFTL = false, LFFTA = false,
       LFFTT = false;
  float CUTOFF = 0.0f;
  bool LFFT = false, LSPEC = false, LPLE = false, LPLC = false;
  int NPLOT = 0;
  bool LPALL = false;
  float REDUCE = 0.0f;
  // group PRIN / PRINT
  bool LPRW = false, LMATPR = false, LSVW = false, LPPW = false;

  // state of the process
  std::string INFILE, OUTNAME, POTNAME, TOPNAME; // file names (blanks trimmed)
  fix1<std::string, 10> TITLE;  // nine texts of 8: the title; the tenth: geometry header
  int IRUN = 0;                 // runs done before the current one
  bool MESHNEW = false, BEAMONLY = false;
  int KSTART = 0, KX = 0, KY = 0, KEND = 0;
  int NPTS0 = 0, NLAST0 = 0;
  float ZLAST = 0.0f;
  int NLINES = 0;               // stored geometry lines before the end line
  bool LADD = false;
  std::string CAVTXT = "FULL CELL INPUT ";
  float RBP = 0.0f, ZMAX = 0.0f, RMAX = 0.0f, RMIN = 0.0f, ZLFT = 0.0f, ZRGT = 0.0f;
  bool LNAPM1 = false;
  int ISKIP = 0;
  float RW = 0.0f;
  bool LPLEC = false;
  int LEVRUN = -1;              // run (IRUN) whose report told of a snapshot's capped levels

  // derived run quantities
  float UBTE = 0.0f;
  int NUBT = 0, NW = 0;
  float TSNAP = 0.0f, DTSNAP = 0.0f;
  int KSNAP = 0;
  float CUTOFF0 = 0.0f;
  bool LFFTANY = false;
  bool LOGT = false;
  float FAC = 0.0f;

  // first-run copies of the mesh inputs and of LNAPOLY
  int NR0 = 0, NZ0 = 0;
  float DDZ0 = 0.0f;
  fix1<float, 1000> DDR0, RMARK0;
  bool LNAPOLY0 = false;
};
extern mprog_t mp;

// Storage of the geometry lines (20000 lines of 72 characters).
inline constexpr int MAXLINES = 20000;
extern std::string geolines[MAXLINES + 1]; // 1-based: geolines[1] .. geolines[20000]
