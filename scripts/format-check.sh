#!/usr/bin/env bash
# Fails, naming the files, when a C++ source of the repository does not match
# its .clang-format (Debian 12's clang-format 14).
#   scripts/format-check.sh          check
#   scripts/format-check.sh --fix    format them in place
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cc' '*.h')
if [ "${1:-}" = --fix ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
bad=()
for f in "${files[@]}"; do
  clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done
if [ ${#bad[@]} -gt 0 ]; then
  echo "not formatted as .clang-format says (scripts/format-check.sh --fix):" >&2
  printf '  %s\n' "${bad[@]}" >&2
  exit 1
fi
echo "format: ${#files[@]} files as .clang-format says"
