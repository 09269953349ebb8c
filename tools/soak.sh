#!/usr/bin/env bash
# The soak run: the replay tool plays bot games back to back for many
# updates (all three game types, games lost at a barrier and games kept
# alive, pauses through the pause icon, the option box opened from the pause
# menu with the sound and iCade rows changed, window resizes to a larger, a
# portrait and the first size) and prints, every million updates, the games
# started so far, the collector's live and highest live bytes, the process's
# resident memory and the OpenAL buffers alive. All should stay flat after
# the first cycles. Each game start decodes the game's tune (about a tenth
# of a second), which is most of the run's time.
#
#   bash tools/soak.sh [UPDATES [EVERY [replay options...]]]
#       UPDATES  total updates (default 10000000)
#       EVERY    updates between two lines (default 1000000)
#   bash tools/soak.sh 1000000 100000 --gc-stress
#       the shorter run with the collector's stress mode on
#
# Uses the normal build in build/ (configured and built here if needed), a
# scratch folder for the state file, and runs at low priority.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
updates=${1:-10000000}
every=${2:-1000000}
shift $(( $# < 2 ? $# : 2 ))

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target replay dropling_data >/dev/null

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
ln -s "$root/build/data" "$scratch/data"

# One cycle per game type: lost games (the bot does not avoid barriers),
# then a kept game with a pause, the option box (sound row, iCade row on and
# off, back gear), a resume and three window sizes. The keys only ever
# pause, move and press space: whatever state a cycle meets (a lost game
# already back in the menu), nothing in it can quit the program.
cycle() {
    local t=$1
    cat <<SCRIPT
bot on $t
run 1500
bot on $t avoid
run 4000
click 16 16
run 60
tap space
run 500
click 16 16
run 40
tap right
run 3
tap space
run 40
tap down
run 3
tap space
run 3
tap down
run 3
tap space
run 3
tap space
run 3
tap up
run 3
tap up
run 3
tap space
run 40
tap left
run 3
tap space
run 300
size 800 600
run 500
size 360 540
run 500
size 640 480
run 500
SCRIPT
}
per_cycle=$(cycle 1 | awk '/^run/ {n += $2; next} NF {n++} END {print n}')

script="$scratch/soak.txt"
done_updates=0
t=1
while (( done_updates < updates )); do
    cycle "$t" >>"$script"
    done_updates=$(( done_updates + per_cycle ))
    t=$(( t % 3 + 1 ))
done

echo "soak: $updates updates in cycles of $per_cycle, a line every $every; $(nproc) cores, RelWithDebInfo"
start=$(date +%s)
nice -n 10 "$root/build/tools/replay/replay" --dir "$scratch" --soak "$every" "$@" "$script" |
    grep --line-buffered -v '^[A-Z]' || true
echo "soak: done in $(( $(date +%s) - start )) s"
