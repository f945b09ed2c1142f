#!/usr/bin/env bash
# A match from the menu: the weapon choice while waiting, the spawn, walking with the
# view following, the HUD, firing a machine gun (bullets, shells), Escape, quit.
# Usage: test_match_play.sh BUILD_FOLDER
set -u
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/match_lib.sh"
e2e_init "${1:?build folder}" match_play
BMP=$E2E_BUILD/bmp

e2e_start
e2e_park
e2e_check "menu shown" e2e_wait_region "$BMP/menu.bmp" 0 0 640 440 5

# A map larger than the screen, so the view has to follow the player.
e2e_click $MENU_OPTIONS
e2e_click $OPT_MAP_NEXT
e2e_click $OPT_BACK
e2e_play
e2e_move 600 200

e2e_check "weapon selector open while waiting to spawn" \
    e2e_wait_sprite "$BMP/weapons.bmp" 233 142 174 196 8
e2e_key 2
shot=$(e2e_shot chosen)
e2e_check "number key closes the selector" \
    e2e_not e2e_sprite_matches "$shot" "$BMP/weapons.bmp" 233 142 174 196
e2e_check "HUD appears when the human spawns" e2e_wait_spawn 10
shot=$(e2e_shot hud)
e2e_check "ammunition bar shown" e2e_sprite_matches "$shot" "$BMP/ammo_bar.bmp" 253 10 30 16 10
e2e_check "kill bar shown" e2e_sprite_matches "$shot" "$BMP/kills_bar.bmp" 442 10 40 16 10

# Walk right for two seconds, then left: the view scrolls with the human.
sleep 0.5
before=$(e2e_shot before-walk)
e2e_hold_key d
sleep 2
e2e_release_key d
after=$(e2e_shot after-walk)
e2e_check "the view changed while walking" e2e_region_changed "$before" "$after" 0 40 640 440
e2e_hold_key a
sleep 1
e2e_release_key a

# Fire the machine gun towards the pointer: bullets fly and shells drop.
bullets=0
shells=0
e2e_move 620 230
e2e_hold_button 1
for i in 1 2 3 4 5 6; do
    sleep 0.2
    s=$(e2e_shot firing-$i)
    bullets=$((bullets + $(e2e_count_colour "$s" 0 40 640 440 FFD63C)))
    shells=$((shells + $(e2e_count_colour "$s" 0 40 640 440 E8C050)))
done
e2e_release_button 1
echo "bullet pixels $bullets, shell pixels $shells"
e2e_check "bullets or a muzzle flash seen" test "$bullets" -gt 0
e2e_check "shells seen" test "$shells" -gt 0

e2e_key Escape
e2e_park
e2e_check "Escape returns to the menu" e2e_wait_region "$BMP/menu.bmp" 0 0 640 440 5
e2e_click $MENU_QUIT
e2e_expect_exit 0
e2e_done
