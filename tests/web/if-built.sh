#!/usr/bin/env bash
# if-built.sh WEB_DIR COMMAND...: runs the command when `make web` has built
# the page into WEB_DIR; otherwise says so and exits 77, which CTest shows as
# a skipped test.
web_dir=$1
shift
if [ ! -f "$web_dir/page/barrage.wasm" ] || [ ! -f "$web_dir/bin/barrage-trace.js" ]; then
  echo "skipped: the web page is not built in $web_dir; run 'make web' first (make test does)"
  exit 77
fi
exec "$@"
