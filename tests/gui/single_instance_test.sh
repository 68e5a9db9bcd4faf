#!/bin/bash
# The real program: a second start with a file hands the file to the first
# window and ends at once; a start with a file that cannot be read fails.
# Usage: single_instance_test.sh KOVA EXAMPLES_DIR
set -u
kova=$1
examples=$2
work=$(mktemp -d)
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=offscreen
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
first=""
trap '[ -n "$first" ] && kill "$first" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL $*"; exit 1; }

cp "$examples/sample.kvf" "$work/first.kvf"
cp "$examples/fixed-charge.kvf" "$work/second.kvf"
"$kova" "$work/first.kvf" 2>"$work/first.err" &
first=$!
for _ in $(seq 100); do
    ls "$XDG_RUNTIME_DIR"/kova-*.socket >/dev/null 2>&1 && break
    sleep 0.1
done
ls "$XDG_RUNTIME_DIR"/kova-*.socket >/dev/null 2>&1 || fail "the first window does not listen"

timeout 10 "$kova" "$work/second.kvf" || fail "the second start did not end with status 0"
# The first window opened it: it heads the recent-file list.
ini=$XDG_CONFIG_HOME/Velorand/KOVA.ini
for _ in $(seq 100); do
    grep -q "File1=$work/second.kvf" "$ini" 2>/dev/null && break
    sleep 0.1
done
grep -q "File1=$work/second.kvf" "$ini" || fail "the running window did not open the handed file"
kill -0 "$first" 2>/dev/null || fail "the first window ended"

# A file that cannot be read: a clear message and a failing status (the
# message box waits for a click that never comes here, so time runs out).
kill "$first"
wait "$first" 2>/dev/null
first=""
timeout 3 "$kova" "$work/missing.kvf" 2>"$work/err" && fail "a missing file started"
grep -q "missing.kvf" "$work/err" || fail "no message for a missing file"
echo "single instance: ok"
