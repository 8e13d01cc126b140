#!/usr/bin/env bash
# Runs every example and test deck, and variants of each (all plots and tables on, dipole,
# Napoly, TAVO, straight-line wake, full mesh in memory), with one program, and keeps the
# report, table and plot files with dates and CPU times masked, so that two builds can be
# compared file by file:
#
#   tests/corpus/run.sh OLD/zelk /tmp/old
#   tests/corpus/run.sh NEW/zelk /tmp/new
#   diff -r /tmp/old /tmp/new && echo identical
#
# CORPUS_JOBS runs so many decks at once (default: the cores); CORPUS_THREADS threads per run
# (default 2); CORPUS_CPU the CPU seconds and CORPUS_MEM the kilobytes of address space one run may take (default 120 and 4 GiB). A run's exit status and
# standard error are kept with its files, so a changed ending shows in the diff too.
set -u
zelk=$(realpath "$1"); out=$2
top=$(cd "$(dirname "$0")/../.." && pwd)
jobs=${CORPUS_JOBS:-$(nproc)}
mkdir -p "$out"

# Variant VAR of deck IN written to OUT: extra assignments put at the head of a group.
variant() {
  local in=$1 var=$2 outf=$3
  case $var in
    base)   cp "$in" "$outf" ;;
    plots)  sed -E -e 's/^([ ]*[&$]PLOT)\b/\1 LFFT=T, LFFTL=T, LFFTT=T, LFFTA=T, LPLW=T, LPLWL=T, LPLWT=T, LPLWA=T, LCAVIN=T, LCAVUS=T, LSPEC=T, LWNDW=T,/' \
                -e 's/^([ ]*[&$]PRINT?)\b/\1 LMATPR=T, LSVW=T, LSVWL=T, LSVWT=T, LSVWA=T, LSVF=T, LPPW=T, LPRW=T,/' "$in" > "$outf" ;;
    dipole) sed -E -e 's/MROT *= *0/MROT=1/g' "$in" > "$outf" ;;
    napoly) sed -E -e 's/^([ ]*[&$]WAKE)\b/\1 LNAPOLY=T,/' "$in" > "$outf" ;;
    tavo)   sed -E -e 's/^([ ]*[&$]WAKE)\b/\1 LTAVO=T,/' "$in" > "$outf" ;;
    nonap)  sed -E -e 's/^([ ]*[&$]WAKE)\b/\1 LNONAP=T,/' "$in" > "$outf" ;;
    fullmesh) sed -E -e 's/^([ ]*[&$]WAKE)\b/\1 LCBACK=F,/' -e 's/^([ ]*[&$]PLOT)\b/\1 LPLE=T, LPLC=T,/' "$in" > "$outf" ;;
  esac
}

list=()
for deck in "$top"/examples/*.in "$top"/tests/decks/*.in; do
  for var in base plots dipole napoly tavo nonap fullmesh; do list+=("$deck:$var"); done
done

one() {
  local deck=${1%:*} var=${1##*:}
  local name; name=$(basename "$deck" .in)
  local d="$out/$name.$var"
  rm -rf "$d"; mkdir -p "$d"
  variant "$deck" "$var" "$d/case.in"
  # Decks that continue from a save file find the saves of their base run beside them.
  ( cd "$d" && ulimit -t "${CORPUS_CPU:-120}" -v "${CORPUS_MEM:-4194304}" && OMP_NUM_THREADS=${CORPUS_THREADS:-2} \
      "$zelk" case.in > stdout.txt 2> stderr.txt < /dev/null; echo "exit $?" > status.txt )
  for f in "$d"/case.out "$d"/case.pot "$d"/case.top "$d"/stdout.txt; do
    [ -f "$f" ] || continue
    sed -E -i -e 's#[0-9]{2}/[0-9]{2}/[0-9]{2}#DD/MM/YY#g' -e 's#[0-9]{2}\.[0-9]{2}\.[0-9]{2}#HH.MM.SS#g' \
      -e '/CPU ?TIME|Cpu Time/s/[-+0-9.E]+/T/g' -e '/TIME LEFT|SEC/s/[0-9]+\.[0-9]+/T/g' "$f"
  done
  if [ -f "$d/fort.1" ]; then cmp -s "$d/fort.1" /dev/null; sha1sum < "$d/fort.1" > "$d/fort.1.sha"; rm -f "$d/fort.1"; fi
  rm -f "$d/fort.2"
}
export -f one variant; export zelk out top
printf '%s\n' "${list[@]}" | xargs -P "$jobs" -I{} bash -c 'one "$@"' _ {}
echo "corpus: ${#list[@]} runs in $out"
