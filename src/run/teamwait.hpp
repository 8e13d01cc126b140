// How the threads of the field step wait for each other, and how many there are.
#pragma once

// Before the thread team starts: unless the user chose the waiting (OMP_WAIT_POLICY or
// GOMP_SPINCOUNT in the environment), bound the spinning of an idle thread to about a
// time step's work before it sleeps, by restarting the program once with GOMP_SPINCOUNT
// set (the OpenMP runtime reads its environment when it is loaded). Called first thing
// in main with its argv; returns only when nothing is to be done or the restart failed.
void team_wait_setup(char **argv);

// Spin count of the bounded waiting: iterations of the runtime's pause loop.
inline constexpr const char *TEAM_SPINCOUNT = "30000";

// Thread count that follows the free cores (teamcom): with FOLLOW set, team_follow (at
// the start of every field step) measures, every TEAM_PERIOD seconds, the cores that
// other processes kept busy and sets the team for the next steps to the cores left,
// between 1 and the thread count the run started with (NMAX). The results do not depend
// on the thread count.
struct teamcom_t {
  bool FOLLOW = false;
  int NMAX = 0;       // threads at the start of the run (OMP_NUM_THREADS)
  int NOW = 0;        // threads of the team now
  double T0 = 0.0;    // wall time of the last measurement (s)
  double BUSY0 = 0.0; // busy time of all cores then (s)
  double OWN0 = 0.0;  // CPU time of this process then (s)
};
extern teamcom_t teamcom;
inline constexpr double TEAM_PERIOD = 0.1;
void team_follow();
