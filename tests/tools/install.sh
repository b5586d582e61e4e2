#!/usr/bin/env bash
# install.sh BUILD_DIR VERSION: cmake --install puts the program and the tools
# in PREFIX/bin and the sample patterns in PREFIX/share/barrage/patterns, where
# an installed tool finds a sample by its bare name; every tool answers
# --version with the project's version.
build=$1 version=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
cmake --install "$build" --prefix "$prefix" > /dev/null || fail "cmake --install"
for tool in barrage barrage-view barrage-trace barrage-capture; do
  [ -x "$prefix/bin/$tool" ] || fail "no $prefix/bin/$tool"
done
[ -f "$prefix/share/barrage/patterns/demonstration.toml" ] || fail "no sample patterns"
for tool in barrage barrage-view barrage-trace barrage-capture; do
  [ "$("$prefix/bin/$tool" --version)" = "$tool $version" ] || fail "$tool --version"
done
cp "$prefix/share/barrage/patterns/demonstration.toml" "$prefix/share/barrage/patterns/only-installed.toml"
"$prefix/bin/barrage-trace" --check --pattern only-installed > /dev/null 2>&1 || fail "a sample by its name, installed"
echo ok
