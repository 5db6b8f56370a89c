#!/bin/bash
# Runs every benchmark program in a folder (build/bench/bench by default) one
# after another; fails, naming them, when any program fails or crashes, or
# when a figure is over its target twice. A program that prints a figure OVER
# is measured again once, at once: only the benchmarks behind its figures over
# when the harness names them for all of those figures, else the whole
# program. A busy moment can put a figure over once; a figure over again is
# over.
dir="${1:-build/bench/bench}"
log=$(mktemp) || exit 1
trap 'rm -f "$log"' EXIT
failed=""

# Runs a program with the arguments given, its output shown and kept in $log;
# its exit status.
measure() {
  "$@" 2>&1 | tee "$log"
  return "${PIPESTATUS[0]}"
}
# How many verdicts of the last run say OVER (bench/Targets.h's words).
over_count() { grep -o 'or less: OVER\|ms: OVER' "$log" | wc -l; }

for b in "$dir"/bench_*; do
  [ -x "$b" ] || continue
  name=${b##*/}
  if ! measure "$b"; then
    failed="$failed $name"
    continue
  fi
  over=$(over_count)
  [ "$over" -eq 0 ] && continue
  again=("$b")
  named=$(sed -nE 's/^([0-9]+) figures? over the target; the benchmarks alone: (--benchmark_filter=.*)$/\1 \2/p' "$log" |
    tail -n 1)
  [ "${named%% *}" = "$over" ] && again+=("${named#* }")
  echo "make bench: $name: figures over the target: $over; measuring again: ${again[*]}"
  if ! measure "${again[@]}"; then
    failed="$failed $name"
  elif [ "$(over_count)" -ne 0 ]; then
    echo "make bench: $name: over the target again"
    failed="$failed $name"
  elif ! grep -q 'or less: holds\|ms: holds' "$log"; then
    echo "make bench: $name: measured nothing again"
    failed="$failed $name"
  else
    echo "make bench: $name: measured again, every figure holds"
  fi
done
if [ -n "$failed" ]; then
  echo "make bench: failed:$failed" >&2
  exit 1
fi
