#!/usr/bin/env bash
# The main job: installs what is missing, builds the engine and the builder,
# builds the sample product's setup.exe from examples/sample/product.toml,
# lists its payload, and runs it under Wine on a virtual screen, going
# through it as a user who accepts every proposal, then uninstalls it with
# the command its Uninstall entry registered. Leaves a screenshot of every
# dialog in build/sample/screens/ (the uninstaller's as uninstall-NN.png;
# SETUP_SAMPLE_OUT names another folder than build/sample). Ends with
# setup.exe's exit code, or the uninstaller's when that failed.
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
  --uninstaller "$windows/bin/uninstaller.exe" -I "$windows/bin"
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

# The uninstallation, from the command that the installation registered.
name=$(sed -n 's/^name *= *"\(.*\)"$/\1/p' "$manifest" | head -1)
command=$(wine reg query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$name" /v UninstallString \
  2>/dev/null | iconv -f CP932 -t UTF-8 | sed -n 's/.*REG_SZ *//p' | tr -d '\r')
if [ -n "$command" ]; then
  program=${command#\"}
  program=${program%%\"*}
  wine "$windows/bin/drive_setup.exe" "$program" "$(winpath "$out/screens/uninstall")" "${command#*\" }" \
    </dev/null 2>/dev/null | iconv -f CP932 -t UTF-8
  urc=${PIPESTATUS[0]}
  [ "$rc" -ne 0 ] || rc=$urc
  for shot in "$out"/screens/uninstall/*.bmp; do
    [ -e "$shot" ] && mv "$shot" "$out/screens/uninstall-$(basename "$shot")"
  done
  rmdir "$out/screens/uninstall" 2>/dev/null || true
else
  echo "run-sample.sh: no Uninstall entry for $name" >&2
  [ "$rc" -ne 0 ] || rc=1
fi
set -e
for shot in "$out"/screens/*.bmp; do
  [ -e "$shot" ] && convert "$shot" "${shot%.bmp}.png" && rm "$shot"
done
echo "screenshots: $out/screens/"
exit "$rc"
