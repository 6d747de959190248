#!/usr/bin/env bash
# Runs every test: installs what is missing, builds the host and Windows
# builds, prepares Wine and a virtual screen, and runs CTest over both.
# The Windows tests run the i686 build under 32-bit Wine where this host can
# run 32-bit programs, else the x86-64 build under wine64
# (SETUP_ENGINE_ARCH=x86_64 forces the latter). Where the i686 build is under
# test, the sample also runs once under the x86-64 build, so that path cannot
# rot unseen. CTest and the Wine session run in tools/run-ctest.sh, as the
# user SETUP_TEST_USER names (setuptest, which the bootstrap creates) or else
# as the caller.
# Ends with CTest's count of passed and failed tests; exits
# non-zero when a test fails or none ran.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${SETUP_BUILD_DIR:-$root/build}

if [ "$(id -u)" -eq 0 ]; then "$root/tools/bootstrap.sh"; else sudo "$root/tools/bootstrap.sh"; fi

export SETUP_BUILD_DIR=$build
test_user=${SETUP_TEST_USER:-}
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

# With SETUP_TEST_USER set, the Wine tests run as that ordinary user: as
# root, Wine writes over read-only files and into folders that Windows
# would refuse. The sources must be readable to that user; root's own Wine
# folders stay root's, and the user gets its own.
unset SETUP_WINE_ROOT
if [ -n "$test_user" ] && [ "$(id -u)" -eq 0 ]; then
  if ! runuser -u "$test_user" -- test -r "$root/tools/run-ctest.sh"; then
    echo "test.sh: $test_user cannot read $root; the Wine tests run as root" >&2
  else
    echo "Wine tests run as the user $test_user"
    find "$build" \( -path "$build/wine" -o -path "$build/wine-x86_64" \) -prune -o -exec chown "$test_user": {} +
    exec runuser -u "$test_user" -p -- env HOME="$(getent passwd "$test_user" | cut -d: -f6)" \
      "$root/tools/run-ctest.sh" "$build"
  fi
fi
exec "$root/tools/run-ctest.sh" "$build"
