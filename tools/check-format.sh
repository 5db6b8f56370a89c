#!/usr/bin/env bash
# Fails, naming the files, when a C++ source of the repository does not follow
# .clang-format. Run from anywhere; checks what git tracks.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
bad=$(clang-format --dry-run "${files[@]}" 2>&1 | grep -o '^[^:]*:[0-9]*:[0-9]*: warning' | cut -d: -f1 | sort -u || true)
if [ -n "$bad" ]; then
  echo "Not formatted as .clang-format asks (clang-format -i fixes them):"
  echo "$bad"
  exit 1
fi
