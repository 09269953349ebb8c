#!/usr/bin/env bash
# The real game under the bot (bench/game_bench.cpp), under Xvfb with OpenAL
# Soft's null backend, in a fresh folder that sees the data generated in
# build/. Builds the data in build/ and a Release tree in build-bench/.
#
# Usage: bash bench/run-game.sh starts|pace|memory|frame [N] [--busy]
#   --busy runs two busy loops beside it (stopped afterwards).
#   frame draws kept play frames through SDL2's renderer too: it installs
#   libsdl2-dev when it is missing (the game itself never needs it).
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:?starts, pace, memory or frame}
n=${2:-0}
if [[ "$mode" == frame ]] && ! dpkg-query -W -f='${Status}' libsdl2-dev 2>/dev/null | grep -q "install ok installed"; then
  echo "run-game: installing libsdl2-dev (benchmark only)"
  sudo=""
  if [[ $(id -u) != 0 ]]; then sudo="sudo"; fi
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends libsdl2-dev \
    || { $sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends libsdl2-dev; }
fi
cmake -S . -B build >/dev/null
cmake --build build -j2 --target dropling_data >/dev/null
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" \
  -DDROPLING_BENCH=ON -DDROPLING_TESTS=OFF >/dev/null
cmake --build build-bench -j2 --target game_bench >/dev/null
busy=()
if [[ "${3:-}" == "--busy" ]]; then
  for _ in 1 2; do
    bash -c 'while :; do :; done' &
    busy+=($!)
  done
fi
conf=$(mktemp)
printf '[general]\ndrivers = null\n' > "$conf"
bench=$PWD/build-bench/bench/game_bench
# The program saves its state in the working folder: start from none there,
# keep none.
run=$(mktemp -d)
ln -s "$PWD/build/data" "$run/data"
cd "$run"
ALSOFT_CONF=$conf xvfb-run -a -s "-screen 0 1280x1024x24" \
  bash -c 'BENCH_EXEC_NS=$(date +%s%N) exec "$0" "$@"' "$bench" "$mode" "$n" || status=$?
for pid in "${busy[@]}"; do kill "$pid"; done
rm -rf "$conf" "$run"
exit "${status:-0}"
