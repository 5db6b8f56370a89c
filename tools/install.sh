#!/usr/bin/env bash
# Puts a built program file into the folder the program runs from, outside the
# build folders, so that a clean build never takes the user's folders with it.
#   tools/install.sh BUILT_PROGRAM PROGRAM_FOLDER [OLD_FOLDER]
# The program file is replaced by rename, so a copy still running keeps its own.
# A user's folders left beside the program file in OLD_FOLDER (where earlier
# builds ran it) are copied over once, never over folders already there.
set -euo pipefail
built=$1
folder=$2
old=${3:-}
if [ ! -x "$built" ]; then
  echo "The program is not built: $built is missing." >&2
  exit 1
fi
mkdir -p "$folder"
tmp="$folder/.borrowline.new.$$"
trap 'rm -f "$tmp"' EXIT
cp "$built" "$tmp"
chmod 755 "$tmp"
mv -f "$tmp" "$folder/borrowline"
if [ -n "$old" ]; then
  for d in Settings Import MyWork; do
    if [ -d "$old/$d" ] && [ ! -e "$folder/$d" ]; then
      cp -a "$old/$d" "$folder/$d"
      echo "Copied $old/$d to $folder/$d." >&2
    fi
  done
fi
