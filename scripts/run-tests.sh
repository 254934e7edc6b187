#!/usr/bin/env bash
# Installs what is missing, builds, starts the desktop services the tests need (X server,
# tray host, PulseAudio with a null sink, session bus and accessibility bus), runs every
# test with CTest and stops the services again. Works headless and as root.
# Arguments, when given, go to one CTest run instead (e.g. -R test_shell), and only the
# targets are built that those tests need when PARLANCE_BUILD_TARGETS names them.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" --test || exit 1
PARLANCE_WERROR=ON "$root/scripts/build.sh" ${PARLANCE_BUILD_TARGETS:-} || exit 1
build=${PARLANCE_BUILD_DIR:-$root/build}

pids=()
runtime=$(mktemp -d)
chmod 700 "$runtime"
cleanup() {
  for pid in "${pids[@]}"; do pkill -P "$pid" 2>/dev/null; kill "$pid" 2>/dev/null; done
  [ -n "${DBUS_SESSION_BUS_PID:-}" ] && kill "$DBUS_SESSION_BUS_PID" 2>/dev/null
  XDG_RUNTIME_DIR=$runtime pulseaudio --kill 2>/dev/null
  sleep 0.3
  for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null; done
  rm -rf "$runtime"
}
trap cleanup EXIT

export XDG_RUNTIME_DIR=$runtime
unset PARLANCE_AUDIO

# Display: pick a free number so a developer's own X server is left alone.
display=99
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1400x900x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=":$display"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

eval "$(dbus-launch --sh-syntax)"
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
pids+=($!)

# The tray host is started again should it fall over: trayer now and then dies when icons
# come and go quickly, and every later desktop test would then find no notification area.
(while :; do trayer --edge top --align right --widthtype request >/dev/null 2>&1; sleep 0.2; done) &
pids+=($!)

pulseaudio --daemonize=yes --exit-idle-time=-1 --system=false -n \
  --load="module-null-sink sink_name=nullsink" --load="module-native-protocol-unix" \
  >/dev/null 2>&1
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl set-default-sink nullsink >/dev/null 2>&1

cd "$build" || exit 1
status=0
if [ $# -gt 0 ]; then
  ctest --output-on-failure "$@" || status=1
  exit $status
fi
ctest --output-on-failure -j2 -LE desktop || status=1
ctest --output-on-failure -L desktop || status=1
exit $status
