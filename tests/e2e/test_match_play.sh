#!/usr/bin/env bash
# A match from the menu: a weapon chosen while waiting, the spawn, walking with the
# view following, the HUD, firing a machine gun (bullets, shells), Escape, quit.
# Usage: test_match_play.sh BUILD_FOLDER
set -u
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/match_lib.sh"
e2e_init "${1:?build folder}" match_play
BMP=$E2E_BUILD/bmp

# One easy bot on a map larger than the screen, so the view has to follow the player
# and the human lives long enough to be looked at.
e2e_settings "bots = 1" "skill = EASY" "map = bastion"
e2e_start
e2e_park
e2e_check "menu shown" e2e_wait_menu 5
e2e_play
e2e_move 600 200

# The selector shows only for the 5 s before the spawn, too short to be sure of a look on
# a loaded machine: test_close_and_choice looks for it; here the key just chooses.
e2e_key 2
selector_gone() { e2e_not e2e_sprite_matches "$1" "$BMP/weapons.bmp" 233 142 174 196; }
e2e_check "number key closes the selector" e2e_poll_shot 5 selector_gone
e2e_check "HUD appears when the human spawns" e2e_wait_spawn 10
e2e_check "health, ammunition and kill bars shown" e2e_hud_shown 10

# Walk right, then left: the view scrolls with the human.
before=$(e2e_shot before-walk)
e2e_hold_key d
view_moved() { e2e_region_changed "$before" "$1" 0 40 640 440; }
e2e_check "the view changed while walking" e2e_poll_shot 10 view_moved
e2e_release_key d
e2e_hold_key a
sleep 0.5
e2e_release_key a

# Fire the machine gun towards the pointer until bullets (or a muzzle flash) and a fair
# number of shell pixels have been seen.
bullets=0
shells=0
fired() {
    bullets=$((bullets + $(e2e_count_colour "$1" 0 40 640 440 FFD63C)))
    shells=$((shells + $(e2e_count_colour "$1" 0 40 640 440 E8C050)))
    [ "$bullets" -gt 0 ] && [ "$shells" -ge 30 ]
}
e2e_move 620 230
e2e_hold_button 1
e2e_check "bullets and shells seen" e2e_poll_shot 20 fired
e2e_release_button 1
echo "bullet pixels $bullets, shell pixels $shells"

e2e_key Escape
e2e_park
e2e_check "Escape returns to the menu" e2e_wait_menu 5
e2e_click $MENU_QUIT
e2e_expect_exit 0
e2e_done
