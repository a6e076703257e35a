#!/usr/bin/env bash
# Builds the fuzz targets (preset fuzz: clang, libFuzzer, ASan and UBSan) and
# runs each for SECONDS (60 unless given), from its committed corpus; what it
# finds new goes to build/fuzz/corpus/<target>, an input that breaks an
# invariant or trips a sanitizer to build/fuzz/findings/<target>/.
#   tests/fuzz/run.sh [SECONDS] [TARGET...]
set -euo pipefail

seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(password_file password_window deployment_command lock_service)

root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null

failed=0
for target in "${targets[@]}"; do
  work=build/fuzz/corpus/$target
  findings=build/fuzz/findings/$target
  log=build/fuzz/$target.log
  mkdir -p "$work" "$findings"
  status=0
  # A run that takes more than 10 s is a hang; libFuzzer keeps it as a finding.
  build/fuzz/tests/fuzz/fuzz_$target -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$findings/" "$work" "tests/fuzz/corpus/$target" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  coverage=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -n 1 || true)
  corpus=$(find "$work" -type f | wc -l)
  echo "$target: ${runs:-?} runs in ${seconds} s, ${coverage:-no coverage line}, corpus $corpus inputs"
  if [ "$status" -ne 0 ]; then
    failed=1
    echo "$target: FINDING (exit $status), see $log and $findings/"
    grep -m 3 -E 'invariant broken|ERROR: |runtime error' "$log" || true
  fi
done
exit $failed
