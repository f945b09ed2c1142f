#!/bin/bash
# Two windows play one network match: ANN hosts from the command line, BOB joins by
# address. Both see the match start, a shot BOB fires is seen by ANN, both scoreboards
# list both names, and when BOB leaves ANN's match goes on with a bot in his slot.
# The game's KRAG_NET_LOG lines say what each window saw; every wait polls them.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/match_lib.sh"
e2e_init "$1" network
e2e_xvfb

PORT=$(python3 -c 'import socket; s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
ANN=$E2E_TMP/ann BOB=$E2E_TMP/bob
for who in ann bob; do
    mkdir -p "$E2E_TMP/$who/config/krag"
    echo "player_name = ${who^^}" >"$E2E_TMP/$who/config/krag/settings.cfg"
done

# Starts krag with its own home and KRAG_NET_LOG; the process id in $STARTED.
start_krag() {
    local home=$1
    shift
    HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data KRAG_NET_LOG=1 \
        "$E2E_BUILD/krag" "$@" >"$home/log" 2>&1 </dev/null &
    STARTED=$!
}
JOIN_PID=""
trap '[ -n "$JOIN_PID" ] && kill "$JOIN_PID" 2>/dev/null; e2e_cleanup' EXIT

logged() { grep -q -- "$2" "$1/log"; }
# Points the kit's clicks and keys at one of the two windows.
use_window() {
    KRAG_WIN=$1
    e2e_geometry
}

start_krag "$ANN" --host --port "$PORT" --players 2 --bots 1 --kills 25
KRAG_PID=$STARTED
e2e_wait_window 20
ANN_WIN=$KRAG_WIN
e2e_check "the host waits in its lobby" e2e_poll 20 logged "$ANN" "hosting on port $PORT"

start_krag "$BOB" --join "127.0.0.1:$PORT"
JOIN_PID=$STARTED
second_window() {
    local w
    for w in $(xdotool search --onlyvisible --name '^KRAG$' 2>/dev/null); do
        [ "$w" != "$ANN_WIN" ] && BOB_WIN=$w && return 0
    done
    return 1
}
e2e_check "the joiner's window opens" e2e_poll 20 second_window
xdotool windowmove "$BOB_WIN" 700 0
use_window "$BOB_WIN"
e2e_check "the joiner is in the lobby" e2e_poll 20 logged "$BOB" "state 2 "

# START counts once the joiner is in; a click before it is ignored.
use_window "$ANN_WIN"
start_match() {
    e2e_click 250 372
    logged "$ANN" "state 3 "
}
e2e_check "the host starts the match" e2e_poll 20 start_match
e2e_check "the host plays" e2e_poll 20 logged "$ANN" "state 4 slot 0"
e2e_check "the joiner plays" e2e_poll 20 logged "$BOB" "state 4 slot 1"

# BOB picks a weapon (the choice opens at the start and after each death) and fires.
use_window "$BOB_WIN"
fire() {
    e2e_click 300 193
    e2e_move 320 100
    xdotool mousedown 1 sleep 0.5 mouseup 1
    logged "$ANN" "slot 1 fired"
}
e2e_check "the host sees the joiner's shot" e2e_poll 30 fire

scores_listed() {
    e2e_move 320 100
    e2e_key Tab 0.3
    grep "scoreboard" "$1/log" | grep -q "\[ANN\].*\[BOB\]"
}
use_window "$ANN_WIN"
e2e_check "the host's scoreboard names both" e2e_poll 20 scores_listed "$ANN"
use_window "$BOB_WIN"
e2e_check "the joiner's scoreboard names both" e2e_poll 20 scores_listed "$BOB"

# BOB leaves: a bot takes his slot in ANN's match, which goes on.
e2e_move 320 100
e2e_key Escape
e2e_check "the joiner leaves" e2e_poll 20 logged "$BOB" "^krag-net: left"
e2e_check "a bot plays the joiner's slot" e2e_poll 20 logged "$ANN" "slot 1 is a bot now"
use_window "$ANN_WIN"
e2e_check "the host's match goes on" e2e_not logged "$ANN" "^krag-net: left"
e2e_done
