#!/usr/bin/env bash
# Uses a release build the way an application team would: installs it into a temporary prefix,
# checks the installed library's export table and header layout, then configures, builds and runs
# examples/consumer against the prefix with find_package, and builds it once more with the flags
# of verozerizaz.pc.
# Usage: tools/check-install.sh [build folder, default build]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
prefix="$scratch/prefix"

cmake --install "$build" --prefix "$prefix" >/dev/null
library="$(find "$prefix" -name libVeroZerizaz.so | head -n 1)"
if [ -z "$library" ]; then
  echo "libVeroZerizaz.so was not installed" >&2
  exit 1
fi
libdir="$(dirname "$library")"

# Every header sits under include/verozerizaz/; nothing with a generic name lands in include/.
stray="$(find "$prefix/include" -mindepth 1 -maxdepth 1 ! -name verozerizaz)"
if [ -n "$stray" ]; then
  echo "installed outside include/verozerizaz: $stray" >&2
  exit 1
fi
tools/check-exports.sh "$library" "$build"

launcher=()
if command -v ccache >/dev/null 2>&1; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S examples/consumer -B "$scratch/consumer" -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$prefix" \
  "${launcher[@]}" >/dev/null
cmake --build "$scratch/consumer" -j"$(nproc)"
"$scratch/consumer/collision_consumer"

if command -v pkg-config >/dev/null 2>&1; then
  # shellcheck disable=SC2046 # pkg-config prints several flags
  c++ examples/consumer/collision_consumer.cpp -o "$scratch/collision_consumer_pc" \
    $(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --cflags --libs verozerizaz)
  LD_LIBRARY_PATH="$libdir" "$scratch/collision_consumer_pc" >/dev/null
  echo "pkg-config build of the consumer runs"
fi
