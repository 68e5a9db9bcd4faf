#!/bin/bash
# The command line as a user meets it: help, version, usage errors, exit
# statuses, encodings and output files.
# Usage: behaviour_test.sh KOVA_SOLVE EXAMPLES_DIR DATA_DIR
set -u
solve=$1
examples=$2
data=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config
T="2026/12/07 09:30:00"

passed=0
failed=0
check() {  # description, then a command that must succeed
    local description=$1
    shift
    if "$@" >/dev/null 2>&1; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL: $description"
    fi
}
status_of() { "$@" >/dev/null 2>&1; echo $?; }

check "--help exits 0 and shows usage" bash -c "'$solve' --help | grep -q '^Usage: kova-solve'"
check "--version prints 3.1.0.1" bash -c "[ \"\$('$solve' --version)\" = 'kova-solve 3.1.0.1' ]"
check "no file is a usage error" test "$(status_of "$solve")" = 64
check "unknown option is a usage error" test "$(status_of "$solve" --frobnicate x.kvf)" = 64
check "bad tolerance is a usage error" test "$(status_of "$solve" --tolerance x "$examples/sample.kvf")" = 64
check "usage error says what is wrong" bash -c "'$solve' --fixed-time yesterday a.kvf 2>&1 | grep -q 'fixed-time'"
check "missing file is exit 66" test "$(status_of "$solve" "$work/none.kvf")" = 66
check "missing file is named" bash -c "'$solve' '$work/none.kvf' 2>&1 | grep -q 'none.kvf: cannot read'"

# Default output is UTF-8 of the exact bytes.
"$solve" --quiet --fixed-time "$T" --run-list "$work/run" --solution "$work/solution" \
    "$examples/sample.kvf" >"$work/utf8"
check "stdout is the run list and the solution in UTF-8" \
    cmp -s "$work/utf8" <({ cat "$work/run"; printf '\r\n'; cat "$work/solution"; } | iconv -f CP932 -t UTF-8)
check "stdout carries the Japanese banner" grep -q 'KOVA計算経過一覧表' "$work/utf8"

# "-" reads standard input.
"$solve" --quiet --raw --fixed-time "$T" - <"$examples/sample.kvf" >"$work/from-stdin"
"$solve" --quiet --raw --fixed-time "$T" "$examples/sample.kvf" >"$work/from-file"
check "- reads standard input" cmp -s "$work/from-stdin" "$work/from-file"

# A UTF-8 copy of the sample reads the same.
iconv -f CP932 -t UTF-8 "$examples/sample.kvf" >"$work/sample-utf8.kvf"
"$solve" --quiet --raw --fixed-time "$T" --input-encoding utf-8 "$work/sample-utf8.kvf" >"$work/from-utf8"
"$solve" --quiet --raw --fixed-time "$T" "$examples/sample.kvf" >"$work/from-cp932"
check "--input-encoding utf-8 gives the same bytes" cmp -s "$work/from-utf8" "$work/from-cp932"
printf 'ARC \xff\xfe S 0 0 1 1\r\nEND\r\n' >"$work/latin.kvf"
check "invalid UTF-8 is exit 66" test "$(status_of "$solve" --input-encoding utf-8 "$work/latin.kvf")" = 66

# Hostile bytes never crash it.
head -c 20000 /dev/urandom >"$work/noise.kvf"
status=$(status_of "$solve" --quiet "$work/noise.kvf")
check "random bytes end with a data error or a solution" test "$status" = 2 -o "$status" = 0

# The stored tolerance is read without complaint, whatever it holds.
mkdir -p "$work/config/Velorand"
printf '[Init]\nTole=abc\n' >"$work/config/Velorand/KOVA.ini"
check "a non-numeric stored tolerance is 0" test "$(status_of "$solve" --quiet "$examples/sample.kvf")" = 0

# Exit statuses by end.
check "infeasible is exit 1" test "$(status_of "$solve" --quiet "$examples/infeasible.kvf")" = 1
check "data error is exit 2" test "$(status_of "$solve" --quiet "$examples/data-error.kvf")" = 2
check "a stop before any solution is exit 3" \
    test "$(status_of "$solve" --quiet --max-branches 0 "$examples/sample.kvf")" = 3

# JSON: one object with exactly the documented keys.
"$solve" --json --fixed-time "$T" "$examples/fixed-charge.kvf" >"$work/json"
check "json has the keys in order" grep -q \
    '^{"end":"exhausted","total":1300,"bound":1300,"gap":0,"branches":4,"updates":2,"elapsed_seconds":0,"arcs":\[{"no":1,"from":"SRC","to":"D1","lower":0,"upper":100,"cost":580,' \
    "$work/json"
check "json ends with a null error" grep -q '"error":null}$' "$work/json"
"$solve" --json "$data/optimal-branch.kvf" >"$work/json-branch"
check "json optimal in a branch" grep -q \
    '^{"end":"optimal-branch","total":6,"bound":6,"gap":0,"branches":2,"updates":3,"elapsed_seconds":0,"arcs":\[{"no":1,"from":"N2","to":"N0","lower":2,"upper":22,"cost":180,"flow":21},.*{"no":5,"from":"N0","to":"N1","lower":3,"upper":26,"cost":-164,"flow":22}\],"diagnosis":null,"error":null}$' \
    "$work/json-branch"
"$solve" --json "$examples/data-error.kvf" >"$work/json-error" 2>/dev/null
check "json data error" grep -q \
    '"end":"data-error","total":null.*"arcs":\[\],"diagnosis":null,"error":{"line":3,"message":"上下限の値の与え方が矛盾している。(下限 =  60　　上限 =  50 )"}' \
    "$work/json-error"
"$solve" --json "$examples/infeasible.kvf" >"$work/json-none"
check "json no solution" grep -q '"end":"no-solution-root","total":null' "$work/json-none"
check "json says which node cannot be served" grep -q \
    '"diagnosis":{"nodes":\["M"\],"forced_out":80,"most_in":60}' "$work/json-none"
check "stderr says which node cannot be served" bash -c \
    "'$solve' '$examples/infeasible.kvf' 2>&1 >/dev/null | grep -q 'out of node M force at least 80 out, but the upper bounds of the arcs in let at most 60 in'"

# CSV: the solution's numbers, in UTF-8 with a BOM or in code page 932.
"$solve" --quiet --csv "$work/sample.csv" "$examples/sample.kvf" >/dev/null
check "csv starts with a BOM and its header" bash -c \
    "head -c 38 '$work/sample.csv' | cmp -s - <(printf '\xEF\xBB\xBFNo.,From,To,Lower,Upper,Cost,Flow\r\n')"
check "csv rows add up to the total" test "$(tail -n +2 "$work/sample.csv" | tr -d '\r' |
    awk -F, '{ total += $6 } END { print total }')" = 69
"$solve" --quiet --csv "$work/names.csv" --csv-encoding cp932 "$data/../golden/cli/japanese-names.kvf" >/dev/null
check "csv in code page 932 keeps the names" bash -c \
    "iconv -f CP932 -t UTF-8 '$work/names.csv' | grep -q '^1,ナゴヤ,都心,0,10,0,0'"
check "no csv without a solution" bash -c \
    "! '$solve' --quiet --csv '$work/none.csv' '$examples/infeasible.kvf' >/dev/null 2>&1; test ! -e '$work/none.csv'"

# Stopping a long search: a time limit, and Ctrl+C, both keep the best solution.
"$solve" --json --time-limit 0.5 "$data/long-search.kvf" >"$work/limit"
status=$?
check "time limit ends with a solution (exit 0)" test "$status" = 0
# The root phase alone can outlast half a second on a loaded, sanitized build.
check "time limit ends stopped" grep -qE '"end":"stopped-(branch|root)"' "$work/limit"
"$solve" --json --quiet "$data/long-search.kvf" >"$work/interrupted" &
pid=$!
# Long enough for a sanitized build under load to have read its input and
# installed its handlers; the search itself runs for minutes, and its root
# phase alone may outlast the wait there.
sleep 2
kill -INT "$pid"
wait "$pid"
status=$?
check "Ctrl+C ends with the best solution so far (exit 0)" test "$status" = 0
check "Ctrl+C ends stopped" grep -qE '"end":"stopped-(branch|root)"' "$work/interrupted"
for signal in TERM HUP; do
    "$solve" --json --quiet "$data/long-search.kvf" >"$work/$signal" &
    pid=$!
    sleep 2
    kill -"$signal" "$pid"
    wait "$pid"
    status=$?
    check "SIG$signal ends with the best solution so far (exit 0)" test "$status" = 0
    check "SIG$signal ends stopped" grep -qE '"end":"stopped-(branch|root)"' "$work/$signal"
done

# Output that cannot be written is a failure, and no file is lost.
"$solve" --quiet "$examples/sample.kvf" >/dev/full 2>"$work/full-err"
check "a full standard output is exit 73" test $? = 73
check "a full standard output is reported" grep -q 'standard output: cannot write' "$work/full-err"
check "a closed standard output is exit 73" \
    bash -c "'$solve' --quiet '$examples/sample.kvf' >&- 2>/dev/null; [ \$? = 73 ]"
check "a closed standard input is unreadable (66)" \
    bash -c "'$solve' --quiet - <&- 2>/dev/null; [ \$? = 66 ]"
check "a run list to /dev/full is exit 73" \
    test "$(status_of "$solve" --quiet --run-list /dev/full "$examples/sample.kvf")" = 73
check "outputs to /dev/null stay devices" bash -c \
    "'$solve' --quiet --run-list /dev/null --solution /dev/null '$examples/sample.kvf' >/dev/null && test -c /dev/null"
cp "$examples/sample.kvf" "$work/self.kvf"
check "an output that is the problem is a usage error" \
    test "$(status_of "$solve" --quiet --run-list "$work/./self.kvf" "$work/self.kvf")" = 64
check "the problem stays whole" cmp -s "$examples/sample.kvf" "$work/self.kvf"
mkdir -p "$work/full"
if mount -t tmpfs -o size=64k tmpfs "$work/full" 2>/dev/null; then
    # A solution larger than the space left: the old file stays as it was.
    awk 'BEGIN { for (i = 0; i < 200; i++) printf "ARC S N%d 0 0 %d 10\r\nARC N%d T 0 0 1 10\r\n", i, i % 7 + 1, i;
                 printf "ARC T S 50 0 0 50\r\nEND\r\n" }' >"$work/wide.kvf"
    echo old >"$work/full/solution"
    dd if=/dev/zero of="$work/full/fill" bs=1k count=100 2>/dev/null
    check "a full disk is exit 73" \
        test "$(status_of "$solve" --quiet --solution "$work/full/solution" "$work/wide.kvf")" = 73
    check "a full disk keeps the old file" test "$(cat "$work/full/solution")" = old
    umount "$work/full"
else
    echo "skipped: the full-disk checks need a small tmpfs (mount as root)"
fi

# A settings file that is a pipe would block reading: it is not used.
mkdir -p "$work/fifo/Velorand"
mkfifo "$work/fifo/Velorand/KOVA.ini"
check "a settings pipe does not block" bash -c \
    "XDG_CONFIG_HOME='$work/fifo' timeout 10 '$solve' --quiet '$examples/sample.kvf' >/dev/null 2>&1"

# Other formats in: DIMACS (.min) and spreadsheet arc tables (.csv).
check "a DIMACS file solves to its objective" bash -c \
    "'$solve' --json '$examples/two-plants.min' | grep -q '\"total\":195,'"
check "an arc table solves" bash -c "'$solve' --json '$examples/arc-table.csv' | grep -q '\"total\":345,'"
cp "$examples/two-plants.min" "$work/plants.txt"
check "--input-format dimacs reads any name" bash -c \
    "'$solve' --json --input-format dimacs '$work/plants.txt' | grep -q '\"total\":195,'"
printf 'p min 2 2\na 1 2 0 4 1\n' >"$work/short.min"
check "a short DIMACS file is a data error" test "$(status_of "$solve" "$work/short.min")" = 2
check "a short DIMACS file names its line" bash -c \
    "'$solve' '$work/short.min' 2>&1 | grep -q 'short.min: line 2: the problem line announces 2 arcs, but 1 follow'"

# Models and DIMACS out; nothing is solved.
"$solve" --export-lp "$work/m.lp" --export-mps "$work/m.mps" "$examples/sample.kvf" >"$work/export-out"
check "exports write the models and nothing else" bash -c \
    "grep -q '^Minimize' '$work/m.lp' && grep -q '^ENDATA' '$work/m.mps' && test ! -s '$work/export-out'"
check "a piecewise problem has no DIMACS form" bash -c \
    "! '$solve' --export-dimacs '$work/x.min' '$examples/sample.kvf' 2>'$work/dimacs-err'; grep -q 'has 2 cost pieces' '$work/dimacs-err' && test ! -e '$work/x.min'"
printf 'ARC S A 0 0 5 10\nARC A T 2 7 -1 10\nARC S T 0 0 3 6\nARC T S 9 0 0 12\nEND\n' >"$work/linear.kvf"
"$solve" --export-dimacs "$work/back.min" "$work/linear.kvf"
check "DIMACS out and in again keeps the total" bash -c \
    "[ \"\$('$solve' --json '$work/back.min' | grep -o '\"total\":[0-9-]*')\" = \"\$('$solve' --json '$work/linear.kvf' | grep -o '\"total\":[0-9-]*')\" ]"

echo "behaviour: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
