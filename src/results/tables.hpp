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

void wprin(const fix1<std::string, 10> &TITLE, const arr1<float> &W, int N, int KIND,
           float SCALE);
void zprin(const fix1<std::string, 10> &TITLE, const arr1<float> &FR, const arr1<float> &Y,
           int NF, int IALEG);
