#!/usr/bin/env bash
# Builds the game and runs it from the build folder (where its data files are
# generated).
#
#   bash tools/run-game.sh              play: runs until you close the window
#   bash tools/run-game.sh --headless   the same without a screen (also what
#                                       happens when DISPLAY is not set)
#
# Headless, the game runs under a virtual X display (Xvfb) with a small
# window manager (openbox) for a few seconds; the script saves a screenshot
# of the game's window to build/screenshot.png (or $SCREENSHOT), then closes
# the window through its close button as a user would (wmctrl asks the window
# manager, which sends WM_DELETE_WINDOW) and reports the program's exit
# status, which is 0 for a normal quit.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

title="Dropling in A Vuro"
seconds=${RUN_SECONDS:-4}
shot=${SCREENSHOT:-$root/build/screenshot.png}

# Inside the virtual display: window manager, game, screenshot, close.
if [[ "${1:-}" == "--inside-xvfb" ]]; then
    openbox >/dev/null 2>&1 &
    wm=$!
    trap 'kill $wm 2>/dev/null || true' EXIT
    for _ in $(seq 100); do
        wmctrl -m >/dev/null 2>&1 && break
        sleep 0.1
    done

    (cd "$root/build" && exec ./dropling) &
    game=$!
    if ! wid=$(timeout 30 xdotool search --sync --onlyvisible --name "^$title\$" | head -n 1) ||
        [[ -z "$wid" ]]; then
        echo "run-game: the game's window did not appear" >&2
        kill "$game" 2>/dev/null || true
        exit 1
    fi
    echo "run-game: window $wid is open; running for $seconds s"
    sleep "$seconds"
    import -window "$wid" "$shot"
    echo "run-game: screenshot saved to $shot"
    wmctrl -c "$title"
    status=0
    wait "$game" || status=$?
    echo "run-game: the game ended with status $status"
    exit "$status"
fi

bash tools/setup-debian.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"

if [[ -n "${DISPLAY:-}" && "${1:-}" != "--headless" ]]; then
    cd build
    exec ./dropling
fi

exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$root/tools/run-game.sh" --inside-xvfb
