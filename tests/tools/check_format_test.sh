#!/usr/bin/env bash
# tools/check-format.sh passes only when the clang-format the tree follows ran
# and found nothing to change: a missing clang-format, another major version,
# or one that fails, fails the check with a message saying what is wanted.
# Stand-ins play clang-format, on a repository of the test's own.
set -euo pipefail
repo=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

mkdir -p "$tmp/repo/tools" "$tmp/bin"
cp "$repo/tools/check-format.sh" "$tmp/repo/tools/"
printf 'int main() { return 0; }\n' >"$tmp/repo/a.cpp"
git -C "$tmp/repo" init -q
git -C "$tmp/repo" add a.cpp
# What the check needs besides clang-format, and nothing else on PATH.
for tool in git grep cut sort dirname; do ln -s "$(command -v "$tool")" "$tmp/bin/$tool"; done
bash=$(command -v bash)

# A clang-format stand-in named $1 that reports version $2 and then, checking
# files, prints $3 and exits with $4.
stand_in() {
  cat >"$tmp/bin/$1" <<STAND_IN
#!/bin/sh
if [ "\$1" = --version ]; then echo "clang-format version $2.0.6"; exit 0; fi
printf '%b' '$3' >&2
exit $4
STAND_IN
  chmod +x "$tmp/bin/$1"
}
# The check's exit status and output, the stand-ins in place.
check() {
  status=0
  out=$(PATH="$tmp/bin" "$bash" "$tmp/repo/tools/check-format.sh" 2>&1) || status=$?
}

check
[ "$status" -ne 0 ] || fail "passed without clang-format: $out"
grep -q "clang-format 14 is not installed" <<<"$out" || fail "does not say clang-format 14 is missing: $out"

stand_in clang-format 15 "" 0
check
[ "$status" -ne 0 ] || fail "passed with clang-format 15: $out"
grep -q "is not clang-format 14" <<<"$out" || fail "does not say which version it wants: $out"

# The versioned one is preferred over another major's clang-format.
stand_in clang-format-14 14 "" 0
check
[ "$status" -eq 0 ] || fail "failed on a formatted tree: $out"

stand_in clang-format-14 14 'a.cpp:1:4: warning: code should be clang-formatted [-Wclang-format-violations]\n' 0
check
[ "$status" -eq 1 ] || fail "passed a file that needs formatting: $out"
grep -qx "a.cpp" <<<"$out" || fail "does not name the file that needs formatting: $out"

stand_in clang-format-14 14 'Error reading .clang-format: Invalid argument\n' 1
check
[ "$status" -ne 0 ] || fail "passed when clang-format failed: $out"
grep -q "Error reading .clang-format" <<<"$out" || fail "does not show clang-format's error: $out"
