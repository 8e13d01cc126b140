// The geometry lines of the mesh input: read from the deck into the line store
// (inputi) and decoded into the contour points RR, ZZ and their codes (inputd).
#pragma once
#include <string>

void inputi(bool LADD, int &NPTS, int &NLINES, int &NLAST, float &ZMAX, float &RMAX);
void inputd(bool LADD, int &NPTS, int NLINES, int &NLAST, float &ZMAX, float &RMAX);
// Decode one geometry line from column NCOL: VAL(1..2) the two numbers, ICODE(1..4)
// their forms; index 0 of both is not used. IERR = 0 when the line is good.
void flot(const std::string &LINE, int NCOL, float VAL[3], int ICODE[5], int &IERR);
