#!/usr/bin/env bash
# The program's folder lies outside the build folders, so `make clean` leaves
# it; a rebuild replaces the program file and nothing of the user's; folders
# that earlier builds kept beside the program file are carried over once.
set -euo pipefail
repo=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

# Where `make run` puts the program, and what `make clean` removes.
plan=$(HOME="$tmp/home" make -s -C "$repo" -n run clean JOBS=1)
grep -q "tools/install.sh build/release/client/borrowline build/release/lendsrv/lendsrv \"$tmp/home/Borrowline\"" <<<"$plan" ||
  fail "make run does not put the program into ~/Borrowline: $plan"
grep -q "tools/run.sh \"$tmp/home/Borrowline\"" <<<"$plan" || fail "make run does not start it there: $plan"
clean=$(grep '^rm ' <<<"$plan")
[ "$clean" = "rm -rf build" ] || fail "make clean removes more than the build folders: $clean"

# A build whose program folder, as earlier builds had it, holds the user's files.
build="$tmp/build/release/client"
search="$tmp/build/release/lendsrv/lendsrv"
mkdir -p "$build/Settings" "$build/Import" "$(dirname "$search")"
printf 'v1\n' > "$build/borrowline"
printf 's1\n' > "$search"
chmod +x "$build/borrowline" "$search"
printf 'the user list\r\n' > "$build/Settings/ListDB.txt"
printf 'records' > "$build/Import/a.iso"

folder="$tmp/home/Borrowline"
bash "$repo/tools/install.sh" "$build/borrowline" "$search" "$folder" "$build" 2>/dev/null
[ "$(cat "$folder/borrowline")" = v1 ] || fail "the program file was not put in place"
[ -x "$folder/borrowline" ] || fail "the program file cannot be run"
[ "$(cat "$folder/lendsrv")" = s1 ] || fail "the search process was not put beside the program"
[ -x "$folder/lendsrv" ] || fail "the search process cannot be run"
cmp -s "$build/Settings/ListDB.txt" "$folder/Settings/ListDB.txt" || fail "the resource list was not carried over"
cmp -s "$build/Import/a.iso" "$folder/Import/a.iso" || fail "the borrowed records were not carried over"
[ ! -e "$folder/MyWork" ] || fail "a folder the build did not have was made"

# The user works; then a clean and a rebuild.
printf 'the list edited\r\n' > "$folder/Settings/ListDB.txt"
rm -rf "$tmp/build"
mkdir -p "$build/Settings" "$(dirname "$search")"
printf 'v2\n' > "$build/borrowline"
printf 's2\n' > "$search"
chmod +x "$build/borrowline" "$search"
printf 'a fresh build list\r\n' > "$build/Settings/ListDB.txt"
bash "$repo/tools/install.sh" "$build/borrowline" "$search" "$folder" "$build" 2>/dev/null
[ "$(cat "$folder/borrowline")" = v2 ] || fail "the rebuilt program file did not replace the old one"
[ "$(cat "$folder/lendsrv")" = s2 ] || fail "the rebuilt search process did not replace the old one"
[ "$(cat "$folder/Settings/ListDB.txt")" = $'the list edited\r' ] || fail "a rebuild wrote over the user's resource list"
[ "$(cat "$folder/Import/a.iso")" = records ] || fail "the borrowed records did not survive the clean"
[ -z "$(find "$folder" -name '.borrowline.new.*')" ] || fail "a temporary program file was left"

# Started without building; a folder without the program says how to get it.
if out=$(bash "$repo/tools/run.sh" "$tmp/empty" 2>&1); then fail "run.sh started a program that is not there"; fi
grep -q "make run" <<<"$out" || fail "run.sh does not say how to get the program: $out"
