#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need.
# Quiet and quick when everything is already there. libsqlite3-dev serves the
# benchmarks alone (SQLite in memory is a baseline there); the program never links it.
# clang-format-14 is the one the tree follows (tools/check-format.sh). socat
# stands as a TLS front for the tests' own servers.
set -euo pipefail

PACKAGES=(build-essential cmake pkg-config ccache libgtest-dev libgmock-dev libbenchmark-dev
          libcairo2-dev libpango1.0-dev libsdl2-dev libx11-dev libicu-dev libjpeg-dev libyaz-dev yaz libsqlite3-dev
          fonts-dejavu-core fonts-liberation2 xvfb xauth clang clang-format-14 libclang-rt-14-dev python3 unrtf socat)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
