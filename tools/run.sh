#!/usr/bin/env bash
# Starts the program from a build folder.
set -euo pipefail
build=${1:-build/release}
exe="$build/client/borrowline"
if [ ! -x "$exe" ]; then
  echo "The program is not built yet: only the libraries exist so far." >&2
  exit 1
fi
exec "$exe"
