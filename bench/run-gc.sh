#!/usr/bin/env bash
# Builds the collector benchmark in a Release configuration at -O2 (build-bench/) and runs it. Extra
# arguments go to the program, e.g. `bash bench/run-gc.sh --live-mib 64 --callbacks 50000`.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup-debian.sh
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" \
  -DDROPLING_BENCH=ON -DDROPLING_TESTS=OFF >/dev/null
cmake --build build-bench -j 2 --target gc_bench
./build-bench/bench/gc_bench "$@"
