#!/usr/bin/env bash
# Runs every fuzz target for SECONDS seconds (default 30) and fails on any crash.
#
#   fuzz/run.sh [SECONDS]
#
# Builds build/fuzz first (preset "fuzz", clang with libFuzzer) when needed.
# Each target first replays its committed regression inputs
# (fuzz/regressions/TARGET/), then fuzzes from a temporary copy of its seed
# corpus (fuzz/corpus/TARGET/) with its dictionary (fuzz/TARGET.dict), so the
# committed corpus does not grow. Prints the executions and the coverage that
# libFuzzer reached for each target. An input that crashes is kept in
# build/fuzz/findings/TARGET/; commit it under fuzz/regressions/TARGET/.
set -uo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-30}"
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -eq 0 ]; then
  echo "usage: fuzz/run.sh [SECONDS]" >&2
  exit 2
fi

build=build/fuzz
if [ ! -f "$build/build.ninja" ]; then
  cmake --preset fuzz >/dev/null || exit 1
fi
cmake --build --preset fuzz >/dev/null || { cmake --build --preset fuzz; exit 1; }

targets=(script_section command_line result_record staging_paths update_run record_parser)
declare -A maxLength=([script_section]=9000 [command_line]=2048 [result_record]=1024 [staging_paths]=4096 [update_run]=4096 [record_parser]=1024)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

for target in "${targets[@]}"; do
  binary="$build/fuzz/fuzz_$target"
  findings="$build/findings/$target"
  mkdir -p "$work/$target/corpus" "$findings"

  regressions=(fuzz/regressions/"$target"/*)
  replayed=0
  if [ -e "${regressions[0]}" ]; then
    replayed=${#regressions[@]}
    if ! "$binary" "${regressions[@]}" >"$work/$target/replay.log" 2>&1; then
      echo "$target: a regression input fails again"
      tail -n 30 "$work/$target/replay.log"
      failed=1
      continue
    fi
  fi

  cp fuzz/corpus/"$target"/* "$work/$target/corpus/" 2>/dev/null
  "$binary" -max_total_time="$seconds" -timeout=10 -max_len="${maxLength[$target]}" \
    -dict="fuzz/$target.dict" -artifact_prefix="$findings/" -print_final_stats=1 \
    "$work/$target/corpus" >"$work/$target/fuzz.log" 2>&1
  status=$?

  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$target/fuzz.log" | tail -n 1)
  last=$(grep -E '^#[0-9]+.* cov: ' "$work/$target/fuzz.log" | tail -n 1)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
  features=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
  corpus=$(sed -n 's/.* corp: \([0-9]*\/[0-9A-Za-z]*\).*/\1/p' <<<"$last")
  printf '%-15s executions %-10s cov %-6s ft %-6s corpus %-12s regressions %s\n' \
    "$target" "${runs:-?}" "${cov:-?}" "${features:-?}" "${corpus:-?}" "$replayed"
  if [ "$status" -ne 0 ]; then
    echo "$target: libFuzzer ended with status $status; the input is in $findings/"
    grep -E 'invariant broken|ERROR: |SUMMARY: |runtime error' "$work/$target/fuzz.log" | head -n 10
    failed=1
  fi
done

exit "$failed"
