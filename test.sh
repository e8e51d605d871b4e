#!/usr/bin/env bash
# Builds everything and runs the whole test suite: the main build (warnings as errors), the
# formatting check, the sanitizer build of the core tests and a short fuzzing run.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/ensure-packages.sh

jobs=$(nproc)

echo "== formatting"
files=$(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h' 2>/dev/null || true)
if [[ -n "$files" ]]; then
    clang-format --dry-run --Werror $files
fi

echo "== build"
cmake --preset ci >/dev/null
cmake --build --preset ci -j"$jobs"

echo "== tests"
ctest --test-dir build --output-on-failure -j"$jobs" --timeout 600

if [[ "${Q9_SKIP_SANITIZERS:-0}" != 1 ]]; then
    echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer"
    cmake --preset asan >/dev/null
    cmake --build --preset asan -j"$jobs"
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
        ctest --test-dir build/asan --output-on-failure -j"$jobs" --timeout 900 -LE slow
fi

if [[ "${Q9_SKIP_FUZZ:-0}" != 1 ]]; then
    echo "== short fuzzing runs"
    cmake --preset fuzz >/dev/null
    cmake --build --preset fuzz -j"$jobs"
    ./scripts/fuzz.sh 20
fi
echo "== all tests passed"
