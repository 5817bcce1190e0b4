#!/usr/bin/env bash
# Builds the benchmarks (Release) and runs them: the decoders against Assimp
# and SDL2_image, the set scan, and the view's load and frame times under
# Mesa's software renderer (on a virtual display when there is none), and a
# class game's host under forty scripted students.
# Prints every figure with its ratio to the peer and whether its goal is met;
# exits 3 when a goal is missed. Extra arguments go to every benchmark
# program (e.g. --benchmark_filter=pcx).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${TORVANE_BENCH_BUILD_DIR:-$top/build-bench}

"$top/scripts/setup.sh"
cmake -S "$top" --preset bench -B "$build" >/dev/null
cmake --build "$build" -j"$(nproc)" --target torvane-bench-decoders torvane-bench-view torvane-bench-class

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')"
view=("$build/bench/torvane-bench-view" --data "$build/data" "$@")
if [ -z "${DISPLAY:-}" ]; then
  view=(xvfb-run -a -s "-screen 0 2560x1440x24 +extension GLX" "${view[@]}")
fi
export LIBGL_ALWAYS_SOFTWARE=1
if command -v glxinfo >/dev/null; then
  if [ -z "${DISPLAY:-}" ]; then
    xvfb-run -a -s "+extension GLX" glxinfo -B 2>/dev/null | grep -E "OpenGL renderer|OpenGL version" || true
  else
    glxinfo -B 2>/dev/null | grep -E "OpenGL renderer|OpenGL version" || true
  fi
fi

class=("$build/bench/torvane-bench-class" --data "$build/data" "$@")
if [ -z "${DISPLAY:-}" ]; then
  class=(xvfb-run -a -s "-screen 0 1280x1024x24 +extension GLX" "${class[@]}")
fi

status=0
"$build/bench/torvane-bench-decoders" "$@" || status=$?
"${view[@]}" || { rc=$?; [ $status -ne 0 ] || status=$rc; }
"${class[@]}" || { rc=$?; [ $status -ne 0 ] || status=$rc; }
exit $status
