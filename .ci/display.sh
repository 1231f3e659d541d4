# Sourced: makes sure an X display for Wine is up and exports DISPLAY.
# LUMBRA_STARTED_XVFB holds the pid when this script started the server.
export DISPLAY="${LUMBRA_DISPLAY:-${DISPLAY:-:99}}"
if ! xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; then
  setsid Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 < /dev/null &
  LUMBRA_STARTED_XVFB=$!
  for _ in $(seq 1 50); do
    xdpyinfo -display "$DISPLAY" >/dev/null 2>&1 && break
    sleep 0.2
  done
fi
