// ZELK_MP: the main program.
#include "run/teamwait.hpp"

int zelk_mp(int argc, char **argv);
int main(int argc, char **argv) {
  team_wait_setup(argv);
  teamcom.FOLLOW = true;
  return zelk_mp(argc, argv);
}
