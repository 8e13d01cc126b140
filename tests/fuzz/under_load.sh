#!/usr/bin/env bash
# The seeded fuzz pass of `make test` run twice from one seed: once alone, once beside
# three busy processes per core (started here and ended here). The verdicts must not
# depend on the load: the script prints the counts of every ending of both passes and
# ends with status 0 when they are the same and every mutant ended the same way in both,
# 1 otherwise (the mutants whose endings differ are listed).
#
#   tests/fuzz/under_load.sh [BUILD_DIR] [SEED] [COUNT]
#
# BUILD_DIR defaults to build-san (the sanitizer build that `make test` fuzzes; a plain
# build works too), SEED to 1, COUNT to 300; JOBS (environment) to the number of cores.
# The busy processes are plain shell loops that use no memory.
set -euo pipefail
cd "$(dirname "$0")/../.."

build=${1:-build-san}
seed=${2:-1}
count=${3:-300}
jobs=${JOBS:-$(nproc)}
[ -x "$build/zelk" ] && [ -x "$build/zelk_fuzz" ] || { echo "under_load.sh: no $build/zelk and $build/zelk_fuzz" >&2; exit 2; }
san=()
grep -q '^ZELK_SANITIZE:BOOL=ON' "$build/CMakeCache.txt" 2>/dev/null && san=(--sanitized)

tmp=$(mktemp -d /tmp/zelk_under_load.XXXXXX)
busy=()
finish() {
  for p in "${busy[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap finish EXIT

# The arguments of the pass in the Makefile's test target.
pass() {
  local t0=$SECONDS
  "$build/zelk_fuzz" --zelk "$build/zelk" "${san[@]}" --seed "$seed" --count "$count" --jobs "$jobs" \
    --cpu 30 --stall 300 --mem 1024 --work "$tmp/work-$1" --list "$tmp/$1.list" \
    examples/pillbox.in tests/decks/*.in >"$tmp/$1.log" || true
  # The counts of the endings: the lines between the heading and the closing line.
  sed -n '/^zelk_fuzz: seed/,/^fuzz:/p' "$tmp/$1.log" | grep '^  ' >"$tmp/$1.counts"
  # The endings of the mutants one by one, without their processor times.
  sed 's/ [0-9.]* s: /: /' "$tmp/$1.list" >"$tmp/$1.endings"
  echo "  $((SECONDS - t0)) s on the clock; the longest mutant took" \
    "$(sort -k3 -g "$tmp/$1.list" | tail -1 | cut -d' ' -f3) s of processor time"
}

echo "alone: $count mutants from seed $seed, $jobs at a time"
pass alone
cat "$tmp/alone.counts"

n=$((3 * $(nproc)))
for _ in $(seq "$n"); do
  bash -c 'while :; do :; done' &
  busy+=($!)
done
echo "beside $n busy processes"
pass loaded
finish
busy=()
cat "$tmp/loaded.counts"

if cmp -s "$tmp/alone.counts" "$tmp/loaded.counts" && cmp -s "$tmp/alone.endings" "$tmp/loaded.endings"; then
  echo "under_load: the same counts of every ending, each mutant ending the same way"
  rm -rf "$tmp"
  exit 0
fi
echo "under_load: the endings differ; the mutants whose endings differ (alone | loaded):"
awk 'NR == FNR { e = $0; sub(/^[^:]*: /, "", e); a[$1] = e; c[$1] = $3; next }
     { e = $0; sub(/^[^:]*: /, "", e)
       if (a[$1] != e) print "  mutant " $1 " of " $2 ": " a[$1] " (" c[$1] " s) | " e " (" $3 " s)" }' \
  "$tmp/alone.list" "$tmp/loaded.list"
echo "logs in $tmp"
exit 1
