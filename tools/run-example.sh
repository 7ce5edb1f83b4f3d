#!/usr/bin/env bash
# Builds the library and runs the example program on its built-in sample part.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DVZ_SANITIZE=OFF -DVZ_BUILD_EXAMPLES=ON -DVZ_BUILD_TESTS=OFF -DVZ_BUILD_BENCHMARKS=OFF -DVZ_BUILD_PYTHON=OFF
cmake --build build -j"$(nproc)" --target meshanalysis
./build/examples/meshanalysis summary "$@"
