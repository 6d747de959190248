#!/usr/bin/env bash
# The second half of tools/test.sh, as the user that runs the Wine tests:
# a virtual screen, the template and shared prefixes, the shared session,
# and CTest over the host build and the Windows build under test. Ends with
# CTest's count of passed and failed tests; exits non-zero when a test fails
# or none ran.
# usage: run-ctest.sh BUILD_DIR (with SETUP_ENGINE_ARCH chosen by test.sh)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$1
export SETUP_BUILD_DIR=$build
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
