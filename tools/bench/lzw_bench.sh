#!/usr/bin/env bash
# The decoder and encoder benchmark from a build folder of its own
# (build/bench-release/, Release, no sanitizers), so that its figures mean something:
#
#     tools/bench/lzw_bench.sh [--mib N] [--runs N]
#
# Ends with the headline figures as name=value lines.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BENCH_BUILD_DIR:-$root/build/bench-release}
mkdir -p "$build"
if ! { cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release &&
       cmake --build "$build" --target lzw_bench; } >"$build.log" 2>&1; then
  tail -30 "$build.log" >&2
  echo "lzw_bench.sh: the build failed (whole log: $build.log)" >&2
  exit 1
fi
exec "$build/tools/bench/lzw_bench" "$@"
