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

// The curves of the frame, the KIND of wplot and wpadd. FRAME_HEAD stands for the frame
// itself: wplot writes its header, titles and limits, wpadd resets the legend lines.
enum wake_curve : int {
  FRAME_HEAD = 0,
  CURVE_CHARGE = 1,
  CURVE_AZIMUTHAL = 2,
  CURVE_TRANSVERSE = 3,
  CURVE_LONGITUDINAL = 4,
  CURVE_LONGITUDINAL_LOG = 5, // with the logarithmic term of unequal pipes
};

// KIND 0 or less: the frame header, titles and limits of RANGE = (XMIN, XMAX, YMIN,
// YMAX). KIND 1 .. 5 (charge density, azimuthal, transverse, longitudinal, longitudinal
// with the logarithmic term): the curve Y(1 .. N) at S = (j - 1)*DDZ and its legend.
void wplot(const fix1<std::string, 10> &TITLE, const arr1<float> &Y, int N, int KIND,
           const fix1<float, 4> &RANGE);
// KIND 0 or less resets the legend lines; KIND 2 .. 5 writes the line of that wake:
// its extrema WMIN, WMAX and its loss or kick factor WINT, in the printed units.
void wpadd(float WMIN, float WMAX, float WINT, int MROT, int KIND);
