#!/usr/bin/env bash
# Checks the formatting of every C++ file, then builds and runs the whole test suite twice: a
# release build (benchmarks and the Python package built too), which is then installed into a
# temporary prefix and used by the examples/consumer project, and an AddressSanitizer +
# UndefinedBehaviorSanitizer build. The Python package is tested in the release build only: the
# interpreter itself is not built with the sanitizers.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
tools/check-format.sh
jobs="$(nproc)"

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DVZ_SANITIZE=OFF -DVZ_BUILD_TESTS=ON -DVZ_BUILD_BENCHMARKS=ON -DVZ_BUILD_EXAMPLES=ON \
  -DVZ_BUILD_PYTHON=ON -DPython_EXECUTABLE=/usr/bin/python3
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure --no-tests=error -j"$jobs"
tools/check-install.sh build

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVZ_SANITIZE=ON -DVZ_BUILD_TESTS=ON -DVZ_BUILD_BENCHMARKS=OFF -DVZ_BUILD_EXAMPLES=OFF \
  -DVZ_BUILD_PYTHON=OFF
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir build-asan --output-on-failure --no-tests=error -j"$jobs"
