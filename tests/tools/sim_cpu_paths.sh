#!/usr/bin/env bash
# The pinned matches and the recorded replays come out the same when the C library is
# kept off the CPU's fused multiply-add and AVX2 code paths: the world takes none of its
# numbers from code the library picks by CPU. Usage: sim_cpu_paths.sh BUILD SOURCE
set -u
build=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
mask=glibc.cpu.hwcaps=-AVX2,-FMA

# The mask must be felt, or this proves nothing: on a CPU with FMA the library's own
# sine answers differently under it.
probe='import hashlib, math
print(hashlib.sha1("".join(math.sin(i / 1000).hex() for i in range(100000)).encode()).hexdigest())'
if grep -qw fma /proc/cpuinfo; then
    if [ "$(python3 -c "$probe")" = "$(GLIBC_TUNABLES=$mask python3 -c "$probe")" ]; then
        echo "FAIL: GLIBC_TUNABLES=$mask does not change the C library's sine here"
        exit 1
    fi
else
    echo "note: this CPU has no FMA, so the masked runs take the library's usual path"
fi

export GLIBC_TUNABLES=$mask
fails=0
bash "$src/tests/tools/sim_identical.sh" "$build" "$src" || fails=1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export HOME=$tmp XDG_CONFIG_HOME=$tmp/config XDG_DATA_HOME=$tmp/data
for f in "$src"/tests/replays/*.krr; do
    if ! "$build/krag-sim" --replay "$f" >"$tmp/out" 2>&1; then
        echo "FAIL: $(basename "$f") replays differently with $mask"
        tail -n 5 "$tmp/out"
        fails=1
    fi
done
[ $fails = 0 ] && echo "sim_cpu_paths: identical with $mask"
exit $fails
