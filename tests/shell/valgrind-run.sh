#!/usr/bin/env bash
# Starts the program under valgrind without a display (it runs on in the
# terminal fallback), lets it run a few hundred frames, ends it with SIGTERM
# and fails on any memory error or on anything of its own left allocated.
set -u
program=$1
suppressions=$2
log=$(mktemp)
trap 'rm -f "$log"' EXIT
env -u DISPLAY -u WAYLAND_DISPLAY valgrind --quiet --error-exitcode=99 --leak-check=full \
    --errors-for-leak-kinds=definite,indirect --show-leak-kinds=definite,indirect \
    --suppressions="$suppressions" --log-file="$log" "$program" </dev/null 2>/dev/null &
pid=$!
sleep 6
kill -TERM "$pid"
wait "$pid"
status=$?
cat "$log"
if [ "$status" -ne 0 ]; then
    echo "valgrind run ended with status $status"
    exit 1
fi
echo "valgrind: no errors, nothing of the program's own left allocated"
