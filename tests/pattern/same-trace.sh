#!/usr/bin/env bash
# same-trace.sh TRACE PATTERN FRAMES EVERY: the pattern file's trace is the
# built-in choreography's, byte for byte.
trace=$1 pattern=$2 frames=$3 every=$4
cmp <("$trace" "$frames" "$every") <("$trace" --pattern "$pattern" "$frames" "$every" 2>/dev/null) && echo same
