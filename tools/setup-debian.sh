#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Only what is missing is installed; on a machine that has everything this
# does nothing and needs no network.
set -euo pipefail

packages=(
  # build
  g++ cmake make pkg-config
  libglfw3-dev libgl-dev libx11-dev libopenal-dev libstb-dev libvorbis-dev zlib1g-dev
  # loaded by GLFW at run time without being declared
  libxrandr2 libxinerama1 libxcursor1 libxi6 libxxf86vm1
  # tests: GoogleTest, a virtual display with Mesa's software OpenGL, real input
  libgtest-dev libgmock-dev xvfb xauth libgl1-mesa-dri xdotool openbox wmctrl x11-utils imagemagick
  # packaging and its checks: dpkg-shlibdeps (with file) for the package's
  # dependencies, lintian, desktop-file-validate
  dpkg-dev file lintian desktop-file-utils
  # fuzzing: libFuzzer and the sanitizer runtimes come with Debian's clang
  clang libclang-rt-14-dev
  # tests: sound files made by others, to load with our own readers
  sound-theme-freedesktop alsa-utils
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "setup: installing ${missing[*]}"
sudo=""
if [[ $(id -u) != 0 ]]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
