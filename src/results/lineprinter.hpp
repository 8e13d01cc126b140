// Line-printer plot: up to seven curves drawn as characters on a grid of 121 columns
// by 42 rows and printed with axis divisions and labels on a text unit. One call per
// curve; the first call of a plot fixes both scales, the call with NMORE = 0 prints.
#pragma once
#include <string>

#include "run/arrays.hpp"

inline constexpr int LP_COLS = 121; // grid columns
inline constexpr int LP_ROWS = 42;  // grid rows

// The grid and the plot characters. A cell holds 0 (empty) or the index 1 .. 7 of the
// last curve that marked it; cell (column, row) is IGRID(121*(row - 1) + column).
struct inf_t {
  fix1<unsigned char, LP_COLS * LP_ROWS> IGRID;
  fix1<char, 7> ISYM;  // plot character of each curve index
  fix1<float, 10> XLAB; // x-axis label values of the printed plot
};

// Scale state, kept from the first call of a plot to its last.
struct xyz_t {
  float XSCL = 0.0f, YSCL = 0.0f; // x units per column, y units per row
  float XORG = 0.0f, YORG = 0.0f; // x of column 1, y of row 1 (the top row)
  int NCOLS = 0, NROWS = 0;       // printed columns and rows
  int NCPD = 0, NRPD = 0;         // columns per x division, rows per y division
  int NXDIV = 0, NYDIV = 0;       // divisions
  int IX0 = 0, IY0 = 0;           // label offsets: 1 - NMIN of x, NMAX*NRPD + 1 of y
  int NCURV = 0;                  // curves so far: 0 starts a plot, < 0 abandoned
  float DXS = 0.0f;               // x step between labels
  std::string KFMT;               // descriptor list of the label record
};

extern inf_t inf;
extern xyz_t xyz;

// One curve of N points on unit IU: X(i), Y(i) (X read only when MODE /= 0; MODE 0
// spaces the points evenly from RANGE(1) to RANGE(2)). CH is the plot character: a code
// 0 .. 9 stands for that digit, a blank for the digit of the curve's index. RANGE is
// (XMIN, XMAX, YMIN, YMAX); a range taken from the data is stored back. NMORE = 0
// prints the plot after this curve.
void drplot(int IU, const arr1<float> &X, const arr1<float> &Y, int N, char CH, int MODE,
            fix1<float, 4> &RANGE, int NMORE);
