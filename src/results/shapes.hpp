// Structure shape frames of the plot command file: the input shape and the shape used.
#pragma once

void cplot();
void uplot();
