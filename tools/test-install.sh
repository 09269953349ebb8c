#!/usr/bin/env bash
# Installs the game as a player gets it and plays it from there.
#
#   bash tools/test-install.sh [build folder]     (default build/, built already)
#
# 1. `cmake --install` into a scratch prefix writes nothing outside it, with
#    a valid desktop entry and the icon in every size it names.
# 2. The launcher, found on PATH and run under a virtual display with openbox,
#    with HOME and XDG_DATA_HOME in scratch folders: the window opens;
#    minimising it suspends the game, which saves its record into the
#    player's folder and nowhere else; a second start from another working
#    directory loads that record ("Settings Loaded").
# 3. The Debian package: its dependencies come from the linked libraries,
#    lintian finds no error (warnings are printed), and unpacked into a
#    scratch root it runs the game, even for a player whose data folder
#    cannot be made.
# Every game ends through its window's close button with status 0.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")

if [[ "${2:-}" != "--inside-xvfb" ]]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$build" --inside-xvfb
fi

title="Dropling in A Vuro"
deadline=30 # seconds any one wait may take before the test fails
scratch=$(mktemp -d)
game=""
openbox >/dev/null 2>&1 &
wm=$!
trap 'kill $wm $game 2>/dev/null || true; rm -rf "$scratch"' EXIT

fail() {
    echo "test-install: FAILED: $*" >&2
    [[ -f "$scratch/log" ]] && sed 's/^/  game: /' "$scratch/log" >&2
    exit 1
}
# waits until the command succeeds, polling
await() {
    local until=$((SECONDS + deadline))
    until "$@"; do
        ((SECONDS < until)) || return 1
        sleep 0.1
    done
}
await wmctrl -m >/dev/null 2>&1 || fail "openbox did not start"

# OpenAL's null backend: a sound device on any machine, sound card or not.
printf '[general]\ndrivers = null\n' >"$scratch/alsoft.conf"
export ALSOFT_CONF=$scratch/alsoft.conf

# start <working dir> <XDG_DATA_HOME> <command>: runs the game in the
# background with the scratch home, its output in $scratch/log; sets $game
# and, once the window is open, $wid.
start() {
    mkdir -p "$1" "$scratch/home"
    (cd "$1" && HOME=$scratch/home XDG_DATA_HOME=$2 exec "$3") >"$scratch/log" 2>&1 &
    game=$!
    wid=$(timeout "$deadline" xdotool search --sync --onlyvisible --name "^$title\$" | head -n 1) ||
        true
    [[ -n "$wid" ]] || fail "the game's window did not open ($3)"
    # The launcher has become the program, so its exit status is the game's.
    [[ "$(readlink "/proc/$game/exe")" == */libexec/dropling/dropling ]] ||
        fail "the launcher did not exec the program"
}
ended() { ! kill -0 "$game" 2>/dev/null; }
# closes the window as a user does and checks that the game ends with 0
finish() {
    wmctrl -i -c "$wid"
    await ended || fail "the game did not end after its window closed"
    local status=0
    wait "$game" || status=$?
    ((status == 0)) || fail "the game ended with status $status"
}

echo "test-install: cmake --install into a scratch prefix"
prefix=$scratch/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
outside=$(grep -v "^$prefix/" "$build/install_manifest.txt" || true)
[[ -z "$outside" ]] || fail "installed outside the prefix: $outside"
desktop=$prefix/share/applications/dropling.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $desktop"
icon=$(sed -n 's/^Icon=//p' "$desktop")
for n in 16 24 32 48 64 128 256; do
    png=$prefix/share/icons/hicolor/${n}x$n/apps/$icon.png
    [[ "$(identify -format %wx%h "$png" 2>/dev/null)" == "${n}x$n" ]] ||
        fail "no ${n}x$n icon at $png"
done

echo "test-install: play, suspend, play again from elsewhere"
xdg=$scratch/xdg
player=$xdg/dropling
start "$scratch/cwd1" "$xdg" "$(PATH=$prefix/games:$PATH command -v dropling)"
xdotool windowminimize "$wid"
await test -s "$player/.vantorstate" || fail "suspending wrote no record to $player"
finish
records=$(cd "$scratch" && find . -name .vantorstate)
[[ "$records" == "./xdg/dropling/.vantorstate" ]] || fail "records written: $records"
[[ "$(readlink -f "$player/data")" == "$prefix/share/dropling/data" ]] ||
    fail "$player/data does not lead to the installed data"
start "$scratch/cwd2" "$xdg" "$prefix/games/dropling"
await grep -q "Settings Loaded" "$scratch/log" || fail "the second start did not load the record"
finish

echo "test-install: the Debian package"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/pkg" >/dev/null
deb=$(echo "$scratch"/pkg/dropling-*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libglfw3 libopenal1 libgl1; do
    [[ "$depends" == *"$lib"* ]] || fail "the package does not depend on $lib: $depends"
done
lint_status=0
lint=$(lintian --fail-on error "$deb" 2>&1) || lint_status=$?
grep -v "root privileges" <<<"$lint" || true
((lint_status == 0)) || fail "lintian reports errors"
dpkg-deb -x "$deb" "$scratch/root"
# A data folder below a regular file cannot be made, even by root.
touch "$scratch/blocked"
start "$scratch/cwd3" "$scratch/blocked/share" "$scratch/root/usr/games/dropling"
finish
grep -q "cannot keep its record" "$scratch/log" || fail "no word that the record cannot be kept"
echo "test-install: passed"
