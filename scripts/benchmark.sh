#!/usr/bin/env bash
# The performance benchmark: builds the optimised programs, makes synthetic
# installations of 1,000, 10,000 and 100,000 units and times every mode
# against the baseline of plain record reads.
#   scripts/benchmark.sh [--sizes 1000,10000,100000] [--runs 3] [--server CONNINFO [--server-sizes 10000]]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh build
if [ ! -x /usr/bin/time ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get install -y -qq time
fi
cmake --preset programs >/dev/null
cmake --build --preset programs -j2
exec python3 scripts/benchmark.py "$@"
