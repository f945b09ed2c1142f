#!/usr/bin/env bash
# Recorded matches: every replay in tests/replays/ plays back to its recorded result, and
# krag-sim --replay answers each kind of file with its exit status: 0 the same result,
# 1 a different one (both lines and the first differing checksum), 2 a bad file, 3 an
# unfinished one. Usage: replays.sh BUILD SOURCE
set -u
build=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
tmp=$(mktemp -d /tmp/krag-replays-XXXXXX)
trap 'rm -rf "$tmp"' EXIT
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/.config XDG_DATA_HOME=$tmp/home/.local/share
fails=0

fail() {
    echo "FAIL: $*"
    fails=$((fails + 1))
}

# sim FILE: runs krag-sim --replay with the copy below; status in $status, stderr in $said.
sim() {
    "$tmp/game/krag-sim" --replay "$1" >"$tmp/out" 2>"$tmp/err"
    status=$?
    said=$(cat "$tmp/err")
}

expect() { # expect STATUS TEXT DESC: the last sim ended with STATUS and said TEXT
    if [ "$status" -ne "$1" ]; then
        fail "$3: status $status, wanted $1: $said"
    elif [ -n "$2" ] && ! grep -qF -- "$2" "$tmp/err"; then
        fail "$3: stderr lacks '$2': $said"
    fi
}

# The regression replays, against the game as built.
for f in "$src"/tests/replays/*.krr; do
    out=$("$build/krag-sim" --replay "$f" 2>&1)
    st=$?
    if [ $st -ne 0 ]; then
        fail "$(basename "$f") replays differently (status $st); if the change to the" \
            "simulation is meant, re-record with: krag-sim --replay FILE --update"
        echo "$out"
    fi
done

# A copy of the simulator with its data, so maps can be changed and removed.
mkdir -p "$tmp/game"
cp "$build/krag-sim" "$tmp/game/"
cp -r "$build/krm" "$tmp/game/"
ln -s "$build/bmp" "$build/wav" "$tmp/game/"
"$tmp/game/krag-sim" --map arena.krm --type 2 --bots 2 --kills 2 --seed 5 --ticks 3000 \
    --record "$tmp/match.krr" --restless >"$tmp/recorded" || fail "recording a match"
line=$(tail -1 "$tmp/recorded")
bytes=$(stat -c %s "$tmp/match.krr")

sim "$tmp/match.krr"
expect 0 "" "a fresh recording"
[ "$(tail -1 "$tmp/out")" = "$line" ] || fail "replayed line differs: $(tail -1 "$tmp/out")"

# Two recordings compared tick by tick: the same match agrees; another seed parts at once.
"$tmp/game/krag-sim" --replay "$tmp/match.krr" "$tmp/match.krr" >"$tmp/out" 2>&1 ||
    fail "a recording compared with itself: $(cat "$tmp/out")"
"$tmp/game/krag-sim" --map arena.krm --type 2 --bots 2 --kills 2 --seed 6 --ticks 300 \
    --record "$tmp/other.krr" >/dev/null || fail "recording another match"
"$tmp/game/krag-sim" --replay "$tmp/match.krr" "$tmp/other.krr" >"$tmp/out" 2>&1
[ $? -eq 1 ] && grep -q "first differ after tick 0, in " "$tmp/out" ||
    fail "two matches compared: $(cat "$tmp/out")"

# A result line that is not what the match gives: both lines are shown.
LC_ALL=C sed 's/winner=/winnxr=/' "$tmp/match.krr" >"$tmp/line.krr"
sim "$tmp/line.krr"
expect 1 "recorded: ticks=3000 winnxr=" "a different result line"
expect 1 "replayed: $line" "a different result line"
expect 1 "every recorded checksum agrees" "a different result line"

# A world hash that differs is located: the first one is recorded after tick 100.
cp "$tmp/match.krr" "$tmp/sum.krr"
at=$(LC_ALL=C grep -obUaP '\x03\x64' "$tmp/sum.krr" | head -1 | cut -d: -f1)
printf '\0\0\0\0\0\0\0\0' | dd of="$tmp/sum.krr" bs=1 seek=$((at + 2)) conv=notrunc 2>/dev/null
sim "$tmp/sum.krr"
expect 1 "first differing world hash: tick 100 (recorded 0000000000000000" "a differing hash"

# --update writes the expectations anew from the same input.
"$tmp/game/krag-sim" --replay "$tmp/sum.krr" --update >/dev/null 2>&1 || fail "--update"
sim "$tmp/sum.krr"
expect 0 "" "an updated recording"
cmp -s "$tmp/sum.krr" "$tmp/match.krr" || fail "--update did not restore the recording"

# Cut off mid-match (the game was killed): replayed to its last whole tick, unfinished.
head -c $((bytes / 2)) "$tmp/match.krr" >"$tmp/cut.krr"
sim "$tmp/cut.krr"
expect 3 "unfinished" "a file cut mid-match"
grep -q "^ticks=" "$tmp/out" || fail "a cut file still prints its line"

# Bad files.
printf 'KRAG' >"$tmp/magic.krr"
sim "$tmp/magic.krr"
expect 2 "wrong magic" "a file of another kind"
head -c 20 "$tmp/match.krr" >"$tmp/head.krr"
sim "$tmp/head.krr"
expect 2 "header is cut short" "a cut header"
{ head -c 4 "$tmp/match.krr"; printf '\x09\x00'; tail -c +7 "$tmp/match.krr"; } >"$tmp/newer.krr"
sim "$tmp/newer.krr"
expect 2 "newer game" "a newer format"
type_at=$((7 + $(od -An -tu1 -j6 -N1 "$tmp/match.krr"))) # after the game version text
{ head -c $type_at "$tmp/match.krr"; printf '\x07'; tail -c +$((type_at + 2)) "$tmp/match.krr"; } \
    >"$tmp/type.krr"
sim "$tmp/type.krr"
expect 2 "game type setting 7 is out of range" "a game type out of range"
sim "$tmp/nowhere.krr"
expect 2 "cannot be opened" "a missing file"
sim "$tmp"
expect 2 "cannot be read" "a folder"
printf '\n' >>"$tmp/game/krm/arena.krm"
sim "$tmp/match.krr"
expect 2 "has changed since the match was recorded" "a changed map"
cp "$tmp/match.krr" "$tmp/remap.krr"
"$tmp/game/krag-sim" --replay "$tmp/remap.krr" --update >/dev/null 2>&1 || fail "--update after a map change"
sim "$tmp/remap.krr"
expect 0 "" "a recording updated to a changed map"
rm "$tmp/game/krm/arena.krm"
sim "$tmp/match.krr"
expect 2 "is not in the map list" "a missing map"

# Files in the way: a FIFO is never waited on nor replaced, a file-size limit fails a
# write instead of killing, a re-recording that cannot finish keeps the old file, and
# control bytes in names never reach the terminal raw.
run() { # run CMD...: as sim, for any command (ended after 20 s)
    timeout 20 "$@" >"$tmp/out" 2>"$tmp/err"
    status=$?
    said=$(cat "$tmp/err")
}
mkfifo "$tmp/fifo.krr"
sim "$tmp/fifo.krr"
expect 2 "not a regular file" "a FIFO given to --replay"
sim ''
expect 2 "empty value" "an empty --replay"
run "$tmp/game/krag-sim" --ticks 100 --record "$tmp/fifo.krr"
expect 1 "is not a regular file; it is left as it is" "recording onto a FIFO"
[ -p "$tmp/fifo.krr" ] || fail "the FIFO was replaced"
run "$tmp/game/krag-sim" --ticks 3000 --restless --record "$tmp/big.krr"
cp "$tmp/big.krr" "$tmp/before.krr"
run prlimit --fsize=500 "$tmp/game/krag-sim" --replay "$tmp/big.krr" --update
expect 1 "not re-recorded; the old file is kept" "re-recording past a file-size limit"
cmp -s "$tmp/big.krr" "$tmp/before.krr" || fail "the old recording was changed"
run prlimit --fsize=500 "$tmp/game/krag-sim" --ticks 3000 --restless --record "$tmp/cut.krr"
expect 0 "cannot write the replay" "recording past a file-size limit"
sim "$tmp/cut.krr"
expect 3 "" "a recording cut by the limit still plays"
! ls -A "$tmp" | grep -q '\.tmp$' || fail "a temporary was left: $(ls -A "$tmp")"
run "$build/krag" --data $'\e]0;owned\a\e[2J'
expect 1 '\x1b]0;owned\x07\x1b[2J' "a data folder with control bytes"
grep -q $'\e' "$tmp/err" && fail "a raw ESC reached stderr"

if [ $fails -ne 0 ]; then
    echo "$fails failure(s)"
    exit 1
fi
echo "replays: all good"
