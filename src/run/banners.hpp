// Banners of the report: the first-run banner (once, on the deck path) and the banner
// of every later run that is not beam-only (also written by the beam-pipe checks in
// front of the first message of a beam-only run).
#pragma once

void first_run_banner();
// Writes the banner of run IRUN + 1 with the date and time of the clock. The run
// sequence keeps them as the run's date and time (store = true); the banner that the
// beam-pipe checks write for a beam-only run does not store them (store = false).
void run_banner(bool store = true);
// Ordinal suffix of a run number: "ST", "ND", "RD", "TH".
const char *run_suffix(int n);
