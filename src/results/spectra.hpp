// Impedance and loss-factor spectra of a wake: the windowed discrete Fourier sum at 624
// frequencies, written as plot frames and, with LSVF, as blocks of the table file.
#pragma once
#include <string>

#include "run/arrays.hpp"

// KIND: 1 azimuthal, 2 transverse, 3 longitudinal, 4 longitudinal with the logarithmic
// term, 5 and 6 the loss spectra of the longitudinal wake without and with that term.
void zplot(const fix1<std::string, 10> &TITLE, const arr1<float> &W, int NN, int KIND,
           float CUTOFF, float FACTOR);
// Modified Bessel function I0 (polynomial approximations of Abramowitz and Stegun).
float bessi0(float X);
