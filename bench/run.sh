#!/bin/sh
# Speed of the field steps on a large deck: a pillbox behind a long straight left pipe
# (the loop starts behind the pipe, so the computed window holds over two million nodes
# from the first step), a few hundred steps; the monopole step (MROT = 0) and the dipole
# step (MROT = 1) on the same mesh. Prints node-updates per second with one thread and
# with all threads, and their ratio, for each; then, for the monopole deck, the time of
# each of two runs at once against the time of one run alone (the slower of the two, as a
# ratio). The runs take a few tenths of a second and their times vary from run to run
# on a shared machine, so each figure is the median of REPS runs (default 5).
#   usage: bench/run.sh [NR]      (default 1000 radial lines, 1 mm mesh)
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$ROOT/build-bench}
NR=${1:-1000}
NTHR=${NTHR:-$(nproc)}
REPS=${REPS:-5}
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DZELK_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j "$NTHR" --target zelkcore >/dev/null
g++ -std=c++20 -O3 -DNDEBUG -ffp-contract=off -fopenmp -I "$ROOT/src" \
    "$ROOT/bench/zelk_bench.cpp" "$BUILD/libzelkcore.a" -o "$BUILD/zelk_bench"

WORK=$BUILD/bench_run
mkdir -p "$WORK"
cd "$WORK"

# The BENCH line of the run of median time among REPS runs of deck $2 on $1 threads.
median_run() {
  i=0
  : > runs.txt
  while [ "$i" -lt "$REPS" ]; do
    OMP_NUM_THREADS=$1 "$BUILD/zelk_bench" "$2" | grep '^BENCH' >> runs.txt
    i=$((i + 1))
  done
  sed 's/.* time \([0-9.]*\) s.*/\1 &/' runs.txt | sort -g | sed -n "$(( (REPS + 1) / 2 ))p" | cut -d' ' -f2-
}

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
  one=$(median_run 1 "$DECK")
  all=$(median_run "$NTHR" "$DECK")
  echo "$one"
  echo "$all"
  r1=$(echo "$one" | sed 's/.*node-updates\/s //')
  rn=$(echo "$all" | sed 's/.*node-updates\/s //')
  awk -v a="$r1" -v b="$rn" -v n="$NTHR" -v m="$mrot" 'BEGIN { printf "MROT=%d node-updates/s: 1 thread %.3g, %d threads %.3g, ratio %.2f\n", m, a, n, b, b / a }'
}

bench_case 0
alone=$(echo "$all" | sed 's/.* time \([0-9.]*\) s.*/\1/')
pairdeck=$DECK
rn0=$rn
bench_case 1
awk -v a="$rn0" -v b="$rn" -v n="$NTHR" 'BEGIN { printf "MROT=1 over MROT=0 with %d threads: %.2f\n", n, b / a }'

# Two runs of the monopole deck at once, NTHR threads each (a parameter scan on one
# machine): the time of the slower of the two against the time of the run alone (the
# median of REPS such pairs).
i=0
: > pairs.txt
while [ "$i" -lt "$REPS" ]; do
  OMP_NUM_THREADS=$NTHR "$BUILD/zelk_bench" "$pairdeck" | grep '^BENCH' > pair1.txt &
  OMP_NUM_THREADS=$NTHR "$BUILD/zelk_bench" "$pairdeck" | grep '^BENCH' > pair2.txt &
  wait
  p1=$(sed 's/.* time \([0-9.]*\) s.*/\1/' pair1.txt)
  p2=$(sed 's/.* time \([0-9.]*\) s.*/\1/' pair2.txt)
  awk -v b="$p1" -v c="$p2" 'BEGIN { m = b > c ? b : c; printf "%.3f %.3f %.3f\n", m, b, c }' >> pairs.txt
  i=$((i + 1))
done
sort -g pairs.txt | sed -n "$(( (REPS + 1) / 2 ))p" | awk -v a="$alone" -v n="$NTHR" '{
  printf "MROT=0 two runs at once, %d threads each: %.3f s and %.3f s against %.3f s alone, ratio %.2f\n", n, $2, $3, a, $1 / a }'
