// Table file (unit ndev.NPOT): one text block per wake potential or spectrum curve.
#pragma once
#include <string>
#include <vector>

#include "run/arrays.hpp"

// The run title as nine texts of 8 characters (the title records of the tables and of
// the wake report).
std::vector<std::string> title9(const fix1<std::string, 10> &TITLE);

void wprin(const fix1<std::string, 10> &TITLE, const arr1<float> &W, int N, int KIND,
           float SCALE);
void zprin(const fix1<std::string, 10> &TITLE, const arr1<float> &FR, const arr1<float> &Y,
           int NF, int IALEG);
