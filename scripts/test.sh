#!/usr/bin/env bash
# The whole test suite: an optimised build and a sanitizer build, each built
# from scratch when needed and tested with CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
for preset in release asan; do
  echo "== $preset build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j2
  echo "== $preset tests"
  ctest --preset "$preset"
done
