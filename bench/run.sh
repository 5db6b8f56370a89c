#!/bin/bash
# Runs every benchmark program in a folder (build/bench/bench by default) one
# after another; fails, naming them, when any program fails or crashes.
dir="${1:-build/bench/bench}"
failed=""
for b in "$dir"/bench_*; do
  [ -x "$b" ] || continue
  "$b" || failed="$failed ${b##*/}"
done
if [ -n "$failed" ]; then
  echo "make bench: failed:$failed" >&2
  exit 1
fi
