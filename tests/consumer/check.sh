#!/usr/bin/env bash
# Builds and runs the consumer in tests/consumer/ every way another project
# can get the library.
#
#   check.sh             install the library into a temporary prefix, then use
#                        it through find_package, pkg-config, add_subdirectory
#                        and FetchContent
#   check.sh --deb DEB   unpack the Debian package DEB into a temporary root
#                        (never into the system), then use it through
#                        find_package and pkg-config
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
consumer=$root/tests/consumer
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# major * 10000 + minor * 100 + patch, from the one version that project() declares.
version=$(sed -n 's/^project(morvane VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
IFS=. read -r major minor patch <<<"$version"
expected=$((major * 10000 + minor * 100 + patch))

# Configures, builds and runs the CMake consumer; $1 is how it gets the library.
cmake_consumer() {
  local via=$1
  shift
  if ! { cmake -S "$consumer" -B "$work/$via" -G Ninja --no-warn-unused-cli -DMORVANE_VIA="$via" \
      -DMORVANE_SOURCE_DIR="$root" -DMORVANE_EXPECTED_VERSION=$expected "$@" && cmake --build "$work/$via"; } \
      >"$work/$via.log" 2>&1; then
    cat "$work/$via.log"
    exit 1
  fi
  printf '%-13s ' "$via:"
  "$work/$via/consumer" "$work/$via/morvane_plugin.so"
}

# Builds and runs the consumer from the pkg-config file in directory $1.
pkgconfig_consumer() {
  export PKG_CONFIG_PATH=$1
  local found
  found=$(pkg-config --modversion morvane-storage)
  [ "$found" = "$version" ] || { echo "pkg-config says version $found, the project $version"; exit 1; }
  local flags
  flags=$(pkg-config --cflags --libs morvane-storage)
  # shellcheck disable=SC2086 # the flags are meant to split
  {
    c++ -std=c++20 -shared -fPIC -o "$work/pc-plugin.so" "$consumer/plugin.cpp" $flags
    c++ -std=c++20 -DMORVANE_EXPECTED_VERSION=$expected -o "$work/pc-consumer" \
      "$consumer/main.cpp" "$consumer/own_storage.cpp" $flags -ldl
  }
  printf '%-13s ' "pkg-config:"
  "$work/pc-consumer" "$work/pc-plugin.so"
}

if [ "${1:-}" = "--deb" ]; then
  deb=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
  dpkg-deb -x "$deb" "$work/root"
  echo "unpacked $(basename "$deb") into a scratch root"
  cmake_consumer package -DCMAKE_PREFIX_PATH="$work/root/usr" -DCMAKE_FIND_USE_CMAKE_SYSTEM_PATH=OFF
  pkgconfig_consumer "$(dirname "$(find "$work/root" -name morvane-storage.pc)")"
  exit 0
fi

cmake -S "$root" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DMORVANE_BUILD_TESTS=OFF -DMORVANE_BUILD_BENCHMARKS=OFF -DMORVANE_BUILD_DEMO=OFF >/dev/null
cmake --build "$work/build"
cmake --install "$work/build" --prefix "$work/prefix" >/dev/null
echo "installed:"; (cd "$work/prefix" && find . -type f | sort | sed 's/^/  /')

cmake_consumer package -DCMAKE_PREFIX_PATH="$work/prefix" -DCMAKE_FIND_USE_CMAKE_SYSTEM_PATH=OFF
cmake_consumer subdirectory
cmake_consumer fetchcontent
pkgconfig_consumer "$(dirname "$(find "$work/prefix" -name morvane-storage.pc)")"
