#!/usr/bin/env bash
# Fuzzes a reader of untrusted bytes: run.sh <repo> <seconds> [map|replay|net|settings]
# Builds the libFuzzer target straight from the reader's sources with clang, runs it on a
# scratch copy of its seed corpus and keeps any crashing input in its crash folder:
#   map     the map-file parser; seeds tests/fuzz/corpus/, crashes tests/fuzz/crashes/
#   replay  the replay reader; seeds tests/fuzz/replay-corpus/, crashes
#           tests/fuzz/replay-crashes/
#   net     the network message decoder; seeds tests/fuzz/net-corpus/, crashes
#           tests/fuzz/net-crashes/
#   settings the settings-file reader and writer; seeds tests/fuzz/settings-corpus/,
#           crashes tests/fuzz/settings-crashes/ (links the rest of the game from the
#           release build's library)
set -euo pipefail
repo=$(cd "${1:?usage: run.sh <repo> <seconds> [map|replay|net|settings]}" && pwd)
seconds=${2:-300}
target=${3:-map}
out=$repo/build-fuzz
case $target in
map)
    sources=("$repo/tests/fuzz/fuzz_map.cpp" "$repo/src/world/mapfile.cpp")
    corpus=$repo/tests/fuzz/corpus crashes=$repo/tests/fuzz/crashes max_len=65536 ;;
replay)
    sources=("$repo/tests/fuzz/fuzz_replay.cpp" "$repo/src/match/replayfile.cpp"
             "$repo/src/shell/files.cpp")
    corpus=$repo/tests/fuzz/replay-corpus crashes=$repo/tests/fuzz/replay-crashes max_len=262144 ;;
net)
    sources=("$repo/tests/fuzz/fuzz_net.cpp" "$repo/src/net/wire.cpp")
    corpus=$repo/tests/fuzz/net-corpus crashes=$repo/tests/fuzz/net-crashes max_len=2048 ;;
settings)
    sources=("$repo/tests/fuzz/fuzz_settings.cpp" "$repo/src/shell/settings.cpp"
             "$repo/build/libkraglib.a" $(pkg-config --libs allegro libenet) -lm -lpthread -ldl)
    corpus=$repo/tests/fuzz/settings-corpus crashes=$repo/tests/fuzz/settings-crashes max_len=8192 ;;
*)
    echo "usage: run.sh <repo> <seconds> [map|replay|net|settings]" >&2
    exit 2 ;;
esac
mkdir -p "$out" "$crashes"

flags=(-std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
       -I"$repo/src")
build() {
    clang++ "${flags[@]}" "${sources[@]}" -o "$out/fuzz_$target"
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
work=$repo/tests/fuzz/corpus-run-$target
rm -rf "$work"
mkdir -p "$work"
cp "$corpus"/* "$work"/

status=0
(cd "$out" && "./fuzz_$target" "$work" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 \
    -rss_limit_mb=2048 -artifact_prefix="$crashes/" -print_final_stats=1) ||
    status=$?
rm -rf "$work"
if [ $status -ne 0 ]; then
    echo "fuzzer found a failing input: see $crashes/" >&2
fi
exit $status
