#!/usr/bin/env bash
# Soak: whole matches under the sanitizer build across every shipped map, game type,
# bot count and skill, checking the match invariants every tick. At least a million
# world ticks in all; KRAG_SOAK_LONG=1 (make soak) runs for hours. A match that reaches
# its kill limit must be decided and stay decided (checked every tick by --check).
# Runs only in the sanitizer build; elsewhere it passes without running.
set -u
build=$1
if ! grep -q '^KRAG_SANITIZE:BOOL=ON' "$build/CMakeCache.txt" 2>/dev/null; then
    echo "soak runs in the sanitizer build only"
    exit 0
fi
cd "$build"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
maps=(krm/*.krm)
rounds=${SOAK_ROUNDS:-2}
ticks=${SOAK_TICKS:-27000}
[ "${KRAG_SOAK_LONG:-0}" = 1 ] && { rounds=${SOAK_ROUNDS:-200}; ticks=60000; }
forces=("" "" "--force slowmotion" "--force heatseek" "--force firerate")
total=0 runs=0 fail=0 seed=1 decided=0
for ((round = 0; round < rounds; round++)); do
    for m in "${maps[@]}"; do
        name=$(basename "$m")
        for type in 0 1 2 3; do
            bots=$(( (seed % 5) + 1 )); skill=$(( seed % 3 ))
            force=${forces[$(( seed % 5 ))]}
            # Low limits where few bots roam big maps, so most matches reach their decision.
            if [ $bots -le 2 ]; then kills=1; else kills=$(( (seed % 3) + 1 )); fi
            out=$(./krag-sim --map "$name" --type $type --bots $bots --skill $skill \
                  --kills $kills --ticks $ticks --seed $seed --check $force 2>&1)
            rc=$?
            last=$(echo "$out" | tail -n 1)
            runs=$((runs + 1))
            if [ $rc -ne 0 ] || echo "$out" | grep -qE 'ERROR: (Address|Undefined)|runtime error'; then
                echo "FAIL ($rc): --map $name --type $type --bots $bots --skill $skill --kills $kills --seed $seed $force"
                echo "$out" | tail -n 30
                fail=$((fail + 1))
            elif ! echo "$last" | grep -q 'winner=-1'; then
                decided=$((decided + 1))
            fi
            wt=$(echo "$out" | sed -n 's/^world_ticks=//p' | tail -n 1)
            total=$((total + ${wt:-0}))
            seed=$((seed + 1))
        done
    done
done
echo "soak: $runs matches ($decided decided), $total world ticks, $fail failures"
[ $fail -eq 0 ]
