#!/usr/bin/env bash
# Puts a built program file and its search process into the folder the program
# runs from, outside the build folders, so that a clean build never takes the
# user's folders with it. The program finds its search process beside it.
#   tools/install.sh BUILT_PROGRAM BUILT_SEARCH_PROCESS PROGRAM_FOLDER [OLD_FOLDER]
# Each file is replaced by rename, so a copy still running keeps its own.
# A user's folders left beside the program file in OLD_FOLDER (where earlier
# builds ran it) are copied over once, never over folders already there.
set -euo pipefail
built=$1
search=$2
folder=$3
old=${4:-}
for file in "$built" "$search"; do
  if [ ! -x "$file" ]; then
    echo "The program is not built: $file is missing." >&2
    exit 1
  fi
done
mkdir -p "$folder"
tmp="$folder/.borrowline.new.$$"
trap 'rm -f "$tmp"' EXIT
# The search process first: a program file put in place finds the one it was built with.
for pair in "$search:lendsrv" "$built:borrowline"; do
  cp "${pair%%:*}" "$tmp"
  chmod 755 "$tmp"
  mv -f "$tmp" "$folder/${pair##*:}"
done
if [ -n "$old" ]; then
  for d in Settings Import MyWork; do
    if [ -d "$old/$d" ] && [ ! -e "$folder/$d" ]; then
      cp -a "$old/$d" "$folder/$d"
      echo "Copied $old/$d to $folder/$d." >&2
    fi
  done
fi
