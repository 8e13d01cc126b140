// Decks of the solver tests that more than one test file steps.
#pragma once
#include <sstream>
#include <string>

// A long cavity (R = 5 cm, 1 m long, pipes of 1 cm) and a bunch of SIG = 2 mm on a mesh
// of 1 mm, wake of 10 cm: with the moving back (the default) the back of the window and
// the stored window move through most of the cavity; with LCBACK=F in wake_extra column 1
// stays in every window. MT = 4 lets four steps share a window. A cavity of another
// length (m) keeps the pipes.
inline std::string long_cavity(const std::string &wake_extra, int mrot = 0, int mt = 3, double length = 1.0) {
  const std::string z1 = std::to_string(0.02 + length), z2 = std::to_string(0.04 + length);
  return " &FILE  LSAV=F /\n"
         "LONG CAVITY, SHORT BUNCH\n"
         " &MESH  DDZ=0.001, DDR(1)=0.001 /\n"
         "#CAVITYSHAPE\n0.\n"
         "0.0 0.0\n0.01 0.0\n0.01 0.02\n0.05 0.02\n0.05 " + z1 + "\n0.01 " + z1 + "\n0.01 " + z2 + "\n0.0 " + z2 +
         "\n0.0 0.0\n"
         "9999. 0.\n"
         " &BEAM  SIG=0.002, MROT=" +
         std::to_string(mrot) +
         " /\n"
         " &TIME  MT=" +
         std::to_string(mt) +
         " /\n"
         " &WAKE  UBT=0.1" +
         wake_extra +
         " /\n"
         " &PLOT  /\n &PRIN  /\nSTOP\n";
}

// A tall structure (17001 radial lines of 1 mm) so that a window of two columns already
// holds more than 32768 nodes and is stepped by the thread team: a left pipe up to 5 mm,
// a 45-degree cone (cut cells) up to 13 mm, a flat top, a cone back down from 20 to 30 mm
// and a right pipe. The drive ring on the pipe wall drives Ez where the wall recedes at the
// cone. All columns are held (no LCBACK): column 1 is in every window. The dipole (the
// ring below the wall, so that its fields are not 0) takes the same mesh.
inline std::string tall_deck(int mrot = 0) {
  std::ostringstream d;
  d << " &FILE  LSAV=F, ITEST=0 /\n"
    << "TALL CONES\n"
    << " &MESH  DDZ=0.001, DDR(1)=0.001 /\n"
    << "#CAVITYSHAPE\n0.\n"
    << "0.0 0.0\n16.990 0.0\n16.990 0.005\n16.998 0.013\n17.0 0.013\n17.0 0.020\n"
    << "16.990 0.030\n16.990 0.040\n0.0 0.040\n0.0 0.0\n9999. 0.\n"
    << " &BEAM  SIG=0.004, MROT=" << mrot << (mrot == 1 ? ", RDRIVE=16.985" : "") << " /\n"
    << " &TIME  MT=3 /\n"
    << " &WAKE  UBT=0.01, LCBACK=F /\n"
    << " &PLOT  /\n &PRIN  /\nSTOP\n";
  return d.str();
}
