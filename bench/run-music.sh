#!/usr/bin/env bash
# The tune-loading benchmark: what a render with three loading steps of the
# sequencer costs against a normal frame, under Xvfb with OpenAL Soft's null
# backend. Builds the data in build/ and a Release tree in build-bench/.
#
# Usage: bash bench/run-music.sh [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build >/dev/null
cmake --build build -j2 --target dropling_data
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DDROPLING_BENCH=ON -DDROPLING_TESTS=OFF >/dev/null
cmake --build build-bench -j2 --target music_load_bench
conf=$(mktemp)
printf '[general]\ndrivers = null\n' > "$conf"
ALSOFT_CONF=$conf xvfb-run -a -s "-screen 0 1280x1024x24" \
  build-bench/bench/music_load_bench "$PWD/build" "${1:-20}"
rm -f "$conf"
