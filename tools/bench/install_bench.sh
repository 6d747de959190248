#!/usr/bin/env bash
# Installation benchmark, run on demand (not part of the test run):
#
#     tools/bench/install_bench.sh
#
# from the repository's folder, as root or a user with sudo, on the machine
# that tools/bootstrap.sh prepares. It installs what it needs (makensis
# besides what bootstrap.sh installs), builds what it needs, and prints:
#   - the size of our payload and of an NSIS installer against the tree's;
#   - the speed of installing a generated 64 MiB tree under Wine with our
#     setup.exe (from the click on "実行" to the completion message), with a
#     plain xcopy of the tree, and with a silent NSIS installer (zlib), each
#     the median of BENCH_RUNS runs (default 5) after a warm-up, in one warm
#     Wine session of its own;
#   - the time of merging two 10,000-line install logs (log_merge_bench).
# SETUP_BUILD_DIR picks the build folder (default: build/ in the repository).
# Everything it makes is under <build>/bench and the Wine folder's bench
# prefix. It measures the i686 engine under 32-bit Wine where this host runs
# 32-bit programs, else the x86-64 engine under wine64 (SETUP_ENGINE_ARCH
# forces either); NSIS installers are 32-bit programs, so on a host that
# cannot run those it measures against xcopy alone.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${SETUP_BUILD_DIR:-$root/build}
runs=${BENCH_RUNS:-5}
work="$build/bench"

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
say() { printf '%s\n' "$*" >&2; }

# --- What it needs -------------------------------------------------------
as_root "$root/tools/bootstrap.sh" >/dev/null
if ! command -v makensis >/dev/null; then
  say "install_bench: installing nsis"
  as_root apt-get update -q >/dev/null
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends nsis >/dev/null
fi

export SETUP_BUILD_DIR=$build
. "$root/tools/wine-env.sh"
. "$root/tools/display.sh"
say_engine_arch >&2
windows=$(windows_build "$build" "$SETUP_ENGINE_ARCH")
target=windows compiler=i686-w64-mingw32-g++-posix
if [ "$SETUP_ENGINE_ARCH" = x86_64 ]; then target=windows_x86_64 compiler=x86_64-w64-mingw32-g++-posix; fi
with_nsis=1
/usr/lib/wine/wine --version >/dev/null 2>&1 || with_nsis=0
[ "$with_nsis" = 1 ] || say "install_bench: this host cannot run 32-bit programs, so NSIS installers cannot run: measuring against xcopy alone"

say "install_bench: building"
mkdir -p "$work"
if ! { cmake -S "$root" -B "$build" -G Ninja &&
       cmake --build "$build" --target mksetup make_bench_tree log_merge_bench "$target"; } >"$work/build.log" 2>&1; then
  tail -40 "$work/build.log" >&2
  say "install_bench: the build failed (whole log: $work/build.log)"
  exit 1
fi
winpath() { printf 'Z:%s' "${1//\//\\}"; }

driver="$work/install_driver.exe"
"$compiler" -std=gnu++17 -static -O2 -finput-charset=UTF-8 -fexec-charset=CP932 \
  -DWIN32_LEAN_AND_MEAN -DNOMINMAX -I"$root" \
  "$root/tools/bench/install_driver.cpp" "$root/tests/support/ui_driver.cpp" \
  -luser32 -lgdi32 -o "$driver"

# --- The tree and the two packages ---------------------------------------
tree="$work/tree"
rm -rf "$tree"
"$build/tools/bench/make_bench_tree" "$tree" --mib 64 --files 200 >"$work/tree.txt"
tree_bytes=$(find "$tree" -type f -printf '%s\n' | awk '{ s += $1 } END { print s }')
tree_files=$(find "$tree" -type f | wc -l)
tree_folders=$(find "$tree" -mindepth 1 -type d | wc -l)

ours="$work/ours"
rm -rf "$ours"
mkdir -p "$ours"
cat >"$ours/product.toml" <<EOF
# The benchmark's product: the generated tree, nothing else.
[product]
name = "インストール ベンチ"
default_folder = '\$(SYSDRV):\\Install Bench'

[[files]]
tree = '$tree'
EOF
say "install_bench: building setup.exe (LZW over 64 MiB)"
"$build/tools/mksetup/mksetup" build "$ours/product.toml" -o "$ours/SETUP.EXE" \
  --engine "$windows/bin/setup.exe" \
  --uninstaller "$windows/bin/recorder_uninstaller.exe" >"$ours/mksetup.txt"
ours_payload=$(sed -n 's/.*: payload \([0-9]*\) bytes.*/\1/p' "$ours/mksetup.txt")
ours_encoding=$(sed -n 's/.* written as [0-9]* (\([a-z]*\)).*/\1/p' "$ours/mksetup.txt")
ours_exe=$(stat -c %s "$ours/SETUP.EXE")

nsis="$work/nsis"
rm -rf "$nsis"
mkdir -p "$nsis"
cat >"$nsis/bench.nsi" <<EOF
; The benchmark's product as an NSIS installer: the generated tree only.
Unicode true
SetCompressor zlib
Name "Install Bench"
OutFile "$nsis/installer.exe"
InstallDir "C:\\bench\\nsis"
RequestExecutionLevel user
Section
  SetOutPath "\$INSTDIR"
  File /r "$tree/*"
SectionEnd
EOF
say "install_bench: building the NSIS installer (zlib)"
makensis -V4 "$nsis/bench.nsi" >"$nsis/makensis.txt"
nsis_exe=$(stat -c %s "$nsis/installer.exe")
# Its payload: everything after the executable header (install code, data, CRC).
nsis_header=$(sed -n 's/^EXE header size: *\([0-9]*\) .*/\1/p' "$nsis/makensis.txt")
nsis_payload=$((nsis_exe - nsis_header))

# --- Wine ----------------------------------------------------------------
prefix="$SETUP_WINE_ROOT/bench"
cleanup() {
  stop_session "$prefix"
  stop_display
  rm -rf "${prefix:?}/drive_c/bench"
}
trap cleanup EXIT

say "install_bench: starting Wine"
start_display
make_template
rm -rf "$prefix"
cp -a "$SETUP_TEMPLATE/." "$prefix/"
start_session "$prefix" "$windows/bin/keepalive.exe"
wine_env "$prefix"
destinations="$prefix/drive_c/bench"
mkdir -p "$destinations"

median() { sort -g | awk '{ v[NR] = $1 } END { print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# measure NAME FOLDER DRIVER-ARGUMENTS...: a warm-up, then `runs` timed runs,
# each into an empty C:\bench\FOLDER; prints the median, lowest and highest
# milliseconds. The last run's files are compared with the tree.
measure() {
  local name=$1 folder=$2 i out ms times=()
  shift 2
  for i in $(seq 0 "$runs"); do
    rm -rf "${destinations:?}/$folder"
    sync
    if ! out=$(wine "$driver" "$@" </dev/null 2>"$work/$folder.err"); then
      say "install_bench: $name failed:"
      iconv -f CP932 -t UTF-8 -c <"$work/$folder.err" >&2
      exit 1
    fi
    ms=$(printf '%s\n' "$out" | tr -d '\r' | sed -n 's/^elapsed_ms=//p')
    [ -n "$ms" ] || { say "install_bench: $name printed no time: $out"; exit 1; }
    if [ "$i" -eq 0 ]; then say "  $name warm-up: $ms ms"; else say "  $name run $i: $ms ms"; times+=("$ms"); fi
  done
  # Ours adds its install log; anything else that differs is a failed install.
  if ! diff -rq -x setup.inf "$tree" "$destinations/$folder" >"$work/$folder.diff"; then
    say "install_bench: $name did not install the tree:"
    head -20 "$work/$folder.diff" >&2
    exit 1
  fi
  printf '%s %s %s\n' "$(printf '%s\n' "${times[@]}" | median)" \
    "$(printf '%s\n' "${times[@]}" | sort -g | head -1)" "$(printf '%s\n' "${times[@]}" | sort -g | tail -1)"
}

say "install_bench: measuring ($runs runs after a warm-up each)"
result=$(measure "setup.exe" ours setup "$(winpath "$ours/SETUP.EXE")" 'C:\bench\ours')
read -r ours_ms ours_low ours_high <<<"$result"
result=$(measure "xcopy" xcopy run xcopy /E /I /Q "$(winpath "$tree")" 'C:\bench\xcopy')
read -r xcopy_ms xcopy_low xcopy_high <<<"$result"
nsis_ms=- nsis_low=- nsis_high=-
if [ "$with_nsis" = 1 ]; then
  result=$(measure "NSIS" nsis run "$(winpath "$nsis/installer.exe")" /S '/D=C:\bench\nsis')
  read -r nsis_ms nsis_low nsis_high <<<"$result"
fi

# --- Report --------------------------------------------------------------
mibps() { awk -v b="$tree_bytes" -v ms="$1" 'BEGIN { printf "%.1f", b / 1048576 / (ms / 1000) }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
row() { printf '  %-40s %10s %10s %10s %8s\n' "$@"; }
ours_speed=$(mibps "$ours_ms")
xcopy_speed=$(mibps "$xcopy_ms")
nsis_speed=-
[ "$with_nsis" = 1 ] && nsis_speed=$(mibps "$nsis_ms")

echo
echo "Installation benchmark under Wine ($(wine --version 2>/dev/null))"
echo "Tree: $tree_bytes bytes ($(ratio "$tree_bytes" 1048576) MiB) in $tree_files files and $tree_folders folders"
tail -n +2 "$work/tree.txt"
echo
echo "Package sizes (bytes; ratio to the tree):"
printf '  %-36s %11s  %s\n' "ours: payload ($ours_encoding bodies)" "$ours_payload" "$(ratio "$ours_payload" "$tree_bytes")"
printf '  %-36s %11s  %s\n' "ours: SETUP.EXE (engine + payload)" "$ours_exe" "$(ratio "$ours_exe" "$tree_bytes")"
printf '  %-36s %11s  %s\n' "NSIS (zlib): payload" "$nsis_payload" "$(ratio "$nsis_payload" "$tree_bytes")"
printf '  %-36s %11s  %s\n' "NSIS (zlib): installer.exe" "$nsis_exe" "$(ratio "$nsis_exe" "$tree_bytes")"
echo
echo "Installation into an empty folder on C:, $runs runs after a warm-up:"
row "" "median ms" "lowest ms" "highest ms" "MiB/s"
row "ours, setup.exe (from the final click)" "$ours_ms" "$ours_low" "$ours_high" "$ours_speed"
row "xcopy /E /I /Q, Z: to C: (the process)" "$xcopy_ms" "$xcopy_low" "$xcopy_high" "$xcopy_speed"
row "NSIS /S (the process)" "$nsis_ms" "$nsis_low" "$nsis_high" "$nsis_speed"
echo "  (ours: from the click on 実行 to the message ｾｯﾄｱｯﾌﾟ完了; MiB/s of the tree, from the median)"
echo "  speed ratio ours / xcopy: $(ratio "$xcopy_ms" "$ours_ms")"
if [ "$with_nsis" = 1 ]; then
  echo "  speed ratio ours / NSIS:  $(ratio "$nsis_ms" "$ours_ms")"
else
  echo "  NSIS: not measured (this host cannot run 32-bit programs)"
fi
echo
"$build/tools/bench/log_merge_bench"
