// Wake plot frame of the plot command file: the normalised charge density and wake
// potentials, one curve each with its line style and a legend inside the plotting
// area, and below it one legend line per wake with its extrema and loss or kick factor.
#pragma once
#include <string>

#include "run/arrays.hpp"

// Legend position inside the plotting area (data units).
struct wzero_t {
  float XLEGW = 0.0f;  // horizontal unit of the legend sample
  float YLEGW = 0.0f;  // height of the next legend
  float DYLEGW = 0.0f; // spacing between legends
};
// Position of the legend lines below the plotting area (page units).
struct azero_t {
  float XLEGA = 0.0f;  // left end
  float YLEGA = 0.0f;  // height of the next line
  float DYLEGA = 0.0f; // spacing
};

extern wzero_t wzero;
extern azero_t azero;

// KIND 0 or less: the frame header, titles and limits of RANGE = (XMIN, XMAX, YMIN,
// YMAX). KIND 1 .. 5 (charge density, azimuthal, transverse, longitudinal, longitudinal
// with the logarithmic term): the curve Y(1 .. N) at S = (j - 1)*DDZ and its legend.
void wplot(const fix1<std::string, 10> &TITLE, const arr1<float> &Y, int N, int KIND,
           const fix1<float, 4> &RANGE);
// KIND 0 or less resets the legend lines; KIND 2 .. 5 writes the line of that wake:
// its extrema WMIN, WMAX and its loss or kick factor WINT, in the printed units.
void wpadd(float WMIN, float WMAX, float WINT, int MROT, int KIND);
