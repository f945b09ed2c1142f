#!/usr/bin/env bash
# krag --map FILE: a map from any folder is played at once with this run's match
# options, recorded as usual (its replay plays when given the map file again), and
# Escape goes back to the shell; a map the game refuses
# and a missing file are named with status 1 before any window opens. The settings
# file is left as it was.
# Usage: test_map_option.sh BUILD_FOLDER
set -u
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/match_lib.sh"
e2e_init "${1:?build folder}" map_option
e2e_xvfb

maps="$E2E_TMP/my maps"
mkdir -p "$maps"
sed 's/[A-G]/./g' "$E2E_BUILD/krm/arena.krm" >"$maps/nospawn.krm"
refused() {
    local out status
    out=$("$E2E_BUILD/krag" --map "$1" 2>&1 </dev/null)
    status=$?
    [ $status -eq 1 ] && grep -q "$2" <<<"$out" && ! grep -q "^usage" <<<"$out" ||
        { echo "status $status: $out"; return 1; }
}
e2e_check "a refused map: status 1 with its reason" refused "$maps/nospawn.krm" "nospawn.krm:[0-9]*: no spawn point"
e2e_check "a missing file: status 1" refused "$maps/gone.krm" "gone.krm.*not found"
e2e_check "a bot count out of range: status 2" \
    bash -c '"$1/krag" --map "$2" --bots 9 2>&1 | grep -q -- "--bots 9: is out of range"; [ ${PIPESTATUS[0]} -eq 2 ]' \
    _ "$E2E_BUILD" "$maps/nospawn.krm"

e2e_settings "bots = 3" "skill = HARD"
cp "$XDG_CONFIG_HOME/krag/settings.cfg" "$E2E_TMP/settings.before"
cp "$E2E_BUILD/krm/bastion.krm" "$maps/mine.krm"
"$E2E_BUILD/krag" --map "$maps/mine.krm" --bots 1 --skill easy >"$E2E_TMP/krag.log" 2>&1 </dev/null &
KRAG_PID=$!
e2e_wait_window 20
e2e_park
e2e_check "the match starts straight away: the human spawns" e2e_wait_spawn 20
e2e_check "the HUD is shown" e2e_hud_shown 10
e2e_key Escape
e2e_expect_exit 0 10
e2e_check "the match was recorded" bash -c 'ls "$1"/krag/replays/*_MINE.krr' _ "$XDG_DATA_HOME"
# Its replay needs the map file again: without it, a clear refusal; with it, the match.
replay=$(ls "$XDG_DATA_HOME"/krag/replays/*_MINE.krr | head -1)
"$E2E_BUILD/krag-sim" --replay "$replay" >"$E2E_TMP/sim.out" 2>&1
e2e_check "its replay alone is refused, naming the file it needs" \
    bash -c '[ $1 -eq 2 ] && grep -q "mine.krm is not in the map list.*--map" "$2"' _ $? "$E2E_TMP/sim.out"
"$E2E_BUILD/krag-sim" --replay "$replay" --map "$maps/mine.krm" >"$E2E_TMP/sim.out" 2>&1
e2e_check "with --map it plays to its recorded result" test $? -eq 0
e2e_check "the settings file is as it was" cmp -s "$E2E_TMP/settings.before" "$XDG_CONFIG_HOME/krag/settings.cfg"
e2e_done
