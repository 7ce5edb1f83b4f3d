#!/usr/bin/env bash
# Checks the formatting of every C++ file, then builds and runs the whole test suite: a release
# build (benchmarks and the Python package built too), which is then installed into a temporary
# prefix and used by the examples/consumer project; an AddressSanitizer + UndefinedBehaviorSanitizer
# build (the Python package is tested in the release build only: the interpreter is not built with
# the sanitizers); and, with clang, each file-reader fuzzer for 60 s from its seed corpus and the
# parallel operators' tests and the concurrency stress test under ThreadSanitizer (OpenMP's own
# synchronisation made visible through its archer tool).
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

if command -v clang++ >/dev/null 2>&1; then
  fuzzers=(stl_ascii_fuzz stl_binary_fuzz beamgraph_fuzz)
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVZ_FUZZ=ON -DVZ_SANITIZE=OFF -DVZ_BUILD_TESTS=OFF -DVZ_BUILD_BENCHMARKS=OFF -DVZ_BUILD_EXAMPLES=OFF \
    -DVZ_BUILD_PYTHON=OFF
  cmake --build build-fuzz -j"$jobs" --target "${fuzzers[@]}"
  for f in "${fuzzers[@]}"; do
    # New inputs go to a scratch folder; the committed seeds stay as they are.
    scratch="$(mktemp -d)"
    ./build-fuzz/fuzz/"$f" -max_total_time=60 -rss_limit_mb=2048 -print_final_stats=1 "$scratch" "fuzz/corpus/${f%_fuzz}"
    rm -rf "$scratch"
  done

  tsan_tests=(test_collision test_thickness test_graphsearch test_stress)
  CC=clang CXX=clang++ cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVZ_TSAN=ON -DVZ_SANITIZE=OFF -DVZ_BUILD_TESTS=ON -DVZ_BUILD_BENCHMARKS=OFF -DVZ_BUILD_EXAMPLES=OFF \
    -DVZ_BUILD_PYTHON=OFF
  cmake --build build-tsan -j"$jobs" --target "${tsan_tests[@]}"
  # OpenMP's tool that tells TSan about parallel regions, barriers and critical sections.
  archer="$(dirname "$(dirname "$(clang -print-resource-dir)")")/libarcher.so"
  for t in "${tsan_tests[@]}"; do
    OMP_TOOL_LIBRARIES="$archer" TSAN_OPTIONS="exitcode=66 suppressions=$PWD/tools/tsan.supp" ./build-tsan/tests/"$t" --gtest_brief=1
  done
else
  echo "clang not found: fuzzers and the ThreadSanitizer pass skipped"
fi
