# A virtual screen for the engine's windows, sourced by the scripts under
# tools/: start_display exports DISPLAY for an Xvfb of 1024x768x24 on the
# first free display number; stop_display ends it.

start_display() {
  local n=90
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
  SETUP_XVFB_PID=$!
  local i
  for i in $(seq 100); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    sleep 0.1
  done
  export DISPLAY=":$n"
}

stop_display() {
  [ -n "${SETUP_XVFB_PID:-}" ] && kill "$SETUP_XVFB_PID" 2>/dev/null || true
}
