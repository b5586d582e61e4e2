#!/usr/bin/env bash
# pattern-names.sh BIN_DIR: --pattern in every program refuses an empty name;
# a file that is there is the user's even when a sample has its name; a name
# that is neither lists the samples; barrage itself plays a pattern and says
# its mistakes before it opens anything.
bin=$1
fail() { echo "FAIL: $*"; exit 1; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for tool in barrage barrage-trace barrage-capture barrage-view; do
  err=$(timeout 10 "$bin/$tool" --pattern "" 1 2>&1 >/dev/null </dev/null); status=$?
  [ $status -eq 2 ] || fail "$tool --pattern '': status $status"
  case $err in *"--pattern: must not be empty"*) ;; *) fail "$tool --pattern '': $err" ;; esac
done
printf '[shooters\n' > "$scratch/spiral"
err=$(cd "$scratch" && "$bin/barrage-trace" --check --pattern spiral 2>&1); status=$?
[ $status -eq 2 ] && [ "${err#spiral:1:10: error:}" != "$err" ] || fail "./spiral was not the file read: $status $err"
err=$("$bin/barrage-trace" --check --pattern nosuch 2>&1); status=$?
[ $status -eq 2 ] || fail "nosuch: status $status"
case $err in *"no sample pattern"*"spiral"*) ;; *) fail "nosuch: $err" ;; esac
err=$(timeout 10 "$bin/barrage" --pattern "$scratch/spiral" 2>&1 </dev/null); status=$?
[ $status -eq 2 ] && [ "${err#"$scratch/spiral:1:10: error:"}" != "$err" ] || fail "barrage --pattern: $status $err"
echo ok
