#!/usr/bin/env bash
# The main job: installs what is missing, builds the engine and the builder,
# builds the sample product's setup.exe from examples/sample/product.toml,
# lists its payload, and runs it under Wine on a virtual screen, going
# through it as a user who accepts every proposal. Leaves a screenshot of
# every dialog in build/sample/screens/ (SETUP_SAMPLE_OUT names another
# folder than build/sample). Ends with setup.exe's exit code.
# It runs the i686 engine under 32-bit Wine where this host can run 32-bit
# programs, else the x86-64 engine under wine64 (SETUP_ENGINE_ARCH=x86_64
# forces the latter).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${SETUP_BUILD_DIR:-$root/build}
manifest=${1:-$root/examples/sample/product.toml}

if [ "${SETUP_SKIP_BOOTSTRAP:-0}" != 1 ]; then
  if [ "$(id -u)" -eq 0 ]; then "$root/tools/bootstrap.sh"; else sudo "$root/tools/bootstrap.sh"; fi
fi
export SETUP_BUILD_DIR=$build
. "$root/tools/wine-env.sh"
. "$root/tools/display.sh"
say_engine_arch

# Configure only where no build exists yet: the test run's choice of the
# Windows build under CTest stays as it is.
[ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
windows=$(windows_build "$build" "$SETUP_ENGINE_ARCH")
target=windows
[ "$SETUP_ENGINE_ARCH" = x86_64 ] && target=windows_x86_64
cmake --build "$build" --target mksetup "$target" >/dev/null
winpath() { printf 'Z:%s' "${1//\//\\}"; }

out=${SETUP_SAMPLE_OUT:-$build/sample}
rm -rf "$out"
"$build/tools/mksetup/mksetup" build "$manifest" -o "$out/setup.exe" --engine "$windows/bin/setup.exe" \
  --uninstaller "$windows/bin/recorder_uninstaller.exe" -I "$windows/bin"
"$build/tools/mksetup/mksetup" list "$out/setup.exe"

prefix="$SETUP_WINE_ROOT/sample"
cleanup() {
  stop_session "$prefix"
  stop_display
}
trap cleanup EXIT

start_display
make_template
rm -rf "$prefix"
cp -a "$SETUP_TEMPLATE/." "$prefix/"
start_session "$prefix" ""

wine_env "$prefix"
mkdir -p "$out/screens"
set +e
wine "$windows/bin/drive_setup.exe" "$(winpath "$out/setup.exe")" "$(winpath "$out/screens")" \
  </dev/null 2>/dev/null | iconv -f CP932 -t UTF-8
rc=${PIPESTATUS[0]}
set -e
for shot in "$out"/screens/*.bmp; do
  [ -e "$shot" ] && convert "$shot" "${shot%.bmp}.png" && rm "$shot"
done
echo "screenshots: $out/screens/"
exit "$rc"
