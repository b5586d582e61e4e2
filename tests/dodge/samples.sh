#!/usr/bin/env bash
# samples.sh DODGE TRACE PATTERNS_DIR: barrage-dodge on every sample over its
# first 900 frames; where it finds a way, barrage-trace replays the way with no
# hit; statuses are 0 (a way) or 1 (none), and 2 for usage and refused patterns;
# a sweep of rank gives a row a value.
dodge=$1 trace=$2 patterns=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
for file in "$patterns"/*.toml; do
  name=$(basename "$file" .toml)
  "$dodge" --pattern "$file" --to 900 --record "$scratch/$name.rec" > "$scratch/out" 2> /dev/null
  status=$?
  case $status in
    0) ship=$("$trace" 900 900 --pattern "$file" --replay "$scratch/$name.rec" 2> /dev/null | grep '^ship')
       [ "$(echo "$ship" | cut -d' ' -f4)" = 0 ] || fail "$name: the way replays as '$ship'" ;;
    1) grep -q "^not survivable\|^found none" "$scratch/out" || fail "$name: status 1 says $(head -1 "$scratch/out")" ;;
    *) fail "$name: status $status" ;;
  esac
done
"$dodge" --pattern spiral --from 20 --to 10 > /dev/null 2>&1; [ $? = 2 ] || fail "--to before --from is no usage error"
printf '[shooters]\ncount = x\n' > "$scratch/bad.toml"
"$dodge" --pattern "$scratch/bad.toml" > /dev/null 2>&1; [ $? = 2 ] || fail "a refused pattern is not status 2"
table=$("$dodge" --pattern "$patterns/tide.toml" --to 300 --sweep rank=0:1:0.5) || fail "the sweep: status $?"
[ "$(echo "$table" | grep -c '^[0-9.]* *survivable\|^[0-9.]* *not survivable')" = 3 ] || fail "the sweep's table: $table"
echo ok
