#!/usr/bin/env python3
"""zrkctl's latency against zrkcam on loopback, median of N runs:
  trigger: from the call of `zrkctl trigger` to zrkcam receiving TRIG (zrkcam -v traces each line);
  info:    the whole run of `zrkctl info`.
Usage: bench/ctl/latency.py [BIN_DIR] [RUNS]   (BIN_DIR default build/bin, RUNS default 10)
"""
import os
import queue
import statistics
import subprocess
import sys
import threading
import time

bin_dir = sys.argv[1] if len(sys.argv) > 1 else "build/bin"
runs = int(sys.argv[2]) if len(sys.argv) > 2 else 10
env = dict(os.environ, QT_QPA_PLATFORM="offscreen")

cam = subprocess.Popen([f"{bin_dir}/zrkcam", "--command-port", "0", "--data-port", "0", "--speed", "1000", "-v"],
                       stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
first = cam.stdout.readline().split()
ports = {k: v for k, v in (w.split("=") for w in first if "=" in w)}
address = f"127.0.0.1:{ports['command']}:{ports['data']}"

received = queue.Queue()  # (time, line) of every command zrkcam receives


def read_trace():
    for line in cam.stderr:
        if "<- " in line:
            received.put((time.monotonic(), line.split("<- ", 1)[1].strip()))


threading.Thread(target=read_trace, daemon=True).start()


def ctl(*args):
    r = subprocess.run([f"{bin_dir}/zrkctl", "--camera", address, *args], env=env, capture_output=True, text=True)
    if r.returncode != 0:
        sys.exit(f"zrkctl {' '.join(args)}: status {r.returncode}: {r.stderr}")
    return r


def drain():
    while not received.empty():
        received.get_nowait()


try:
    ctl("record-mode", "--rate", "300FPS", "--regions", "1", "--trigger", "end")
    trigger_ms, info_ms = [], []
    for _ in range(runs):
        ctl("clear")
        ctl("start")
        drain()
        start = time.monotonic()
        proc = subprocess.Popen([f"{bin_dir}/zrkctl", "--camera", address, "trigger"], env=env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        while True:
            seen, line = received.get(timeout=10)
            if line == "TRIG":
                trigger_ms.append((seen - start) * 1000)
                break
        if proc.wait() != 0:
            sys.exit("zrkctl trigger failed: " + proc.stderr.read())
        ctl("wait", "--until", "idle")
        start = time.monotonic()
        ctl("info")
        info_ms.append((time.monotonic() - start) * 1000)
    print(f"trigger on the wire: median {statistics.median(trigger_ms):.0f} ms "
          f"(min {min(trigger_ms):.0f}, max {max(trigger_ms):.0f}, {runs} runs; goal 150 ms)")
    print(f"info done:           median {statistics.median(info_ms):.0f} ms "
          f"(min {min(info_ms):.0f}, max {max(info_ms):.0f}, {runs} runs; goal 400 ms)")
finally:
    cam.terminate()
    cam.wait()
