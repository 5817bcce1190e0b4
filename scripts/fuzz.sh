#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer, UBSan) and runs each
# one in turn.
#   scripts/fuzz.sh [SECONDS]   every target for SECONDS (default 60)
#   scripts/fuzz.sh --smoke     every target for 20 s, for CI
# Corpora grow in <build>/corpus/<target>; crashing inputs are kept in
# <build>/crashes/. Exits non-zero when any target found a crash, a leak,
# a timeout or ran out of memory.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${TORVANE_FUZZ_BUILD_DIR:-$top/build-fuzz}

seconds=60
case "${1:-}" in
  --smoke) seconds=20 ;;
  "") ;;
  *[!0-9]*) echo "usage: $0 [SECONDS | --smoke]" >&2; exit 2 ;;
  *) seconds=$1 ;;
esac

"$top/scripts/setup.sh"
cmake -S "$top" --preset fuzz -B "$build" >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzzers

"$build/fuzz/torvane-fuzz-seeds" "$build/seeds"
mkdir -p "$build/crashes"

failed=()
for target in pcx md2 setfile soundcatalogue; do
  corpus=$build/corpus/$target
  mkdir -p "$corpus"
  args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536
        -print_final_stats=1 -artifact_prefix="$build/crashes/$target-")
  case $target in
    setfile|soundcatalogue) args+=(-dict="$top/fuzz/xml.dict") ;;
  esac
  echo "== fuzz_$target for ${seconds}s"
  if ! "$build/fuzz/fuzz_$target" "${args[@]}" "$corpus" "$build/seeds/$target" \
        >"$build/fuzz_$target.log" 2>&1; then
    failed+=("$target")
    echo "!! fuzz_$target failed; see $build/fuzz_$target.log"
    grep -E "ERROR|SUMMARY|Test unit written" "$build/fuzz_$target.log" | head -20 || true
  fi
  grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$build/fuzz_$target.log" || true
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "Fuzzing found problems in: ${failed[*]} (inputs in $build/crashes/)"
  exit 1
fi
echo "Fuzzing found nothing."
