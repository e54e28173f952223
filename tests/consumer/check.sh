#!/usr/bin/env bash
# Installs the library into a temporary prefix and builds and runs the
# consumer in tests/consumer/ every way another project can use the library:
# find_package, pkg-config, add_subdirectory and FetchContent.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake -S "$root" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DMORVANE_BUILD_TESTS=OFF -DMORVANE_BUILD_BENCHMARKS=OFF -DMORVANE_BUILD_DEMO=OFF >/dev/null
cmake --build "$work/build"
cmake --install "$work/build" --prefix "$work/prefix" >/dev/null
echo "installed:"; (cd "$work/prefix" && find . -type f | sort | sed 's/^/  /')

for via in package subdirectory fetchcontent; do
  cmake -S "$root/tests/consumer" -B "$work/$via" -G Ninja --no-warn-unused-cli -DMORVANE_VIA=$via \
    -DCMAKE_PREFIX_PATH="$work/prefix" -DMORVANE_SOURCE_DIR="$root" >/dev/null
  cmake --build "$work/$via" >/dev/null
  printf '%-13s ' "$via:"; "$work/$via/consumer"
done

PKG_CONFIG_PATH=$(dirname "$(find "$work/prefix" -name morvane-storage.pc)")
export PKG_CONFIG_PATH
# shellcheck disable=SC2046 # the flags are meant to split
c++ -std=c++20 -o "$work/pc-consumer" "$root/tests/consumer/main.cpp" $(pkg-config --cflags --libs morvane-storage)
printf '%-13s ' "pkg-config:"; "$work/pc-consumer"
