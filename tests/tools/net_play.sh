#!/usr/bin/env bash
# Network matches between processes over real ENet on loopback: a headless host and
# krag-sim joiners. Everyone prints the same result line and hash; a joiner lacking the
# host's map keeps it in its map folder, one with a different map of that name keeps
# its own; a joiner killed mid-match turns bot at one tick on every machine and the
# rest finish alike; a joiner coming to a full match is refused; a host killed mid-match
# ends the match for every joiner, who keeps its replay.
# Usage: net_play.sh BUILD SOURCE
set -u
build=$(cd "$1" && pwd)
tmp=$(mktemp -d /tmp/krag-net-XXXXXX)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; rm -rf "$tmp"' EXIT
fails=0
fail() {
    echo "FAIL: $*"
    fails=$((fails + 1))
}

free_port() {
    python3 -c 'import socket; s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# as NAME PROGRAM ARGS...: runs in the background with its own home; output in $tmp/NAME.*
as() {
    local who=$1
    shift
    mkdir -p "$tmp/$who"
    HOME=$tmp/$who XDG_CONFIG_HOME=$tmp/$who/config XDG_DATA_HOME=$tmp/$who/data \
        timeout 300 "$@" >"$tmp/$who.out" 2>"$tmp/$who.err" &
    pids+=($!)
    eval "pid_$who=$!"
}

# wait_for NAME TEXT: polls NAME's log for TEXT for up to 60 s.
wait_for() {
    for _ in $(seq 600); do
        grep -qF -- "$2" "$tmp/$1.err" && return 0
        sleep 0.1
    done
    fail "$1 never said '$2'"
    cat "$tmp/$1.err"
    return 1
}

# finish NAME: waits for NAME to exit; its status in $status.
finish() {
    local pid
    eval "pid=\$pid_$1"
    wait "$pid"
    status=$?
}

same_results() { # same_results DESC NAMES...: every one printed the same hash line
    local desc=$1 first=$2
    shift
    grep -q ' hash=[0-9a-f]\{16\}$' "$tmp/$first.out" || { fail "$desc: $first printed no result"; cat "$tmp/$first."*; return; }
    for n in "$@"; do
        cmp -s "$tmp/$first.out" "$tmp/$n.out" || fail "$desc: $n ended '$(cat "$tmp/$n.out")', $first '$(cat "$tmp/$first.out")'"
    done
}

# ---- 1: the host's own map travels; a different map of that name stays as it was ----
port=$(free_port)
mkdir -p "$tmp/maps" "$tmp/b/data/krag/krm"
cp "$build/krm/arena.krm" "$tmp/maps/ours.krm"
cp "$build/krm/dunes.krm" "$tmp/b/data/krag/krm/ours.krm"
as host "$build/krag" --host --headless --players 2 --port "$port" --map "$tmp/maps/ours.krm" \
    --type INSTAGIB --kills 2 --bots 2 --matches 1
wait_for host "WAITING FOR PLAYERS (0 OF 2)"
as a "$build/krag-sim" --join "127.0.0.1:$port" --restless --seed 3
as b "$build/krag-sim" --join "127.0.0.1:$port" --restless --seed 4 --link 20:5:2
for n in host a b; do
    finish $n
    [ "$status" -eq 0 ] || fail "map match: $n exited $status: $(cat "$tmp/$n.err")"
done
same_results "map match" host a b
cmp -s "$tmp/maps/ours.krm" "$tmp/a/data/krag/krm/ours.krm" || fail "the joiner without the map did not keep it"
cmp -s "$build/krm/dunes.krm" "$tmp/b/data/krag/krm/ours.krm" || fail "a joiner's own map of that name was changed"
ls -A "$tmp/a/data/krag/krm" "$tmp/b/data/krag/krm" | grep -q '\.tmp$' && fail "a temporary was left"
# Every machine kept a replay of every human's inputs that plays back to the line it
# printed, and two of them name no tick where they part.
for n in host a b; do
    f=$(ls "$tmp/$n/data/krag/replays/"*.krr 2>/dev/null | head -1)
    if [ -z "$f" ]; then fail "$n kept no replay"; continue; fi
    cp "$f" "$tmp/$n.krr"
    line=$(HOME=$tmp/$n XDG_DATA_HOME=$tmp/$n/data "$build/krag-sim" --replay "$f" --map "$tmp/maps/ours.krm" 2>&1 | tail -1)
    [ "$line" = "$(sed 's/ hash=.*//' "$tmp/$n.out")" ] ||
        fail "$n's replay: '$line', played: '$(cat "$tmp/$n.out")'"
done
"$build/krag-sim" --replay "$tmp/host.krr" "$tmp/b.krr" --map "$tmp/maps/ours.krm" >/dev/null 2>&1 ||
    fail "the host's and a joiner's replays part"

# ---- 2: a joiner killed mid-match; a latecomer refused ----
port=$(free_port)
as host "$build/krag" --host --headless --players 3 --port "$port" --type INSTAGIB --kills 3 --bots 1 --matches 1
wait_for host "WAITING FOR PLAYERS (0 OF 3)"
for n in c d e; do as $n "$build/krag-sim" --join "127.0.0.1:$port" --restless --seed ${#n}$RANDOM; done
wait_for e "playing slot" && sleep 1 # a while into the match
kill -9 $(pgrep -P "$pid_e") # the joiner, not its timeout
wait "$pid_e" 2>/dev/null
as late "$build/krag-sim" --join "127.0.0.1:$port"
finish late
[ "$status" -eq 1 ] && grep -qE "already started|full" "$tmp/late.err" || fail "the latecomer: status $status, $(cat "$tmp/late.err")"
for n in host c d; do
    finish $n
    [ "$status" -eq 0 ] || fail "drop match: $n exited $status: $(cat "$tmp/$n.err")"
done
same_results "drop match" host c d
left=$(grep -o 'a bot plays slot [0-9] from tick [0-9]*' "$tmp/host.err")
[ -n "$left" ] || fail "the host never turned the lost joiner's slot bot"
for n in c d; do
    grep -qF "$left" "$tmp/$n.err" || fail "$n: '$left' not seen alike: $(grep 'bot plays' "$tmp/$n.err")"
done

# ---- 3: the host killed mid-match: every joiner is told, ends, and keeps a replay ----
port=$(free_port)
as host "$build/krag" --host --headless --players 2 --port "$port" --type INSTAGIB --kills 25 --bots 1 --matches 1
wait_for host "WAITING FOR PLAYERS (0 OF 2)"
for n in f g; do as $n "$build/krag-sim" --join "127.0.0.1:$port" --restless --seed 7; done
wait_for g "playing slot" && sleep 1
kill -9 $(pgrep -P "$pid_host")
for n in f g; do
    finish $n
    [ "$status" -eq 1 ] && grep -qF "the host left the match" "$tmp/$n.err" || fail "host gone: $n exited $status: $(cat "$tmp/$n.err")"
    f=$(ls "$tmp/$n/data/krag/replays/"*.krr 2>/dev/null | head -1)
    [ -n "$f" ] && "$build/krag-sim" --replay "$f" >/dev/null 2>&1 || fail "host gone: $n kept no replay that plays"
done

[ $fails -eq 0 ] && echo "network matches over loopback: ok"
exit $((fails > 0))
