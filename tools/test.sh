#!/usr/bin/env bash
# Runs every test: installs what is missing, builds the host and Windows
# builds, prepares Wine and a virtual screen, and runs CTest over both.
# Ends with CTest's count of passed and failed tests; exits non-zero when a
# test fails or none ran.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${SETUP_BUILD_DIR:-$root/build}

if [ "$(id -u)" -eq 0 ]; then "$root/tools/bootstrap.sh"; else sudo "$root/tools/bootstrap.sh"; fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$build"

export SETUP_WINE_ROOT="$build/wine"
. "$root/tools/wine-env.sh"
. "$root/tools/display.sh"

cleanup() {
  stop_session "$SETUP_SHARED"
  stop_display
}
trap cleanup EXIT

start_display
make_template
rm -rf "$SETUP_SHARED"
cp -a "$SETUP_TEMPLATE/." "$SETUP_SHARED/"
start_session "$SETUP_SHARED" "$build/windows/bin/keepalive.exe"

log="$build/ctest.log"
set +e
ctest --test-dir "$build" -j2 --output-on-failure --timeout 300 2>&1 | tee "$log"
rc=${PIPESTATUS[0]}
set -e
if ! grep -qE '^[0-9]+% tests passed, [0-9]+ tests failed out of [1-9]' "$log"; then
  echo "test.sh: no test ran" >&2
  exit 1
fi
exit "$rc"
