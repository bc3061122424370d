#!/usr/bin/env bash
# Installs the Debian packages that are missing for what is asked:
#   scripts/install-deps.sh build   the programs (compiler, CMake, SQLite, libharu, libpq, the letters' font)
#   scripts/install-deps.sh test    the build's, and what the tests need: GoogleTest, poppler's tools,
#                                   a PostgreSQL server, clang and libFuzzer, clang-format, dpkg-dev for
#                                   the package
# Without an argument: test.
set -euo pipefail
build=(g++ cmake ninja-build libsqlite3-dev libhpdf-dev libpq-dev fonts-dejavu-core)
test=(libgtest-dev libgmock-dev poppler-utils postgresql clang libclang-rt-14-dev clang-format dpkg-dev file)
case "${1:-test}" in
  build) packages=("${build[@]}") ;;
  test) packages=("${build[@]}" "${test[@]}") ;;
  *) echo "usage: scripts/install-deps.sh [build|test]" >&2; exit 2 ;;
esac
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
