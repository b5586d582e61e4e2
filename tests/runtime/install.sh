#!/usr/bin/env bash
# install.sh BUILD_DIR SOURCE_DIR TRACE: the runtime installed on its own
# (cmake --install --component runtime) is what a game needs: the examples
# build against it with find_package(barrage) and with pkg-config, shared and
# static, and print barrage-trace's trace.
build=$1 source=$2 trace=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
prefix=$scratch/prefix
cmake --install "$build" --component runtime --prefix "$prefix" > /dev/null || fail "cmake --install"
libdir=$(ls -d "$prefix"/lib*/ | head -1)
[ -f "$prefix/include/barrage.h" ] || fail "no header"
[ -f "$prefix/share/barrage/conformance.txt" ] || fail "no conformance set"
"$trace" 120 7 > "$scratch/expected" || fail "barrage-trace"

cmake -S "$source/examples" -B "$scratch/cmake" -DCMAKE_PREFIX_PATH="$prefix" > "$scratch/log" 2>&1 ||
  { cat "$scratch/log"; fail "configure with find_package"; }
cmake --build "$scratch/cmake" --target example-trace > "$scratch/log" 2>&1 || { cat "$scratch/log"; fail "build"; }
"$scratch/cmake/example-trace" 120 7 | cmp -s - "$scratch/expected" || fail "find_package's build prints another trace"

export PKG_CONFIG_PATH=$libdir/pkgconfig
cc -std=c99 -o "$scratch/shared" "$source/examples/trace.c" $(pkg-config --cflags --libs barrage) || fail "pkg-config, shared"
LD_LIBRARY_PATH=$libdir "$scratch/shared" 120 7 | cmp -s - "$scratch/expected" || fail "the shared build prints another trace"
cc -std=c99 -o "$scratch/static" "$source/examples/trace.c" $(pkg-config --cflags barrage) "$libdir/libbarrage.a" \
  $(pkg-config --static --libs-only-l barrage | sed 's/-lbarrage//') || fail "pkg-config, static"
"$scratch/static" 120 7 | cmp -s - "$scratch/expected" || fail "the static build prints another trace"
if /usr/bin/python3 -c "import cffi, numpy" 2> /dev/null; then
  /usr/bin/python3 -c "import sys; sys.path.insert(0, '$prefix/share/barrage/python'); import barrage; print(barrage.version()[0])" |
    grep -qx "$(sed -n 's/^#define BARRAGE_API_VERSION \([0-9]*\)$/\1/p' "$source/src/runtime/barrage.h")" ||
    fail "the installed Python module"
fi
echo ok
