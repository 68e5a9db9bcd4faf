#!/bin/bash
# Runs kova-solve on every golden case and compares the exact bytes of the run
# list, the solution, standard output and the exit status.
# Usage: golden_test.sh KOVA_SOLVE GOLDEN_DIR EXAMPLES_DIR
set -u
solve=$1
golden=$2/cli
examples=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config

passed=0
failed=0
for expected in "$golden"/*.runlist; do
    name=$(basename "$expected" .runlist)
    input=$golden/$name.kvf
    [ -f "$input" ] || input=$examples/$name.kvf
    "$solve" --raw --quiet --fixed-time "2026/12/07 09:30:00" \
        --run-list "$work/run" --solution "$work/solution" "$input" >"$work/out" 2>"$work/err"
    status=$?
    problems=()
    cmp -s "$work/run" "$expected" || problems+=("run list")
    cmp -s "$work/solution" "$golden/$name.solution" || problems+=("solution")
    # Standard output puts a line end between the two texts.
    { cat "$expected"; [ -s "$golden/$name.solution" ] && printf '\r\n'; cat "$golden/$name.solution"; } >"$work/joined"
    cmp -s "$work/out" "$work/joined" || problems+=("stdout")
    [ "$status" = "$(cat "$golden/$name.status")" ] || problems+=("exit status $status")
    if [ ${#problems[@]} -eq 0 ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL $name: ${problems[*]}"
        diff <(iconv -f CP932 -t UTF-8 "$expected" | cat -A) \
            <(iconv -f CP932 -t UTF-8 "$work/run" | cat -A) | head -20
    fi
done
echo "golden: $passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
