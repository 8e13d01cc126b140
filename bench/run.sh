#!/bin/sh
# Speed of the field steps on a large deck: a pillbox behind a long straight left pipe
# (the loop starts behind the pipe, so the computed window holds over two million nodes
# from the first step), a few hundred steps; the monopole step (MROT = 0) and the dipole
# step (MROT = 1) on the same mesh. Prints node-updates per second with one thread and
# with all threads, and their ratio, for each.
#   usage: bench/run.sh [NR]      (default 1000 radial lines, 1 mm mesh)
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$ROOT/build-bench}
NR=${1:-1000}
NTHR=${NTHR:-$(nproc)}
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DZELK_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j "$NTHR" --target zelkcore >/dev/null
g++ -std=c++20 -O3 -DNDEBUG -ffp-contract=off -fopenmp -I "$ROOT/src" \
    "$ROOT/bench/zelk_bench.cpp" "$BUILD/libzelkcore.a" -o "$BUILD/zelk_bench"

WORK=$BUILD/bench_run
mkdir -p "$WORK"
cd "$WORK"

# One case: the deck for mode $1 (0 monopole, 1 dipole, the same mesh and window), run
# with one thread and with all, and the ratio.
bench_case() {
  mrot=$1
  DECK=$WORK/bench_mrot$mrot.in
  # Mesh step 1 mm; cavity radius NR mm; left pipe 2 m long at 90 % of it.
  awk -v nr="$NR" -v mrot="$mrot" 'BEGIN {
    R = nr * 0.001; b = 0.9 * R;
    print " &FILE  LSAV=F, ITEST=0 /";
    if (mrot == 0) print "LARGE MONOPOLE BENCHMARK: PILLBOX BEHIND A LONG LEFT PIPE";
    else print "LARGE DIPOLE BENCHMARK: PILLBOX BEHIND A LONG LEFT PIPE";
    print " &MESH  DDZ=0.001, DDR(1)=0.001 /";
    print "#CAVITYSHAPE";
    print "0.";
    printf "0.0 0.0\n%.4f 0.0\n%.4f 2.0\n%.4f 2.0\n%.4f 2.1\n%.4f 2.1\n%.4f 2.15\n0.0 2.15\n0.0 0.0\n", b, b, R, R, b, b;
    print "9999. 0.";
    printf " &BEAM  SIG=0.005, MROT=%d /\n", mrot;
    print " &TIME  MT=3 /";
    print " &WAKE  UBT=0.05, LCBACK=F /";
    print " &PLOT  /";
    print " &PRIN  /";
    print "STOP";
  }' > "$DECK"
  one=$(OMP_NUM_THREADS=1 "$BUILD/zelk_bench" "$DECK" | grep '^BENCH')
  all=$(OMP_NUM_THREADS=$NTHR "$BUILD/zelk_bench" "$DECK" | grep '^BENCH')
  echo "$one"
  echo "$all"
  r1=$(echo "$one" | sed 's/.*node-updates\/s //')
  rn=$(echo "$all" | sed 's/.*node-updates\/s //')
  awk -v a="$r1" -v b="$rn" -v n="$NTHR" -v m="$mrot" 'BEGIN { printf "MROT=%d node-updates/s: 1 thread %.3g, %d threads %.3g, ratio %.2f\n", m, a, n, b, b / a }'
}

bench_case 0
bench_case 1
