#!/usr/bin/env bash
# Replays end to end: a match played in the window is recorded; krag-sim --replay of the
# file gives its result line; krag --replay reaches the same result picture; the REPLAYS
# list on the options screen plays it; a game killed mid-match leaves an unfinished file.
# Usage: test_replays.sh BUILD_FOLDER
set -u
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/match_lib.sh"
e2e_init "${1:?build folder}" replays
BMP=$E2E_BUILD/bmp
REPLAYS=$XDG_DATA_HOME/krag/replays

# A short match: INSTAGIB (one hit kills), one hard bot, the first kill wins, no
# power-ups to spawn after the end.
mkdir -p "$XDG_CONFIG_HOME/krag"
cat >"$XDG_CONFIG_HOME/krag/settings.cfg" <<'EOF'
game_type = INSTAGIB
kill_limit = 1
bots = 1
skill = HARD
map = arena
powerup_health = no
powerup_grenades = no
powerup_firerate = no
powerup_heatseek = no
powerup_slowmotion = no
EOF

# The game's picture (640x480 from the window) into FILE.
picture() { e2e_crop "$(e2e_shot picture)" 0 0 640 480 "$1"; }
same_picture() { [ "$(compare -metric AE "$1" "$2" null: 2>&1 | sed 's/ .*//')" = 0 ]; }

# Waits (up to SECS) until the picture has not changed for STILL seconds in a row;
# leaves it in FILE.
wait_still() {
    local out=$1 secs=$2 still=${3:-1} i run=0
    picture "$E2E_TMP/still-a.png"
    for i in $(seq "$secs"); do
        sleep 1
        picture "$E2E_TMP/still-b.png"
        if same_picture "$E2E_TMP/still-a.png" "$E2E_TMP/still-b.png"; then
            run=$((run + 1))
            if [ $run -ge "$still" ]; then
                cp "$E2E_TMP/still-b.png" "$out"
                return 0
            fi
        else
            run=0
        fi
        mv "$E2E_TMP/still-b.png" "$E2E_TMP/still-a.png"
    done
    return 1
}

# Waits (up to SECS) for the won or lost picture.
wait_result() {
    local i
    for i in $(seq "$1"); do
        [ -n "$(e2e_result "$(e2e_shot result)")" ] && return 0
        sleep 1
    done
    return 1
}

newest() { ls -t "$REPLAYS"/*.krr 2>/dev/null | head -1; }

# ---- play a match until a kill decides it ----
e2e_start
e2e_park
e2e_check "menu shown" e2e_wait_region "$BMP/menu.bmp" 0 0 640 440 5
e2e_play
e2e_check "human spawns" e2e_wait_spawn 15
result=""
deadline=$((SECONDS + 300))
while [ -z "$result" ] && [ $SECONDS -lt $deadline ]; do
    e2e_move $((40 + RANDOM % 560)) $((80 + RANDOM % 340))
    walk=a
    [ $((RANDOM % 2)) = 0 ] && walk=d
    xdotool keydown $walk
    e2e_hold_button 1
    sleep 0.3
    e2e_release_button 1
    xdotool keyup $walk
    result=$(e2e_result "$(e2e_shot play)")
done
e2e_check "the match is decided: $result" test -n "$result"
# Players freeze; the finale's slow motion and the effects die down.
e2e_check "the result picture settles" wait_still "$E2E_TMP/live.png" 120 3
xdotool key Escape # a quick tap leaves the match too
e2e_park
e2e_check "back at the menu" e2e_wait_region "$BMP/menu.bmp" 0 0 640 440 10
match=$(newest)
e2e_check "the match was recorded" test -s "$match"

# ---- the simulator reproduces it ----
"$E2E_BUILD/krag-sim" --replay "$match" >"$E2E_TMP/sim.out" 2>"$E2E_TMP/sim.err"
status=$?
cat "$E2E_TMP/sim.err"
e2e_check "krag-sim --replay reproduces the result line" test $status -eq 0
e2e_check "the result line names the winner" grep -q "^ticks=.* winner=[01] kills=" "$E2E_TMP/sim.out"

# ---- a game killed mid-match leaves an unfinished file ----
e2e_play
e2e_check "human spawns again" e2e_wait_spawn 15
e2e_hold_button 1
sleep 2
e2e_release_button 1
kill -9 "$KRAG_PID"
e2e_wait_exit 10
killed=$(newest)
e2e_check "a second file was started" test "$killed" != "$match"
"$E2E_BUILD/krag-sim" --replay "$killed" >"$E2E_TMP/sim.out" 2>"$E2E_TMP/sim.err"
status=$?
cat "$E2E_TMP/sim.err"
e2e_check "the killed match replays as unfinished" test $status -eq 3
e2e_check "... to its last whole tick" grep -q "^ticks=[1-9][0-9]* " "$E2E_TMP/sim.out"
head -c $(($(stat -c %s "$match") * 2 / 3)) "$match" >"$E2E_TMP/cut.krr"
"$E2E_BUILD/krag-sim" --replay "$E2E_TMP/cut.krr" >/dev/null 2>&1
e2e_check "a finished file cut short is unfinished" test $? -eq 3

# ---- krag --replay shows the same result picture ----
"$E2E_BUILD/krag" --replay "$match" >"$E2E_TMP/krag.log" 2>&1 </dev/null &
KRAG_PID=$!
e2e_wait_window 20
e2e_park
xdotool key f # 2x (quick taps count)
sleep 0.3
xdotool key f # 4x
e2e_check "the replay reaches the result" wait_result 240
e2e_check "the replay plays to its end" wait_still "$E2E_TMP/end-fast.png" 120 2
e2e_key f # back to 1x: the speed line goes
e2e_check "krag --replay ends on the same picture" wait_still "$E2E_TMP/end.png" 10
same_picture "$E2E_TMP/live.png" "$E2E_TMP/end.png" ||
    cp "$E2E_TMP/live.png" "$E2E_TMP/end.png" "$E2E_BUILD/" 2>/dev/null
e2e_check "... the one the player saw" same_picture "$E2E_TMP/live.png" "$E2E_TMP/end.png"
e2e_key Escape
e2e_expect_exit 0

# ---- the REPLAYS list on the options screen ----
e2e_launch
e2e_wait_window 20
e2e_park
e2e_check "menu shown" e2e_wait_region "$BMP/menu.bmp" 0 0 640 440 5
e2e_click $MENU_OPTIONS
e2e_click 455 372
e2e_check "the list opens" e2e_wait_region "$BMP/replays.bmp" 100 0 440 76 5
shot=$(e2e_shot list)
e2e_check "it lists both matches" test "$(e2e_count_colour "$shot" 50 98 500 22 FFFFFF)" -gt 100
e2e_click 200 112 # the older one, the finished match
e2e_park
e2e_check "the match plays" e2e_not e2e_wait_region "$BMP/replays.bmp" 100 0 440 76 1
e2e_key Escape
e2e_check "Escape goes back to the list" e2e_wait_region "$BMP/replays.bmp" 100 0 440 76 5
e2e_key Escape
e2e_check "and again to the options screen" e2e_wait_region "$BMP/options.bmp" 100 0 440 76 5
e2e_click $OPT_BACK
e2e_click $MENU_QUIT
e2e_expect_exit 0

# ---- a bad file is refused before a window opens ----
printf 'not a replay' >"$E2E_TMP/bad.krr"
"$E2E_BUILD/krag" --replay "$E2E_TMP/bad.krr" >"$E2E_TMP/bad.log" 2>&1
e2e_check "krag --replay refuses a bad file with status 2" test $? -eq 2
e2e_check "... and says why" grep -q "not a replay file" "$E2E_TMP/bad.log"
e2e_done
