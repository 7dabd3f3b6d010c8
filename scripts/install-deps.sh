#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the benchmarks need. Idempotent; run as root.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev   # libFuzzer and its sanitizer runtimes
  xvfb xauth                 # a display for people running the program without one
  ffmpeg                     # independent reader of the AVI tests, benchmark peer of the AVI export
  python3 python3-numpy      # the Python reader (python/zrk) and its tests
  libavcodec-dev libavformat-dev libavutil-dev libswscale-dev libx264-164  # H.264 and FFV1 movies
)
if [ "${ZRK_WITH_OPENCV:-1}" = 1 ]; then
  packages+=(libopencv-dev)  # benchmark peer only
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  if [ "$(id -u)" = 0 ]; then sudo=""; else sudo="sudo"; fi
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
