#!/usr/bin/env bash
# Runs every fuzz target on its committed seeds for a total time in seconds
# (default 60), shared equally. New inputs go to build/fuzz/corpus, findings
# to build/fuzz/findings; a finding fails the script and names its file,
# which then becomes a regression test.
#   scripts/fuzz.sh [TOTAL_SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
total=${1:-60}
shift || true
scripts/install-deps.sh test
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(); for d in fuzz/corpus/*/; do targets+=("$(basename "$d")"); done
fi
each=$(( total / ${#targets[@]} )); [ "$each" -lt 1 ] && each=1
mkdir -p build/fuzz/findings
failed=0
for t in "${targets[@]}"; do
  work=$PWD/build/fuzz/corpus/$t
  mkdir -p "$work"
  log=build/fuzz/findings/$t.log
  if build/fuzz/fuzz/${t}_fuzz -max_total_time="$each" -timeout=10 -rss_limit_mb=2048 \
       -artifact_prefix=$PWD/build/fuzz/findings/${t}- -print_final_stats=1 "$work" "$PWD/fuzz/corpus/$t" >"$log" 2>&1; then
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo '?')
    echo "fuzz $t: ${each}s, $runs inputs, corpus $(ls "$work" | wc -l) new + $(ls "fuzz/corpus/$t" | wc -l) seeds"
  else
    echo "fuzz $t: FAILED, see $log"; grep -E "ERROR|SUMMARY|Test unit written" "$log" | head -5
    failed=1
  fi
done
exit $failed
