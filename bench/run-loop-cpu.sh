#!/usr/bin/env bash
# How much processor time the loop costs when the application does nothing:
# the game as it stands (update rate 0, so the loop blocks in the window
# system's wait) and the probe build (60 updates and frames per second, so the
# loop sleeps between them). Each runs under Xvfb with OpenAL Soft's null
# backend for SECONDS (default 10); the figure is user + system time read
# from /proc, which a spinning loop would drive to the wall-clock time.
#   bash bench/run-loop-cpu.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}

if [[ "${2:-}" == "--inside-xvfb" ]]; then
    conf=$(mktemp)
    printf '[general]\ndrivers = null\n' > "$conf"
    tick=$(getconf CLK_TCK)
    cpu() { awk '{print $14 + $15}' "/proc/$1/stat"; }
    for prog in build/dropling build/tests/e2e/dropling_probe; do
        (cd build && ALSOFT_CONF="$conf" exec "../$prog" > /dev/null) &
        pid=$!
        sleep 1  # start-up is not what is measured
        before=$(cpu "$pid")
        sleep "$seconds"
        after=$(cpu "$pid")
        kill "$pid"
        wait "$pid" 2>/dev/null || true
        awk -v p="$prog" -v t="$((after - before))" -v k="$tick" -v s="$seconds" \
            'BEGIN { printf "%-32s %6.3f s processor time in %d s (%.2f%%)\n", p, t / k, s, 100 * t / k / s }'
    done
    rm -f "$conf"
    exit 0
fi

bash tools/setup-debian.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build -j "$(nproc)" --target dropling dropling_probe > /dev/null
echo "machine: $(nproc) cores, $(uname -m); build: RelWithDebInfo; display: Xvfb (llvmpipe)"
exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$seconds" --inside-xvfb
