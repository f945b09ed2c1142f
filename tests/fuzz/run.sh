#!/usr/bin/env bash
# Fuzzes the map-file parser: run.sh <repo> <seconds>
# Builds the libFuzzer target straight from the parser sources with clang, runs it on a
# scratch copy of the seed corpus and keeps any crashing input in tests/fuzz/crashes/.
set -euo pipefail
repo=$(cd "${1:?usage: run.sh <repo> <seconds>}" && pwd)
seconds=${2:-300}
out=$repo/build-fuzz
mkdir -p "$out" "$repo/tests/fuzz/crashes"

flags=(-std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
       -I"$repo/src")
build() {
    clang++ "${flags[@]}" "$repo/tests/fuzz/fuzz_map.cpp" "$repo/src/world/mapfile.cpp" \
        -o "$out/fuzz_map"
}
if ! build 2>"$out/build.log"; then
    if grep -q "libclang_rt.fuzzer" "$out/build.log" && [ "$(id -u)" -eq 0 ]; then
        echo "fuzzer runtime missing: installing libclang-rt-14-dev"
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq libclang-rt-14-dev
        build
    else
        cat "$out/build.log" >&2
        exit 1
    fi
fi

# Work on a copy so the seeds in the repo stay as they are.
work=$repo/tests/fuzz/corpus-run
rm -rf "$work"
mkdir -p "$work"
cp "$repo"/tests/fuzz/corpus/* "$work"/

status=0
(cd "$out" && ./fuzz_map "$work" -max_total_time="$seconds" -max_len=65536 -timeout=10 \
    -rss_limit_mb=2048 -artifact_prefix="$repo/tests/fuzz/crashes/" -print_final_stats=1) ||
    status=$?
rm -rf "$work"
if [ $status -ne 0 ]; then
    echo "fuzzer found a failing input: see tests/fuzz/crashes/" >&2
fi
exit $status
