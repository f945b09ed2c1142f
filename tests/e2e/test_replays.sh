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

# A short match: INSTAGIB (one hit kills), three hard bots, the first kill wins (whoever
# makes it), no power-ups to spawn after the end.
mkdir -p "$XDG_CONFIG_HOME/krag"
cat >"$XDG_CONFIG_HOME/krag/settings.cfg" <<'EOF'
game_type = INSTAGIB
kill_limit = 1
bots = 3
skill = HARD
map = arena
powerup_health = no
powerup_grenades = no
powerup_firerate = no
powerup_heatseek = no
powerup_slowmotion = no
EOF

# The game's picture (640x480 from the window) into FILE.
picture() { mv "$(e2e_shot picture)" "$1"; }
same_picture() { e2e_not e2e_region_changed "$1" "$2" 0 0 640 480; }

# Waits (up to SECS) until the picture has not changed for STILL seconds in a row;
# leaves it in FILE.
wait_still() {
    local out=$1 secs=$2 still=${3:-1} i run=0
    picture "$E2E_TMP/still-a.ppm"
    for i in $(seq "$secs"); do
        sleep 1
        picture "$E2E_TMP/still-b.ppm"
        if same_picture "$E2E_TMP/still-a.ppm" "$E2E_TMP/still-b.ppm"; then
            run=$((run + 1))
            if [ $run -ge "$still" ]; then
                cp "$E2E_TMP/still-b.ppm" "$out"
                return 0
            fi
        else
            run=0
        fi
        mv "$E2E_TMP/still-b.ppm" "$E2E_TMP/still-a.ppm"
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
e2e_check "menu shown" e2e_wait_menu 5
e2e_play
# The human runs and fires at random meanwhile (a bot may win before the human is seen).
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
e2e_check "the result picture settles" wait_still "$E2E_TMP/live.ppm" 120 3
xdotool key Escape # a quick tap leaves the match too
e2e_park
e2e_check "back at the menu" e2e_wait_menu 10
match=$(newest)
e2e_check "the match was recorded" test -s "$match"

# ---- the simulator reproduces it ----
"$E2E_BUILD/krag-sim" --replay "$match" >"$E2E_TMP/sim.out" 2>"$E2E_TMP/sim.err"
status=$?
cat "$E2E_TMP/sim.err"
e2e_check "krag-sim --replay reproduces the result line" test $status -eq 0
e2e_check "the result line names the winner" grep -q "^ticks=.* winner=[0-3] kills=" "$E2E_TMP/sim.out"

# ---- a game killed mid-match leaves an unfinished file ----
# Against one bot, so the match is still on when the game is killed (nobody can score
# before the human spawns).
e2e_click $MENU_OPTIONS
e2e_check "options shown" e2e_wait_region "$BMP/options.bmp" 0 0 640 80 5
bots_text() { bots_now=$1; e2e_region_changed "$bots_before" "$1" 140 253 90 8; }
for i in 1 2; do
    bots_before=$(e2e_shot "bots-$i")
    e2e_click $OPT_BOTS_DOWN
    e2e_check "one bot fewer" e2e_poll_shot 5 bots_text
done
e2e_click $OPT_BACK
e2e_park
e2e_check "menu before the second match" e2e_wait_menu 5
e2e_play
menu_gone() { e2e_not e2e_region_matches "$1" "$BMP/menu.bmp" 0 0 640 440 100; }
e2e_check "the second match starts" e2e_poll_shot 10 menu_gone
# The recorder writes a second of ticks at a time: firing until the first second is on
# disk (a starved game may take longer than a second to get there).
recorded() { "$E2E_BUILD/krag-sim" --replay "$(newest)" 2>/dev/null | grep -q "^ticks=[1-9][0-9]* "; }
e2e_hold_button 1
e2e_check "the second match is being recorded" e2e_poll 20 recorded
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
# Faster than 1x, "2X  F: SPEED" (white on black) sits in the bottom-right corner (the
# time and length are on the left at every speed). A new window takes no keys for a
# moment: F until the line shows (2x), then once more (4x; quick taps count).
speed_white() { e2e_count_colour "$1" 440 456 200 20 FFFFFF; }
live_white=$(speed_white "$E2E_TMP/live.ppm")
speed_line() { [ "$(speed_white "$1")" -gt $((live_white + 40)) ]; }
no_speed_line() { e2e_not speed_line "$1"; }
faster() {
    local i
    for i in $(seq 10); do
        xdotool key f
        e2e_poll_shot 1 speed_line && return 0
    done
    return 1
}
e2e_check "F speeds the replay up" faster
xdotool key f
e2e_check "the replay reaches the result" wait_result 240
e2e_check "the replay plays to its end" wait_still "$E2E_TMP/end-fast.ppm" 120 2
# Back to 1x (from 4x one F, from 2x two): the speed line goes.
normal() {
    local i
    for i in 1 2 3; do
        e2e_key f
        e2e_poll_shot 2 no_speed_line && return 0
    done
    return 1
}
e2e_check "F back to 1x" normal
e2e_check "krag --replay ends on the same picture" wait_still "$E2E_TMP/end.ppm" 10
if e2e_region_changed "$E2E_TMP/live.ppm" "$E2E_TMP/end.ppm" 0 0 640 452; then
    convert "$E2E_TMP/live.ppm" "$E2E_BUILD/e2e-replays-live.png"
    convert "$E2E_TMP/end.ppm" "$E2E_BUILD/e2e-replays-end.png"
    echo "kept: $E2E_BUILD/e2e-replays-live.png and -end.png" >&2
fi
# Above the line that says REPLAY and the time.
e2e_check "... the one the player saw" e2e_not e2e_region_changed "$E2E_TMP/live.ppm" "$E2E_TMP/end.ppm" 0 0 640 452
e2e_key Escape
e2e_expect_exit 0

# ---- the REPLAYS list on the options screen ----
e2e_launch
e2e_wait_window 20
e2e_park
e2e_check "menu shown" e2e_wait_menu 5
e2e_click $MENU_OPTIONS
e2e_check "options for the list" e2e_wait_region "$BMP/options.bmp" 0 0 640 80 5
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
e2e_check "menu at the end" e2e_wait_menu 5
e2e_click $MENU_QUIT
e2e_expect_exit 0

# ---- a bad file is refused before a window opens ----
printf 'not a replay' >"$E2E_TMP/bad.krr"
"$E2E_BUILD/krag" --replay "$E2E_TMP/bad.krr" >"$E2E_TMP/bad.log" 2>&1
e2e_check "krag --replay refuses a bad file with status 2" test $? -eq 2
e2e_check "... and says why" grep -q "not a replay file" "$E2E_TMP/bad.log"
e2e_done
