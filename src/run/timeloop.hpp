// The time loop of a run: field steps, wake integration, snapshots, progress lines
// on the terminal and the CPU-time monitor.
#pragma once

// Stop test of the CPU-time monitor: LSTOP = (TSOS > 3600.0), the reserve TSOS (s)
// compared with a fixed hour of time left; no clock is read and TMAX plays no part.
void cpulft(float TSOS, float TMAX, bool &LSTOP);

// Run the time loop of the run, steps k = KSTART .. NT - 1 (KEND the last one entered).
void time_loop();
