#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite:
#   1. the normal build (warnings are errors), every test under a display;
#   2. a short fuzzing pass over every file reader (clang, libFuzzer);
#   3. the whole suite again, built with AddressSanitizer, UndefinedBehavior-
#      Sanitizer and LeakSanitizer.
# A virtual display (Xvfb) is started when none is present.
#   scripts/test.sh --quick [CTEST ARGS]   the first pass only
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${TORVANE_BUILD_DIR:-$top/build}
asan_build=${TORVANE_ASAN_BUILD_DIR:-$top/build-asan}

quick=0
if [ "${1:-}" = "--quick" ]; then
  quick=1
  shift
fi

"$top/scripts/setup.sh"

run_suite() {
  local dir=$1
  shift
  (
    cd "$dir"
    local ctest=(ctest --output-on-failure -j"$(nproc)" "$@")
    if [ -z "${DISPLAY:-}" ]; then
      xvfb-run -a -s "-screen 0 1280x1024x24 +extension GLX" "${ctest[@]}"
    else
      "${ctest[@]}"
    fi
  )
}

echo "== Build and test"
cmake -S "$top" --preset default -B "$build" >/dev/null
cmake --build "$build" -j"$(nproc)"
run_suite "$build" "$@"
echo "Screenshots taken by the tests: $build/screenshots"
[ "$quick" = 1 ] && exit 0

echo "== Fuzzing smoke pass"
"$top/scripts/fuzz.sh" --smoke

echo "== Build and test with AddressSanitizer, UBSan and LeakSanitizer"
cmake -S "$top" --preset asan -B "$asan_build" >/dev/null
cmake --build "$asan_build" -j"$(nproc)"
ASAN_OPTIONS=detect_leaks=1 \
LSAN_OPTIONS=suppressions=$top/tests/sanitizers/lsan.supp:print_suppressions=0 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_suite "$asan_build" "$@"
