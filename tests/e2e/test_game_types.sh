#!/usr/bin/env bash
# The game types with one weapon for all, from the menu: in RPG-ARENA rockets fly,
# explode in fireballs and leave smoke; then INSTAGIB, chosen on the options screen:
# nobody chooses a weapon and a shot of the laser rifle draws a beam.
# Usage: test_game_types.sh BUILD_FOLDER
set -u
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/match_lib.sh"
e2e_init "${1:?build folder}" game_types
BMP=$E2E_BUILD/bmp

# One easy bot: the human lives long enough to fire and look.
e2e_settings "game_type = RPG-ARENA" "bots = 1" "skill = EASY"
e2e_start
e2e_park
e2e_check "menu shown" e2e_wait_menu 5

# ---- RPG-ARENA ----
e2e_play
e2e_move 630 100
e2e_check "human spawns" e2e_wait_spawn 10

# Fire at the far wall and look until a rocket, a fireball and smoke have all been seen.
# Bots fire rockets too, so no single frame is a calm baseline: a fireball or smoke is
# a frame with many more of its pixels than the emptiest frame so far.
rockets=0
fire_min=-1 fire_max=0 grey_min=-1 grey_max=0
shot_count=0
seen_all() {
    local s=$1 f g
    shot_count=$((shot_count + 1))
    if [ $((shot_count % 3)) -eq 1 ]; then
        e2e_hold_button 1
        sleep 0.1
        e2e_release_button 1
    fi
    f=$(e2e_count_fire "$s" 0 40 640 440)
    g=$(e2e_count_grey "$s" 0 40 640 440)
    rockets=$((rockets + $(e2e_count_colour "$s" 0 40 640 440 D2DEF0)))
    if [ "$fire_min" -lt 0 ] || [ "$f" -lt "$fire_min" ]; then fire_min=$f; fi
    if [ "$f" -gt "$fire_max" ]; then fire_max=$f; fi
    if [ "$grey_min" -lt 0 ] || [ "$g" -lt "$grey_min" ]; then grey_min=$g; fi
    if [ "$g" -gt "$grey_max" ]; then grey_max=$g; fi
    [ "$rockets" -gt 0 ] && [ $((fire_max - fire_min)) -gt 40 ] && [ $((grey_max - grey_min)) -gt 10 ]
}
e2e_check "rockets, fireballs and smoke drawn" e2e_poll_shot 60 seen_all
echo "rocket pixels $rockets, fireball pixels $fire_min-$fire_max, grey smoke $grey_min-$grey_max"

e2e_key Escape
e2e_park
e2e_check "back at the menu after RPG-ARENA" e2e_wait_menu 5

# ---- INSTAGIB, the next game type ----
e2e_click $MENU_OPTIONS
e2e_check "options shown for INSTAGIB" e2e_wait_region "$BMP/options.bmp" 0 0 640 80 5
e2e_check "one step of game type" e2e_options_click $OPT_TYPE_NEXT 1 $OPT_TYPE_TEXT
instagib_shown() { test "$(e2e_count_colour "$1" 140 161 90 8 FFFFFF)" -gt 20; }
e2e_check "INSTAGIB chosen" e2e_poll_shot 5 instagib_shown
e2e_click $OPT_BACK
e2e_check "menu before the match" e2e_wait_menu 5
e2e_play
e2e_move 620 235
# Every look until the human spawns (DEATHMATCH and TEAMMATCH show the weapon selector
# meanwhile) is without the selector.
selector_seen=0
spawned() {
    e2e_sprite_matches "$1" "$BMP/weapons.bmp" 233 142 174 196 && selector_seen=1
    e2e_sprite_matches "$1" "$BMP/health_bar.bmp" 49 10 48 16
}
e2e_check "human spawns in INSTAGIB" e2e_poll_shot 10 spawned
e2e_check "no weapon selector in INSTAGIB" test $selector_seen = 0

# Fire until a beam has been seen (a shot every third look).
beam=0
looks=0
beam_seen() {
    looks=$((looks + 1))
    if [ $((looks % 3)) -eq 1 ]; then
        e2e_hold_button 1
        sleep 0.1
        e2e_release_button 1
    fi
    beam=$((beam + $(e2e_count_colour "$1" 0 40 640 440 FF8000)))
    [ "$beam" -gt 20 ]
}
e2e_check "a laser beam is drawn" e2e_poll_shot 20 beam_seen
echo "beam pixels $beam"

e2e_key Escape
e2e_park
e2e_check "back at the menu after INSTAGIB" e2e_wait_menu 5
e2e_click $MENU_QUIT
e2e_expect_exit 0
e2e_done
