// Radial line of the straight wake-integration path.
#pragma once

// KMIN = the lower beam-pipe line, or the wake line when the conventional method is
// forced (LNONAP) below the pipes.
void setkmin();
