#!/usr/bin/env bash
# RPG-ARENA from the menu: rockets fly, explode in fireballs and leave smoke.
# Usage: test_rpg_arena.sh BUILD_FOLDER
set -u
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/match_lib.sh"
e2e_init "${1:?build folder}" rpg_arena
BMP=$E2E_BUILD/bmp

e2e_settings "game_type = RPG-ARENA" "bots = 1" "skill = EASY"
e2e_start
e2e_park
e2e_check "menu shown" e2e_wait_menu 5
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
e2e_check "back at the menu" e2e_wait_menu 5
e2e_click $MENU_QUIT
e2e_expect_exit 0
e2e_done
