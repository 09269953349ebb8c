#!/usr/bin/env bash
# Builds the sample-decoding benchmark in a Release build (build-bench/) and
# runs it on the game's sounds as the normal build (build/) generates them:
#
#     bash bench/run-audio.sh [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build >/dev/null
cmake --build build -j2 --target dropling_data
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DDROPLING_BENCH=ON -DDROPLING_TESTS=OFF >/dev/null
cmake --build build-bench -j2 --target audio_load_bench
build-bench/bench/audio_load_bench build/data "${1:-15}"
