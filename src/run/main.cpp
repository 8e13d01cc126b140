// ZELK_MP: the main program.
int zelk_mp(int argc, char **argv);
int main(int argc, char **argv) { return zelk_mp(argc, argv); }
