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
#     the median of BENCH_RUNS runs (default 5) after a warm-up, taking turns
#     run by run, in one warm Wine session of its own;
#   - the same for stored bodies, and for the 256 MiB tree and a tree of
#     20,000 small files against xcopy (BENCH_LARGE_RUNS runs, default 1);
#   - the time from the start of setup.exe to its first wizard page, the
#     median of BENCH_FIRST_RUNS (default 9), without and with a large
#     agreement text;
#   - the time of merging two 10,000-line install logs (log_merge_bench);
#   - at the end the headline figures as name=value lines.
# BENCH_QUICK=1 stops after the 64 MiB tree with its figures and phases.
# BENCH_BASELINE_ENGINE=path/to/setup.exe adds that engine (an earlier
# build) with the same payload, for before-and-after figures of one day.
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
with_nsis=1
/usr/lib/wine/wine --version >/dev/null 2>&1 || with_nsis=0
if [ "$with_nsis" = 1 ] && ! command -v makensis >/dev/null; then
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
[ "$with_nsis" = 1 ] || say "install_bench: this host cannot run 32-bit programs, so NSIS installers cannot run: measuring against xcopy alone"

say "install_bench: building"
mkdir -p "$work"
if ! { cmake -S "$root" -B "$build" -G Ninja &&
       cmake --build "$build" --target mksetup make_bench_tree log_merge_bench "$target" &&
       cmake --build "$windows" --target setup_phases; } >"$work/build.log" 2>&1; then
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

# package NAME TREE [EXTRA-FEATURE-LINES]: builds $work/NAME/SETUP.EXE.
package() {
  local dir="$work/$1"
  rm -rf "$dir"
  mkdir -p "$dir"
  cat >"$dir/product.toml" <<EOT
# The benchmark's product: the generated tree, nothing else.
[product]
name = "インストール ベンチ"
default_folder = '\$(SYSDRV):\\Install Bench'
${3:+
[features]
$3}

[[files]]
tree = '$2'
EOT
  "$build/tools/mksetup/mksetup" build "$dir/product.toml" -o "$dir/SETUP.EXE" \
    --engine "${4:-$windows/bin/setup.exe}" \
    --uninstaller "$windows/bin/recorder_uninstaller.exe" >"$dir/mksetup.txt"
}
ours="$work/ours"
say "install_bench: building setup.exe (LZW over 64 MiB)"
package ours "$tree"
ours_payload=$(sed -n 's/.*: payload \([0-9]*\) bytes.*/\1/p' "$ours/mksetup.txt")
ours_encoding=$(sed -n 's/.* written as [0-9]* (\([a-z]*\)).*/\1/p' "$ours/mksetup.txt")
ours_exe=$(stat -c %s "$ours/SETUP.EXE")
package stored "$tree" 'stored = "always"'
[ -z "${BENCH_BASELINE_ENGINE:-}" ] || package baseline "$tree" "" "$BENCH_BASELINE_ENGINE"
# The same payload behind the engine built with its phase clock.
package phases "$tree" "" "$windows/bin/setup_phases.exe"
package phases_stored "$tree" 'stored = "always"' "$windows/bin/setup_phases.exe"
# The first page: without an agreement it is the folder page; with one, the
# agreement page, which decodes its whole text first.
awk 'BEGIN { for (i = 0; i < 600; i++) print "この製品を使用する前に、以下の使用許諾契約をよくお読みください。Read the agreement." }' \
  >"$work/agreement.txt"
package agreement "$root/examples/sample/files" "agreement = '$work/agreement.txt'"
engine_bytes=$(stat -c %s "$build/windows/bin/setup.exe")

nsis="$work/nsis"
nsis_exe=- nsis_payload=-
if [ "$with_nsis" = 1 ]; then
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
fi

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

# once FOLDER: one run of FOLDER's contender (the driver's arguments in the
# array args_FOLDER) into an empty C:\bench\FOLDER; prints its milliseconds.
once() {
  local -n contender="args_$1"
  local out ms
  rm -rf "${destinations:?}/$1"
  sync
  if ! out=$(wine "$driver" "${contender[@]}" </dev/null 2>"$work/$1.err"); then
    say "install_bench: $1 failed:"
    iconv -f CP932 -t UTF-8 -c <"$work/$1.err" >&2
    return 1
  fi
  ms=$(printf '%s\n' "$out" | tr -d '\r' | sed -n 's/^elapsed_ms=//p')
  [ -n "$ms" ] || { say "install_bench: $1 printed no time: $out"; return 1; }
  printf '%s\n' "$ms"
}

# in_turns FOLDER...: a warm-up round, then `runs` timed rounds in which the
# contenders run one after another, so that the drift of a shared machine
# (a third within minutes) falls on all of them alike. Prints a line per
# contender: FOLDER, then the median, lowest and highest milliseconds. The
# last round's files are compared with the tree.
in_turns() {
  local folder i ms
  local -A times=()
  for i in $(seq 0 "$runs"); do
    for folder in "$@"; do
      ms=$(once "$folder") || exit 1
      if [ "$i" -eq 0 ]; then say "  $folder warm-up: $ms ms"; else say "  $folder run $i: $ms ms"; times[$folder]+=" $ms"; fi
    done
  done
  for folder in "$@"; do
    # Ours adds its install log; anything else that differs is a failed install.
    if ! diff -rq -x setup.inf "$tree" "$destinations/$folder" >"$work/$folder.diff"; then
      say "install_bench: $folder did not install the tree:"
      head -20 "$work/$folder.diff" >&2
      exit 1
    fi
    # shellcheck disable=SC2086
    printf '%s %s %s %s\n' "$folder" "$(printf '%s\n' ${times[$folder]} | median)" \
      "$(printf '%s\n' ${times[$folder]} | sort -g | head -1)" "$(printf '%s\n' ${times[$folder]} | sort -g | tail -1)"
  done
}

args_ours=(setup "$(winpath "$ours/SETUP.EXE")" 'C:\bench\ours')
args_xcopy=(run xcopy /E /I /Q "$(winpath "$tree")" 'C:\bench\xcopy')
args_stored=(setup "$(winpath "$work/stored/SETUP.EXE")" 'C:\bench\stored')
args_baseline=(setup "$(winpath "$work/baseline/SETUP.EXE")" 'C:\bench\baseline')
args_nsis=(run "$(winpath "$nsis/installer.exe")" /S '/D=C:\bench\nsis')
args_phases=(setup "$(winpath "$work/phases/SETUP.EXE")" 'C:\bench\phases')
args_phases_stored=(setup "$(winpath "$work/phases_stored/SETUP.EXE")" 'C:\bench\phases_stored')
contenders=(ours xcopy stored)
[ -z "${BENCH_BASELINE_ENGINE:-}" ] || contenders+=(baseline)
[ "$with_nsis" = 0 ] || contenders+=(nsis)
baseline_ms=- baseline_low=- baseline_high=-
nsis_ms=- nsis_low=- nsis_high=-
say "install_bench: measuring ($runs rounds after a warm-up, the contenders in turn)"
results=$(in_turns "${contenders[@]}")
while read -r folder median lowest highest; do
  printf -v "${folder}_ms" %s "$median"
  printf -v "${folder}_low" %s "$lowest"
  printf -v "${folder}_high" %s "$highest"
done <<<"$results"
# Where ours spends its time, by the engine's phase clock (the last run's).
SETUP_PHASE_TIMES='C:\bench\phases.txt' in_turns phases >/dev/null
SETUP_PHASE_TIMES='C:\bench\phases_stored.txt' in_turns phases_stored >/dev/null
phases=$(tr -d '\r' <"$destinations/phases.txt"; tr -d '\r' <"$destinations/phases_stored.txt" | sed 's/^phase_/phase_stored_/')

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
echo "Installation into an empty folder on C:, $runs rounds after a warm-up, the contenders in turn:"
row "" "median ms" "lowest ms" "highest ms" "MiB/s"
row "ours, setup.exe (from the final click)" "$ours_ms" "$ours_low" "$ours_high" "$ours_speed"
row "ours, stored bodies" "$stored_ms" "$stored_low" "$stored_high" "$(mibps "$stored_ms")"
[ -z "${BENCH_BASELINE_ENGINE:-}" ] ||
  row "baseline engine, same payload" "$baseline_ms" "$baseline_low" "$baseline_high" "$(mibps "$baseline_ms")"
row "xcopy /E /I /Q, Z: to C: (the process)" "$xcopy_ms" "$xcopy_low" "$xcopy_high" "$xcopy_speed"
row "NSIS /S (the process)" "$nsis_ms" "$nsis_low" "$nsis_high" "$nsis_speed"
echo "  (ours: from the click on 実行 to the message ｾｯﾄｱｯﾌﾟ完了; MiB/s of the tree, from the median)"
echo "  speed ratio ours / xcopy: $(ratio "$xcopy_ms" "$ours_ms")"
if [ "$with_nsis" = 1 ]; then
  echo "  speed ratio ours / NSIS:  $(ratio "$nsis_ms" "$ours_ms")"
else
  echo "  NSIS: not measured (this host cannot run 32-bit programs)"
fi

if [ "${BENCH_QUICK:-0}" = 1 ]; then
  echo
  printf '%s\n' "install_ms_ours=$ours_ms" "install_ms_ours_stored=$stored_ms" "install_ms_baseline=$baseline_ms" \
    "install_ms_xcopy=$xcopy_ms" "install_ratio_xcopy=$(ratio "$xcopy_ms" "$ours_ms")" "$phases"
  exit 0
fi

# --- Scale: 256 MiB, and 20,000 small files --------------------------------
large_runs=${BENCH_LARGE_RUNS:-1}
scale() {  # scale NAME MIB FILES: prints ours_ms xcopy_ms bytes files
  local name=$1 dir="$work/tree-$1"
  rm -rf "$dir"
  "$build/tools/bench/make_bench_tree" "$dir" --mib "$2" --files "$3" >/dev/null
  package "$name" "$dir"
  local bytes files
  bytes=$(find "$dir" -type f -printf '%s\n' | awk '{ s += $1 } END { print s }')
  files=$(find "$dir" -type f | wc -l)
  tree=$dir runs=$large_runs
  args_scaled=(setup "$(winpath "$work/$name/SETUP.EXE")" 'C:\bench\scaled')
  args_scaled_xcopy=(run xcopy /E /I /Q "$(winpath "$dir")" 'C:\bench\scaled_xcopy')
  local o x
  read -r o x <<<"$(in_turns scaled scaled_xcopy | cut -d' ' -f2 | tr '\n' ' ')"
  rm -rf "$dir" "${destinations:?}/scaled" "${destinations:?}/scaled_xcopy"
  echo "$o $x $bytes $files"
}
say "install_bench: the 256 MiB tree"
read -r big_ms big_xcopy_ms big_bytes big_files <<<"$(scale big 256 800)"
say "install_bench: 20,000 small files"
read -r small_ms small_xcopy_ms small_bytes small_files <<<"$(scale small 40 20000)"
speed() { awk -v b="$1" -v ms="$2" 'BEGIN { printf "%.1f", b / 1048576 / (ms / 1000) }'; }
perSecond() { awk -v n="$1" -v ms="$2" 'BEGIN { printf "%.0f", n / (ms / 1000) }'; }
echo
echo "Scale ($large_runs run(s) after a warm-up each; ours / xcopy):"
printf '  %-34s %10s %10s %10s %12s %8s\n' "" "ours ms" "xcopy ms" "ours MiB/s" "ours files/s" "ratio"
printf '  %-34s %10s %10s %10s %12s %8s\n' "64 MiB, $tree_files files" "$ours_ms" "$xcopy_ms" "$ours_speed" \
  "$(perSecond "$tree_files" "$ours_ms")" "$(ratio "$xcopy_ms" "$ours_ms")"
printf '  %-34s %10s %10s %10s %12s %8s\n' "256 MiB, $big_files files" "$big_ms" "$big_xcopy_ms" \
  "$(speed "$big_bytes" "$big_ms")" "$(perSecond "$big_files" "$big_ms")" "$(ratio "$big_xcopy_ms" "$big_ms")"
printf '  %-34s %10s %10s %10s %12s %8s\n' "$(speed "$small_bytes" 1000) MiB, $small_files files" "$small_ms" \
  "$small_xcopy_ms" "$(speed "$small_bytes" "$small_ms")" "$(perSecond "$small_files" "$small_ms")" \
  "$(ratio "$small_xcopy_ms" "$small_ms")"
echo "  xcopy files/s on 20,000 files: $(perSecond "$small_files" "$small_xcopy_ms")"

# --- First page ------------------------------------------------------------
first_runs=${BENCH_FIRST_RUNS:-9}
first() {  # first SETUP: the median milliseconds to the first page
  local i ms times=()
  wine "$driver" first "$1" </dev/null >/dev/null 2>&1 || true
  for i in $(seq "$first_runs"); do
    ms=$(wine "$driver" first "$1" </dev/null 2>/dev/null | tr -d '\r' | sed -n 's/^elapsed_ms=//p')
    [ -n "$ms" ] || { say "install_bench: no first page from $1"; exit 1; }
    times+=("$ms")
  done
  printf '%s\n' "${times[@]}" | median
}
first_ms=$(first "$(winpath "$ours/SETUP.EXE")")
first_agreement_ms=$(first "$(winpath "$work/agreement/SETUP.EXE")")
echo
echo "First wizard page, from the start of setup.exe (median of $first_runs after a warm-up):"
echo "  folder page (no agreement): $first_ms ms; agreement page ($(stat -c %s "$work/agreement.txt")-byte text): $first_agreement_ms ms"
echo
"$build/tools/bench/log_merge_bench"
echo
echo "engine_arch=$SETUP_ENGINE_ARCH"
echo "engine_bytes=$engine_bytes"
echo "engine_bytes_measured=$(stat -c %s "$windows/bin/setup.exe")"
echo "install_ms_ours=$ours_ms"
echo "install_ms_ours_stored=$stored_ms"
echo "install_ms_baseline=$baseline_ms"
echo "install_ms_xcopy=$xcopy_ms"
echo "install_ms_nsis=$nsis_ms"
echo "install_ratio_xcopy=$(ratio "$xcopy_ms" "$ours_ms")"
echo "install_ratio_xcopy_stored=$(ratio "$xcopy_ms" "$stored_ms")"
[ "$with_nsis" = 1 ] && echo "install_ratio_nsis=$(ratio "$nsis_ms" "$ours_ms")"
echo "install_mib_s_ours=$ours_speed"
echo "install_mib_s_256=$(speed "$big_bytes" "$big_ms")"
echo "install_ratio_xcopy_256=$(ratio "$big_xcopy_ms" "$big_ms")"
echo "install_files_s_20000=$(perSecond "$small_files" "$small_ms")"
echo "install_files_s_20000_xcopy=$(perSecond "$small_files" "$small_xcopy_ms")"
printf '%s\n' "$phases"
echo "first_page_ms=$first_ms"
echo "first_page_ms_agreement=$first_agreement_ms"
