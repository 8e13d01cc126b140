// CPU time and date services.
#pragma once
#include <string>

// MODE <= 1 start mark, 2 lap since the last mark, >= 3 total since the start; seconds
// of process CPU time divided by the number of threads taken at the start mark.
void cputim(float &TUSED, int MODE);
// Date "dd/mm/yy" (I2,'/',I2,'/',I2.2) and time "hh.mm.ss" (I2.2,'.',I2.2,'.',I2.2).
void datime(std::string &CDATE, std::string &CTIME);
