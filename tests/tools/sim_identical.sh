#!/usr/bin/env bash
# The simulation stays byte-identical: every run in tests/sim/runs.txt must print
# exactly the checksum trace and result lines stored in tests/sim/expected/MAP.txt.
#
#   bash tests/tools/sim_identical.sh BUILD SOURCE            check
#   bash tests/tools/sim_identical.sh BUILD SOURCE --record   re-record every map
#   bash tests/tools/sim_identical.sh BUILD SOURCE --record wilds.krm ...
#                                                             re-record only those maps
# Re-record only when a change is meant to alter the simulation, and say so in the
# commit message.
set -u
build=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
shift 2
record=0
only=()
if [ "${1:-}" = "--record" ]; then
    record=1
    shift
    only=("$@")
fi
TRACE=500
runs="$src/tests/sim/runs.txt"
expected="$src/tests/sim/expected"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export HOME="$scratch" XDG_CONFIG_HOME="$scratch/config" XDG_DATA_HOME="$scratch/data"

wanted() {
    [ ${#only[@]} -eq 0 ] && return 0
    local m
    for m in "${only[@]}"; do [ "$m" = "$1" ] && return 0; done
    return 1
}

# Run every line, collecting each map's output in scratch/MAP.txt.
while read -r map args; do
    case "$map" in '' | '#'*) continue ;; esac
    {
        echo "== $map $args"
        # shellcheck disable=SC2086
        "$build/krag-sim" --map "$map" $args --trace $TRACE 2>&1
        echo "exit=$?"
    } >>"$scratch/$map.txt"
done <"$runs"

fail=0
for out in "$scratch"/*.krm.txt; do
    map=$(basename "$out" .txt)
    want="$expected/${map%.krm}.txt"
    if [ $record = 1 ]; then
        if wanted "$map"; then
            mkdir -p "$expected"
            cp "$out" "$want"
            echo "recorded $want"
        fi
        continue
    fi
    if [ ! -f "$want" ]; then
        echo "FAIL $map: no expected output $want (record it with --record $map)"
        fail=1
    elif diff -u "$want" "$out" >"$scratch/diff"; then
        echo "ok   $map: $(grep -c '^==' "$out") runs identical"
    else
        echo "FAIL $map: the simulation changed; first differences:"
        head -n 30 "$scratch/diff"
        fail=1
    fi
done
exit $fail
