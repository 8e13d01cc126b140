// How the threads of the field step wait for each other.
#pragma once

// Before the thread team starts: unless the user chose the waiting (OMP_WAIT_POLICY or
// GOMP_SPINCOUNT in the environment), bound the spinning of an idle thread to about a
// time step's work before it sleeps, by restarting the program once with GOMP_SPINCOUNT
// set (the OpenMP runtime reads its environment when it is loaded). Called first thing
// in main with its argv; returns only when nothing is to be done or the restart failed.
void team_wait_setup(char **argv);

// Spin count of the bounded waiting: iterations of the runtime's pause loop.
inline constexpr const char *TEAM_SPINCOUNT = "10000";
