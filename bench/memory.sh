#!/bin/sh
# Memory per mesh node of a monopole run: the peak resident size of the bench program on
# a mesh of about 5 million and one of about 20 million nodes (the bench geometry, 2150
# columns of 1 mm), and the difference over the difference of the node counts, so that
# what does not grow with the mesh drops out.
#   usage: bench/memory.sh        (BUILD as for bench/run.sh; run that first)
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$ROOT/build-bench}
WORK=$BUILD/bench_run
mkdir -p "$WORK"
cd "$WORK"
for nr in 2326 9302; do
  awk -v nr="$nr" 'BEGIN {
    R = nr * 0.001; b = 0.9 * R;
    print " &FILE  LSAV=F, ITEST=0 /";
    print "MEMORY PER MESH NODE";
    print " &MESH  DDZ=0.001, DDR(1)=0.001 /";
    print "#CAVITYSHAPE";
    print "0.";
    printf "0.0 0.0\n%.4f 0.0\n%.4f 2.0\n%.4f 2.0\n%.4f 2.1\n%.4f 2.1\n%.4f 2.15\n0.0 2.15\n0.0 0.0\n", b, b, R, R, b, b;
    print "9999. 0.";
    print " &BEAM  SIG=0.005, MROT=0 /";
    print " &TIME  MT=3 /";
    print " &WAKE  UBT=0.01, LCBACK=F /";
    print " &PLOT  /";
    print " &PRIN  /";
    print "STOP";
  }' > mem$nr.in
  "$BUILD/zelk_bench" mem$nr.in | grep '^PEAK' > mem$nr.txt
done
awk '{ n[NR] = $3; k[NR] = $4 } END {
  printf "monopole: %.0f nodes %.0f kB, %.0f nodes %.0f kB peak: %.1f bytes per mesh node\n",
         n[1], k[1], n[2], k[2], (k[2] - k[1]) * 1024 / (n[2] - n[1]) }' mem2326.txt mem9302.txt
