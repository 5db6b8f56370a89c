#!/usr/bin/env bash
# Starts the program from its folder (by default ~/Borrowline, where `make run`
# puts it), without building. Its folders (Settings/, Import/, MyWork/) live
# beside the executable; a first run gets the resource list from
# resources/ListDB.txt and a search list naming its test server. While the
# program runs, a yaz-ztest answers on 127.0.0.1:9999 for that test server; it
# is stopped when the program ends.
set -euo pipefail
folder=${1:-${PROGRAM_DIR:-$HOME/Borrowline}}
exe="$folder/borrowline"
if [ ! -x "$exe" ]; then
  echo "The program is not in $folder: build and start it with \`make run\` first." >&2
  exit 1
fi
here="$(cd "$(dirname "$0")" && pwd)"
settings="$(dirname "$exe")/Settings"
mkdir -p "$settings"
if [ ! -e "$settings/ListDB.txt" ]; then
  cp "$here/../resources/ListDB.txt" "$settings/ListDB.txt"
  # The test server (resource 3) ticked in the search list, ready to search.
  [ -e "$settings/ListDB_for_Search.txt" ] || printf '3\r\n' > "$settings/ListDB_for_Search.txt"
fi

port=9999
ztest_pid=
stop_ztest() {
  if [ -n "$ztest_pid" ]; then
    kill -INT "$ztest_pid" 2>/dev/null || true
    for _ in 1 2 3 4 5 6 7 8 9 10; do
      kill -0 "$ztest_pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -KILL "$ztest_pid" 2>/dev/null || true
    wait "$ztest_pid" 2>/dev/null || true
  fi
}
trap stop_ztest EXIT
if ! command -v yaz-ztest >/dev/null; then
  echo "yaz-ztest is not installed: the local test server will not answer." >&2
elif (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
  echo "Something already listens on 127.0.0.1:$port; it is left to answer the test server's searches." >&2
else
  yaz-ztest -l /dev/null "tcp:127.0.0.1:$port" &
  ztest_pid=$!
fi
"$exe"
