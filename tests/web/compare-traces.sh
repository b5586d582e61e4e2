#!/usr/bin/env bash
# The WebAssembly trace under Node must print exactly the native trace's bytes.
# usage: compare-traces.sh NATIVE_TRACE WEB_TRACE_JS FRAMES [EVERY]
set -euo pipefail
native=$1 web=$2
shift 2
native_sum=$("$native" "$@" 2>/dev/null | sha256sum)
web_sum=$(node "$web" "$@" 2>/dev/null | sha256sum)
if [ "$native_sum" != "$web_sum" ]; then
  echo "barrage-trace $*: the WebAssembly output differs from the native one"
  cmp <("$native" "$@") <(node "$web" "$@") | head -n 1
  exit 1
fi
echo "barrage-trace $*: identical (${native_sum%% *})"
