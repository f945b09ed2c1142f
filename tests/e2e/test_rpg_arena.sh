#!/usr/bin/env bash
# RPG-ARENA from the menu: rockets fly, explode in fireballs and leave smoke.
# Usage: test_rpg_arena.sh BUILD_FOLDER
set -u
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/match_lib.sh"
e2e_init "${1:?build folder}" rpg_arena
BMP=$E2E_BUILD/bmp

e2e_start
e2e_park
e2e_check "menu shown" e2e_wait_region "$BMP/menu.bmp" 0 0 640 440 5
e2e_click $MENU_OPTIONS
e2e_options_click $OPT_TYPE_NEXT 2
e2e_click $OPT_BACK
e2e_play
e2e_move 630 100
e2e_check "human spawns" e2e_wait_spawn 10
calm=$(e2e_shot calm)
fire_before=$(e2e_count_fx "$calm" 0 40 640 440 'r==1 && b==0')
GREY='abs(r-g)<0.01 && abs(g-b)<0.01 && r>0.1 && r<0.95'
grey_before=$(e2e_count_fx "$calm" 0 40 640 440 "$GREY")

# Fire at the far wall a few times; rockets take a moment to get there.
fire=0
rockets=0
grey=0
for i in 1 2 3 4 5 6 7 8; do
    e2e_hold_button 1
    sleep 0.15
    e2e_release_button 1
    s=$(e2e_shot rpg-$i)
    fire=$((fire + $(e2e_count_fx "$s" 0 40 640 440 'r==1 && b==0') - fire_before))
    rockets=$((rockets + $(e2e_count_colour "$s" 0 40 640 440 D2DEF0)))
    more=$(( $(e2e_count_fx "$s" 0 40 640 440 "$GREY") - grey_before ))
    [ $more -gt $grey ] && grey=$more
    sleep 0.25
done
echo "fireball pixels $fire, rocket pixels $rockets"
e2e_check "rockets in flight" test "$rockets" -gt 0
e2e_check "explosions drawn" test "$fire" -gt 40
echo "most grey smoke pixels in one frame $grey"
e2e_check "smoke drawn" test "$grey" -gt 10

e2e_key Escape
e2e_park
e2e_check "back at the menu" e2e_wait_region "$BMP/menu.bmp" 0 0 640 440 5
e2e_click $MENU_QUIT
e2e_expect_exit 0
e2e_done
