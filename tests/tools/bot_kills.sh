#!/usr/bin/env bash
# Bots fight: on every shipped map and in every game type, three bots score kills
# against each other within three simulated minutes. Release build only.
set -u
build=$1
if grep -q '^KRAG_SANITIZE:BOOL=ON' "$build/CMakeCache.txt" 2>/dev/null; then
    echo "bot kills run in the release build"
    exit 0
fi
cd "$build"
fail=0
for m in krm/*.krm; do
    name=$(basename "$m")
    for type in 0 1 2 3; do
        last=$(./krag-sim --map "$name" --type $type --bots 3 --kills 25 --ticks 18000 --seed $((type + 3)) | tail -n 1)
        kills=$(echo "$last" | sed -n 's/.* kills=\([0-9,]*\) .*/\1/p')
        # slot 0 is the idle human; add up the bots
        bots=$(echo "$kills" | cut -d, -f2- | tr ',' '+')
        total=$(( ${bots:-0} ))
        if [ "$total" -gt 0 ]; then
            echo "ok   $name type $type: bot kills $kills"
        else
            echo "FAIL $name type $type: no kills ($last)"
            fail=1
        fi
    done
done
exit $fail
