#!/usr/bin/env bash
# Builds the fuzz targets with clang (build-fuzz/) and runs each for
# FUZZ_SECONDS seconds (default 60), FUZZ_JOBS at a time (default 1), on a copy
# of its seed corpus fuzz/corpus/<target>/. A crash, hang or sanitizer report
# is saved under tests/fuzz/regressions/<target>/, where `make test` replays it.
# Usage: fuzz/run_fuzzers.sh [target...]   (default: every target)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

readonly SECONDS_PER_TARGET=${FUZZ_SECONDS:-60}
readonly JOBS=${FUZZ_JOBS:-1}
readonly BUILD=build-fuzz
readonly ALL=(analysis_file annotation genotypes_a genotypes_b area_file pair_file combination_line annotsum
  genes import_map import_plink import_vcf tracks_list)

CC=clang CXX=clang++ cmake -S fuzz -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" -j 2

targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then targets=("${ALL[@]}"); fi

# One target: the fuzzer's own log goes to build-fuzz/logs/<target>.log, its
# last status line (runs, coverage) is printed when it ends.
run_target() {
  local name=$1
  local work=$BUILD/corpus/$name regressions=tests/fuzz/regressions/$name
  mkdir -p "$work" "$regressions" "$BUILD/logs"
  local status=0
  # -close_fd_mask=3: the readers' progress text is not wanted; libFuzzer and
  # the sanitizers keep their own copy of standard error for their reports.
  "$BUILD/fuzz_$name" "$work" "fuzz/corpus/$name" -max_total_time="$SECONDS_PER_TARGET" \
    -timeout=10 -rss_limit_mb=2048 -max_len=12000 -close_fd_mask=3 \
    -artifact_prefix="$regressions/" >"$BUILD/logs/$name.log" 2>&1 || status=$?
  local last
  last=$(grep -E '^#[0-9]+' "$BUILD/logs/$name.log" | tail -1 || true)
  printf '%-18s %4ss  status %d  %s\n' "$name" "$SECONDS_PER_TARGET" "$status" "$last"
  return "$status"
}

failed=0
running=0
for name in "${targets[@]}"; do
  run_target "$name" &
  running=$((running + 1))
  if [[ $running -ge $JOBS ]]; then
    wait -n || failed=1
    running=$((running - 1))
  fi
done
while [[ $running -gt 0 ]]; do
  wait -n || failed=1
  running=$((running - 1))
done
if [[ $failed -ne 0 ]]; then
  echo "ERROR: a fuzz target found a failure; its input is in tests/fuzz/regressions/." >&2
  exit 1
fi
