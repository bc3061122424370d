#!/usr/bin/env bash
# The whole test suite: an optimised build and a build under the address and
# undefined-behaviour sanitizers, each built from scratch when needed and
# tested with CTest (the kill, two-station and bad-input tests among them, and
# the record manager and two-station tests on a PostgreSQL server too),
# then a short run of every fuzz target.
#   FUZZ_SECONDS=0 scripts/test.sh   skips the fuzz run
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# The record manager's server engine is tested on a PostgreSQL server on
# loopback, stopped again when the script ends.
KEP_TEST_PG=$(scripts/postgres.sh start)
export KEP_TEST_PG
trap 'scripts/postgres.sh stop' EXIT
for preset in release asan; do
  echo "== $preset build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j2
  echo "== $preset tests"
  rm -f "build/$preset/reliability_figures.txt"
  ctest --preset "$preset"
  echo "== $preset reliability figures"
  cat "build/$preset/reliability_figures.txt"
done
if [ "${FUZZ_SECONDS:-60}" -gt 0 ]; then
  echo "== fuzz targets, ${FUZZ_SECONDS:-60} s in all"
  scripts/fuzz.sh "${FUZZ_SECONDS:-60}"
fi
