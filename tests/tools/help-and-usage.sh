#!/usr/bin/env bash
# help-and-usage.sh TOOL BAD-ARGUMENT WORD: --help goes to stdout with status 0
# wherever it stands among the arguments, a help that cannot be written is
# status 1, and a usage error is one line on stderr naming WORD, status 2.
tool=$1 bad=$2 word=$3
fail() { echo "FAIL: $*"; exit 1; }
out=$(timeout 10 "$tool" --help 2>/dev/null </dev/null); [ $? -eq 0 ] && [ -n "$out" ] || fail "--help: status or empty stdout"
"$tool" --help --bogus >/dev/null 2>&1 || fail "--help --bogus: status $?"
"$tool" --bogus --help >/dev/null 2>&1 || fail "--bogus --help: status $?"
"$tool" --help >/dev/full 2>/dev/null; status=$?
[ $status -eq 1 ] || fail "--help >/dev/full: status $status"
err=$(timeout 10 "$tool" $bad 2>&1 >/dev/null </dev/null); status=$?
[ $status -eq 2 ] || fail "$bad: status $status"
[ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ] || fail "$bad: more than one line: $err"
case $err in *"$word"*) ;; *) fail "$bad: '$err' does not name $word" ;; esac
echo "ok"
