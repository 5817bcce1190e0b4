#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite.
# Starts a virtual display (Xvfb) when none is present. Extra arguments go to ctest.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${TORVANE_BUILD_DIR:-$top/build}

"$top/scripts/setup.sh"
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTORVANE_WERROR=ON >/dev/null
cmake --build "$build" -j"$(nproc)"

cd "$build"
run_ctest=(ctest --output-on-failure -j"$(nproc)" "$@")
if [ -z "${DISPLAY:-}" ]; then
  xvfb-run -a -s "-screen 0 1280x1024x24 +extension GLX" "${run_ctest[@]}"
else
  "${run_ctest[@]}"
fi
echo "Screenshots taken by the tests: $build/screenshots"
