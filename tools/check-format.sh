#!/usr/bin/env bash
# Fails, naming the files, when a C++ source of the repository does not follow
# .clang-format. Run from anywhere; checks what git tracks. The tree follows
# clang-format 14 (Debian 12's, which tools/install-deps.sh installs): other
# major versions format the same source differently, so the check fails
# without it rather than pass on nothing checked.
set -euo pipefail
cd "$(dirname "$0")/.."
major=14

fail() {
  echo "check-format: $*" >&2
  exit 2
}
format=""
for candidate in "clang-format-$major" clang-format; do
  if command -v "$candidate" >/dev/null; then
    format=$candidate
    break
  fi
done
[ -n "$format" ] ||
  fail "clang-format $major is not installed (neither clang-format-$major nor clang-format is on PATH); tools/install-deps.sh installs it"
version=$("$format" --version 2>&1) || fail "$format --version failed: $version"
[[ $version =~ version\ ([0-9]+)\. ]] && [ "${BASH_REMATCH[1]}" = "$major" ] ||
  fail "$format is not clang-format $major but: $version; tools/install-deps.sh installs clang-format-$major"

list=$(git ls-files '*.cpp' '*.h')
[ -n "$list" ] || fail "git tracks no C++ source here"
mapfile -t files <<<"$list"
# A file that needs formatting is a warning and leaves the status 0; anything
# else that goes wrong (a .clang-format it cannot read, a file it cannot open)
# makes it non-zero.
out=$("$format" --dry-run "${files[@]}" 2>&1) || fail "$format failed:"$'\n'"$out"
bad=$(grep -o '^[^:]*:[0-9]*:[0-9]*: warning' <<<"$out" | cut -d: -f1 | sort -u || true)
if [ -n "$bad" ]; then
  echo "Not formatted as .clang-format asks ($format -i fixes them):"
  echo "$bad"
  exit 1
fi
