#!/usr/bin/env bash
# The decoder and encoder benchmark from a build folder of its own
# (build/bench-release/, Release, no sanitizers), so that its figures mean something:
#
#     tools/bench/lzw_bench.sh [--mib N] [--runs N]
#
# then the same for the engine that ships: lzw_bench built for i686 with the
# decoder compiled as the engine compiles it (a Windows build folder of its
# own, build/bench-release/i686/, MinSizeRel as the engine's build), run
# under 32-bit Wine where this host runs 32-bit programs, its figures named
# *_i686 (the encoder's left out: the builder is not i686 code); then the
# builder's time for the install benchmark's 64 MiB tree (200 files: prose,
# C headers and random bytes) behind the engine and uninstaller of that
# build, with its peak memory, the median of BENCH_BUILD_RUNS (default 3).
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

echo
# The i686 build: the decoder's bench, and the images the builder takes.
windows="$build/i686"
if ! { cmake -S "$root" -B "$windows" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
         -DCMAKE_BUILD_TYPE=MinSizeRel -DSETUP_WINDOWS_TESTS=OFF &&
       cmake --build "$windows" --target lzw_bench setup uninstaller; } >"$windows.log" 2>&1; then
  tail -30 "$windows.log" >&2
  echo "lzw_bench.sh: the i686 build failed (whole log: $windows.log)" >&2
  exit 1
fi
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "i686 decoder: not measured, this host cannot run 32-bit programs (/usr/lib/wine/wine does not start)"
else
  # The 32-bit loader, in a Wine prefix of its own made on the first run.
  echo "i686, under 32-bit Wine ($(/usr/lib/wine/wine --version)):"
  status=0
  out=$(WINEPREFIX="$build/wine-lzw-bench" WINEARCH=win32 WINEDEBUG=-all \
        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" \
        /usr/lib/wine/wine "$windows/bin/lzw_bench.exe" "$@" </dev/null 2>/dev/null) || status=$?
  out=${out//$'\r'/}
  sed '/^[a-z_]*=/d' <<<"$out"
  [ "$status" -eq 0 ] || { echo "lzw_bench.sh: the i686 lzw_bench failed (exit $status)" >&2; exit 1; }
  sed -n 's/^\(decode_[a-z_]*\)=/\1_i686=/p' <<<"$out"
fi

# The builder: a manifest of the tree, built into a setup behind the i686
# engine and uninstaller.
work="$build/builder-bench"
rm -rf "$work"
mkdir -p "$work"
"$build/tools/bench/make_bench_tree" "$work/tree" --mib 64 --files 200 >/dev/null
bytes=$(find "$work/tree" -type f -printf '%s\n' | awk '{ s += $1 } END { print s }')
printf '[product]\nname = "Bench"\ndefault_folder = %s\n[[files]]\ntree = %s\n' \
  "'\$(SYSDRV):\\Bench'" "'$work/tree'" >"$work/product.toml"
times=()
for i in $(seq "${BENCH_BUILD_RUNS:-3}"); do
  /usr/bin/time -f '%e %M' -o "$work/time.txt" "$build/tools/mksetup/mksetup" build "$work/product.toml" \
    -o "$work/SETUP.EXE" -q --engine "$windows/bin/setup.exe" --uninstaller "$windows/bin/uninstaller.exe"
  times+=("$(cat "$work/time.txt")")
done
read -r seconds peak_kb <<<"$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (${#times[@]} + 1) / 2 ))p")"
echo
echo "Builder: $bytes bytes in 200 files into $(stat -c %s "$work/SETUP.EXE") bytes, median of ${#times[@]}: ${seconds} s, peak ${peak_kb} KB"
echo "build_mb_s=$(awk -v b="$bytes" -v s="$seconds" 'BEGIN { printf "%.1f", b / 1e6 / s }')"
echo "build_peak_kb=$peak_kb"
rm -rf "$work"
