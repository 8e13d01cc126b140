// Field and current line snapshots of the time loop: contour lines of the stream
// function 2 pi r Hphi (the current through the disc of radius r) or of its time
// integral (the charge that has passed), drawn over the structure outline and the bunch.
#pragma once
#include <string>
#include <vector>

#include "run/arrays.hpp"

// Capacity of the list of westward crossings of one level.
inline constexpr int NLISTMAX = 500000;

// State of the contour tracer. Directions 1 .. 8: west, north-west, north, north-east,
// east, south-east, south, south-west (counting up turns clockwise with z to the right
// and r upward); KDZ, KDR are their column and row steps.
struct cntr_t {
  int JCUR = 0, ICUR = 0;   // column and row of the current cell
  int JSTEP = 0, ISTEP = 0; // step to the neighbour being examined
  int IDIR = 0;             // direction of that step
  float CLEV = 0.0f;        // level being traced
  fix1<int, 8> KDZ{{-1, -1, 0, 1, 1, 1, 0, -1}};
  fix1<int, 8> KDR{{0, 1, 1, 1, 0, -1, -1, -1}};
  fix1<int, NLISTMAX> LIST{}; // node indices of the westward crossings of this level
  int NLIST = 0;
};
extern cntr_t cntr;

// Most contour levels one snapshot draws. Drawn across the ten inches of the frame's
// width, more lines than this would lie closer than a quarter millimetre, the width of
// a plotter pen, and merge into a black area; a frame that asks for more draws every
// f-th of its levels, on the same grid of levels, with f the smallest that fits.
inline constexpr long NLEVMAX = 1000;

// Stream function at the cell centres during one snapshot (NMESH entries), a mark per
// cell for the westward crossings already listed at the level being traced, and per
// cell the edges (bits 1, 2, 4, 8: west, north, east, south) whose crossing a line of
// the level has written, with the cells so marked, to clear them for the next level.
struct epz_data_t {
  arr1<float> z;
  arr1<unsigned char> seen;
  arr1<unsigned char> written;
  std::vector<long> marked;
};
extern epz_data_t epz_data;

// One snapshot frame at step NSTEP: NPLOT lines (NPLOT / 2 for current lines), electric
// field lines with LPLE, else current lines; levels relative to the extrema with LPALL.
void eplot(const fix1<std::string, 10> &TITLE, int NPLOT, int NSTEP, bool LPLE, bool LPALL);
// The bunch below the drive ring at step NSTEP, in the strip YMIN .. 0 under the axis.
void chgplt(int NSTEP, float YMIN);
// One contour line from the start cell and direction held in cntr.
void conpnt();
