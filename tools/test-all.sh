#!/usr/bin/env bash
# Builds and runs every test: the normal build in build/, then the
# AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/.
# The suite runs under a virtual X display so that window tests have one.
# The normal build is then installed, packaged and played from the install
# (tools/test-install.sh). Last, each fuzz target runs briefly (tools/fuzz.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup-debian.sh

jobs=$(nproc)
xvfb=(xvfb-run -a -s "-screen 0 1280x1024x24 -ardelay 5000")

run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" "$@"
  cmake --build "$dir" -j "$jobs"
  "${xvfb[@]}" ctest --test-dir "$dir" --output-on-failure --no-tests=error -j "$jobs"
}

echo "== normal build"
run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo
echo "== install and package"
bash tools/test-install.sh build
echo "== sanitizer build"
run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DDROPLING_SANITIZE=ON
echo "== fuzz smoke run"
FUZZ_SEED=1 bash tools/fuzz.sh 25
echo "== all tests passed"
