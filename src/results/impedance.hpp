// Impedance and loss-factor spectra of a wake: the windowed discrete Fourier sum at 624
// frequencies, written as plot frames and, with LSVF, as blocks of the table file.
#pragma once
#include <string>

#include "run/arrays.hpp"

// KIND: 1 azimuthal, 2 transverse, 3 longitudinal, 4 longitudinal with the logarithmic
// term, 5 and 6 the loss spectra of the longitudinal wake without and with that term.
// Two frames (three for KIND 1 to 4 with LINTZ) on the plot file; a wake too short to
// hold the bunch centre gives a skip record on the report instead.
void zplot(const fix1<std::string, 10> &TITLE, const arr1<float> &W, int NN, int KIND,
           float CUTOFF, float FACTOR);
// Modified Bessel function I0 (polynomial approximations of Abramowitz and Stegun);
// values beyond the float range are limited to 3.4028235E+38.
float bessi0(float X);
