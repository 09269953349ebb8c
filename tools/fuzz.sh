#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each one
# for the given number of seconds (default 60) under AddressSanitizer and
# UndefinedBehaviorSanitizer:
#
#     bash tools/fuzz.sh [seconds] [target...]
#
# FUZZ_SEED=n makes a run repeatable (the test command uses seed 1, so a
# finding there is found again by every run of the same tree); unset, each
# run explores from a seed of its own.
#
# Targets: fuzz_wav (the RIFF WAVE reader), fuzz_ogg (the Ogg Vorbis reader
# and the decoder behind it) and fuzz_text (the runtime's text file decoder,
# String::Load). Each starts from the seeds in tests/fuzz/corpus/<kind>/ and
# keeps what it learns in build-fuzz/corpus/<target>/ (the committed seeds are
# never modified). A finding stops the run with the crashing input saved in
# build-fuzz/findings/ and a non-zero exit status.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
seed=${FUZZ_SEED:-0}  # 0: libFuzzer picks one
shift || true
targets=("$@")
if ((${#targets[@]} == 0)); then targets=(fuzz_wav fuzz_ogg fuzz_text); fi

# Inputs stay small: the readers' interesting structure is in the first few
# hundred bytes, and no input may make them allocate more than a little.
max_len=4096
malloc_limit_mb=64

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DDROPLING_FUZZ=ON -DDROPLING_TESTS=OFF >/dev/null
cmake --build build-fuzz -j2 --target "${targets[@]}"

mkdir -p build-fuzz/findings
for target in "${targets[@]}"; do
  case $target in
    fuzz_wav) seeds=tests/fuzz/corpus/wav ;;
    fuzz_ogg) seeds=tests/fuzz/corpus/ogg ;;
    fuzz_text) seeds=tests/fuzz/corpus/text ;;
    *) echo "fuzz: unknown target $target" >&2; exit 2 ;;
  esac
  work=build-fuzz/corpus/$target
  mkdir -p "$work"
  echo "fuzz: $target for ${seconds}s"
  set +e
  ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=tests/fuzz/lsan.supp \
    UBSAN_OPTIONS=print_stacktrace=1 \
    "build-fuzz/tests/fuzz/$target" -max_total_time="$seconds" -max_len=$max_len \
    -malloc_limit_mb=$malloc_limit_mb -timeout=10 -seed="$seed" -print_final_stats=1 \
    -artifact_prefix="build-fuzz/findings/$target-" "$work" "$seeds" 2>&1 | tail -n 12
  status=${PIPESTATUS[0]}
  set -e
  if ((status != 0)); then
    echo "fuzz: $target found a problem (exit $status); input in build-fuzz/findings/" >&2
    exit 1
  fi
done
echo "fuzz: all targets ran clean"
