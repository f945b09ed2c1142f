#!/usr/bin/env bash
# INSTAGIB from the menu: everybody holds the laser rifle and a shot draws a beam.
# Usage: test_instagib.sh BUILD_FOLDER
set -u
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/match_lib.sh"
e2e_init "${1:?build folder}" instagib
BMP=$E2E_BUILD/bmp

e2e_start
e2e_park
e2e_check "menu shown" e2e_wait_menu 5
e2e_click $MENU_OPTIONS
e2e_check "options shown" e2e_wait_region "$BMP/options.bmp" 0 0 640 80 5
e2e_check "three steps of game type" e2e_options_click $OPT_TYPE_NEXT 3 $OPT_TYPE_TEXT
instagib_shown() { test "$(e2e_count_colour "$1" 140 161 90 8 FFFFFF)" -gt 20; }
e2e_check "INSTAGIB chosen" e2e_poll_shot 5 instagib_shown
e2e_click $OPT_BACK
e2e_check "menu before the match" e2e_wait_menu 5
e2e_play
e2e_move 620 235
# Every look until the human spawns (the other game types show the weapon selector
# meanwhile) is without the selector.
selector_seen=0
spawned() {
    e2e_sprite_matches "$1" "$BMP/weapons.bmp" 233 142 174 196 && selector_seen=1
    e2e_sprite_matches "$1" "$BMP/health_bar.bmp" 49 10 48 16
}
e2e_check "human spawns" e2e_poll_shot 10 spawned
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
e2e_check "back at the menu" e2e_wait_menu 5
e2e_click $MENU_QUIT
e2e_expect_exit 0
e2e_done
