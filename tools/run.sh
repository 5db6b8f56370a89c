#!/usr/bin/env bash
# Starts the program from a build folder. Its folders (Settings/, Import/,
# MyWork/) live beside the executable; a first run gets the resource list
# from resources/ListDB.txt.
set -euo pipefail
build=${1:-build/release}
exe="$build/client/borrowline"
if [ ! -x "$exe" ]; then
  echo "The program is not built: $exe is missing." >&2
  exit 1
fi
settings="$(dirname "$exe")/Settings"
if [ ! -e "$settings/ListDB.txt" ]; then
  mkdir -p "$settings"
  cp "$(dirname "$0")/../resources/ListDB.txt" "$settings/ListDB.txt"
fi
exec "$exe"
