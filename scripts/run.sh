#!/usr/bin/env bash
# Installs what is missing, builds the game and its data, and starts it.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${TORVANE_BUILD_DIR:-$top/build}

"$top/scripts/setup.sh"
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"

# The game reads everything from its working directory.
cd "$build/data"
exec "$build/src/torvane" "$@"
