// Main program and run sequence.
int zelk_mp(int argc, char **argv) { return 0; }
