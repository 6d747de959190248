#!/usr/bin/env bash
# Runs every test: installs what is missing, builds the host and Windows
# builds, prepares Wine and a virtual screen, and runs CTest over both.
# The Windows tests run the i686 build under 32-bit Wine where this host can
# run 32-bit programs, else the x86-64 build under wine64
# (SETUP_ENGINE_ARCH=x86_64 forces the latter). Where the i686 build is under
# test, the sample also runs once under the x86-64 build, so that path cannot
# rot unseen. Ends with CTest's count of passed and failed tests; exits
# non-zero when a test fails or none ran.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${SETUP_BUILD_DIR:-$root/build}

if [ "$(id -u)" -eq 0 ]; then "$root/tools/bootstrap.sh"; else sudo "$root/tools/bootstrap.sh"; fi

export SETUP_BUILD_DIR=$build
forced=${SETUP_ENGINE_ARCH:-}
. "$root/tools/wine-env.sh"
. "$root/tools/display.sh"
say_engine_arch

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSETUP_ENGINE_ARCH="$SETUP_ENGINE_ARCH" >/dev/null
cmake --build "$build"

if [ -z "$forced" ] && [ "$SETUP_ENGINE_ARCH" = i686 ]; then
  echo "smoke check: the sample under the x86-64 build"
  if ! env -u SETUP_WINE_ROOT -u SETUP_WINE_ARCH_SET SETUP_ENGINE_ARCH=x86_64 SETUP_SKIP_BOOTSTRAP=1 SETUP_SAMPLE_OUT="$build/sample-x86_64" \
       "$root/tools/run-sample.sh" >"$build/smoke-x86_64.log" 2>&1; then
    tail -20 "$build/smoke-x86_64.log" >&2
    echo "test.sh: the sample failed under the x86-64 build (whole log: $build/smoke-x86_64.log)" >&2
    exit 1
  fi
  echo "smoke check passed"
fi

cleanup() {
  stop_session "$SETUP_SHARED"
  stop_display
}
trap cleanup EXIT

start_display
make_template
rm -rf "$SETUP_SHARED"
cp -a "$SETUP_TEMPLATE/." "$SETUP_SHARED/"
start_session "$SETUP_SHARED" "$(windows_build "$build" "$SETUP_ENGINE_ARCH")/bin/keepalive.exe"

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
