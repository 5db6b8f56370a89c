#!/bin/bash
# Runs every benchmark program in a folder (build/bench/bench by default) one
# after another; fails, naming them, when any program fails or crashes, or
# when a figure is over its target twice. A program that prints a figure OVER
# is measured again once, at once: only the benchmarks behind its figures over
# when the harness names them for all of those figures, else the whole
# program. A busy moment can put a figure over once; a figure over again is
# over. Each figure over the first time is shown as the second measure found
# it, and one the second measure did not print fails: nothing says it holds.
dir="${1:-build/bench/bench}"
log=$(mktemp) || exit 1
first=$(mktemp) || exit 1
trap 'rm -f "$log" "$first"' EXIT
failed=""

# Runs a program with the arguments given, its output shown and kept in $log;
# its exit status.
measure() {
  "$@" 2>&1 | tee "$log"
  return "${PIPESTATUS[0]}"
}
# How many verdicts of the last run say OVER (bench/Targets.h's words).
over_count() { grep -o 'or less: OVER\|ms: OVER' "$log" | wc -l; }

# The verdicts in a program's output, a line each: the figure's name, its
# verdict and its line, tab-separated. A figure is named by its line up to its
# verdict with the values measured in it masked (they change between measures,
# in the unit too), so a line with two verdicts names two figures.
figures() {
  awk '{
    rest = $0
    upto = ""
    while (match(rest, /(or less|ms): (OVER|holds|CHECK FAILED)/)) {
      words = substr(rest, RSTART, RLENGTH)
      colon = index(words, ": ")
      upto = upto substr(rest, 1, RSTART - 1) substr(words, 1, colon + 1)
      name = upto
      gsub(/[0-9]+\.[0-9]+( [um]s)?/, "#", name)
      gsub(/OVER|holds|CHECK FAILED/, "?", name)
      print name "\t" substr(words, colon + 2) "\t" $0
      upto = upto "?"
      rest = substr(rest, RSTART + RLENGTH)
    }
  }' "$1"
}

# Prints, for each figure over in the first measure (figures() of it in
# $first), its line in the second (in $log), or that it was not measured
# again; fails when one was not.
show_again() {
  figures "$log" | awk -F'\t' -v program="$1" '
    NR == FNR { if ($2 == "OVER" && !($1 in asked)) { asked[$1] = $3; order[++n] = $1 } next }
    !($1 in again) { again[$1] = $3 }
    END {
      for (i = 1; i <= n; i++) {
        name = order[i]
        found = (name in again)
        line = found ? again[name] : asked[name]
        sub(/^[ \t]+/, "", line)
        line = "make bench: " program ": over the first time, " (found ? "measured again: " : "NOT measured again; the first measure printed: ") line
        if (!(line in shown)) print line
        shown[line] = 1
        if (!found) missing = 1
      }
      exit missing + 0
    }' "$first" -
}

for b in "$dir"/bench_*; do
  [ -x "$b" ] || continue
  name=${b##*/}
  if ! measure "$b"; then
    failed="$failed $name"
    continue
  fi
  over=$(over_count)
  [ "$over" -eq 0 ] && continue
  figures "$log" >"$first"
  again=("$b")
  named=$(sed -nE 's/^([0-9]+) figures? over the target; the benchmarks alone: (--benchmark_filter=.*)$/\1 \2/p' "$log" |
    tail -n 1)
  [ "${named%% *}" = "$over" ] && again+=("${named#* }")
  echo "make bench: $name: figures over the target: $over; measuring again: ${again[*]}"
  if ! measure "${again[@]}"; then
    failed="$failed $name"
    continue
  fi
  held=1
  if ! show_again "$name"; then
    echo "make bench: $name: a figure over the target was not measured again"
    held=0
  fi
  if [ "$(over_count)" -ne 0 ]; then
    echo "make bench: $name: over the target again"
    held=0
  fi
  if [ "$held" = 1 ]; then
    echo "make bench: $name: measured again, every figure holds"
  else
    failed="$failed $name"
  fi
done
if [ -n "$failed" ]; then
  echo "make bench: failed:$failed" >&2
  exit 1
fi
