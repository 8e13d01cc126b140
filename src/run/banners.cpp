// Banners of the report.
#include "run/banners.hpp"

#include "run/clock.hpp"
#include "run/constants.hpp"
#include "run/params.hpp"
#include "run/records.hpp"

static const std::string STARS76(76, '*');

static void frame_line() { rec(ndev.NOUT, "(1X,'*',74X,'*')"); }

static std::string title72() {
  std::string t;
  for (int k = 1; k <= 9; ++k) t += padto(mp.TITLE(k), 8);
  return t;
}

void first_run_banner() {
  const int u = ndev.NOUT;
  rec(u, "(1X,A)", STARS76);
  frame_line();
  rec(u, "(1X,'* ',29X,'ZELK_MP',36X,' *')");
  frame_line();
  rec(u, "(1X,'* ',A72,' *')", padto("Vornalis in a cylindrically symmetric structure", 72));
  frame_line();
  rec(u, "(1X,'* ',A72,' *')", title72());
  frame_line();
  rec(u, "(1X,'* ','    DATE:',A8,'   TIME:',A8,3X,' VERSION 12.5,  NOVEMBER 2007  ',5X,' *')",
      wpt.CDATE, wpt.CTIME);
  frame_line();
  rec(u, "(1X,A)", STARS76);
  rec(u, "()");
}

const char *run_suffix(int n) {
  if (n == 1) return "ST";
  if (n == 2) return "ND";
  if (n == 3) return "RD";
  return "TH";
}

void run_banner(bool store) {
  const int u = ndev.NOUT;
  std::string cdate, ctime;
  datime(cdate, ctime);
  if (store) {
    wpt.CDATE = cdate;
    wpt.CTIME = ctime;
  }
  rec(u, "('1',A)", STARS76);
  frame_line();
  rec(u, "(1X,'* ',23X,'ZELK_MP',3X,I2,A2,' RUN',31X,' *')", mp.IRUN + 1,
      run_suffix(mp.IRUN + 1));
  frame_line();
  rec(u, "(1X,'* ','  DATE:',A8,'   TIME:',A8,3X,' VERSION 12.5,  NOVEMBER 2007  ',7X,' *')",
      cdate, ctime);
  frame_line();
  rec(u, "(1X,A)", STARS76);
  rec(u, "()");
}
