#!/usr/bin/env bash
# Controls, pause and scoreboard in the real game: rebind left and right to J and L on
# the controls screen, walk with them in a match (A and D no longer walk), pause with P
# (the PAUSED banner over a frozen picture), resume with P or a click, hold Tab for the
# scoreboard, leave a paused match with Escape.
# Usage: test_controls_pause.sh BUILD_FOLDER
set -u
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/match_lib.sh"
e2e_init "${1:?build folder}" controls_pause
BMP=$E2E_BUILD/bmp

OPT_CONTROLS="185 372"
CTL_BACK="320 372"
LEFT_ROW="300 97" # first row: LEFT
RIGHT_ROW="300 110"
RIGHT_FIELD="330 105 141 12"
LEFT_FIELD="330 92 141 12"

# In a team match with one bot, the human is the only one in blue: prints the middle
# column of the blue shirt and trousers below the HUD (a stray blue power-up icon has
# too few pixels to move the median).
human_x() { e2e_look median-x "$1" 0 30 640 410 2E54C4; }
human_shown() { [ -n "$(human_x "$1")" ]; }

# The middle of the PAUSED banner (its ends are cut out).
paused_now() { e2e_sprite_matches "$1" "$BMP/paused.bmp" $((320 - 82)) 300 124 20 0 20 8; }
paused_shown() { e2e_poll_shot 5 paused_now; }
not_paused() { ! paused_now "$1"; }
running() { e2e_poll_shot 5 not_paused; }
# Holds keys for a moment, then pauses and prints where the human is.
walk() {
    local k
    for k in "$@"; do xdotool keydown "$k"; done
    sleep 0.5
    for k in "$@"; do xdotool keyup "$k"; done
    e2e_key p 0.1
    paused_shown || return 1
    human_x "$(e2e_shot "walk-$1")"
}

e2e_start
e2e_park
e2e_check "menu shown" e2e_wait_menu 5

# Options: a team match against one easy bot, so the human is the only one in blue.
e2e_click $MENU_OPTIONS
e2e_check "options picture with its controls button" e2e_wait_region "$BMP/options.bmp" 0 340 640 60 5
e2e_check "team match" e2e_options_click $OPT_TYPE_NEXT 1 $OPT_TYPE_TEXT
e2e_check "one bot" e2e_options_click $OPT_BOTS_DOWN 2 $OPT_BOTS_TEXT
e2e_check "easy bot" e2e_options_click 238 307 1 $OPT_SKILL_TEXT # from MEDIUM
e2e_click 399 233 # PAUSE IF INACTIVE (off by default)

# Controls: bind RIGHT to L and LEFT to J.
e2e_click $OPT_CONTROLS
e2e_park
e2e_check "controls screen shown" e2e_wait_region "$BMP/controls.bmp" 0 0 640 80 5
# A click on a row asks for a key in its field; the key then shows there.
rebind() {
    local row=$1 field=$2 key=$3 before prompt shot i
    before=$(e2e_shot "rebind-$key")
    e2e_click_changes $row $field || return 1
    prompt=$(e2e_shot "prompt-$key")
    e2e_park
    e2e_key "$key"
    for i in $(seq 50); do
        shot=$(e2e_shot "key-$key")
        e2e_region_changed "$prompt" "$shot" $field && e2e_region_changed "$before" "$shot" $field &&
            return 0
        sleep 0.1
    done
    return 1
}
e2e_check "the RIGHT row shows its new key" rebind "$RIGHT_ROW" "$RIGHT_FIELD" l
e2e_check "the LEFT row shows its new key" rebind "$LEFT_ROW" "$LEFT_FIELD" j
e2e_click $CTL_BACK
e2e_park
e2e_check "back on the options screen" e2e_wait_region "$BMP/options.bmp" 0 0 640 80 5
e2e_click $OPT_BACK
e2e_park
e2e_check "menu again" e2e_wait_menu 5

e2e_play
e2e_move 320 460
e2e_check "HUD appears when the human spawns" e2e_wait_spawn 15

# Paused: the banner over a picture that no longer changes.
e2e_key p 0.1
e2e_check "PAUSED banner shown" paused_shown
a=$(e2e_shot paused-a)
sleep 1
b=$(e2e_shot paused-b)
e2e_check "the paused picture does not change" e2e_not e2e_region_changed "$a" "$b" 0 0 640 480

# One round of walking from a paused match: A and D walk nobody any more, L walks
# right or J left (one of them may meet a wall or a box); a click resumes too. Prints
# "ok", "bad ..." or "dead" when the bot killed the human meanwhile (no verdict).
walk_round() {
    local x0 x1 x2 x3
    x0=$(human_x "$(e2e_shot round)")
    [ -n "$x0" ] || { echo dead; return; }
    e2e_key p 0.1
    running || { echo "bad: P did not resume"; return; }
    x1=$(walk a d)
    [ -n "$x1" ] || { echo dead; return; }
    [ "$x1" -eq "$x0" ] || { echo "bad: A and D walked ($x0 -> $x1)"; return; }
    e2e_click 320 200
    e2e_move 320 460
    running || { echo "bad: a click did not resume"; return; }
    x2=$(walk l)
    [ -n "$x2" ] || { echo dead; return; }
    e2e_key p 0.1
    running || { echo "bad: P did not resume"; return; }
    x3=$(walk j)
    [ -n "$x3" ] || { echo dead; return; }
    if [ "$x2" -gt "$x1" ] || [ "$x3" -lt "$x2" ]; then echo ok; else
        echo "bad: L and J did not walk ($x1 -> $x2 -> $x3)"; fi
}
# Not seen in the paused picture (killed, or the bot standing in front of him): resume,
# and pause again once he shows, until a paused picture has him in it.
seen_paused() {
    local i
    for i in 1 2 3 4 5 6 7 8; do
        paused_now "$(e2e_shot seen)" || { e2e_key p 0.1; paused_shown || continue; }
        human_shown "$(e2e_shot seen)" && return 0
        e2e_key p 0.1
        running && e2e_poll_shot 20 human_shown
        e2e_key p 0.1
        paused_shown
    done
    return 1
}
verdict=dead
for round in 1 2 3 4 5; do
    seen_paused || break
    verdict=$(walk_round)
    echo "walking round $round: $verdict"
    [ "$verdict" = dead ] || break
done
e2e_check "J and L walk, A and D do not ($verdict)" test "$verdict" = ok

# The scoreboard while Tab is held, paused or not.
panel() { e2e_count_colour "$1" 110 40 420 40 0E1122 2; }
panel_shown() { [ "$(panel "$1")" -gt 3000 ]; }
panel_gone() { [ "$(panel "$1")" -lt 500 ]; }
e2e_hold_key Tab
e2e_check "scoreboard over the paused match" e2e_poll_shot 5 panel_shown
e2e_release_key Tab
e2e_key p 0.1
e2e_hold_key Tab
e2e_check "scoreboard while Tab is held" e2e_poll_shot 5 panel_shown
e2e_release_key Tab
e2e_check "scoreboard gone when Tab is let go" e2e_poll_shot 5 panel_gone

# Another window takes the focus: the match pauses by itself, as PAUSE IF INACTIVE asks.
xmessage -geometry +900+700 "other window" &
XMSG_PID=$!
other=""
for i in $(seq 50); do
    other=$(xdotool search --name '^xmessage$' 2>/dev/null | head -1)
    [ -n "$other" ] && break
    sleep 0.1
done
e2e_check "another window opened" test -n "$other"
xdotool windowfocus "$other" 2>/dev/null
e2e_check "losing the focus pauses" paused_shown
kill "$XMSG_PID" 2>/dev/null
wait "$XMSG_PID" 2>/dev/null
xdotool windowfocus "$KRAG_WIN" 2>/dev/null
sleep 0.3

# Escape leaves a paused match.
e2e_key Escape
e2e_park
e2e_check "Escape leaves the paused match" e2e_wait_menu 10
e2e_click $MENU_QUIT
e2e_expect_exit 0
cfg=$XDG_CONFIG_HOME/krag/settings.cfg
e2e_check "the new keys are saved by name" grep -qx 'key_right = L' "$cfg"
e2e_check "both changed keys saved" grep -qx 'key_left = J' "$cfg"
e2e_check "PAUSE IF INACTIVE saved" grep -qx 'pause_if_inactive = yes' "$cfg"
e2e_done
