// Table file (unit ndev.NPOT): one text block per wake potential or spectrum curve.
#pragma once
#include <string>
#include <vector>

#include "run/arrays.hpp"

// The run title as nine texts of 8 characters (the title records of the tables and of
// the wake report).
std::vector<std::string> title9(const fix1<std::string, 10> &TITLE);

// The wake tables, the KIND of wprin: the curve name and the unit of the values.
enum wake_table : int {
  TABLE_LONGITUDINAL = 1,        // monopole, V/pC
  TABLE_AZIMUTHAL = 2,           // V/pC/m
  TABLE_TRANSVERSE = 3,          // V/pC/m
  TABLE_LONGITUDINAL_DIPOLE = 4, // V/pC/m**2
  TABLE_LONGITUDINAL_LOG = 5,    // with the logarithmic term of unequal pipes, V/pC
};

// Labels of a spectrum curve. On its plot frames: main title (A40), bottom title (A17),
// left title (A34) and the case marks of the left title (A34) that the plotting program
// reads under it. On its block of the table file: curve name (A57), frequency head (A13)
// and value head (A17).
struct spectrum_label_t {
  const char *MAIN, *BOTTOM, *LEFT, *CASES;
  const char *NAME, *FREQHEAD, *VALHEAD;
};
// By IALEG, 1 .. 19 (row 0 is empty): real and imaginary parts of the azimuthal,
// transverse and longitudinal impedances (monopole, dipole, with the logarithmic term),
// the loss-factor spectra and their integrals, and the integrated impedances.
extern const spectrum_label_t SPECTRUM_LABEL[20];

void wprin(const fix1<std::string, 10> &TITLE, const arr1<float> &W, int N, int KIND,
           float SCALE);
void zprin(const fix1<std::string, 10> &TITLE, const arr1<float> &FR, const arr1<float> &Y,
           int NF, int IALEG);
