#!/usr/bin/env bash
# The decoder and encoder benchmark from a build folder of its own
# (build/bench-release/, Release, no sanitizers), so that its figures mean something:
#
#     tools/bench/lzw_bench.sh [--mib N] [--runs N]
#
# then the builder's time for the install benchmark's 64 MiB tree (200
# files: prose, C headers and random bytes), with its peak memory, the
# median of BENCH_BUILD_RUNS (default 3).
# Ends with the headline figures as name=value lines.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BENCH_BUILD_DIR:-$root/build/bench-release}
mkdir -p "$build"
if ! { cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSETUP_SANITIZE=OFF &&
       cmake --build "$build" --target lzw_bench mksetup make_bench_tree; } >"$build.log" 2>&1; then
  tail -30 "$build.log" >&2
  echo "lzw_bench.sh: the build failed (whole log: $build.log)" >&2
  exit 1
fi
"$build/tools/bench/lzw_bench" "$@"

# The builder: a manifest of the tree, built into a setup behind a stand-in
# engine image (the builder only copies it).
work="$build/builder-bench"
rm -rf "$work"
mkdir -p "$work"
"$build/tools/bench/make_bench_tree" "$work/tree" --mib 64 --files 200 >/dev/null
bytes=$(find "$work/tree" -type f -printf '%s\n' | awk '{ s += $1 } END { print s }')
head -c 4096 /dev/zero | sed 's/^\x00\x00/MZ/' >"$work/engine.exe"
printf '[product]\nname = "Bench"\ndefault_folder = %s\n[[files]]\ntree = %s\n' \
  "'\$(SYSDRV):\\Bench'" "'$work/tree'" >"$work/product.toml"
times=()
for i in $(seq "${BENCH_BUILD_RUNS:-3}"); do
  /usr/bin/time -f '%e %M' -o "$work/time.txt" "$build/tools/mksetup/mksetup" build "$work/product.toml" \
    -o "$work/SETUP.EXE" -q --engine "$work/engine.exe" --uninstaller "$work/engine.exe"
  times+=("$(cat "$work/time.txt")")
done
read -r seconds peak_kb <<<"$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (${#times[@]} + 1) / 2 ))p")"
echo
echo "Builder: $bytes bytes in 200 files into $(stat -c %s "$work/SETUP.EXE") bytes, median of ${#times[@]}: ${seconds} s, peak ${peak_kb} KB"
echo "build_mb_s=$(awk -v b="$bytes" -v s="$seconds" 'BEGIN { printf "%.1f", b / 1e6 / s }')"
echo "build_peak_kb=$peak_kb"
rm -rf "$work"
