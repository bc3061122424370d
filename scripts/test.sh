#!/usr/bin/env bash
# The whole test suite: an optimised build and a build under the address and
# undefined-behaviour sanitizers, each built from scratch when needed and
# tested with CTest (the kill, two-station and bad-input tests among them, and
# the record manager and two-station tests on a PostgreSQL server too), after
# a check that every source is formatted as .clang-format says; the
# builds a packager makes (the plain Release build with GCC, a build of the
# programs alone with clang and without libpq); the Debian package installed
# in a scratch root and run; then a short run of every fuzz target.
#   FUZZ_SECONDS=0 scripts/test.sh   skips the fuzz run
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
echo "== format"
scripts/format-check.sh
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
echo "== the plain Release build, as a packager makes it (its programs; the tests were built above)"
cmake -S . -B build/plain -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/plain -j2 --target mirtosek kepdata divivovi >/dev/null
echo "== the programs alone with clang, without libpq, warnings as errors"
rm -rf build/clang
CC=clang CXX=clang++ cmake -S . -B build/clang -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
  -DKEP_POSTGRES=OFF -DKEP_WERROR=ON >/dev/null
cmake --build build/clang -j2 >/dev/null
echo "== the Debian package"
scripts/package-test.sh build/plain
if [ "${FUZZ_SECONDS:-60}" -gt 0 ]; then
  echo "== fuzz targets, ${FUZZ_SECONDS:-60} s in all"
  scripts/fuzz.sh "${FUZZ_SECONDS:-60}"
fi
