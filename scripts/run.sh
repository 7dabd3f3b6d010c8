#!/usr/bin/env bash
# Builds Zrk1 and the stand-in camera, starts the camera on 127.0.0.1 and the program pointed at it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
ZRK_WITH_OPENCV=0 scripts/install-deps.sh
scripts/build.sh build -DZRK_TESTS=OFF -DZRK_BENCH=OFF
bin=build/bin
cam_pid=""
if [ -x "$bin/zrkcam" ]; then
  "$bin/zrkcam" --bind 127.0.0.1 --command-port 0 --data-port 0 --state camsim/examples/demo.state \
    >build/zrkcam.out 2>&1 &
  cam_pid=$!
  stop_camera() { [ -n "$cam_pid" ] && kill "$cam_pid" 2>/dev/null; cam_pid=""; }
  trap stop_camera EXIT
  trap 'stop_camera; exit 130' INT TERM
  for _ in $(seq 50); do grep -q '^zrkcam listening' build/zrkcam.out 2>/dev/null && break; sleep 0.1; done
  line=$(head -n1 build/zrkcam.out)
  cmd_port=$(sed -n 's/.*command=\([0-9]*\).*/\1/p' <<<"$line")
  data_port=$(sed -n 's/.*data=\([0-9]*\).*/\1/p' <<<"$line")
  echo "$line"
  cat >"$bin/Zrk1.ini" <<INI
[TCP]
ClientIP=127.0.0.1
CommandPort=$cmd_port
DataPort=$data_port
[COMMON]
Debug=1
INI
else
  echo "The stand-in camera is not built yet: starting Zrk1 alone."
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != offscreen ]; then
  echo "No display found: running under xvfb-run (use 'ssh -X' or a desktop to see the windows)."
  exec_prefix=(xvfb-run -a)
else
  exec_prefix=()
fi
# Not exec'd: the camera is stopped when the program ends.
"${exec_prefix[@]}" "$bin/Zrk1"
