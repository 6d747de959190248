#!/usr/bin/env bash
# The main job: installs what is missing, builds the engine and the builder,
# builds the sample product's setup.exe from examples/sample/product.toml,
# lists its payload, and runs it under Wine on a virtual screen, going
# through it as a user who accepts every proposal. Leaves a screenshot of
# every dialog in build/sample/screens/. Ends with setup.exe's exit code.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${SETUP_BUILD_DIR:-$root/build}
manifest=${1:-$root/examples/sample/product.toml}

if [ "$(id -u)" -eq 0 ]; then "$root/tools/bootstrap.sh"; else sudo "$root/tools/bootstrap.sh"; fi
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$build" --target mksetup windows >/dev/null
winpath() { printf 'Z:%s' "${1//\//\\}"; }

out="$build/sample"
rm -rf "$out"
"$build/tools/mksetup/mksetup" build "$manifest" -o "$out/setup.exe" \
  --uninstaller "$build/windows/bin/recorder_uninstaller.exe" -I "$build/windows/bin"
"$build/tools/mksetup/mksetup" list "$out/setup.exe"

export SETUP_WINE_ROOT="$build/wine"
. "$root/tools/wine-env.sh"
. "$root/tools/display.sh"
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
wine "$build/windows/bin/drive_setup.exe" "$(winpath "$out/setup.exe")" "$(winpath "$out/screens")" \
  </dev/null 2>/dev/null | iconv -f CP932 -t UTF-8
rc=${PIPESTATUS[0]}
set -e
for shot in "$out"/screens/*.bmp; do
  [ -e "$shot" ] && convert "$shot" "${shot%.bmp}.png" && rm "$shot"
done
echo "screenshots: $out/screens/"
exit "$rc"
