// The time loop of a run: field steps, wake integration, snapshots, progress lines
// on the terminal and the CPU-time monitor.
#pragma once

// Stop test of the CPU-time monitor: LSTOP set when the time left before TMAX
// (seconds) is less than the safety margin TSOS.
void cpulft(float TSOS, float TMAX, bool &LSTOP);

// Run the time loop from KSTART to KEND.
void time_loop();
