#!/usr/bin/env bash
# Builds and runs the consumers in tests/consumer/ every way another project
# can get the library. Every consumer is C++17 and checks that it stays so.
#
#   check.sh [PREFIX]    install the library into a temporary prefix (or take
#                        the Release install in PREFIX), then use it through
#                        find_package, pkg-config, add_subdirectory and
#                        FetchContent; include the whole error family at once;
#                        stop a Debug program on each null-File assert; embed
#                        it in an engine that installs and exports itself, and
#                        use the engine's package
#   check.sh --deb DEB   unpack the Debian package DEB into a temporary root
#                        (never into the system), then use it through
#                        find_package and pkg-config, with the error family
#                        and the null-File asserts
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
consumer=$root/tests/consumer
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# major * 10000 + minor * 100 + patch, from the one version that project() declares.
version=$(sed -n 's/^project(morvane VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
IFS=. read -r major minor patch <<<"$version"
expected=$((major * 10000 + minor * 100 + patch))

# Runs a command quietly; on failure shows its output and stops. $1 names the log.
quietly() {
  local log=$work/$1.log
  shift
  "$@" >"$log" 2>&1 || { cat "$log"; echo "check.sh: failed: $*"; exit 1; }
}

# Configures and builds the CMake project in $2 into $work/$1, with the rest
# of the arguments as cache settings.
cmake_project() {
  local name=$1 source=$2
  shift 2
  quietly "$name" cmake -S "$source" -B "$work/$name" -G Ninja --no-warn-unused-cli "$@"
  quietly "$name-build" cmake --build "$work/$name"
}

# Configures, builds and runs the CMake consumer; $1 is how it gets the library.
cmake_consumer() {
  local via=$1
  shift
  cmake_project "$via" "$consumer" -DMORVANE_VIA="$via" -DMORVANE_SOURCE_DIR="$root" \
    -DMORVANE_EXPECTED_VERSION=$expected "$@"
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
  case " $flags " in *" -std="*) echo "the pkg-config file sets a language standard: $flags"; exit 1 ;; esac
  # shellcheck disable=SC2086 # the flags are meant to split
  {
    c++ -std=c++17 -shared -fPIC -o "$work/pc-plugin.so" "$consumer/plugin.cpp" $flags
    c++ -std=c++17 -DMORVANE_EXPECTED_VERSION=$expected -o "$work/pc-consumer" \
      "$consumer/main.cpp" "$consumer/own_storage.cpp" $flags -ldl
  }
  printf '%-13s ' "pkg-config:"
  "$work/pc-consumer" "$work/pc-plugin.so"
}

# Fails if an archive of the library lies directly in a library folder under
# $1 rather than in a folder of its own, where a libstorage.so of another
# package could shadow it.
archive_in_own_folder() {
  local archives
  archives=$(find "$1" -name 'libstorage.*')
  [ -n "$archives" ] || { echo "no libstorage.* under $1"; exit 1; }
  while read -r archive; do
    [ "$(basename "$(dirname "$archive")")" = morvane ] ||
      { echo "libstorage.* outside a morvane/ folder of its own: ${archive#"$1"/}"; exit 1; }
  done <<<"$archives"
  echo "archive in a folder of its own: ${archives//"$1"\//}"
}

# Against the install whose .pc file lies under $1: <morvane/exceptions.h>
# alone brings all ten error classes, and a Debug program is stopped by the
# null-File assert of each of the four operations (SIGABRT, with the assert's
# text), whatever the library was built with.
family_and_null_file() {
  local flags
  flags=$(PKG_CONFIG_PATH=$(dirname "$(find "$1" -name morvane-storage.pc)") pkg-config --cflags --libs morvane-storage)
  # shellcheck disable=SC2086 # the flags are meant to split
  {
    c++ -std=c++17 -o "$work/all_errors" "$consumer/all_errors.cpp" $flags
    c++ -std=c++17 -O0 -o "$work/null_file" "$consumer/null_file.cpp" $flags
  }
  "$work/all_errors"
  local operation status
  for operation in insert remove lookup tryLookup; do
    status=0
    "$work/null_file" "$operation" >"$work/null_file.log" 2>&1 || status=$?
    if [ "$status" -ne 134 ] || ! grep -q 'a null File\* is a caller error' "$work/null_file.log"; then
      cat "$work/null_file.log"
      echo "a Debug program's $operation with a null File* was not stopped by the assert (status $status)"
      exit 1
    fi
  done
  echo "null File:    a Debug program stops on the assert in insert, remove, lookup and tryLookup"
}

if [ "${1:-}" = "--deb" ]; then
  deb=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
  dpkg-deb -x "$deb" "$work/root"
  echo "unpacked $(basename "$deb") into a scratch root"
  archive_in_own_folder "$work/root"
  cmake_consumer package -DCMAKE_PREFIX_PATH="$work/root/usr" -DCMAKE_FIND_USE_CMAKE_SYSTEM_PATH=OFF
  pkgconfig_consumer "$(dirname "$(find "$work/root" -name morvane-storage.pc)")"
  family_and_null_file "$work/root"
  exit 0
fi

if [ -n "${1:-}" ]; then
  prefix=$(cd "$1" && pwd)
  echo "the Release install in $prefix:"
else
  prefix=$work/prefix
  cmake -S "$root" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DMORVANE_BUILD_TESTS=OFF -DMORVANE_BUILD_BENCHMARKS=OFF -DMORVANE_BUILD_DEMO=OFF >/dev/null
  cmake --build "$work/build"
  cmake --install "$work/build" --prefix "$prefix" >/dev/null
  echo "installed:"
fi
(cd "$prefix" && find . -type f | sort | sed 's/^/  /')
archive_in_own_folder "$prefix"

cmake_consumer package -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_FIND_USE_CMAKE_SYSTEM_PATH=OFF
cmake_consumer subdirectory
cmake_consumer fetchcontent
pkgconfig_consumer "$(dirname "$(find "$prefix" -name morvane-storage.pc)")"
family_and_null_file "$prefix"

# A discarded tryLookup result is a warning, here an error.
if c++ -std=c++17 -fsyntax-only -Werror -I"$prefix/include" -x c++ - <<<'#include <morvane/bufHashTbl.h>
void f(const morvane::BufHashTbl& t, const morvane::File& f) { morvane::FrameId x; t.tryLookup(&f, 1, x); }' \
  >"$work/nodiscard.log" 2>&1; then
  echo "a discarded tryLookup result compiles without a warning"; exit 1
fi
grep -q nodiscard "$work/nodiscard.log" || { cat "$work/nodiscard.log"; exit 1; }
echo "nodiscard:    a discarded tryLookup result is diagnosed"

# An engine embeds the library, installs and exports itself with it; a program
# then uses the engine's installed package alone.
for via in subdirectory fetchcontent; do
  cmake_project "engine-$via" "$consumer/engine" -DMORVANE_VIA="$via" -DMORVANE_SOURCE_DIR="$root" \
    -DCMAKE_BUILD_TYPE=Release
  quietly "engine-$via-install" cmake --install "$work/engine-$via" --prefix "$work/engine-$via-prefix"
  archive_in_own_folder "$work/engine-$via-prefix"
  cmake_project "engine-app-$via" "$consumer/engine_app" -DCMAKE_PREFIX_PATH="$work/engine-$via-prefix" \
    -DCMAKE_FIND_USE_CMAKE_SYSTEM_PATH=OFF
  printf '%-13s ' "engine ($via):"
  "$work/engine-app-$via/engine_app"
done
