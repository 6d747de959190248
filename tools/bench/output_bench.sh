#!/usr/bin/env bash
# The builder's memory on large files, from the Release build of lzw_bench.sh
# (build/bench-release/, no sanitizers):
#
#     tools/bench/output_bench.sh [--bytes N]
#
# builds a setup with stored bodies from one sparse file of N bytes (default
# 2,000,000,000), lists it, and builds a compressed setup from the same file,
# each timed with its peak resident memory, behind the engine and
# uninstaller of the i686 build that lzw_bench.sh also uses
# (build/bench-release/i686/). Needs twice N bytes of free disk.
# Ends with the headline figures as name=value lines.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BENCH_BUILD_DIR:-$root/build/bench-release}
bytes=2000000000
[ "${1:-}" = --bytes ] && bytes=$2
mkdir -p "$build"
windows="$build/i686"
if ! { cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSETUP_SANITIZE=OFF &&
       cmake --build "$build" --target mksetup &&
       cmake -S "$root" -B "$windows" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
         -DCMAKE_BUILD_TYPE=MinSizeRel -DSETUP_WINDOWS_TESTS=OFF &&
       cmake --build "$windows" --target setup uninstaller; } >"$build.log" 2>&1; then
  tail -30 "$build.log" >&2
  echo "output_bench.sh: the build failed (whole log: $build.log)" >&2
  exit 1
fi
mksetup=$build/tools/mksetup/mksetup
work="$build/output-bench"
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
truncate -s "$bytes" "$work/large.bin"
for stored in always never; do
  printf '[product]\nname = "Bench"\ndefault_folder = %s\n[features]\nstored = "%s"\n[[files]]\nsource = "large.bin"\n' \
    "'\$(SYSDRV):\\Bench'" "$stored" >"$work/$stored.toml"
done

# measure NAME COMMAND...: prints the time and peak memory, and keeps them as NAME_s and NAME_peak_kb
figures=()
measure() {
  local name=$1
  shift
  if ! /usr/bin/time -f '%e %M' -o "$work/time.txt" "$@" >/dev/null 2>"$work/stderr.txt"; then
    cat "$work/stderr.txt" >&2
    echo "output_bench.sh: $name failed" >&2
    exit 1
  fi
  read -r seconds peak_kb <"$work/time.txt"
  printf '%-34s %8s s %10s KB peak\n' "$name" "$seconds" "$peak_kb"
  figures+=("${name}_s=$seconds" "${name}_peak_kb=$peak_kb")
}
echo "A sparse file of $bytes bytes; mksetup from $build"
measure build_stored "$mksetup" build "$work/always.toml" -o "$work/stored.exe" -q --engine "$windows/bin/setup.exe" \
  --uninstaller "$windows/bin/uninstaller.exe"
measure list_stored "$mksetup" list -q "$work/stored.exe"
rm -f "$work/stored.exe"
measure build_compressed "$mksetup" build "$work/never.toml" -o "$work/compressed.exe" -q --engine "$windows/bin/setup.exe" \
  --uninstaller "$windows/bin/uninstaller.exe"
echo
printf '%s\n' "${figures[@]}"
