#!/usr/bin/env bash
# changed-step.sh TRACE PATTERN: one value changed in the second movement step
# (in force from frame 1302) leaves the trace as it was up to frame 1301 and
# changes it from frame 1302 on.
trace=$1 pattern=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
sed 's/angleStep = -2, radius = 150/angleStep = -2, radius = 151/' "$pattern" > "$scratch/changed.toml"
cmp -s "$pattern" "$scratch/changed.toml" && { echo "the step was not changed"; exit 1; }
"$trace" 1400 1 > "$scratch/before"
"$trace" --pattern "$scratch/changed.toml" 1400 1 > "$scratch/after" 2>/dev/null
first=$(awk 'NR == FNR { a[FNR] = $0; next } a[FNR] != $0 { print FNR; exit }' "$scratch/before" "$scratch/after")
[ -n "$first" ] || { echo "no difference"; exit 1; }
frame=$(head -n "$first" "$scratch/before" | grep '^frame ' | tail -1)
echo "first difference in $frame"
