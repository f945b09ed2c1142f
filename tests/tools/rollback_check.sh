#!/usr/bin/env bash
# Ticks can be run again: on every shipped map and in every game type, a match with two
# scripted humans is run straight and then with every tick first run 1 to 16 ticks ahead
# on wrong inputs and taken back; krag-sim --rollback-check must find both runs alike.
# One more match on ARENA is decided in slow motion with power-ups forced on everybody.
# KRAG_SOAK_LONG=1 (make soak) plays long matches instead.
set -u
build=$1
cd "$build"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export HOME="$scratch" XDG_CONFIG_HOME="$scratch/config" XDG_DATA_HOME="$scratch/data"
ticks=900 finale=2600
[ "${KRAG_SOAK_LONG:-0}" = 1 ] && { ticks=30000; finale=30000; }
fail=0 seed=1
check() {
    local out
    if ! out=$(./krag-sim "$@" 2>&1); then
        echo "FAIL krag-sim $*"
        echo "$out" | tail -3
        fail=1
        return 1
    fi
    echo "$out" | tail -1
    last=$out
}
for m in krm/*.krm; do
    for type in 0 1 2 3; do
        check --map "$(basename "$m")" --type $type --bots 5 --kills 2 --seed $seed \
            --ticks $ticks --rollback-check 16
        seed=$((seed + 1))
    done
done
check --map arena.krm --type 0 --bots 5 --kills 1 --seed 3 --ticks $finale \
    --force slowmotion --rollback-check 16 &&
    if ! echo "$last" | grep -q 'decided=1' || echo "$last" | grep -q 'slowed=0 '; then
        echo "FAIL the finale match was not decided in slow motion: $last"
        fail=1
    fi
exit $fail
