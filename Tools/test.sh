#!/usr/bin/env bash
# Installs what is missing, builds the whole tree with address and undefined-behaviour
# sanitizers and runs the complete test suite under CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash Tools/setup.sh
jobs=$(nproc)
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs"
# The job's threads are checked once more under ThreadSanitizer.
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$jobs" --target tsan_tests
ctest --preset tsan -j "$jobs" -L tsan
