// Plot command file conventions: frame header, titles, limits, point records and the
// curve pieces of at most 1021 points. Every record begins with a blank (1X) and every
// command text with a blank of its own.
#pragma once
#include <string>

// Count of the points of the current curve piece (the 1021-point rule).
struct plotpiece_t {
  int n = 0; // points in the current piece
};

// Frame kinds with their window texts, titles and axis titles.
enum plot_kind { PK_INPUT_SHAPE, PK_USED_SHAPE, PK_EFIELD, PK_CURRENT, PK_WAKES, PK_SPECTRA };
