// Fitting of the structure contour onto the mesh: the mesh-line crossings of every
// contour piece, their order along the piece, the boundary hit table, the cell flags
// and edge factors of the columns held in memory, and the character map of the mesh.
#pragma once
#include "run/arrays.hpp"

// Capacity of the crossing lists of one contour piece.
inline constexpr int NSP = 500000;

// Fit the contour into the current boundary frame (IZFRL..IZFRR). IPLOT = 0: clear the
// hit table and rebuild it; otherwise write the fitted contour to the plot unit.
void hit1(int IPLOT);

// Order the NFIT crossings of one piece by their parameter TC (in place) and either set
// the hit flags of the steps between them (IPLOT = 0) or write them as plot points.
// NPTW, IRLAST, IZLAST carry the plot line piece from one call to the next.
void trace(int IPLOT, int NFIT, arr1<int> &IRC, arr1<int> &IZC, arr1<float> &TC, int &NPTW,
           int &IRLAST, int &IZLAST);

// Clear the boundary hit table: ihit(c, d) = false for c = 1..NMESH, d = 1..8.
void initht();

// Preset every cell flag to metal: iflg(m) = 5.0 for m = 1..NMESH.
void flgclr();

// Keep the cell flags and edge factors up to date for the window JBACK..JFRONT that
// follows the previous window JBPREV..JFPREV: open a new boundary frame when the front
// reaches its end, move the flags when the memory window shifts, classify column JFRONT.
void bcdet(int JBACK, int JFRONT, int JBPREV, int JFPREV);

// The mesh as a page of characters on the report, one per cell, fitted column by column
// as in the time loop.
void pltmsh();
