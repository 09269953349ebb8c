#!/usr/bin/env bash
# The renderer benchmark: our renderer and SDL2's renderer drawing the game's
# heaviest frame on one Xvfb screen, side by side in one run. Builds a Release
# tree in build-bench/ and prints the figures that docs/PERFORMANCE.md keeps.
# It runs twice: with glibc's default malloc, and with glibc told to keep
# freed memory (llvmpipe's per-frame buffers then stop faulting back in).
#
# Usage: bash bench/run-renderer.sh [frames per round] [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup-debian.sh
if ! dpkg-query -W -f='${Status}' libsdl2-dev 2>/dev/null | grep -q "install ok installed"; then
  echo "run-renderer: installing libsdl2-dev (benchmark only)"
  sudo=""
  if [[ $(id -u) != 0 ]]; then sudo="sudo"; fi
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends libsdl2-dev \
    || { $sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends libsdl2-dev; }
fi

cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DDROPLING_BENCH=ON -DDROPLING_TESTS=OFF >/dev/null
cmake --build build-bench -j2 --target renderer_bench

frames=${1:-100}
rounds=${2:-3}
xvfb=(xvfb-run -a -s "-screen 0 1280x1024x24")

echo "== glibc malloc defaults"
"${xvfb[@]}" build-bench/bench/renderer_bench "$frames" "$rounds"
echo
echo "== glibc keeping freed memory (trim and mmap thresholds at 256 MiB)"
GLIBC_TUNABLES=glibc.malloc.trim_threshold=268435456:glibc.malloc.mmap_threshold=268435456 \
  "${xvfb[@]}" build-bench/bench/renderer_bench "$frames" "$rounds"
